#include "support/script_writer.h"

#include <cstdint>
#include <string>

#include "module/registry_script/script_names.h"
#include "module/registry_script/script_values.h"

namespace mv::registry_script::memreg {
namespace {

constexpr std::u16string_view kRootNames[] = {u"HKCR", u"HKCU", u"HKLM", u"HKU", u"HKPD", u"HKDD", u"HKCC"};
constexpr RegistryRoot kRoots[] = {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser,
                                   RegistryRoot::LocalMachine, RegistryRoot::Users,
                                   RegistryRoot::PerformanceData, RegistryRoot::DynData,
                                   RegistryRoot::CurrentConfig};

bool CanBeKeyItem(std::u16string_view name) {
    for (std::u16string_view reserved : {kForceRemove, kNoRemove, kDelete, kVal}) {
        if (EqualsIgnoringCase(name, reserved)) return false;
    }
    return name != u"{" && name != u"}" && name != u"=";
}

std::u16string Units(const std::vector<std::uint8_t>& data) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    return units;
}

// "<type> <value>" of a value, or null for data no script produces.
std::optional<std::u16string> Assignment(const Value& value) {
    switch (value.type) {
        case kRegSz: {
            std::u16string text = Units(value.data);
            if (value.data.size() % 2 != 0 || text.empty() || text.back() != u'\0') return std::nullopt;
            text.pop_back();
            return u"s " + QuoteToken(text);
        }
        case kRegMultiSz: {
            std::u16string units = Units(value.data);
            if (value.data.size() % 2 != 0 || units.size() < 2 || units.back() != u'\0') return std::nullopt;
            units.resize(units.size() - 2);  // the list's end and the last string's NUL
            std::u16string text;
            for (char16_t unit : units) text += unit == u'\0' ? std::u16string(u"\\0") : std::u16string(1, unit);
            return u"m " + QuoteToken(text);
        }
        case kRegDword: {
            if (value.data.size() != 4) return std::nullopt;
            std::uint32_t number = 0;
            for (int i = 3; i >= 0; --i) number = (number << 8) | value.data[static_cast<std::size_t>(i)];
            std::u16string digits;
            do {
                digits.insert(digits.begin(), static_cast<char16_t>(u'0' + number % 10));
                number /= 10;
            } while (number != 0);
            return u"d " + QuoteToken(digits);
        }
        case kRegBinary: {
            static constexpr char16_t kHex[] = u"0123456789ABCDEF";
            std::u16string digits;
            for (std::uint8_t byte : value.data) {
                digits += kHex[byte >> 4];
                digits += kHex[byte & 0x0F];
            }
            return u"b " + QuoteToken(digits);
        }
        default:
            return std::nullopt;
    }
}

// The items of a body: values first, then the subkeys. A key's default value is written with
// the key ("name = s ..."); a root's as a "val" with the empty name.
bool WriteBody(const Node& node, bool isRoot, std::u16string& out) {
    for (const auto& [name, value] : node.values) {
        if (name.empty() && !isRoot) continue;
        const std::optional<std::u16string> assignment = Assignment(value);
        if (!assignment) return false;
        out += u"val " + QuoteToken(name) + u" = " + *assignment + u"\n";
    }
    for (const auto& [name, child] : node.subkeys) {
        if (!CanBeKeyItem(child->name)) return false;
        out += QuoteToken(child->name);
        const auto defaultValue = child->values.find(std::u16string());
        if (defaultValue != child->values.end()) {
            const std::optional<std::u16string> assignment = Assignment(defaultValue->second);
            if (!assignment) return false;
            out += u" = " + *assignment;
        }
        out += u"\n";
        const bool hasNamedValues = child->values.size() > (defaultValue != child->values.end() ? 1u : 0u);
        if (!child->subkeys.empty() || hasNamedValues) {
            out += u"{\n";
            if (!WriteBody(*child, false, out)) return false;
            out += u"}\n";
        }
    }
    return true;
}

}  // namespace

std::u16string QuoteToken(std::u16string_view text) {
    std::u16string quoted = u"'";
    for (char16_t c : text) {
        quoted += c;
        if (c == u'\'') quoted += c;
    }
    quoted += u'\'';
    return quoted;
}

std::optional<std::u16string> WriteScript(const MemoryRegistry& registry) {
    std::u16string script;
    for (std::size_t i = 0; i < std::size(kRoots); ++i) {
        const Node& root = registry.Root(kRoots[i]);
        if (root.subkeys.empty() && root.values.empty()) continue;
        script += std::u16string(kRootNames[i]) + u"\n{\n";
        if (!WriteBody(root, true, script)) return std::nullopt;
        script += u"}\n";
    }
    // Placeholders are replaced before the script is read, so every % is written doubled.
    std::u16string escaped;
    for (char16_t c : script) {
        escaped += c;
        if (c == u'%') escaped += c;
    }
    return escaped;
}

}  // namespace mv::registry_script::memreg
