// The registry script language run against a registry held in memory: value types, keywords,
// protected names, removal, error codes of malformed scripts and the roll-back of a block
// that fails midway.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "module/registry_script/replacement_table.h"
#include "module/registry_script/script_runner.h"
#include "support/memory_registry.h"
#include "support/script_test_values.h"

namespace {

namespace rs = mv::registry_script;
namespace mem = mv::registry_script::memreg;
using mem::Binary;
using mem::Dword;
using mem::MultiSz;
using mem::Sz;
using Paths = std::vector<std::u16string>;

constexpr rs::ScriptResult kAccessDenied = rs::HresultFromWin32(mem::kErrorAccessDenied);

class ScriptTest : public ::testing::Test {
protected:
    rs::ScriptResult Apply(std::u16string_view script) { return Run(script, true); }
    rs::ScriptResult Remove(std::u16string_view script) { return Run(script, false); }

    rs::ScriptResult Run(std::u16string_view script, bool registering) {
        const rs::ScriptResult result = rs::RegisterBuffer(script, m_table, registering, m_registry);
        EXPECT_EQ(m_registry.OpenHandleCount(), 0u) << "keys left open";
        return result;
    }

    std::optional<mem::Value> ValueAt(std::u16string_view path, std::u16string_view name = u"") const {
        return m_registry.FindValue(path, name);
    }
    Paths KeysUnder(std::u16string_view prefix) const {
        Paths under;
        for (const std::u16string& path : m_registry.KeyPaths()) {
            if (path.compare(0, prefix.size(), prefix) == 0) under.push_back(path);
        }
        return under;
    }

    mem::MemoryRegistry m_registry;
    rs::ReplacementTable m_table;
};

// --- value types ---------------------------------------------------------------------------

using ScriptValues = ScriptTest;

TEST_F(ScriptValues, StringsAreStoredWithTheirTerminatingNul) {
    ASSERT_EQ(Apply(u"HKCU { K = s 'it''s a {text}' { val Named = S '' val 'two words' = s x } }"), rs::kOk);
    EXPECT_EQ(ValueAt(u"HKCU\\K"), Sz(u"it's a {text}"));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"Named"), Sz(u""));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"two words"), Sz(u"x"));
}

TEST_F(ScriptValues, MultiStringsSplitAtBackslashZero) {
    ASSERT_EQ(Apply(u"HKCU { K { val A = m 'one\\0two' val B = M single val C = m '' "
                    u"val D = m 'a\\0\\0b' val E = m 'x\\1\\\\0' } }"),
              rs::kOk);
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"A"), MultiSz({u"one", u"two"}));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"B"), MultiSz({u"single"}));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"C"), MultiSz({u""}));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"D"), MultiSz({u"a", u"", u"b"}));
    // Only a backslash directly followed by 0 separates.
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"E"), MultiSz({u"x\\1\\", u""}));
}

TEST_F(ScriptValues, DwordsAreDecimalUnsigned32BitNumbers) {
    ASSERT_EQ(Apply(u"HKCU { K { val Ten = d 10 val Max = D 4294967295 val Zero = d '0' val Lead = d 007 } }"),
              rs::kOk);
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"Ten"), Dword(10));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"Max"), Dword(0xFFFFFFFFu));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"Zero"), Dword(0));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"Lead"), Dword(7));
}

TEST_F(ScriptValues, DwordTextThatIsNoUnsignedNumberIsRefused) {
    for (const char16_t* text : {u"4294967296", u"-1", u"+1", u"ten", u"''", u"1x", u"0x10", u"'1 '"}) {
        EXPECT_EQ(Apply(u"HKCU { K = d " + std::u16string(text) + u" }"), rs::kSyntaxError) << text;
    }
    EXPECT_TRUE(m_registry.IsEmpty());
}

TEST_F(ScriptValues, BinaryIsTwoHexDigitsPerByteHighDigitFirst) {
    ASSERT_EQ(Apply(u"HKCU { K { val A = b 0aFF val B = B '' val C = b AbCdEf val D = b 'zz' val E = b g1G2 } }"),
              rs::kOk);
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"A"), Binary({0x0A, 0xFF}));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"B"), Binary({}));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"C"), Binary({0xAB, 0xCD, 0xEF}));
    // A character that is no hexadecimal digit counts as 0.
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"D"), Binary({0x00}));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"E"), Binary({0x01, 0x02}));
}

