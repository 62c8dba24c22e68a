#pragma once
// The Java types of the field and method members, one row each: the JNI type, the type the
// interface carries, the field signature, the value conversion both ways, and the JNI functions
// that read and write fields of the type and call methods returning it (the jvalue-array forms).
// Object and String share the Object functions; their values are references, handed out by the
// members themselves.

#include <windows.h>
#include <oleauto.h>

#include <jni.h>

namespace mv {

// Every value but a boolean crosses bit for bit at its own width: a byte 0xFF is -1 in Java,
// a char is one UTF-16 unit.
template <typename JniType, typename ComType>
struct bit_copy {
    static ComType to_com(JniType v) noexcept { return static_cast<ComType>(v); }
    static JniType to_java(ComType v) noexcept { return static_cast<JniType>(v); }
};

// Any non-zero value is true on either side; the interface's true is VARIANT_TRUE (-1).
template <typename JniType, typename ComType>
struct boolean_conversion {
    static ComType to_com(JniType v) noexcept { return v ? VARIANT_TRUE : VARIANT_FALSE; }
    static JniType to_java(ComType v) noexcept { return v ? JNI_TRUE : JNI_FALSE; }
};

#define MV_JNI_FIELD_FUNCTIONS(Name)                                                \
    static constexpr auto get_static_field = &JNIEnv::GetStatic##Name##Field;       \
    static constexpr auto set_static_field = &JNIEnv::SetStatic##Name##Field;       \
    static constexpr auto get_field = &JNIEnv::Get##Name##Field;                    \
    static constexpr auto set_field = &JNIEnv::Set##Name##Field;

#define MV_JNI_CALL_FUNCTIONS(Name)                                                 \
    static constexpr auto call = &JNIEnv::Call##Name##MethodA;                      \
    static constexpr auto call_static = &JNIEnv::CallStatic##Name##MethodA;         \
    static constexpr auto call_nonvirtual = &JNIEnv::CallNonvirtual##Name##MethodA;

#define MV_JAVA_PRIMITIVE(type, Name, JniType, ComType, Signature, Conversion)      \
    struct java_##type : Conversion<JniType, ComType> {                              \
        using jni_type = JniType;                                                   \
        using com_type = ComType;                                                   \
        static constexpr const char* signature = Signature;                         \
        MV_JNI_FIELD_FUNCTIONS(Name)                                                \
        MV_JNI_CALL_FUNCTIONS(Name)                                                 \
    };

//               type     JNI name  JNI type  interface type  signature  conversion
MV_JAVA_PRIMITIVE(boolean, Boolean, jboolean, VARIANT_BOOL,   "Z",       boolean_conversion)
MV_JAVA_PRIMITIVE(byte,    Byte,    jbyte,    unsigned char,  "B",       bit_copy)
MV_JAVA_PRIMITIVE(char,    Char,    jchar,    unsigned short, "C",       bit_copy)
MV_JAVA_PRIMITIVE(short,   Short,   jshort,   short,          "S",       bit_copy)
MV_JAVA_PRIMITIVE(int,     Int,     jint,     LONG,           "I",       bit_copy)
MV_JAVA_PRIMITIVE(long,    Long,    jlong,    INT64,          "J",       bit_copy)
MV_JAVA_PRIMITIVE(float,   Float,   jfloat,   float,          "F",       bit_copy)
MV_JAVA_PRIMITIVE(double,  Double,  jdouble,  double,         "D",       bit_copy)

// Objects (the signature is the caller's) and strings (java.lang.String fields and results).
struct java_object {
    using jni_type = jobject;
    MV_JNI_FIELD_FUNCTIONS(Object)
    MV_JNI_CALL_FUNCTIONS(Object)
};

struct java_string : java_object {
    static constexpr const char* signature = "Ljava/lang/String;";
};

// Methods without a result.
struct java_void {
    using jni_type = void;
    MV_JNI_CALL_FUNCTIONS(Void)
};

#undef MV_JAVA_PRIMITIVE
#undef MV_JNI_CALL_FUNCTIONS
#undef MV_JNI_FIELD_FUNCTIONS

}  // namespace mv
