#pragma once
// What the robustness suites (hostile input, load, soak, process deaths) share: one table of the
// members of IMvJavaCpp that says how to call each with given or random arguments, one checker
// that compares each answer with the code the input must give and counts what came back, a
// watch over the live references, handles and private memory of the process that serves the
// calls, and the checked mix of bridge and component calls of the load and the soak.

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "bstr_values.h"
#include "common/com/com_ptr.h"
#include "common/com/variant.h"
#include "process_counters.h"

namespace mv::test {

// Every argument a member takes; each member reads the ones it needs.
struct In {
    UINT64 object = 0;  // the handle it works on
    std::wstring name, sig, super, text;
    VARIANT params{};  // argument array, or array to write (borrowed: the caller owns it)
    long type = 0;     // JavaTypes, or a window handle / event mask
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

// Every output a member may write; all zero or empty until it does.
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
    std::unique_ptr<unique_variant> v = std::make_unique<unique_variant>();  // arrays, component arrays
    com_ptr<IDispatch> object;
    GetHWNDResultInfo info = ResultOK;  // GetComponentFromHwnd's match result (written on failure too)
    bool Untouched() const;
};

enum MemberKind : unsigned {
    kField = 1,        // Get/Set...Field(object, name[, sig])
    kSignature = 2,    // takes a signature (object fields, methods)
    kCall = 4,         // Call...Method(object, [super,] name, sig, params)
    kNonvirtual = 8,   // takes a superclass
    kHandle = 16,      // its first argument is a handle: a zero one fails it
    kJava = 32,        // reaches Java: fails without a saved JVM
};

struct Member {
    const char* name;
    unsigned kind;
    HRESULT (*call)(IMvJavaCpp*, const In&, Out&);
    HRESULT zeroHandle;  // the answer for a zero handle (kHandle members)
};

const std::vector<Member>& Members();
const Member& MemberNamed(const std::string& name);

// Any code but S_OK (an expectation of Checker::Call).
constexpr HRESULT kNotOk = static_cast<HRESULT>(0x7FFFFFFF);

// Calls members and checks their answers; one per thread. Failures are counted and described
// (the first ones kept), every answer is tallied per member, handles handed out are deleted.
class Checker {
public:
    explicit Checker(IMvJavaCpp* jvm) : m_jvm(jvm) {}
    ~Checker() { DropHandles(); }
    // Calls `member` with `in`; a failure unless it answers `expected` (kNotOk: anything but
    // S_OK). A failing member must write no output. A handle it hands out is kept for DropHandles.
    Out Call(const std::string& member, const In& in, HRESULT expected, const std::string& what = {});
    bool Check(bool ok, const std::string& what);
    // Deletes the handles kept so far (each must answer S_OK).
    void DropHandles();
    void Keep(UINT64 handle) {
        if (handle) m_handles.push_back(handle);
    }
    IMvJavaCpp* jvm() const { return m_jvm; }

    unsigned long long calls = 0, failures = 0, stubs = 0;  // stubs: component interfaces queried
    std::vector<std::string> texts;
    std::map<std::string, std::map<HRESULT, long long>> tally;
    // "robustness: <suite> seed=... calls=..." and one line of codes per member.
    void PrintTally(const std::string& suite, unsigned long long seed) const;
    std::string Failures() const;

private:
    IMvJavaCpp* m_jvm;
    std::vector<UINT64> m_handles;
};

// The live references, handles and private memory of the process serving the calls, sampled
// along a run; slopes by least squares.
struct Sample {
    double at = 0;  // calls made
    long long refs = -1;
    ProcessCounters counters;
};
class LeakWatch {
public:
    LeakWatch(std::function<long long()> refs, DWORD pid) : m_refs(std::move(refs)), m_reader(pid) {}
    const Sample& Take(double at);
    // Growth per 1,000 calls of refs, handles and private bytes over the samples.
    double Slope(int which) const;
    std::vector<Sample> samples;

private:
    std::function<long long()> m_refs;
    ProcessCounterReader m_reader;
};
enum { kRefs, kHandles, kBytes };

// The checked mix on a host running samples.BothApps (fixtures on its class path). `step`
// chooses: fields, methods, strings, arrays, the component round, window details.
void MixStep(Checker& c, unsigned step, int salt, ULONG mirrorWindow);
// GetAllTopLevelComponents, each window's name, one level of children and their classes.
void ComponentRound(Checker& c);

}  // namespace mv::test
