// The component members of the main object: the top-level Java windows, and the Java window
// behind a native window handle.

#include <gtest/gtest.h>

#include "component_test.h"
#include "debug_output_capture.h"
#include "log/log_file_reader.h"
#include "log_test_support.h"

namespace mv::test {
namespace {

using TopLevelComponents = ComponentTest;

TEST_F(TopLevelComponents, AreTheMonitorsWindowsInItsOrder) {
    unique_safearray all;
    ASSERT_EQ(bridge()->GetAllTopLevelComponents(all.put()), S_OK);
    ASSERT_TRUE(all) << "an empty array when no window is listed";
    EXPECT_EQ(all.get()->rgsabound[0].cElements, 0u);

    const UINT64 second = NewWindow("javax/swing/JFrame", 0, 0, 10, 10);
    const UINT64 first = NewWindow("javax/swing/JDialog", 0, 0, 10, 10);
    ListTopLevel(first);
    ListTopLevel(second);
    ASSERT_EQ(bridge()->GetAllTopLevelComponents(all.put()), S_OK);
    ASSERT_EQ(all.get()->rgsabound[0].cElements, 2u);
    for (LONG i = 0; i < 2; ++i) {
        com_ptr<IDispatch> element;
        ASSERT_EQ(::SafeArrayGetElement(all.get(), &i, element.put_void()), S_OK);
        EXPECT_TRUE(StandsFor(element.get(), i == 0 ? first : second));
        EXPECT_TRUE(element.try_query<IJAwtWindow>());
    }
    all.reset();
    EXPECT_EQ(LiveGlobalRefs(), 0);
    EXPECT_EQ(bridge()->GetAllTopLevelComponents(nullptr), E_INVALIDARG);
}

class ComponentFromHwnd : public ComponentTest {
protected:
    // Calls GetComponentFromHwnd; the result object is kept in `found`.
    HRESULT Find(ULONG hwnd) {
        info = static_cast<GetHWNDResultInfo>(77);
        return bridge()->GetComponentFromHwnd(hwnd, &info, found.put());
    }
    GetHWNDResultInfo info{};
    com_ptr<IDispatch> found;
};

TEST_F(ComponentFromHwnd, BadArgumentsAreRefusedWithOneLogLine) {
    logtest::LogSettingsScope log;
    log.EnableLogInDirectory();
    const NativeWindow native(0, 0, 10, 10);
    IDispatch* result = nullptr;
    EXPECT_EQ(bridge()->GetComponentFromHwnd(0, &info, &result), E_INVALIDARG);
    EXPECT_EQ(bridge()->GetComponentFromHwnd(native.value(), nullptr, &result), E_INVALIDARG);
    EXPECT_EQ(bridge()->GetComponentFromHwnd(native.value(), &info, nullptr), E_INVALIDARG);

    const DecodedLogFile file = ReadLogFile(log.PlainFile());
    ASSERT_EQ(file.status, LogFileStatus::kOk);
    std::vector<std::wstring> messages;
    for (const std::wstring& line : SplitLogLines(file.text)) {
        const auto parsed = logtest::ParseLine(line);
        ASSERT_TRUE(parsed) << "malformed line";
        EXPECT_EQ(parsed->level, 1u);
        messages.push_back(parsed->message);
    }
    EXPECT_EQ(messages, std::vector<std::wstring>(3, L"[CMvJavaCpp::GetComponentFromHwnd]\tInvalid argument(s)"));
}

TEST_F(ComponentFromHwnd, OnlyTopLevelWindowsAreMatched) {
    const UINT64 frame = NewWindow("java/awt/Frame", 20, 30, 200, 100);
    ListTopLevel(frame);
    const NativeWindow native(20, 30, 200, 100);
    const NativeWindow child(0, 0, 200, 100, native.get());
    EXPECT_EQ(Find(child.value()), S_FALSE);
    EXPECT_EQ(info, NoMatch);
    EXPECT_FALSE(found);

    EXPECT_EQ(Find(native.value()), S_OK);
    EXPECT_EQ(info, ResultOK);
    EXPECT_TRUE(StandsFor(found.get(), frame));
    EXPECT_TRUE(found.try_query<IJAwtWindow>());
    found.reset();
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ComponentFromHwnd, NoJavaWindowOrNoEqualRectangle) {
    const NativeWindow native(20, 30, 200, 100);
    EXPECT_EQ(Find(native.value()), S_OK);
    EXPECT_EQ(info, CannotMatch) << "no Java window to compare with";
    EXPECT_FALSE(found);

    ListTopLevel(NewWindow("java/awt/Frame", 20, 30, 200, 101));
    EXPECT_EQ(Find(native.value()), S_FALSE);
    EXPECT_EQ(info, NoMatch);
    EXPECT_FALSE(found);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ComponentFromHwnd, TwoEqualJavaWindowsGiveTheFirstListed) {
    const UINT64 first = NewWindow("javax/swing/JFrame", 20, 30, 200, 100);
    const UINT64 second = NewWindow("javax/swing/JFrame", 20, 30, 200, 100);
    ListTopLevel(NewWindow("java/awt/Frame", 0, 0, 5, 5));
    ListTopLevel(first);
    ListTopLevel(second);
    const NativeWindow native(20, 30, 200, 100);
    DebugOutputCapture debug;
    EXPECT_EQ(Find(native.value()), S_OK);
    EXPECT_EQ(info, ResultAmbiguous);
    EXPECT_TRUE(StandsFor(found.get(), first));
    found.reset();
    EXPECT_EQ(LiveGlobalRefs(), 0) << "the other windows' references are deleted";
    EXPECT_EQ(debug.Messages(), (std::vector<std::string>{
                                    "[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK1",
                                    "[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK2",
                                    "[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK3",
                                }));
}

}  // namespace
}  // namespace mv::test
