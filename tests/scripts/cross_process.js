// A script client of a running Java process's JVM: the finder gives its main object, whose
// members are called by name across the process boundary.
//   cscript //nologo cross_process.js <id of a process that published its JVM>
// Prints one line per step: "<label> ok <value>" or "<label> error 0x<code>".
function attempt(label, step) {
    try { WScript.Echo(label + " ok " + step()); } catch (e) { WScript.Echo(label + " error 0x" + (e.number >>> 0).toString(16).toUpperCase()); }
}
var pid = parseInt(WScript.Arguments.Item(0), 10), jvm = null, fields = 0, text = 0;
attempt("GetJvmFromProcess", function () {
    jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(pid);
    return jvm === null ? "null" : typeof jvm;
});
attempt("GetJVMVersion", function () { return jvm.GetJVMVersion() > 0; });
attempt("NewDefJavaObject", function () { fields = jvm.NewDefJavaObject("fixtures.Fields"); return fields !== 0; });
attempt("GetStaticIntField", function () { return jvm.GetStaticIntField(fields, "staticInt"); });
attempt("GetStringField", function () { return jvm.GetStringField(fields, "stringField"); });
attempt("NewJavaString", function () { text = jvm.NewJavaString("script text"); return text !== 0; });
// No arguments: an omitted VARIANT reaches the member as VT_EMPTY.
attempt("CallIntMethod", function () { return jvm.CallIntMethod(text, "length", "()I", undefined); });
attempt("CallStringMethod", function () { return jvm.CallStringMethod(text, "toUpperCase", "()Ljava/lang/String;", undefined); });
attempt("DeleteJavaObject", function () { jvm.DeleteJavaObject(text); jvm.DeleteJavaObject(fields); return "done"; });
