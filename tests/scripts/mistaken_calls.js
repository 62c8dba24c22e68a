// Mistakes a script makes, each once, against a Java process; then the process still answers.
//   cscript //nologo mistaken_calls.js <pid>      Prints "<label> ok <value>" or "<label> error 0x<code>".
function attempt(label, step) {
    try { WScript.Echo(label + " ok " + step()); } catch (e) { WScript.Echo(label + " error 0x" + (e.number >>> 0).toString(16).toUpperCase()); }
}
function argumentArray() {
    var items = new ActiveXObject("Scripting.Dictionary");
    for (var i = 0; i < arguments.length; ++i) items.Add(i, arguments[i]);
    return items.Items();
}
var jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(parseInt(WScript.Arguments.Item(0), 10));
var list = jvm.NewDefJavaObject("java.util.ArrayList"), digits = jvm.NewJavaString("123");
attempt("a number for an object", function () { return jvm.CallBooleanMethod(list, "add", "(Ljava/lang/Object;)Z", argumentArray(5)); });
attempt("a number as the target", function () { return jvm.CallIntMethod(4096, "size", "()I", undefined); });
var text = jvm.NewJavaString("deleted");
jvm.DeleteJavaObject(text);
attempt("a deleted handle", function () { return jvm.GetJavaString(text); });
attempt("a handle deleted twice", function () { jvm.DeleteJavaObject(text); return "done"; });
attempt("a made-up handle", function () { return jvm.GetJavaString(123456789); });
attempt("a string for a char[]", function () { return jvm.CallStaticStringMethod(digits, "valueOf", "([C)Ljava/lang/String;", argumentArray("abc")); });
attempt("a string for an Object", function () { return jvm.CallStaticStringMethod(digits, "valueOf", "(Ljava/lang/Object;)Ljava/lang/String;", argumentArray("abc")); });
attempt("a JVM from another process", function () { return jvm.JavaSaveRunningJVM(parseInt(WScript.Arguments.Item(0), 10), 4096); });
attempt("the list answers", function () { return jvm.CallIntMethod(list, "size", "()I", undefined); });
jvm.DeleteJavaObject(list);
jvm.DeleteJavaObject(digits);
