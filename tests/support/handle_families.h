#pragma once
// Handles that a 32-bit pointer cannot hold as they are: a 32-bit JVM's references with the high bit set
// (large-address-aware, on 64-bit Windows), handed out sign-extended, or a 64-bit JVM's beyond 32 bits.

#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "common/com/variant.h"
#include "variant_values.h"

namespace mv::test {

// Makes one handle per family of members that hand them out (components included) through `b`, whose
// Java process's references all give handles with `high` as their bits from 31 up; reads each (in both
// spellings where `low32`: a 32-bit module reads only the low 32 bits, so inputs go in the low one).
inline void CheckHandleFamilies(IMvJavaCpp& b, UINT64 high, bool low32) {
    const auto in = [&](UINT64 handle) { return low32 ? handle & 0xFFFFFFFFull : handle; };
    std::vector<std::pair<const char*, UINT64>> made;
    UINT64 h = 0;
    const auto add = [&](const char* family, HRESULT hr) { EXPECT_EQ(hr, S_OK) << family; return made.emplace_back(family, h), in(h); };
    const VARIANT none{};
    const UINT64 fields = add("NewDefJavaObject", b.NewDefJavaObject(Bstr(L"fixtures.Fields").get(), &h));
    const UINT64 text = add("NewJavaString", b.NewJavaString(Bstr(L" high ").get(), &h));
    const UINT64 base = add("NewDefJavaObject", b.NewDefJavaObject(Bstr(L"fixtures.Base").get(), &h));
    const UINT64 arrays = add("NewDefJavaObject", b.NewDefJavaObject(Bstr(L"fixtures.ArrayFields").get(), &h));
    add("NewJavaPrimitiveArray", b.NewJavaPrimitiveArray(Int, 3, &h));
    add("GetObjectField", b.GetObjectField(fields, Bstr(L"objectField").get(), Bstr(L"Ljava/lang/Object;").get(), &h));
    add("CallObjectMethod", b.CallObjectMethod(text, Bstr(L"trim").get(), Bstr(L"()Ljava/lang/String;").get(), none, &h));
    add("CallStaticObjectMethod",
        b.CallStaticObjectMethod(base, Bstr(L"staticObjectResult").get(), Bstr(L"()Ljava/lang/Object;").get(), none, &h));
    add("NewGlobalRef", b.NewGlobalRef(text, &h));
    const UINT64 array =
        add("GetStaticObjectField", b.GetStaticObjectField(arrays, Bstr(L"objects").get(), Bstr(L"[Ljava/lang/Object;").get(), &h));
    unique_variant elements;
    EXPECT_EQ(b.GetJavaObjectArray(array, elements.put()), S_OK);
    for (LONG i = 0; i < 2 && elements.type() == (VT_ARRAY | VT_UI8); ++i)
        add("GetJavaObjectArray", ::SafeArrayGetElement(V_ARRAY(elements.get_mutable()), &i, &h));
    com_ptr<IDispatch> component, owner;  // the handles of a class and a component are the module's own
    EXPECT_EQ(b.MakeJComponentFromHandle(add("NewDefJavaObject", b.NewDefJavaObject(Bstr(L"java.awt.Button").get(), &h)),
                                         component.put()), S_OK);
    UINT64 cls = 0, own = 0;
    EXPECT_EQ(b.GetClassByName(Bstr(L"fixtures/Fields").get(), &cls), S_OK);
    const auto jobject = component.try_query<IJObject>();
    EXPECT_EQ(jobject ? jobject->GetJvmAndHandle(owner.put(), &own) : E_NOINTERFACE, S_OK);
    made.insert(made.end(), {{"GetClassByName", cls}, {"GetJvmAndHandle", own}});
    EXPECT_EQ(made.size(), 15u);
    // GetClassByName's local reference outlives its call only on a thread that stays attached; a
    // client of another process names it no more.
    IClientSecurity* proxy = nullptr;
    const bool remote = SUCCEEDED(b.QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(&proxy)));
    if (proxy) proxy->Release();
    for (const auto& [family, handle] : made) {
        EXPECT_EQ(handle >> 31, high) << family << ": " << std::hex << handle;
        unique_bstr whole, cut;
        const HRESULT answer = remote && handle == cls ? E_INVALIDARG : S_OK;
        EXPECT_EQ(b.ObjectToString(handle, whole.put()), answer) << family;
        EXPECT_EQ(b.ObjectToString(in(handle), cut.put()), answer) << family;
        EXPECT_EQ(whole.view(), cut.view()) << family;
        EXPECT_EQ(handle == cls || handle == own ? S_OK : b.DeleteJavaObject(in(handle)), S_OK) << family;
    }
}

}  // namespace mv::test
