// The module's two classes created by ProgID and called by name through IDispatch; one line per
// step, "<label> ok <value>" or "<label> error 0x<code>".
//   cscript //nologo late_binding.js <id of a process that published no JVM>
function attempt(label, step) {
    try { WScript.Echo(label + " ok " + step()); } catch (e) { WScript.Echo(label + " error 0x" + (e.number >>> 0).toString(16).toUpperCase()); }
}
function describe(object) { return object === null ? "null" : typeof object; }
var unpublished = parseInt(WScript.Arguments.Item(0), 10), jvm = null, finder = null;
attempt("create MvJavaCpp", function () { jvm = new ActiveXObject("MvJavaJniComRot.MvJavaCpp"); return describe(jvm); });
attempt("create MvJavaCpp.1", function () { return describe(new ActiveXObject("MvJavaJniComRot.MvJavaCpp.1")); });
attempt("create JvmFinder", function () { finder = new ActiveXObject("MvJavaJniComRot.JvmFinder"); return describe(finder); });
attempt("create JvmFinder.1", function () { return describe(new ActiveXObject("MvJavaJniComRot.JvmFinder.1")); });
attempt("GetJVMVersion", function () { return jvm.GetJVMVersion(); });
attempt("getjvmversion", function () { return jvm.getjvmversion(); });
attempt("GetJVMVersio", function () { return jvm.GetJVMVersio(); });
// A JavaVM value for another process (a VT_UI8 above 2^32) is refused by the member itself.
attempt("JavaSaveRunningJVM", function () { return jvm.JavaSaveRunningJVM(unpublished, 3 * 4294967296 + 7); });
attempt("GetJvmFromProcess 0", function () { return finder.GetJvmFromProcess(0); });
attempt("GetJvmFromProcess", function () { return describe(finder.GetJvmFromProcess(unpublished)); });
attempt("GETJVMFROMPROCESS", function () { return describe(finder.GETJVMFROMPROCESS(unpublished)); });
attempt("GetJvmFromProces", function () { return finder.GetJvmFromProces(unpublished); });
