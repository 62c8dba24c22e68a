#pragma once
// What the robustness suites share (and include): a table of the members of IMvJavaCpp, callable by
// name with given or random arguments; a checker of each answer against the code the input must give;
// a watch over the live references, handles and private memory of the serving process.

#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "components.h"
#include "host_process.h"
#include "jni_warnings.h"
#include "mta.h"
#include "variant_values.h"

namespace mv::test {

// The whole number in variable `name` (decimal, or hexadecimal with 0x); `fallback` when the
// variable is unset, empty or not a number.
inline unsigned long long EnvironmentNumber(const char* name, unsigned long long fallback) {
    const char* text = std::getenv(name);
    char* end = nullptr;
    const unsigned long long value = text ? std::strtoull(text, &end, 0) : 0;
    return text && *text && *end == '\0' ? value : fallback;
}

// The module registered, with the main thread in the multithreaded apartment, until the program ends.
inline const ModuleRegistration& Registered() {
    static const Mta com;
    static const ModuleRegistration registration;
    return registration;
}

// Stops `host` (its JVM's output is complete once the JVM has ended); each JNI warning in it fails the test.
inline void StopAndCheckJniWarnings(HostProcess& host) {
    host.Stop();
    for (const std::string& w : FindJniWarnings(host.JvmOutput())) ADD_FAILURE() << "host JVM: " << w;
}

inline std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// Every argument a member takes; each member reads the ones it needs.
struct In {
    UINT64 object = 0;
    std::wstring name, sig, super, text;
    VARIANT params{};  // argument array, or array to write (borrowed)
    long type = 0;     // JavaTypes
    long length = 0;
    unsigned long long value = 0;  // what a setter writes; the second handle of IsSameJavaObject
};
inline In Of(UINT64 object, std::wstring name = {}, std::wstring sig = {}) {
    In a;
    a.object = object, a.name = std::move(name), a.sig = std::move(sig);
    return a;
}
inline In Text(std::wstring text) {
    In a;
    a.text = std::move(text);
    return a;
}

// Every output a member may write; zero until it does.
struct Out {
    HRESULT hr = E_UNEXPECTED;
    VARIANT_BOOL z = 0;
    BYTE b = 0;
    USHORT c = 0;
    SHORT s = 0;
    LONG i = 0;
    LONGLONG j = 0;
    float f = 0;
    double d = 0;
    UINT64 l = 0;  // a handle handed out
    unique_bstr text;
    std::unique_ptr<unique_variant> v = std::make_unique<unique_variant>();
    com_ptr<IDispatch> object;
    std::vector<Component> components;
    bool Untouched() const;
};

// kField: Get/Set...Field(object, name[, sig]); kCall: Call...Method(object, [super,] name, sig, params);
// kHandle: a zero first argument fails it.
enum MemberKind : unsigned { kField = 1, kSignature = 2, kCall = 4, kNonvirtual = 8, kHandle = 16 };
struct Member {
    const char* name;
    unsigned kind;
    HRESULT (*call)(IMvJavaCpp*, const In&, Out&);
    HRESULT zeroHandle;  // the answer for a zero handle
};
const std::vector<Member>& Members();

constexpr HRESULT kNotOk = static_cast<HRESULT>(0x7FFFFFFF);  // expected: anything but S_OK

// One per thread. Counts the calls, failures (the first ten described) and answers; deletes the
// handles handed out (GetClassByName's, a local reference, is not one).
class Checker {
public:
    explicit Checker(IMvJavaCpp* jvm) : m_jvm(jvm) {}
    ~Checker() { DropHandles(); }
    // A failure unless `member` answers `expected` and, when it fails, writes nothing.
    Out Call(const std::string& member, const In& in, HRESULT expected, const std::string& what = {});
    bool Check(bool ok, const std::string& what);
    // A failure naming `what` and the code unless `hr` succeeded.
    bool Succeeded(HRESULT hr, const std::string& what) { return Check(SUCCEEDED(hr), what + " answered " + Hex(hr)); }
    // `object` as I; a failure naming `what` and the code when it is null or does not answer.
    template <typename I>
    com_ptr<I> Query(IUnknown* object, const std::string& what) {
        com_ptr<I> result;
        const HRESULT hr = object ? object->QueryInterface(__uuidof(I), result.put_void()) : E_POINTER;
        Check(SUCCEEDED(hr) && result, what + (object ? ": QueryInterface answered " + Hex(hr) : " is null"));
        return result;
    }
    void DropHandles();
    IMvJavaCpp* jvm() const { return m_jvm; }

    unsigned long long calls = 0, failures = 0, stubs = 0;  // stubs: component interfaces queried
    std::string failed;
    std::map<HRESULT, long long> tally;

private:
    IMvJavaCpp* m_jvm;
    std::vector<UINT64> m_handles;
};

// What a process holds, read from outside through the system's process list: open handles and
// private (committed) memory.
struct ProcessCounters {
    bool ok = false;
    std::uint64_t handles = 0, privateBytes = 0;
};
class ProcessCounterReader {
public:
    explicit ProcessCounterReader(DWORD pid) : m_pid(pid) {}
    ProcessCounters Read() const {
        std::vector<unsigned char> list(1 << 20);
        ULONG needed = 0;
        while (::NtQuerySystemInformation(SystemProcessInformation, list.data(), static_cast<ULONG>(list.size()),
                                          &needed) == static_cast<NTSTATUS>(0xC0000004L))  // too small
            list.resize(needed + (1 << 16));
        ProcessCounters counters;
        for (std::size_t at = 0;;) {
            const auto* process = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(list.data() + at);
            if (reinterpret_cast<ULONG_PTR>(process->UniqueProcessId) == m_pid) {
                counters.handles = process->HandleCount;
                // Wine leaves PrivatePageCount 0 and gives the commit charge as PagefileUsage.
                counters.privateBytes = process->PrivatePageCount ? process->PrivatePageCount
                                                                  : process->VirtualMemoryCounters.PagefileUsage;
            }
            if (!process->NextEntryOffset) break;
            at += process->NextEntryOffset;
        }
        counters.ok = counters.handles > 0 && counters.privateBytes > 0;
        return counters;
    }

private:
    DWORD m_pid;
};

struct Sample {
    double at = 0;  // calls made
    long long refs = -1;
    ProcessCounters counters;
};
enum { kRefs, kHandles, kBytes };
class LeakWatch {
public:
    LeakWatch(std::function<long long()> refs, DWORD pid) : m_refs(std::move(refs)), m_reader(pid) {}
    const Sample& Take(double at) { return samples.emplace_back(Sample{at, m_refs(), m_reader.Read()}); }
    double Slope(int which) const;  // least squares, per 1,000 calls
    std::vector<Sample> samples;

private:
    std::function<long long()> m_refs;
    ProcessCounterReader m_reader;
};

}  // namespace mv::test
