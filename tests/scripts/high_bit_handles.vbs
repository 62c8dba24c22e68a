' A VBScript client keeps a handle as the VT_UI8 it received and passes it back unchanged.
'   cscript //nologo high_bit_handles.vbs <pid>       Prints "<label> ok <value>" or "<label> error 0x<code>".
Sub Report(label, value)
    If Err.Number <> 0 Then WScript.Echo label & " error 0x" & Hex(Err.Number) Else WScript.Echo label & " ok " & value
    Err.Clear
End Sub
On Error Resume Next
Set jvm = CreateObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(CLng(WScript.Arguments.Item(0)))
handle = jvm.NewJavaString("four")
kind = VarType(handle) : Report "VarType", kind
length = jvm.CallIntMethod(handle, "length", "()I", Empty) : Report "CallIntMethod", length
jvm.DeleteJavaObject handle : Report "DeleteJavaObject", "done"
