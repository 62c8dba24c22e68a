// Hostile input for the main object, in process and across processes: seeded random VARIANTs (Gen), junk names
// and signatures, zero and wrong-kind handles. Each answer must be the code the model here gives; after each batch
// the serving process's references are back and its handle count is flat. Handles are zero or real ones: JNI
// cannot check a reference, so one it did not make is a wild pointer.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <deque>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "bridge_test.h"
#include "robustness.h"

namespace mv::test {
namespace {
using namespace std::string_literals;

const VARTYPE kScalars[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BSTR, VT_DISPATCH,
                            VT_ERROR, VT_BOOL, VT_UNKNOWN, VT_DECIMAL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8,
                            VT_INT, VT_UINT};
const VARTYPE kElementTypes[] = {VT_BOOL, VT_I1, VT_UI2, VT_I2, VT_I4, VT_I8, VT_R4, VT_R8};  // by JavaTypes

std::string Printable(const std::wstring& text) {
    std::ostringstream out;
    for (wchar_t c : text.substr(0, 60))
        c >= 0x20 && c < 0x7F ? out << static_cast<char>(c) : out << "\\u" << std::hex << +c << std::dec;
    if (text.size() > 60) out << "...(" << text.size() << " units)";
    return out.str();
}
std::wstring UpToNul(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

ULONGLONG ElementCount(const SAFEARRAY* a) {
    ULONGLONG total = a ? 1 : 0;
    for (USHORT d = 0; a && d < a->cDims; ++d) total *= a->rgsabound[d].cElements;
    return total;
}

// The seeded source of every random input. VT_UI8 values are 0 or one of `handles`, and so are the
// numbers that the bridge would read as handles (ModelArguments).
class Gen {
public:
    Gen(std::uint64_t seed, std::vector<UINT64> h) : m_handles(std::move(h)), m_engine(seed) {
        ::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void());
    }
    long long Between(long long low, long long high) {
        return std::uniform_int_distribution<long long>(low, high)(m_engine);
    }
    bool Chance(int percent) { return Between(0, 99) < percent; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) { return items[Between(0, N - 1)]; }
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
        static const wchar_t* const kShapes[] = {L"", L".", L"/", L"//", L"[", L"[[[", L";", L"L;",
            L"Ljava/lang/Object;", L"java.lang.", L"java/lang/", L"java..lang.Object", L"/java/lang/Object",
            L"[Ljava.lang.Object", L"[L;", L"<init>", L"<clinit>", L"$", L"\u00e9t\u00e9", L"\U0001F511", L"x\0y"};
        const int kind = static_cast<int>(Between(0, 4));
        std::wstring n = kind == 0 ? Pick(kShapes) : kind == 1 ? std::wstring(Between(256, 5000), Between(L'a', L'z'))
                       : kind == 2 ? L"fixtures/" + Text(12) + L"Zz" : Text(40);
        if (Chance(20)) n += Pick(kShapes);
        const std::size_t brackets = n.find_first_not_of(L'[');  // "[I", "[Ljava/lang/Object;" name classes
        const bool primitive = brackets + 1 == n.size() && std::wcschr(L"ZBCSIJFD", n.back());
        return brackets > 0 && brackets < n.size() && (primitive || n.back() == L';') ? n + L"q" : n;
    }
    std::wstring JunkSignature() {
        static const wchar_t* const kSigs[] = {L"", L"(", L"(I", L"()", L"(Lx;", L"[[[", L")V", L"(I)", L"(I)I)",
            L"((I)I", L"()Q", L"(L)V", L"(Ljava/lang/Object)V", L"(Ljava/lang/Object;", L"()[", L"()L;", L"I", L"V",
            L"(V)V", L"(I)[[[", L"()Ljava.lang.String;", L"(\0I)I", L"(\U0001F511)V", L"Lfoo"};
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
        for (ULONGLONG i = 0; i < ElementCount(a); ++i) {  // the array owns what the elements hold
            auto* at = static_cast<unsigned char*>(a->pvData) + i * a->cbElements;
            if (vt == VT_VARIANT) {
                Any(*reinterpret_cast<VARIANT*>(at), depth - 1);
                continue;
            }
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

// The count of a first dimension in 64 bits, `count` <= 0 for none: below 0 when its bounds run past
// LONG's range (or a code when the array has no bounds).
HRESULT FirstDimension(const SAFEARRAY* a, LONGLONG& count) {
    LONG lo = 0, hi = 0;
    HRESULT hr = ::SafeArrayGetLBound(const_cast<SAFEARRAY*>(a), 1, &lo);
    if (SUCCEEDED(hr)) hr = ::SafeArrayGetUBound(const_cast<SAFEARRAY*>(a), 1, &hi);
    count = static_cast<LONGLONG>(hi) - lo + 1;
    return hr;
}

// The JNI kind each element type of an argument array passes as in its own right.
const std::map<VARTYPE, char> kKinds = {{VT_I2, 'S'}, {VT_I4, 'I'}, {VT_R4, 'F'}, {VT_R8, 'D'}, {VT_BSTR, 'L'},
    {VT_BOOL, 'Z'}, {VT_I1, 'B'}, {VT_UI1, 'B'}, {VT_UI2, 'C'}, {VT_I8, 'J'}, {VT_UI8, 'L'}};

// The number an element of a numeric type holds (a long double holds every 64-bit integer).
std::optional<long double> NumberOf(const VARIANT& e) {
    switch (V_VT(&e)) {
    case VT_I1: return V_I1(&e);   case VT_UI1: return V_UI1(&e); case VT_I2: return V_I2(&e);
    case VT_UI2: return V_UI2(&e); case VT_I4: return V_I4(&e);   case VT_INT: return V_INT(&e);
    case VT_I8: return V_I8(&e);   case VT_UI8: return V_UI8(&e); case VT_R4: return V_R4(&e);
    case VT_R8: return V_R8(&e);   default: return std::nullopt;
    }
}
bool IsIntegral(const VARIANT& e) {  // NumberOf's types but the two floating ones, and VT_UI4 and VT_UINT
    const VARTYPE vt = V_VT(&e);
    return vt == VT_UI4 || vt == VT_UINT || (NumberOf(e) && vt != VT_R4 && vt != VT_R8);
}
bool IsHandleNumber(const VARIANT& e) { return V_VT(&e) == VT_I4 || V_VT(&e) == VT_I8 || V_VT(&e) == VT_R8; }

// Whether the bridge takes an element for a parameter of kind k: one of its own type, or a value that
// survives exactly; float and double take each other; a reference takes null, a zero of any integral type
// and a whole number below 2^53 as a handle; a boolean only VT_BOOL.
bool Converts(const VARIANT& e, char k) {
    const auto own = kKinds.find(V_VT(&e));
    if (own != kKinds.end() && own->second == k) return true;
    const auto n = NumberOf(e);
    const bool whole = n && std::isfinite(*n) && *n == std::trunc(*n);
    const auto within = [&](long double low, long double high) { return whole && *n >= low && *n <= high; };
    switch (k) {
    case 'L': return V_VT(&e) == VT_NULL || (IsHandleNumber(e) && within(0, 0x1p53L - 1)) ||
                     (IsIntegral(e) && (n ? *n == 0 : V_UI4(&e) == 0));
    case 'F': return V_VT(&e) == VT_R8 || (n && static_cast<float>(*n) == *n);
    case 'D': return n && (V_VT(&e) == VT_R4 || static_cast<double>(*n) == *n);
    case 'B': return within(-128, 255);
    case 'C': return within(0, 65535);
    case 'S': return within(SHRT_MIN, SHRT_MAX);
    case 'I': return within(INT_MIN, INT_MAX);
    case 'J': return whole && *n >= -0x1p63L && *n < 0x1p63L;
    default: return false;
    }
}

// What the bridge must make of an argument array for parameters of the kinds `kinds`: its elements, or
// a failure. Only the first dimension counts, in memory order; the array must hold VARIANTs, one per
// parameter, each converting to its parameter. A number it would read as a handle is first made 0 or a
// handle of ours, as VT_UI8 values are.
HRESULT ModelArguments(VARIANT& p, const std::string& kinds, Gen& gen, std::vector<VARIANT>& values) {
    if (V_VT(&p) == VT_EMPTY) return kinds.empty() ? S_OK : E_FAIL;
    if (V_VT(&p) != (VT_ARRAY | VT_VARIANT)) return E_FAIL;
    LONGLONG count = 0;
    const HRESULT hr = FirstDimension(V_ARRAY(&p), count);
    if (FAILED(hr)) return hr;
    VARTYPE vt = VT_EMPTY;
    if (count < 0 || V_ARRAY(&p)->cbElements != sizeof(VARIANT) || ::SafeArrayGetVartype(V_ARRAY(&p), &vt) != S_OK ||
        vt != VT_VARIANT || static_cast<ULONGLONG>(count) != kinds.size())
        return E_FAIL;
    if (count == 0) return S_OK;
    if (ElementCount(V_ARRAY(&p)) < static_cast<ULONGLONG>(count) || !V_ARRAY(&p)->pvData) return E_FAIL;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        VARIANT& e = static_cast<VARIANT*>(V_ARRAY(&p)->pvData)[i];
        if (kinds[i] == 'L' && IsHandleNumber(e) && Converts(e, 'L')) {
            const UINT64 h = gen.Handle();
            if (V_VT(&e) == VT_I4) V_I4(&e) = h <= LONG_MAX ? static_cast<LONG>(h) : 0;
            if (V_VT(&e) == VT_I8) V_I8(&e) = static_cast<LONGLONG>(h);
            if (V_VT(&e) == VT_R8) V_R8(&e) = static_cast<double>(h);
        }
        if (!Converts(e, kinds[i])) return E_FAIL;
        values.push_back(e);
    }
    return S_OK;
}

// Java objects of the fixtures that the rounds aim at.
enum { kEcho, kFields, kText, kInts, kObjects, kObjectsWithNull, kIsolated };
// Real methods: the echo methods give back their argument, "hostile".charAt throws (and gives 0) out
// of range. The call groups differ in their lookup only; the same code passes the arguments.
struct Target {
    std::string member;
    int object;
    std::wstring super, name, sig;
    std::string kinds;  // of the arguments
};
std::vector<Target> Targets() {
    std::vector<Target> t = {
        {"CallStaticStringMethod", kEcho, L"", L"ordered", L"(III)Ljava/lang/String;", "III"},
        {"CallStaticVoidMethod", kFields, L"", L"reset", L"()V", ""},
        {"CallStaticObjectMethod", kEcho, L"", L"echoObject", L"(Ljava/lang/Object;)Ljava/lang/Object;", "L"},
        {"CallCharMethod", kText, L"", L"charAt", L"(I)C", "I"},
        {"CallNonvirtualCharMethod", kText, L"java/lang/String", L"charAt", L"(I)C", "I"}};
    for (const std::string kind : {"Boolean", "Byte", "Char", "Short", "Int", "Long", "Float", "Double"}) {
        const std::string k(1, kind == "Boolean" ? 'Z' : kind == "Long" ? 'J' : kind[0]);
        const std::wstring w(kind.begin(), kind.end()), jk(k.begin(), k.end());
        t.push_back({"CallStatic" + kind + "Method", kEcho, L"", L"echo" + w, L"(" + jk + L")" + jk, k});
    }
    return t;
}
bool SameFloat(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }
// Whether a successful call of `t` with the arguments `a` gave the right result: the value each
// argument holds, in the parameter's type.
bool ResultOk(const Target& t, const std::vector<VARIANT>& a, const Out& r, IMvJavaCpp* jvm) {
    const std::wstring& n = t.name;
    const VARIANT v = a.empty() ? VARIANT{} : a[0];
    const auto number = [&](std::size_t i) { return NumberOf(a[i]).value_or(-1); };
    unique_bstr text;
    VARIANT_BOOL same = 0;
    if (n == L"echoBoolean") return r.z == (V_BOOL(&v) ? VARIANT_TRUE : 0);
    if (n == L"echoByte") return r.b == static_cast<unsigned char>(static_cast<long long>(number(0)));
    if (n == L"echoChar") return r.c == number(0);
    if (n == L"echoShort") return r.s == number(0);
    if (n == L"echoInt") return r.i == number(0);
    if (n == L"echoLong") return r.j == number(0);
    if (n == L"echoFloat") return SameFloat(r.f, V_VT(&v) == VT_R4 ? V_R4(&v) : static_cast<float>(number(0)));
    if (n == L"echoDouble") return SameFloat(r.d, static_cast<double>(number(0)));
    if (n == L"echoObject" && V_VT(&v) == VT_BSTR)
        return jvm->GetJavaString(r.l, text.put()) == S_OK &&
               text.view() == UpToNul(std::wstring(V_BSTR(&v), ::SysStringLen(V_BSTR(&v))));
    if (n == L"echoObject")
        return jvm->IsSameJavaObject(r.l, static_cast<UINT64>(number(0)), &same) == S_OK && same;
    const auto digits = [&](std::size_t i) { return std::to_wstring(static_cast<long>(number(i))); };
    if (n == L"ordered") return r.text.view() == digits(0) + L"," + digits(1) + L"," + digits(2);
    if (n == L"charAt") return r.c == (number(0) >= 0 && number(0) < 7 ? L"hostile"[static_cast<int>(number(0))] : 0);
    return n == L"reset";
}

// The parameter: through a Java-process host's proxy (the type-library marshaller) or in process.
class Hostile : public BridgeTest, public ::testing::WithParamInterface<bool> {
protected:
    static void TearDownTestSuite() {  // in process, JniTest::TearDown checks each test's JNI warnings
        if (s_host) StopAndCheckJniWarnings(*s_host);
        s_host.reset(), s_other.reset();
        BridgeTest::TearDownTestSuite();
    }
    void SetUp() override {
        BridgeTest::SetUp();
        ASSERT_EQ(Registered().result(), S_OK) << "DllRegisterServer";
        m_jvm = com_ptr<IMvJavaCpp>(bridge());
        m_refs = [] { return LiveGlobalReferences(); };
        if (GetParam()) {
            HostSettings settings;
            settings.jvmOptions = {"-Xcheck:jni"}, settings.keepJvmOutput = true;
            if (!s_host) s_host = std::make_unique<HostProcess>(settings);
            ASSERT_TRUE(s_host->ready()) << s_host->output();
            m_jvm = PublishedJvmOf(s_host->pid());
            ASSERT_TRUE(m_jvm.try_query<IClientSecurity>()) << "not a proxy";
            m_refs = [] { return s_host->LiveReferences(); };
        }
        m_targets = std::make_unique<Checker>(m_jvm.get());  // holds the targets until TearDown
        Checker& t = *m_targets;
        const UINT64 arrays = t.Call("NewDefJavaObject", Of(0, L"fixtures.ArrayFields"), S_OK).l;
        const auto field = [&](const wchar_t* name, const wchar_t* sig) {
            return t.Call("GetStaticObjectField", Of(arrays, name, sig), S_OK).l;
        };
        m_own = {t.Call("NewDefJavaObject", Of(0, L"fixtures.Echo"), S_OK).l,
                 t.Call("NewDefJavaObject", Of(0, L"fixtures.Fields"), S_OK).l,
                 t.Call("NewJavaString", Text(L"hostile"), S_OK).l, field(L"ints", L"[I"),
                 field(L"objects", L"[Ljava/lang/Object;"), field(L"objectsWithNull", L"[Ljava/lang/Object;"),
                 t.Call("NewDefJavaObject", Of(0, L"fixtures.Isolated"), S_OK).l};
        ASSERT_EQ(t.failures, 0u) << t.failed;
        m_start = m_refs();
        m_check = std::make_unique<Checker>(m_jvm.get());
        m_seed = EnvironmentNumber("MV_HOSTILE_SEED", 0x6d76686f7374696cULL) ^ (GetParam() ? 0x5a5a5a5a : 0);
        m_rounds = std::max(1, static_cast<int>(EnvironmentNumber("MV_HOSTILE_ROUNDS", GetParam() ? 300 : 400)));
        m_gen = std::make_unique<Gen>(m_seed, m_own);
    }
    void TearDown() override {
        m_gen.reset();
        EXPECT_EQ(m_check ? m_check->failures : 0u, 0u) << (m_check ? m_check->failed : "");
        m_check.reset(), m_targets.reset(), m_jvm.reset();
        BridgeTest::TearDown();
    }

    Out Call(const std::string& member, const In& in, HRESULT expected, const std::string& what = {}) {
        Out r = m_check->Call(member, in, expected, what);
        // A class lookup that found nothing leaves its exception pending on an attached caller.
        if (!GetParam() && env()->ExceptionCheck() &&
            (member == "GetClassByName" || member.find("Nonvirtual") != std::string::npos))
            env()->ExceptionClear(), ++m_cleared;
        return r;
    }

    // `round` in batches; after each, the references are back, no exception is pending and the
    // handle count stays within a band of the first batch's (which warms up COM, RPC, the type
    // library): a leak of one handle a call would leave it. Prints the answers counted by code.
    void RunBatches(const char* suite, int percent, const std::function<void()>& round) {
        const int rounds = std::max(1, m_rounds * percent / 100);
        const bool cross = GetParam();
        LeakWatch watch(m_refs, cross ? s_host->pid() : ::GetCurrentProcessId());
        for (int done = 0; done < rounds;) {
            for (int i = 0; i < (cross ? 10 : 20) && done < rounds; ++i, ++done) m_gen->arena.clear(), round();
            m_check->DropHandles();
            const Sample& now = watch.Take(done);
            ASSERT_EQ(m_check->failures, 0u) << suite << " after " << done << " rounds:\n" << m_check->failed;
            ASSERT_EQ(now.refs, m_start) << suite << ": live references after " << done << " rounds";
            ASSERT_FALSE(env()->ExceptionCheck()) << suite << ": a Java exception is pending";
            const auto first = watch.samples[0].counters.handles;
            ASSERT_LE(std::max(now.counters.handles, first) - std::min(now.counters.handles, first), cross ? 16u : 8u)
                << suite << ": handles";
        }
        std::printf("robustness: hostile %s %s rounds=%d seed=0x%llx handles %llu -> %llu, references back, "
                    "exceptions cleared %d, calls=%llu answers", cross ? "cross-process" : "in-process", suite, rounds,
                    static_cast<unsigned long long>(m_seed),
                    static_cast<unsigned long long>(watch.samples[0].counters.handles),
                    static_cast<unsigned long long>(watch.samples.back().counters.handles), m_cleared, m_check->calls);
        for (const auto& [hr, count] : m_check->tally) std::printf(" %s=%lld", Hex(hr).c_str(), count);
        std::printf("\n");
    }

    static std::unique_ptr<HostProcess> s_host, s_other;  // s_other: another Java process
    com_ptr<IMvJavaCpp> m_jvm;
    std::function<long long()> m_refs;
    long long m_start = 0;
    std::unique_ptr<Checker> m_targets, m_check;
    std::vector<UINT64> m_own;  // the targets, in the order of kEcho...
    std::unique_ptr<Gen> m_gen;
    std::uint64_t m_seed = 0;
    int m_rounds = 0, m_cleared = 0;
};
std::unique_ptr<HostProcess> Hostile::s_host, Hostile::s_other;

// Descriptors labelled VT_ARRAY|VT_VARIANT that lie over well-typed elements (a reader trusting the
// label would succeed): elements of another type or size, no data, bounds past LONG's range. A count
// of 0 is the target's.
const struct Malformed { VARTYPE vt; bool data; LONG lower; ULONG count; } kMalformed[] = {
    {VT_I4, true, 0, 0}, {VT_UI8, true, -4, 0}, {VT_DECIMAL, true, 2, 0}, {VT_VARIANT, false, 0, 0},
    {VT_VARIANT, false, LONG_MIN, 0x80000001}, {VT_VARIANT, true, LONG_MAX, 0}, {VT_VARIANT, true, LONG_MAX - 1, 0}};

// An argument array for a call target: well-typed for its signature (any lower bound, sometimes a
// second dimension that may hold no elements), one element spoilt, malformed, or any random VARIANT.
TEST_P(Hostile, RandomArgumentArrays) {
    static const std::vector<Target> targets = Targets();
    RunBatches("arguments", GetParam() ? 50 : 200, [this] {
        const Target& t = targets[m_gen->Between(0, targets.size() - 1)];
        unique_safearray storage;  // the elements under a malformed descriptor, which `params` holds
        unique_variant params;
        const std::string& kinds = t.kinds;
        const int shape = static_cast<int>(m_gen->Between(0, 9));
        if (shape > 5) {
            m_gen->Any(*params.get_mutable());
        } else if (!kinds.empty() || m_gen->Chance(50)) {
            const ULONG count = static_cast<ULONG>(kinds.size()), second = static_cast<ULONG>(m_gen->Between(0, 2));
            // Across processes the client's marshaller reads the data: without it, it faults before any call.
            const Malformed* odd = nullptr;
            if (shape == 4) do odd = &m_gen->Pick(kMalformed); while (GetParam() && !odd->data);
            const UINT dims = !odd && m_gen->Chance(25) ? 2 : 1;
            SAFEARRAYBOUND b[2] = {{count, static_cast<LONG>(m_gen->Between(-5, 5))},
                                   {second, static_cast<LONG>(m_gen->Between(-3, 3))}};
            V_VT(params.get_mutable()) = VT_ARRAY | VT_VARIANT;
            V_ARRAY(params.get_mutable()) = ::SafeArrayCreate(VT_VARIANT, dims, b);
            const long spoilt = shape == 5 && count ? static_cast<long>(m_gen->Between(0, count - 1)) : -1;
            for (ULONG i = 0; i < (dims == 2 ? count * second : count); ++i) {
                VARIANT& e = static_cast<VARIANT*>(V_ARRAY(params.get_mutable())->pvData)[i];
                const char k = i < count && static_cast<long>(i) != spoilt ? kinds[i] : 0;
                std::vector<VARTYPE> fits;  // the element types of kind k
                for (const auto& [vt, kind] : kKinds)
                    if (kind == k) fits.push_back(vt);
                if (fits.empty()) m_gen->Any(e, 1);
                else if (odd && k == 'L') m_gen->Scalar(e, VT_UI8);
                else m_gen->Scalar(e, fits[m_gen->Between(0, fits.size() - 1)]);
                if (k == 'I' && m_gen->Chance(50)) V_I4(&e) = static_cast<LONG>(m_gen->Between(-2, 9));
            }
            if (odd) {  // no BSTR above: destroying a static descriptor zeroes the bytes it spans
                storage.reset(V_ARRAY(params.get_mutable()));
                SAFEARRAY*& lie = V_ARRAY(params.get_mutable());
                lie = nullptr;
                ASSERT_EQ(::SafeArrayAllocDescriptorEx(odd->vt, 1, &lie), S_OK);
                lie->fFeatures |= FADF_STATIC, lie->pvData = odd->data ? storage.get()->pvData : nullptr;
                lie->rgsabound[0] = {odd->count ? odd->count : count, odd->lower};
            }
        }
        std::vector<VARIANT> values;
        HRESULT expected = ModelArguments(*params.get_mutable(), kinds, *m_gen, values);
        std::string got;  // the element types
        for (const VARIANT& e : values) got += std::to_string(V_VT(&e)) + " ";
        const bool null =  // echoObject(null) answers null, which fails
            values.size() == 1 && kinds == "L" && V_VT(&values[0]) != VT_BSTR && !NumberOf(values[0]).value_or(0);
        if (SUCCEEDED(expected) && t.name == L"echoObject" && null) expected = E_FAIL;
        In a = Of(m_own[t.object], t.name);
        a.super = t.super, a.sig = t.sig, a.params = params.get();
        const Out r = Call(t.member, a, expected, "params 0x" + std::to_string(params.type()) + " types " + got);
        if (r.hr == S_OK && expected == S_OK)
            m_check->Check(ResultOk(t, values, r, m_jvm.get()), t.member + " result of " + got);
        if (storage) {  // the bridge let go of the array it was passed
            m_check->Check(::SafeArrayDestroy(V_ARRAY(params.get_mutable())) == S_OK, "destroy after " + t.member);
            V_VT(params.get_mutable()) = VT_EMPTY;
        }
    });
}

// Junk names and signatures into the field, call and class members (no such field, method or
// class: E_FAIL, nothing written, nothing set), and known answers beside them.
TEST_P(Hostile, RandomNamesAndSignatures) {
    RunBatches("names", GetParam() ? 33 : 200, [this] {
        const std::wstring junk = m_gen->JunkName(), junkSig = m_gen->JunkSignature();
        const std::string what = "'" + Printable(junk) + "' '" + Printable(junkSig) + "'";
        if (std::getenv("MV_HOSTILE_TRACE")) std::fprintf(stderr, "%s\n", what.c_str());
        In a = Of(m_gen->Handle(), junk, junkSig);
        a.super = m_gen->JunkName(), a.value = m_own[kText], a.text = m_gen->Text(30);
        const unsigned kind = m_gen->Chance(50) ? kField : kCall;
        const Member* m = nullptr;
        do m = &Members()[m_gen->Between(0, Members().size() - 1)]; while (!(m->kind & kind));
        if ((m->kind & kSignature) && m_gen->Chance(40))
            a.name = m_gen->Chance(50) ? L"objectField" : (kind == kCall ? L"hashCode" : L"staticObject");
        if ((m->kind & kNonvirtual) && m_gen->Chance(30)) a.super = L"java/lang/Object";
        if (kind == kCall && m_gen->Chance(50)) m_gen->Any(a.params);
        Call(m->name, a, E_FAIL, what);
        ::VariantClear(&a.params);

        a = Of(m_own[m_gen->Between(0, kObjectsWithNull)], junk);
        for (const char* member : {"NewDefJavaObject", "IsInstanceOf", "GetClassByName"}) Call(member, a, E_FAIL, what);
        a.object = m_gen->Handle(), a.value = m_gen->Handle();
        m_check->Check(Call("IsSameJavaObject", a, S_OK).z == (a.object == a.value ? VARIANT_TRUE : 0), "same");
        a = Text(m_gen->Text(m_gen->Chance(5) ? 50000 : 60));
        a.object = Call("NewJavaString", a, S_OK).l;
        m_check->Check(Call("GetJavaString", a, S_OK).text.view() == UpToNul(a.text), "back: " + Printable(a.text));
    });
}

// A new primitive array of random type and length, random writes and reads, its length; then zero
// handles into every member that takes one, and primitive-array members on arrays of objects and
// on a string.
TEST_P(Hostile, RandomPrimitiveArraysAndWrongHandles) {
    RunBatches("arrays", GetParam() ? 12 : 50, [this] {
        In a;
        a.type = static_cast<long>(m_gen->Between(-2, 10));
        a.length = static_cast<long>(m_gen->Chance(10) ? m_gen->Between(-0x7FFFFFFF, -1) : m_gen->Between(0, 6));
        const bool valid = a.type >= 0 && a.type <= 7 && a.length >= 0;
        a.object = Call("NewJavaPrimitiveArray", a, valid ? S_OK : E_FAIL).l;
        if (!valid) a.object = m_own[kInts], a.type = Int, a.length = 3;  // the int[] {1, -2, 3}, seldom written
        const long type = a.type, length = a.length;
        for (int write = 0; write < 3; ++write) {
            unique_variant in;
            const bool same = m_gen->Chance(70) && (valid || m_gen->Chance(10));
            a.type = same ? type : static_cast<long>(m_gen->Between(-1, 9));
            const VARTYPE vt = a.type >= 0 && a.type <= 7 ? kElementTypes[a.type] : VARTYPE{VT_EMPTY};
            if (m_gen->Chance(60) && vt != VT_EMPTY) {
                const int dims = static_cast<int>(m_gen->Between(1, 3));
                V_VT(in.get_mutable()) = VT_ARRAY | vt;
                V_ARRAY(in.get_mutable()) = m_gen->Chance(3) ? nullptr : m_gen->Array(vt, dims, dims == 1 ? 9 : 4, 0);
            } else {
                m_gen->Any(*in.get_mutable(), 1);
            }
            // The array's element type, `length` elements in the first dimension and in the array.
            LONGLONG count = 0;
            const SAFEARRAY* array = V_ARRAY(&in.get());
            HRESULT expected = vt == VT_EMPTY || in.type() != (VT_ARRAY | vt) ? E_FAIL : FirstDimension(array, count);
            if (expected == S_OK && (a.type != type || count < length || ElementCount(array) < ULONGLONG(length)))
                expected = E_FAIL;
            a.params = in.get();
            Call("SetJavaPrimitiveArray", a, expected, std::to_string(a.type) + " into " + std::to_string(type));
        }
        a.type = static_cast<long>(m_gen->Between(-1, 9));  // outside 0 to 7 the getter may answer S_OK with nothing
        const HRESULT answer = a.type == type ? S_OK : a.type >= 0 && a.type <= 7 ? E_FAIL : kNotOk;
        const Out r = Call("GetJavaPrimitiveArray", a, answer);
        const VARTYPE read = a.type != type ? VT_EMPTY : VT_ARRAY | (type ? kElementTypes[type] : VARTYPE{VT_I2});
        m_check->Check(r.v->type() == read, "read type");
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

// Objects of the wrong type where a member, a parameter or a field wants another: E_FAIL, from either side.
// The echo objects and bases of an isolated class loader are other classes than the application's.
enum { kChars = kIsolated + 1, kBase, kIsolatedEcho, kIsolatedBase };
const struct WrongType {
    const char* member;
    int object;
    const wchar_t *name, *sig;
    int argument;  // an object of the table's, or -1: the BSTR "abc"
    HRESULT expected;
} kWrongTypes[] = {
    {"GetJavaString", kEcho, L"", L"", 0, E_FAIL},
    {"GetJavaString", kInts, L"", L"", 0, E_FAIL},
    {"GetJavaArrayLength", kText, L"", L"", 0, E_FAIL},
    {"GetJavaArrayLength", kChars, L"", L"", 0, S_OK},
    {"GetJavaObjectArray", kInts, L"", L"", 0, E_FAIL},
    {"CallStaticStringMethod", kText, L"valueOf", L"([C)Ljava/lang/String;", -1, E_FAIL},
    {"CallStaticStringMethod", kText, L"valueOf", L"([C)Ljava/lang/String;", kEcho, E_FAIL},
    {"CallStaticStringMethod", kText, L"valueOf", L"([C)Ljava/lang/String;", kInts, E_FAIL},
    {"CallStaticStringMethod", kText, L"valueOf", L"([C)Ljava/lang/String;", kChars, S_OK},
    {"CallStaticStringMethod", kText, L"valueOf", L"(Ljava/lang/Object;)Ljava/lang/String;", -1, S_OK},
    {"CallStaticStringMethod", kEcho, L"nameOf", L"(Lfixtures/Base;)Ljava/lang/String;", kIsolatedBase, E_FAIL},
    {"CallStaticStringMethod", kEcho, L"nameOf", L"(Lfixtures/Base;)Ljava/lang/String;", kText, E_FAIL},
    {"CallStaticStringMethod", kEcho, L"nameOf", L"(Lfixtures/Base;)Ljava/lang/String;", kBase, S_OK},
    {"CallStaticStringMethod", kIsolatedEcho, L"nameOf", L"(Lfixtures/Base;)Ljava/lang/String;", kBase, E_FAIL},
    {"CallStaticStringMethod", kIsolatedEcho, L"nameOf", L"(Lfixtures/Base;)Ljava/lang/String;", kIsolatedBase, S_OK},
    {"SetObjectField", kFields, L"stringField", L"Ljava/lang/String;", kEcho, E_FAIL},
    {"SetObjectField", kFields, L"stringField", L"Ljava/lang/String;", kText, S_OK},
    {"SetStaticObjectField", kFields, L"staticString", L"Ljava/lang/String;", kChars, E_FAIL},
    {"SetStaticObjectField", kFields, L"staticObject", L"Ljava/lang/Object;", kChars, S_OK},
};

// Handles the module did not hand out, or has deleted since, from another process: random numbers,
// handles deleted just before, handles of another Java process; as the object of every member that
// takes one, as a setter's value or IsSameJavaObject's second handle, and in an argument array (as
// VT_UI8 and as a number). Each fails with E_INVALIDARG and nothing reaches the JVM; the wrong types
// of kWrongTypes fail with E_FAIL. In process, the agent's own references (made with JNI, never
// handed out) are taken as they are.
TEST_P(Hostile, HandlesItDidNotHandOutAndObjectsOfTheWrongType) {
    const bool cross = GetParam();
    Checker& own = *m_targets;
    const auto made = [&](const wchar_t* method) {
        return own.Call("CallStaticObjectMethod", Of(m_own[kIsolated], method, L"()Ljava/lang/Object;"), S_OK).l;
    };
    m_own.resize(kIsolatedBase + 1);
    m_own[kChars] = own.Call("NewJavaPrimitiveArray", [] { In a; a.type = Char, a.length = 3; return a; }(), S_OK).l;
    m_own[kBase] = own.Call("NewDefJavaObject", Of(0, L"fixtures.Base"), S_OK).l;
    m_own[kIsolatedEcho] = made(L"newEcho"), m_own[kIsolatedBase] = made(L"newBase");
    std::vector<UINT64> foreign;  // live handles of another Java process
    com_ptr<IMvJavaCpp> other;
    if (cross) {
        if (!s_other) s_other = std::make_unique<HostProcess>(HostSettings{});
        ASSERT_TRUE(s_other->ready()) << s_other->output();
        other = PublishedJvmOf(s_other->pid());
        for (int i = 0; i < 8; ++i) {
            UINT64 h = 0;
            ASSERT_EQ(other->NewJavaString(Bstr(L"elsewhere").get(), &h), S_OK);
            foreign.push_back(h);
        }
    } else {  // the agent's own reference
        const UINT64 mine = Handle(env()->NewStringUTF("agent's own"));
        EXPECT_EQ(Call("GetJavaString", Of(mine), S_OK).text.view(), L"agent's own");
    }
    m_start = m_refs();
    std::size_t next = 0;
    RunBatches("foreign handles", cross ? 700 : 25, [&] {
        const WrongType& w = kWrongTypes[m_gen->Between(0, std::size(kWrongTypes) - 1)];
        In a = Of(m_own[w.object], w.name, w.sig);
        const ArgumentArray args({w.argument < 0 ? ArgBstr(L"abc") : ArgUI8(m_own[w.argument])});
        if (std::string(w.member).find("Method") != std::string::npos) a.params = args.get();
        a.value = w.argument < 0 ? 0 : m_own[w.argument];
        Call(w.member, a, w.expected, "wrong type " + Printable(w.name) + " " + Printable(w.sig));
        if (!cross) return;
        for (int i = 0; i < 4; ++i) {
            UINT64 bad = 0;
            std::string kind;
            switch (m_gen->Between(0, 2)) {
            case 0:
                bad = m_gen->Between(1, LLONG_MAX) | (m_gen->Chance(50) ? 0x8000000000000000ull : 0);
                bad |= (bad & 0xFFFFFFFFull) ? 0 : 0x10;  // never a null reference: zero has its own answers
                kind = "random";
                break;
            case 1:  // used at once: no handle is made in between that could take its place
                m_check->Check(m_jvm->NewJavaString(Bstr(L"gone").get(), &bad) == S_OK &&
                               m_jvm->DeleteJavaObject(bad) == S_OK, "make and delete");
                kind = "deleted";
                break;
            default:
                bad = foreign[m_gen->Between(0, foreign.size() - 1)];
                kind = "another Java process's";
            }
            const std::string what = kind + " handle " + std::to_string(bad);
            const Member* m = nullptr;  // each in turn
            do m = &Members()[next++ % Members().size()]; while (!(m->kind & kHandle));
            In b = Of(bad, L"intField", L"()I");
            b.super = L"java/lang/Object", b.type = Int, b.value = m_own[kText], b.text = L"x";
            switch (i) {
            case 0: Call(m->name, b, E_INVALIDARG, what); break;
            case 1: {  // the second handle
                static const char* const kValueMembers[] = {"SetObjectField", "SetStaticObjectField", "IsSameJavaObject"};
                const char* member = kValueMembers[m_gen->Between(0, 2)];
                b = Of(m_own[kFields], std::strstr(member, "Static") ? L"staticObject" : L"objectField",
                       L"Ljava/lang/Object;");
                b.value = bad;
                Call(member, b, E_INVALIDARG, what);
                break;
            }
            default: {  // an argument, as a handle or (below 2^53) as the number a script sends
                const bool number = i == 3 && bad < (1ull << 53);
                VARIANT e = ArgUI8(bad);
                if (number) V_VT(&e) = VT_R8, V_R8(&e) = static_cast<double>(bad);
                const ArgumentArray argument({e});
                b = Of(m_own[kEcho], L"echoObject", L"(Ljava/lang/Object;)Ljava/lang/Object;");
                b.params = argument.get();
                Call("CallStaticObjectMethod", b, E_INVALIDARG, what + (number ? " as a number" : ""));
            }
            }
        }
    });
    for (UINT64 h : foreign) EXPECT_EQ(other ? other->DeleteJavaObject(h) : S_OK, S_OK);
}

// Found by the rounds: a class name outside the BMP (a four-byte UTF-8 sequence) made the JVM end
// the process, a class descriptor ("Lx;") drew a JNI warning; both name no class. An argument
// array whose second dimension holds no elements was read past its end (here the data beyond it
// is a valid element, so a read past the end shows as a call that succeeds).
TEST_P(Hostile, InputsThatOnceBrokeTheBridge) {
    for (const wchar_t* name : {L"fixtures.Echo\U0001F511", L"java/lang/\U0001F511", L"L;", L"Ljava/lang/Object;",
                                L"Ljava.lang.Object;"}) {
        In a = Of(m_own[kEcho], name, L"()Ljava/lang/String;");
        for (const char* member : {"NewDefJavaObject", "GetClassByName", "IsInstanceOf"})
            Call(member, a, E_FAIL, Printable(name));
        a.super = name, a.name = L"toString";
        Call("CallNonvirtualStringMethod", a, E_FAIL, Printable(name));
        Call("CallNonvirtualObjectMethod", a, E_FAIL, Printable(name));
    }
    EXPECT_EQ(Call("IsInstanceOf", Of(m_own[kObjects], L"[Ljava/lang/Object;"), S_OK).z, VARIANT_TRUE);
    VARIANT storage[2] = {ArgI4(42), ArgI4(42)};
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

INSTANTIATE_TEST_SUITE_P(, Hostile, ::testing::Bool(),
                         [](const auto& param) { return std::string(param.param ? "CrossProcess" : "InProcess"); });

}  // namespace
}  // namespace mv::test
