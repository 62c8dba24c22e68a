// Every JNI function family answers through the proxy what the JVM answers: one table of calls,
// each row's result written as text ("value !exception.Class" when the call threw, which is also
// the exception check -Xcheck:jni requires) and compared with what Java gives.

#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>

#include "jni_test.h"

namespace mv::test {
namespace {

constexpr char kDescribeSig[] = "(ZBCSIJFDLjava/lang/Object;Ljava/lang/String;)Ljava/lang/String;";
constexpr char kDescribed[] = "true|-5|8364|-300|123456|-9876543210|1.5|-2.25|object|text";
const std::u16string kNonBmp = u"G clef \U0001D11E, grin \U0001F600";  // fixtures.Texts.NON_BMP
const std::string kNonBmpUtf8 = "G clef \xED\xA0\xB4\xED\xB4\x9E, grin \xED\xA0\xBD\xED\xB8\x80";  // modified UTF-8

template <typename T>
std::string Fmt(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        char text[32];
        return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
    } else {
        return std::to_string(+value);
    }
}

// Text appended left to right (the operands of << are sequenced, those of + are not).
struct Seq {
    std::string text;
    Seq& operator<<(const std::string& more) { return text += more, *this; }
    operator std::string() const { return text; }
};

jobject DescribeV(JNIEnv* env, jclass cls, jmethodID method, ...) {  // the va_list form
    va_list list;
    va_start(list, method);
    jobject result = env->CallStaticObjectMethodV(cls, method, list);
    va_end(list);
    return result;
}

class Jni : public JniTest {
protected:
    // The text of a result, then " !<class>" when the call threw (the exception is cleared).
    template <typename T>
    std::string R(T value) {
        std::string thrown;
        if (jthrowable pending = env()->ExceptionOccurred()) {
            env()->ExceptionClear();
            thrown = " !" + Str(Call(env()->GetObjectClass(pending), "getName", "()Ljava/lang/String;"));
        }
        if constexpr (std::is_convertible_v<T, jobject>) return Str(value) + thrown;
        else if constexpr (std::is_pointer_v<T>) return (value ? "id" : "<null>") + thrown;
        else return Fmt(value) + thrown;
    }
    // String.valueOf(object), "<null>" for null.
    std::string Str(jobject value) {
        if (!value) return "<null>";
        jclass string = env()->FindClass("java/lang/String");
        auto text = static_cast<jstring>(env()->CallStaticObjectMethod(
            string, StaticMethodId(string, "valueOf", "(Ljava/lang/Object;)Ljava/lang/String;"), value));
        return NoException() ? Utf(env(), text) : "<valueOf threw>";
    }
    jobject Call(jobject target, const char* name, const char* sig) {
        jobject result = env()->CallObjectMethod(target, MethodId(env()->GetObjectClass(target), name, sig));
        env()->ExceptionCheck();  // read only: R reports what is pending
        return result;
    }
    jobject Static(const char* cls, const char* name, const char* sig) {
        jclass c = FindClass(cls);
        return env()->GetStaticObjectField(c, StaticFieldId(c, name, sig));
    }

    // One result kind: virtual, non-virtual and static calls, then an instance and a static
    // field read, written with `written` and read again.
    template <typename T>
    std::string Kind(std::string kind, const char* sig, T written, T (JNIEnv::*call)(jobject, jmethodID, ...),
                     T (JNIEnv::*nonvirtual)(jobject, jclass, jmethodID, ...), T (JNIEnv::*callStatic)(jclass, jmethodID, ...),
                     T (JNIEnv::*get)(jobject, jfieldID), void (JNIEnv::*set)(jobject, jfieldID, T),
                     T (JNIEnv::*getStatic)(jclass, jfieldID), void (JNIEnv::*setStatic)(jclass, jfieldID, T)) {
        std::string lower = kind;
        lower[0] = static_cast<char>(lower[0] - 'A' + 'a');
        const std::string m = "()" + std::string(sig);
        JNIEnv& e = *env();
        const jmethodID method = MethodId(base, (lower + "Result").c_str(), m.c_str());
        const jfieldID field = FieldId(fields, (lower + "Field").c_str(), sig);
        const jfieldID staticField = StaticFieldId(fields, ("static" + kind).c_str(), sig);
        Seq text;
        text << R((e.*call)(object, method)) << "|" << R((e.*nonvirtual)(object, base, method)) << "|"
             << R((e.*callStatic)(base, StaticMethodId(base, ("static" + kind + "Result").c_str(), m.c_str())))
             << "|" << R((e.*get)(fieldsObject, field)) << "|" << R((e.*getStatic)(fields, staticField));
        (e.*set)(fieldsObject, field, written);
        (e.*setStatic)(fields, staticField, written);
        return text << "|" << R((e.*get)(fieldsObject, field)) << "|" << R((e.*getStatic)(fields, staticField));
    }

