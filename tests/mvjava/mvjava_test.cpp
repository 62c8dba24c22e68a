// mvjava.exe run as a user runs it against the sample applications' host: each command's output
// against what the component interfaces and the applications give, mistakes from one table.

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <regex>

#include "awt_test.h"
#include "child_process.h"
#include "java_statics.h"
#include "component_walk.h"
#include "node_json.h"
#include "text_lines.h"
#include "text_printer.h"
#include "utf8.h"
#include "wine_path.h"

namespace mv::test {
namespace {

using mvjava::ComponentNode;
using mvjava::JsonValue;
using mvjava::ToUtf8;

struct Result { DWORD exit = 0; std::string out, err, command; };

// A component and, `depth` levels down (-1: all), its descendants, as the interfaces give them.
ComponentNode NodeOf(IJAwtComponent* component, const std::wstring& path, int depth) {
    ComponentNode n;
    n.path = path, n.className = ClassOf(component);
    n.name = AttributeOf(component, L"name"), n.title = AttributeOf(component, L"title");
    const Bounds b = BoundsOf(component).value_or(Bounds{});
    n.x = b.x, n.y = b.y, n.width = b.width, n.height = b.height;
    n.visible = AttributeOf(component, L"is_visible") == std::optional<std::wstring>(L"TRUE");
    if (!As<IJAwtContainer>(component)) return n;
    n.children = depth == 0 ? mvjava::Children::kNotListed : mvjava::Children::kListed;
    const std::vector<Component> children = depth == 0 ? std::vector<Component>{} : ChildrenOf(component);
    for (std::size_t i = 0; i < children.size(); ++i)
        n.childNodes.push_back(NodeOf(children[i].get(), mvjava::ChildPath(path, i), depth - 1));
    return n;
}

JsonValue Json(const std::string& text) {
    mvjava::JsonParseResult parsed = mvjava::ParseJson(text);
    EXPECT_TRUE(parsed.value) << parsed.error << "\n" << text;
    return parsed.value ? *parsed.value : JsonValue::MakeNull();
}

// mvjava with `args` writing to a console of this program (code page 437, as Windows starts many): what
// the console shows afterwards, its lines' trailing blanks cut. Bytes of UTF-8 would show garbled there.
std::wstring ConsoleShows(const std::vector<std::wstring>& args) {
    ::FreeConsole();
    if (!::AllocConsole()) return L"<no console: error " + std::to_wstring(::GetLastError()) + L">";
    ::SetConsoleOutputCP(437);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const unique_hfile screen(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             &inherited, OPEN_EXISTING, 0, nullptr));
    std::wstring line = L"\"" + WindowsPathOfUnixPath(MV_MVJAVA_PATH) + L"\"";
    for (const std::wstring& arg : args) line += L" \"" + arg + L"\"";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = screen.get();
    PROCESS_INFORMATION child{};
    std::wstring shown;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (screen &&
        ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child)) {
        const unique_handle process(child.hProcess), thread(child.hThread);
        ::WaitForSingleObject(process.get(), 180000);
        ::GetConsoleScreenBufferInfo(screen.get(), &info);
        std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
        for (SHORT y = 0; y < info.dwCursorPosition.Y + (info.dwCursorPosition.X ? 1 : 0); ++y) {
            DWORD read = 0;
            ::ReadConsoleOutputCharacterW(screen.get(), row.data(), static_cast<DWORD>(row.size()), COORD{0, y}, &read);
            const std::size_t end = row.find_last_not_of(L' ', read ? read - 1 : 0);
            shown += (end == std::wstring::npos ? L"" : row.substr(0, end + 1)) + L"\n";
        }
    }
    ::FreeConsole();
    return shown;
}

