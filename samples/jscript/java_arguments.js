// Passes each kind of Java argument from JScript, as the guide's script page shows it:
//   cscript //nologo java_arguments.js PID
// PID is the id of a process whose JVM the module published, with the sample classes
// (mv-samples.jar) on its class path. One line per call: "<what> ok <answer>" or
// "<what> error 0x<code>". Every handle got is deleted before the end.
//
// JScript numbers reach the module as VT_I4 (whole numbers that fit 32 bits) or VT_R8, a handle
// too; the module converts each to the parameter's Java type when the value survives exactly.

function attempt(label, step) {
    try {
        WScript.Echo(label + " ok " + step());
    } catch (e) {
        WScript.Echo(label + " error 0x" + (e.number >>> 0).toString(16).toUpperCase());
    }
}

// A VARIANT array (VT_ARRAY | VT_VARIANT) of the arguments, for a method call's paramArray.
function argumentArray() {
    var items = new ActiveXObject("Scripting.Dictionary");
    for (var i = 0; i < arguments.length; ++i) items.Add(i, arguments[i]);
    return items.Items();
}

var jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(parseInt(WScript.Arguments(0), 10));
var types = jvm.NewDefJavaObject("samples.ArgumentTypes");
var text = jvm.NewJavaString("first");

// One parameter of each Java type (samples.ArgumentTypes.show says what arrived).
function show(sig, value) {
    return jvm.CallStaticStringMethod(types, "show", "(" + sig + ")Ljava/lang/String;", argumentArray(value));
}
attempt("boolean", function () { return show("Z", true); });
attempt("byte", function () { return show("B", 200); });
attempt("char", function () { return show("C", "h".charCodeAt(0)); });
attempt("short", function () { return show("S", -2); });
attempt("int", function () { return show("I", 100000); });
attempt("long", function () { return show("J", 1234567890123); });
attempt("float", function () { return show("F", 0.1); });
attempt("double", function () { return show("D", 0.1); });
attempt("Object", function () { return show("Ljava/lang/Object;", text); });
attempt("Object null", function () { return show("Ljava/lang/Object;", null); });
attempt("String", function () { return show("Ljava/lang/String;", "text"); });
attempt("int 2^31", function () { return show("I", 2147483648); });
attempt("int 1.5", function () { return show("I", 1.5); });

// A list filled with a handle, a text and null, and read back.
var list = jvm.NewDefJavaObject("java.util.ArrayList");
attempt("ArrayList.add(Object)", function () {
    return jvm.CallBooleanMethod(list, "add", "(Ljava/lang/Object;)Z", argumentArray(text));
});
attempt("ArrayList.add(null)", function () {
    return jvm.CallBooleanMethod(list, "add", "(Ljava/lang/Object;)Z", argumentArray(null));
});
attempt("list", function () { return jvm.CallStringMethod(list, "toString", "()Ljava/lang/String;", undefined); });
attempt("list.get(0) is the handle added", function () {
    var element = jvm.CallObjectMethod(list, "get", "(I)Ljava/lang/Object;", argumentArray(0));
    try {
        return jvm.IsSameJavaObject(element, text);
    } finally {
        jvm.DeleteJavaObject(element);
    }
});

var builder = jvm.NewDefJavaObject("java.lang.StringBuilder");
attempt("StringBuilder.equals(Object)", function () {
    return jvm.CallBooleanMethod(builder, "equals", "(Ljava/lang/Object;)Z", argumentArray(builder));
});
attempt("StringBuilder.append(CharSequence)", function () {
    jvm.DeleteJavaObject(jvm.CallObjectMethod(builder, "append",
        "(Ljava/lang/CharSequence;)Ljava/lang/StringBuilder;", argumentArray(text)));
    return jvm.CallStringMethod(builder, "toString", "()Ljava/lang/String;", undefined);
});

// Static methods of the JDK through an object of their class.
attempt("String.valueOf(long)", function () {
    return jvm.CallStaticStringMethod(text, "valueOf", "(J)Ljava/lang/String;", argumentArray(1234567890123));
});
attempt("String.valueOf(char)", function () {
    return jvm.CallStaticStringMethod(text, "valueOf", "(C)Ljava/lang/String;", argumentArray(104));
});
attempt("String.valueOf(float)", function () {
    return jvm.CallStaticStringMethod(text, "valueOf", "(F)Ljava/lang/String;", argumentArray(0.1));
});
var thread = jvm.NewDefJavaObject("java.lang.Thread");
attempt("Thread.sleep(long)", function () {
    jvm.CallStaticVoidMethod(thread, "sleep", "(J)V", argumentArray(1));
    return "slept";
});
attempt("charAt(int)", function () { return jvm.CallCharMethod(text, "charAt", "(I)C", argumentArray(1)); });

// Java arrays, which a script cannot read from the module's typed arrays (VBArray takes only arrays
// of VARIANTs), element by element through the hook library's static helpers: the hook must be
// installed in the application. An Object[] element comes as a handle to delete, any element as text.
var hook = jvm.GetMorvaneAWTHook();
var csv = jvm.NewJavaString("ab,c,,d");
function arrayLength(array) {
    return jvm.CallStaticIntMethod(hook, "arrayLength", "(Ljava/lang/Object;)I", argumentArray(array));
}
attempt("split", function () {
    var parts = jvm.CallObjectMethod(csv, "split", "(Ljava/lang/String;)[Ljava/lang/String;", argumentArray(","));
    var texts = [];
    for (var i = 0; i < arrayLength(parts); ++i) {
        var part = jvm.CallStaticObjectMethod(hook, "elementAt", "(Ljava/lang/Object;I)Ljava/lang/Object;",
                                              argumentArray(parts, i));
        texts.push(jvm.GetJavaString(part));
        jvm.DeleteJavaObject(part);
    }
    jvm.DeleteJavaObject(parts);
    return texts.length + " [" + texts.join("|") + "]";
});
attempt("code points", function () {
    var stream = jvm.CallObjectMethod(csv, "codePoints", "()Ljava/util/stream/IntStream;", undefined);
    var points = jvm.CallObjectMethod(stream, "toArray", "()[I", undefined), texts = [];
    for (var i = 0; i < arrayLength(points); ++i) {
        texts.push(jvm.CallStaticStringMethod(hook, "elementText", "(Ljava/lang/Object;I)Ljava/lang/String;",
                                              argumentArray(points, i)));
    }
    jvm.DeleteJavaObject(points);
    jvm.DeleteJavaObject(stream);
    return texts.length + " [" + texts.join(" ") + "]";
});

attempt("handles deleted", function () {
    var handles = [csv, hook, thread, builder, list, text, types];
    for (var i = 0; i < handles.length; ++i) jvm.DeleteJavaObject(handles[i]);
    return handles.length;
});
