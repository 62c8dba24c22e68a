// A client that makes handles and ends without deleting them.
//   cscript //nologo abandoned_handles.js <pid> <count>       Prints "handle<i> ok <value>".
var jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(parseInt(WScript.Arguments.Item(0), 10));
for (var i = 0, n = parseInt(WScript.Arguments.Item(1), 10); i < n; ++i)
    WScript.Echo("handle" + i + " ok " + jvm.NewJavaString("abandoned " + i));
