// mvjava hwnd: the window-matching answer for a native window the host makes at a Java frame's
// bounds (ResultOK, the frame's path) and one pixel off (NoMatch, the rectangles side by side
// with the differing value marked).

#include <windows.h>

#include "mvjava_test.h"

namespace mv::test {
namespace {

using mvjava::JsonValue;

class MvjavaHwnd : public MvjavaTest {};

TEST_F(MvjavaHwnd, NativeWindowAtTheFramesBoundsShowsTheFrame) {
    const std::vector<ComponentRecord> records = RecordTree(jvm());
    const ComponentRecord* login = RecordNamed(records, L"loginFrame");
    ASSERT_NE(login, nullptr);
    const Bounds b = login->bounds;
    HostWindow native = HostWindow::TopLevel(host(), b.x, b.y, b.width, b.height);
    ASSERT_TRUE(native) << native.answer();

    const MvjavaResult text = Mvjava({L"hwnd", L"PID", std::to_wstring(native.value())});
    ASSERT_EQ(text.exitCode, 0) << Show(text);
    EXPECT_EQ(text.out.rfind("ResultOK: ", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("the Java window " + Utf8(login->path) + "\n"), std::string::npos) << text.out;

    wchar_t hex[16];
    swprintf(hex, 16, L"0x%lx", native.value());
    const MvjavaResult json = Mvjava({L"hwnd", L"PID", hex, L"--json"});
    ASSERT_EQ(json.exitCode, 0) << Show(json);
    const std::optional<JsonValue> answer = Parse(json.out);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->find(L"result")->string(), L"ResultOK");
    EXPECT_EQ(answer->find(L"info")->integer(), static_cast<long long>(ResultOK));
    EXPECT_EQ(answer->find(L"hwnd")->integer(), static_cast<long long>(native.value()));
    EXPECT_EQ(answer->find(L"match")->string(), login->path);
}

TEST_F(MvjavaHwnd, OnePixelOffIsNoMatchWithTheDifferingValueShown) {
    const std::vector<ComponentRecord> records = RecordTree(jvm());
    const ComponentRecord* login = RecordNamed(records, L"loginFrame");
    ASSERT_NE(login, nullptr);
    const Bounds b = login->bounds;
    HostWindow native = HostWindow::TopLevel(host(), b.x, b.y, b.width + 1, b.height);
    ASSERT_TRUE(native) << native.answer();

    const MvjavaResult json = Mvjava({L"hwnd", L"PID", std::to_wstring(native.value()), L"--json"});
    EXPECT_EQ(json.exitCode, 4) << Show(json);
    const std::optional<JsonValue> answer = Parse(json.out);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->find(L"result")->string(), L"NoMatch");
    EXPECT_TRUE(answer->find(L"match")->is(JsonValue::Type::kNull));
    const JsonValue* nativeRect = answer->find(L"native");
    ASSERT_TRUE(nativeRect);
    EXPECT_EQ(nativeRect->find(L"x")->integer(), b.x);
    EXPECT_EQ(nativeRect->find(L"width")->integer(), b.width + 1);

    std::size_t windows = 0;
    for (const ComponentRecord& record : records) windows += record.depth == 0;
    ASSERT_EQ(answer->find(L"windows")->array().size(), windows);
    bool loginShown = false;
    for (const JsonValue& window : answer->find(L"windows")->array()) {
        const ComponentRecord* record = RecordAt(records, window.find(L"path")->string());
        ASSERT_NE(record, nullptr);
        std::vector<std::wstring> expected;
        if (record->bounds.x != b.x) expected.push_back(L"x");
        if (record->bounds.y != b.y) expected.push_back(L"y");
        if (record->bounds.width != b.width + 1) expected.push_back(L"width");
        if (record->bounds.height != b.height) expected.push_back(L"height");
        std::vector<std::wstring> differs;
        for (const JsonValue& d : window.find(L"differs")->array()) differs.push_back(d.string());
        EXPECT_EQ(differs, expected) << Utf8(record->path);
        if (record->path == login->path) {
            loginShown = true;
            EXPECT_EQ(differs, std::vector<std::wstring>{L"width"});
        }
    }
    EXPECT_TRUE(loginShown);

    // The text puts the native row and the frame's row side by side, the width marked.
    const MvjavaResult text = Mvjava({L"hwnd", L"PID", std::to_wstring(native.value())});
    EXPECT_EQ(text.exitCode, 4) << Show(text);
    EXPECT_EQ(text.out.rfind("NoMatch: ", 0), 0u) << text.out;
    std::string loginRow;
    for (const std::string& line : SplitLines(text.out))
        if (line.rfind(Utf8(login->path) + " ", 0) == 0) loginRow = line;
    ASSERT_FALSE(loginRow.empty()) << text.out;
    EXPECT_NE(loginRow.find(" " + std::to_string(b.width) + "*"), std::string::npos) << loginRow;
    EXPECT_NE(loginRow.find(" " + std::to_string(b.height) + " "), std::string::npos) << loginRow;
    EXPECT_EQ(loginRow.find(" " + std::to_string(b.x) + "*"), std::string::npos) << loginRow;
    EXPECT_NE(text.out.find("native "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" " + std::to_string(b.width + 1) + " "), std::string::npos) << text.out;
}

TEST_F(MvjavaHwnd, AHandleThatIsNoWindowIsNotFound) {
    HostWindow closed = HostWindow::TopLevel(host(), 10, 10, 50, 50);
    ASSERT_TRUE(closed) << closed.answer();
    const ULONG value = closed.value();
    closed.Close();
    const MvjavaResult result = Mvjava({L"hwnd", L"PID", std::to_wstring(value)});
    EXPECT_EQ(result.exitCode, 3) << Show(result);
    EXPECT_TRUE(OneErrorLine(result));
}

}  // namespace
}  // namespace mv::test
