#include "bridge/method_signature.h"

#include <cstring>

namespace mv {

bool ParameterKinds(const char* methodsig, std::string& kinds) {
    kinds.clear();
    if (!methodsig || *methodsig != '(') return false;
    const char* p = methodsig + 1;
    while (*p != ')') {
        bool reference = false;
        while (*p == '[') {
            reference = true;
            ++p;
        }
        if (*p == 'L') {
            p = std::strchr(p, ';');
            if (!p) return false;
            reference = true;
        } else if (!*p || !std::strchr("ZBCSIJFD", *p)) {
            return false;
        }
        kinds.push_back(reference ? 'L' : *p);
        ++p;
    }
    return true;
}

}  // namespace mv
