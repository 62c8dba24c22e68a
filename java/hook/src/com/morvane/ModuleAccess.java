package com.morvane;

import java.lang.reflect.AccessibleObject;
import java.lang.reflect.Method;

/**
 * Reflective access across modules on Java 9 and later, and its plain form on Java 8 (no modules:
 * every public class is reachable, and setAccessible is allowed). The Java 9 methods are looked up
 * by name so that the class files stay loadable on Java 8.
 */
final class ModuleAccess {
    private static final Method GET_MODULE = find(Class.class, "getModule");
    private static final Method IS_EXPORTED = GET_MODULE == null ? null
            : find(GET_MODULE.getReturnType(), "isExported", String.class, GET_MODULE.getReturnType());
    private static final Method TRY_SET_ACCESSIBLE = find(AccessibleObject.class, "trySetAccessible");

    private ModuleAccess() {
    }

    /** Whether the package of {@code type} is exported to the module of {@code reader}. */
    static boolean exported(Class<?> type, Class<?> reader) {
        if (IS_EXPORTED == null) {
            return true;
        }
        try {
            String name = type.getName();
            String packageName = name.lastIndexOf('.') < 0 ? "" : name.substring(0, name.lastIndexOf('.'));
            return (Boolean) IS_EXPORTED.invoke(GET_MODULE.invoke(type), packageName, GET_MODULE.invoke(reader));
        } catch (ReflectiveOperationException | RuntimeException e) {
            return false;
        }
    }

    /** Suppresses the access check of {@code member} where that is allowed; false where it is not. */
    static boolean trySetAccessible(AccessibleObject member) {
        try {
            if (TRY_SET_ACCESSIBLE != null) {
                return (Boolean) TRY_SET_ACCESSIBLE.invoke(member);
            }
            member.setAccessible(true);
            return true;
        } catch (ReflectiveOperationException | RuntimeException e) {
            return false;
        }
    }

    private static Method find(Class<?> type, String name, Class<?>... parameters) {
        try {
            return type.getMethod(name, parameters);
        } catch (NoSuchMethodException | RuntimeException e) {
            return null;
        }
    }
}
