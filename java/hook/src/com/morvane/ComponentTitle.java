package com.morvane;

import java.awt.Button;
import java.awt.Component;
import java.awt.Frame;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Optional;

/**
 * The "title" of a component as the native module's GetAttribute("title") answers it: a frame's
 * title (null allowed), a java.awt.Button's label, otherwise whatever a public instance method
 * getText() returning String gives; null when there is no such method or it fails.
 */
final class ComponentTitle {
    // One reflective lookup per class: a snapshot visits thousands of components of few classes.
    private static final ClassValue<Optional<Method>> GET_TEXT = new ClassValue<Optional<Method>>() {
        @Override
        protected Optional<Method> computeValue(Class<?> type) {
            return Optional.ofNullable(findGetText(type));
        }
    };

    private ComponentTitle() {
    }

    static String of(Component component) {
        try {
            if (component instanceof Frame) {
                return ((Frame) component).getTitle();
            }
            if (component instanceof Button) {
                return ((Button) component).getLabel();
            }
        } catch (RuntimeException e) {
            return null;  // the module's call fails and gives no title
        }
        Method getText = GET_TEXT.get(component.getClass()).orElse(null);
        if (getText == null) {
            return null;
        }
        try {
            return (String) getText.invoke(component);
        } catch (IllegalAccessException | InvocationTargetException | RuntimeException e) {
            return null;
        }
    }

    private static Method findGetText(Class<?> type) {
        Method method;
        try {
            method = type.getMethod("getText");
        } catch (NoSuchMethodException | RuntimeException e) {
            return null;
        }
        // The module calls it as an instance method answering a String; anything else fails there.
        if (method.getReturnType() != String.class || Modifier.isStatic(method.getModifiers())) {
            return null;
        }
        return callable(method, type);
    }

    /**
     * A public method declared by a class this library cannot reach (a private nested class of the
     * application, a class of an unexported package) is called through the same method of a
     * reachable supertype; a virtual call still runs the component's own implementation.
     */
    private static Method callable(Method method, Class<?> type) {
        if (reachable(method.getDeclaringClass()) || ModuleAccess.trySetAccessible(method)) {
            return method;
        }
        for (Class<?> s = type.getSuperclass(); s != null; s = s.getSuperclass()) {
            Method inherited = reachableGetText(s);
            if (inherited != null) {
                return inherited;
            }
            for (Class<?> i : s.getInterfaces()) {
                inherited = reachableGetText(i);
                if (inherited != null) {
                    return inherited;
                }
            }
        }
        return method;  // last resort: when the call is refused there is no title
    }

    private static Method reachableGetText(Class<?> type) {
        try {
            Method method = type.getMethod("getText");
            return method.getReturnType() == String.class && reachable(method.getDeclaringClass())
                    ? method : null;
        } catch (NoSuchMethodException | RuntimeException e) {
            return null;
        }
    }

    private static boolean reachable(Class<?> type) {
        return Modifier.isPublic(type.getModifiers()) && ModuleAccess.exported(type, ComponentTitle.class);
    }
}
