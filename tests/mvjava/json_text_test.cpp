// The JSON text mvjava writes and reads: the node layout both snapshot paths must produce byte
// for byte (key order, no spaces, the escapes), and the reader that takes the Java hook's text
// back, including what it must refuse.

#include <gtest/gtest.h>

#include "json_reader.h"
#include "node_json.h"
#include "utf8.h"

namespace {

using mvjava::Children;
using mvjava::ComponentNode;
using mvjava::JsonValue;

ComponentNode Leaf(const std::wstring& path, const std::wstring& className) {
    ComponentNode node;
    node.path = path;
    node.className = className;
    return node;
}

TEST(NodeJson, KeysInOrderWithoutSpacesAndChildrenOnlyForContainers) {
    ComponentNode frame = Leaf(L"/0", L"javax.swing.JFrame");
    frame.name = L"loginFrame";
    frame.title = L"Sign in";
    frame.x = 100, frame.y = -8, frame.width = 480, frame.height = 360;
    frame.visible = true;
    frame.children = Children::kListed;
    ComponentNode panel = Leaf(L"/0/0", L"javax.swing.JPanel");
    panel.children = Children::kNotListed;
    ComponentNode empty = Leaf(L"/0/1", L"java.awt.Panel");
    empty.children = Children::kListed;
    frame.childNodes = {panel, empty, Leaf(L"/0/2", L"java.awt.Label")};

    EXPECT_EQ(mvjava::NodesToJson({frame}),
              "[{\"path\":\"/0\",\"class\":\"javax.swing.JFrame\",\"name\":\"loginFrame\",\"title\":\"Sign in\","
              "\"x\":100,\"y\":-8,\"width\":480,\"height\":360,\"visible\":true,\"children\":["
              "{\"path\":\"/0/0\",\"class\":\"javax.swing.JPanel\",\"name\":null,\"title\":null,"
              "\"x\":0,\"y\":0,\"width\":0,\"height\":0,\"visible\":false,\"children\":null},"
              "{\"path\":\"/0/1\",\"class\":\"java.awt.Panel\",\"name\":null,\"title\":null,"
              "\"x\":0,\"y\":0,\"width\":0,\"height\":0,\"visible\":false,\"children\":[]},"
              "{\"path\":\"/0/2\",\"class\":\"java.awt.Label\",\"name\":null,\"title\":null,"
              "\"x\":0,\"y\":0,\"width\":0,\"height\":0,\"visible\":false}]}]");
    EXPECT_EQ(mvjava::NodesToJson({}), "[]");
}

TEST(NodeJson, StringsAreEscapedAsRfc8259AndWrittenAsUtf8) {
    ComponentNode node = Leaf(L"/0", L"C");
    node.title = std::wstring(L"q\" b\\ n\n r\r t\t nul") + L'\0' + L" bs\b ff\f us\x1F del\x7F /" +
                 L" \u00e9\u6771 \U0001F600";
    std::string expected = "q\\\" b\\\\ n\\n r\\r t\\t nul\\u0000 bs\\u0008 ff\\u000C us\\u001F del\x7F /"
                           " \xC3\xA9\xE6\x9D\xB1 \xF0\x9F\x98\x80";
    const std::string json = mvjava::NodesToJson({node});
    EXPECT_NE(json.find("\"title\":\"" + expected + "\""), std::string::npos) << json;

    // An unpaired surrogate cannot be UTF-8: it becomes U+FFFD.
    node.title = std::wstring(L"a") + static_cast<wchar_t>(0xD800) + L"b";
    EXPECT_NE(mvjava::NodesToJson({node}).find("\"title\":\"a\xEF\xBF\xBD" "b\""), std::string::npos);
}

TEST(NodeJson, ReadingWhatWasWrittenGivesTheSameTree) {
    ComponentNode root = Leaf(L"/3", L"java.awt.Frame");
    root.title = L"tab\tquote\"\u00e9\U0001F600";
    root.name = L"";
    root.children = Children::kListed;
    root.visible = true;
    ComponentNode child = Leaf(L"/3/0", L"java.awt.Button");
    child.x = -2147483647 - 1;
    child.height = 2147483647;
    root.childNodes = {child};
    std::string error;
    const auto read = mvjava::NodesFromJsonText(mvjava::NodesToJson({root, child}), error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->size(), 2u);
    EXPECT_EQ((*read)[0], root);
    EXPECT_EQ((*read)[1], child);
}

TEST(NodeJson, NodesOfTheWrongShapeAreRefused) {
    std::string error;
    for (const char* text : {
             "{}",                                                                   // not an array
             "[{\"path\":\"/0\",\"class\":\"C\",\"name\":null,\"title\":null,\"x\":0,\"y\":0,\"width\":0}]",
             "[{\"path\":\"/0\",\"class\":\"C\",\"name\":1,\"title\":null,\"x\":0,\"y\":0,\"width\":0,"
             "\"height\":0,\"visible\":true}]",                                      // name is a number
             "[{\"path\":\"/0\",\"class\":\"C\",\"name\":null,\"title\":null,\"x\":0.5,\"y\":0,\"width\":0,"
             "\"height\":0,\"visible\":true}]",                                      // x is no integer
             "[{\"path\":\"/0\",\"class\":\"C\",\"name\":null,\"title\":null,\"x\":0,\"y\":0,\"width\":0,"
             "\"height\":0,\"visible\":true,\"children\":{}}]",                      // children an object
             "[{\"path\":\"/0\",\"class\":\"C\",\"name\":null,\"title\":null,\"x\":0,\"y\":0,\"width\":0,"
             "\"height\":4294967296,\"visible\":true}]",                             // out of int range
         }) {
        error.clear();
        EXPECT_FALSE(mvjava::NodesFromJsonText(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(JsonReader, ReadsEscapesSurrogatePairsAndNumbers) {
    const mvjava::JsonParseResult parsed =
        mvjava::ParseJson(" {\"a\":[1,-2.5e1,true,false,null],\"s\":\"\\u00e9\\uD83D\\uDE00\\/\\b\\f\\n\\\"\"} ");
    ASSERT_TRUE(parsed.value) << parsed.error;
    const JsonValue* a = parsed.value->find(L"a");
    ASSERT_TRUE(a && a->is(JsonValue::Type::kArray));
    ASSERT_EQ(a->array().size(), 5u);
    EXPECT_EQ(a->array()[0].integer(), 1);
    EXPECT_EQ(a->array()[1].number(), -25.0);
    EXPECT_EQ(a->array()[1].integer(), -25) << "an integral value written with an exponent";
    EXPECT_TRUE(a->array()[2].boolean());
    EXPECT_TRUE(a->array()[4].is(JsonValue::Type::kNull));
    EXPECT_EQ(parsed.value->find(L"s")->string(), L"\u00e9\U0001F600/\b\f\n\"");
    EXPECT_EQ(parsed.value->members().front().first, L"a") << "members keep their order";
}

TEST(JsonReader, RefusesWhatIsNotOneJsonValue) {
    for (const char* text : {"", "[", "[1,]", "{\"a\" 1}", "{\"a\":1,}", "[1] [2]", "\"unterminated", "\"tab\there\"",
                             "\"\\x\"", "\"\\u12G4\"", "01", "-", "1.", "tru", "[nul]", "{1:2}"}) {
        const mvjava::JsonParseResult parsed = mvjava::ParseJson(text);
        EXPECT_FALSE(parsed.value) << text;
        EXPECT_NE(parsed.error.find("at byte"), std::string::npos) << text;
    }
    std::string deep(5000, '[');
    EXPECT_FALSE(mvjava::ParseJson(deep + std::string(5000, ']')).value) << "nesting is bounded";
}

TEST(Utf8, MalformedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(mvjava::FromUtf8("a\xC3\xA9" "b"), L"a\u00e9b");
    EXPECT_EQ(mvjava::FromUtf8("\xF0\x9F\x98\x80"), L"\U0001F600");
    EXPECT_EQ(mvjava::FromUtf8("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(mvjava::FromUtf8("\xC0\x80"), L"\uFFFD") << "overlong";
    EXPECT_EQ(mvjava::FromUtf8("\xED\xA0\x80"), L"\uFFFD") << "an encoded surrogate";
    EXPECT_EQ(mvjava::FromUtf8("\xE6\x9D"), L"\uFFFD") << "cut short";
}

}  // namespace
