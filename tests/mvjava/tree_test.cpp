// mvjava list and tree against the host: the published JVM is listed with its windows, and the
// tree (JSON and text, whole, to a depth, or of one native window's Java window) is the tree the
// component interfaces give. With the hook's one-call snapshot, both ways give the same bytes.

#include <windows.h>

#include <functional>
#include <map>

#include "mvjava_test.h"

namespace mv::test {
namespace {

using mvjava::JsonValue;

const std::vector<std::wstring> kNodeKeys = {L"path", L"class", L"name", L"title", L"x",
                                             L"y",    L"width", L"height", L"visible"};

std::optional<std::wstring> OptionalString(const JsonValue& value) {
    if (value.is(JsonValue::Type::kString)) return value.string();
    return std::nullopt;
}

// Checks one JSON node and its descendants against the records; `depthLimit` -1 for none.
void ExpectNodeMatches(const JsonValue& node, const std::vector<ComponentRecord>& records, int depthLimit,
                       std::size_t& seen) {
    ASSERT_TRUE(node.is(JsonValue::Type::kObject));
    std::vector<std::wstring> keys;
    for (const auto& member : node.members()) keys.push_back(member.first);
    std::vector<std::wstring> expectedKeys = kNodeKeys;
    if (node.find(L"children")) expectedKeys.push_back(L"children");
    ASSERT_EQ(keys, expectedKeys) << "keys of a node, in order";

    const std::wstring path = node.find(L"path")->string();
    const ComponentRecord* record = RecordAt(records, path);
    ASSERT_NE(record, nullptr) << "mvjava shows a component the interfaces do not: " << Utf8(path);
    ++seen;
    const std::string where = Utf8(path);
    EXPECT_EQ(node.find(L"class")->string(), record->className) << where;
    EXPECT_EQ(OptionalString(*node.find(L"name")), record->name) << where;
    EXPECT_EQ(OptionalString(*node.find(L"title")), record->title) << where;
    EXPECT_EQ(node.find(L"x")->integer(), record->bounds.x) << where;
    EXPECT_EQ(node.find(L"y")->integer(), record->bounds.y) << where;
    EXPECT_EQ(node.find(L"width")->integer(), record->bounds.width) << where;
    EXPECT_EQ(node.find(L"height")->integer(), record->bounds.height) << where;
    EXPECT_EQ(node.find(L"visible")->boolean(), record->visible) << where;

    const JsonValue* children = node.find(L"children");
    ASSERT_EQ(children != nullptr, record->container) << where << ": \"children\" only for containers";
    if (!children) return;
    if (depthLimit >= 0 && record->depth >= depthLimit) {
        EXPECT_TRUE(children->is(JsonValue::Type::kNull)) << where << " is at the depth limit";
        return;
    }
    ASSERT_TRUE(children->is(JsonValue::Type::kArray)) << where;
    ASSERT_EQ(children->array().size(), record->childCount) << where;
    for (std::size_t i = 0; i < children->array().size(); ++i) {
        const JsonValue& child = children->array()[i];
        const JsonValue* childPath = child.find(L"path");
        ASSERT_TRUE(childPath && childPath->is(JsonValue::Type::kString)) << where;
        EXPECT_EQ(childPath->string(), path + L"/" + std::to_wstring(i)) << "child paths follow Java order";
        ExpectNodeMatches(child, records, depthLimit, seen);
    }
}

// The number of records down to `depthLimit` (-1: all).
std::size_t CountRecords(const std::vector<ComponentRecord>& records, int depthLimit) {
    std::size_t count = 0;
    for (const ComponentRecord& record : records)
        if (depthLimit < 0 || record.depth <= depthLimit) ++count;
    return count;
}

class MvjavaTree : public MvjavaTest {
protected:
    // tree --json with the extra arguments, checked against the interfaces' tree.
    void ExpectTreeMatchesInterfaces(const std::vector<std::wstring>& extra, int depthLimit) {
        std::vector<std::wstring> args = {L"tree", L"PID", L"--json"};
        args.insert(args.end(), extra.begin(), extra.end());
        const MvjavaResult result = Mvjava(args);
        ASSERT_EQ(result.exitCode, 0) << Show(result);
        const std::vector<ComponentRecord> records = RecordTree(jvm());
        const std::optional<JsonValue> tree = Parse(result.out);
        ASSERT_TRUE(tree && tree->is(JsonValue::Type::kArray));
        std::size_t windows = 0;
        for (const ComponentRecord& record : records) windows += record.depth == 0;
        ASSERT_EQ(tree->array().size(), windows);
        std::size_t seen = 0;
        for (std::size_t i = 0; i < tree->array().size(); ++i) {
            EXPECT_EQ(tree->array()[i].find(L"path")->string(), L"/" + std::to_wstring(i));
            ExpectNodeMatches(tree->array()[i], records, depthLimit, seen);
        }
        EXPECT_EQ(seen, CountRecords(records, depthLimit)) << "every component is shown once";
    }
};

TEST_F(MvjavaTree, ListShowsTheHostWithItsWindowsAndVersions) {
    const MvjavaResult json = Mvjava({L"list", L"--json"});
    ASSERT_EQ(json.exitCode, 0) << Show(json);
    const std::optional<JsonValue> list = Parse(json.out);
    ASSERT_TRUE(list && list->is(JsonValue::Type::kArray));
    const JsonValue* entry = nullptr;
    for (const JsonValue& element : list->array())
        if (element.find(L"pid") && element.find(L"pid")->integer() == static_cast<long long>(host().pid()))
            entry = &element;
    ASSERT_NE(entry, nullptr) << "the host's pid is not listed: " << json.out;

    EXPECT_EQ(entry->find(L"windows")->integer(), static_cast<long long>(TopLevelWindows(jvm()).size()));
    long jni = 0;
    ASSERT_EQ(jvm()->GetJVMVersion(&jni), S_OK);
    EXPECT_EQ(entry->find(L"jni")->string(),
              std::to_wstring(static_cast<unsigned long>(jni) >> 16) + L"." + std::to_wstring(jni & 0xFFFF));
    ASSERT_TRUE(entry->find(L"version")->is(JsonValue::Type::kString));
    const std::wstring version = entry->find(L"version")->string();
    EXPECT_FALSE(version.empty());
    EXPECT_TRUE(iswdigit(version[0])) << Utf8(version);

    const MvjavaResult text = Mvjava({L"list"});
    ASSERT_EQ(text.exitCode, 0) << Show(text);
    bool listed = false;
    for (const std::string& line : SplitLines(text.out))
        if (line.rfind(Utf8(Pid()) + " ", 0) == 0) {
            listed = true;
            EXPECT_NE(line.find("java " + Utf8(version)), std::string::npos) << line;
        }
    EXPECT_TRUE(listed) << text.out;
}

TEST_F(MvjavaTree, JsonTreeIsTheTreeOfTheComponentInterfaces) {
    ExpectTreeMatchesInterfaces({}, -1);
    ExpectTreeMatchesInterfaces({L"--walk"}, -1);
}

TEST_F(MvjavaTree, DepthLimitListsNodesDownToItAndMarksContainersBelow) {
    ExpectTreeMatchesInterfaces({L"--depth", L"0"}, 0);
    ExpectTreeMatchesInterfaces({L"--depth", L"2", L"--walk"}, 2);
}

TEST_F(MvjavaTree, WalkAndOneCallGiveTheSameBytes) {
    ASSERT_TRUE(HookHasSnapshot()) << "the hook library in the host answers snapshotWindows";
    for (const std::vector<std::wstring>& extra :
         {std::vector<std::wstring>{}, std::vector<std::wstring>{L"--depth", L"1"}}) {
        std::vector<std::wstring> walk = {L"tree", L"PID", L"--json", L"--walk", L"--stats"};
        std::vector<std::wstring> oneCall = {L"tree", L"PID", L"--json", L"--stats"};
        walk.insert(walk.end(), extra.begin(), extra.end());
        oneCall.insert(oneCall.end(), extra.begin(), extra.end());
        const MvjavaResult walked = Mvjava(walk);
        const MvjavaResult fetched = Mvjava(oneCall);
        ASSERT_EQ(walked.exitCode, 0) << Show(walked);
        ASSERT_EQ(fetched.exitCode, 0) << Show(fetched);
        EXPECT_EQ(walked.out, fetched.out);
        EXPECT_NE(walked.err.find("mvjava: walk: "), std::string::npos) << walked.err;
        EXPECT_NE(fetched.err.find("mvjava: one call: 3 COM calls"), std::string::npos) << fetched.err;
    }
    const MvjavaResult walkedFind = Mvjava({L"find", L"PID", L"--class", L"JTextField", L"--json", L"--walk"});
    const MvjavaResult fetchedFind = Mvjava({L"find", L"PID", L"--class", L"JTextField", L"--json"});
    ASSERT_EQ(walkedFind.exitCode, 0) << Show(walkedFind);
    EXPECT_EQ(walkedFind.out, fetchedFind.out);
}

TEST_F(MvjavaTree, TheOneCallIsUsedQuietlyWhenTheHookHasIt) {
    ASSERT_TRUE(HookHasSnapshot());
    const MvjavaResult quiet = Mvjava({L"tree", L"PID", L"--depth", L"0"});
    ASSERT_EQ(quiet.exitCode, 0) << Show(quiet);
    EXPECT_EQ(quiet.err, "");
    const MvjavaResult verbose = Mvjava({L"tree", L"PID", L"--depth", L"0", L"--verbose", L"--stats"});
    ASSERT_EQ(verbose.exitCode, 0) << Show(verbose);
    EXPECT_EQ(verbose.out, quiet.out);
    EXPECT_EQ(verbose.err.find("walking components"), std::string::npos) << verbose.err;
    EXPECT_EQ(verbose.err.rfind("mvjava: one call: ", 0), 0u) << verbose.err;
}

TEST_F(MvjavaTree, TextTreeIndentsEveryComponentAndEndsWithItsPath) {
    const MvjavaResult result = Mvjava({L"tree", L"PID"});
    ASSERT_EQ(result.exitCode, 0) << Show(result);
    const std::vector<ComponentRecord> records = RecordTree(jvm());
    const std::vector<std::string> lines = SplitLines(result.out);
    ASSERT_EQ(lines.size(), records.size()) << result.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ComponentRecord& record = records[i];
        const std::string& line = lines[i];
        const std::string indent(static_cast<std::size_t>(record.depth) * 2, ' ');
        EXPECT_EQ(line.substr(0, indent.size() + record.className.size()), indent + Utf8(record.className)) << line;
        const std::string path = " " + Utf8(record.path);
        EXPECT_EQ(line.compare(line.size() - path.size(), path.size(), path), 0) << line;
        const std::string bounds = "(" + std::to_string(record.bounds.x) + "," + std::to_string(record.bounds.y) +
                                   " " + std::to_string(record.bounds.width) + "x" +
                                   std::to_string(record.bounds.height) + ")";
        EXPECT_NE(line.find(bounds), std::string::npos) << line;
        if (record.name) {
            EXPECT_NE(line.find(" name=" + Utf8(*record.name)), std::string::npos) << line;
        }
    }
}

TEST_F(MvjavaTree, WindowOptionShowsTheJavaWindowBehindANativeWindow) {
    const std::vector<ComponentRecord> records = RecordTree(jvm());
    const ComponentRecord* login = RecordNamed(records, L"loginFrame");
    ASSERT_NE(login, nullptr);
    const Bounds b = login->bounds;
    HostWindow native = HostWindow::TopLevel(host(), b.x, b.y, b.width, b.height);
    ASSERT_TRUE(native) << native.answer();

    const MvjavaResult result = Mvjava({L"tree", L"PID", L"--window", std::to_wstring(native.value()), L"--json"});
    ASSERT_EQ(result.exitCode, 0) << Show(result);
    const std::optional<JsonValue> tree = Parse(result.out);
    ASSERT_TRUE(tree && tree->is(JsonValue::Type::kArray));
    ASSERT_EQ(tree->array().size(), 1u);
    EXPECT_EQ(tree->array()[0].find(L"path")->string(), login->path);
    std::size_t seen = 0;
    ExpectNodeMatches(tree->array()[0], records, -1, seen);
    std::size_t inLogin = 0;
    for (const ComponentRecord& record : records) inLogin += InSubtree(record.path, login->path);
    EXPECT_EQ(seen, inLogin);

    // The same window with --walk: the same text.
    const MvjavaResult walked =
        Mvjava({L"tree", L"PID", L"--window", std::to_wstring(native.value()), L"--json", L"--walk"});
    EXPECT_EQ(walked.out, result.out);

    // One pixel off: no Java window is behind it.
    HostWindow off = HostWindow::TopLevel(host(), b.x, b.y, b.width, b.height + 1);
    ASSERT_TRUE(off) << off.answer();
    const MvjavaResult none = Mvjava({L"tree", L"PID", L"--window", std::to_wstring(off.value())});
    EXPECT_EQ(none.exitCode, 3) << Show(none);
    EXPECT_EQ(none.out, "");
    EXPECT_TRUE(OneErrorLine(none));
}

}  // namespace
}  // namespace mv::test
