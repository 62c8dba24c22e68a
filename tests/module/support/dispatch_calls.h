#pragma once
// Late-bound calls as an automation client makes them: names to DISPIDs, then Invoke.

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>
#include <ostream>
#include <vector>

namespace mvtest {

struct IdsResult {
    HRESULT hr = S_OK;
    std::vector<DISPID> ids;  // only when hr succeeded
    bool operator==(const IdsResult& other) const { return hr == other.hr && ids == other.ids; }
};
void PrintTo(const IdsResult& result, std::ostream* os);

IdsResult DispatchIds(IDispatch* object, std::initializer_list<const wchar_t*> names);

// What a call left behind; the result and exception texts are released already.
struct DispatchCall {
    HRESULT hr = E_FAIL;
    SCODE scode = S_OK;     // the exception's code when hr is DISP_E_EXCEPTION
    VARTYPE resultType = VT_EMPTY;
    bool resultIsNull = true;  // for VT_DISPATCH/VT_UNKNOWN results
};

// Looks `name` up and invokes it as a method with `args` in call order (simple values only).
DispatchCall CallByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args);

VARIANT I4(LONG value);
VARIANT UI4(ULONG value);
VARIANT UI8(ULONGLONG value);

}  // namespace mvtest
