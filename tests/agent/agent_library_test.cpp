// The agent library loaded into a Java process the ways a JVM loads it. A child process of this
// program plays the JVM (the test bed's JVM behind its JavaVM, the library loaded from a folder
// where the module lies beside it, each entry point called as the JVM calls it, the JVM's start
// and end posted as its JVMTI events); this process is the client that finds it, does JNI work
// through it and sees it withdrawn when the JVM ends.

#include <gtest/gtest.h>
#include <jni.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "common/com/bstr.h"
#include "host_process.h"
#include "jni_server.h"
#include "jniproxy/mv_jni_proxy.h"
#include "log_test_support.h"
#include "mta.h"

namespace mv::test {
namespace {

constexpr char kEntriesVariable[] = "MV_AGENT_ENTRIES";
constexpr char kFolderVariable[] = "MV_AGENT_FOLDER";  // beside this program
constexpr DWORD kStepMs = 120000;

// The child's steps, each waited for on an event the child names after itself.
std::wstring StepEvent(DWORD pid, const wchar_t* step) {
    return L"MvAgentTest." + std::to_wstring(pid) + L"." + step;
}
unique_handle NewStep(DWORD pid, const wchar_t* step) {
    return unique_handle(::CreateEventW(nullptr, TRUE, FALSE, StepEvent(pid, step).c_str()));
}
bool Signal(DWORD pid, const wchar_t* step) {
    const unique_handle event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, StepEvent(pid, step).c_str()));
    return event && ::SetEvent(event.get());
}

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> parts;
    std::istringstream in(list);
    for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
    return parts;
}

// How many entries of the Running Object Table carry the name under which `pid` is published.
int TableEntriesOf(DWORD pid) {
    com_ptr<IRunningObjectTable> table;
    com_ptr<IEnumMoniker> monikers;
    com_ptr<IBindCtx> context;
    if (FAILED(::GetRunningObjectTable(0, table.put())) || FAILED(table->EnumRunning(monikers.put())) ||
        FAILED(::CreateBindCtx(0, context.put())))
        return -1;
    const std::wstring name = L"MvJavaCOM:P" + std::to_wstring(pid);
    int count = 0;
    for (com_ptr<IMoniker> moniker; monikers->Next(1, moniker.put(), nullptr) == S_OK;) {
        LPOLESTR display = nullptr;
        if (SUCCEEDED(moniker->GetDisplayName(context.get(), nullptr, &display))) {
            count += name == display;
            ::CoTaskMemFree(display);
        }
    }
    return count;
}

com_ptr<IMvJavaCpp> WaitUntilPublished(DWORD pid) {
    for (int tries = 0; tries < 300; ++tries, ::Sleep(100))
        if (com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(pid)) return jvm;
    return {};
}

// The child that plays the JVM: the library of `folder` (beside this program), its entry points
// `entries` called; then its steps on request.
class PlayedJvm {
public:
    PlayedJvm(const char* entries, const char* folder) {
        ::SetEnvironmentVariableA(kEntriesVariable, entries);
        ::SetEnvironmentVariableA(kFolderVariable, folder);
        m_child = std::make_unique<ChildProcess>("AgentLibraryJvm.DISABLED_LoadsTheLibraryAndCallsItsEntryPoints");
        if (m_child->ReadUntil("entered ", kStepMs))
            std::sscanf(m_child->output().c_str() + m_child->output().find("entered "), "entered %lu", &m_pid);
    }
    DWORD pid() const { return m_pid; }
    const std::string& output() const { return m_child->output(); }
    bool Step(const wchar_t* step, const char* answer) { return Signal(m_pid, step) && m_child->ReadUntil(answer, kStepMs); }
    DWORD Exit() { return Signal(m_pid, L"exit") ? m_child->Finish(kStepMs) : ~0u; }

private:
    std::unique_ptr<ChildProcess> m_child;
    DWORD m_pid = 0;
};

struct Entry {
    const char* name;
    const char* entries;  // called in this order, as MV_AGENT_ENTRIES tells the child
    const char* how;      // how a JVM comes to call them
};

class AgentLibrary : public testing::TestWithParam<Entry> {
protected:
    static void SetUpTestSuite() { static const Mta com; }
    ModuleRegistration registration;  // the type library marshals the main object to this client
};

TEST_P(AgentLibrary, PublishesTheJvmOnceDoesJniWorkAndWithdrawsItWhenTheJvmEnds) {
    ASSERT_EQ(registration.result(), S_OK);
    const Entry& entry = GetParam();
    PlayedJvm played(entry.entries, "agent");
    const DWORD pid = played.pid();
    ASSERT_NE(pid, 0u) << played.output();
    if (std::string(entry.entries) == "Agent_OnLoad") {  // -agentpath: nothing is published before the JVM has started
        EXPECT_FALSE(PublishedJvmOf(pid)) << "published before VMInit";
        ASSERT_TRUE(played.Step(L"start", "started")) << played.output();
    }
    const com_ptr<IMvJavaCpp> jvm = WaitUntilPublished(pid);
    ASSERT_TRUE(jvm) << entry.how << ": not published; " << played.output();
    EXPECT_EQ(TableEntriesOf(pid), 1);
    UINT64 text = 0;
    unique_bstr back;
    ASSERT_EQ(jvm->NewJavaString(unique_bstr::copy_of(L"through the agent").get(), &text), S_OK);
    EXPECT_EQ(jvm->GetJavaString(text, back.put()), S_OK);
    EXPECT_EQ(back.view(), L"through the agent");
    EXPECT_EQ(jvm->DeleteJavaObject(text), S_OK);

    ASSERT_TRUE(played.Step(L"end", "ended")) << played.output();  // VMDeath: out of the table while it still runs
    EXPECT_FALSE(PublishedJvmOf(pid)) << "still published after VMDeath";
    EXPECT_EQ(TableEntriesOf(pid), 0);
    EXPECT_EQ(played.Exit(), 0u) << played.output();
}

