// Another client of a published main object: fetches the observer that a first client
// attached, calls it, and (unless told to keep it) reports it returned.
//   cscript //nologo observer_client.js <pid> [keep]
// Prints one line per step: "<label> ok <value>" or "<label> error 0x<code>".

function hex(number) {
    return "0x" + (number >>> 0).toString(16).toUpperCase();
}

function attempt(label, step) {
    try {
        WScript.Echo(label + " ok " + step());
    } catch (e) {
        WScript.Echo(label + " error " + hex(e.number));
    }
}

var pid = parseInt(WScript.Arguments.Item(0), 10);
var keep = WScript.Arguments.Count() > 1;
var jvm = null, observer = null;

attempt("GetJvmFromProcess", function () {
    jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(pid);
    return typeof jvm;
});
attempt("GetObserverObject", function () { observer = jvm.GetObserverObject(); return typeof observer; });
attempt("Ping", function () { return observer.Ping(); });
if (!keep) {
    attempt("ReturnObserverObject", function () { observer = null; CollectGarbage(); jvm.ReturnObserverObject(); return "done"; });
}
attempt("IsDisconnectObserverComplete", function () { return jvm.IsDisconnectObserverComplete(); });
