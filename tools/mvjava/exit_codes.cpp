#include "exit_codes.h"

#include <cstdio>

namespace mvjava {

std::string DescribeHresult(long hr) {
    struct Known {
        unsigned long value;
        const char* name;
    };
    static const Known kKnown[] = {
        {0x00000001UL, "S_FALSE"},      {0x80004005UL, "E_FAIL"},         {0x80070057UL, "E_INVALIDARG"},
        {0x80004003UL, "E_POINTER"},    {0x80004002UL, "E_NOINTERFACE"},  {0x8007000EUL, "E_OUTOFMEMORY"},
        {0x8000FFFFUL, "E_UNEXPECTED"}, {0x800706BAUL, "RPC_S_SERVER_UNAVAILABLE"},
        {0x800706BEUL, "RPC_S_CALL_FAILED"},
    };
    const unsigned long value = static_cast<unsigned long>(hr);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", value);
    for (const Known& known : kKnown)
        if (known.value == value) return std::string(known.name) + " (" + hex + ")";
    return hex;
}

}  // namespace mvjava
