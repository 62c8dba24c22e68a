#include "dispatch_calls.h"

#include "variant_values.h"

#include <algorithm>

#include "common/com/bstr.h"
#include "common/com/variant.h"

namespace mvtest {

void PrintTo(const IdsResult& result, std::ostream* os) {
    *os << "hr 0x" << std::hex << static_cast<unsigned long>(result.hr) << std::dec << " ids [";
    for (DISPID id : result.ids) *os << " " << id;
    *os << " ]";
}

IdsResult DispatchIds(IDispatch* object, std::initializer_list<const wchar_t*> names) {
    std::vector<LPOLESTR> mutableNames;
    for (const wchar_t* name : names) mutableNames.push_back(const_cast<LPOLESTR>(name));
    IdsResult result;
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    result.hr = object->GetIDsOfNames(IID_NULL, mutableNames.data(), static_cast<UINT>(mutableNames.size()), 0,
                                      ids.data());
    if (SUCCEEDED(result.hr)) result.ids = ids;
    return result;
}

DispatchCall CallByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args) {
    DispatchCall call;
    const IdsResult id = DispatchIds(object, {name});
    if (FAILED(id.hr)) {
        call.hr = id.hr;
        return call;
    }
    std::reverse(args.begin(), args.end());  // DISPPARAMS holds the last argument first
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    mv::unique_variant result;
    EXCEPINFO exception{};
    UINT argErr = 0;
    call.hr = object->Invoke(id.ids[0], IID_NULL, 0, DISPATCH_METHOD, &params, result.put(), &exception, &argErr);
    if (call.hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
        call.scode = exception.scode;
    }
    mv::unique_bstr source(exception.bstrSource), description(exception.bstrDescription),
        helpFile(exception.bstrHelpFile);
    call.resultType = result.type();
    if (call.resultType == VT_DISPATCH || call.resultType == VT_UNKNOWN) {
        call.resultIsNull = V_UNKNOWN(&result.get()) == nullptr;
    }
    return call;
}

VARIANT I4(LONG value) { return mv::test::ArgI4(value); }
VARIANT UI4(ULONG value) { return mv::test::ArgUI4(value); }
VARIANT UI8(ULONGLONG value) { return mv::test::ArgUI8(value); }

}  // namespace mvtest