TEST_F(ScriptValues, BinaryWithAnOddNumberOfDigitsFails) {
    EXPECT_EQ(Apply(u"HKCU { K = b 0aF }"), rs::kFail);
    EXPECT_EQ(Apply(u"HKCU { K { val V = b '1' } }"), rs::kFail);
    EXPECT_TRUE(m_registry.IsEmpty());
}

TEST_F(ScriptValues, TypesAreOneLetterInEitherCase) {
    ASSERT_EQ(Apply(u"HKCU { K { val s = s x val S = S x val d = d 1 val D = D 1 val m = m x val M = M x "
                    u"val b = b 00 val B = B 00 } }"),
              rs::kOk);
    for (const char16_t* bad : {u"x", u"sz", u"'REG_SZ'", u"''", u"SS"}) {
        EXPECT_EQ(Apply(u"HKCU { Other = " + std::u16string(bad) + u" 'v' }"), rs::kSyntaxError) << bad;
    }
    EXPECT_FALSE(m_registry.HasKey(u"HKCU\\Other"));
}

TEST_F(ScriptValues, AnAssignmentReplacesTheValueAndItsType) {
    m_registry.AddValue(u"HKCU\\K", u"", Dword(1));
    m_registry.AddValue(u"HKCU\\K", u"V", Sz(u"old"));
    ASSERT_EQ(Apply(u"HKCU { K = s new { val V = b 01 } }"), rs::kOk);
    EXPECT_EQ(ValueAt(u"HKCU\\K"), Sz(u"new"));
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"V"), Binary({0x01}));
}

TEST_F(ScriptValues, ValueNamesHoldAtMost255Characters) {
    const std::u16string longest(255, u'v');
    ASSERT_EQ(Apply(u"HKCU { K { val " + longest + u" = d 1 val '' = s default } }"), rs::kOk);
    EXPECT_EQ(ValueAt(u"HKCU\\K", longest), Dword(1));
    EXPECT_EQ(ValueAt(u"HKCU\\K"), Sz(u"default")) << "the empty name is the default value";
    EXPECT_EQ(Apply(u"HKCU { K { val " + longest + u"v = d 1 } }"), rs::kSyntaxError);
    EXPECT_EQ(Remove(u"HKCU { K { val " + longest + u"v = d 1 } }"), rs::kSyntaxError);
}

// --- root keys -----------------------------------------------------------------------------

using ScriptRootKeys = ScriptTest;

TEST_F(ScriptRootKeys, ShortAndLongNamesInAnyCaseNameTheSameRoot) {
    const std::pair<const char16_t*, const char16_t*> roots[] = {
        {u"HKCR", u"HKCR"}, {u"hkey_classes_root", u"HKCR"},   {u"HKCU", u"HKCU"}, {u"HKEY_CURRENT_USER", u"HKCU"},
        {u"hklm", u"HKLM"}, {u"HKEY_LOCAL_MACHINE", u"HKLM"},  {u"HKU", u"HKU"},   {u"Hkey_Users", u"HKU"},
        {u"HKPD", u"HKPD"}, {u"HKEY_PERFORMANCE_DATA", u"HKPD"}, {u"HKDD", u"HKDD"}, {u"HKEY_DYN_DATA", u"HKDD"},
        {u"HKCC", u"HKCC"}, {u"HKEY_CURRENT_CONFIG", u"HKCC"},
    };
    for (const auto& [name, root] : roots) {
        ASSERT_EQ(Apply(std::u16string(name) + u" { Probe }"), rs::kOk) << name;
        EXPECT_TRUE(m_registry.HasKey(std::u16string(root) + u"\\Probe")) << name;
        ASSERT_EQ(Remove(std::u16string(name) + u" { Probe }"), rs::kOk) << name;
        EXPECT_TRUE(m_registry.IsEmpty()) << name;
    }
}

