// Fuzz target for the registry script language: arbitrary bytes (one unit each) as a script,
// run against a registry held in memory. Besides crashes and sanitizer reports it checks:
// - %% escaping: replacing placeholders in a text whose % are all doubled gives the text back;
// - tokens: re-quoting the tokens of a text and reading them again gives the same tokens;
// - results: only the language's own error codes, and no key handle left open;
// - removal on an empty registry changes nothing;
// - a successful apply, written back as a script, recreates the same registry from nothing,
//   and removing that script leaves the registry empty again.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "module/registry_script/placeholder_replacement.h"
#include "module/registry_script/replacement_table.h"
#include "module/registry_script/script_runner.h"
#include "module/registry_script/script_tokenizer.h"
#include "support/memory_registry.h"
#include "support/script_writer.h"

namespace {

namespace rs = mv::registry_script;
namespace mem = mv::registry_script::memreg;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant failed: %s\n", what);
        std::abort();
    }
}

// Results a run against the memory registry may give: the language's own, and the
// registry's answer for key names over 255 units.
bool IsExpectedResult(rs::ScriptResult result) {
    return result == rs::kOk || result == rs::kSyntaxError || result == rs::kFail ||
           result == rs::HresultFromWin32(rs::kErrorInvalidParameter);
}

const rs::ReplacementTable& Replacements() {
    static const rs::ReplacementTable table = [] {
        rs::ReplacementTable t;
        t.Add(u"Module", u"C:\\Program Files\\it''s\\MvJavaJniComRot.dll");
        t.Add(u"APPID", u"{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}");
        t.Add(u"Empty", u"");
        return t;
    }();
    return table;
}

void CheckEscapedTextSurvivesReplacement(const std::u16string& text) {
    std::u16string escaped;
    for (char16_t c : text) {
        escaped += c;
        if (c == u'%') escaped += c;
    }
    std::u16string replaced;
    Check(rs::ReplacePlaceholders(escaped, rs::ReplacementTable(), replaced) == rs::kOk, "escaped text replaces");
    Check(replaced == text, "escaped text comes back unchanged");
}

// All tokens of `text`; false when reading stopped on an error.
bool ReadAllTokens(const std::u16string& text, std::vector<std::u16string>& tokens) {
    rs::ScriptTokenizer tokenizer(text);
    for (;;) {
        tokenizer.SkipSeparators();
        if (tokenizer.AtEnd()) return true;
        std::u16string token;
        const std::size_t before = tokenizer.Position();
        if (rs::Failed(tokenizer.NextToken(token))) return false;
        Check(tokenizer.Position() > before, "a token advances the reader");
        Check(token.size() <= rs::kMaxTokenLength, "tokens respect the length limit");
        tokens.push_back(std::move(token));
    }
}

void CheckRequotedTokensReadTheSame(const std::u16string& text) {
    std::vector<std::u16string> tokens;
    if (!ReadAllTokens(text, tokens)) return;
    std::u16string requoted;
    for (const std::u16string& token : tokens) requoted += mem::QuoteToken(token) + u" ";
    std::vector<std::u16string> again;
    Check(ReadAllTokens(requoted, again), "re-quoted tokens read without error");
    Check(again == tokens, "re-quoted tokens read the same");
}

void CheckRunAgainstMemory(const std::u16string& script) {
    mem::MemoryRegistry removed;
    const rs::ScriptResult removal = rs::RegisterBuffer(script, Replacements(), false, removed);
    Check(IsExpectedResult(removal), "removal gives an expected result");
    Check(removed.IsEmpty(), "removal on an empty registry creates nothing");
    Check(removed.OpenHandleCount() == 0, "removal closes its keys");

    mem::MemoryRegistry applied;
    const rs::ScriptResult result = rs::RegisterBuffer(script, Replacements(), true, applied);
    Check(IsExpectedResult(result), "apply gives an expected result");
    Check(applied.OpenHandleCount() == 0, "apply closes its keys");
    if (result != rs::kOk) return;

    const std::optional<std::u16string> written = mem::WriteScript(applied);
    if (!written) return;  // names that cannot stand as items
    mem::MemoryRegistry recreated;
    Check(rs::RegisterBuffer(*written, rs::ReplacementTable(), true, recreated) == rs::kOk, "written script applies");
    Check(recreated.SameContent(applied), "written script recreates the registry");
    Check(rs::RegisterBuffer(*written, rs::ReplacementTable(), false, recreated) == rs::kOk, "written script removes");
    Check(recreated.IsEmpty(), "removing the written script empties the registry");
    Check(recreated.OpenHandleCount() == 0, "written script closes its keys");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One unit per byte keeps scripts readable in the corpus; bytes above 0x7F give Latin-1 units.
    const std::u16string text(data, data + size);

    CheckEscapedTextSurvivesReplacement(text);
    std::u16string replaced;
    if (rs::ReplacePlaceholders(text, Replacements(), replaced) == rs::kOk) {
        CheckRequotedTokensReadTheSame(replaced);
    }
    CheckRunAgainstMemory(text);
    return 0;
}
