#pragma once
// The calling thread in COM's multithreaded apartment while this lives.

#include <objbase.h>

namespace mv::test {

struct Mta {
    Mta() { ::CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~Mta() { ::CoUninitialize(); }
};

}  // namespace mv::test
