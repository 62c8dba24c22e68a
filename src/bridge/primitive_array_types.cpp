#include "bridge/primitive_array_types.h"

#include <memory>
#include <new>

namespace mv {
namespace {

template <typename JArray, JArray (JNIEnv::*New)(jsize)>
jarray NewArray(JNIEnv* env, jsize length) {
    return (env->*New)(length);
}

// Types whose automation and Java elements have the same bits: the region calls work on the
// SAFEARRAY data itself.
template <typename JArray, typename Element, void (JNIEnv::*Set)(JArray, jsize, jsize, const Element*)>
bool WriteRegion(JNIEnv* env, jarray array, jsize length, const void* elements) {
    (env->*Set)(static_cast<JArray>(array), 0, length, static_cast<const Element*>(elements));
    return true;
}

template <typename JArray, typename Element, void (JNIEnv::*Get)(JArray, jsize, jsize, Element*)>
bool ReadRegion(JNIEnv* env, jarray array, jsize length, void* elements) {
    (env->*Get)(static_cast<JArray>(array), 0, length, static_cast<Element*>(elements));
    return true;
}

// boolean[] goes through a byte buffer: VARIANT_BOOL in (non-zero gives 1), VT_I2 out (-1 or 0).
bool WriteBooleans(JNIEnv* env, jarray array, jsize length, const void* elements) {
    std::unique_ptr<jboolean[]> bytes(new (std::nothrow) jboolean[static_cast<std::size_t>(length)]);
    if (!bytes) return false;
    const auto* in = static_cast<const VARIANT_BOOL*>(elements);
    for (jsize i = 0; i < length; ++i) bytes[i] = in[i] ? JNI_TRUE : JNI_FALSE;
    env->SetBooleanArrayRegion(static_cast<jbooleanArray>(array), 0, length, bytes.get());
    return true;
}

bool ReadBooleans(JNIEnv* env, jarray array, jsize length, void* elements) {
    std::unique_ptr<jboolean[]> bytes(new (std::nothrow) jboolean[static_cast<std::size_t>(length)]);
    if (!bytes) return false;
    env->GetBooleanArrayRegion(static_cast<jbooleanArray>(array), 0, length, bytes.get());
    auto* out = static_cast<SHORT*>(elements);
    for (jsize i = 0; i < length; ++i) out[i] = bytes[i] ? SHORT(-1) : SHORT(0);
    return true;
}

#define MV_SAME_BITS(JArray, Element, T) \
    &NewArray<JArray, &JNIEnv::New##T##Array>, \
    &WriteRegion<JArray, Element, &JNIEnv::Set##T##ArrayRegion>, \
    &ReadRegion<JArray, Element, &JNIEnv::Get##T##ArrayRegion>

// Indexed by JavaTypes.
const PrimitiveArrayType kPrimitiveArrayTypes[] = {
    // class  SetJavaPrimitiveArray takes       GetJavaPrimitiveArray gives  JNI calls
    {"[Z", VT_ARRAY | VT_BOOL, sizeof(VARIANT_BOOL), VT_I2,
     &NewArray<jbooleanArray, &JNIEnv::NewBooleanArray>, &WriteBooleans, &ReadBooleans},
    {"[B", VT_ARRAY | VT_I1, sizeof(jbyte), VT_I1, MV_SAME_BITS(jbyteArray, jbyte, Byte)},
    {"[C", VT_ARRAY | VT_UI2, sizeof(jchar), VT_UI2, MV_SAME_BITS(jcharArray, jchar, Char)},
    {"[S", VT_ARRAY | VT_I2, sizeof(jshort), VT_I2, MV_SAME_BITS(jshortArray, jshort, Short)},
    {"[I", VT_ARRAY | VT_I4, sizeof(jint), VT_I4, MV_SAME_BITS(jintArray, jint, Int)},
    {"[J", VT_ARRAY | VT_I8, sizeof(jlong), VT_I8, MV_SAME_BITS(jlongArray, jlong, Long)},
    {"[F", VT_ARRAY | VT_R4, sizeof(jfloat), VT_R4, MV_SAME_BITS(jfloatArray, jfloat, Float)},
    {"[D", VT_ARRAY | VT_R8, sizeof(jdouble), VT_R8, MV_SAME_BITS(jdoubleArray, jdouble, Double)},
};

#undef MV_SAME_BITS

static_assert(sizeof(kPrimitiveArrayTypes) / sizeof(kPrimitiveArrayTypes[0]) == Double + 1,
              "one row per JavaTypes value");

}  // namespace

const PrimitiveArrayType* FindPrimitiveArrayType(JavaTypes type) noexcept {
    const auto index = static_cast<unsigned>(type);
    return index <= static_cast<unsigned>(Double) ? &kPrimitiveArrayTypes[index] : nullptr;
}

}  // namespace mv
