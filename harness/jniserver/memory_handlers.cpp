// String chars, array elements and regions: memory that the JVM hands out on this side is copied
// into the response, and what the Windows side hands back is copied into it before the release.
// Pointers handed out are remembered so that a release names only memory of this server.

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "dispatch.h"
#include "protocol/jni_functions.h"

namespace mv::server {

namespace {

// Memory handed out and not yet released, by pointer: its element count.
class HandedOut {
public:
    void Add(const void* p, std::uint32_t count) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_counts[p] = count;
    }
    // The count of a handed-out pointer; `release` forgets it. Throws for a foreign pointer.
    std::uint32_t Take(const void* p, bool release, const char* function) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_counts.find(p);
        if (it == m_counts.end())
            throw RequestError(std::string(function) + " of memory the server did not hand out");
        std::uint32_t count = it->second;
        if (release) m_counts.erase(it);
        return count;
    }

private:
    std::mutex m_mutex;
    std::map<const void*, std::uint32_t> m_counts;
};

HandedOut& Memory() {
    static HandedOut memory;
    return memory;
}

void RequireWellFormed(const wire::Reader& in, const char* function) {
    if (!in.ok() || !in.AtEnd()) throw RequestError(std::string("malformed arguments for ") + function);
}

void GetStringChars(JNIEnv* env, wire::Reader& in, wire::Writer& out) {
    auto string = in.Get<jstring>();
    RequireWellFormed(in, "GetStringChars");
    const jchar* chars = env->functions->GetStringChars(env, string, nullptr);
    std::uint32_t count = 0;
    if (chars != nullptr) {
        count = static_cast<std::uint32_t>(env->functions->GetStringLength(env, string));
        Memory().Add(chars, count);
    }
    out.Put(wire::ToRef(chars));
    out.PutBuffer(chars, count);
}

void GetStringUTFChars(JNIEnv* env, wire::Reader& in, wire::Writer& out) {
    auto string = in.Get<jstring>();
    RequireWellFormed(in, "GetStringUTFChars");
    const char* chars = env->functions->GetStringUTFChars(env, string, nullptr);
    std::uint32_t count = 0;
    if (chars != nullptr) {
        count = static_cast<std::uint32_t>(std::strlen(chars) + 1);
        Memory().Add(chars, count);
    }
    out.Put(wire::ToRef(chars));
    out.PutBuffer(chars, count);
}

template <typename Chars>
void ReleaseChars(JNIEnv* env, wire::Reader& in,
                  void(JNICALL* release)(JNIEnv*, jstring, const Chars*), const char* function) {
    auto string = in.Get<jstring>();
    auto chars = wire::FromRef<const Chars*>(in.Get<std::uint64_t>());
    RequireWellFormed(in, function);
    Memory().Take(chars, true, function);
    release(env, string, chars);
}

template <typename Array, typename T>
void GetElements(JNIEnv* env, wire::Reader& in, wire::Writer& out,
                 T*(JNICALL* get)(JNIEnv*, Array, jboolean*), const char* function) {
    auto array = in.Get<Array>();
    RequireWellFormed(in, function);
    T* elements = get(env, array, nullptr);
    std::uint32_t count = 0;
    if (elements != nullptr) {
        count = static_cast<std::uint32_t>(env->functions->GetArrayLength(env, array));
        Memory().Add(elements, count);
    }
    out.Put(wire::ToRef(elements));
    out.PutBuffer(elements, count);
}

template <typename Array, typename T>
void ReleaseElements(JNIEnv* env, wire::Reader& in,
                     void(JNICALL* release)(JNIEnv*, Array, T*, jint), const char* function) {
    auto array = in.Get<Array>();
    T* elements = wire::FromRef<T*>(in.Get<std::uint64_t>());
    auto mode = in.Get<jint>();
    std::vector<T> contents;
    bool hasContents = in.GetBuffer(contents);
    RequireWellFormed(in, function);
    std::uint32_t count = Memory().Take(elements, mode != JNI_COMMIT, function);
    if (hasContents) {
        if (contents.size() != count) throw RequestError(std::string(function) + ": wrong length");
        std::memcpy(elements, contents.data(), count * sizeof(T));
    }
    release(env, array, elements, mode);
}

