// What the sample login application received, read from outside the JScript sample so that the
// package test does not take the sample's word for it.
//   cscript //nologo last_sign_in.js <pid of the process running samples.LoginApp>
// Prints "signInCount=<n>" and "lastSignIn=<user|password>" (empty before the first sign-in);
// exits 2 when the process has no published JVM, 3 when a call fails.
var pid = parseInt(WScript.Arguments.Item(0), 10), jvm = null;
try {
    jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(pid);
    if (jvm === null) {
        WScript.Echo("no JVM published by process " + pid);
        WScript.Quit(2);
    }
    // Static members are reached through an instance of the class.
    var app = jvm.NewDefJavaObject("samples.LoginApp");
    var count = jvm.CallStaticIntMethod(app, "signInCount", "()I", undefined);
    // Before the first sign-in lastSignIn() is null, which a String call answers with E_FAIL.
    var last = count > 0 ? jvm.CallStaticStringMethod(app, "lastSignIn", "()Ljava/lang/String;", undefined) : "";
    jvm.DeleteJavaObject(app);
    WScript.Echo("signInCount=" + count + "\nlastSignIn=" + last);
} catch (e) {
    WScript.Echo("call failed: 0x" + (e.number >>> 0).toString(16).toUpperCase());
    WScript.Quit(3);
}