class Mvjava : public AwtTest {
protected:
    // mvjava with `args`, PID standing for the host's process id.
    Result Mv(std::vector<std::wstring> args) {
        std::wstring line = L"mvjava";
        for (std::wstring& arg : args) {
            if (arg == L"PID") arg = std::to_wstring(host().pid());
            line += L" " + arg;
        }
        const long long references = host().LiveReferences();
        ChildProcess mvjava(WindowsPathOfUnixPath(MV_MVJAVA_PATH), args);
        const Result result{mvjava.Finish(180000), mvjava.out(), mvjava.err(), ToUtf8(line)};
        EXPECT_EQ(host().LiveReferences(), references) << "a JNI global reference left in the host by " << result.command;
        return result;
    }
    std::vector<ComponentNode> Tree(int depth = -1) {
        std::vector<ComponentNode> roots;
        const std::vector<Component> windows = TopLevelWindows(jvm());
        for (std::size_t i = 0; i < windows.size(); ++i) roots.push_back(NodeOf(windows[i].get(), L"/" + std::to_wstring(i), depth));
        mvjava::HidePasswordTexts(roots);  // as mvjava shows them
        mvjava::ComponentWalker(jvm()).FillLocators(roots);
        for (const ComponentNode& root : roots)
            mvjava::VisitTree(root, [&](const ComponentNode& n, int) { ExpectLocatorNamesItsComponent(jvm(), n); });
        return roots;
    }
    // The hook finds the same object by the node's locator as by its path.
    static void ExpectLocatorNamesItsComponent(IMvJavaCpp* jvm, const ComponentNode& n) {
        UINT64 hook = 0;
        ASSERT_EQ(jvm->GetMorvaneAWTHook(&hook), S_OK);
        const JavaHandle owned(jvm, hook);
        ASSERT_TRUE(n.locator) << ToUtf8(n.path);
        const auto at = [&](const std::wstring& text) {
            UINT64 found = 0;
            jvm->CallStaticObjectMethod(hook, Bstr(L"componentAt").get(),
                                        Bstr(L"(Ljava/lang/String;)Ljava/awt/Component;").get(),
                                        ArgumentArray({ArgBstr(text.c_str())}).get(), &found);
            return JavaHandle(jvm, found);
        };
        const JavaHandle byPath = at(n.path), byLocator = at(*n.locator);
        VARIANT_BOOL same = VARIANT_FALSE;
        EXPECT_TRUE(byPath && byLocator && jvm->IsSameJavaObject(byPath.get(), byLocator.get(), &same) == S_OK && same)
            << ToUtf8(n.path) << " " << ToUtf8(*n.locator);
    }
    // The nodes `keep` takes, parents first, from the tree read once per test.
    std::vector<ComponentNode> Nodes(const std::function<bool(const ComponentNode&)>& keep) {
        if (m_tree.empty()) m_tree = Tree();
        std::vector<ComponentNode> kept;
        for (const ComponentNode& root : m_tree)
            mvjava::VisitTree(root, [&](const ComponentNode& n, int) { if (keep(n)) kept.push_back(n); });
        return kept;
    }
    ComponentNode Named(const std::wstring& name) {
        const std::vector<ComponentNode> found = Nodes([&](const ComponentNode& n) { return n.name == name; });
        if (found.empty()) ADD_FAILURE() << "no component " << ToUtf8(name);
        return found.empty() ? ComponentNode{} : found[0];
    }

    std::vector<ComponentNode> m_tree;
};