    // One primitive array kind: the fixture's first two elements, a new array of three given them
    // at offset 1, then its elements (a copy) with [0] set to [1] and released.
    template <typename T, typename A>
    std::string Array(const char* field, const char* sig, A (JNIEnv::*make)(jsize),
                      void (JNIEnv::*getRegion)(A, jsize, jsize, T*), void (JNIEnv::*setRegion)(A, jsize, jsize, const T*),
                      T* (JNIEnv::*elements)(A, jboolean*), void (JNIEnv::*release)(A, T*, jint)) {
        JNIEnv& e = *env();
        T two[2] = {}, three[3] = {};
        (e.*getRegion)(static_cast<A>(Static("fixtures/ArrayFields", field, sig)), 0, 2, two);
        A made = (e.*make)(3);
        (e.*setRegion)(made, 1, 2, two);
        auto all = [&] {
            (e.*getRegion)(made, 0, 3, three);
            return Fmt(three[0]) + "," + Fmt(three[1]) + "," + Fmt(three[2]);
        };
        std::string text = Fmt(two[0]) + "," + Fmt(two[1]) + "|" + all();
        jboolean isCopy = JNI_FALSE;
        T* items = (e.*elements)(made, &isCopy);
        items[0] = items[1];
        (e.*release)(made, items, 0);
        return text + "|" + all() + (isCopy ? "|copy" : "|no copy");
    }

