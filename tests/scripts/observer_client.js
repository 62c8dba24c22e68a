// Another client of a published main object: fetches the observer that a first client attached,
// calls it, and (unless told to keep it) reports it returned.
//   cscript //nologo observer_client.js <pid> [keep]
// Prints one line per step: "<label> ok <value>" or "<label> error 0x<code>".
function attempt(label, step) {
    try { WScript.Echo(label + " ok " + step()); } catch (e) { WScript.Echo(label + " error 0x" + (e.number >>> 0).toString(16).toUpperCase()); }
}
var pid = parseInt(WScript.Arguments.Item(0), 10), jvm = null, observer = null;
attempt("GetJvmFromProcess", function () { jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(pid); return typeof jvm; });
attempt("GetObserverObject", function () { observer = jvm.GetObserverObject(); return typeof observer; });
attempt("Ping", function () { return observer.Ping(); });
if (WScript.Arguments.Count() < 2)
    attempt("ReturnObserverObject", function () { observer = null; CollectGarbage(); jvm.ReturnObserverObject(); return "done"; });
attempt("IsDisconnectObserverComplete", function () { return jvm.IsDisconnectObserverComplete(); });
