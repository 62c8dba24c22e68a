#include "bridge/method_signature.h"

#include <cstring>

namespace mv {

bool ParameterDescriptors(const char* methodsig, std::vector<std::string_view>& parameters) {
    parameters.clear();
    if (!methodsig || *methodsig != '(') return false;
    const char* p = methodsig + 1;
    while (*p != ')') {
        const char* start = p;
        while (*p == '[') ++p;
        if (*p == 'L') {
            p = std::strchr(p, ';');
            if (!p) return false;
        } else if (!*p || !std::strchr("ZBCSIJFD", *p)) {
            return false;
        }
        ++p;
        parameters.emplace_back(start, static_cast<std::size_t>(p - start));
    }
    return true;
}

}  // namespace mv
