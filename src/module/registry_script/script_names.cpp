#include "module/registry_script/script_names.h"

namespace mv::registry_script {
namespace {

struct RootKeyName {
    std::u16string_view name;
    RegistryRoot root;
};

constexpr RootKeyName kRootKeyNames[] = {
    {u"HKCR", RegistryRoot::ClassesRoot},     {u"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
    {u"HKCU", RegistryRoot::CurrentUser},     {u"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
    {u"HKLM", RegistryRoot::LocalMachine},    {u"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
    {u"HKU", RegistryRoot::Users},            {u"HKEY_USERS", RegistryRoot::Users},
    {u"HKPD", RegistryRoot::PerformanceData}, {u"HKEY_PERFORMANCE_DATA", RegistryRoot::PerformanceData},
    {u"HKDD", RegistryRoot::DynData},         {u"HKEY_DYN_DATA", RegistryRoot::DynData},
    {u"HKCC", RegistryRoot::CurrentConfig},   {u"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
};

constexpr std::u16string_view kProtectedKeyNames[] = {
    u"AppID", u"CLSID",    u"Component Categories", u"FileType", u"Interface", u"Hardware",
    u"Mime",  u"SAM",      u"SECURITY",             u"SYSTEM",   u"Software",  u"TypeLib",
};

constexpr char16_t FoldAscii(char16_t c) noexcept {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

std::optional<RegistryRoot> FindRootKey(std::u16string_view name) noexcept {
    for (const RootKeyName& entry : kRootKeyNames) {
        if (EqualsIgnoringCase(name, entry.name)) return entry.root;
    }
    return std::nullopt;
}

bool IsProtectedKeyName(std::u16string_view name) noexcept {
    for (std::u16string_view protectedName : kProtectedKeyNames) {
        if (EqualsIgnoringCase(name, protectedName)) return true;
    }
    return false;
}

}  // namespace mv::registry_script
