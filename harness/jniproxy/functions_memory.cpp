// Functions that move memory: the caller's buffers go to the server as counted buffers, and
// memory the JVM lends out comes back as a copy that the matching Release sends home.

#include <cstring>

#include "custom_functions.h"
#include "faults.h"
#include "forward.h"
#include "injected_faults.h"
#include "loans.h"

namespace mv::proxy {

namespace {

void Trace(std::string line) {
    if (TraceEnabled()) AddTraceLine(std::move(line));
}

std::uint32_t CountOf(jsize length) { return length > 0 ? static_cast<std::uint32_t>(length) : 0; }

void RequireBuffer(const void* buffer, jsize length, std::uint32_t slot) {
    if (buffer == nullptr && length > 0)
        Fatal(std::string(wire::JniFunctionName(slot)) + " with a null buffer");
}

// GetStringChars, GetStringUTFChars, Get<T>ArrayElements: `extra` elements of room stay zero
// after the copy (the NUL that string callers may look for).
template <typename T, typename Source>
T* Lend(JNIEnv* env, std::uint32_t slot, Source source, jboolean* isCopy, std::size_t extra) {
    const char* name = wire::JniFunctionName(slot);
    ProxyEnv& session = SessionOf(env, slot);
    if (TakeFault(name)) {
        FailWithOutOfMemory(session, slot);
        return nullptr;
    }
    session.Request().Put(source);
    wire::Reader reply = session.Transact(slot, slot);
    auto serverPointer = reply.Get<std::uint64_t>();
    std::vector<T> contents;
    reply.GetBuffer(contents);
    RequireWellFormed(reply, slot);
    if (serverPointer == 0) {
        Trace(TraceCall(name, TraceValue(source)) + " -> null");
        return nullptr;
    }
    Loan loan{slot, serverPointer, static_cast<std::uint32_t>(contents.size()), {}};
    loan.bytes.resize((contents.size() + extra) * sizeof(T));
    if (!contents.empty()) std::memcpy(loan.bytes.data(), contents.data(), contents.size() * sizeof(T));
    if (isCopy != nullptr) *isCopy = JNI_TRUE;  // the caller always gets this side's copy
    Trace(TraceCall(name, TraceValue(source)) + " -> " + std::to_string(contents.size()) + " elements");
    return static_cast<T*>(AddLoan(std::move(loan)));
}

Loan& LoanFor(const void* pointer, std::uint32_t releaseSlot, std::uint32_t getSlot) {
    Loan* loan = FindLoan(pointer, getSlot);
    if (loan == nullptr)
        Fatal(std::string(wire::JniFunctionName(releaseSlot)) + " of memory that " +
              wire::JniFunctionName(getSlot) + " did not hand out");
    return *loan;
}

template <typename Source>
void ReturnChars(JNIEnv* env, std::uint32_t slot, std::uint32_t getSlot, Source string, const void* chars) {
    ProxyEnv& session = SessionOf(env, slot);
    Loan& loan = LoanFor(chars, slot, getSlot);
    wire::Writer& request = session.Request();
    request.Put(string);
    request.Put(loan.serverPointer);
    ForgetLoan(chars);
    RequireWellFormed(session.Transact(slot, slot), slot);
    Trace(TraceCall(wire::JniFunctionName(slot), TraceValue(string)));
}

template <typename T, typename Array>
void ReturnElements(JNIEnv* env, std::uint32_t slot, std::uint32_t getSlot, Array array, T* elements,
                    jint mode) {
    ProxyEnv& session = SessionOf(env, slot);
    Loan& loan = LoanFor(elements, slot, getSlot);
    wire::Writer& request = session.Request();
    request.Put(array);
    request.Put(loan.serverPointer);
    request.Put(mode);
    if (mode == JNI_ABORT) request.PutBuffer<T>(nullptr, 0);
    else request.PutBuffer(elements, loan.count);
    if (mode != JNI_COMMIT) ForgetLoan(elements);
    RequireWellFormed(session.Transact(slot, slot), slot);
    Trace(TraceCall(wire::JniFunctionName(slot), TraceValue(array), std::to_string(mode)));
}

template <typename T, typename Source>
void ReadRegion(JNIEnv* env, std::uint32_t slot, Source source, jsize start, jsize length, T* buffer) {
    RequireBuffer(buffer, length, slot);
    ProxyEnv& session = SessionOf(env, slot);
    wire::Writer& request = session.Request();
    request.Put(source);
    request.Put(start);
    request.Put(length);
    request.PutBuffer(buffer, CountOf(length));  // unchanged if the JVM throws
    wire::Reader reply = session.Transact(slot, slot);
    std::vector<T> contents;
    bool present = reply.GetBuffer(contents);
    RequireWellFormed(reply, slot);
    if (present && contents.size() == CountOf(length) && !contents.empty())
        std::memcpy(buffer, contents.data(), contents.size() * sizeof(T));
    Trace(TraceCall(wire::JniFunctionName(slot), TraceValue(source), std::to_string(start),
                    std::to_string(length)));
}

template <typename T, typename Array>
void WriteRegion(JNIEnv* env, std::uint32_t slot, Array array, jsize start, jsize length, const T* buffer) {
    RequireBuffer(buffer, length, slot);
    ProxyEnv& session = SessionOf(env, slot);
    wire::Writer& request = session.Request();
    request.Put(array);
    request.Put(start);
    request.Put(length);
    request.PutBuffer(buffer, CountOf(length));
    RequireWellFormed(session.Transact(slot, slot), slot);
    Trace(TraceCall(wire::JniFunctionName(slot), TraceValue(array), std::to_string(start),
                    std::to_string(length)));
}

}  // namespace

namespace functions {

jstring JNICALL NewString(JNIEnv* env, const jchar* unicode, jsize length) {
    constexpr std::uint32_t slot = MV_JNI_SLOT(NewString);
    RequireBuffer(unicode, length, slot);
    ProxyEnv& session = SessionOf(env, slot);
    if (TakeFault("NewString")) {
        FailWithOutOfMemory(session, slot);
        return nullptr;
    }
    wire::Writer& request = session.Request();
    request.PutBuffer(unicode, CountOf(length));
    request.Put(length);
    wire::Reader reply = session.Transact(slot, slot);
    auto string = reply.Get<jstring>();
    RequireWellFormed(reply, slot);
    Trace(TraceCall("NewString", std::to_string(length) + " chars") + " -> " + TraceValue(string));
    return string;
}

const jchar* JNICALL GetStringChars(JNIEnv* env, jstring string, jboolean* isCopy) {
    return Lend<jchar>(env, MV_JNI_SLOT(GetStringChars), string, isCopy, 1);
}

void JNICALL ReleaseStringChars(JNIEnv* env, jstring string, const jchar* chars) {
    ReturnChars(env, MV_JNI_SLOT(ReleaseStringChars), MV_JNI_SLOT(GetStringChars), string, chars);
}

const char* JNICALL GetStringUTFChars(JNIEnv* env, jstring string, jboolean* isCopy) {
    return Lend<char>(env, MV_JNI_SLOT(GetStringUTFChars), string, isCopy, 0);  // NUL included
}

void JNICALL ReleaseStringUTFChars(JNIEnv* env, jstring string, const char* chars) {
    ReturnChars(env, MV_JNI_SLOT(ReleaseStringUTFChars), MV_JNI_SLOT(GetStringUTFChars), string, chars);
}

void JNICALL GetStringRegion(JNIEnv* env, jstring string, jsize start, jsize length, jchar* buffer) {
    ReadRegion(env, MV_JNI_SLOT(GetStringRegion), string, start, length, buffer);
}

void JNICALL GetStringUTFRegion(JNIEnv* env, jstring string, jsize start, jsize length, char* buffer) {
    constexpr std::uint32_t slot = MV_JNI_SLOT(GetStringUTFRegion);
    if (buffer == nullptr) Fatal("GetStringUTFRegion with a null buffer");
    ProxyEnv& session = SessionOf(env, slot);
    wire::Writer& request = session.Request();
    request.Put(string);
    request.Put(start);
    request.Put(length);
    wire::Reader reply = session.Transact(slot, slot);
    std::vector<char> written;
    bool present = reply.GetBuffer(written);
    RequireWellFormed(reply, slot);
    if (present && !written.empty()) std::memcpy(buffer, written.data(), written.size());
    Trace(TraceCall("GetStringUTFRegion", TraceValue(string), std::to_string(start), std::to_string(length)));
}

#define MV_ARRAY_MEMORY(Name, type) \
    type* JNICALL Get##Name##ArrayElements(JNIEnv* env, type##Array array, jboolean* isCopy) { \
        return Lend<type>(env, MV_JNI_SLOT(Get##Name##ArrayElements), array, isCopy, 0); \
    } \
    void JNICALL Release##Name##ArrayElements(JNIEnv* env, type##Array array, type* elements, jint mode) { \
        ReturnElements(env, MV_JNI_SLOT(Release##Name##ArrayElements), \
                       MV_JNI_SLOT(Get##Name##ArrayElements), array, elements, mode); \
    } \
    void JNICALL Get##Name##ArrayRegion(JNIEnv* env, type##Array array, jsize start, jsize length, \
                                        type* buffer) { \
        ReadRegion(env, MV_JNI_SLOT(Get##Name##ArrayRegion), array, start, length, buffer); \
    } \
    void JNICALL Set##Name##ArrayRegion(JNIEnv* env, type##Array array, jsize start, jsize length, \
                                        const type* buffer) { \
        WriteRegion(env, MV_JNI_SLOT(Set##Name##ArrayRegion), array, start, length, buffer); \
    }
MV_JNI_PRIMITIVE_TYPES(MV_ARRAY_MEMORY)
#undef MV_ARRAY_MEMORY

}  // namespace functions
}  // namespace mv::proxy
