package samples;

/**
 * Says what a client's argument arrived as in Java, one {@code show} per parameter type, for the
 * guide's script page and the script samples: the JDK has few methods that take a byte or a short
 * and can be reached from a script, and none that print a value's type with it.
 */
public final class ArgumentTypes {
    /**
     * A client reaches the static members below through an instance (NewDefJavaObject): the
     * bridge looks static members up in the class of the object a handle names.
     */
    public ArgumentTypes() {
    }

    public static String show(boolean v) { return "boolean " + v; }
    public static String show(byte v) { return "byte " + v; }
    public static String show(char v) { return "char " + v + " (" + (int) v + ")"; }
    public static String show(short v) { return "short " + v; }
    public static String show(int v) { return "int " + v; }
    public static String show(long v) { return "long " + v; }
    public static String show(float v) { return "float " + v; }
    public static String show(double v) { return "double " + v; }
    public static String show(Object v) { return v == null ? "null" : v.getClass().getName() + " " + v; }
    public static String show(String v) { return v == null ? "null" : "String " + v; }
}
