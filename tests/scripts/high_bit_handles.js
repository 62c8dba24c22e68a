// What a JScript client holds of a handle near 2^64 (a 32-bit JVM's reference with the high bit set,
// sign-extended). The string it makes stays in the Java process: its handle is lost.
//   cscript //nologo high_bit_handles.js <pid>       Prints "<label> ok <value>".
var jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(parseInt(WScript.Arguments.Item(0), 10));
var handle = jvm.NewJavaString("four");
WScript.Echo("typeof ok " + typeof handle + "\nvalue ok " + handle + "\nexact ok " + (handle + 1 !== handle));
