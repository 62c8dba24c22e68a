' Signs in to the sample Swing login window (samples.LoginApp) of a running Java application,
' through late binding only, as any script client can:
'   cscript //nologo sign_in.vbs PID USER PASSWORD
' PID is the id (decimal or 0x-hex) of the process whose JVM the module published.
'
' The same steps as sign_in.js, in VBScript: the JVM from JvmFinder; the hook object of the hook
' library installed in the application; the window tree as JSON from snapshotWindows, in which
' regular expressions find the login window and its fields by name (each node starts with its
' "path", "class" and "name"); each field by its path (componentAt), filled with setText on its
' own handle; the button's handle passed to clickComponent(Object); the application's answer from
' LoginApp.lastSignIn(). Argument arrays come from Array(...), written in the call itself: an
' array held in a variable would go by reference, which the module refuses.
'
' Exit codes: 0 signed in; 1 usage; 2 no JVM published by that process; 3 window or component
' not found; 4 the click was refused; 5 a call failed or the application answered otherwise.
' Each step prints one line "<step>: <value>"; an error prints one line "sign_in.vbs: <why>".
Option Explicit
On Error Resume Next  ' every call is checked right after it (Check)

Const EXIT_USAGE = 1, EXIT_NO_JVM = 2, EXIT_NOT_FOUND = 3, EXIT_REFUSED = 4, EXIT_FAILED = 5
Dim jvm, held  ' the handles to delete however the script ends
Set held = CreateObject("Scripting.Dictionary")

Sub Say(stepName, value)
    WScript.Echo stepName & ": " & value
End Sub

Sub Fail(code, message)
    Dim handle
    WScript.Echo "sign_in.vbs: " & message
    For Each handle In held.Items
        jvm.DeleteJavaObject handle
    Next
    WScript.Quit code
End Sub

' Ends the script when the call just made failed.
Sub Check(stepName)
    If Err.Number <> 0 Then Fail EXIT_FAILED, stepName & " failed (0x" & Hex(Err.Number) & ")"
End Sub

' A handle (VT_UI8, which takes no comparison in VBScript) kept by its text until released.
Sub Hold(handle)
    held(CStr(handle)) = handle
End Sub

Sub Release(handle)
    held.Remove CStr(handle)
    jvm.DeleteJavaObject handle
End Sub

' The first match of `pattern` in `text`, or Nothing.
Function FirstMatch(text, pattern)
    Dim expression, matches
    Set expression = New RegExp
    expression.Pattern = pattern
    expression.Global = True
    Set matches = expression.Execute(text)
    If matches.Count = 0 Then Set FirstMatch = Nothing Else Set FirstMatch = matches(0)
End Function

' The path of the component named `name` under the window at `windowPath`; prints the step.
Function Required(tree, windowPath, name, what)
    Dim found
    Set found = FirstMatch(tree, "\{""path"":""(" & windowPath & "/[/0-9]*)"",""class"":""([^""]*)"",""name"":""" & _
                                 name & """")
    If found Is Nothing Then Fail EXIT_NOT_FOUND, "no " & what & " (a component named """ & name & _
                                                  """) in the login window"
    Say what, found.SubMatches(0) & " " & found.SubMatches(1)
    Required = found.SubMatches(0)
End Function

Function ComponentAt(hook, path)
    On Error Resume Next  ' a called routine starts without it
    ComponentAt = jvm.CallStaticObjectMethod(hook, "componentAt", "(Ljava/lang/String;)Ljava/awt/Component;", _
                                             Array(path))
    Check "componentAt " & path
    Hold ComponentAt
End Function

Sub Fill(hook, path, name, text)
    On Error Resume Next
    Dim field
    field = ComponentAt(hook, path)
    jvm.CallVoidMethod field, "setText", "(Ljava/lang/String;)V", Array(text)
    Check "setText on " & name
    Release field
End Sub

Function SignIn(pidText, user, password)
    On Error Resume Next
    Dim pid, finder, version, hook, tree, login, userPath, passwordPath, buttonPath, button, clicked, app, answer
    If FirstMatch(pidText, "^(0[xX][0-9a-fA-F]+|[0-9]+)$") Is Nothing Then
        Fail EXIT_USAGE, "not a process id: " & pidText
    End If
    If LCase(Left(pidText, 2)) = "0x" Then pid = CLng("&H" & Mid(pidText, 3)) Else pid = CLng(pidText)

    Set finder = CreateObject("MvJavaJniComRot.JvmFinder")
    Check "creating MvJavaJniComRot.JvmFinder"
    Set jvm = finder.GetJvmFromProcess(pid)
    Check "GetJvmFromProcess"
    If jvm Is Nothing Then Fail EXIT_NO_JVM, "no JVM published by process " & pidText
    version = jvm.GetJVMVersion()
    Check "GetJVMVersion"
    Say "JVM of process " & pidText, "version 0x" & Hex(version)

    hook = jvm.GetMorvaneAWTHook()
    Check "GetMorvaneAWTHook (is the hook library installed in the application?)"
    Hold hook
    tree = jvm.CallStaticStringMethod(hook, "snapshotWindows", "(I)Ljava/lang/String;", Array(-1))
    Check "snapshotWindows"
    Say "top-level windows", CountOf(tree, """path"":""/[0-9]+""")
    Set login = FirstMatch(tree, "\{""path"":""(/[0-9]+)"",""class"":""[^""]*"",""name"":""loginFrame"",""title"":" & _
                                 "(""[^""]*""|null)")
    If login Is Nothing Then Fail EXIT_NOT_FOUND, "no login window (a window named ""loginFrame"")"
    Say "login window", login.SubMatches(0) & " " & login.SubMatches(1)

    userPath = Required(tree, login.SubMatches(0), "user", "user name field")
    passwordPath = Required(tree, login.SubMatches(0), "password", "password field")
    buttonPath = Required(tree, login.SubMatches(0), "signIn", "sign-in button")

    Fill hook, userPath, "user", user
    Say "user name", "set to """ & user & """"
    Fill hook, passwordPath, "password", password
    Say "password", "set (" & Len(password) & " characters)"

    button = ComponentAt(hook, buttonPath)
    clicked = jvm.CallStaticIntMethod(hook, "clickComponent", "(Ljava/lang/Object;)I", Array(button))
    Check "clickComponent"
    Release button
    If clicked = 0 Then Fail EXIT_REFUSED, "the sign-in button cannot be clicked (hidden or disabled)"
    If clicked <> 1 Then Fail EXIT_FAILED, "clicking the sign-in button failed (" & clicked & ")"
    Say "sign-in button", "clicked"

    app = jvm.NewDefJavaObject("samples.LoginApp")
    Check "NewDefJavaObject samples.LoginApp"
    Hold app
    answer = jvm.CallStaticStringMethod(app, "lastSignIn", "()Ljava/lang/String;", Empty)
    Check "LoginApp.lastSignIn"
    Release app
    Release hook
    Say "application answer", answer
    If answer <> user & "|" & password Then Fail EXIT_FAILED, "the application did not receive the sign-in"
    SignIn = 0
End Function

Function CountOf(text, pattern)
    Dim expression
    Set expression = New RegExp
    expression.Pattern = pattern
    expression.Global = True
    CountOf = expression.Execute(text).Count
End Function

If WScript.Arguments.Count <> 3 Then Fail EXIT_USAGE, "usage: cscript //nologo sign_in.vbs PID USER PASSWORD"
WScript.Quit SignIn(WScript.Arguments(0), WScript.Arguments(1), WScript.Arguments(2))
