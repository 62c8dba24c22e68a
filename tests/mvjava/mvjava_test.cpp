// mvjava.exe run as a user runs it against the sample applications' host: each command's output
// checked against what the test itself reads through the component interfaces and the
// applications' own accessors, exit codes and error lines from one table, and no command leaving
// a JNI global reference behind in the host.

#include <windows.h>
#include <msxml2.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <regex>

#include "awt_host.h"
#include "child_process.h"
#include "common/com/bstr.h"
#include "common/com/variant.h"
#include "components.h"
#include "java_statics.h"
#include "json_reader.h"
#include "text_lines.h"
#include "wine_path.h"

namespace mv::test {
namespace {

using mvjava::JsonValue;

// IXMLDOMDocument: the headers give it no __uuidof.
const IID kIidXmlDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

struct Result {
    DWORD exit = 0;
    std::string out, err;
};

struct Record {  // one component as the interfaces give it
    std::wstring path, className;
    int depth = 0;
    std::optional<std::wstring> name, title;
    Bounds bounds, absolute;
    bool visible = false, container = false;
    std::size_t children = 0;
};

void Walk(IJAwtComponent* component, const std::wstring& path, int depth, LONG x, LONG y, std::vector<Record>& out) {
    Record r;
    r.path = path, r.className = ClassOf(component), r.depth = depth;
    r.name = AttributeOf(component, L"name"), r.title = AttributeOf(component, L"title");
    r.bounds = BoundsOf(component).value_or(Bounds{});
    r.absolute = {x + r.bounds.x, y + r.bounds.y, r.bounds.width, r.bounds.height};
    r.visible = AttributeOf(component, L"is_visible") == std::optional<std::wstring>(L"TRUE");
    r.container = static_cast<bool>(As<IJAwtContainer>(component));
    const std::vector<Component> children = ChildrenOf(component);
    r.children = children.size();
    out.push_back(r);
    for (std::size_t i = 0; i < children.size(); ++i)
        Walk(children[i].get(), path + L"/" + std::to_wstring(i), depth + 1, r.absolute.x, r.absolute.y, out);
}

class Mvjava : public ::testing::Test {
protected:
    void SetUp() override {
        AwtHost* host = AwtHost::Get();
        ASSERT_NE(host, nullptr) << AwtHost::Problem();
        m_host = &host->process();
        m_jvm = host->Jvm();
        ASSERT_TRUE(m_jvm);
    }
    // mvjava with `args`; PID stands for the host's process id.
    Result Mv(std::vector<std::wstring> args) {
        for (std::wstring& arg : args)
            if (arg == L"PID") arg = std::to_wstring(m_host->pid());
        ChildProcess mvjava(WindowsPathOfUnixPath(MV_MVJAVA_PATH), args);
        const DWORD exit = mvjava.Finish(180000);
        return {exit, mvjava.out(), mvjava.err()};
    }
    std::vector<Record> Records() {
        std::vector<Record> records;
        const std::vector<Component> windows = TopLevelWindows(m_jvm.get());
        for (std::size_t i = 0; i < windows.size(); ++i) Walk(windows[i].get(), L"/" + std::to_wstring(i), 0, 0, 0, records);
        return records;
    }
    static const Record& Find(const std::vector<Record>& records, const std::function<bool(const Record&)>& which) {
        static const Record none;
        for (const Record& r : records)
            if (which(r)) return r;
        return ADD_FAILURE() << "no such component", none;
    }
    std::wstring PathOf(const std::wstring& name) {
        return Find(Records(), [&](const Record& r) { return r.name == name; }).path;
    }
    static JsonValue Json(const std::string& text) {
        mvjava::JsonParseResult parsed = mvjava::ParseJson(text);
        EXPECT_TRUE(parsed.value) << parsed.error << "\n" << text;
        return parsed.value ? *parsed.value : JsonValue::MakeNull();
    }
    // A JSON node and its descendants against the records, down to `depthLimit` (-1: all).
    void ExpectNode(const JsonValue& node, const std::vector<Record>& records, int depthLimit, std::size_t& seen) {
        const std::wstring path = node.find(L"path") ? node.find(L"path")->string() : L"?";
        const Record& r = Find(records, [&](const Record& record) { return record.path == path; });
        SCOPED_TRACE(Utf8(path));
        ++seen;
        std::wstring keys;
        for (const auto& member : node.members()) keys += member.first + L",";
        EXPECT_EQ(keys, std::wstring(L"path,class,name,title,x,y,width,height,visible,") + (r.container ? L"children," : L""));
        auto optional = [](const JsonValue* v) { return v->is(JsonValue::Type::kString) ? std::optional(v->string()) : std::nullopt; };
        EXPECT_EQ(node.find(L"class")->string(), r.className);
        EXPECT_EQ(optional(node.find(L"name")), r.name);
        EXPECT_EQ(optional(node.find(L"title")), r.title);
        EXPECT_EQ(Bounds({static_cast<LONG>(*node.find(L"x")->integer()), static_cast<LONG>(*node.find(L"y")->integer()),
                          static_cast<LONG>(*node.find(L"width")->integer()), static_cast<LONG>(*node.find(L"height")->integer())}),
                  r.bounds);
        EXPECT_EQ(node.find(L"visible")->boolean(), r.visible);
        const JsonValue* children = node.find(L"children");
        if (!children || (depthLimit >= 0 && r.depth >= depthLimit)) {
            EXPECT_TRUE(!children || children->is(JsonValue::Type::kNull)) << "children at the depth limit";
            return;
        }
        ASSERT_EQ(children->array().size(), r.children);
        for (std::size_t i = 0; i < r.children; ++i) {
            EXPECT_EQ(children->array()[i].find(L"path")->string(), path + L"/" + std::to_wstring(i)) << "Java order";
            ExpectNode(children->array()[i], records, depthLimit, seen);
        }
    }

