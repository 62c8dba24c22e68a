// Signs in to the sample Swing login window (samples.LoginApp) of a running Java application,
// through late binding only, as any script client can:
//   cscript //nologo sign_in.js PID USER PASSWORD
// PID is the id (decimal or 0x-hex) of the process whose JVM the module published.
//
// Scripts cannot query component objects for their interfaces, so everything goes through the
// main object's generic members and the static helpers of the hook library installed in the
// application:
//   1. the JVM from JvmFinder (ProgID "MvJavaJniComRot.JvmFinder");
//   2. the hook object (GetMorvaneAWTHook), whose class's static members are called through it;
//   3. one call for the whole window tree as JSON (snapshotWindows), where the fields are found
//      by name, each with its path;
//   4. each field by its path (componentAt), filled with setText on the field's own handle;
//   5. the button clicked by its path (clickComponentAt, on the event dispatch thread);
//   6. the application's answer: LoginApp.lastSignIn(), a static method called through an
//      instance of the class.
// Argument arrays for the calls are VARIANT arrays made by Scripting.Dictionary's Items(); what
// each JScript value can be passed as: java_arguments.js. samples/vbscript/sign_in.vbs does the
// same in VBScript.
//
// Exit codes: 0 signed in; 1 usage; 2 no JVM published by that process; 3 window or component
// not found; 4 the click was refused; 5 a call failed or the application answered otherwise.
// Each step prints one line "<step>: <value>"; an error prints one line "sign_in.js: <why>".

var EXIT_USAGE = 1, EXIT_NO_JVM = 2, EXIT_NOT_FOUND = 3, EXIT_REFUSED = 4, EXIT_FAILED = 5;

function ScriptError(code, message) {
    this.code = code;
    this.message = message;
}

function fail(code, message) {
    throw new ScriptError(code, message);
}

function hex(number) {
    return "0x" + (number >>> 0).toString(16).toUpperCase();
}

// Wine's script host offers no WScript.StdOut or StdErr: every line, errors included, is echoed.
function say(step, value) {
    WScript.Echo(step + ": " + value);
}

// Runs one bridge call; a COM failure becomes a ScriptError naming the step.
function call(step, action) {
    try {
        return action();
    } catch (e) {
        if (e instanceof ScriptError) throw e;
        fail(EXIT_FAILED, step + " failed (" + hex(e.number) + ")");
    }
}

// A VARIANT array (VT_ARRAY | VT_VARIANT) of the given strings and integers, for the paramArray
// argument of the bridge's method calls.
function argumentArray() {
    var items = new ActiveXObject("Scripting.Dictionary");
    for (var i = 0; i < arguments.length; ++i) items.Add(i, arguments[i]);
    return items.Items();
}

// The snapshot is JSON made by the hook; it is checked to be nothing but JSON before it is
// evaluated (this JScript has no JSON object).
function parseJson(text) {
    var tokens = text.replace(/\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4})/g, "@")
                     .replace(/"[^"\\\n\r\u2028\u2029]*"|true|false|null|-?\d+(?:\.\d*)?(?:[eE][+\-]?\d+)?/g, "]")
                     .replace(/(?:^|:|,)(?:\s*\[)+/g, "");
    if (!/^[\],:{}\s]*$/.test(tokens)) fail(EXIT_FAILED, "the window tree is not JSON");
    return eval("(" + text.replace(/\u2028/g, "\\u2028").replace(/\u2029/g, "\\u2029") + ")");
}

// Depth-first search of a node and its children for the component named `name`.
function findByName(node, name) {
    if (node.name === name) return node;
    if (!node.children) return null;
    for (var i = 0; i < node.children.length; ++i) {
        var found = findByName(node.children[i], name);
        if (found) return found;
    }
    return null;
}

function required(root, name, what) {
    var node = findByName(root, name);
    if (!node) fail(EXIT_NOT_FOUND, "no " + what + " (a component named \"" + name + "\") in the login window");
    say(what, node.path + " " + node["class"]);
    return node;
}

// A Java object handle deleted when `use` is done with it.
function withHandle(jvm, handle, use) {
    try {
        return use(handle);
    } finally {
        if (handle) jvm.DeleteJavaObject(handle);
    }
}

