#pragma once
// The wire between the JNI proxy (a Windows DLL under Wine) and the JNI server (a Linux program
// hosting a real JVM). Compiled by both sides, each against its own jni.h.
//
// Transport: TCP on 127.0.0.1. Every number is little-endian, nothing is padded.
//
// Control connection. The Windows parent listens on 127.0.0.1:0 and starts the server with that
// port and a random token on its command line; the server connects back and reports:
//   Ready  { u32 kReadyMagic, u64 token, i32 status (0 = running), u32 call port, i32 JNI version,
//            u32 server pid, str error text (empty when running) }
// The parent may send Stop { u32 kStopMagic }. The server ends when it gets Stop, when this
// connection closes (the parent died or stopped it) or when its maximum lifetime has passed.
//
// Call connections. One per attached Windows thread; the server serves it on a native thread of
// its own that is attached to the JVM for exactly the connection's lifetime.
//   request   { u32 size, u32 op, payload }        size counts op and payload
//   response  { u32 size, u32 status, payload }    size counts status and payload
// status kOk: the payload is the result. Anything else: the payload is an error text, and the
// server closes the connection.
//   The first request is kOpAttach { u64 token, u8 daemon, u8 has arguments, i32 version,
//     str name, ref group } -> { i32 result of AttachCurrentThread(AsDaemon) }; the token is the
//     one of the command line (a stranger's connection is closed unanswered). The server closes
//     the connection after a failed attach.
//   kOpDetach {} -> { i32 result of DetachCurrentThread }; then the server closes the connection.
//     A connection that closes without it is detached too.
//   kOpThrowOutOfMemory { str message } -> {}: raises OutOfMemoryError on the connection's thread
//     (the proxy's fault injection uses it to fail an allocating call as the JVM would).
//   op < kJniSlotCount: the JNIEnv function at that index of the JNINativeInterface_ table. Its
//     arguments after the JNIEnv* are encoded in order by type, and the response holds its result:
//       jboolean u8, jbyte i8, jchar u16, jshort i16, jint and jsize i32, jlong i64, jfloat f32,
//       jdouble f64, enums i32;
//       jobject and its kinds, jmethodID, jfieldID: ref = u64, the server's own pointer value;
//       const char* (modified UTF-8): str = u8 present, and if present u32 n, then n bytes that
//         end with the NUL;
//       const T* input buffers (NewString, Set<T>ArrayRegion, the jvalue array of an A form):
//         buf = u8 present, and if present u32 count, then count elements (a jvalue is 8 bytes;
//         the proxy writes each argument into a zeroed slot by its type).
//     Functions that hand memory out or back use these layouts instead:
//       Get<T>ArrayElements, GetStringChars, GetStringUTFChars { ref }
//         -> { ref server pointer (0 = the call returned null), buf contents }  (UTF: with NUL)
//       Release<T>ArrayElements { ref array, ref server pointer, i32 mode, buf contents or absent }
//       ReleaseStringChars, ReleaseStringUTFChars { ref string, ref server pointer } -> {}
//       Get<T>ArrayRegion, GetStringRegion { ref, i32 start, i32 len, buf the caller's buffer }
//         -> { buf the buffer after the call }  (the JVM leaves it alone when it throws)
//       GetStringUTFRegion { ref, i32 start, i32 len } -> { buf bytes written, absent if none }

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include <jni.h>

namespace mv::wire {

constexpr std::uint32_t kReadyMagic = 0x524a564d;  // "MVJR"
constexpr std::uint32_t kStopMagic = 0x534a564d;   // "MVJS"

constexpr std::uint32_t kOk = 0;
constexpr std::uint32_t kFailed = 1;

// JNINativeInterface_ holds 4 reserved pointers and 230 functions (JNI 10).
constexpr std::uint32_t kJniSlotCount = sizeof(JNINativeInterface_) / sizeof(void*);
static_assert(kJniSlotCount == 234, "jni.h of JDK 17 expected");

constexpr std::uint32_t kOpAttach = 0x1000;
constexpr std::uint32_t kOpDetach = 0x1001;
constexpr std::uint32_t kOpThrowOutOfMemory = 0x1002;

// Largest message either side accepts; arrays bigger than this are not a test harness's business.
constexpr std::uint32_t kMaxMessage = 64u * 1024u * 1024u;

#define MV_JNI_SLOT(name) \
    static_cast<std::uint32_t>(offsetof(JNINativeInterface_, name) / sizeof(void*))

static_assert(sizeof(jint) == 4 && sizeof(jlong) == 8 && sizeof(jvalue) == 8,
              "JNI types must have the same widths on both sides");

// Types that cross as a 64-bit reference value (IDs are tested first: their structs are
// incomplete, so std::is_base_of must not see them).
template <typename T>
struct IsObjectPointer
    : std::conjunction<std::is_pointer<T>, std::is_base_of<_jobject, std::remove_pointer_t<T>>> {};
template <typename T>
constexpr bool kIsReference = std::disjunction_v<std::is_same<T, jmethodID>,
                                                 std::is_same<T, jfieldID>, IsObjectPointer<T>>;

// Object references among them (not the IDs).
template <typename T>
constexpr bool kIsObject =
    std::conjunction_v<std::negation<std::disjunction<std::is_same<T, jmethodID>, std::is_same<T, jfieldID>>>,
                       IsObjectPointer<T>>;

template <typename T>
constexpr bool kIsScalar = std::is_arithmetic_v<T> || std::is_enum_v<T>;

template <typename T>
std::uint64_t ToRef(T value) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(value));
}
template <typename T>
T FromRef(std::uint64_t value) {
    return reinterpret_cast<T>(static_cast<std::uintptr_t>(value));
}

