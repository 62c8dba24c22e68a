// Late binding of both classes from a compiled client, with the module registered: the type
// information of each interface, names to DISPIDs (the cache and the type information), and
// Invoke reaching the vtable members.

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "dispatch_calls.h"

namespace {

using mv::com_ptr;
using mvtest::DispatchCall;

class LateBinding : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(::CoCreateInstance(CLSID_MvJavaCpp, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     m_main.put_void()), S_OK);
        ASSERT_EQ(::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     m_finder.put_void()), S_OK);
    }
    void TearDown() override {
        m_main.reset();
        m_finder.reset();
        ::CoUninitialize();
    }

    com_ptr<IDispatch> m_main;
    com_ptr<IDispatch> m_finder;
};

GUID DescribedInterface(IDispatch* object, UINT index) {
    com_ptr<ITypeInfo> info;
    EXPECT_EQ(object->GetTypeInfo(index, 0, info.put()), S_OK);
    if (!info) return GUID_NULL;
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
    const GUID guid = attr ? attr->guid : GUID_NULL;
    if (attr) info->ReleaseTypeAttr(attr);
    return guid;
}

TEST_F(LateBinding, DescribesEachInterfaceWithItsOwnTypeInformation) {
    UINT count = 0;
    ASSERT_EQ(m_main->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(DescribedInterface(m_main.get(), 0), IID_IMvJavaCpp);
    EXPECT_EQ(DescribedInterface(m_finder.get(), 0), IID_IJvmFinder);

    com_ptr<ITypeInfo> first, fifth;
    ASSERT_EQ(m_main->GetTypeInfo(0, 0, first.put()), S_OK);
    ASSERT_EQ(m_main->GetTypeInfo(5, 0x409, fifth.put()), S_OK);
    EXPECT_EQ(first.get(), fifth.get()) << "one cached type information, whatever the index";
    EXPECT_EQ(m_main->GetTypeInfo(0, 0, nullptr), E_POINTER);
}

TEST_F(LateBinding, ResolvesNamesInAnyLetterCase) {
    EXPECT_EQ(mvtest::DispatchIds(m_main.get(), {L"JavaAddToROT", L"GetJVMVersion", L"SetStaticBoolenField",
                                                 L"GetAllTopLevelComponents", L"MakeJComponentFromHandle",
                                                 L"GetComponentFromHwnd"}),
              (mvtest::IdsResult{S_OK, {1, 4, 33, 99, 200, 203}}));
    EXPECT_EQ(mvtest::DispatchIds(m_finder.get(), {L"GetJvmFromProcess"}), (mvtest::IdsResult{S_OK, {80}}));
    EXPECT_EQ(mvtest::DispatchIds(m_main.get(), {L"getjvmversion"}), (mvtest::IdsResult{S_OK, {4}}));
    EXPECT_EQ(mvtest::DispatchIds(m_finder.get(), {L"GETJVMFROMPROCESS"}), (mvtest::IdsResult{S_OK, {80}}));
    EXPECT_EQ(mvtest::DispatchIds(m_main.get(), {L"GetJVMVersio"}).hr, DISP_E_UNKNOWNNAME);
    EXPECT_EQ(mvtest::DispatchIds(m_main.get(), {L"GetJVMVersionX"}).hr, DISP_E_UNKNOWNNAME);
    EXPECT_EQ(mvtest::DispatchIds(m_finder.get(), {L"GetJVMVersion"}).hr, DISP_E_UNKNOWNNAME)
        << "each interface knows only its own members";
}

TEST_F(LateBinding, AnswersExactMemberNamesFromItsOwnTable) {
    // Both names are members, so the table answers both - also the second, which the type
    // information would read as a parameter name of the first and refuse.
    EXPECT_EQ(mvtest::DispatchIds(m_main.get(), {L"GetJVMVersion", L"JavaAddToROT"}),
              (mvtest::IdsResult{S_OK, {4, 1}}));
    com_ptr<ITypeInfo> info;
    ASSERT_EQ(m_main->GetTypeInfo(0, 0, info.put()), S_OK);
    std::vector<LPOLESTR> names = {const_cast<LPOLESTR>(L"GetJVMVersion"), const_cast<LPOLESTR>(L"JavaAddToROT")};
    std::vector<MEMBERID> ids(2);
    EXPECT_EQ(info->GetIDsOfNames(names.data(), 2, ids.data()), DISP_E_UNKNOWNNAME);

    // A parameter name is not in the table: the whole request goes to the type information.
    EXPECT_EQ(mvtest::DispatchIds(m_main.get(), {L"GetJVMVersion", L"version"}), (mvtest::IdsResult{S_OK, {4, 0}}));
    EXPECT_EQ(mvtest::DispatchIds(m_main.get(), {L"getJVMversion", L"version"}), (mvtest::IdsResult{S_OK, {4, 0}}));
}

TEST_F(LateBinding, InvokesTheVtableMembersAndPassesTheirResultsOn) {
    DispatchCall version = mvtest::CallByName(m_main.get(), L"GetJVMVersion", {});
    EXPECT_EQ(version.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(version.scode, E_FAIL) << "no JVM saved in this process";

    DispatchCall noProcess = mvtest::CallByName(m_finder.get(), L"GetJvmFromProcess", {mvtest::UI4(0)});
    EXPECT_EQ(noProcess.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(noProcess.scode, E_INVALIDARG);

    const ULONG self = ::GetCurrentProcessId();
    DispatchCall unpublished = mvtest::CallByName(m_finder.get(), L"GetJvmFromProcess", {mvtest::UI4(self)});
    EXPECT_EQ(unpublished.hr, S_OK) << "S_FALSE is a success";
    EXPECT_EQ(unpublished.resultType, VT_DISPATCH);
    EXPECT_TRUE(unpublished.resultIsNull) << "this process published no JVM";

    // A VT_UI8 argument crosses Invoke intact: 0 for its own process is accepted, another
    // process is refused by the member itself.
    EXPECT_EQ(mvtest::CallByName(m_main.get(), L"JavaSaveRunningJVM", {mvtest::I4(static_cast<LONG>(self)),
                                                                         mvtest::UI8(0)}).hr, S_OK);
    DispatchCall otherProcess = mvtest::CallByName(
        m_main.get(), L"JavaSaveRunningJVM", {mvtest::I4(static_cast<LONG>(self) + 1), mvtest::UI8(0x1234)});
    EXPECT_EQ(otherProcess.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(otherProcess.scode, E_FAIL);

    EXPECT_EQ(mvtest::CallByName(m_finder.get(), L"GetJvmFromProcess", {}).hr, DISP_E_BADPARAMCOUNT)
        << "errors of the type information's Invoke reach the caller unchanged";
}

}  // namespace
