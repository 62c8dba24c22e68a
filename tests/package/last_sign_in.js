// What the sample login application received, read from outside the JScript sample:
//   cscript //nologo last_sign_in.js <pid of the process running samples.LoginApp>
// Prints "signInCount=<n>" and "lastSignIn=<user|password>" (empty before the first sign-in);
// exits 2 when the process has no published JVM, 3 when a call fails.
try {
    var jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(parseInt(WScript.Arguments.Item(0), 10));
    if (jvm === null) WScript.Quit(2);
    var app = jvm.NewDefJavaObject("samples.LoginApp");  // static members are reached through an instance
    var count = jvm.CallStaticIntMethod(app, "signInCount", "()I", undefined);
    // Before the first sign-in lastSignIn() is null, which a String call answers with E_FAIL.
    var last = count > 0 ? jvm.CallStaticStringMethod(app, "lastSignIn", "()Ljava/lang/String;", undefined) : "";
    jvm.DeleteJavaObject(app);
    WScript.Echo("signInCount=" + count + "\nlastSignIn=" + last);
} catch (e) {
    WScript.Echo("call failed: 0x" + (e.number >>> 0).toString(16).toUpperCase());
    WScript.Quit(3);
}
