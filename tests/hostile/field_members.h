#pragma once
// The 44 field members of IMvJavaCpp (static and instance, nine types and String) behind one
// entry point, so that a round can aim one hostile name at any of them.

#include <windows.h>

#include <functional>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "call_members.h"
#include "random_source.h"

namespace mv::test {

// Getters fill `r`; setters take random values (a handle `value` for the object setters).
struct FieldMember {
    const char* name;
    bool object;  // takes a signature
    std::function<HRESULT(IMvJavaCpp*, UINT64, BSTR, BSTR, RandomSource&, UINT64, CallResult&)> call;
};

std::vector<FieldMember> FieldMembers();

}  // namespace mv::test