TEST_F(Mvjava, ListTreeAndFindShowWhatTheInterfacesGive) {
    const std::vector<ComponentNode> tree = Tree();
    long jni = 0;
    ASSERT_EQ(jvm()->GetJVMVersion(&jni), S_OK);
    const JsonValue listed = Json(Mv({L"list", L"--json"}).out);
    std::wstring entry;  // this host's: windows, JNI version, hook
    for (const JsonValue& e : listed.array())
        if (e.find(L"pid") && e.find(L"pid")->integer() == static_cast<long long>(host().pid()))
            entry = std::to_wstring(e.find(L"windows")->integer().value_or(-1)) + L" " + e.find(L"jni")->string() + L" " +
                    (e.find(L"hook") && e.find(L"hook")->boolean() ? L"hook " : L"none ") + e.find(L"version")->string();
    EXPECT_EQ(entry.substr(0, entry.rfind(L' ')), std::to_wstring(tree.size()) + L" " +
                                                      std::to_wstring(static_cast<unsigned long>(jni) >> 16) + L"." + std::to_wstring(jni & 0xFFFF) + L" hook");
    const std::string version = ToUtf8(entry.substr(entry.rfind(L' ') + 1)), list = Mv({L"list"}).out;
    EXPECT_TRUE(!version.empty() && isdigit(version[0]) && list.find(std::to_string(host().pid()) + " ") != std::string::npos &&
                list.find("java " + version) != std::string::npos && list.find("hook installed") != std::string::npos) << list;

    auto json = [](const std::vector<ComponentNode>& nodes) { return mvjava::NodesToJson(nodes) + "\n"; };
    auto found = [&](const std::function<bool(const ComponentNode&)>& keep) {  // find shows no descendants
        std::vector<ComponentNode> nodes = Nodes(keep);
        for (ComponentNode& n : nodes) {
            n.childNodes.clear();
            if (n.children == mvjava::Children::kListed) n.children = mvjava::Children::kNotListed;
        }
        return json(nodes);
    };
    const std::string textFields = found([](const ComponentNode& n) { return n.className == L"javax.swing.JTextField"; });
    // The hook's one call and the walk give the same bytes; the one call is used quietly.
    const struct { std::vector<std::wstring> args; std::string out; const char* err; } rows[] = {  // err: its start, null: any
        {{L"tree", L"PID", L"--json"}, json(tree), ""},
        {{L"tree", L"PID", L"--json", L"--verbose"}, json(tree), ""},
        {{L"tree", L"PID", L"--json", L"--stats"}, json(tree), "mvjava: one call: "},
        {{L"tree", L"PID", L"--json", L"--walk", L"--stats"}, json(tree), "mvjava: walk: "},
        {{L"tree", L"PID", L"--json", L"--depth", L"0"}, json(Tree(0)), nullptr},
        {{L"tree", L"PID", L"--json", L"--depth", L"2", L"--walk"}, json(Tree(2)), nullptr},
        {{L"find", L"PID", L"--json", L"--class", L"JTextField"}, textFields, ""},
        {{L"find", L"PID", L"--json", L"--class", L"JTextField", L"--walk"}, textFields, nullptr},
        {{L"find", L"PID", L"--json", L"--class", L"TextField"},  // no suffix, no subclass
         found([](const ComponentNode& n) { return mvjava::ShortClassName(n.className) == L"TextField"; }), ""},
        {{L"find", L"PID", L"--json", L"--name", L"user"}, found([](const ComponentNode& n) { return n.name == L"user"; }), ""},
        {{L"find", L"PID", L"--json", L"--title", L"Sign in"},  // the frame and the button
         found([](const ComponentNode& n) { return n.title == L"Sign in"; }), ""},
        {{L"find", L"PID", L"--json", L"--text", L"sample"},
         found([](const ComponentNode& n) { return n.title && n.title->find(L"sample") != std::wstring::npos; }), ""},
        {{L"find", L"PID", L"--json", L"--text", L"sample", L"--class", L"java.awt.Frame"},
         found([](const ComponentNode& n) { return n.name == L"awtFrame"; }), ""},
    };
    for (const auto& row : rows) {
        const Result run = Mv(row.args);
        SCOPED_TRACE(run.command + "\n" + run.err);
        EXPECT_EQ(run.exit, 0u);
        EXPECT_EQ(run.out, row.out);
        if (row.err) {
            EXPECT_EQ(*row.err ? run.err.substr(0, std::strlen(row.err)) : run.err, row.err);
        }
    }
    EXPECT_EQ(Mv({L"find", L"PID", L"--name", L"nothing", L"--json"}).out, "[]\n");
    const std::vector<std::string> lines = SplitLines(Mv({L"tree", L"PID"}).out);
    std::size_t i = 0;  // each line: indented class, name, ..., bounds, ..., path, two blanks, locator
    for (const ComponentNode& root : tree)
        mvjava::VisitTree(root, [&](const ComponentNode& n, int depth) {
            const std::string line = i < lines.size() ? lines[i++] : "", bounds = " (" + std::to_string(n.x) + "," +
                std::to_string(n.y) + " " + std::to_string(n.width) + "x" + std::to_string(n.height) + ")";
            const std::string head = std::string(depth * 2, ' ') + ToUtf8(n.className) + (n.name ? " name=" + ToUtf8(*n.name) : "");
            const std::string tail = " " + ToUtf8(n.path) + "  " + ToUtf8(n.locator.value_or(L""));
            EXPECT_TRUE(line.rfind(head, 0) == 0 && line.find(bounds) != std::string::npos &&
                        line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
                << line;
        });
    EXPECT_EQ(lines.size(), i);
}

TEST_F(Mvjava, WindowAndHwndFindTheJavaWindowBehindANativeOne) {
    const ComponentNode login = Named(L"loginFrame");
    HostWindow native = HostWindow::TopLevel(host(), login.x, login.y, login.width, login.height);
    HostWindow off = HostWindow::TopLevel(host(), login.x, login.y, login.width + 1, login.height);
    ASSERT_TRUE(native && off) << native.answer() << off.answer();
    const std::wstring hwnd = std::to_wstring(native.value()), offHwnd = std::to_wstring(off.value());
    EXPECT_EQ(Mv({L"tree", L"PID", L"--window", hwnd, L"--json"}).out, mvjava::NodesToJson({login}) + "\n");

    wchar_t hex[16];
    swprintf(hex, 16, L"0x%lx", native.value());
    const Result ok = Mv({L"hwnd", L"PID", hex, L"--json"});
    const JsonValue match = Json(ok.out);
    EXPECT_EQ(match.find(L"result")->string() + L" " + match.find(L"match")->string() + L" " +
                  std::to_wstring(match.find(L"hwnd")->integer().value_or(0)) + L" " + std::to_wstring(ok.exit),
              L"ResultOK " + login.path + L" " + hwnd + L" 0");
    const std::string okText = Mv({L"hwnd", L"PID", hwnd}).out;
    EXPECT_TRUE(okText.rfind("ResultOK: ", 0) == 0 && okText.find("the Java window " + ToUtf8(login.path) + "\n") != std::string::npos)
        << okText;

    const Result noMatch = Mv({L"hwnd", L"PID", offHwnd, L"--json"});
    const JsonValue answer = Json(noMatch.out);
    EXPECT_EQ(noMatch.exit, 4u);
    EXPECT_TRUE(answer.find(L"result")->string() == L"NoMatch" && answer.find(L"match")->is(JsonValue::Type::kNull) &&
                answer.find(L"native")->find(L"width")->integer() == login.width + 1) << noMatch.out;
    std::wstring differs = L"not listed";  // the frame's values that differ named
    for (const JsonValue& window : answer.find(L"windows")->array()) {
        if (window.find(L"path")->string() != login.path) continue;
        differs.clear();
        for (const JsonValue& d : window.find(L"differs")->array()) differs += d.string() + L",";
    }
    EXPECT_EQ(differs, L"width,");
    const std::string text = Mv({L"hwnd", L"PID", offHwnd}).out;  // the frame's width marked beside the native one's
    EXPECT_TRUE(text.rfind("NoMatch: ", 0) == 0 && text.find(" " + std::to_string(login.width) + "*") != std::string::npos) << text;
}

// A JVM that scales by 2 (-Dsun.java2d.uiScale=2): hwnd finds its window behind a native window at the
// device rectangle and says at which scale; for one off by more than the rounding it shows both bounds.
TEST_F(Mvjava, HwndNamesTheScaleOfAWindowFoundByItsDeviceRectangle) {
    HostSettings settings;
    settings.classPath = {MV_FIXTURES_JAR, MV_HOOK_JAR, MV_SAMPLES_JAR};
    settings.jvmOptions = {kHookAsAssistiveTechnology, "-Dsun.java2d.uiScale=2"};
    settings.mainClass = "samples.LoginApp";
    settings.keepJvmOutput = true;
    HostProcess scaled(settings);
    std::string problem;
    ASSERT_TRUE(scaled.ready() && WaitForListedWindows(scaled, 1, 120000, problem)) << problem << scaled.output();
    const std::vector<Component> windows = TopLevelWindows(PublishedJvmOf(scaled.pid()).get());
    ASSERT_EQ(windows.size(), 1u);
    const Bounds b = BoundsOf(windows[0].get()).value_or(Bounds{});
    HostWindow native = HostWindow::TopLevel(scaled, 2 * b.x, 2 * b.y, 2 * b.width, 2 * b.height);
    HostWindow off = HostWindow::TopLevel(scaled, 2 * b.x + 3, 2 * b.y, 2 * b.width, 2 * b.height);
    ASSERT_TRUE(native && off) << native.answer() << off.answer();
    const std::wstring pid = std::to_wstring(scaled.pid());
    const std::string found = Mv({L"hwnd", pid, std::to_wstring(native.value())}).out;
    EXPECT_TRUE(found.rfind("ResultOK: ", 0) == 0 &&
                found.find(" (by its bounds at scale 2 x 2, in device pixels)\n") != std::string::npos) << found;
    const Result missed = Mv({L"hwnd", pid, std::to_wstring(off.value())});
    char device[64];
    std::snprintf(device, sizeof device, "%7ld*%7ld %7ld %7ld  device pixels at scale 2 x 2", 2L * b.x, 2L * b.y,
                  2L * b.width, 2L * b.height);
    EXPECT_TRUE(missed.exit == 4 && missed.out.rfind("NoMatch: ", 0) == 0 && missed.out.find(device) != std::string::npos)
        << missed.out;
    const JsonValue json = Json(Mv({L"hwnd", pid, std::to_wstring(off.value()), L"--json"}).out);
    const JsonValue* window = json.find(L"windows") && !json.find(L"windows")->array().empty()
                                  ? &json.find(L"windows")->array()[0] : nullptr;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->find(L"device")->find(L"width")->integer(), 2 * b.width);
    EXPECT_EQ(window->find(L"width")->integer(), b.width);
}

