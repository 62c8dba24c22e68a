// What samples.LoginApp in process <pid> received: prints "signInCount=<n>" and "lastSignIn=<user|password>";
// exits 2 when the process published no JVM, 3 when a call fails.   cscript //nologo last_sign_in.js <pid>
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
