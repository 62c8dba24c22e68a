#pragma once
// The oracle's bookkeeping: each member's allowed HRESULTs, and how often each one came back,
// printed with the seed so that a run can be quoted and repeated.

#include <windows.h>

#include <initializer_list>
#include <map>
#include <set>
#include <string>

namespace mv::test {

// The codes a member may answer. Bridge members: S_OK, E_FAIL, and for a VARIANT array argument
// the codes of SafeArrayGetLBound/UBound (E_INVALIDARG for a null array, DISP_E_BADINDEX);
// E_OUTOFMEMORY where memory for a buffer or an array cannot be had.
using AllowedCodes = std::set<HRESULT>;
// Get/Set<T>Field, GetStatic/SetStatic<T>Field, the String field members: S_OK, E_FAIL.
extern const AllowedCodes kFieldCodes;
// The 33 Call* members: S_OK, E_FAIL, E_INVALIDARG and DISP_E_BADINDEX (the bounds of the
// argument array), E_OUTOFMEMORY.
extern const AllowedCodes kCallCodes;
// NewJavaPrimitiveArray, SetJavaPrimitiveArray, GetJavaPrimitiveArray, GetJavaObjectArray: as
// kCallCodes (SetJavaPrimitiveArray reads the bounds of its array).
extern const AllowedCodes kArrayCodes;
// NewDefJavaObject, IsInstanceOf, GetClassByName, GetJavaClassName, ObjectToString,
// IsSameJavaObject, NewJavaString, GetJavaString, GetJavaArrayLength, DeleteJavaObject,
// NewGlobalRef: S_OK, E_FAIL, E_INVALIDARG (null output, zero handle of NewGlobalRef),
// E_OUTOFMEMORY.
extern const AllowedCodes kHandleCodes;
// MakeJComponentFromHandle, GetComponentFromHwnd, Add/RemoveAWTEventListener: also S_FALSE
// (not a component, nothing found or done).
extern const AllowedCodes kComponentCodes;

class HresultTally {
public:
    // Counts `hr` for `member`; false when `hr` is not among `allowed`.
    bool Record(const std::string& member, HRESULT hr, const AllowedCodes& allowed);
    long long Total() const;
    // "robustness: hostile <suite> seed=... rounds=... calls=..." then one line per member.
    void Print(const char* suite, unsigned long long seed, int rounds) const;

private:
    std::map<std::string, std::map<HRESULT, long long>> m_counts;
};

}  // namespace mv::test