    jclass base = nullptr, derived = nullptr, fields = nullptr;
    jobject object = nullptr, fieldsObject = nullptr;  // a fixtures.Derived, a fixtures.Fields
};

#define MV_KIND(K, sig, written)                                                                       \
    Kind(#K, sig, written, &JNIEnv::Call##K##Method, &JNIEnv::CallNonvirtual##K##Method,              \
         &JNIEnv::CallStatic##K##Method, &JNIEnv::Get##K##Field, &JNIEnv::Set##K##Field,               \
         &JNIEnv::GetStatic##K##Field, &JNIEnv::SetStatic##K##Field)
#define MV_ARRAY(K, field, sig)                                                                         \
    Array(field, sig, &JNIEnv::New##K##Array, &JNIEnv::Get##K##ArrayRegion, &JNIEnv::Set##K##ArrayRegion, \
          &JNIEnv::Get##K##ArrayElements, &JNIEnv::Release##K##ArrayElements)

TEST_F(Jni, EveryFamilyAnswersWhatJavaGives) {
    LocalFrame frame(env(), 64);
    base = FindClass("fixtures/Base");
    derived = FindClass("fixtures/Derived");
    fields = FindClass("fixtures/Fields");
    object = NewDefault("fixtures/Derived");
    fieldsObject = NewDefault("fixtures/Fields");
    jclass arguments = FindClass("fixtures/Arguments"), texts = FindClass("fixtures/Texts");
    env()->CallStaticVoidMethod(fields, StaticMethodId(fields, "reset", "()V"));
    ASSERT_TRUE(NoException() && object && fieldsObject);
    JNIEnv* e = env();
    auto describe = StaticMethodId(arguments, "describe", kDescribeSig);
    auto sum = StaticMethodId(arguments, "sum", "(IJFDBSCJ)D");
    const double summed = 1.0 + 1099511627776.0 + 0.5 + 0.25 - 3 + 1000 + 65 - 7;
    auto nonBmp = [&] {
        auto text = static_cast<jstring>(e->CallStaticObjectMethod(texts, StaticMethodId(texts, "nonBmp", "()Ljava/lang/String;")));
        return e->ExceptionCheck(), text;
    };
    auto isNonBmp = [&](jstring s) { return R(e->CallStaticBooleanMethod(texts, StaticMethodId(texts, "isNonBmp", "(Ljava/lang/String;)Z"), s)); };
    auto lastVoid = [&] { return Str(e->GetStaticObjectField(base, StaticFieldId(base, "lastVoidCall", "Ljava/lang/String;"))); };
    struct Row {
        const char* name;
        std::function<std::string()> call;
        std::string expected;
    };
    const Row rows[] = {
        {"boolean", [&] { return MV_KIND(Boolean, "Z", jboolean{JNI_FALSE}); }, "1|0|1|1|1|0|0"},
        {"byte", [&] { return MV_KIND(Byte, "B", jbyte{127}); }, "-2|1|-128|-1|-2|127|127"},
        {"char", [&] { return MV_KIND(Char, "C", jchar{0xd834}); }, "8364|98|65535|233|8364|55348|55348"},
        {"short", [&] { return MV_KIND(Short, "S", jshort{-9}); }, "-4|3|-32768|-12345|32000|-9|-9"},
        {"int", [&] { return MV_KIND(Int, "I", jint{-1}); }, "600000|5|2147483647|123456789|-987654321|-1|-1"},
        {"long", [&] { return MV_KIND(Long, "J", jlong{1LL << 62}); },
         "1099511627776|7|9223372036854775807|81985529216486895|-9223372036854775807|4611686018427387904|4611686018427387904"},
        {"float", [&] { return MV_KIND(Float, "F", jfloat{3.25e-20f}); }, "-8.25|0.5|1e-45|1.5|-0.75|3.25e-20|3.25e-20"},
        {"double", [&] { return MV_KIND(Double, "D", jdouble{5e-324}); },
         "1e+300|0.25|-1.7976931348623157e+308|-2.25|6.02214076e+23|5e-324|5e-324"},
        {"object", [&] { return MV_KIND(Object, "Ljava/lang/Object;", jobject{base}); },
         "derived object|base object|42|instance object|static object|class fixtures.Base|class fixtures.Base"},
        {"void", [&] {
             Seq text;
             e->CallVoidMethod(object, MethodId(base, "voidResult", "()V"));
             text << R(0) << lastVoid();
             e->CallNonvirtualVoidMethod(object, base, MethodId(base, "voidResult", "()V"));
             text << R(0) << lastVoid();
             e->CallStaticVoidMethod(base, StaticMethodId(base, "staticVoidResult", "()V"));
             return text << R(0) << lastVoid();
         }, "0Derived.voidResult0Base.voidResult0Base.staticVoidResult"},
        {"null fields and results", [&] {
             return Seq() << R(e->GetObjectField(fieldsObject, FieldId(fields, "nullStringField", "Ljava/lang/String;")))
                          << "|" << R(e->CallStaticObjectMethod(base, StaticMethodId(base, "nullObject", "()Ljava/lang/Object;")))
                          << "|" << R(Call(NewDefault("fixtures/NullToString"), "toString", "()Ljava/lang/String;"));
         }, "<null>|<null>|<null>"},
        {"arguments: variadic, va_list, jvalue[] static and instance", [&] {
             jvalue a[10];
             for (jvalue& v : a) v.j = 0x5555555555555555LL;  // garbage beyond each value's own width
             a[0].z = JNI_TRUE, a[1].b = -5, a[2].c = 0x20ac, a[3].s = -300, a[4].i = 123456, a[5].j = -9876543210LL;
             a[6].f = 1.5f, a[7].d = -2.25, a[8].l = e->NewStringUTF("object"), a[9].l = e->NewStringUTF("text");
             jvalue prefix;
             prefix.l = e->NewStringUTF("here:");
             jobject instance = e->NewObjectA(arguments, MethodId(arguments, "<init>", "(Ljava/lang/String;)V"), &prefix);
             e->ExceptionCheck();
             return Seq() << R(e->functions->CallStaticObjectMethod(e, arguments, describe, JNI_TRUE, jbyte{-5},
                                 jchar{0x20ac}, jshort{-300}, jint{123456}, jlong{-9876543210LL}, 1.5f, -2.25, a[8].l, a[9].l))
                          << "/" << R(DescribeV(e, arguments, describe, JNI_TRUE, jbyte{-5}, jchar{0x20ac}, jshort{-300},
                                 jint{123456}, jlong{-9876543210LL}, 1.5f, -2.25, a[8].l, a[9].l))
                          << "/" << R(e->CallStaticObjectMethodA(arguments, describe, a))
                          << "/" << R(e->CallObjectMethodA(instance, MethodId(arguments, "describeHere", kDescribeSig), a));
         }, std::string(kDescribed) + "/" + kDescribed + "/" + kDescribed + "/here:" + kDescribed},
        {"wide and narrow arguments interleaved", [&] {
             return Seq() << R(e->functions->CallStaticDoubleMethod(e, arguments, sum, jint{1}, jlong{1LL << 40}, 0.5f,
                                 0.25, jbyte{-3}, jshort{1000}, jchar{65}, jlong{-7}))
                          << "|" << R(e->CallStaticDoubleMethod(arguments, sum, jint{1}, jlong{1LL << 40}, 0.5f, 0.25,
                                 jbyte{-3}, jshort{1000}, jchar{65}, jlong{-7}));
         }, Fmt(summed) + "|" + Fmt(summed)},
        {"constructors: variadic, va_list, jvalue[]", [&] {
             jmethodID withValue = MethodId(derived, "<init>", "(I)V"), value = MethodId(base, "value", "()I");
             jvalue arg;
             arg.i = 32;
             auto checked = [&](jobject made) { return e->ExceptionCheck(), made; };
             jobject made[] = {checked(e->functions->NewObject(e, derived, withValue, jint{31})),
                               checked(e->NewObject(derived, withValue, jint{30})), checked(e->NewObjectA(derived, withValue, &arg))};
             Seq text;
             for (jobject m : made) text << R(e->CallIntMethod(m, value)) << "|";
             return text << R(e->IsSameObject(e->GetObjectClass(made[2]), derived));
         }, "31|30|32|1"},
        {"throwing methods and constructors", [&] {
             jclass throwing = FindClass("fixtures/Throwing");
             Seq text;
             text << R(e->CallStaticIntMethod(throwing, StaticMethodId(throwing, "throwingInt", "()I"))) << "|";
             e->CallStaticVoidMethod(throwing, StaticMethodId(throwing, "throwingVoid", "()V"));
             text << R(0) << "|" << R(e->CallStaticObjectMethod(throwing, StaticMethodId(throwing, "throwingObject", "()Ljava/lang/Object;")));
             return text << "|" << R(e->NewObject(throwing, MethodId(throwing, "<init>", "()V")));
         }, "0 !java.lang.IllegalStateException|0 !java.lang.UnsupportedOperationException|"
            "<null> !java.lang.IllegalArgumentException|<null> !java.lang.IllegalStateException"},
        {"failed lookups", [&] {
             jclass noDefault = FindClass("fixtures/NoDefaultConstructor");
             return Seq() << R(e->GetMethodID(base, "intResult", "()J")) << "|" << R(e->GetStaticMethodID(base, "intResult", "()I"))
                          << "|" << R(e->GetMethodID(noDefault, "<init>", "()V")) << "|" << R(e->FindClass("fixtures/NoSuchClass"))
                          << "|" << R(e->GetFieldID(fields, "longField", "I")) << "|" << R(e->GetFieldID(fields, "staticInt", "I"))
                          << "|" << R(e->GetStaticFieldID(fields, "intField", "I"));
         }, "<null> !java.lang.NoSuchMethodError|<null> !java.lang.NoSuchMethodError|<null> !java.lang.NoSuchMethodError|"
            "<null> !java.lang.NoClassDefFoundError|<null> !java.lang.NoSuchFieldError|<null> !java.lang.NoSuchFieldError|"
            "<null> !java.lang.NoSuchFieldError"},
        {"class queries", [&] {
             jclass string = FindClass("java/lang/String");
             return Seq() << R(e->IsSameObject(e->GetSuperclass(derived), base)) << R(e->IsAssignableFrom(derived, base))
                          << R(e->IsAssignableFrom(base, derived)) << R(e->IsInstanceOf(object, base))
                          << R(e->IsInstanceOf(object, string))
                          << R(e->CallIntMethod(e->AllocObject(base), MethodId(base, "value", "()I")));  // no constructor ran
         }, "110100"},
        {"non-BMP text: NewString, GetStringChars, NewStringUTF, GetStringUTFChars", [&] {
             jstring java = nonBmp();
             const jchar* chars = e->GetStringChars(java, nullptr);
             Seq text;
             text << (std::u16string(reinterpret_cast<const char16_t*>(chars), kNonBmp.size()) == kNonBmp ? "same|" : "differs|");
             e->ReleaseStringChars(java, chars);
             return text << isNonBmp(e->NewString(reinterpret_cast<const jchar*>(kNonBmp.data()), static_cast<jsize>(kNonBmp.size())))
                         << isNonBmp(e->NewStringUTF(kNonBmpUtf8.c_str())) << "|" << R(e->GetStringLength(java)) << "|"
                         << R(e->GetStringUTFLength(java)) << (Utf(e, java) == kNonBmpUtf8 ? "|same" : "|differs");
         }, "same|11|18|26|same"},
        {"string regions, good and bad", [&] {
             jstring java = nonBmp();
             jchar units[3] = {1, 1, 1};
             char utf[8] = "xxxxxxx";
             e->GetStringRegion(java, 7, 2, units);  // the surrogate pair
             e->GetStringUTFRegion(java, 7, 1, utf);
             Seq text;
             text << Fmt(units[0]) << "," << Fmt(units[1]) << "," << Fmt(units[2]) << "|" << utf << R(0);
             e->GetStringRegion(java, 100, 3, units);
             text << R(0) << Fmt(units[2]);
             e->GetStringUTFRegion(java, -1, 2, utf);
             return text << R(0) << "|" << utf;
         }, "55348,56606,1|\xED\xA0\xB4" "0" "0 !java.lang.StringIndexOutOfBoundsException1"
            "0 !java.lang.StringIndexOutOfBoundsException|\xED\xA0\xB4"},
        {"empty and NUL-holding strings", [&] {
             jstring nul = e->NewString(reinterpret_cast<const jchar*>(u"x\0y"), 3);
             jstring empty = e->NewString(reinterpret_cast<const jchar*>(u""), 0);
             return Seq() << R(e->GetStringLength(empty)) << R(e->GetStringLength(nul))
                          << R(e->GetStringUTFLength(nul));  // U+0000 is two bytes in modified UTF-8
         }, "034"},
        {"boolean[]", [&] { return MV_ARRAY(Boolean, "booleans", "[Z"); }, "1,0|0,1,0|1,1,0|copy"},
        {"byte[]", [&] { return MV_ARRAY(Byte, "bytes", "[B"); }, "-1,0|0,-1,0|-1,-1,0|copy"},
        {"char[]", [&] { return MV_ARRAY(Char, "chars", "[C"); }, "97,233|0,97,233|97,97,233|copy"},
        {"short[]", [&] { return MV_ARRAY(Short, "shorts", "[S"); }, "-32768,0|0,-32768,0|-32768,-32768,0|copy"},
        {"int[]", [&] { return MV_ARRAY(Int, "ints", "[I"); }, "1,-2|0,1,-2|1,1,-2|copy"},
        {"long[]", [&] { return MV_ARRAY(Long, "longs", "[J"); },
         "-9223372036854775808,0|0,-9223372036854775808,0|-9223372036854775808,-9223372036854775808,0|copy"},
        {"float[]", [&] { return MV_ARRAY(Float, "floats", "[F"); }, "0.5,-1.25|0,0.5,-1.25|0.5,0.5,-1.25|copy"},
        {"double[]", [&] { return MV_ARRAY(Double, "doubles", "[D"); }, "1e-300,-2.5|0,1e-300,-2.5|1e-300,1e-300,-2.5|copy"},
        {"release modes: JNI_ABORT, JNI_COMMIT, 0", [&] {
             jclass arrays = FindClass("fixtures/ArrayFields");
             jintArray ints = e->NewIntArray(3);
             auto javaSum = [&] { return R(e->CallStaticLongMethod(arrays, StaticMethodId(arrays, "sum", "([I)J"), ints)); };
             jint* items = e->GetIntArrayElements(ints, nullptr);
             items[0] = 10;
             e->ReleaseIntArrayElements(ints, items, JNI_ABORT);
             Seq text;
             text << javaSum() << "|";
             items = e->GetIntArrayElements(ints, nullptr);
             items[0] = 10;
             e->ReleaseIntArrayElements(ints, items, JNI_COMMIT);
             text << javaSum() << "|";
             items[1] = 20;
             e->ReleaseIntArrayElements(ints, items, 0);
             return text << javaSum();
         }, "0|10|30"},
        {"object arrays and bad array use", [&] {
             jobjectArray array = e->NewObjectArray(2, FindClass("java/lang/String"), e->NewStringUTF("fill"));
             Seq text;
             text << R(e->GetObjectArrayElement(array, 1)) << "|";
             e->SetObjectArrayElement(array, 0, nullptr);
             text << R(e->GetObjectArrayElement(array, 0)) << "|";
             e->SetObjectArrayElement(array, 0, base);  // not a String
             text << R(0) << "|" << R(e->GetObjectArrayElement(array, 2)) << "|";
             jint buffer[2] = {4, 5};
             e->GetIntArrayRegion(e->NewIntArray(2), 1, 2, buffer);
             text << R(buffer[1]) << "|" << R(e->NewIntArray(-1)) << "|";
             auto withNull = static_cast<jobjectArray>(Static("fixtures/ArrayFields", "objectsWithNull", "[Ljava/lang/Object;"));
             return text << R(e->GetObjectArrayElement(withNull, 1));
         }, "fill|<null>|0 !java.lang.ArrayStoreException|<null> !java.lang.ArrayIndexOutOfBoundsException|"
            "5 !java.lang.ArrayIndexOutOfBoundsException|<null> !java.lang.NegativeArraySizeException|<null>"},
        {"reference kinds, identity and frames", [&] {
             jstring local = e->NewStringUTF("kept");
             jobject global = e->NewGlobalRef(local);
             jweak weak = e->NewWeakGlobalRef(local);
             jobject second = e->NewLocalRef(global);
             Seq text;
             text << R(e->GetObjectRefType(local)) << R(e->GetObjectRefType(second)) << R(e->GetObjectRefType(global))
                  << R(e->GetObjectRefType(weak)) << R(global != local) << R(e->IsSameObject(global, local))
                  << R(e->IsSameObject(weak, nullptr)) << R(e->EnsureLocalCapacity(100)) << "|";
             e->PushLocalFrame(8);
             jstring inner = e->NewStringUTF("inner");
             jobject kept = e->PopLocalFrame(inner);
             e->DeleteWeakGlobalRef(weak);
             e->DeleteGlobalRef(global);
             return text << R(kept != inner) << R(e->GetObjectRefType(kept)) << Str(kept);
         }, "11231100|11inner"},
        {"values below 2^31, for code that carries them in 32 bits", [&] {
             jobject global = e->NewGlobalRef(base);
             jweak weak = e->NewWeakGlobalRef(base);
             const void* values[] = {base, global, weak, MethodId(base, "intResult", "()I"),
                                     StaticFieldId(base, "lastVoidCall", "Ljava/lang/String;")};
             std::string text;
             for (const void* v : values) text += reinterpret_cast<std::uintptr_t>(v) < 0x80000000u ? "low" : "HIGH";
             e->DeleteWeakGlobalRef(weak);
             e->DeleteGlobalRef(global);
             return text;
         }, "lowlowlowlowlow"},
        {"Throw, ExceptionOccurred, ExceptionClear", [&] {
             jclass arithmetic = FindClass("java/lang/ArithmeticException");
             jobject error = e->NewObject(arithmetic, MethodId(arithmetic, "<init>", "()V"));
             Seq text;
             text << R(e->Throw(static_cast<jthrowable>(error)));
             e->Throw(static_cast<jthrowable>(error));
             jthrowable first = e->ExceptionOccurred(), again = e->ExceptionOccurred();
             text << Fmt(e->ExceptionCheck()) << Fmt(e->IsSameObject(first, again)) << Fmt(e->IsSameObject(first, error));
             e->ExceptionClear();
             return text << Fmt(e->ExceptionCheck()) << (e->ExceptionOccurred() ? "pending" : "<null>");
         }, "0 !java.lang.ArithmeticException1110<null>"},
        {"GetVersion, GetJavaVM, GetEnv of every version", [&] {
             JavaVM* fromEnv = nullptr;
             Seq text;
             text << R(e->GetVersion() == JNI_VERSION_10) << R(e->GetJavaVM(&fromEnv)) << R(fromEnv == vm()) << "|";
             for (jint version : {JNI_VERSION_1_1, JNI_VERSION_1_2, JNI_VERSION_1_4, JNI_VERSION_1_6, JNI_VERSION_1_8,
                                  JNI_VERSION_9, JNI_VERSION_10, 0x00150000}) {
                 JNIEnv* current = e;
                 text << R(vm()->GetEnv(reinterpret_cast<void**>(&current), version)) << (current == e ? "," : "-,");
             }
             return text;
         }, "101|0,0,0,0,0,0,0,-3-,"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LocalFrame rowFrame(env(), 256);
        EXPECT_EQ(row.call(), row.expected);
        ASSERT_TRUE(NoException());
    }
}

}  // namespace
}  // namespace mv::test
