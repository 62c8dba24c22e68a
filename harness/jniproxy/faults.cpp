#include "faults.h"

#include <map>
#include <set>
#include <string>

#include "common/win/critical_section.h"

namespace mv::proxy {

namespace {

const std::set<std::string>& FaultableFunctions() {
    static const std::set<std::string> names = {
        "AttachCurrentThread", "AttachCurrentThreadAsDaemon", "FindClass", "GetMethodID",
        "GetStaticMethodID", "GetFieldID", "GetStaticFieldID", "GetObjectClass", "NewGlobalRef", "NewWeakGlobalRef",
        "NewLocalRef", "AllocObject", "NewObject", "NewString", "NewStringUTF", "NewObjectArray",
        "NewBooleanArray", "NewByteArray", "NewCharArray", "NewShortArray", "NewIntArray",
        "NewLongArray", "NewFloatArray", "NewDoubleArray", "GetStringChars", "GetStringUTFChars",
        "GetBooleanArrayElements", "GetByteArrayElements", "GetCharArrayElements",
        "GetShortArrayElements", "GetIntArrayElements", "GetLongArrayElements",
        "GetFloatArrayElements", "GetDoubleArrayElements"};
    return names;
}

struct Faults {
    critical_section lock;
    std::map<std::string, int> remaining;
};

Faults& TheFaults() {
    static Faults faults;
    return faults;
}

}  // namespace

bool ArmFault(const char* function, int count) {
    if (function == nullptr || count < 0 || FaultableFunctions().count(function) == 0) return false;
    Faults& faults = TheFaults();
    critical_section_lock hold(faults.lock);
    if (count == 0) faults.remaining.erase(function);
    else faults.remaining[function] = count;
    return true;
}

void ClearFaults() {
    Faults& faults = TheFaults();
    critical_section_lock hold(faults.lock);
    faults.remaining.clear();
}

bool TakeFault(const char* function) {
    Faults& faults = TheFaults();
    critical_section_lock hold(faults.lock);
    auto it = faults.remaining.find(function);
    if (it == faults.remaining.end()) return false;
    if (--it->second == 0) faults.remaining.erase(it);
    return true;
}

}  // namespace mv::proxy