// Without the module beside it the library publishes nothing, the JVM goes on, and the module's log
// says why.
TEST(AgentLibraryAlone, PublishesNothingAndTheLogSaysWhy) {
    static const Mta com;
    logtest::LogSettingsScope log;
    log.EnableLogInDirectory();
    PlayedJvm played("JNI_OnLoad", "agent-alone");
    ASSERT_NE(played.pid(), 0u) << played.output();
    std::wstring why;
    for (int tries = 0; tries < 300 && why.empty(); ++tries, ::Sleep(100))
        for (const std::wstring& message : logtest::MessagesIn(log.PlainFile(), 1, {played.pid()}))
            if (message.rfind(L"[MvJavaJni::Publish]", 0) == 0) why = message;
    EXPECT_EQ(why.rfind(L"[MvJavaJni::Publish]\tnot published: cannot load ", 0), 0u) << testing::PrintToString(why);
    EXPECT_FALSE(PublishedJvmOf(played.pid()));
    EXPECT_TRUE(played.Step(L"end", "ended")) << played.output();
    EXPECT_EQ(played.Exit(), 0u) << played.output();
}

INSTANTIATE_TEST_SUITE_P(
    EntryPoints, AgentLibrary,
    testing::Values(Entry{"JniOnLoad", "JNI_OnLoad", "System.load by the hook's jar"},
                    Entry{"AgentOnLoad", "Agent_OnLoad", "-agentpath at launch"},
                    Entry{"AgentOnAttach", "Agent_OnAttach", "jcmd JVMTI.agent_load into a running JVM"},
                    Entry{"AttachedTwice", "Agent_OnAttach,JNI_OnLoad", "jcmd, then the hook's jar as well"}),
    [](const testing::TestParamInfo<Entry>& param) { return std::string(param.param.name); });

// The child: the JVM's part.
std::wstring AgentLibraryPath() {
    wchar_t self[MAX_PATH], folder[64] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ::GetEnvironmentVariableW(L"MV_AGENT_FOLDER", folder, 64);
    const std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + folder + L"\\MvJavaJni.dll";
}

template <typename Function>
Function EntryPoint(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

bool Reached(const unique_handle& step) { return ::WaitForSingleObject(step.get(), kStepMs) == WAIT_OBJECT_0; }
void Say(const std::string& line) { std::printf("%s\n", line.c_str()), std::fflush(stdout); }

TEST(AgentLibraryJvm, DISABLED_LoadsTheLibraryAndCallsItsEntryPoints) {
    const DWORD pid = ::GetCurrentProcessId();
    const unique_handle start = NewStep(pid, L"start"), end = NewStep(pid, L"end"), leave = NewStep(pid, L"exit");
    JniServer server;
    ASSERT_TRUE(server.started()) << server.error();
    const HMODULE library = ::LoadLibraryW(AgentLibraryPath().c_str());  // kept loaded, as the JVM keeps it
    ASSERT_TRUE(library) << "LoadLibrary failed: " << ::GetLastError();
    char buffer[64] = {};
    ::GetEnvironmentVariableA(kEntriesVariable, buffer, sizeof buffer);
    for (const std::string& name : Split(buffer)) {
        if (name == "JNI_OnLoad") {
            const auto onLoad = EntryPoint<jint(JNICALL*)(JavaVM*, void*)>(library, "JNI_OnLoad");
            ASSERT_TRUE(onLoad);
            EXPECT_GE(onLoad(server.vm(), nullptr), JNI_VERSION_1_6);
        } else {
            const auto agent = EntryPoint<jint(JNICALL*)(JavaVM*, char*, void*)>(library, name.c_str());
            ASSERT_TRUE(agent) << name;
            EXPECT_EQ(agent(server.vm(), nullptr, nullptr), JNI_OK) << name;
        }
    }
    Say("entered " + std::to_string(pid));
    if (std::string(buffer) == "Agent_OnLoad") {
        ASSERT_TRUE(Reached(start));
        EXPECT_GE(MvJniProxy_PostVmEvent("VMInit"), 1);
        Say("started");
    }
    ASSERT_TRUE(Reached(end));
    EXPECT_GE(MvJniProxy_PostVmEvent("VMDeath"), 1);
    Say("ended");
    ASSERT_TRUE(Reached(leave));
}

}  // namespace
}  // namespace mv::test
