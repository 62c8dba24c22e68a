#include "method_signatures.h"

#include <map>

#include "common/win/critical_section.h"
#include "protocol/jni_wire.h"

namespace mv::proxy {

namespace {

struct Methods {
    critical_section lock;
    std::map<std::uint64_t, MethodInfo> byId;
};

Methods& TheMethods() {
    static Methods methods;
    return methods;
}

// Skips one field descriptor at `p`; null when it is malformed.
const char* SkipType(const char* p) {
    while (*p == '[') ++p;
    switch (*p) {
    case 'Z': case 'B': case 'C': case 'S': case 'I': case 'J': case 'F': case 'D':
        return p + 1;
    case 'L':
        while (*p != ';' && *p != '\0') ++p;
        return *p == ';' ? p + 1 : nullptr;
    default:
        return nullptr;
    }
}

}  // namespace

bool ParseParameters(const char* signature, std::string& parameters) {
    parameters.clear();
    if (signature == nullptr || *signature != '(') return false;
    const char* p = signature + 1;
    while (*p != ')') {
        const char* next = SkipType(p);
        if (next == nullptr) return false;
        parameters += (*p == '[' || *p == 'L') ? 'L' : *p;
        p = next;
    }
    ++p;
    return *p == 'V' ? p[1] == '\0' : (p = SkipType(p)) != nullptr && *p == '\0';
}

void RememberMethod(jmethodID method, const char* name, const char* signature) {
    MethodInfo info;
    if (method == nullptr || name == nullptr || !ParseParameters(signature, info.parameters)) return;
    info.name = name;
    info.signature = signature;
    Methods& methods = TheMethods();
    critical_section_lock hold(methods.lock);
    methods.byId[wire::ToRef(method)] = std::move(info);
}

bool FindMethod(jmethodID method, MethodInfo& info) {
    Methods& methods = TheMethods();
    critical_section_lock hold(methods.lock);
    auto it = methods.byId.find(wire::ToRef(method));
    if (it == methods.byId.end()) return false;
    info = it->second;
    return true;
}

}  // namespace mv::proxy
