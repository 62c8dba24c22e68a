#pragma once
// Hostile-input rounds against one IMvJavaCpp, in process or through a proxy: random argument
// arrays aimed at a real Java method of every call member, random names and signatures for the
// field, call, class and object members, random primitive array writes and reads, zero and
// wrong-kind handles. Every answer is checked against what the input must give (worked out
// independently), outputs must stay zero on failure, and every handle the bridge hands out is
// deleted again, so that the caller can compare its reference counters before and after.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "bstr_values.h"
#include "call_members.h"
#include "hresult_tally.h"
#include "random_source.h"
#include "variant_generator.h"

namespace mv::test {

// Java objects of the fixtures, made through the bridge so that they exist in process and across.
struct TargetObjects {
    UINT64 echo = 0;          // fixtures.Echo
    UINT64 fields = 0;        // fixtures.Fields
    UINT64 integer = 0;       // java.lang.Integer 2 (from fixtures.ArrayFields.objects)
    UINT64 text = 0;          // java.lang.String "hostile"
    UINT64 ints = 0;          // int[] {1, -2, 3}
    UINT64 objects = 0;       // Object[] {"first", 2}
    UINT64 objectsWithNull = 0;  // Object[] {"first", null}
    std::vector<UINT64> all;  // the above, for VT_UI8 values

    // Makes them; a test failure (and false) when any is missing.
    bool Make(IMvJavaCpp* bridge);
    void Release(IMvJavaCpp* bridge);
};

class HostileRounds {
public:
    HostileRounds(IMvJavaCpp* bridge, const TargetObjects& targets, RandomSource& random, HresultTally& tally);
    ~HostileRounds();
    HostileRounds(const HostileRounds&) = delete;
    HostileRounds& operator=(const HostileRounds&) = delete;

    // Called after a member that may leave a Java exception pending on the caller's thread
    // (GetClassByName that found nothing): the in-process caller clears it there.
    std::function<void()> afterPendingException;

    void ArgumentRound();
    void NameRound();
    void ArrayRound();
    void ZeroHandleRound();

private:
    struct CallTarget;
    // The target's member on `object` (the target's own, or another handle) with `params`.
    CallResult InvokeTarget(const CallTarget& target, UINT64 object, const VARIANT& params);
    void CheckCall(const CallTarget& target, const VARIANT& params, const std::string& what);
    void FieldNameRound();
    void CallNameRound();
    void ClassNameRound();
    std::vector<unsigned char> ReadJavaArray(UINT64 array, long type, bool& ok);
    void Delete(UINT64 handle);

    IMvJavaCpp* m_bridge;
    const TargetObjects& m_targets;
    RandomSource& m_random;
    HresultTally& m_tally;
    VariantGenerator m_generator;
    std::vector<CallTarget> m_callTargets;
};

// The text of a BSTR up to its first NUL, as JNI receives it.
std::wstring UpToNul(const std::wstring& text);
// At most 60 units of `text` for a message, non-ASCII as \uXXXX.
std::string Printable(const std::wstring& text);

}  // namespace mv::test
