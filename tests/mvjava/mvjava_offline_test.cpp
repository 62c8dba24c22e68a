// mvjava without a JVM: `mvjava log` on files the module's log writer wrote, in both forms, and
// the JSON text of component nodes that the hook writes and mvjava reads back and prints.

#include <windows.h>

#include "child_process.h"
#include "json_reader.h"
#include "log/log.h"
#include "log_test_support.h"
#include "node_json.h"
#include "utf8.h"
#include "wine_path.h"

namespace {

using mv::test::ChildProcess;

// The file's lines as the test decodes it (plain: UTF-16LE after the byte-order mark).
std::string Decoded(const std::wstring& file, bool obfuscated) {
    const std::vector<std::uint8_t> bytes = logtest::ReadBytes(file);
    std::wstring text;
    if (obfuscated) {
        for (const std::wstring& record : logtest::DecodeObfuscatedForTest(bytes)) text += record + L"\n";
    } else {
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        for (std::size_t at; (at = text.find(L"\r\n")) != std::wstring::npos;) text.replace(at, 2, L"\n");
    }
    return mvjava::ToUtf8(text);
}

using MvjavaLog = logtest::LogTest;

TEST_F(MvjavaLog, PrintsBothFormsAndFollowsWhatIsAdded) {
    const std::wstring mvjava = mv::test::WindowsPathOfUnixPath(MV_MVJAVA_PATH);
    for (bool obfuscated : {false, true}) {
        SCOPED_TRACE(obfuscated ? "obfuscated" : "plain");
        EnableLogInDirectory(obfuscated);
        const std::wstring file = obfuscated ? ObfuscatedFile() : PlainFile();
        for (const wchar_t* message : {L"first", L"Zo\u00eb \u6771\U0001F600", L"tab\tinside"}) mv::LogLine(L"MvjavaLogTest", L"m", message);
        ChildProcess print(mvjava, {L"log", file});
        EXPECT_EQ(print.Finish(60000), 0u) << print.err();
        EXPECT_EQ(print.out(), Decoded(file, obfuscated));
        EXPECT_NE(print.out().find("[MvjavaLogTest::m]\tZo\xC3\xAB \xE6\x9D\xB1\xF0\x9F\x98\x80\n"), std::string::npos) << print.out();

        ChildProcess follower(mvjava, {L"log", L"--follow", file});
        ASSERT_TRUE(follower.ReadUntil("\ttab\tinside\n", 30000)) << follower.output();
        mv::LogLine(L"MvjavaLogTest", L"m", L"after one");
        mv::LogLine(L"MvjavaLogTest", L"m", L"after two");
        ASSERT_TRUE(follower.ReadUntil("\tafter two\n", 30000)) << follower.output();
        follower.Kill();
        EXPECT_EQ(follower.out(), Decoded(file, obfuscated)) << "each line once, in order";
        ::DeleteFileW(file.c_str());
    }
    std::vector<std::uint8_t> damaged = {0xFF, 0xFE};
    const std::vector<std::uint8_t> line = logtest::Utf16Bytes(L"whole line\r\n");
    damaged.insert(damaged.end(), line.begin(), line.end());
    damaged.push_back('x');  // a record cut short: what precedes it is printed, then the error
    logtest::WriteBytes(PathIn(L"damaged.log"), damaged);
    logtest::WriteBytes(PathIn(L"notes.txt"), {'n', 'o', 't', 'e', 's'});
    for (const auto& [name, out] : {std::pair<const wchar_t*, const char*>{L"missing.log", ""}, {L"notes.txt", ""},
                                    {L"damaged.log", "whole line\n"}}) {
        ChildProcess bad(mvjava, {L"log", PathIn(name)});
        EXPECT_EQ(bad.Finish(60000), 6u) << mvjava::ToUtf8(name);
        EXPECT_EQ(bad.out(), out);
        EXPECT_EQ(bad.err().rfind("mvjava: ", 0), 0u) << bad.err();
    }
}

TEST(MvjavaJson, TheHooksTextReadsBackAsTheNodesWritten) {
    mvjava::ComponentNode root, child;
    root.path = L"/3", root.className = L"java.awt.Frame", root.name = L"";
    root.title = std::wstring(L"q\" b\\ n\n t\t nul") + L'\0' + L" \u00e9 \U0001F600 " + static_cast<wchar_t>(0xD800);
    root.children = mvjava::Children::kListed, root.visible = true;
    child.path = L"/3/0", child.className = L"java.awt.Button", child.x = -2147483647 - 1, child.height = 2147483647;
    root.childNodes = {child};
    const std::string json = mvjava::NodesToJson({root, child});
    EXPECT_EQ(json.rfind("[{\"path\":\"/3\",\"class\":\"java.awt.Frame\",\"name\":\"\",\"title\":\"q\\\" b\\\\ n\\n t\\t nul", 0), 0u)
        << json;  // keys in order, no spaces, RFC 8259 escapes
    EXPECT_NE(json.find("nul\\u0000 \xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBD\""), std::string::npos) << json;
    std::string error;
    root.title = std::wstring(L"q\" b\\ n\n t\t nul") + L'\0' + L" \u00e9 \U0001F600 \uFFFD";  // an unpaired surrogate: U+FFFD
    const auto read = mvjava::NodesFromJsonText(json, error);
    ASSERT_TRUE(read) << error;
    EXPECT_TRUE(read->size() == 2 && (*read)[0] == root && (*read)[1] == child);
    const std::string node = "[{\"path\":\"/0\",\"class\":\"C\",\"name\":null,\"title\":null,\"x\":0,\"y\":0,\"width\":0,\"height\":";
    for (const std::string& text : {std::string("{}"), node + "0}]", node + "0.5,\"visible\":true}]",
                                    node + "4294967296,\"visible\":true}]", node + "0,\"visible\":true,\"children\":{}}]"})
        EXPECT_FALSE(mvjava::NodesFromJsonText(text, error)) << text;
    for (const std::string& text : {std::string("[1,]"), std::string("\"\\u12G4\""), std::string("[1] [2]"), std::string("01"),
                                    std::string(5000, '[') + std::string(5000, ']')})  // nesting is bounded
        EXPECT_FALSE(mvjava::ParseJson(text).value) << text.substr(0, 40);
}

}  // namespace