TEST_F(ScriptRootKeys, SeveralBlocksRunInOrder) {
    ASSERT_EQ(Apply(u"HKCU { A }\r\nHKLM { B } HKCU { C }\n\n"), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\A", u"HKCU\\C", u"HKLM\\B"}));
    EXPECT_EQ(Apply(u""), rs::kOk);
    EXPECT_EQ(Apply(u" \r\n\t"), rs::kOk);
}

// --- keywords ------------------------------------------------------------------------------

using ScriptKeywords = ScriptTest;

TEST_F(ScriptKeywords, KeywordsIgnoreLetterCase) {
    m_registry.AddKey(u"HKCU\\Gone\\Sub");
    ASSERT_EQ(Apply(u"HKCU { noremove A { VAL v = s x } FORCEREMOVE B DELETE Gone nOrEmOvE C }"), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\A", u"HKCU\\B", u"HKCU\\C"}));
    EXPECT_EQ(ValueAt(u"HKCU\\A", u"v"), Sz(u"x"));
}

TEST_F(ScriptKeywords, NoRemoveKeepsTheKeyButRemovesWhatItsBodyNames) {
    m_registry.AddValue(u"HKCU\\Keep", u"Foreign", Dword(5));
    const std::u16string script = u"HKCU { NoRemove Keep = s kept { Child = s c val V = s v NoRemove val W = s w } }";
    ASSERT_EQ(Apply(script), rs::kOk);
    EXPECT_EQ(ValueAt(u"HKCU\\Keep"), Sz(u"kept")) << "NoRemove changes nothing when applying";
    ASSERT_EQ(Remove(script), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\Keep"}));
    EXPECT_FALSE(ValueAt(u"HKCU\\Keep", u"V"));
    EXPECT_EQ(ValueAt(u"HKCU\\Keep", u"W"), Sz(u"w")) << "a value marked NoRemove stays";
    EXPECT_EQ(ValueAt(u"HKCU\\Keep", u"Foreign"), Dword(5));
    EXPECT_EQ(ValueAt(u"HKCU\\Keep"), Sz(u"kept")) << "a key's default value goes only with the key";
}

TEST_F(ScriptKeywords, ForceRemoveDeletesTheWholeSubtreeBeforeWriting) {
    m_registry.AddKey(u"HKCU\\Fresh\\Stale\\Deeper\\Deepest");
    m_registry.AddValue(u"HKCU\\Fresh", u"Old", Dword(1));
    m_registry.AddValue(u"HKCU\\Fresh\\Stale", u"Old", Dword(2));
    m_registry.AddKey(u"HKCU\\Sibling");
    ASSERT_EQ(Apply(u"HKCU { ForceRemove Fresh = s new { Kept } }"), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\Fresh", u"HKCU\\Fresh\\Kept", u"HKCU\\Sibling"}));
    EXPECT_FALSE(ValueAt(u"HKCU\\Fresh", u"Old"));
    EXPECT_EQ(ValueAt(u"HKCU\\Fresh"), Sz(u"new"));
}

TEST_F(ScriptKeywords, WithoutForceRemoveExistingContentStays) {
    m_registry.AddKey(u"HKCU\\Fresh\\Stale");
    m_registry.AddValue(u"HKCU\\Fresh", u"Old", Dword(1));
    ASSERT_EQ(Apply(u"HKCU { Fresh = s new { Kept } }"), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\Fresh", u"HKCU\\Fresh\\Kept", u"HKCU\\Fresh\\Stale"}));
    EXPECT_EQ(ValueAt(u"HKCU\\Fresh", u"Old"), Dword(1));
}

TEST_F(ScriptKeywords, ForceRemoveOfAMissingKeyCreatesIt) {
    ASSERT_EQ(Apply(u"HKCU { ForceRemove 'New Key' }"), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\New Key"}));
}

TEST_F(ScriptKeywords, DeleteRemovesTheSubtreeAndCreatesNothing) {
    m_registry.AddKey(u"HKCU\\Old\\Sub\\Deep");
    m_registry.AddKey(u"HKCU\\Assigned");
    ASSERT_EQ(Apply(u"HKCU { Delete Old Delete Missing Delete Assigned = s 'x' After }"), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\After"}));
}

TEST_F(ScriptKeywords, DeleteAndValHaveNoBody) {
    m_registry.AddKey(u"HKCU\\Old");
    EXPECT_EQ(Apply(u"HKCU { Delete Old { X } }"), rs::kSyntaxError);
    EXPECT_EQ(Apply(u"HKCU { K { val V = s x { X } } }"), rs::kSyntaxError);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\Old"}));
}

TEST_F(ScriptKeywords, ValWritesIntoTheEnclosingKey) {
    ASSERT_EQ(Apply(u"HKCU { K { val A = s a Sub { val B = d 2 } } val Top = d 1 }"), rs::kOk);
    EXPECT_EQ(ValueAt(u"HKCU\\K", u"A"), Sz(u"a"));
    EXPECT_EQ(ValueAt(u"HKCU\\K\\Sub", u"B"), Dword(2));
    EXPECT_EQ(ValueAt(u"HKCU", u"Top"), Dword(1));
    EXPECT_FALSE(ValueAt(u"HKCU\\K", u"Top"));
}

TEST_F(ScriptKeywords, QuotedKeywordsAreStillKeywords) {
    m_registry.AddKey(u"HKCU\\Old");
    ASSERT_EQ(Apply(u"HKCU { 'Delete' Old 'val' V = s x }"), rs::kOk);
    EXPECT_FALSE(m_registry.HasKey(u"HKCU\\Old"));
    EXPECT_EQ(ValueAt(u"HKCU", u"V"), Sz(u"x"));
}

// --- protected names -----------------------------------------------------------------------

using ProtectedNames = ScriptTest;

TEST_F(ProtectedNames, ForceRemoveAndDeleteNeverDeleteThem) {
    const char16_t* names[] = {u"AppID",    u"CLSID",  u"Component Categories", u"FileType",
                               u"Interface", u"Hardware", u"Mime",              u"SAM",
                               u"SECURITY", u"SYSTEM", u"Software",             u"TypeLib",
                               u"clsid",    u"TYPELIB"};
    for (const char16_t* name : names) {
        const std::u16string key = u"HKCR\\" + std::u16string(name);
        m_registry.AddKey(key + u"\\Other");
        ASSERT_EQ(Apply(u"HKCR { ForceRemove '" + std::u16string(name) + u"' { Mine } }"), rs::kOk) << name;
        EXPECT_TRUE(m_registry.HasKey(key + u"\\Other")) << name << ": ForceRemove deleted it";
        EXPECT_TRUE(m_registry.HasKey(key + u"\\Mine")) << name << ": not opened or created";
        ASSERT_EQ(Apply(u"HKCR { Delete '" + std::u16string(name) + u"' }"), rs::kOk) << name;
        EXPECT_TRUE(m_registry.HasKey(key + u"\\Other")) << name << ": Delete deleted it";
    }
}

TEST_F(ProtectedNames, ProtectionCoversOnlyTheNamedKey) {
    // Stale subkeys of a class key go, whatever their names (re-registration relies on it).
    m_registry.AddKey(u"HKCR\\CLSID\\{C}\\TypeLib\\Stale");
    m_registry.AddKey(u"HKCR\\CLSIDs\\Sub");
    m_registry.AddKey(u"HKCR\\App ID");
    ASSERT_EQ(Apply(u"HKCR { NoRemove CLSID { ForceRemove {C} } Delete CLSIDs Delete 'App ID' }"), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCR\\CLSID", u"HKCR\\CLSID\\{C}"}));
}

// --- removal -------------------------------------------------------------------------------

using ScriptRemoval = ScriptTest;

TEST_F(ScriptRemoval, RemovesWhatTheScriptNamesAndNothingElse) {
    m_registry.AddValue(u"HKCU\\Unrelated", u"V", Dword(3));
    m_registry.AddValue(u"HKCU", u"RootValue", Dword(4));
    const std::u16string script =
        u"HKCU { A = s a { val V = d 1 B { C = b 00 } } NoRemove Unrelated { D } val W = s w }";
    ASSERT_EQ(Apply(script), rs::kOk);
    ASSERT_EQ(Remove(script), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\Unrelated"}));
    EXPECT_EQ(ValueAt(u"HKCU\\Unrelated", u"V"), Dword(3));
    EXPECT_EQ(ValueAt(u"HKCU", u"RootValue"), Dword(4));
    EXPECT_FALSE(ValueAt(u"HKCU", u"W"));
}

TEST_F(ScriptRemoval, KeysThatAreAlreadyGoneAreNoErrors) {
    const std::u16string script = u"HKCU { A = s a { val V = d 1 B { C } } NoRemove K { val X = s x } }";
    EXPECT_EQ(Remove(script), rs::kOk);
    EXPECT_TRUE(m_registry.IsEmpty());
    ASSERT_EQ(Apply(script), rs::kOk);
    EXPECT_EQ(Remove(script), rs::kOk);
    EXPECT_EQ(Remove(script), rs::kOk) << "a second removal";
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\K"}));
}

TEST_F(ScriptRemoval, AKeyWithSubkeysNotInTheScriptIsNotRemoved) {
    const std::u16string script = u"HKCU { A { B } After }";
    ASSERT_EQ(Apply(script), rs::kOk);
    m_registry.AddKey(u"HKCU\\A\\Foreign");
    EXPECT_EQ(Remove(script), kAccessDenied);
    // B went before A failed; removal stopped there.
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\A", u"HKCU\\A\\Foreign", u"HKCU\\After"}));
}

TEST_F(ScriptRemoval, DeleteAndForceRemoveNameKeysToRemove) {
    m_registry.AddKey(u"HKCU\\D");
    ASSERT_EQ(Apply(u"HKCU { ForceRemove F { X } }"), rs::kOk);
    ASSERT_EQ(Remove(u"HKCU { ForceRemove F { X } Delete D }"), rs::kOk);
    EXPECT_TRUE(m_registry.IsEmpty());
}

TEST_F(ScriptRemoval, TheBodyOfAMissingKeyIsReadWithoutEffect) {
    m_registry.AddKey(u"HKCU\\Other");
    m_registry.AddKey(u"HKCU\\Sub");
    m_registry.AddValue(u"HKCU", u"V", Dword(1));
    ASSERT_EQ(Remove(u"HKCU { Missing = s x { val V = s x Sub { Deeper } } Other }"), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\Sub"}));
    EXPECT_EQ(ValueAt(u"HKCU", u"V"), Dword(1));
}

// --- malformed scripts ---------------------------------------------------------------------

class MalformedScripts : public ScriptTest {
protected:
    void SetUp() override {
        m_registry.AddValue(u"HKCU\\Existing", u"V", Dword(1));
        m_registry.AddKey(u"HKCU\\Existing\\Sub");
        m_before = m_registry.KeyPaths();
    }
    void ExpectUnchanged(std::u16string_view script) {
        EXPECT_EQ(m_registry.KeyPaths(), m_before) << "after: " << ::testing::PrintToString(std::u16string(script));
        EXPECT_EQ(ValueAt(u"HKCU\\Existing", u"V"), Dword(1));
    }
    Paths m_before;
};

TEST_F(MalformedScripts, GiveTheirErrorCodeAndChangeNothing) {
    const std::u16string longToken(4095, u't');
    const std::u16string longName(32, u'n');
    std::u16string tooDeep = u"HKCU { ";
    for (int i = 0; i < rs::kMaxBodyDepth; ++i) tooDeep += u"K { ";

    const std::pair<std::u16string, rs::ScriptResult> cases[] = {
        {u"HKXX { New }", rs::kSyntaxError},
        {u"HKCU New { }", rs::kSyntaxError},
        {u"HKCU", rs::kSyntaxError},
        {u"HKCU {", rs::kSyntaxError},
        {u"HKCU { New", rs::kSyntaxError},
        {u"HKCU { New { Newer = s 'x' }", rs::kSyntaxError},
        {u"HKCU { New { val V s 'x' } }", rs::kSyntaxError},
        {u"HKCU { New { val } }", rs::kSyntaxError},
        {u"HKCU { New\\Sub }", rs::kSyntaxError},
        {u"HKCU { New { 'Sub\\Key' = s x } }", rs::kSyntaxError},
        {u"HKCU { ForceRemove Existing\\Sub }", rs::kSyntaxError},
        {u"HKCU { Delete Existing\\Sub }", rs::kSyntaxError},
        {u"HKCU { ForceRemove Existing { New = q 'x' } }", rs::kSyntaxError},
        {u"HKCU { Delete Existing New = s 'x }", rs::kSyntaxError},
        {u"HKCU { ForceRemove Existing = s '%UNKNOWN%' }", rs::kSyntaxError},
        {u"HKCU { New = s '%MODULE }", rs::kSyntaxError},
        {u"HKCU { ForceRemove Existing = s '%" + longName + u"%' }", rs::kFail},
        {u"HKCU { Delete Existing New = b 'abc' }", rs::kFail},
        {u"HKCU { Delete Existing New = d 'ten' }", rs::kSyntaxError},
        {u"HKCU { Delete Existing New = s " + longToken + u" }", rs::kSyntaxError},
        {u"HKCU { '' }", rs::kSyntaxError},
        {u"HKCU { Delete Existing { } }", rs::kSyntaxError},
        {u"HKCU { Delete Existing New { val V = s x { } } }", rs::kSyntaxError},
        {tooDeep, rs::kSyntaxError},
    };
    for (const auto& [script, code] : cases) {
        EXPECT_EQ(Apply(script), code) << ::testing::PrintToString(script);
        ExpectUnchanged(script);
    }
}

TEST_F(MalformedScripts, AreRefusedBeforeRemovingAnything) {
    const std::u16string cases[] = {
        u"HKCU { Existing { Sub } val V s x }",
        u"HKCU { Existing { Sub } New\\Sub }",
        u"HKCU { Existing { Sub } Delete '' }",
        u"HKCU { Existing { Sub } New",
    };
    for (const std::u16string& script : cases) {
        EXPECT_EQ(Remove(script), rs::kSyntaxError) << ::testing::PrintToString(script);
        ExpectUnchanged(script);
    }
}

TEST_F(MalformedScripts, BlocksBeforeTheMalformedOneStayApplied) {
    EXPECT_EQ(Apply(u"HKCU { First } HKCU { Second = b 'abc' }"), rs::kFail);
    EXPECT_TRUE(m_registry.HasKey(u"HKCU\\First"));
    EXPECT_FALSE(m_registry.HasKey(u"HKCU\\Second"));
    EXPECT_EQ(Remove(u"HKCU { First } HKCU { Second \\ }"), rs::kSyntaxError);
    EXPECT_FALSE(m_registry.HasKey(u"HKCU\\First"));
}

TEST_F(MalformedScripts, NestingUpToTheLimitIsRead) {
    std::u16string script = u"HKCU { ";
    for (int i = 1; i < rs::kMaxBodyDepth; ++i) script += u"K { ";
    script += u"Leaf = s deepest ";
    for (int i = 0; i < rs::kMaxBodyDepth; ++i) script += u"} ";
    ASSERT_EQ(Apply(script), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths().size(), m_before.size() + rs::kMaxBodyDepth);
    ASSERT_EQ(Remove(script), rs::kOk);
    EXPECT_EQ(m_registry.KeyPaths(), m_before);
}

// --- roll-back -----------------------------------------------------------------------------

class ScriptRollBack : public ScriptTest {
protected:
    void SetUp() override { m_registry.FailCreationOf(u"Blocked", mem::kErrorAccessDenied); }
};

TEST_F(ScriptRollBack, AFailingBlockIsRemovedAgain) {
    m_registry.AddValue(u"HKCU\\Kept", u"V", Dword(1));
    m_registry.AddKey(u"HKCU\\Kept\\Foreign");
    EXPECT_EQ(Apply(u"HKCU { A = s a { B { val X = d 1 } } NoRemove Kept { C = s c val W = s w } "
                    u"Blocked = s b { Under } D }"),
              kAccessDenied);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\Kept", u"HKCU\\Kept\\Foreign"}));
    EXPECT_EQ(ValueAt(u"HKCU\\Kept", u"V"), Dword(1));
    EXPECT_FALSE(ValueAt(u"HKCU\\Kept", u"W"));
}

TEST_F(ScriptRollBack, BlocksBeforeTheFailingOneStay) {
    EXPECT_EQ(Apply(u"HKCU { First } HKLM { Second Blocked } HKCU { Third }"), kAccessDenied);
    EXPECT_EQ(m_registry.KeyPaths(), (Paths{u"HKCU\\First"}));
}

TEST_F(ScriptRollBack, RemovesKeysOfTheBlockThatExistedBefore) {
    // Roll-back is the block's removal: it cannot tell keys it created from older ones.
    m_registry.AddKey(u"HKCU\\Older");
    EXPECT_EQ(Apply(u"HKCU { Older Blocked }"), kAccessDenied);
    EXPECT_TRUE(m_registry.IsEmpty());
}

TEST_F(ScriptRollBack, TheRegistrysErrorIsReturnedAsAnHresult) {
    m_registry.FailCreationOf(u"Deep", 1021);
    EXPECT_EQ(Apply(u"HKCU { A { val V = s v B { Deep } } }"), rs::HresultFromWin32(1021));
    EXPECT_TRUE(m_registry.IsEmpty());
}

}  // namespace
