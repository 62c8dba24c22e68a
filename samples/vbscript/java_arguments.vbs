' Passes each kind of Java argument from VBScript, as the guide's script page shows it:
'   cscript //nologo java_arguments.vbs PID
' PID is the id of a process whose JVM the module published, with the sample classes
' (mv-samples.jar) on its class path. One line per call: "<what> ok <answer>" or
' "<what> error 0x<code>". Every handle got is deleted before the end.
'
' VBScript's Array() makes the argument array: small whole numbers are VT_I2, larger ones VT_I4,
' others VT_R8, and handles stay VT_UI8; the module converts each to the parameter's Java type when
' the value survives exactly. An array held in a variable is passed in parentheses, by value: a
' variable alone goes by reference, which the module refuses. A char result (VT_UI2) and a handle
' (VT_UI8) take no arithmetic or comparison in VBScript: CLng the char, and ask IsSameJavaObject
' whether two handles name one object.
Option Explicit
On Error Resume Next  ' each call's error is reported (and cleared) by Report

Dim jvm, types, text, list, builder, thread, element, answer, args, hook, csv, parts, stream, points, i

' One line per call: its answer, or the error it raised.
Sub Report(label, value)
    If Err.Number <> 0 Then
        WScript.Echo label & " error 0x" & Hex(Err.Number)
        Err.Clear
    ElseIf VarType(value) = vbBoolean Then
        WScript.Echo label & " ok " & LCase(CStr(value))
    Else
        WScript.Echo label & " ok " & value
    End If
End Sub

Set jvm = CreateObject("MvJavaJniComRot.JvmFinder").GetJvmFromProcess(CLng(WScript.Arguments(0)))
types = jvm.NewDefJavaObject("samples.ArgumentTypes")
text = jvm.NewJavaString("first")

' One parameter of each Java type (samples.ArgumentTypes.show says what arrived).
Function Show(sig, value)
    Show = jvm.CallStaticStringMethod(types, "show", "(" & sig & ")Ljava/lang/String;", Array(value))
End Function
answer = Show("Z", True) : Report "boolean", answer
answer = Show("B", 200) : Report "byte", answer
answer = Show("C", Asc("h")) : Report "char", answer
answer = Show("S", -2) : Report "short", answer
answer = Show("I", 100000) : Report "int", answer
answer = Show("J", 1234567890123) : Report "long", answer
answer = Show("F", 0.1) : Report "float", answer
answer = Show("D", 0.1) : Report "double", answer
answer = Show("Ljava/lang/Object;", text) : Report "Object", answer
answer = Show("Ljava/lang/Object;", Null) : Report "Object null", answer
answer = Show("Ljava/lang/String;", "text") : Report "String", answer
answer = Show("I", 2147483648) : Report "int 2^31", answer
answer = Show("I", 1.5) : Report "int 1.5", answer

' A list filled with a handle, a text and null, and read back.
list = jvm.NewDefJavaObject("java.util.ArrayList")
answer = jvm.CallBooleanMethod(list, "add", "(Ljava/lang/Object;)Z", Array(text))
Report "ArrayList.add(Object)", answer
answer = jvm.CallBooleanMethod(list, "add", "(Ljava/lang/Object;)Z", Array(Null))
Report "ArrayList.add(null)", answer
answer = jvm.CallStringMethod(list, "toString", "()Ljava/lang/String;", Empty)
Report "list", answer
element = jvm.CallObjectMethod(list, "get", "(I)Ljava/lang/Object;", Array(0))
answer = jvm.IsSameJavaObject(element, text)
Report "list.get(0) is the handle added", answer
answer = (element = text)
Report "handle = handle", answer
jvm.DeleteJavaObject element

builder = jvm.NewDefJavaObject("java.lang.StringBuilder")
answer = jvm.CallBooleanMethod(builder, "equals", "(Ljava/lang/Object;)Z", Array(builder))
Report "StringBuilder.equals(Object)", answer
jvm.DeleteJavaObject jvm.CallObjectMethod(builder, "append", _
    "(Ljava/lang/CharSequence;)Ljava/lang/StringBuilder;", Array(text))
answer = jvm.CallStringMethod(builder, "toString", "()Ljava/lang/String;", Empty)
Report "StringBuilder.append(CharSequence)", answer

' Static methods of the JDK through an object of their class.
answer = jvm.CallStaticStringMethod(text, "valueOf", "(J)Ljava/lang/String;", Array(1234567890123))
Report "String.valueOf(long)", answer
answer = jvm.CallStaticStringMethod(text, "valueOf", "(C)Ljava/lang/String;", Array(104))
Report "String.valueOf(char)", answer
answer = jvm.CallStaticStringMethod(text, "valueOf", "(F)Ljava/lang/String;", Array(0.1))
Report "String.valueOf(float)", answer
thread = jvm.NewDefJavaObject("java.lang.Thread")
jvm.CallStaticVoidMethod thread, "sleep", "(J)V", Array(1)
answer = "slept" : Report "Thread.sleep(long)", answer
answer = CLng(jvm.CallCharMethod(text, "charAt", "(I)C", Array(1)))
Report "charAt(int)", answer
args = Array(1)
answer = CLng(jvm.CallCharMethod(text, "charAt", "(I)C", (args)))
Report "charAt(int), array variable in parentheses", answer
answer = CLng(jvm.CallCharMethod(text, "charAt", "(I)C", args))
Report "charAt(int), array variable", answer

' Java arrays, which a script cannot read from the module's typed arrays, element by element
' through the hook library's static helpers: the hook must be installed in the application. An
' Object[] element comes as a handle to delete, any element as text.
hook = jvm.GetMorvaneAWTHook()
csv = jvm.NewJavaString("ab,c,,d")
parts = jvm.CallObjectMethod(csv, "split", "(Ljava/lang/String;)[Ljava/lang/String;", Array(","))
answer = jvm.CallStaticIntMethod(hook, "arrayLength", "(Ljava/lang/Object;)I", Array(parts)) & " ["
For i = 0 To jvm.CallStaticIntMethod(hook, "arrayLength", "(Ljava/lang/Object;)I", Array(parts)) - 1
    element = jvm.CallStaticObjectMethod(hook, "elementAt", "(Ljava/lang/Object;I)Ljava/lang/Object;", Array(parts, i))
    If i > 0 Then answer = answer & "|"
    answer = answer & jvm.GetJavaString(element)
    jvm.DeleteJavaObject element
Next
Report "split", answer & "]"
jvm.DeleteJavaObject parts
stream = jvm.CallObjectMethod(csv, "codePoints", "()Ljava/util/stream/IntStream;", Empty)
points = jvm.CallObjectMethod(stream, "toArray", "()[I", Empty)
answer = jvm.CallStaticIntMethod(hook, "arrayLength", "(Ljava/lang/Object;)I", Array(points)) & " ["
For i = 0 To jvm.CallStaticIntMethod(hook, "arrayLength", "(Ljava/lang/Object;)I", Array(points)) - 1
    If i > 0 Then answer = answer & " "
    answer = answer & jvm.CallStaticStringMethod(hook, "elementText", "(Ljava/lang/Object;I)Ljava/lang/String;", _
        Array(points, i))
Next
Report "code points", answer & "]"
jvm.DeleteJavaObject points
jvm.DeleteJavaObject stream

jvm.DeleteJavaObject csv
jvm.DeleteJavaObject hook
jvm.DeleteJavaObject thread
jvm.DeleteJavaObject builder
jvm.DeleteJavaObject list
jvm.DeleteJavaObject text
jvm.DeleteJavaObject types
answer = 7 : Report "handles deleted", answer
