// CallStaticIntMethod's three debugger messages (OutputDebugStringA), captured on the test's
// thread; the proxy's trace, marked at each message, shows where they fall among the JNI calls.

#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "bridge_test.h"
#include "fields_methods_support.h"
#include "methods_debug_output.h"

namespace mv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr const char* kNotFound = "[CMvJavaCpp::CallStaticIntMethod] failed to get the method id";
constexpr const char* kAboutToCall = "[CMvJavaCpp::CallStaticIntMethod] About to call the integer method";
constexpr const char* kCalled = "[CMvJavaCpp::CallStaticIntMethod] called";

// The size of the proxy's trace so far (no JNI call is made to learn it).
std::size_t TraceSize() { return MvJniProxy_ReadTrace(nullptr, 0); }

class DebugOutput : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        if (HasFatalFailure()) return;
        m_base = NewObjectHandle("fixtures/Base");
        ::VariantInit(&m_none);
        MvJniProxy_ClearTrace();
    }

    UINT64 m_base = 0;
    VARIANT m_none;
};

TEST_F(DebugOutput, TheCaptureSeesThisThreadsDebuggerOutput) {
    debug_output_capture capture;
    ::OutputDebugStringA("a line of the test");
    EXPECT_THAT(capture.lines(), ElementsAre("a line of the test"));
}

TEST_F(DebugOutput, ACallIsAnnouncedBeforeAndReportedAfterTheJavaMethodRuns) {
    debug_output_capture capture(TraceSize);
    LONG value = 0;
    ASSERT_EQ(bridge()->CallStaticIntMethod(m_base, Bstr(L"staticIntResult").get(), Bstr(L"()I").get(), m_none, &value), S_OK);
    EXPECT_EQ(value, 0x7FFFFFFF);
    ASSERT_THAT(capture.lines(), ElementsAre(kAboutToCall, kCalled));

    const std::string trace = ReadTrace();
    const std::vector<std::size_t> marks = capture.marks();
    const std::string beforeFirst = trace.substr(0, marks[0] - 1);
    const std::string beforeSecond = trace.substr(0, marks[1] - 1);
    EXPECT_THAT(beforeFirst, HasSubstr("GetStaticMethodID("));
    EXPECT_THAT(beforeFirst, Not(HasSubstr("CallStaticIntMethodA(")));
    EXPECT_THAT(beforeSecond, HasSubstr("CallStaticIntMethodA("));
    EXPECT_THAT(beforeSecond, Not(HasSubstr("ExceptionClear(")));
    EXPECT_THAT(trace.substr(beforeSecond.size()), HasSubstr("ExceptionClear("));
}

TEST_F(DebugOutput, AThrowingMethodIsReportedAsCalledToo) {
    const UINT64 thrower = NewObjectHandle("fixtures/ThrowingResults");
    debug_output_capture capture;
    LONG value = 5;
    ASSERT_EQ(bridge()->CallStaticIntMethod(thrower, Bstr(L"staticIntResult").get(), Bstr(L"()I").get(), m_none, &value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(NoException());
    EXPECT_THAT(capture.lines(), ElementsAre(kAboutToCall, kCalled));
}

TEST_F(DebugOutput, AMissingMethodIsReportedBeforeItsErrorIsCleared) {
    debug_output_capture capture(TraceSize);
    LONG value = 17;
    EXPECT_EQ(bridge()->CallStaticIntMethod(m_base, Bstr(L"noSuchMethod").get(), Bstr(L"()I").get(), m_none, &value), E_FAIL);
    EXPECT_EQ(value, 17);
    EXPECT_TRUE(NoException());
    ASSERT_THAT(capture.lines(), ElementsAre(kNotFound));

    const std::string trace = ReadTrace();
    const std::string beforeMessage = trace.substr(0, capture.marks()[0] - 1);
    EXPECT_THAT(beforeMessage, HasSubstr("\"noSuchMethod\""));
    EXPECT_THAT(beforeMessage, Not(HasSubstr("ExceptionClear(")));
    EXPECT_THAT(trace.substr(beforeMessage.size()), HasSubstr("ExceptionClear("));
}

TEST_F(DebugOutput, NothingIsWrittenWhenTheCallStopsBeforeTheLookupOrAfterIt) {
    debug_output_capture capture;
    LONG value = 0;
    EXPECT_EQ(bridge()->CallStaticIntMethod(0, Bstr(L"staticIntResult").get(), Bstr(L"()I").get(), m_none, &value), E_FAIL);
    EXPECT_EQ(bridge()->CallStaticIntMethod(m_base, Bstr(L"staticIntResult").get(), Bstr(L"()I").get(),
                                            ArgumentArray({ArgI4(1)}).get(), &value), E_FAIL)
        << "refused arguments";
    EXPECT_THAT(capture.lines(), IsEmpty());
}

TEST_F(DebugOutput, NoOtherMemberWritesToTheDebugger) {
    debug_output_capture capture;
    LONG i = 0;
    INT64 j = 0;
    ASSERT_EQ(bridge()->CallIntMethod(m_base, Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    ASSERT_EQ(bridge()->CallStaticLongMethod(m_base, Bstr(L"staticLongResult").get(), Bstr(L"()J").get(), m_none, &j), S_OK);
    ASSERT_EQ(bridge()->CallNonvirtualIntMethod(m_base, Bstr(L"fixtures.Base").get(), Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    EXPECT_EQ(bridge()->CallStaticLongMethod(m_base, Bstr(L"noSuchMethod").get(), Bstr(L"()J").get(), m_none, &j), E_FAIL);
    EXPECT_EQ(bridge()->GetStaticIntField(m_base, Bstr(L"noSuchField").get(), &i), E_FAIL);
    EXPECT_THAT(capture.lines(), IsEmpty());
}

}  // namespace
}  // namespace mv::test