template <typename Source, typename T>
void GetRegion(JNIEnv* env, wire::Reader& in, wire::Writer& out,
               void(JNICALL* get)(JNIEnv*, Source, jsize, jsize, T*), const char* function) {
    auto source = in.Get<Source>();
    auto start = in.Get<jsize>();
    auto length = in.Get<jsize>();
    std::vector<T> buffer;
    bool present = in.GetBuffer(buffer);
    RequireWellFormed(in, function);
    if (present && length > 0 && buffer.size() != static_cast<std::size_t>(length))
        throw RequestError(std::string(function) + ": wrong buffer length");
    buffer.reserve(1);
    get(env, source, start, length, present ? buffer.data() : nullptr);
    out.PutBuffer(present ? buffer.data() : nullptr, static_cast<std::uint32_t>(buffer.size()));
}

// The JVM writes modified UTF-8 and a NUL, or nothing when it throws; 0xFF never occurs in
// modified UTF-8, so an untouched first byte tells which.
void GetStringUTFRegion(JNIEnv* env, wire::Reader& in, wire::Writer& out) {
    auto string = in.Get<jstring>();
    auto start = in.Get<jsize>();
    auto length = in.Get<jsize>();
    RequireWellFormed(in, "GetStringUTFRegion");
    if (length > static_cast<jsize>(wire::kMaxMessage / 4))
        throw RequestError("GetStringUTFRegion: region too long for the harness");
    std::vector<char> buffer(length > 0 ? static_cast<std::size_t>(length) * 3 + 1 : 1, '\xff');
    env->functions->GetStringUTFRegion(env, string, start, length, buffer.data());
    if (buffer[0] == '\xff') {
        out.PutBuffer<char>(nullptr, 0);
    } else {
        out.PutBuffer(buffer.data(), static_cast<std::uint32_t>(std::strlen(buffer.data()) + 1));
    }
}

}  // namespace

void AddMemoryHandlers(HandlerTable& table) {
    table[MV_JNI_SLOT(GetStringChars)] = &GetStringChars;
    table[MV_JNI_SLOT(GetStringUTFChars)] = &GetStringUTFChars;
    table[MV_JNI_SLOT(ReleaseStringChars)] = [](JNIEnv* env, wire::Reader& in, wire::Writer&) {
        ReleaseChars(env, in, env->functions->ReleaseStringChars, "ReleaseStringChars");
    };
    table[MV_JNI_SLOT(ReleaseStringUTFChars)] = [](JNIEnv* env, wire::Reader& in, wire::Writer&) {
        ReleaseChars(env, in, env->functions->ReleaseStringUTFChars, "ReleaseStringUTFChars");
    };
    table[MV_JNI_SLOT(GetStringRegion)] = [](JNIEnv* env, wire::Reader& in, wire::Writer& out) {
        GetRegion(env, in, out, env->functions->GetStringRegion, "GetStringRegion");
    };
    table[MV_JNI_SLOT(GetStringUTFRegion)] = &GetStringUTFRegion;
#define MV_ARRAY_HANDLERS(Name, type) \
    table[MV_JNI_SLOT(Get##Name##ArrayElements)] = [](JNIEnv* env, wire::Reader& in, \
                                                      wire::Writer& out) { \
        GetElements(env, in, out, env->functions->Get##Name##ArrayElements, \
                    "Get" #Name "ArrayElements"); \
    }; \
    table[MV_JNI_SLOT(Release##Name##ArrayElements)] = [](JNIEnv* env, wire::Reader& in, \
                                                          wire::Writer&) { \
        ReleaseElements(env, in, env->functions->Release##Name##ArrayElements, \
                        "Release" #Name "ArrayElements"); \
    }; \
    table[MV_JNI_SLOT(Get##Name##ArrayRegion)] = [](JNIEnv* env, wire::Reader& in, \
                                                    wire::Writer& out) { \
        GetRegion(env, in, out, env->functions->Get##Name##ArrayRegion, \
                  "Get" #Name "ArrayRegion"); \
    };
    MV_JNI_PRIMITIVE_TYPES(MV_ARRAY_HANDLERS)
#undef MV_ARRAY_HANDLERS
}

}  // namespace mv::server
