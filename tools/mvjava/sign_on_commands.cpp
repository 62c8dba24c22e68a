// mvjava watch, record and replay: what a person does in a Java window, read from the hook's
// journal as it happens; a sign-in recorded once as a definition of locators; the definition
// played again in a new run of the application. No command prints or stores a typed text.

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <iostream>

#include "commands.h"
#include "common/com/bstr.h"
#include "component_walk.h"
#include "console_output.h"
#include "file_output.h"
#include "java_arguments.h"
#include "java_ref.h"
#include "journal_reader.h"
#include "jvm_lookup.h"
#include "sign_on_definition.h"
#include "utf8.h"

namespace mvjava {
namespace {

constexpr int kReadWaitMs = 500;  // each journal read waits this long in the Java process at most

std::atomic<bool> g_stop{false};

BOOL WINAPI StopOnCtrlC(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    g_stop = true;  // the read in progress returns within kReadWaitMs; listening is then switched off
    return TRUE;
}

// Ctrl-C and Ctrl-Break end the command's loop instead of the process, for its life.
class StopOnCtrlCScope {
public:
    StopOnCtrlCScope() { ::SetConsoleCtrlHandler(&StopOnCtrlC, TRUE); }
    ~StopOnCtrlCScope() { ::SetConsoleCtrlHandler(&StopOnCtrlC, FALSE); }
    StopOnCtrlCScope(const StopOnCtrlCScope&) = delete;
    StopOnCtrlCScope& operator=(const StopOnCtrlCScope&) = delete;
};

// Whether `seconds` (0: no limit) have passed since `start` (GetTickCount64).
bool Elapsed(ULONGLONG start, int seconds) {
    return seconds > 0 && ::GetTickCount64() - start >= static_cast<ULONGLONG>(seconds) * 1000;
}

std::string EventLine(const JournalEvent& e) {
    std::string line = "#" + std::to_string(e.sequence) + " " + ToUtf8(e.event);
    if (e.length >= 0)
        line += " " + std::to_string(e.length) + " characters" + (e.password ? " (password field)" : "");
    return line + "  " + ToUtf8(e.locator) + "  (" + ToUtf8(e.className) + " " + ToUtf8(e.path) + ")\n";
}

// The password for replay: MVJAVA_PASSWORD, else one line of standard input.
std::wstring Password() {
    if (const wchar_t* value = ::_wgetenv(L"MVJAVA_PASSWORD")) return value;
    std::string line;
    if (!std::getline(std::cin, line))
        throw Failure(ExitCode::kUsage, "replay: no password (set MVJAVA_PASSWORD or give it on standard input)");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return FromUtf8(line);
}

// The hook's static `componentAt` answer for `locator`, owned; empty when it names nothing.
JavaRef ComponentAt(IMvJavaCpp* jvm, const JavaRef& hook, const std::wstring& locator) {
    mv::unique_variant args;
    UINT64 handle = 0;
    if (MakeArgumentArray(args, {ArgumentBstr(locator)}))
        jvm->CallStaticObjectMethod(hook.get(), mv::unique_bstr::copy_of(L"componentAt").get(),
                                    mv::unique_bstr::copy_of(L"(Ljava/lang/String;)Ljava/awt/Component;").get(),
                                    args.get(), &handle);
    return JavaRef(jvm, handle);
}

[[noreturn]] void StepFailed(ExitCode code, int step, const std::string& what) {
    throw Failure(code, "replay step " + std::to_string(step) + " failed: " + what);
}

}  // namespace

ExitCode RunWatch(const Options& options) {
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    const StopOnCtrlCScope ctrlC;
    JournalReader journal(jvm.get(), options.mask);
    const ULONGLONG start = ::GetTickCount64();
    long long shown = 0;
    while (!g_stop && !Elapsed(start, options.seconds) && (options.count <= 0 || shown < options.count)) {
        for (const JournalEvent& e : journal.Next(kReadWaitMs)) {
            WriteOut(options.json ? e.json + "\n" : EventLine(e));
            if (options.count > 0 && ++shown >= options.count) break;
        }
    }
    if (journal.dropped() > 0) WriteNote(std::to_string(journal.dropped()) + " event(s) went before they were read");
    return ExitCode::kOk;
}

ExitCode RunRecord(const Options& options) {
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    const StopOnCtrlCScope ctrlC;
    JournalReader journal(jvm.get(), kJournalMask);
    WriteNote("recording: sign in once in the application's window (Ctrl-C to give up)");
    SignOnRecorder recorder;
    const ULONGLONG start = ::GetTickCount64();
    while (!recorder.complete() && !g_stop && !Elapsed(start, options.seconds)) {
        for (const JournalEvent& e : journal.Next(kReadWaitMs))
            if (recorder.Take(e)) break;
    }
    const SignOnDefinition& d = recorder.definition();
    if (!recorder.complete())
        throw Failure(ExitCode::kNotFound, d.fields.empty() ? "recording: nothing was typed into a field"
                                                            : "recording: no click submitted what was typed");
    WriteWholeFile(options.file, SignOnJson(d) + "\n");
    WriteOut("recorded " + std::to_string(d.fields.size()) + " field(s) of " + ToUtf8(d.window) + ", submitted by " +
             ToUtf8(d.submit) + "\n");
    return ExitCode::kOk;
}

ExitCode RunReplay(const Options& options) {
    std::string error;
    const auto definition = ParseSignOn(ReadWholeFile(options.file), error);
    if (!definition) throw Failure(ExitCode::kFileError, "not a sign-on definition: " + ToUtf8(options.file) + ": " + error);
    const std::wstring password = Password();
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    UINT64 hookHandle = 0;
    const HRESULT hr = jvm->GetMorvaneAWTHook(&hookHandle);
    if (FAILED(hr) || !hookHandle)
        throw Failure(ExitCode::kCallFailed, "the hook is not installed in that process: " + DescribeHresult(hr));
    const JavaRef hook(jvm.get(), hookHandle);

    int step = 1;
    const int waitSeconds = options.seconds > 0 ? options.seconds : 30;
    for (const ULONGLONG start = ::GetTickCount64(); !ComponentAt(jvm.get(), hook, definition->window); ::Sleep(200))
        if (Elapsed(start, waitSeconds))
            StepFailed(ExitCode::kNotFound, step, "the window " + ToUtf8(definition->window) + " did not appear within " +
                                                      std::to_string(waitSeconds) + " s");
    ComponentWalker walker(jvm.get());
    std::size_t filled = 0;
    for (const SignOnField& field : definition->fields) {
        ++step;
        const std::wstring* value = field.role == L"user" ? &options.user : field.role == L"password" ? &password : nullptr;
        if (!value) continue;  // another field: the definition does not say what goes in it
        Component component;
        try {
            component = walker.Resolve(field.locator);
        } catch (const Failure& failure) {
            StepFailed(failure.code(), step, "the " + ToUtf8(field.role) + " field: " + failure.what());
        }
        const mv::unique_bstr text = mv::unique_bstr::copy_of(*value);
        VARIANT_BOOL done = VARIANT_FALSE;
        if (!text || FAILED(component->SetValue(text.get(), &done)) || done != VARIANT_TRUE)
            StepFailed(ExitCode::kRefused, step, "the " + ToUtf8(field.role) + " field " + ToUtf8(field.locator) +
                                                     " did not take the text");
        ++filled;
    }
    ++step;
    mv::unique_variant args;
    LONG clicked = 0;
    if (!MakeArgumentArray(args, {ArgumentBstr(definition->submit)}) ||
        FAILED(jvm->CallStaticIntMethod(hook.get(), mv::unique_bstr::copy_of(L"clickComponentAt").get(),
                                        mv::unique_bstr::copy_of(L"(Ljava/lang/String;)I").get(), args.get(),
                                        &clicked)) ||
        clicked != 1)
        StepFailed(clicked == -2 ? ExitCode::kNotFound : ExitCode::kRefused, step,
                   "the submit control " + ToUtf8(definition->submit) + " was not clicked (" +
                       std::to_string(clicked) + ")");
    WriteOut("replayed: " + std::to_string(filled) + " field(s) of " + ToUtf8(definition->window) +
             " filled, " + ToUtf8(definition->submit) + " clicked\n");
    return ExitCode::kOk;
}

}  // namespace mvjava
