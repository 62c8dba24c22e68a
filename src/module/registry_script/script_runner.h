#pragma once
// Runs a registry script against a RegistryEditor: placeholders are replaced, then each root
// block ("HKCR { ... }") is applied (keys and values created) or removed (what the block
// names deleted, except items marked "NoRemove"). Each block is read once without effects
// first, so that a malformed block is refused before it changes anything. A block that fails
// while being applied is removed again; blocks before it stay applied.

#include <cstddef>
#include <string>
#include <string_view>

#include "module/registry_script/registry_editor.h"
#include "module/registry_script/replacement_table.h"
#include "module/registry_script/script_result.h"
#include "module/registry_script/script_tokenizer.h"

namespace mv::registry_script {

// Longest value name the processor holds, and the deepest nesting of key bodies it follows
// (the registry's own limit on key depth).
inline constexpr std::size_t kMaxValueNameLength = 255;
inline constexpr int kMaxBodyDepth = 512;

// Replaces the placeholders of `text` and runs it in the given direction.
ScriptResult RegisterBuffer(std::u16string_view text, const ReplacementTable& replacements,
                            bool registering, RegistryEditor& editor) noexcept;

// Runs script text whose placeholders are already replaced.
class ScriptRunner {
public:
    ScriptRunner(std::u16string_view replacedText, RegistryEditor& editor) noexcept
        : m_text(replacedText), m_tokens(replacedText), m_editor(editor) {}

    ScriptResult Run(bool registering);

private:
    using Key = RegistryEditor::Key;

    // Reads the body starting at `bodyStart` in the given direction without effects.
    ScriptResult CheckBody(std::size_t bodyStart, bool registering);
    // Reads the items of a body up to its closing "}" in the given direction.
    ScriptResult ProcessKeyBody(Key parent, bool registering, bool recovery, int depth);
    // One item; `token` holds its first token on entry and the next item's first on return.
    ScriptResult ApplyItem(Key parent, std::u16string& token, int depth);
    ScriptResult RemoveItem(Key parent, bool recovery, std::u16string& token, int depth);

    // Reads "<type> <value>" after a "=", writes the value and reads the next token.
    ScriptResult AddValue(Key key, const std::u16string* valueName, std::u16string& token);
    // Reads past "<type> <value>" after a "=" and reads the next token.
    ScriptResult SkipAssignment(std::u16string& token);
    ScriptResult ReadValueName(std::u16string& name);

    // Deletes `name` under `parent` with all its subkeys.
    Win32Error DeleteKeyTree(Key parent, const std::u16string& name);

    ScriptResult Next(std::u16string& token) { return m_tokens.NextToken(token); }

    std::u16string_view m_text;
    ScriptTokenizer m_tokens;
    RegistryEditor& m_editor;
};

}  // namespace mv::registry_script
