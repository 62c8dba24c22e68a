' A VBScript client keeps a handle as the VT_UI8 it received and passes it back unchanged, so a
' 32-bit JVM's reference with the high bit set (0xFFFFFFFF8xxxxxxx) stays usable.
'   cscript //nologo high_bit_handles.vbs <pid>
' Prints one line per step: "<label> ok <value>" or "<label> error 0x<code>".
Sub Report(label, value)
    If Err.Number <> 0 Then
        WScript.Echo label & " error 0x" & Hex(Err.Number)
        Err.Clear
    Else
        WScript.Echo label & " ok " & value
    End If
End Sub

On Error Resume Next
Set jvm = CreateObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(CLng(WScript.Arguments.Item(0)))
Report "GetJvmFromProcess", TypeName(jvm)
handle = jvm.NewJavaString("four")
Report "NewJavaString", "made"
kind = VarType(handle)
Report "VarType", kind
length = jvm.CallIntMethod(handle, "length", "()I", Empty)
Report "CallIntMethod", length
jvm.DeleteJavaObject handle
Report "DeleteJavaObject", "done"
