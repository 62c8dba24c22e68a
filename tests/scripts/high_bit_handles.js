// What a JScript client holds of a handle that a 32-bit JVM's reference with the high bit set gives
// (0xFFFFFFFF8xxxxxxx, sign-extended): a JavaScript number, which is exact only below 2^53.
//   cscript //nologo high_bit_handles.js <pid>
// Prints "<label> ok <value>" lines. The string it makes stays in the Java process: its handle is lost.
var jvm = new ActiveXObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(parseInt(WScript.Arguments.Item(0), 10));
var handle = jvm.NewJavaString("four");
WScript.Echo("typeof ok " + typeof handle);
WScript.Echo("value ok " + handle);
WScript.Echo("exact ok " + (handle + 1 !== handle));
