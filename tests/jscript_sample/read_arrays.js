// Reads a Java Object[] and int[] element by element from a script, which cannot read the
// bridge's typed arrays (JScript's VBArray takes only arrays of VARIANTs):
//   cscript //nologo read_arrays.js PID TEXT
// TEXT.split(",") gives the Object[], TEXT.codePoints().toArray() the int[]. Each array is read
// through an ArrayReader of the hook library (its "array" field set to the array's handle);
// every handle got is deleted. Prints "split: N [e0|e1|...]" and "code points: N [c0 c1 ...]";
// exit code 0, or 1 with a line "read_arrays.js: <why>".

function argumentArray() {
    var items = new ActiveXObject("Scripting.Dictionary");
    for (var i = 0; i < arguments.length; ++i) items.Add(i, arguments[i]);
    return items.Items();
}

function withHandle(jvm, handle, use) {
    try {
        return use(handle);
    } finally {
        if (handle) jvm.DeleteJavaObject(handle);
    }
}

// The elements of the array `array` as texts; objects through their own handles when `asObjects`.
function elements(jvm, hook, array, asObjects) {
    return withHandle(jvm, jvm.CallStaticObjectMethod(hook, "arrayReader", "()Lcom/morvane/ArrayReader;", undefined),
                      function (reader) {
        jvm.SetObjectField(reader, "array", "Ljava/lang/Object;", array);
        var texts = [], count = jvm.CallIntMethod(reader, "length", "()I", undefined);
        for (var i = 0; i < count; ++i) {
            texts.push(asObjects
                ? withHandle(jvm, jvm.CallObjectMethod(reader, "elementAt", "(I)Ljava/lang/Object;", argumentArray(i)),
                             function (element) { return jvm.GetJavaString(element); })
                : jvm.CallStringMethod(reader, "elementText", "(I)Ljava/lang/String;", argumentArray(i)));
        }
        return texts;
    });
}

function main() {
    var args = WScript.Arguments;
    if (args.length !== 2) throw new Error("usage: cscript //nologo read_arrays.js PID TEXT");
    var jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(parseInt(args.Item(0), 10));
    if (!jvm) throw new Error("no JVM published by process " + args.Item(0));
    withHandle(jvm, jvm.GetMorvaneAWTHook(), function (hook) {
        withHandle(jvm, jvm.NewJavaString(args.Item(1)), function (text) {
            var split = withHandle(jvm, jvm.CallObjectMethod(text, "split", "(Ljava/lang/String;)[Ljava/lang/String;",
                                                             argumentArray(",")),
                                   function (array) { return elements(jvm, hook, array, true); });
            WScript.Echo("split: " + split.length + " [" + split.join("|") + "]");
            var points = withHandle(jvm, jvm.CallObjectMethod(text, "codePoints", "()Ljava/util/stream/IntStream;", undefined),
                                    function (stream) {
                return withHandle(jvm, jvm.CallObjectMethod(stream, "toArray", "()[I", undefined),
                                  function (array) { return elements(jvm, hook, array, false); });
            });
            WScript.Echo("code points: " + points.length + " [" + points.join(" ") + "]");
        });
    });
    return 0;
}

try {
    WScript.Quit(main());
} catch (e) {
    WScript.Echo("read_arrays.js: " + (e.number ? "0x" + (e.number >>> 0).toString(16).toUpperCase() + " " : "") +
                 (e.message || e.description));
    WScript.Quit(1);
}
