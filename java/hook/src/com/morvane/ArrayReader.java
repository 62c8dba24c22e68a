package com.morvane;

/**
 * One array read element by element through the hook's array helpers: a client gets a reader
 * ({@link MorvaneAWTHook#arrayReader}), sets {@link #array} (SetObjectField with the signature
 * {@code Ljava/lang/Object;}) and calls the reader's methods with plain numbers.
 */
public final class ArrayReader {
    /** The array read; any array (or none: the methods then answer as for no array). */
    public Object array;

    /** {@link MorvaneAWTHook#arrayLength}. */
    public int length() {
        return MorvaneAWTHook.arrayLength(array);
    }

    /** {@link MorvaneAWTHook#elementAt}: a new handle for the client to delete, or a failed call. */
    public Object elementAt(int index) {
        return MorvaneAWTHook.elementAt(array, index);
    }

    /** {@link MorvaneAWTHook#elementText}. */
    public String elementText(int index) {
        return MorvaneAWTHook.elementText(array, index);
    }
}