// A window whose components have names that look made up by AWT ("panel7", "label8"), which
// locators do not use: they go by label, by a button's text and by index instead, and each still
// names its own component alone.
TEST_F(Mvjava, LocatorsWithoutNamesGoByLabelTextAndIndex) {
    HostSettings settings;
    settings.classPath = {MV_FIXTURES_JAR, MV_HOOK_JAR, MV_SAMPLES_JAR};
    settings.jvmOptions = {kHookAsAssistiveTechnology};
    settings.mainClass = "samples.GeneratedApp", settings.mainArgs = {"40"}, settings.keepJvmOutput = true;
    HostProcess generated(settings);
    std::string problem;
    ASSERT_TRUE(generated.ready() && WaitForListedWindows(generated, 1, 120000, problem)) << problem << generated.JvmOutput();
    const com_ptr<IMvJavaCpp> other = PublishedJvmOf(generated.pid());
    const auto treeOf = [&] {
        ChildProcess tree(WindowsPathOfUnixPath(MV_MVJAVA_PATH), {L"tree", std::to_wstring(generated.pid()), L"--json"});
        tree.Finish(180000);
        std::string error;
        auto nodes = mvjava::NodesFromJsonText(tree.out(), error);
        EXPECT_TRUE(nodes) << error << tree.output();
        return std::make_pair(tree.out(), nodes.value_or(std::vector<ComponentNode>{}));
    };
    auto [all, nodes] = treeOf();
    std::map<std::wstring, int> seen;  // each locator's count
    std::wstring field;                // the path of a text field just after a label
    for (const ComponentNode& root : nodes)
        mvjava::VisitTree(root, [&](const ComponentNode& n, int) {
            ExpectLocatorNamesItsComponent(other.get(), n);
            EXPECT_EQ(++seen[n.locator.value_or(L"")], 1) << ToUtf8(n.locator.value_or(L""));
            for (std::size_t i = 1; field.empty() && i < n.childNodes.size(); ++i)
                if (n.childNodes[i].className == L"javax.swing.JTextField" &&
                    n.childNodes[i - 1].className == L"javax.swing.JLabel")
                    field = n.childNodes[i].path;
        });
    ASSERT_FALSE(field.empty()) << "no text field after a label";
    for (const char* rule : {" text=", " index="}) EXPECT_NE(all.find(rule), std::string::npos) << rule;
    // The field without its name goes by the text of the label before it.
    UINT64 hook = 0, handle = 0;
    ASSERT_EQ(other->GetMorvaneAWTHook(&hook), S_OK);
    const JavaHandle ownedHook(other.get(), hook);
    other->CallStaticObjectMethod(hook, Bstr(L"componentAt").get(), Bstr(L"(Ljava/lang/String;)Ljava/awt/Component;").get(),
                                  ArgumentArray({ArgBstr(field.c_str())}).get(), &handle);
    const JavaHandle component(other.get(), handle);
    ASSERT_EQ(other->CallVoidMethod(handle, Bstr(L"setName").get(), Bstr(L"(Ljava/lang/String;)V").get(),
                                    ArgumentArray({ArgOf(VT_NULL)}).get()), S_OK);
    std::tie(all, nodes) = treeOf();
    for (const ComponentNode& root : nodes)
        mvjava::VisitTree(root, [&](const ComponentNode& n, int) {
            if (n.path != field) return;
            EXPECT_NE(n.locator.value_or(L"").find(L" label=\""), std::wstring::npos) << ToUtf8(n.locator.value_or(L""));
            ExpectLocatorNamesItsComponent(other.get(), n);
        });
    generated.Stop();
}

