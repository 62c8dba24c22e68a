// Hostile input for the main object, in process and across processes: seeded random
// VARIANTs (every type but VT_RECORD; arrays of 1 to 4 dimensions with negative, extreme and zero
// bounds; nested arrays; VT_BYREF; strings with NULs and lone surrogates), junk names and
// signatures, zero and wrong-kind handles. Each answer must be the code the model here gives; after
// each batch the serving process's references are back and its handle count is flat. Handles are
// zero or real ones: JNI cannot check a reference, so one it did not make is a wild pointer.

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <deque>
#include <memory>
#include <random>
#include <sstream>

#include "environment_number.h"
#include "host_process.h"
#include "jni_test.h"
#include "robustness.h"

namespace mv::test {
namespace {
using namespace std::string_literals;

const VARTYPE kScalars[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BSTR, VT_DISPATCH, VT_ERROR,
                            VT_BOOL, VT_UNKNOWN, VT_DECIMAL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT};

std::string Printable(const std::wstring& text) {
    std::ostringstream out;
    for (wchar_t c : text.substr(0, 60)) c >= 0x20 && c < 0x7F ? out << static_cast<char>(c) : out << "\\u" << std::hex << +c << std::dec;
    if (text.size() > 60) out << "...(" << text.size() << " units)";
    return out.str();
}
std::wstring UpToNul(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

// The seeded source of every random input. VT_UI8 values are 0 or one of `handles`.
class Gen {
public:
    Gen(std::uint64_t seed, std::vector<UINT64> h) : m_handles(std::move(h)), m_engine(seed) {
        ::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void());
    }
    long long Between(long long low, long long high) { return std::uniform_int_distribution<long long>(low, high)(m_engine); }
    bool Chance(int percent) { return Between(0, 99) < percent; }
    template <typename T, std::size_t N> const T& Pick(const T (&items)[N]) { return items[Between(0, N - 1)]; }
    UINT64 Handle() { return Chance(15) ? 0 : m_handles[Between(0, m_handles.size() - 1)]; }

    // NULs, lone surrogates, pairs, controls and ASCII.
    std::wstring Text(long long max) {
        std::wstring t;
        for (long long n = Between(0, max); static_cast<long long>(t.size()) < n;) {
            const int kind = static_cast<int>(Between(0, 9));
            t += kind == 0 ? L"\0"s : kind == 1 ? std::wstring(1, Between(0xD800, 0xDFFF)) : kind == 2 ? L"\U0001F511"s
               : kind == 3 ? std::wstring(1, Between(0x80, 0xFFFF)) : std::wstring(1, Between(1, 0x7E));
        }
        return t;
    }
    // Never the name of a class, field or method that exists.
    std::wstring JunkName() {
        static const wchar_t* const kShapes[] = {L"", L".", L"/", L"//", L"[", L"[[[", L";", L"L;", L"Ljava/lang/Object;",
            L"java.lang.", L"java/lang/", L"java..lang.Object", L"/java/lang/Object", L"[Ljava.lang.Object", L"[L;",
            L"<init>", L"<clinit>", L"$", L"\u00e9t\u00e9", L"\U0001F511", L"x\0y"};
        const int kind = static_cast<int>(Between(0, 4));
        std::wstring n = kind == 0 ? Pick(kShapes) : kind == 1 ? std::wstring(Between(256, 5000), Between(L'a', L'z'))
                       : kind == 2 ? L"fixtures/" + Text(12) + L"Zz" : Text(40);
        if (Chance(20)) n += Pick(kShapes);
        const std::size_t brackets = n.find_first_not_of(L'[');  // "[I" and the like are classes
        return brackets > 0 && brackets + 1 == n.size() && std::wcschr(L"ZBCSIJFD", n.back()) ? n + L"q" : n;
    }
    std::wstring JunkSignature() {
        static const wchar_t* const kSigs[] = {L"", L"(", L"(I", L"()", L"(Lx;", L"[[[", L")V", L"(I)", L"(I)I)", L"((I)I",
            L"()Q", L"(L)V", L"(Ljava/lang/Object)V", L"(Ljava/lang/Object;", L"()[", L"()L;", L"I", L"V", L"(V)V",
            L"(I)[[[", L"()Ljava.lang.String;", L"(\0I)I", L"(\U0001F511)V", L"Lfoo"};
        return Chance(60) ? Pick(kSigs) : Chance(50) ? L"(" + Text(20) + L")" + Text(4) : Text(30);
    }

    void Scalar(VARIANT& v, VARTYPE vt) {
        std::memset(&v, 0, sizeof v);
        V_UI8(&v) = m_engine();
        V_DECIMAL(&v).Hi32 = static_cast<ULONG>(m_engine());  // DECIMAL overlays the whole VARIANT
        V_DECIMAL(&v).scale = static_cast<BYTE>(Between(0, 28));
        V_DECIMAL(&v).sign = Chance(50) ? DECIMAL_NEG : 0;
        V_VT(&v) = vt;
        if (vt == VT_BSTR) V_BSTR(&v) = Bstr(Text(Chance(3) ? 20000 : 40)).release();
        if (vt == VT_UI8) V_UI8(&v) = Handle();
        if (vt == VT_BOOL && Chance(50)) V_BOOL(&v) = Chance(50) ? VARIANT_TRUE : VARIANT_FALSE;
        if (vt == VT_DISPATCH || vt == VT_UNKNOWN) V_DISPATCH(&v) = Chance(50) ? object.get() : nullptr;
        if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && V_DISPATCH(&v)) object->AddRef();
    }
    SAFEARRAY* Array(VARTYPE vt, int dims, int maxPerDim, int depth) {
        SAFEARRAYBOUND b[4]{};
        for (int d = 0; d < dims; ++d)
            b[d] = {static_cast<ULONG>(Between(0, maxPerDim)), static_cast<LONG>(Chance(10) ? 0x7FFFFFF0 - Between(0, 8)
                    : Chance(10) ? -0x7FFFFFFF + Between(0, 8) : Between(-6, 6))};
        SAFEARRAY* a = ::SafeArrayCreate(vt, dims, b);
        const ULONG count = a ? b[0].cElements * (dims > 1 ? b[1].cElements : 1) * (dims > 2 ? b[2].cElements : 1) * (dims > 3 ? b[3].cElements : 1) : 0;
        for (ULONG i = 0; i < count; ++i) {  // in memory order; the array owns what the elements hold
            auto* at = static_cast<unsigned char*>(a->pvData) + i * a->cbElements;
            if (vt == VT_VARIANT) { Any(*reinterpret_cast<VARIANT*>(at), depth - 1); continue; }
            VARIANT v;
            Scalar(v, vt);
            std::memcpy(at, vt == VT_DECIMAL ? static_cast<void*>(&v) : &V_UI1(&v), a->cbElements);
        }
        return a;
    }
    // Any form: a scalar, an array (of VARIANTs more often than not), or a VT_BYREF value.
    void Any(VARIANT& v, int depth = 2) {
        const int form = static_cast<int>(Between(0, 9));
        if (form <= 4) return Scalar(v, Pick(kScalars));
        ::VariantInit(&v);
        if (form <= 7) {
            static const int kMaxPerDim[] = {8, 4, 3, 2};
            const int dims = static_cast<int>(Between(1, 4));
            VARTYPE vt = VT_VARIANT;
            if (depth <= 0 || Chance(40)) do vt = Pick(kScalars); while (vt < VT_I2);
            V_VT(&v) = VT_ARRAY | vt;
            V_ARRAY(&v) = Chance(5) ? nullptr : Array(vt, dims, kMaxPerDim[dims - 1], depth);
            return;
        }
        VARIANT& target = *arena.emplace_back().get_mutable();  // what the reference points at
        do {
            ::VariantClear(&target);
            Any(target, std::max(depth - 1, 0));
        } while (V_VT(&target) < VT_I2 || (V_VT(&target) & VT_BYREF));
        const bool variantRef = Chance(10);
        V_VT(&v) = VT_BYREF | (variantRef ? VARTYPE{VT_VARIANT} : V_VT(&target));
        V_BYREF(&v) = variantRef || V_VT(&target) == VT_DECIMAL ? static_cast<void*>(&target) : &V_UI1(&target);
    }