    HostProcess* m_host = nullptr;
    com_ptr<IMvJavaCpp> m_jvm;
};

TEST_F(Mvjava, ListAndTreeShowWhatTheInterfacesGive) {
    const std::vector<Record> records = Records();
    std::size_t windows = 0;
    for (const Record& r : records) windows += r.depth == 0;
    long jni = 0;
    ASSERT_EQ(m_jvm->GetJVMVersion(&jni), S_OK);
    const Result list = Mv({L"list", L"--json"});
    const JsonValue* entry = nullptr;
    const JsonValue listed = Json(list.out);
    for (const JsonValue& e : listed.array())
        if (e.find(L"pid") && e.find(L"pid")->integer() == static_cast<long long>(m_host->pid())) entry = &e;
    ASSERT_TRUE(entry) << list.out;
    EXPECT_EQ(entry->find(L"windows")->integer(), static_cast<long long>(windows));
    EXPECT_EQ(entry->find(L"jni")->string(), std::to_wstring(static_cast<unsigned long>(jni) >> 16) + L"." + std::to_wstring(jni & 0xFFFF));
    const std::string version = Utf8(entry->find(L"version")->string());
    ASSERT_TRUE(!version.empty() && isdigit(version[0])) << version;
    EXPECT_NE(Mv({L"list"}).out.find(std::to_string(m_host->pid()) + " "), std::string::npos);
    EXPECT_NE(Mv({L"list"}).out.find("java " + version), std::string::npos);

    for (const auto& [extra, depthLimit] : std::vector<std::pair<std::vector<std::wstring>, int>>{
             {{}, -1}, {{L"--walk"}, -1}, {{L"--depth", L"0"}, 0}, {{L"--depth", L"2", L"--walk"}, 2}}) {
        std::vector<std::wstring> args = {L"tree", L"PID", L"--json"};
        args.insert(args.end(), extra.begin(), extra.end());
        const Result tree = Mv(args);
        SCOPED_TRACE(tree.out.substr(0, 200));
        ASSERT_EQ(tree.exit, 0u) << tree.err;
        const JsonValue nodes = Json(tree.out);
        ASSERT_EQ(nodes.array().size(), windows);
        std::size_t seen = 0, expected = 0;
        for (const JsonValue& node : nodes.array()) ExpectNode(node, records, depthLimit, seen);
        for (const Record& r : records) expected += depthLimit < 0 || r.depth <= depthLimit;
        EXPECT_EQ(seen, expected) << "every component once";
    }
    // The hook's one-call snapshot and the walk give the same bytes; the one call is used quietly.
    for (const std::vector<std::wstring>& args : {std::vector<std::wstring>{L"tree", L"PID", L"--json"},
                                                  {L"tree", L"PID", L"--json", L"--depth", L"1"},
                                                  {L"find", L"PID", L"--json", L"--class", L"JTextField"}}) {
        std::vector<std::wstring> walk = args, stats = args;
        walk.insert(walk.end(), {L"--walk", L"--stats"});
        stats.push_back(L"--stats");
        std::vector<std::wstring> verbose = args;
        verbose.push_back(L"--verbose");  // says nothing while the one call is there
        const Result walked = Mv(walk), fetched = Mv(stats), quiet = Mv(verbose);
        EXPECT_EQ(walked.out, fetched.out);
        EXPECT_EQ(quiet.out, fetched.out);
        EXPECT_NE(walked.err.find("mvjava: walk: "), std::string::npos) << walked.err;
        EXPECT_NE(fetched.err.find("mvjava: one call: "), std::string::npos) << fetched.err;
        EXPECT_EQ(quiet.err, "");
    }
    const std::vector<std::string> lines = SplitLines(Mv({L"tree", L"PID"}).out);
    ASSERT_EQ(lines.size(), records.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Record& r = records[i];
        const std::string b = "(" + std::to_string(r.bounds.x) + "," + std::to_string(r.bounds.y) + " " +
                              std::to_string(r.bounds.width) + "x" + std::to_string(r.bounds.height) + ")";
        EXPECT_EQ(lines[i].rfind(std::string(r.depth * 2, ' ') + Utf8(r.className) + " ", 0), 0u) << lines[i];
        EXPECT_NE(lines[i].find(b), std::string::npos) << lines[i];
        EXPECT_NE(lines[i].find(r.name ? " name=" + Utf8(*r.name) : " "), std::string::npos) << lines[i];
        EXPECT_EQ(lines[i].substr(lines[i].size() - r.path.size() - 1), " " + Utf8(r.path)) << lines[i];
    }
}

TEST_F(Mvjava, WindowAndHwndFindTheJavaWindowBehindANativeOne) {
    const std::vector<Record> records = Records();
    const Record& login = Find(records, [](const Record& r) { return r.name == L"loginFrame"; });
    const Bounds b = login.bounds;
    HostWindow native = HostWindow::TopLevel(*m_host, b.x, b.y, b.width, b.height);
    HostWindow off = HostWindow::TopLevel(*m_host, b.x, b.y, b.width + 1, b.height);
    ASSERT_TRUE(native && off) << native.answer() << off.answer();
    const std::wstring hwnd = std::to_wstring(native.value()), offHwnd = std::to_wstring(off.value());

    const JsonValue tree = Json(Mv({L"tree", L"PID", L"--window", hwnd, L"--json"}).out);
    ASSERT_EQ(tree.array().size(), 1u);
    std::size_t seen = 0, inLogin = 0;
    ExpectNode(tree.array()[0], records, -1, seen);
    for (const Record& r : records) inLogin += r.path.rfind(login.path, 0) == 0;
    EXPECT_EQ(seen, inLogin);
    EXPECT_EQ(tree.array()[0].find(L"path")->string(), login.path);

    wchar_t hex[16];
    swprintf(hex, 16, L"0x%lx", native.value());
    const Result ok = Mv({L"hwnd", L"PID", hex, L"--json"});
    const JsonValue match = Json(ok.out);
    EXPECT_EQ(ok.exit, 0u);
    EXPECT_EQ(match.find(L"result")->string() + L" " + match.find(L"match")->string(), L"ResultOK " + login.path);
    EXPECT_EQ(match.find(L"hwnd")->integer(), static_cast<long long>(native.value()));
    const Result okText = Mv({L"hwnd", L"PID", hwnd});
    EXPECT_EQ(okText.out.rfind("ResultOK: ", 0), 0u) << okText.out;
    EXPECT_NE(okText.out.find("the Java window " + Utf8(login.path) + "\n"), std::string::npos) << okText.out;

    const Result noMatch = Mv({L"hwnd", L"PID", offHwnd, L"--json"});
    EXPECT_EQ(noMatch.exit, 4u);
    const JsonValue answer = Json(noMatch.out);
    EXPECT_EQ(answer.find(L"result")->string(), L"NoMatch");
    EXPECT_TRUE(answer.find(L"match")->is(JsonValue::Type::kNull));
    EXPECT_EQ(answer.find(L"native")->find(L"width")->integer(), b.width + 1);
    for (const JsonValue& window : answer.find(L"windows")->array()) {  // each window, its differing values named
        const Record& r = Find(records, [&](const Record& x) { return x.path == window.find(L"path")->string(); });
        std::wstring differs, expected;
        for (const JsonValue& d : window.find(L"differs")->array()) differs += d.string() + L",";
        const std::pair<const wchar_t*, bool> values[] = {{L"x", r.bounds.x != b.x}, {L"y", r.bounds.y != b.y},
            {L"width", r.bounds.width != b.width + 1}, {L"height", r.bounds.height != b.height}};
        for (const auto& [key, differ] : values) expected += differ ? std::wstring(key) + L"," : L"";
        EXPECT_EQ(differs, r.path == login.path ? L"width," : expected) << Utf8(r.path);
    }
    std::string row;  // the text puts the native row and the frame's side by side, the width marked
    const Result text = Mv({L"hwnd", L"PID", offHwnd});
    for (const std::string& line : SplitLines(text.out))
        if (line.rfind(Utf8(login.path) + " ", 0) == 0) row = line;
    EXPECT_EQ(text.out.rfind("NoMatch: ", 0), 0u) << text.out;
    EXPECT_NE(row.find(" " + std::to_string(b.width) + "*"), std::string::npos) << text.out;
    EXPECT_EQ(row.find(" " + std::to_string(b.x) + "*"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("native "), std::string::npos) << text.out;
}

TEST_F(Mvjava, FindSetGetAndClickReachTheApplication) {
    const std::vector<Record> records = Records();
    auto expected = [&](const std::function<bool(const Record&)>& keep) {
        std::wstring paths;
        for (const Record& r : records) paths += keep(r) ? r.path + L" " : L"";
        return paths;
    };
    auto shortName = [](const Record& r) { return r.className.substr(r.className.rfind(L'.') + 1); };
    const struct {
        std::vector<std::wstring> filters;
        std::function<bool(const Record&)> keep;
    } finds[] = {
        {{L"--class", L"JTextField"}, [](const Record& r) { return r.className == L"javax.swing.JTextField"; }},
        {{L"--class", L"javax.swing.JTextField"}, [](const Record& r) { return r.className == L"javax.swing.JTextField"; }},
        {{L"--class", L"TextField"}, [&](const Record& r) { return shortName(r) == L"TextField"; }},  // no suffix, no subclass
        {{L"--name", L"user"}, [](const Record& r) { return r.name == L"user"; }},
        {{L"--title", L"Sign in"}, [](const Record& r) { return r.title == L"Sign in"; }},  // the frame and the button
        {{L"--title", L"Sign in", L"--class", L"JButton"}, [](const Record& r) { return r.name == L"signIn"; }},
        {{L"--text", L"sample"}, [](const Record& r) { return r.title && r.title->find(L"sample") != std::wstring::npos; }},
        {{L"--text", L"sample", L"--class", L"java.awt.Frame"}, [](const Record& r) { return r.name == L"awtFrame"; }},
    };
    for (const auto& find : finds) {
        std::vector<std::wstring> args = {L"find", L"PID", L"--json"};
        args.insert(args.end(), find.filters.begin(), find.filters.end());
        std::wstring found;
        const JsonValue nodes = Json(Mv(args).out);
        for (const JsonValue& node : nodes.array()) {
            found += node.find(L"path")->string() + L" ";
            EXPECT_TRUE(!node.find(L"children") || node.find(L"children")->is(JsonValue::Type::kNull)) << "no descendants";
        }
        EXPECT_EQ(found, expected(find.keep)) << Utf8(find.filters.back());
    }
    EXPECT_EQ(Mv({L"find", L"PID", L"--name", L"nothing", L"--json"}).out, "[]\n");
    for (const std::string& line : SplitLines(Mv({L"find", L"PID", L"--class", L"java.awt.Button"}).out))
        EXPECT_NE(line.find(" java.awt.Button "), std::string::npos) << line;

    JavaStatics login(m_jvm.get(), L"samples.LoginApp"), awt(m_jvm.get(), L"samples.AwtApp");
    const struct {
        const wchar_t* name;
        std::wstring text;
        JavaStatics& app;
    } texts[] = {{L"user", L"Zo\u00eb \u00c5berg-\u6771", login}, {L"r2c3", L"--looks like an option", login},
                 {L"code", L"A-42 \"quoted\" \\ back", awt}, {L"user", L"", login}};
    for (const auto& t : texts) {
        const std::wstring path = PathOf(t.name);
        const Result set = Mv({L"set", L"PID", path, L"--", t.text});  // "--" ends the options
        EXPECT_EQ(set.exit + set.out.size(), 0u) << set.err;
        EXPECT_EQ(t.app.CallString(L"text", {t.name}), t.text) << "the application's own field";
        EXPECT_EQ(Mv({L"get", L"PID", path}).out, Utf8(t.text) + "\n");
        const JsonValue json = Json(Mv({L"get", L"PID", path, L"--json"}).out);
        EXPECT_EQ(json.find(L"text")->string() + L"@" + json.find(L"path")->string(), t.text + L"@" + path);
    }
    const std::wstring user = L"alice" + std::to_wstring(::GetTickCount64() % 100000);
    ASSERT_EQ(Mv({L"set", L"PID", PathOf(L"user"), user}).exit + Mv({L"set", L"PID", PathOf(L"password"), L"hush-42"}).exit, 0u);
    const Result click = Mv({L"click", L"PID", PathOf(L"signIn")});
    EXPECT_EQ(click.exit + click.out.size(), 0u) << click.err;
    EXPECT_EQ(login.CallString(L"lastSignIn"), user + L"|hush-42");
    const std::optional<LONG> okBefore = awt.CallInt(L"okCount");
    EXPECT_EQ(Mv({L"click", L"PID", PathOf(L"ok")}).exit, 0u);
    EXPECT_EQ(awt.CallInt(L"okCount"), *okBefore + 1);
    const std::string hidden = Mv({L"find", L"PID", L"--name", L"password"}).out;  // text hides a password
    EXPECT_EQ(hidden.find("hush-42"), std::string::npos) << hidden;
    EXPECT_NE(hidden.find("title=<7 characters hidden>"), std::string::npos) << hidden;
    EXPECT_NE(Mv({L"find", L"PID", L"--name", L"password", L"--json"}).out.find("\"title\":\"hush-42\""), std::string::npos);
}

// The file read by the system's XML parser (MSXML); its rectangles read from the text.
TEST_F(Mvjava, SnapshotDrawsOneRectanglePerComponentAndKeepsTextsText) {
    const std::wstring code = PathOf(L"code"), window = code.substr(0, code.find(L'/', 1));
    const std::wstring markup = L"<b>&amp; \"it's\"</b> \u00e9";
    ASSERT_EQ(Mv({L"set", L"PID", code, markup}).exit, 0u);
    wchar_t folder[MAX_PATH], file[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"svg", 0, file);
    const Result run = Mv({L"snapshot", L"PID", L"--svg", file, L"--window", window});
    Mv({L"set", L"PID", code, L""});
    const std::vector<Record> records = Records();
    com_ptr<IXMLDOMDocument> document;
    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid), S_OK);
    ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDocument, document.put_void()), S_OK);
    unique_variant path;
    V_VT(path.get_mutable()) = VT_BSTR;
    V_BSTR(path.get_mutable()) = ::SysAllocString(file);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    com_ptr<IXMLDOMElement> root;
    unique_bstr text;
    ASSERT_TRUE(document->load(path.get(), &loaded) == S_OK && loaded) << "not well-formed";
    ASSERT_EQ(document->get_documentElement(root.put()), S_OK);
    root->get_text(text.put());
    EXPECT_NE(std::wstring(text.view()).find(L"title=\"<b>&amp; \\\"it's\\\"</b> \u00e9\""), std::wstring::npos) << "the markup as text";
    std::string svg(1 << 20, '\0');
    FILE* read = _wfopen(file, L"rb");
    svg.resize(read ? std::fread(svg.data(), 1, svg.size(), read) : 0);
    if (read) std::fclose(read);
    ::DeleteFileW(file);
    std::size_t rects = 0, inWindow = 0;
    const std::regex rect("<rect x=\"(-?\\d+)\" y=\"(-?\\d+)\" width=\"(\\d+)\" height=\"(\\d+)\" data-path=\"([^\"]*)\"");
    for (std::sregex_iterator m(svg.begin(), svg.end(), rect), end; m != end; ++m, ++rects) {
        const Record& r = Find(records, [&](const Record& x) { return Utf8(x.path) == (*m)[5].str(); });
        EXPECT_EQ((*m)[1].str() + "," + (*m)[2].str() + " " + (*m)[3].str() + "x" + (*m)[4].str(),
                  std::to_string(r.absolute.x) + "," + std::to_string(r.absolute.y) + " " + std::to_string(r.bounds.width) + "x" +
                      std::to_string(r.bounds.height)) << Utf8(r.path);
    }
    for (const Record& r : records) inWindow += r.path == window || r.path.rfind(window + L"/", 0) == 0;
    EXPECT_EQ(rects, inWindow);
    EXPECT_NE(svg.find(">TextField code</text>"), std::string::npos);
    EXPECT_NE(run.out.find(std::to_string(inWindow) + " components"), std::string::npos) << run.out;
}