TEST_F(Mvjava, SetGetAndClickReachTheApplication) {
    JavaStatics login(jvm(), L"samples.LoginApp"), awt(jvm(), L"samples.AwtApp");
    const struct { const wchar_t* name; std::wstring text; JavaStatics& app; } texts[] = {
        {L"user", L"Zo\u00eb \u00c5berg-\u6771", login}, {L"r2c3", L"--looks like an option", login},
        {L"code", L"A-42 \"quoted\" \\ back", awt}, {L"user", L"", login}};
    for (const auto& t : texts) {
        const std::wstring path = Named(t.name).path;
        const Result set = Mv({L"set", L"PID", path, L"--", t.text});  // "--" ends the options
        EXPECT_EQ(set.exit + set.out.size(), 0u) << set.err;
        EXPECT_EQ(t.app.CallString(L"text", {t.name}), t.text) << "the application's own field";
        EXPECT_EQ(Mv({L"get", L"PID", path}).out, ToUtf8(t.text) + "\n");
        const JsonValue json = Json(Mv({L"get", L"PID", path, L"--json"}).out);
        EXPECT_EQ(json.find(L"text")->string() + L"@" + json.find(L"path")->string(), t.text + L"@" + path);
    }
    // On a console, the same text character for character (the first row's text is not ASCII), and a window
    // title beyond ASCII the same on a console as redirected.
    ASSERT_EQ(Mv({L"set", L"PID", Named(L"user").path, texts[0].text}).exit, 0u);
    EXPECT_EQ(ConsoleShows({L"get", std::to_wstring(host().pid()), Named(L"user").path}), texts[0].text + L"\n");
    const auto setTitle = [&](const std::wstring& title) {
        const com_ptr<IJObject> frame = As<IJObject>(Window(L"loginFrame").get());
        com_ptr<IDispatch> owner;
        UINT64 handle = 0;
        return frame && SUCCEEDED(frame->GetJvmAndHandle(owner.put(), &handle)) &&
               jvm()->CallVoidMethod(handle, Bstr(L"setTitle").get(), Bstr(L"(Ljava/lang/String;)V").get(),
                                     ArgumentArray({ArgBstr(title.c_str())}).get()) == S_OK;
    };
    ASSERT_TRUE(setTitle(texts[0].text));
    const std::string title = "title=" + mvjava::QuoteText(texts[0].text);
    EXPECT_NE(ConsoleShows({L"find", std::to_wstring(host().pid()), L"--name", L"loginFrame"}).find(mvjava::FromUtf8(title)),
              std::wstring::npos);
    EXPECT_NE(Mv({L"find", L"PID", L"--name", L"loginFrame"}).out.find(title), std::string::npos);
    EXPECT_TRUE(setTitle(L"Sign in"));
    const std::wstring user = L"alice" + std::to_wstring(::GetTickCount64() % 100000);
    ASSERT_EQ(Mv({L"set", L"PID", Named(L"user").path, user}).exit + Mv({L"set", L"PID", Named(L"password").path, L"hush-42"}).exit, 0u);
    const Result click = Mv({L"click", L"PID", Named(L"signIn").path});
    EXPECT_EQ(click.exit + click.out.size(), 0u) << click.err;
    EXPECT_EQ(login.CallString(L"lastSignIn"), user + L"|hush-42");
    const std::optional<LONG> okBefore = awt.CallInt(L"okCount");
    EXPECT_EQ(Mv({L"click", L"PID", Named(L"ok").path}).exit, 0u);
    EXPECT_EQ(awt.CallInt(L"okCount"), *okBefore + 1);
    // A password's text shows in no output, text or JSON, but where --show-passwords asks for it; a filter
    // does not match it either.
    enum Shows { kLength, kText, kNothing };
    const std::wstring password = Named(L"password").path;
    const struct { std::vector<std::wstring> args; Shows shows; } outputs[] = {
        {{L"find", L"PID", L"--name", L"password"}, kLength}, {{L"find", L"PID", L"--name", L"password", L"--json"}, kLength},
        {{L"tree", L"PID"}, kLength}, {{L"tree", L"PID", L"--json"}, kLength}, {{L"get", L"PID", password}, kLength},
        {{L"get", L"PID", password, L"--json"}, kLength}, {{L"find", L"PID", L"--text", L"hush"}, kNothing},
        {{L"find", L"PID", L"--name", L"password", L"--json", L"--show-passwords"}, kText},
        {{L"get", L"PID", password, L"--show-passwords"}, kText}};
    for (const auto& o : outputs) {
        const Result r = Mv(o.args);
        const bool length = r.out.find("<7 characters hidden>") != std::string::npos ||
                            r.out.find("\"hiddenLength\":7") != std::string::npos;
        EXPECT_EQ(r.out.find("hush-42") != std::string::npos, o.shows == kText) << r.command << "\n" << r.out;
        EXPECT_EQ(length, o.shows == kLength) << r.command << "\n" << r.out;
    }
}

