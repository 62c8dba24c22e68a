// mvjava find: the paths of the components that pass every filter given (class by full or short
// name, name, exact title, part of the title), compared with a filter the test applies to the
// tree it reads through the component interfaces.

#include <windows.h>

#include <functional>

#include "mvjava_test.h"

namespace mv::test {
namespace {

using mvjava::JsonValue;

std::wstring ShortName(const std::wstring& className) {
    const std::size_t dot = className.rfind(L'.');
    return dot == std::wstring::npos ? className : className.substr(dot + 1);
}

class MvjavaFind : public MvjavaTest {
protected:
    // The paths `find --json` prints for the filter arguments (and its exit code).
    std::vector<std::wstring> FoundPaths(const std::vector<std::wstring>& filters, int expectedExit = 0) {
        std::vector<std::wstring> args = {L"find", L"PID", L"--json"};
        args.insert(args.end(), filters.begin(), filters.end());
        const MvjavaResult result = Mvjava(args);
        EXPECT_EQ(result.exitCode, expectedExit) << Show(result);
        std::vector<std::wstring> paths;
        const std::optional<JsonValue> found = Parse(result.out);
        if (!found || !found->is(JsonValue::Type::kArray)) return paths;
        for (const JsonValue& node : found->array()) {
            paths.push_back(node.find(L"path")->string());
            // A match is shown without its descendants.
            const JsonValue* children = node.find(L"children");
            EXPECT_TRUE(!children || children->is(JsonValue::Type::kNull)) << Utf8(paths.back());
        }
        return paths;
    }

    std::vector<std::wstring> ExpectedPaths(const std::function<bool(const ComponentRecord&)>& keep) {
        std::vector<std::wstring> paths;
        for (const ComponentRecord& record : RecordTree(jvm()))
            if (keep(record)) paths.push_back(record.path);
        return paths;
    }
};

TEST_F(MvjavaFind, ClassMatchesByFullOrShortName) {
    const auto textFields = ExpectedPaths([](const ComponentRecord& r) { return r.className == L"javax.swing.JTextField"; });
    ASSERT_GE(textFields.size(), 2u);
    EXPECT_EQ(FoundPaths({L"--class", L"JTextField"}), textFields);
    EXPECT_EQ(FoundPaths({L"--class", L"javax.swing.JTextField"}), textFields);
    // A short name is the part after the last dot, not any suffix, and a class never matches a subclass.
    EXPECT_EQ(FoundPaths({L"--class", L"TextField"}),
              ExpectedPaths([](const ComponentRecord& r) { return ShortName(r.className) == L"TextField"; }));
}

TEST_F(MvjavaFind, NameTitleAndTextFiltersCombine) {
    EXPECT_EQ(FoundPaths({L"--name", L"user"}), std::vector<std::wstring>{PathOf(L"user")});

    // "Sign in" is the login window's title and the button's text: both match the title alone.
    const auto signIn = ExpectedPaths([](const ComponentRecord& r) { return r.title == L"Sign in"; });
    ASSERT_EQ(signIn.size(), 2u);
    EXPECT_EQ(FoundPaths({L"--title", L"Sign in"}), signIn);
    EXPECT_EQ(FoundPaths({L"--title", L"Sign in", L"--class", L"JButton"}), std::vector<std::wstring>{PathOf(L"signIn")});
    EXPECT_EQ(FoundPaths({L"--title", L"Sign in", L"--name", L"loginFrame"}),
              std::vector<std::wstring>{PathOf(L"loginFrame")});

    // --text is a part of the title; --title must be all of it.
    const auto sample = ExpectedPaths([](const ComponentRecord& r) {
        return r.title && r.title->find(L"sample") != std::wstring::npos;
    });
    ASSERT_FALSE(sample.empty());
    EXPECT_EQ(FoundPaths({L"--text", L"sample"}), sample);
    FoundPaths({L"--title", L"sample"}, 3);
    EXPECT_EQ(FoundPaths({L"--text", L"sample", L"--class", L"java.awt.Frame"}),
              std::vector<std::wstring>{PathOf(L"awtFrame")});
}

TEST_F(MvjavaFind, TextOutputStartsEachLineWithThePath) {
    const MvjavaResult result = Mvjava({L"find", L"PID", L"--class", L"java.awt.Button"});
    ASSERT_EQ(result.exitCode, 0) << Show(result);
    const auto buttons = ExpectedPaths([](const ComponentRecord& r) { return r.className == L"java.awt.Button"; });
    const std::vector<std::string> lines = SplitLines(result.out);
    ASSERT_EQ(lines.size(), buttons.size()) << result.out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].rfind(Utf8(buttons[i]) + " java.awt.Button ", 0), 0u) << lines[i];
}

TEST_F(MvjavaFind, NothingMatchedIsExitThreeWithOneErrorLine) {
    const MvjavaResult result = Mvjava({L"find", L"PID", L"--class", L"JButton", L"--name", L"user"});
    EXPECT_EQ(result.exitCode, 3) << Show(result);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(OneErrorLine(result));
    const MvjavaResult json = Mvjava({L"find", L"PID", L"--name", L"no such name", L"--json"});
    EXPECT_EQ(json.exitCode, 3) << Show(json);
    EXPECT_EQ(json.out, "[]\n");
}

}  // namespace
}  // namespace mv::test
