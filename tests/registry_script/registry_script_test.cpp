// The registry script processor. The language is one table of scripts, each run in memory and (unless it
// needs other roots or the registry's name limit) on the real registry, redirected into a scratch key.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/win/handles.h"
#include "memory_registry.h"
#include "module/registry_script/registry_script_processor.h"
#include "module/registry_script/script_runner.h"

namespace {

namespace rs = mv::registry_script;
using Node = rs::MemoryRegistry::Node;
using std::string;

std::u16string U(const string& s) {  // bytes as Latin-1 units
    return {reinterpret_cast<const unsigned char*>(s.data()), reinterpret_cast<const unsigned char*>(s.data()) + s.size()};
}
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
string Repeat(const string& s, int n) { return n > 0 ? s + Repeat(s, n - 1) : ""; }

const string kAppId = "{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}";
const std::pair<std::u16string, std::u16string> kReplacements[] = {
    {u"MODULE", u"C:\\m''s.dll"}, {u"module", u"second"}, {u"APPID", U(kAppId)}, {u"Empty", u""},
    {u"Nested", u"%APPID% 50%"}, {std::u16string(31, u'n'), u"ok"}, {u"Big", std::u16string(3000, u'b')},
    {u"LONG", std::u16string(256, u'x')}};

// A real key's content as a memory registry node, to be written in the same form.
Node ReadKey(HKEY key) {
    Node node;
    std::u16string name(16384, u'\0');
    std::vector<BYTE> data(1 << 16);
    auto buffer = reinterpret_cast<wchar_t*>(name.data());
    for (DWORD i = 0, length = 16384, type = 0, size = 1 << 16;
         ::RegEnumValueW(key, i, buffer, &length, nullptr, &type, data.data(), &size) == 0;
         ++i, length = 16384, size = 1 << 16)
        node.values[name.substr(0, length)] = {type, {data.begin(), data.begin() + size}};
    mv::unique_hkey child;
    for (DWORD i = 0, length = 256; ::RegEnumKeyExW(key, i, buffer, &length, nullptr, nullptr, nullptr, nullptr) == 0 &&
                                    ::RegOpenKeyExW(key, buffer, 0, KEY_READ, child.put()) == 0;
         ++i, length = 256)
        node.keys[name.substr(0, length)] = std::make_shared<Node>(ReadKey(child.get()));
    return node;
}

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    m_scratch.put(), nullptr), 0);
        for (const auto& [name, value] : kReplacements) {
            ASSERT_EQ(m_table.Add(name, value), rs::kOk);
            ASSERT_EQ(m_processor.AddReplacement(W(name), W(value)), S_OK);
        }
    }
    void TearDown() override {
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr), ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    }
    // Empties the scratch key, whose subkeys CU and CR become this process's HKCU and HKCR.
    void Redirect() {
        ::RegDeleteTreeW(m_scratch.get(), nullptr);
        const DWORD all = KEY_ALL_ACCESS;
        ASSERT_EQ(::RegCreateKeyExW(m_scratch.get(), L"CU", 0, nullptr, 0, all, nullptr, m_cu.put(), nullptr), 0);
        ASSERT_EQ(::RegCreateKeyExW(m_scratch.get(), L"CR", 0, nullptr, 0, all, nullptr, m_cr.put(), nullptr), 0);
        ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, m_cu.get()), 0);
        ASSERT_EQ(::RegOverridePredefKey(HKEY_CLASSES_ROOT, m_cr.get()), 0);
    }
    HRESULT Run(const string& script, bool registering) { return m_processor.RegisterBuffer(W(U(script)), registering); }
    string RegistryDump() {
        string out;
        rs::MemoryRegistry::DumpNode(ReadKey(HKEY_CLASSES_ROOT), "HKCR", out);
        rs::MemoryRegistry::DumpNode(ReadKey(HKEY_CURRENT_USER), "HKCU", out);
        return out;
    }

    static constexpr wchar_t kScratch[] = L"Software\\MvRegistryScriptTest";
    mv::unique_hkey m_scratch, m_cu, m_cr;
    rs::ReplacementTable m_table;
    mv::CRegistryScriptProcessor m_processor;
};

// `before` is applied first; `steps` apply ('A') or remove ('R') `script`, each step but the last
// succeeding; `after` is the content then, as MemoryRegistry::Dump writes it.
struct Row {
    string name, before, script;
    const char* steps;
    rs::ScriptResult result;
    string after;
    bool memoryOnly = false;
};