TEST_F(Mvjava, SnapshotDrawsOneRectanglePerComponentAndKeepsTextsText) {
    const std::wstring code = Named(L"code").path, window = code.substr(0, code.find(L'/', 1));
    ASSERT_EQ(Mv({L"set", L"PID", code, L"<b>&amp; \"it's\"</b> \u00e9"}).exit, 0u);
    wchar_t folder[MAX_PATH], file[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"svg", 0, file);
    const Result run = Mv({L"snapshot", L"PID", L"--svg", file, L"--window", window});
    Mv({L"set", L"PID", code, L""});
    std::string svg(1 << 20, '\0');
    FILE* read = _wfopen(file, L"rb");
    svg.resize(read ? std::fread(svg.data(), 1, svg.size(), read) : 0);
    if (read) std::fclose(read);
    ::DeleteFileW(file);
    EXPECT_NE(svg.find("title=&quot;&lt;b&gt;&amp;amp; \\&quot;it&apos;s\\&quot;&lt;/b&gt; \xC3\xA9&quot;"), std::string::npos)
        << "the markup as text";
    std::map<std::string, std::string> expected, drawn;  // path -> "x,y wxh" in screen coordinates
    std::function<void(const ComponentNode&, long, long)> place = [&](const ComponentNode& n, long x, long y) {
        expected[ToUtf8(n.path)] = std::to_string(x + n.x) + "," + std::to_string(y + n.y) + " " + std::to_string(n.width) +
                                   "x" + std::to_string(n.height);
        for (const ComponentNode& child : n.childNodes) place(child, x + n.x, y + n.y);
    };
    for (const ComponentNode& n : Tree())
        if (n.path == window) place(n, 0, 0);
    const std::regex rect("<rect x=\"(-?\\d+)\" y=\"(-?\\d+)\" width=\"(\\d+)\" height=\"(\\d+)\" data-path=\"([^\"]*)\"");
    for (std::sregex_iterator m(svg.begin(), svg.end(), rect), end; m != end; ++m)
        drawn[(*m)[5].str()] = (*m)[1].str() + "," + (*m)[2].str() + " " + (*m)[3].str() + "x" + (*m)[4].str();
    EXPECT_EQ(drawn, expected);  // one rectangle per component: the count line says how many
    EXPECT_NE(svg.find(">TextField code</text>"), std::string::npos);
    EXPECT_NE(run.out.find(std::to_string(expected.size()) + " components"), std::string::npos) << run.out;
}