    com_ptr<IDispatch> object;  // the small real object that VT_DISPATCH and VT_UNKNOWN values carry
    std::deque<unique_variant> arena;

private:
    std::vector<UINT64> m_handles;
    std::mt19937_64 m_engine;
};

// What the bridge must make of an argument array: the JNI kinds of its elements, or a failure.
// Only the first dimension counts, in memory order; the array must hold that many elements.
HRESULT ModelArguments(const VARIANT& p, std::string& kinds, std::vector<VARIANT>& values) {
    if (V_VT(&p) == VT_EMPTY) return S_OK;
    if (V_VT(&p) != (VT_ARRAY | VT_VARIANT)) return E_FAIL;
    LONG lo = 0, hi = 0;
    HRESULT hr = ::SafeArrayGetLBound(V_ARRAY(&p), 1, &lo);
    if (SUCCEEDED(hr)) hr = ::SafeArrayGetUBound(V_ARRAY(&p), 1, &hi);
    const LONGLONG count = static_cast<LONG>(static_cast<ULONG>(hi) - static_cast<ULONG>(lo)) + 1LL;
    if (FAILED(hr) || count <= 0) return hr;
    ULONGLONG total = 1;
    for (USHORT d = 0; d < V_ARRAY(&p)->cDims; ++d) total *= V_ARRAY(&p)->rgsabound[d].cElements;
    if (total < static_cast<ULONGLONG>(count)) return E_FAIL;
    static const std::map<VARTYPE, char> kKinds = {{VT_I2, 'S'}, {VT_I4, 'I'}, {VT_R4, 'F'}, {VT_R8, 'D'}, {VT_BSTR, 'L'},
        {VT_BOOL, 'Z'}, {VT_I1, 'B'}, {VT_UI1, 'B'}, {VT_UI2, 'C'}, {VT_I8, 'J'}, {VT_UI8, 'L'}};
    for (LONGLONG i = 0; i < count; ++i) {
        const VARIANT& e = static_cast<const VARIANT*>(V_ARRAY(&p)->pvData)[i];
        const auto kind = kKinds.find(V_VT(&e));
        if (kind == kKinds.end()) return E_FAIL;
        kinds += kind->second, values.push_back(e);
    }
    return S_OK;
}
// "(IJ[I)V" gives "IJL"; for the well-formed signatures of the call targets.
std::string SignatureKinds(const std::wstring& sig) {
    std::string kinds;
    for (std::size_t i = 1; sig[i] != L')'; ++i) {
        const std::size_t first = i;
        while (sig[i] == L'[') ++i;
        if (sig[i] == L'L') i = sig.find(L';', i);
        kinds += i > first || sig[i] == L';' ? 'L' : static_cast<char>(sig[i]);
    }
    return kinds;
}
const VARTYPE kElementTypes[] = {VT_BOOL, VT_I1, VT_UI2, VT_I2, VT_I4, VT_I8, VT_R4, VT_R8};

// Java objects of the fixtures that the rounds aim at.
enum { kEcho, kFields, kInteger, kText, kInts, kObjects, kObjectsWithNull, kTargetCount };
// A real method for every call member: the echo methods give back their argument, the Integer 2
// answers 2 and equals only itself, "hostile".charAt throws (and gives 0) out of range.
struct Target {
    std::string member;
    int object;
    std::wstring super, name, sig;
};
std::vector<Target> Targets() {
    std::vector<Target> t = {{"CallStaticStringMethod", kEcho, L"", L"ordered", L"(III)Ljava/lang/String;"},
                             {"CallStaticVoidMethod", kFields, L"", L"reset", L"()V"},
                             {"CallStaticObjectMethod", kEcho, L"", L"echoObject", L"(Ljava/lang/Object;)Ljava/lang/Object;"}};
    for (const std::string kind : {"Boolean", "Byte", "Char", "Short", "Int", "Long", "Float", "Double"}) {
        const std::wstring k(1, kind == "Boolean" ? L'Z' : kind == "Long" ? L'J' : kind[0]), w(kind.begin(), kind.end());
        t.push_back({"CallStatic" + kind + "Method", kEcho, L"", L"echo" + w, L"(" + k + L")" + k});
        for (const std::string g : {"Call", "CallNonvirtual"})
            if (k != L"Z" && k != L"C") t.push_back({g + kind + "Method", kInteger, k == L"S" ? L"java/lang/Integer" : L"java.lang.Integer", static_cast<wchar_t>(std::tolower(w[0])) + w.substr(1) + L"Value", L"()" + k});
    }
    for (const std::string g : {"Call", "CallNonvirtual"}) {
        t.push_back({g + "BooleanMethod", kInteger, L"java/lang/Object", L"equals", L"(Ljava/lang/Object;)Z"});
        t.push_back({g + "ObjectMethod", kInteger, L"java.lang.Object", L"getClass", L"()Ljava/lang/Class;"});
        t.push_back({g + "StringMethod", kInteger, L"java/lang/Object", L"toString", L"()Ljava/lang/String;"});
        t.push_back({g + "VoidMethod", kInteger, L"java.lang.Object", L"notify", L"()V"});
        t.push_back({g + "CharMethod", kText, L"java.lang.String", L"charAt", L"(I)C"});
    }
    return t;
}
bool SameFloat(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }
// Whether a successful call of `t` with the arguments `a` gave the right result.
bool ResultOk(const Target& t, const std::vector<VARIANT>& a, const Out& r, IMvJavaCpp* jvm, UINT64 integer) {
    const std::wstring& n = t.name;
    static const VARIANT kNone{};
    const VARIANT& v = a.empty() ? kNone : a[0];
    unique_bstr text;
    VARIANT_BOOL same = 0;
    if (n == L"echoBoolean") return r.z == (V_BOOL(&v) ? VARIANT_TRUE : 0);
    if (n == L"echoByte") return r.b == V_UI1(&v);
    if (n == L"echoChar") return r.c == V_UI2(&v);
    if (n == L"echoShort") return r.s == V_I2(&v);
    if (n == L"echoInt") return r.i == V_I4(&v);
    if (n == L"echoLong") return r.j == V_I8(&v);
    if (n == L"echoFloat") return SameFloat(r.f, V_R4(&v));
    if (n == L"echoDouble") return SameFloat(r.d, V_R8(&v));
    if (n == L"echoObject" && V_VT(&v) == VT_BSTR)
        return jvm->GetJavaString(r.l, text.put()) == S_OK && text.view() == UpToNul(std::wstring(V_BSTR(&v), ::SysStringLen(V_BSTR(&v))));
    if (n == L"echoObject") return jvm->IsSameJavaObject(r.l, V_UI8(&v), &same) == S_OK && same;
    if (n == L"ordered") return r.text.view() == std::to_wstring(V_I4(&a[0])) + L"," + std::to_wstring(V_I4(&a[1])) + L"," + std::to_wstring(V_I4(&a[2]));
    if (n == L"equals") return r.z == (V_VT(&v) == VT_UI8 && V_UI8(&v) == integer ? VARIANT_TRUE : 0);
    if (n == L"toString") return t.member == "CallStringMethod" ? r.text.view() == L"2" : r.text.view().rfind(L"java.lang.Integer@", 0) == 0;
    if (n == L"charAt") return r.c == (V_I4(&v) >= 0 && V_I4(&v) < 7 ? L"hostile"[V_I4(&v)] : 0);
    if (n == L"getClass") return r.l != 0;
    return n == L"reset" || n == L"notify" || r.b + r.s + r.i + r.j + r.f + r.d == 2;  // Integer's xxxValue()
}
struct Where {
    bool cross;         // through a Java-process host's proxy (the type-library marshaller)
    int defaultRounds;  // MV_HOSTILE_ROUNDS; each test takes a share of it
    std::uint64_t seedXor;
};

class Hostile : public JniTest, public ::testing::WithParamInterface<Where> {
protected:
    static void SetUpTestSuite() {
        JniTest::SetUpTestSuite();
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_registration = std::make_unique<ModuleRegistration>();
    }
    static void TearDownTestSuite() {  // in process, JniTest::TearDown checks each test's JNI warnings
        if (s_host)
            for (const std::string& warning : FindJniWarningsOfCallers(s_host->JvmOutput())) ADD_FAILURE() << "host JVM: " << warning;
        s_host.reset();
        s_registration.reset();
        ::CoUninitialize();
        JniTest::TearDownTestSuite();
    }
    void SetUp() override {
        JniTest::SetUp();
        ASSERT_EQ(s_registration->result(), S_OK) << "DllRegisterServer";
        if (GetParam().cross) {
            HostSettings settings;
            settings.jvmOptions = {"-Xcheck:jni"}, settings.keepJvmOutput = true;
            if (!s_host) s_host = std::make_unique<HostProcess>(settings);
            ASSERT_TRUE(s_host->ready()) << s_host->output();
            m_jvm = PublishedJvmOf(s_host->pid());
            ASSERT_TRUE(m_jvm.try_query<IClientSecurity>()) << "not a proxy";
            m_refs = [] { return s_host->LiveReferences(); };
        } else {
            ASSERT_EQ(::CoCreateInstance(CLSID_MvJavaCpp, nullptr, CLSCTX_INPROC_SERVER, IID_IMvJavaCpp, m_jvm.put_void()), S_OK);
            ASSERT_EQ(m_jvm->JavaSaveRunningJVM(static_cast<LONG>(::GetCurrentProcessId()), reinterpret_cast<UINT64>(vm())), S_OK);
            m_refs = [] { return LiveGlobalReferences(); };
        }
        m_initial = m_refs();
        m_targets = std::make_unique<Checker>(m_jvm.get());  // holds the targets until TearDown
        Checker& t = *m_targets;
        const UINT64 arrays = t.Call("NewDefJavaObject", Of(0, L"fixtures.ArrayFields"), S_OK).l;
        const auto field = [&](const wchar_t* name, const wchar_t* sig) { return t.Call("GetStaticObjectField", Of(arrays, name, sig), S_OK).l; };
        const UINT64 objects = field(L"objects", L"[Ljava/lang/Object;");
        const Out elements = t.Call("GetJavaObjectArray", Of(objects), S_OK);
        ASSERT_EQ(elements.v->type(), VT_ARRAY | VT_UI8);
        const UINT64* element = static_cast<const UINT64*>(V_ARRAY(&elements.v->get())->pvData);  // "first", the Integer 2
        t.Keep(element[0]), t.Keep(element[1]);
        m_own = {t.Call("NewDefJavaObject", Of(0, L"fixtures.Echo"), S_OK).l, t.Call("NewDefJavaObject", Of(0, L"fixtures.Fields"), S_OK).l,
                 element[1], t.Call("NewJavaString", Text(L"hostile"), S_OK).l, field(L"ints", L"[I"), objects,
                 field(L"objectsWithNull", L"[Ljava/lang/Object;")};
        ASSERT_EQ(t.failures, 0u) << t.failed;
        m_start = m_refs();
        m_check = std::make_unique<Checker>(m_jvm.get());
        m_seed = EnvironmentNumber("MV_HOSTILE_SEED", 0x6d76686f7374696cULL) ^ GetParam().seedXor;
        m_rounds = std::max(1, static_cast<int>(EnvironmentNumber("MV_HOSTILE_ROUNDS", GetParam().defaultRounds)));
        m_gen = std::make_unique<Gen>(m_seed, m_own);
    }
    void TearDown() override {
        m_gen.reset();
        if (m_check) {
            EXPECT_EQ(m_check->failures, 0u) << m_check->failed;
            m_check.reset(), m_targets.reset();
            EXPECT_EQ(m_refs(), m_initial) << "live references at the end";
        }
        m_jvm.reset();
        JniTest::TearDown();
    }

