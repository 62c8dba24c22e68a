// Fuzz target of the registry script language: bytes (one unit each) as a script, run against a registry in
// memory. Beyond sanitizer reports it checks %% escaping, the results runs may give, keys closed, removal from
// nothing creating nothing, and applying after apply and remove giving the same registry.

#include <cstdio>
#include <cstdlib>

#include "memory_registry.h"
#include "module/registry_script/placeholder_replacement.h"
#include "module/registry_script/script_runner.h"

namespace {

namespace rs = mv::registry_script;

void Check(bool condition, const char* what) {
    if (!condition) std::fprintf(stderr, "invariant failed: %s\n", what), std::abort();
}

const rs::ReplacementTable kTable = [] {
    rs::ReplacementTable t;
    t.Add(u"Module", u"C:\\Program Files\\it''s\\MvJavaJniComRot.dll");
    t.Add(u"APPID", u"{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}");
    return t.Add(u"Empty", u""), t;
}();

// Access denied is the registry's answer for removing a key whose subkeys were kept (NoRemove).
rs::ScriptResult Run(const std::u16string& script, bool registering, rs::MemoryRegistry& registry, bool denied = false) {
    const rs::ScriptResult result = rs::RegisterBuffer(script, kTable, registering, registry);
    Check(result == rs::kOk || result == rs::kSyntaxError || result == rs::kFail ||
              (denied && result == rs::HresultFromWin32(5)) || result == rs::HresultFromWin32(rs::kErrorInvalidParameter),
          "an expected result");
    Check(registry.OpenHandles() == 0, "every key closed");
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text(data, data + size);  // bytes above 0x7F give Latin-1 units
    std::u16string escaped, replaced;
    for (char16_t c : text) escaped += c == u'%' ? u"%%" : std::u16string(1, c);
    Check(rs::ReplacePlaceholders(escaped, {}, replaced) == rs::kOk && replaced == text, "%% escaping");

    rs::MemoryRegistry registry;
    Run(text, false, registry);
    Check(registry.Dump().empty(), "removal from an empty registry creates nothing");
    if (Run(text, true, registry) != rs::kOk) return 0;
    const std::string applied = registry.Dump();
    Run(text, false, registry, true);
    Check(Run(text, true, registry) == rs::kOk && registry.Dump() == applied, "applying again after removal");
    return 0;
}