TEST_F(Mvjava, MistakesAndRefusalsAreOneErrorLineWithTheirExitCodeAndChangeNothing) {
    const std::wstring self = std::to_wstring(::GetCurrentProcessId()), pastLast = L"/" + std::to_wstring(Tree(0).size());
    const std::wstring user = Named(L"user").path, panel = Named(L"credentials").path;
    HostWindow closed = HostWindow::TopLevel(host(), 10, 10, 50, 50);
    const std::wstring closedHwnd = std::to_wstring(closed.value());
    closed.Close();
    JavaStatics login(jvm(), L"samples.LoginApp");
    const std::optional<std::wstring> userBefore = login.CallString(L"text", {L"user"});
    const std::vector<std::pair<DWORD, std::vector<std::wstring>>> rows = {
        {1, {}}, {1, {L"frobnicate"}}, {1, {L"tree"}}, {1, {L"tree", L"12abc"}}, {1, {L"tree", L"99999999999"}},
        {1, {L"tree", L"PID", L"--depth"}}, {1, {L"tree", L"PID", L"--depth", L"-1"}}, {1, {L"tree", L"PID", L"--colour"}}, {1, {L"tree", L"PID", L"--json", L"--json"}}, {1, {L"tree", L"PID", L"extra"}},
        {1, {L"get", L"PID", L"--walk", L"/0"}}, {1, {L"find", L"PID"}}, {1, {L"set", L"PID", L"/0/0"}}, {1, {L"snapshot", L"PID"}},
        {1, {L"snapshot", L"PID", L"--svg", L"x.svg", L"--window", L"0"}}, {1, {L"log"}}, {1, {L"set", L"PID", L"/0/x", L"x"}},
        {1, {L"get", L"PID", L"0/1"}}, {1, {L"get", L"PID", L"/"}}, {1, {L"get", L"PID", L"//1"}}, {1, {L"get", L"PID", L"/-1"}},
        {2, {L"tree", self}}, {2, {L"find", self, L"--name", L"user"}}, {2, {L"get", self, L"/0"}}, {2, {L"hwnd", self, L"1"}},
        {3, {L"set", L"PID", pastLast, L"x"}}, {3, {L"set", L"PID", user + L"/0", L"x"}}, {3, {L"get", L"PID", L"/0/999"}},
        {3, {L"click", L"PID", L"/0/0/999/1"}}, {3, {L"snapshot", L"PID", L"--svg", L"unused.svg", L"--window", pastLast}},
        {3, {L"find", L"PID", L"--class", L"JButton", L"--name", L"user"}}, {3, {L"find", L"PID", L"--title", L"sample"}},
        {3, {L"hwnd", L"PID", closedHwnd}}, {3, {L"tree", L"PID", L"--window", closedHwnd}},
        {4, {L"click", L"PID", Named(L"off").path}}, {4, {L"click", L"PID", user}}, {4, {L"get", L"PID", panel}},
        {4, {L"set", L"PID", panel, L"x"}}, {6, {L"snapshot", L"PID", L"--svg", L"C:\\no\\such\\folder\\window.svg"}},
    };
    for (const auto& [exit, args] : rows) {
        const Result run = Mv(args);
        SCOPED_TRACE(run.command + "\n" + run.err);
        EXPECT_EQ(run.exit, exit);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(SplitLines(run.err).size(), 1u);
        EXPECT_EQ(run.err.rfind("mvjava: ", 0), 0u);
    }
    EXPECT_EQ(login.CallString(L"text", {L"user"}), userBefore) << "a refused command changed the field";
    const Result help = Mv({L"--help"});
    EXPECT_EQ(help.exit + help.err.size(), 0u);
    for (const char* command : {"list", "tree PID", "find PID", "get PID PATH", "set PID PATH TEXT", "click PID PATH",
                                "hwnd PID HWND", "snapshot PID --svg FILE", "log [--follow] FILE"})
        EXPECT_NE(help.out.find(std::string("mvjava ") + command), std::string::npos) << command;
}

}  // namespace
}  // namespace mv::test