// A null answer (the component has gone) fails the call.
function fill(jvm, hook, node, text) {
    withHandle(jvm, call("componentAt " + node.path, function () {
        return jvm.CallStaticObjectMethod(hook, "componentAt", "(Ljava/lang/String;)Ljava/awt/Component;",
                                          argumentArray(node.path));
    }), function (field) {
        call("setText on " + node.name, function () {
            jvm.CallVoidMethod(field, "setText", "(Ljava/lang/String;)V", argumentArray(text));
        });
    });
}

function signIn(pidText, user, password) {
    if (!/^(0x[0-9a-f]+|[0-9]+)$/i.test(pidText)) fail(EXIT_USAGE, "not a process id: " + pidText);
    var pid = /^0x/i.test(pidText) ? parseInt(pidText.substr(2), 16) : parseInt(pidText, 10);

    var finder = call("creating MvJavaJniComRot.JvmFinder", function () {
        return new ActiveXObject("MvJavaJniComRot.JvmFinder");
    });
    var jvm = call("GetJvmFromProcess", function () { return finder.GetJvmFromProcess(pid); });
    if (!jvm) fail(EXIT_NO_JVM, "no JVM published by process " + pidText);
    say("JVM of process " + pidText, "version " + hex(call("GetJVMVersion", function () { return jvm.GetJVMVersion(); })));

    var hook = call("GetMorvaneAWTHook (is the hook library installed in the application?)", function () {
        return jvm.GetMorvaneAWTHook();
    });
    return withHandle(jvm, hook, function () {
        var tree = call("snapshotWindows", function () {
            return jvm.CallStaticStringMethod(hook, "snapshotWindows", "(I)Ljava/lang/String;", argumentArray(-1));
        });
        if (!tree) fail(EXIT_FAILED, "the hook gave no window tree");
        var windows = parseJson(tree);
        say("top-level windows", windows.length);
        var login = null;
        for (var i = 0; i < windows.length && !login; ++i) {
            if (windows[i].name === "loginFrame") login = windows[i];
        }
        if (!login) fail(EXIT_NOT_FOUND, "no login window (a window named \"loginFrame\")");
        say("login window", login.path + " \"" + login.title + "\"");

        var userField = required(login, "user", "user name field");
        var passwordField = required(login, "password", "password field");
        var button = required(login, "signIn", "sign-in button");

        fill(jvm, hook, userField, user);
        say("user name", "set to \"" + user + "\"");
        fill(jvm, hook, passwordField, password);
        say("password", "set (" + password.length + " characters)");

        var clicked = call("clickComponentAt", function () {
            return jvm.CallStaticIntMethod(hook, "clickComponentAt", "(Ljava/lang/String;)I", argumentArray(button.path));
        });
        if (clicked === 0) fail(EXIT_REFUSED, "the sign-in button cannot be clicked (hidden or disabled)");
        if (clicked !== 1) fail(EXIT_FAILED, "clicking the sign-in button failed (" + clicked + ")");
        say("sign-in button", "clicked");

        var answer = withHandle(jvm, call("NewDefJavaObject samples.LoginApp", function () {
            return jvm.NewDefJavaObject("samples.LoginApp");
        }), function (app) {
            return call("LoginApp.lastSignIn", function () {
                return jvm.CallStaticStringMethod(app, "lastSignIn", "()Ljava/lang/String;", undefined);
            });
        });
        say("application answer", answer);
        if (answer !== user + "|" + password) fail(EXIT_FAILED, "the application did not receive the sign-in");
        return 0;
    });
}

function main() {
    var args = WScript.Arguments;
    try {
        if (args.length !== 3) fail(EXIT_USAGE, "usage: cscript //nologo sign_in.js PID USER PASSWORD");
        return signIn(args.Item(0), args.Item(1), args.Item(2));
    } catch (e) {
        if (!(e instanceof ScriptError)) e = new ScriptError(EXIT_FAILED, "unexpected error " + hex(e.number) + " " + e.description);
        WScript.Echo("sign_in.js: " + e.message);
        return e.code;
    }
}

WScript.Quit(main());