constexpr rs::ScriptResult kOk = rs::kOk, kSyntax = rs::kSyntaxError, kFail = rs::kFail;
constexpr rs::ScriptResult kDenied = rs::HresultFromWin32(5);
constexpr rs::ScriptResult kTooLong = rs::HresultFromWin32(rs::kErrorInvalidParameter);  // a key name over 255 units
const string kExisting = "HKCU { Existing { val V = d 1 Sub } }";
const string kExistingDump = "HKCU/Existing; HKCU/Existing@V=d:01000000; HKCU/Existing/Sub";

// The protected names in order, without regard to case, each in the given form.
string EachProtected(string (*form)(const string&), const char* separator) {
    string out;
    for (const char* n : {"AppID", "clsid", "Component Categories", "FileType", "Hardware", "Interface", "Mime", "SAM",
                          "SECURITY", "Software", "SYSTEM", "TYPELIB"})
        out += (out.empty() ? "" : separator) + form(n);
    return out;
}

std::vector<Row> Rows() {
    const string x4094(4094, 'x'), v255(255, 'v'), mod = "C:\\m's.dll";
    const string keep = "HKCU { NoRemove Keep = s kept { Child = s c val V = s v NoRemove val W = s w } }";
    const string deep511 = Repeat("K { ", rs::kMaxBodyDepth - 1), twice = "HKCU { A = s a { val V = d 1 B { C } } "
                                                                          "NoRemove K { val X = s x } }";
    std::vector<Row> rows = {
        {"empty script", "", "", "A", kOk, ""},
        {"separators only", "", " \r\n\t", "A", kOk, ""},
        {"space, tab, CR and LF separate", "", "HKCU\t{\r\nA\nB  C\r\n}", "A", kOk, "HKCU/A; HKCU/B; HKCU/C"},
        {"braces, = and quotes are plain inside a token", "", "HKCU { {3B9E-0B34} a=b {x ab'c 100%%\xe9 }", "A", kOk,
         "HKCU/100%<e9>; HKCU/a=b; HKCU/ab'c; HKCU/{3B9E-0B34}; HKCU/{x"},
        {"quoted tokens keep separators, doubled quotes are one", "",
         "HKCU { 'a b\t{c}= d' = s 'it''s' { val '''' = s '''x''' } }", "A", kOk,
         "HKCU/a b\t{c}= d; HKCU/a b\t{c}= d@=s:it's|; HKCU/a b\t{c}= d@'=s:'x'|"},
        {"the closing quote ends the token", "", "HKCU { 'ab'cd 'a''b'}", "A", kOk, "HKCU/a'b; HKCU/ab; HKCU/cd"},
        {"unterminated quote", "", "HKCU { 'abc }", "A", kSyntax, ""},
        {"a doubled quote does not close", "", "HKCU { K = s 'abc'' }", "A", kSyntax, ""},
        {"a token of 4094 units", "", "HKCU { K = s " + x4094 + " }", "A", kOk, "HKCU/K; HKCU/K@=s:" + x4094 + "|"},
        {"a quoted token of 4094 units, a doubled quote counting one", "",
         "HKCU { K = s '" + string(8188, '\'') + "' }", "A", kOk, "HKCU/K; HKCU/K@=s:" + string(4094, '\'') + "|"},
        {"a token of 4095 units", "", "HKCU { K = s " + x4094 + "x }", "A", kSyntax, ""},
        {"a quoted token of 4095 units", "", "HKCU { K = s '" + x4094 + "x' }", "A", kSyntax, ""},
        {"placeholders, names without regard to case, the first pair wins", "",
         "HKCU { K = s '%MODULE%' { val C = s '%module%,%mOdUlE%' val E = s [%Empty%] val A = s %APPID%%Empty% } }",
         "A", kOk, "HKCU/K; HKCU/K@=s:" + mod + "|; HKCU/K@A=s:" + kAppId + "|; HKCU/K@C=s:" + mod + "," + mod +
         "|; HKCU/K@E=s:[]|"},
        {"%% is one %, values are not read again", "", "HKCU { K = s '100%% %%%% %%APPID%%' { val N = s '%Nested%' } }",
         "A", kOk, "HKCU/K; HKCU/K@=s:100% %% %APPID%|; HKCU/K@N=s:%APPID% 50%|"},
        {"a name of 31 units", "", "HKCU { K = s %" + string(31, 'n') + "% }", "A", kOk, "HKCU/K; HKCU/K@=s:ok|"},
        {"a name of 32 units", kExisting, "HKCU { K = s %" + string(32, 'n') + "% }", "A", kFail, kExistingDump},
        {"an unknown name", kExisting, "HKCU { ForceRemove Existing = s '%UNKNOWN%' }", "A", kSyntax, kExistingDump},
        {"an unterminated name", kExisting, "HKCU { Delete Existing New = s '%MODULE }", "A", kSyntax, kExistingDump},
        {"a lone %, the closing one looked for first", "", "HKCU { K = s 50% }" + string(40, 'x'), "A", kSyntax, ""},
        {"replaced text longer than the first buffer", "", "HKCU { K = s %Big% }", "A", kOk,
         "HKCU/K; HKCU/K@=s:" + string(3000, 'b') + "|"},
        {"strings end with a NUL", "", "HKCU { K = s 'it''s a {text}' { val Named = S '' val 'two words' = s x } }",
         "A", kOk, "HKCU/K; HKCU/K@=s:it's a {text}|; HKCU/K@Named=s:|; HKCU/K@two words=s:x|"},
        {"multi-strings split at backslash-0 only", "",
         "HKCU { K { val A = m 'one\\0two' val B = M single val C = m '' val D = m 'a\\0\\0b' val E = m 'x\\1\\\\0' } }",
         "A", kOk,
         "HKCU/K; HKCU/K@A=m:one|two||; HKCU/K@B=m:single||; HKCU/K@C=m:||; HKCU/K@D=m:a||b||; HKCU/K@E=m:x\\1\\|||"},
        {"dwords are unsigned decimal", "",
         "HKCU { K { val Ten = d 10 val Max = D 4294967295 val Zero = d '0' val Lead = d 007 } }", "A", kOk,
         "HKCU/K; HKCU/K@Lead=d:07000000; HKCU/K@Max=d:ffffffff; HKCU/K@Ten=d:0a000000; HKCU/K@Zero=d:00000000"},
        {"binary is two hex digits a byte, others count 0", "",
         "HKCU { K { val A = b 0aFF val B = B '' val C = b AbCdEf val D = b 'zz' val E = b g1G2 } }", "A", kOk,
         "HKCU/K; HKCU/K@A=b:0aff; HKCU/K@B=b:; HKCU/K@C=b:abcdef; HKCU/K@D=b:00; HKCU/K@E=b:0102"},
        {"binary with an odd number of digits", "", "HKCU { K = b 0aF }", "A", kFail, ""},
        {"an assignment replaces value and type", "HKCU { K = d 1 { val V = s old } }",
         "HKCU { K = s new { val V = b 01 } }", "A", kOk, "HKCU/K; HKCU/K@=s:new|; HKCU/K@V=b:01"},
        {"value names of 255 units, '' the default value", "", "HKCU { K { val " + v255 + " = d 1 val '' = s x } }",
         "A", kOk, "HKCU/K; HKCU/K@=s:x|; HKCU/K@" + v255 + "=d:01000000"},
        {"a value name of 256 units (apply)", "", "HKCU { K { val " + v255 + "v = d 1 } }", "A", kSyntax, ""},
        {"a value name of 256 units (remove)", "", "HKCU { K { val " + v255 + "v = d 1 } }", "R", kSyntax, ""},
        {"short and long root names in any case, blocks in order", "",
         "HKCR { A } hkey_classes_root { B } HKCU { C }\r\nHKEY_CURRENT_USER { D } hklm { E } HKEY_LOCAL_MACHINE { F } "
         "HKU { G }\nHkey_Users { H } HKPD { I } HKEY_PERFORMANCE_DATA { J } HKDD { K } HKEY_DYN_DATA { L } HKCC { M } "
         "HKEY_CURRENT_CONFIG { N }", "A", kOk,
         "HKCR/A; HKCR/B; HKCU/C; HKCU/D; HKLM/E; HKLM/F; HKU/G; HKU/H; HKPD/I; HKPD/J; HKDD/K; HKDD/L; HKCC/M; HKCC/N",
         true},
        {"keywords without regard to case", "HKCU { Gone { Sub } }",
         "HKCU { noremove A { VAL v = s x } FORCEREMOVE B DELETE Gone nOrEmOvE C }", "A", kOk,
         "HKCU/A; HKCU/A@v=s:x|; HKCU/B; HKCU/C"},
        {"quoted keywords are keywords", "HKCU { Old }", "HKCU { 'Delete' Old 'val' V = s x }", "A", kOk, "HKCU@V=s:x|"},
        {"NoRemove changes nothing when applying", "HKCU { Keep { val Foreign = d 5 } }", keep, "A", kOk,
         "HKCU/Keep; HKCU/Keep@=s:kept|; HKCU/Keep@Foreign=d:05000000; HKCU/Keep@V=s:v|; HKCU/Keep@W=s:w|; "
         "HKCU/Keep/Child; HKCU/Keep/Child@=s:c|"},
        {"NoRemove keeps the key and its default value, removes what its body names",
         "HKCU { Keep { val Foreign = d 5 } }", keep, "AR", kOk,
         "HKCU/Keep; HKCU/Keep@=s:kept|; HKCU/Keep@Foreign=d:05000000; HKCU/Keep@W=s:w|"},
        {"ForceRemove deletes the subtree first",
         "HKCU { Fresh { val Old = d 1 Stale { val Old = d 2 Deeper { Deepest } } } Sibling }",
         "HKCU { ForceRemove Fresh = s new { Kept } }", "A", kOk,
         "HKCU/Fresh; HKCU/Fresh@=s:new|; HKCU/Fresh/Kept; HKCU/Sibling"},
        {"without ForceRemove what exists stays", "HKCU { Fresh { val Old = d 1 Stale } }",
         "HKCU { Fresh = s new { Kept } }", "A", kOk,
         "HKCU/Fresh; HKCU/Fresh@=s:new|; HKCU/Fresh@Old=d:01000000; HKCU/Fresh/Kept; HKCU/Fresh/Stale"},
        {"ForceRemove of a missing key creates it", "", "HKCU { ForceRemove 'New Key' }", "A", kOk, "HKCU/New Key"},
        {"Delete removes subtrees and creates nothing", "HKCU { Old { Sub { Deep } } Assigned }",
         "HKCU { Delete Old Delete Missing Delete Assigned = s 'x' After }", "A", kOk, "HKCU/After"},
        {"Delete has no body", "HKCU { Old }", "HKCU { Delete Old { X } }", "A", kSyntax, "HKCU/Old"},
        {"val has no body", "HKCU { Old }", "HKCU { K { val V = s x { X } } }", "A", kSyntax, "HKCU/Old"},
        {"val writes into the enclosing key", "", "HKCU { K { val A = s a Sub { val B = d 2 } } val Top = d 1 }", "A",
         kOk, "HKCU@Top=d:01000000; HKCU/K; HKCU/K@A=s:a|; HKCU/K/Sub; HKCU/K/Sub@B=d:02000000"},
        {"ForceRemove and Delete never delete a protected key, in any case",
         "HKCR { " + EachProtected([](const string& n) { return "'" + n + "' { Other }"; }, " ") + " }",
         "HKCR { " + EachProtected([](const string& n) { return "forceremove '" + n + "' { mine } delete '" + n + "'"; },
                                   " ") + " }",
         "A", kOk, EachProtected([](const string& n) { return "HKCR/" + n + "; HKCR/" + n + "/mine; HKCR/" + n + "/Other"; },
                                 "; ")},
        {"protection covers only the named key", "HKCR { CLSID { {C} { TypeLib { Stale } } } CLSIDs { Sub } 'App ID' }",
         "HKCR { NoRemove CLSID { ForceRemove {C} } Delete CLSIDs Delete 'App ID' }", "A", kOk,
         "HKCR/CLSID; HKCR/CLSID/{C}"},
        {"removal takes what the script names and nothing else", "HKCU { Unrelated { val V = d 3 } val RootValue = d 4 }",
         "HKCU { A = s a { val V = d 1 B { C = b 00 } } NoRemove Unrelated { D } val W = s w }", "AR", kOk,
         "HKCU@RootValue=d:04000000; HKCU/Unrelated; HKCU/Unrelated@V=d:03000000"},
        {"removing what is gone succeeds", "", twice, "R", kOk, ""},
        {"removing twice succeeds", "", twice, "ARR", kOk, "HKCU/K"},
        {"a key with subkeys the script does not name stays, removal stops", "HKCU { A { B Foreign } After }",
         "HKCU { A { B } After }", "R", kDenied, "HKCU/A; HKCU/A/Foreign; HKCU/After"},
        {"Delete and ForceRemove name keys to remove", "HKCU { D F { X } }", "HKCU { ForceRemove F { X } Delete D }", "R",
         kOk, ""},
        {"the body of a missing key is read without effect", "HKCU { Other Sub val V = d 1 }",
         "HKCU { Missing = s x { val V = s x Sub { Deeper } } Other }", "R", kOk, "HKCU@V=d:01000000; HKCU/Sub"},
        {"blocks before a malformed one stay applied", kExisting, "HKCU { First } HKCU { Second = b 'abc' }", "A", kFail,
         kExistingDump + "; HKCU/First"},
        {"blocks before a malformed one are removed", kExisting + " HKCU { First }", "HKCU { First } HKCU { Second \\ }",
         "R", kSyntax, kExistingDump},
        {"nesting up to the limit", kExisting, "HKCU { " + deep511 + "Leaf = s deepest " + Repeat("} ", rs::kMaxBodyDepth),
         "AR", kOk, kExistingDump, true},
        {"a block failing in the registry is removed again, NoRemove keys stay", "HKCU { Kept { val V = d 1 Foreign } }",
         "HKCU { A = s a { B { val X = d 1 } } NoRemove Kept { C = s c val W = s w } %LONG% = s b { Under } D }", "A",
         kTooLong, "HKCU/Kept; HKCU/Kept@V=d:01000000; HKCU/Kept/Foreign", true},
        {"blocks before the failing one stay", "", "HKCU { First } HKLM { Second %LONG% } HKCU { Third }", "A", kTooLong,
         "HKCU/First", true},
        {"roll-back removes keys of the block that existed before", "HKCU { Older }", "HKCU { Older %LONG% }", "A",
         kTooLong, "", true},
        {"roll-back stops at a key it cannot open", "", "HKCU { A { val V = s v B { %LONG% } } }", "A", kTooLong,
         "HKCU/A; HKCU/A/B", true},
    };
    // Malformed scripts are refused before they change anything, also after a ForceRemove or Delete.
    for (const auto& [script, steps] : std::vector<std::pair<string, const char*>>{
             {"HKXX { New }", "A"}, {"HKCU New { }", "A"}, {"HKCU", "A"}, {"HKCU {", "A"}, {"HKCU { New", "A"},
             {"HKCU { New { val V s 'x' } }", "A"}, {"HKCU { New\\Sub }", "A"}, {"HKCU { '' }", "A"},
             {"HKCU { ForceRemove Existing\\Sub }", "A"}, {"HKCU { ForceRemove Existing { New = q 'x' } }", "A"},
             {"HKCU { " + deep511 + "K { ", "A"}, {"HKCU { Other = sz 'v' }", "A"}, {"HKCU { Other = '' 'v' }", "A"},
             {"HKCU { Existing { Sub } val V s x }", "R"}, {"HKCU { Existing { Sub } New\\Sub }", "R"},
             {"HKCU { Existing { Sub } New", "R"}})
        rows.push_back({steps + (" malformed: " + script.substr(0, 60)), kExisting, script, steps, kSyntax, kExistingDump});
    for (const char* text : {"4294967296", "-1", "''"})
        rows.push_back({"dword " + string(text), kExisting, "HKCU { Delete Existing New = d " + string(text) + " }", "A",
                        kSyntax, kExistingDump});
    return rows;
}

// The result of the row's last step, or of the first that failed.
template <typename Run>
rs::ScriptResult RunRow(const Row& row, Run run) {
    rs::ScriptResult result = row.before.empty() ? kOk : run(row.before, true);
    for (const char* step = row.steps; *step && result == kOk; ++step) result = run(row.script, *step == 'A');
    return result;
}

TEST_F(ScriptTest, EveryRowInMemoryAndInTheRegistry) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        rs::MemoryRegistry memory;
        EXPECT_EQ(RunRow(row, [&](const string& script, bool registering) {
                      const rs::ScriptResult result = rs::RegisterBuffer(U(script), m_table, registering, memory);
                      EXPECT_EQ(memory.OpenHandles(), 0u) << "keys left open";
                      return result;
                  }), row.result) << "in memory";
        EXPECT_EQ(memory.Dump(), row.after) << "in memory";
        if (row.memoryOnly) continue;
        Redirect();
        EXPECT_EQ(RunRow(row, [&](const string& script, bool registering) { return Run(script, registering); }),
                  row.result) << "in the registry";
        EXPECT_EQ(RegistryDump(), row.after) << "in the registry";
    }
}

}  // namespace
