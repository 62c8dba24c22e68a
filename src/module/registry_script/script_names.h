#pragma once
// The fixed names of the registry script language: root keys, keywords and the key names
// that recursive deletion never touches. All are compared without regard to letter case.

#include <optional>
#include <string_view>

namespace mv::registry_script {

// Compares two names with ASCII letters folded; other units must match exactly.
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept;

enum class RegistryRoot {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    DynData,
    CurrentConfig,
};

// The root named by a block's first token ("HKCR", "HKEY_CLASSES_ROOT", ...), if any.
std::optional<RegistryRoot> FindRootKey(std::u16string_view name) noexcept;

inline constexpr std::u16string_view kForceRemove = u"ForceRemove";
inline constexpr std::u16string_view kNoRemove = u"NoRemove";
inline constexpr std::u16string_view kDelete = u"Delete";
inline constexpr std::u16string_view kVal = u"Val";

// True for the twelve names ("AppID", "CLSID", ... "TypeLib") that "ForceRemove" and
// "Delete" must leave in place.
bool IsProtectedKeyName(std::u16string_view name) noexcept;

}  // namespace mv::registry_script
