#include "module/registry_script/script_runner.h"

#include <new>
#include <stdexcept>

#include "module/registry_script/placeholder_replacement.h"
#include "module/registry_script/script_names.h"
#include "module/registry_script/script_values.h"
#include "module/registry_script/syntax_check_editor.h"

namespace mv::registry_script {
namespace {

constexpr std::u16string_view kOpenBody = u"{";
constexpr std::u16string_view kCloseBody = u"}";
constexpr std::u16string_view kAssign = u"=";

bool Is(const std::u16string& token, std::u16string_view keyword) noexcept {
    return EqualsIgnoringCase(token, keyword);
}

// Key names are single path elements. An empty name would stand for the parent itself, so
// it is refused as well.
ScriptResult CheckKeyName(const std::u16string& name) noexcept {
    if (name.empty() || name.find(u'\\') != std::u16string::npos) return kSyntaxError;
    return kOk;
}

}  // namespace

ScriptResult RegisterBuffer(std::u16string_view text, const ReplacementTable& replacements,
                            bool registering, RegistryEditor& editor) noexcept {
    try {
        std::u16string replaced;
        MV_SCRIPT_RETURN_IF_FAILED(ReplacePlaceholders(text, replacements, replaced));
        return ScriptRunner(replaced, editor).Run(registering);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (const std::length_error&) {
        return kOutOfMemory;
    }
}

ScriptResult ScriptRunner::Run(bool registering) {
    std::u16string token;
    for (;;) {
        m_tokens.SkipSeparators();
        if (m_tokens.AtEnd()) return kOk;

        MV_SCRIPT_RETURN_IF_FAILED(Next(token));
        const std::optional<RegistryRoot> root = FindRootKey(token);
        if (!root) return kSyntaxError;
        MV_SCRIPT_RETURN_IF_FAILED(Next(token));
        if (token != kOpenBody) return kSyntaxError;

        const std::size_t bodyStart = m_tokens.Position();
        MV_SCRIPT_RETURN_IF_FAILED(CheckBody(bodyStart, registering));
        const Key rootKey = m_editor.RootKey(*root);
        const ScriptResult result = ProcessKeyBody(rootKey, registering, false, 1);
        if (Failed(result)) {
            if (registering) {
                // Roll the block back: remove what it describes, ignoring further errors.
                m_tokens.Rewind(bodyStart);
                (void)ProcessKeyBody(rootKey, false, false, 1);
            }
            return result;
        }
    }
}

ScriptResult ScriptRunner::CheckBody(std::size_t bodyStart, bool registering) {
    SyntaxCheckEditor checker;
    ScriptRunner dryRun(m_text, checker);
    dryRun.m_tokens.Rewind(bodyStart);
    return dryRun.ProcessKeyBody(checker.RootKey(RegistryRoot::ClassesRoot), registering, false, 1);
}

ScriptResult ScriptRunner::ProcessKeyBody(Key parent, bool registering, bool recovery, int depth) {
    if (depth > kMaxBodyDepth) return kSyntaxError;
    std::u16string token;
    MV_SCRIPT_RETURN_IF_FAILED(Next(token));
    while (token != kCloseBody) {
        MV_SCRIPT_RETURN_IF_FAILED(registering ? ApplyItem(parent, token, depth)
                                               : RemoveItem(parent, recovery, token, depth));
    }
    return kOk;
}

ScriptResult ScriptRunner::ApplyItem(Key parent, std::u16string& token, int depth) {
    const bool isDelete = Is(token, kDelete);
    if (isDelete || Is(token, kForceRemove)) {
        std::u16string name;
        MV_SCRIPT_RETURN_IF_FAILED(Next(name));
        MV_SCRIPT_RETURN_IF_FAILED(CheckKeyName(name));
        if (!IsProtectedKeyName(name)) (void)DeleteKeyTree(parent, name);  // failures ignored
        if (isDelete) {
            MV_SCRIPT_RETURN_IF_FAILED(Next(token));
            if (token == kAssign) MV_SCRIPT_RETURN_IF_FAILED(SkipAssignment(token));
            // Nothing was created that a body could fill.
            return token == kOpenBody ? kSyntaxError : kOk;
        }
        token = std::move(name);  // "ForceRemove" goes on with the name as the item
    }

    if (Is(token, kNoRemove)) MV_SCRIPT_RETURN_IF_FAILED(Next(token));  // no effect when applying

    if (Is(token, kVal)) {
        std::u16string valueName;
        MV_SCRIPT_RETURN_IF_FAILED(ReadValueName(valueName));
        MV_SCRIPT_RETURN_IF_FAILED(Next(token));
        if (token != kAssign) return kSyntaxError;
        MV_SCRIPT_RETURN_IF_FAILED(AddValue(parent, &valueName, token));
        return token == kOpenBody ? kSyntaxError : kOk;  // a value has no body
    }

    MV_SCRIPT_RETURN_IF_FAILED(CheckKeyName(token));
    EditorKey key(m_editor);
    if (m_editor.OpenKey(parent, token, RegistryEditor::Access::ReadWrite, *key.put()) != kErrorSuccess &&
        m_editor.OpenKey(parent, token, RegistryEditor::Access::Read, *key.put()) != kErrorSuccess) {
        const Win32Error error = m_editor.CreateKey(parent, token, *key.put());
        if (error != kErrorSuccess) return HresultFromWin32(error);
    }
    MV_SCRIPT_RETURN_IF_FAILED(Next(token));
    if (token == kAssign) MV_SCRIPT_RETURN_IF_FAILED(AddValue(key.get(), nullptr, token));
    if (token == kOpenBody) {
        MV_SCRIPT_RETURN_IF_FAILED(ProcessKeyBody(key.get(), true, false, depth + 1));
        MV_SCRIPT_RETURN_IF_FAILED(Next(token));
    }
    return kOk;
}

ScriptResult ScriptRunner::RemoveItem(Key parent, bool recovery, std::u16string& token, int depth) {
    bool keep = false;
    if (Is(token, kDelete) || Is(token, kForceRemove)) {
        MV_SCRIPT_RETURN_IF_FAILED(Next(token));  // the key name
    } else {
        if (Is(token, kNoRemove)) {
            keep = true;
            MV_SCRIPT_RETURN_IF_FAILED(Next(token));
        }
        if (Is(token, kVal)) {
            std::u16string valueName;
            MV_SCRIPT_RETURN_IF_FAILED(ReadValueName(valueName));
            MV_SCRIPT_RETURN_IF_FAILED(Next(token));
            if (token != kAssign) return kSyntaxError;
            if (!recovery && !keep) {
                EditorKey writable(m_editor);
                Win32Error error = m_editor.ReopenKey(parent, RegistryEditor::Access::Write, *writable.put());
                if (error != kErrorSuccess) return HresultFromWin32(error);
                error = m_editor.DeleteValue(writable.get(), valueName);
                if (error != kErrorSuccess && error != kErrorFileNotFound) return HresultFromWin32(error);
            }
            return SkipAssignment(token);
        }
    }

    MV_SCRIPT_RETURN_IF_FAILED(CheckKeyName(token));
    const std::u16string name = token;
    EditorKey key(m_editor);
    // A key that cannot be opened has its body read without effects (recovery).
    const Win32Error openError = recovery ? kErrorFileNotFound
                                          : m_editor.OpenKey(parent, name, RegistryEditor::Access::Read, *key.put());
    const bool bodyRecovery = openError != kErrorSuccess;

    MV_SCRIPT_RETURN_IF_FAILED(Next(token));
    if (token == kAssign) MV_SCRIPT_RETURN_IF_FAILED(SkipAssignment(token));
    if (token == kOpenBody) {
        const ScriptResult result = ProcessKeyBody(key.get(), false, bodyRecovery, depth + 1);
        if (Failed(result) && !bodyRecovery) return result;
        MV_SCRIPT_RETURN_IF_FAILED(Next(token));
    }

    if (openError == kErrorFileNotFound) return kOk;  // already gone
    if (openError != kErrorSuccess) return HresultFromWin32(openError);
    Win32Error error = key.Close();
    if (error != kErrorSuccess) return HresultFromWin32(error);
    if (!keep) {
        error = m_editor.DeleteKey(parent, name);
        if (error != kErrorSuccess) return HresultFromWin32(error);  // e.g. subkeys not in the script
    }
    return kOk;
}

ScriptResult ScriptRunner::AddValue(Key key, const std::u16string* valueName, std::u16string& token) {
    std::u16string text;
    MV_SCRIPT_RETURN_IF_FAILED(Next(text));
    const std::optional<RegistryValueType> type = FindValueType(text);
    if (!type) return kSyntaxError;
    MV_SCRIPT_RETURN_IF_FAILED(Next(text));
    std::vector<std::uint8_t> data;
    MV_SCRIPT_RETURN_IF_FAILED(ConvertValueText(*type, text, data));
    const Win32Error error = m_editor.SetValue(key, valueName, *type, data);
    if (error != kErrorSuccess) return HresultFromWin32(error);
    return Next(token);
}

ScriptResult ScriptRunner::SkipAssignment(std::u16string& token) {
    MV_SCRIPT_RETURN_IF_FAILED(Next(token));  // type
    MV_SCRIPT_RETURN_IF_FAILED(Next(token));  // value
    return Next(token);
}

ScriptResult ScriptRunner::ReadValueName(std::u16string& name) {
    MV_SCRIPT_RETURN_IF_FAILED(Next(name));
    return name.size() > kMaxValueNameLength ? kSyntaxError : kOk;
}

Win32Error ScriptRunner::DeleteKeyTree(Key parent, const std::u16string& name) {
    EditorKey key(m_editor);
    Win32Error error = m_editor.OpenKey(parent, name, RegistryEditor::Access::ReadWrite, *key.put());
    if (error != kErrorSuccess) return error;
    std::u16string subkey;
    for (;;) {
        error = m_editor.FirstSubkeyName(key.get(), subkey);
        if (error == kErrorNoMoreItems) break;
        if (error != kErrorSuccess) return error;
        error = DeleteKeyTree(key.get(), subkey);
        if (error != kErrorSuccess) return error;
    }
    error = key.Close();
    if (error != kErrorSuccess) return error;
    return m_editor.DeleteKey(parent, name);
}

}  // namespace mv::registry_script