    Out Call(const std::string& member, const In& in, HRESULT expected, const std::string& what = {}) {
        Out r = m_check->Call(member, in, expected, what);
        // A class lookup that found nothing leaves its exception pending on an attached caller.
        if (!GetParam().cross && env()->ExceptionCheck() && (member == "GetClassByName" || member.find("Nonvirtual") != std::string::npos))
            env()->ExceptionClear(), ++m_cleared;
        return r;
    }

    // `round` in batches; after each, the references are back, no exception is pending and the
    // handle count stays within a band of the first batch's (which warms up COM, RPC, the type
    // library): a leak of one handle a call would leave it.
    void RunBatches(const char* suite, int percent, const std::function<void()>& round) {
        const int rounds = std::max(1, m_rounds * percent / 100);
        const bool cross = GetParam().cross;
        LeakWatch watch(m_refs, cross ? s_host->pid() : ::GetCurrentProcessId());
        const std::uint64_t band = cross ? 16 : 8;
        for (int done = 0; done < rounds;) {
            for (int i = 0; i < (cross ? 10 : 20) && done < rounds; ++i, ++done) m_gen->arena.clear(), round();
            m_check->DropHandles();
            const Sample& now = watch.Take(done);
            ASSERT_EQ(m_check->failures, 0u) << suite << " after " << done << " rounds:\n" << m_check->failed;
            ASSERT_EQ(now.refs, m_start) << suite << ": live references after " << done << " rounds";
            ASSERT_FALSE(env()->ExceptionCheck()) << suite << ": a Java exception is pending";
            const auto first = watch.samples[0].counters.handles;
            ASSERT_LE(std::max(now.counters.handles, first) - std::min(now.counters.handles, first), band) << suite << ": handles";
        }
        const std::string name = (cross ? "hostile cross-process "s : "hostile in-process "s) + suite;
        std::printf("robustness: %s handles %llu -> %llu, references back, exceptions cleared %d\n", name.c_str(),
                    static_cast<unsigned long long>(watch.samples[0].counters.handles),
                    static_cast<unsigned long long>(watch.samples.back().counters.handles), m_cleared);
        m_check->PrintTally(name + " rounds=" + std::to_string(rounds), m_seed);
    }

