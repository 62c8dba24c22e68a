// A script client of the main object that a Java process published, found through the finder and
// called by name across the process boundary; then it fetches the observer that another client
// attached, pings it and, unless told to keep it, returns it.
//   cscript //nologo cross_process.js <pid> [keep]
// Prints one line per step: "<label> ok <value>" or "<label> error 0x<code>".
function attempt(label, step) {
    try { WScript.Echo(label + " ok " + step()); } catch (e) { WScript.Echo(label + " error 0x" + (e.number >>> 0).toString(16).toUpperCase()); }
}
var args = WScript.Arguments, jvm = null, fields = 0, text = 0, observer = null;
attempt("GetJvmFromProcess", function () {
    jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(parseInt(args.Item(0), 10));
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
attempt("GetObserverObject", function () { observer = jvm.GetObserverObject(); return typeof observer; });
attempt("Ping", function () { return observer.Ping(); });
if (args.Count() < 2)
    attempt("ReturnObserverObject", function () { observer = null; CollectGarbage(); jvm.ReturnObserverObject(); return "done"; });
attempt("IsDisconnectObserverComplete", function () { return jvm.IsDisconnectObserverComplete(); });