// Object references cross as the server's own values. A writer or reader given an object offset
// shows them to its side moved by it, null staying null: the proxy's MvJniProxy_SetReferenceOffset,
// which tests use to make references that do not fit in 32 bits. The server uses none.
inline std::uint64_t ShiftRef(std::uint64_t wireValue, std::uint64_t offset) {
    return wireValue != 0 ? wireValue + offset : 0;
}
inline std::uint64_t UnshiftRef(std::uint64_t shown, std::uint64_t offset) {
    return shown != 0 ? shown - offset : 0;
}

// Builds one message: an 8-byte header (size, op or status) filled in by Finish.
class Writer {
public:
    Writer() : m_bytes(8, 0) {}

    void SetObjectOffset(std::uint64_t offset) { m_objectOffset = offset; }
    std::uint64_t objectOffset() const { return m_objectOffset; }

    template <typename T>
    void Put(T value) {
        if constexpr (kIsObject<T>) {
            PutRaw(UnshiftRef(ToRef(value), m_objectOffset));
        } else if constexpr (kIsReference<T>) {
            PutRaw(ToRef(value));
        } else if constexpr (std::is_enum_v<T>) {
            PutRaw(static_cast<std::int32_t>(value));
        } else {
            static_assert(std::is_arithmetic_v<T>, "no wire form for this type");
            PutRaw(value);
        }
    }
    void PutString(const char* text) {
        Put<std::uint8_t>(text != nullptr);
        if (text == nullptr) return;
        std::uint32_t n = static_cast<std::uint32_t>(std::strlen(text) + 1);
        Put(n);
        PutBytes(text, n);
    }
    void PutString(const std::string& text) { PutString(text.c_str()); }
    template <typename T>
    void PutBuffer(const T* data, std::uint32_t count) {
        Put<std::uint8_t>(data != nullptr);
        if (data == nullptr) return;
        Put(count);
        PutBytes(data, static_cast<std::size_t>(count) * sizeof(T));
    }
    void PutBytes(const void* data, std::size_t n) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + n);
    }

    // Fills in the header; the message is then ready to send.
    const std::vector<std::uint8_t>& Finish(std::uint32_t opOrStatus) {
        std::uint32_t size = static_cast<std::uint32_t>(m_bytes.size() - 4);
        std::memcpy(m_bytes.data(), &size, 4);
        std::memcpy(m_bytes.data() + 4, &opOrStatus, 4);
        return m_bytes;
    }
    void Clear() { m_bytes.assign(8, 0); }

private:
    template <typename T>
    void PutRaw(T value) {
        PutBytes(&value, sizeof value);
    }
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_objectOffset = 0;
};

// Reads the payload of one message. A short or malformed payload sets a flag instead of reading
// past the end; the reader then answers zeros.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size, std::uint64_t objectOffset = 0)
        : m_pos(data), m_end(data + size), m_objectOffset(objectOffset) {}

    bool ok() const { return m_ok; }
    bool AtEnd() const { return m_pos == m_end; }

    template <typename T>
    T Get() {
        if constexpr (kIsObject<T>) {
            return FromRef<T>(ShiftRef(GetRaw<std::uint64_t>(), m_objectOffset));
        } else if constexpr (kIsReference<T>) {
            return FromRef<T>(GetRaw<std::uint64_t>());
        } else if constexpr (std::is_enum_v<T>) {
            return static_cast<T>(GetRaw<std::int32_t>());
        } else {
            static_assert(std::is_arithmetic_v<T>, "no wire form for this type");
            return GetRaw<T>();
        }
    }
    // A string sent by PutString: a pointer into the message (NUL-terminated), or null.
    const char* GetString() {
        if (Get<std::uint8_t>() == 0) return nullptr;
        std::uint32_t n = Get<std::uint32_t>();
        if (!m_ok || n == 0 || Remaining() < n || m_pos[n - 1] != 0) return Fail<const char*>();
        const char* text = reinterpret_cast<const char*>(m_pos);
        m_pos += n;
        return text;
    }
    // A buffer sent by PutBuffer, copied into `out` (aligned); false when it was absent.
    template <typename T>
    bool GetBuffer(std::vector<T>& out) {
        out.clear();
        if (Get<std::uint8_t>() == 0) return false;
        std::uint32_t count = Get<std::uint32_t>();
        std::size_t n = static_cast<std::size_t>(count) * sizeof(T);
        if (!m_ok || Remaining() < n) return Fail<bool>();
        out.resize(count);
        if (n != 0) std::memcpy(out.data(), m_pos, n);
        m_pos += n;
        return true;
    }
    // The rest of the payload as text (error messages).
    std::string Rest() {
        std::string text(reinterpret_cast<const char*>(m_pos), Remaining());
        m_pos = m_end;
        return text;
    }

private:
    std::size_t Remaining() const { return static_cast<std::size_t>(m_end - m_pos); }
    template <typename T>
    T Fail() {
        m_ok = false;
        m_pos = m_end;
        return T{};
    }
    template <typename T>
    T GetRaw() {
        T value{};
        if (!m_ok || Remaining() < sizeof value) return Fail<T>();
        std::memcpy(&value, m_pos, sizeof value);
        m_pos += sizeof value;
        return value;
    }

    const std::uint8_t* m_pos;
    const std::uint8_t* m_end;
    std::uint64_t m_objectOffset;
    bool m_ok = true;
};

}  // namespace mv::wire