TEST_F(Mvjava, MistakesAndRefusalsAreOneErrorLineWithTheirExitCodeAndChangeNothing) {
    const std::vector<Record> records = Records();
    std::size_t windows = 0;
    for (const Record& r : records) windows += r.depth == 0;
    const std::wstring self = std::to_wstring(::GetCurrentProcessId()), pastLast = L"/" + std::to_wstring(windows);
    const std::wstring user = PathOf(L"user"), panel = PathOf(L"credentials");
    HostWindow closed = HostWindow::TopLevel(*m_host, 10, 10, 50, 50);
    const std::wstring closedHwnd = std::to_wstring(closed.value());
    closed.Close();
    JavaStatics login(m_jvm.get(), L"samples.LoginApp");
    const std::optional<std::wstring> userBefore = login.CallString(L"text", {L"user"});
    const long long referencesBefore = m_host->LiveReferences();
    ASSERT_GE(referencesBefore, 0);
    const std::vector<std::pair<DWORD, std::vector<std::wstring>>> rows = {
        {1, {}}, {1, {L"frobnicate"}}, {1, {L"tree"}}, {1, {L"tree", L"12abc"}}, {1, {L"tree", L"0x"}},
        {1, {L"tree", L"99999999999"}}, {1, {L"tree", L"PID", L"--depth"}}, {1, {L"tree", L"PID", L"--depth", L"-1"}},
        {1, {L"tree", L"PID", L"--colour"}}, {1, {L"tree", L"PID", L"--json", L"--json"}}, {1, {L"tree", L"PID", L"extra"}},
        {1, {L"get", L"PID", L"--walk", L"/0"}}, {1, {L"find", L"PID"}}, {1, {L"set", L"PID", L"/0/0"}}, {1, {L"snapshot", L"PID"}},
        {1, {L"snapshot", L"PID", L"--svg", L"x.svg", L"--window", L"0"}}, {1, {L"log"}}, {1, {L"set", L"PID", L"/0/x", L"x"}},
        {1, {L"get", L"PID", L"0/1"}}, {1, {L"get", L"PID", L"/"}}, {1, {L"get", L"PID", L"//1"}}, {1, {L"get", L"PID", L"/1/"}},
        {1, {L"get", L"PID", L"/a"}}, {1, {L"get", L"PID", L"/-1"}},
        {2, {L"tree", self}}, {2, {L"find", self, L"--name", L"user"}}, {2, {L"get", self, L"/0"}}, {2, {L"hwnd", self, L"1"}},
        {3, {L"set", L"PID", pastLast, L"x"}}, {3, {L"set", L"PID", user + L"/0", L"x"}}, {3, {L"get", L"PID", L"/0/999"}},
        {3, {L"click", L"PID", L"/0/0/999/1"}}, {3, {L"snapshot", L"PID", L"--svg", L"unused.svg", L"--window", pastLast}},
        {3, {L"find", L"PID", L"--class", L"JButton", L"--name", L"user"}}, {3, {L"find", L"PID", L"--title", L"sample"}},
        {3, {L"hwnd", L"PID", closedHwnd}}, {3, {L"tree", L"PID", L"--window", closedHwnd}},
        {4, {L"click", L"PID", PathOf(L"off")}}, {4, {L"click", L"PID", user}}, {4, {L"get", L"PID", panel}},
        {4, {L"set", L"PID", panel, L"x"}}, {6, {L"snapshot", L"PID", L"--svg", L"C:\\no\\such\\folder\\window.svg"}},
    };
    for (const auto& [exit, args] : rows) {
        std::wstring line = L"mvjava";
        for (const std::wstring& arg : args) line += L" " + arg;
        SCOPED_TRACE(Utf8(line));
        const Result run = Mv(args);
        EXPECT_EQ(run.exit, exit) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(SplitLines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("mvjava: ", 0), 0u) << run.err;
        EXPECT_EQ(m_host->LiveReferences(), referencesBefore) << "a JNI global reference left in the host";
    }
    EXPECT_EQ(login.CallString(L"text", {L"user"}), userBefore) << "a refused command changed the field";
    for (const std::vector<std::wstring>& args : {std::vector<std::wstring>{L"list"}, {L"tree", L"PID"},
             {L"tree", L"PID", L"--walk", L"--depth", L"3"}, {L"find", L"PID", L"--class", L"JTextField", L"--walk"},
             {L"get", L"PID", user}, {L"set", L"PID", user, L"refs"}}) {
        EXPECT_EQ(Mv(args).exit, 0u) << Utf8(args.back());
        EXPECT_EQ(m_host->LiveReferences(), referencesBefore) << "a JNI global reference left in the host";
    }
    const Result help = Mv({L"--help"});
    EXPECT_EQ(help.exit + help.err.size(), 0u);
    for (const char* command : {"list", "tree PID", "find PID", "get PID PATH", "set PID PATH TEXT", "click PID PATH",
                                "hwnd PID HWND", "snapshot PID --svg FILE", "log [--follow] FILE"})
        EXPECT_NE(help.out.find(std::string("mvjava ") + command), std::string::npos) << command;
}

}  // namespace
}  // namespace mv::test
