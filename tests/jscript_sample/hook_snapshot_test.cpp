// The hook library's one-call snapshot and path helpers, called across processes through the
// bridge's generic members, against the component objects of the same windows: every node of a
// walk must appear in the snapshot with the same path, class, name, title, bounds and visibility,
// and nothing else may.

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "awt_test.h"
#include "bstr_values.h"
#include "common/com/bstr.h"
#include "java_statics.h"
#include "variant_values.h"

namespace mv::test {
namespace {

constexpr int kUnlimited = -1;


std::wstring Quoted(const std::optional<std::wstring>& text) {
    if (!text) return L"null";
    std::wstring out = L"\"";
    for (wchar_t c : *text) {
        switch (c) {
            case L'"': out += L"\\\""; break;
            case L'\\': out += L"\\\\"; break;
            case L'\n': out += L"\\n"; break;
            case L'\r': out += L"\\r"; break;
            case L'\t': out += L"\\t"; break;
            default:
                if (c < 0x20) {
                    wchar_t escaped[8];
                    ::swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + L"\"";
}

// One node as the component objects describe it, without its children.
struct WalkedNode {
    std::wstring head;  // the node's text up to and including "visible"
    bool container = false;
    int level = 0;
};

void Walk(IJAwtComponent* component, const std::wstring& path, int level, int depth, std::vector<WalkedNode>& out) {
    const auto bounds = BoundsOf(component).value_or(Bounds{-1, -1, -1, -1});
    WalkedNode node;
    node.head = L"{\"path\":\"" + path + L"\",\"class\":" + Quoted(ClassOf(component)) +
                L",\"name\":" + Quoted(AttributeOf(component, L"name")) +
                L",\"title\":" + Quoted(AttributeOf(component, L"title")) +
                L",\"x\":" + std::to_wstring(bounds.x) + L",\"y\":" + std::to_wstring(bounds.y) +
                L",\"width\":" + std::to_wstring(bounds.width) + L",\"height\":" + std::to_wstring(bounds.height) +
                L",\"visible\":" + (AttributeOf(component, L"is_visible") == L"TRUE" ? L"true" : L"false");
    node.container = static_cast<bool>(As<IJAwtContainer>(component));
    node.level = level;
    out.push_back(node);
    if (!node.container || (depth != kUnlimited && level >= depth)) return;
    const std::vector<Component> children = ChildrenOf(component);
    for (std::size_t i = 0; i < children.size(); ++i)
        Walk(children[i].get(), path + L"/" + std::to_wstring(i), level + 1, depth, out);
}

std::size_t Count(const std::wstring& text, const std::wstring& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

class HookSnapshot : public AwtTest {
protected:
    void SetUp() override {
        AwtTest::SetUp();
        if (HasFatalFailure()) return;
        UINT64 hook = 0;
        ASSERT_EQ(jvm()->GetMorvaneAWTHook(&hook), S_OK);
        m_hook = JavaHandle(jvm(), hook);
    }

    // A static String method of the hook; nullopt when the call failed, which is how a null
    // answer ("no snapshot") arrives: the bridge fails a call that answers null.
    std::optional<std::wstring> HookString(const wchar_t* method, const wchar_t* signature,
                                           std::vector<VARIANT> args) {
        unique_variant arguments;
        MakeArgumentArray(arguments, std::move(args));
        unique_bstr text;
        if (FAILED(jvm()->CallStaticStringMethod(m_hook.get(), Bstr(method).get(), Bstr(signature).get(),
                                                 arguments.get(), text.put())))
            return std::nullopt;
        return std::wstring(text.view());
    }
    std::optional<std::wstring> Windows(int depth) {
        return HookString(L"snapshotWindows", L"(I)Ljava/lang/String;", {ArgI4(depth)});
    }
    std::optional<std::wstring> Subtree(UINT64 root, const wchar_t* path, int depth) {
        return HookString(L"snapshotComponent", L"(Ljava/lang/Object;Ljava/lang/String;I)Ljava/lang/String;",
                          {ArgUI8(root), ArgBstr(path), ArgI4(depth)});
    }
    LONG ClickAt(const wchar_t* path) {
        unique_variant arguments;
        MakeArgumentArray(arguments, {ArgBstr(path)});
        LONG answer = 99;
        EXPECT_EQ(jvm()->CallStaticIntMethod(m_hook.get(), Bstr(L"clickComponentAt").get(),
                                             Bstr(L"(Ljava/lang/String;)I").get(), arguments.get(), &answer),
                  S_OK);
        return answer;
    }
    // The component at `path`; an empty handle when there is none (the bridge fails a call that
    // answers a null object).
    JavaHandle ComponentAt(const wchar_t* path) {
        unique_variant arguments;
        MakeArgumentArray(arguments, {ArgBstr(path)});
        UINT64 found = 0;
        const HRESULT hr = jvm()->CallStaticObjectMethod(m_hook.get(), Bstr(L"componentAt").get(),
                                                         Bstr(L"(Ljava/lang/String;)Ljava/awt/Component;").get(),
                                                         arguments.get(), &found);
        return JavaHandle(jvm(), SUCCEEDED(hr) ? found : 0);
    }

    std::vector<WalkedNode> WalkWindows(int depth) {
        std::vector<WalkedNode> nodes;
        const std::vector<Component> windows = TopLevelWindows(jvm());
        for (std::size_t i = 0; i < windows.size(); ++i)
            Walk(windows[i].get(), L"/" + std::to_wstring(i), 0, depth, nodes);
        return nodes;
    }

    // Every walked node is in the snapshot, followed by what its kind and level call for, and
    // the snapshot has no other node.
    void ExpectSameTree(const std::wstring& snapshot, const std::vector<WalkedNode>& walked, int depth) {
        ASSERT_FALSE(walked.empty());
        for (const WalkedNode& node : walked) {
            std::wstring expected = node.head;
            if (!node.container) expected += L"}";
            else if (depth != kUnlimited && node.level >= depth) expected += L",\"children\":null}";
            else expected += L",\"children\":[";
            EXPECT_NE(snapshot.find(expected), std::wstring::npos)
                << "missing from the snapshot: " << std::string(expected.begin(), expected.end());
        }
        EXPECT_EQ(Count(snapshot, L"{\"path\":"), walked.size());
        EXPECT_EQ(snapshot.front(), L'[');
        EXPECT_EQ(snapshot.back(), L']');
    }

    JavaHandle m_hook;
};

TEST_F(HookSnapshot, WholeTreeIsWhatTheComponentObjectsShow) {
    const auto snapshot = Windows(kUnlimited);
    ASSERT_TRUE(snapshot);
    ExpectSameTree(*snapshot, WalkWindows(kUnlimited), kUnlimited);
}

TEST_F(HookSnapshot, DepthCutsContainersOffWithNullChildren) {
    for (int depth : {0, 1, 3}) {
        SCOPED_TRACE(depth);
        const auto snapshot = Windows(depth);
        ASSERT_TRUE(snapshot);
        const std::vector<WalkedNode> walked = WalkWindows(depth);
        ExpectSameTree(*snapshot, walked, depth);
        std::size_t cut = 0;
        for (const WalkedNode& node : walked) cut += node.container && node.level == depth ? 1 : 0;
        EXPECT_EQ(Count(*snapshot, L"\"children\":null"), cut);
    }
    EXPECT_EQ(Windows(-2), std::nullopt) << "a depth below -1 has no snapshot";
}

TEST_F(HookSnapshot, SubtreeOfAComponentCarriesTheGivenPath) {
    const Component login = Window(L"loginFrame");
    ASSERT_TRUE(login);
    const Component details = FindByName(login.get(), L"details");
    ASSERT_TRUE(details);
    const auto subtree = Subtree(HandleOf(details.get()), L"/7/3", kUnlimited);
    ASSERT_TRUE(subtree);
    std::vector<WalkedNode> walked;
    Walk(details.get(), L"/7/3", 0, kUnlimited, walked);
    ASSERT_EQ(walked.size(), 7u) << "the panel and its six fields";
    for (const WalkedNode& node : walked)
        EXPECT_NE(subtree->find(node.head), std::wstring::npos) << std::string(node.head.begin(), node.head.end());
    EXPECT_EQ(Count(*subtree, L"{\"path\":"), walked.size());
    EXPECT_EQ(subtree->rfind(walked.front().head, 0), 0u) << "the subtree starts with its root";

    // Not a component, or no path: no snapshot.
    UINT64 text = 0;
    ASSERT_EQ(jvm()->NewJavaString(Bstr(L"not a component").get(), &text), S_OK);
    const JavaHandle string(jvm(), text);
    EXPECT_EQ(Subtree(string.get(), L"/0", kUnlimited), std::nullopt);
    EXPECT_EQ(Subtree(0, L"/0", kUnlimited), std::nullopt);
    EXPECT_EQ(Subtree(HandleOf(details.get()), L"/0", -2), std::nullopt);
    EXPECT_EQ(HookString(L"snapshotComponent", L"(Ljava/lang/Object;Ljava/lang/String;I)Ljava/lang/String;",
                         {ArgUI8(HandleOf(details.get())), ArgUI8(0), ArgI4(kUnlimited)}),
              std::nullopt);
}

TEST_F(HookSnapshot, PathsLeadToTheWalkedComponents) {
    const std::vector<Component> windows = TopLevelWindows(jvm());
    ASSERT_FALSE(windows.empty());
    // Every component of every window, by the path its place in the walk gives.
    for (std::size_t w = 0; w < windows.size(); ++w) {
        std::vector<std::pair<std::wstring, Component>> stack = {{L"/" + std::to_wstring(w), windows[w]}};
        while (!stack.empty()) {
            auto [path, component] = std::move(stack.back());
            stack.pop_back();
            const JavaHandle found = ComponentAt(path.c_str());
            ASSERT_TRUE(found) << std::string(path.begin(), path.end());
            VARIANT_BOOL same = VARIANT_FALSE;
            ASSERT_EQ(jvm()->IsSameJavaObject(found.get(), HandleOf(component.get()), &same), S_OK);
            EXPECT_EQ(same, VARIANT_TRUE) << std::string(path.begin(), path.end());
            const std::vector<Component> children = ChildrenOf(component.get());
            for (std::size_t i = 0; i < children.size(); ++i)
                stack.emplace_back(path + L"/" + std::to_wstring(i), children[i]);
        }
    }
    const std::wstring beyond = L"/" + std::to_wstring(windows.size());
    for (const wchar_t* bad : {L"", L"/", L"0", L"/0/", L"//0", L"/x", L"/-1", L"/0/99", beyond.c_str()}) {
        EXPECT_FALSE(ComponentAt(bad)) << bad;
        EXPECT_EQ(ClickAt(bad), -2) << bad;
    }
}

TEST_F(HookSnapshot, ClickByPathAnswersAsClickComponent) {
    const auto snapshot = Windows(kUnlimited);
    ASSERT_TRUE(snapshot);
    // The paths of the AWT window's two buttons, taken from the snapshot itself.
    const auto pathOf = [&](const std::wstring& name) {
        const auto at = snapshot->find(L"\"name\":\"" + name + L"\"");
        if (at == std::wstring::npos) return std::wstring();
        const auto start = snapshot->rfind(L"{\"path\":\"", at) + 9;
        return snapshot->substr(start, snapshot->find(L'"', start) - start);
    };
    const std::wstring ok = pathOf(L"ok"), off = pathOf(L"off"), code = pathOf(L"code");
    ASSERT_FALSE(ok.empty());
    ASSERT_FALSE(off.empty());
    ASSERT_FALSE(code.empty());
    JavaStatics awt(jvm(), L"samples.AwtApp");
    const LONG before = awt.CallInt(L"okCount").value_or(-1);
    EXPECT_EQ(ClickAt(ok.c_str()), 1);
    EXPECT_EQ(awt.CallInt(L"okCount"), before + 1);
    EXPECT_EQ(ClickAt(off.c_str()), 0) << "disabled";
    EXPECT_EQ(ClickAt(code.c_str()), 0) << "a text field";
    EXPECT_EQ(awt.CallInt(L"okCount"), before + 1);
}

}  // namespace
}  // namespace mv::test