    static std::unique_ptr<ModuleRegistration> s_registration;
    static std::unique_ptr<HostProcess> s_host;
    com_ptr<IMvJavaCpp> m_jvm;
    std::function<long long()> m_refs;
    long long m_initial = 0, m_start = 0;
    std::unique_ptr<Checker> m_targets, m_check;
    std::vector<UINT64> m_own;  // the targets, in the order of kEcho...
    std::unique_ptr<Gen> m_gen;
    std::uint64_t m_seed = 0;
    int m_rounds = 0, m_cleared = 0;
};
std::unique_ptr<ModuleRegistration> Hostile::s_registration;
std::unique_ptr<HostProcess> Hostile::s_host;

// An argument array for a call target: well-typed for its signature (any lower bound, sometimes a
// second dimension that may hold no elements), one element spoilt, or any random VARIANT.
TEST_P(Hostile, RandomArgumentArrays) {
    static const std::vector<Target> targets = Targets();
    RunBatches("arguments", GetParam().cross ? 50 : 200, [this] {
        const Target& t = targets[m_gen->Between(0, targets.size() - 1)];
        unique_variant params;
        const std::string kinds = SignatureKinds(t.sig);
        const int shape = static_cast<int>(m_gen->Between(0, 9));
        if (shape > 5) {
            m_gen->Any(*params.get_mutable());
        } else if (!kinds.empty() || m_gen->Chance(50)) {
            const ULONG count = static_cast<ULONG>(kinds.size()), second = static_cast<ULONG>(m_gen->Between(0, 2));
            const UINT dims = m_gen->Chance(25) ? 2 : 1;
            SAFEARRAYBOUND b[2] = {{count, static_cast<LONG>(m_gen->Between(-5, 5))}, {second, static_cast<LONG>(m_gen->Between(-3, 3))}};
            V_VT(params.get_mutable()) = VT_ARRAY | VT_VARIANT;
            V_ARRAY(params.get_mutable()) = ::SafeArrayCreate(VT_VARIANT, dims, b);
            const long spoilt = shape == 5 && count ? static_cast<long>(m_gen->Between(0, count - 1)) : -1;
            for (ULONG i = 0; i < (dims == 2 ? count * second : count); ++i) {
                VARIANT& e = static_cast<VARIANT*>(V_ARRAY(params.get_mutable())->pvData)[i];
                const char k = i < count && static_cast<long>(i) != spoilt ? kinds[i] : 0;
                if (!k) m_gen->Any(e, 1);
                else m_gen->Scalar(e, k == 'Z' ? VT_BOOL : k == 'B' ? (m_gen->Chance(50) ? VT_I1 : VT_UI1) : k == 'C' ? VT_UI2 : k == 'S' ? VT_I2
                    : k == 'I' ? VT_I4 : k == 'J' ? VT_I8 : k == 'F' ? VT_R4 : k == 'D' ? VT_R8 : m_gen->Chance(40) ? VT_BSTR : VT_UI8);
                if (k == 'I' && m_gen->Chance(50)) V_I4(&e) = static_cast<LONG>(m_gen->Between(-2, 9));
            }
        }
        std::string got;
        std::vector<VARIANT> values;
        HRESULT expected = ModelArguments(params.get(), got, values);
        const bool nullObject = got == "L" && V_VT(&values[0]) == VT_UI8 && !V_UI8(&values[0]);  // echoObject(null) gives null
        if (SUCCEEDED(expected)) expected = got != kinds || (t.name == L"echoObject" && nullObject) ? E_FAIL : S_OK;
        In a = Of(m_own[t.object], t.name);
        a.super = t.super, a.sig = t.sig, a.params = params.get();
        const Out r = Call(t.member, a, expected, "params 0x" + std::to_string(params.type()) + " kinds '" + got + "'");
        if (r.hr == S_OK && expected == S_OK) m_check->Check(ResultOk(t, values, r, m_jvm.get(), m_own[kInteger]), t.member + " result of " + got);
    });
}

// Junk names and signatures into the field, call and class members (no such field, method or
// class: E_FAIL, nothing written, nothing set), and known answers beside them.
TEST_P(Hostile, RandomNamesAndSignatures) {
    static const wchar_t* const kClassOf[kTargetCount] = {L"fixtures.Echo", L"fixtures.Fields", L"java.lang.Integer",
        L"java.lang.String", L"[I", L"[Ljava.lang.Object;", L"[Ljava.lang.Object;"};
    RunBatches("names", GetParam().cross ? 33 : 200, [this] {
        const std::wstring junk = m_gen->JunkName(), junkSig = m_gen->JunkSignature();
        if (std::getenv("MV_HOSTILE_TRACE")) std::fprintf(stderr, "name '%s' signature '%s'\n", Printable(junk).c_str(), Printable(junkSig).c_str());
        const std::string what = "'" + Printable(junk) + "' '" + Printable(junkSig) + "'";
        In a = Of(m_gen->Handle(), junk);
        a.sig = junkSig, a.super = m_gen->JunkName(), a.value = m_own[kText], a.text = m_gen->Text(30);
        std::vector<const Member*> named;
        const unsigned kind = m_gen->Chance(50) ? kField : kCall;
        for (const Member& m : Members()) if (m.kind & kind) named.push_back(&m);
        const Member& m = *named[m_gen->Between(0, named.size() - 1)];
        if ((m.kind & kSignature) && m_gen->Chance(40)) a.name = m_gen->Chance(50) ? L"objectField" : (kind == kCall ? L"hashCode" : L"staticObject");
        if ((m.kind & kNonvirtual) && m_gen->Chance(30)) a.super = L"java/lang/Object";
        if (kind == kCall && m_gen->Chance(50)) m_gen->Any(a.params);
        Call(m.name, a, E_FAIL, what);
        ::VariantClear(&a.params);

        const int target = static_cast<int>(m_gen->Between(0, kTargetCount - 1));
        a = Of(m_own[target], junk);
        for (const char* member : {"NewDefJavaObject", "IsInstanceOf", "GetClassByName"}) Call(member, a, E_FAIL, what);
        a.name = kClassOf[target];
        m_check->Check(Call("IsInstanceOf", a, S_OK).z == VARIANT_TRUE, "IsInstanceOf " + Printable(a.name));
        m_check->Check(Call("GetJavaClassName", a, S_OK).text.view() == a.name, "GetJavaClassName");
        a.object = m_gen->Handle(), a.value = m_gen->Handle();
        m_check->Check(Call("IsSameJavaObject", a, S_OK).z == (a.object == a.value ? VARIANT_TRUE : 0), "IsSameJavaObject");
        a = Text(m_gen->Text(m_gen->Chance(5) ? 50000 : 60));
        a.object = Call("NewJavaString", a, S_OK).l;
        m_check->Check(Call("GetJavaString", a, S_OK).text.view() == UpToNul(a.text), "string back " + Printable(a.text));
    });
}

// A new primitive array of random type and length, random writes and reads, its length; then zero
// handles into every member that takes one, and primitive-array members on arrays of objects and
// on a string.
TEST_P(Hostile, RandomPrimitiveArraysAndWrongHandles) {
    RunBatches("arrays", GetParam().cross ? 12 : 50, [this] {
        In a;
        a.type = static_cast<long>(m_gen->Between(-2, 10));
        a.length = m_gen->Chance(10) ? static_cast<long>(m_gen->Between(-0x7FFFFFFF, -1)) : static_cast<long>(m_gen->Between(0, 6));
        const bool valid = a.type >= 0 && a.type <= 7 && a.length >= 0;
        a.object = Call("NewJavaPrimitiveArray", a, valid ? S_OK : E_FAIL).l;
        if (!valid) a.object = m_own[kInts], a.type = Int, a.length = 3;  // the int[] {1, -2, 3}, seldom written
        const long type = a.type, length = a.length;
        for (int write = 0; write < 3; ++write) {
            unique_variant in;
            a.type = m_gen->Chance(70) && (valid || m_gen->Chance(10)) ? type : static_cast<long>(m_gen->Between(-1, 9));
            const VARTYPE vt = a.type >= 0 && a.type <= 7 ? kElementTypes[a.type] : VARTYPE{VT_EMPTY};
            if (m_gen->Chance(60) && vt != VT_EMPTY) {
                const int dims = static_cast<int>(m_gen->Between(1, 3));
                V_VT(in.get_mutable()) = VT_ARRAY | vt;
                V_ARRAY(in.get_mutable()) = m_gen->Chance(3) ? nullptr : m_gen->Array(vt, dims, dims == 1 ? 9 : 4, 0);
            } else {
                m_gen->Any(*in.get_mutable(), 1);
            }
            // The array's element type, `length` elements in the first dimension and in the array.
            HRESULT expected = vt == VT_EMPTY || in.type() != (VT_ARRAY | vt) ? E_FAIL : S_OK;
            LONG lo = 0, hi = 0;
            if (expected == S_OK) expected = ::SafeArrayGetLBound(V_ARRAY(&in.get()), 1, &lo);
            if (expected == S_OK) expected = ::SafeArrayGetUBound(V_ARRAY(&in.get()), 1, &hi);
            ULONGLONG total = 1;
            for (USHORT d = 0; expected == S_OK && d < V_ARRAY(&in.get())->cDims; ++d) total *= V_ARRAY(&in.get())->rgsabound[d].cElements;
            if (expected == S_OK && (a.type != type || static_cast<LONG>(static_cast<ULONG>(hi) - static_cast<ULONG>(lo)) + 1LL < length ||
                                     total < ULONGLONG(length)))
                expected = E_FAIL;
            a.params = in.get();
            Call("SetJavaPrimitiveArray", a, expected, "type " + std::to_string(a.type) + " into " + std::to_string(type));
        }
        a.type = static_cast<long>(m_gen->Between(-1, 9));  // outside 0 to 7 the getter may answer S_OK with nothing
        const Out r = Call("GetJavaPrimitiveArray", a, a.type == type ? S_OK : a.type < 0 || a.type > 7 ? kNotOk : E_FAIL);
        m_check->Check(r.v->type() == (a.type != type ? VT_EMPTY : VT_ARRAY | (type ? kElementTypes[type] : VARTYPE{VT_I2})), "read type");
        m_check->Check(Call("GetJavaArrayLength", a, S_OK).i == length, "length");
    });
    In zero = Of(0, L"intField", L"()I");
    zero.super = L"java/lang/Object", zero.type = Int;
    for (const Member& m : Members()) {
        const VARIANT_BOOL same = m.kind & kHandle ? Call(m.name, zero, m.zeroHandle, "zero handle").z : 0;
        EXPECT_EQ(same, m.name == "IsSameJavaObject"s ? VARIANT_TRUE : 0) << m.name;
    }
    unique_variant ints;
    V_VT(ints.get_mutable()) = VT_ARRAY | VT_I4;
    V_ARRAY(ints.get_mutable()) = ::SafeArrayCreateVector(VT_I4, 0, 3);
    for (int target : {kObjects, kObjectsWithNull, kText}) {
        In a = Of(m_own[target]);
        a.type = Int, a.params = ints.get();
        Call("SetJavaPrimitiveArray", a, E_FAIL, "into no int[]");
        Call("GetJavaPrimitiveArray", a, E_FAIL, "of no int[]");
    }
}

// Found by the rounds: a class name outside the BMP (a four-byte UTF-8 sequence) made the JVM end
// the process, a class descriptor ("Lx;") drew a JNI warning; both name no class. An argument
// array whose second dimension holds no elements was read past its end (here the data beyond it
// is a valid element, so a read past the end shows as a call that succeeds).
TEST_P(Hostile, InputsThatOnceBrokeTheBridge) {
    for (const wchar_t* name : {L"fixtures.Echo\U0001F511", L"java/lang/\U0001F511", L"L;", L"Ljava/lang/Object;", L"Ljava.lang.Object;"}) {
        In a = Of(m_own[kEcho], name);
        for (const char* member : {"NewDefJavaObject", "GetClassByName", "IsInstanceOf"}) Call(member, a, E_FAIL, Printable(name));
        a.super = name, a.name = L"toString", a.sig = L"()Ljava/lang/String;";
        Call("CallNonvirtualStringMethod", a, E_FAIL, Printable(name));
        Call("CallNonvirtualObjectMethod", a, E_FAIL, Printable(name));
    }
    EXPECT_EQ(Call("IsInstanceOf", Of(m_own[kObjects], L"[Ljava/lang/Object;"), S_OK).z, VARIANT_TRUE);
    VARIANT storage[2];
    for (VARIANT& v : storage) ::VariantInit(&v), V_VT(&v) = VT_I4, V_I4(&v) = 42;
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(::SafeArrayAllocDescriptorEx(VT_VARIANT, 2, &array), S_OK);
    array->fFeatures |= FADF_STATIC, array->cbElements = sizeof(VARIANT), array->pvData = storage;
    array->rgsabound[1] = {1, 0}, array->rgsabound[0] = {0, 0};  // dimension 1: one element; dimension 2: none
    In a = Of(m_own[kEcho], L"echoInt", L"(I)I");
    V_VT(&a.params) = VT_ARRAY | VT_VARIANT, V_ARRAY(&a.params) = array;
    Call("CallStaticIntMethod", a, E_FAIL, "an array of no elements");
    array->rgsabound[0] = {1, 0};
    EXPECT_EQ(Call("CallStaticIntMethod", a, S_OK, "an array of one element").i, 42);
    ::SafeArrayDestroyDescriptor(array);
}

INSTANTIATE_TEST_SUITE_P(, Hostile, ::testing::Values(Where{false, 400, 0}, Where{true, 300, 0x5a5a5a5a}),
                         [](const auto& param) { return std::string(param.param.cross ? "CrossProcess" : "InProcess"); });

}  // namespace
}  // namespace mv::test
