#pragma once
// The 33 method-call members of IMvJavaCpp behind one entry point, so that a round can aim the
// same hostile input at every group (virtual, static, non-virtual) and result kind.

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/bstr.h"

namespace mv::test {

enum class CallGroup { Virtual, Static, Nonvirtual };
enum class ResultKind { Void, Boolean, Byte, Char, Short, Int, Long, Float, Double, Object, String };

struct CallResult {
    HRESULT hr = E_UNEXPECTED;
    VARIANT_BOOL z = 0;
    BYTE b = 0;
    USHORT c = 0;
    SHORT s = 0;
    LONG i = 0;
    LONGLONG j = 0;
    float f = 0;
    double d = 0;
    UINT64 l = 0;
    unique_bstr text;
    // True when no output was written (every output still zero or null).
    bool OutputsUntouched() const;
};

struct CallRequest {
    CallGroup group = CallGroup::Virtual;
    ResultKind kind = ResultKind::Void;
    UINT64 object = 0;
    BSTR superclass = nullptr;
    BSTR name = nullptr;
    BSTR signature = nullptr;
};

// Calls the member the request names ("CallStaticIntMethod"...) and collects its outputs.
CallResult InvokeCall(IMvJavaCpp* bridge, const CallRequest& request, const VARIANT& params);
// The member's name, for the tally.
std::string CallMemberName(CallGroup group, ResultKind kind);

}  // namespace mv::test
