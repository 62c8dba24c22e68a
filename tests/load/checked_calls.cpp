#include "checked_calls.h"

#include <oleauto.h>

#include <cstddef>
#include <string>
#include <utility>

#include "bstr_values.h"
#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "common/com/variant.h"
#include "components.h"
#include "java_statics.h"
#include "variant_values.h"

namespace mv::test {
namespace {

constexpr std::size_t kFailureTextsKept = 10;

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

// A Java handle the checker made; deleted through the checker, which counts and checks that call.
class CheckedHandle {
public:
    CheckedHandle(CheckedCalls& checker, IMvJavaCpp* jvm) : m_checker(checker), m_jvm(jvm) {}
    ~CheckedHandle() {
        if (m_handle) m_checker.Succeeded(m_jvm->DeleteJavaObject(m_handle), "DeleteJavaObject");
    }
    CheckedHandle(const CheckedHandle&) = delete;
    CheckedHandle& operator=(const CheckedHandle&) = delete;
    UINT64* put() { return &m_handle; }
    UINT64 get() const { return m_handle; }

private:
    CheckedCalls& m_checker;
    IMvJavaCpp* m_jvm;
    UINT64 m_handle = 0;
};

struct KnownWindow {
    const wchar_t* name;
    const wchar_t* title;
    Bounds bounds;
};
const KnownWindow kLoginWindow{L"loginFrame", L"Sign in", {100, 80, 480, 360}};
const KnownWindow kAwtWindow{L"awtFrame", L"AWT sample", {620, 80, 360, 240}};

}  // namespace

bool CheckedCalls::Succeeded(HRESULT hr, const char* what) {
    ++m_calls;
    if (hr == S_OK) return true;
    char code[16];
    ::wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
    Check(false, std::string(what) + " answered " + code);
    return false;
}

bool CheckedCalls::Check(bool ok, const std::string& what) {
    if (ok) return true;
    ++m_failures;
    if (m_failureTexts.size() < kFailureTextsKept) m_failureTexts.push_back(what);
    return false;
}

void CheckedCalls::Fields(int salt) {
    CheckedHandle fields(*this, m_jvm);
    if (!Succeeded(m_jvm->NewDefJavaObject(Bstr(L"fixtures.Fields").get(), fields.put()), "NewDefJavaObject")) return;
    LONG i = 0;
    if (Succeeded(m_jvm->GetStaticIntField(fields.get(), Bstr(L"staticInt").get(), &i), "GetStaticIntField"))
        Check(i == -987654321, "staticInt");
    LONGLONG j = 0;
    if (Succeeded(m_jvm->GetLongField(fields.get(), Bstr(L"longField").get(), &j), "GetLongField"))
        Check(j == 0x0123456789abcdefLL, "longField");
    double d = 0;
    if (Succeeded(m_jvm->GetDoubleField(fields.get(), Bstr(L"doubleField").get(), &d), "GetDoubleField"))
        Check(d == -2.25, "doubleField");
    // This object's own fields: a value written by another thread or client would show here.
    if (Succeeded(m_jvm->SetIntField(fields.get(), Bstr(L"intField").get(), salt), "SetIntField") &&
        Succeeded(m_jvm->GetIntField(fields.get(), Bstr(L"intField").get(), &i), "GetIntField"))
        Check(i == salt, "intField read back");
    const std::wstring text = L"salt " + std::to_wstring(salt) + L" \u00e9";
    unique_bstr back;
    if (Succeeded(m_jvm->SetStringField(fields.get(), Bstr(L"stringField").get(), Bstr(text).get()), "SetStringField") &&
        Succeeded(m_jvm->GetStringField(fields.get(), Bstr(L"stringField").get(), back.put()), "GetStringField"))
        Check(back && back.view() == text, "stringField read back");
}

void CheckedCalls::Methods(int salt) {
    CheckedHandle echo(*this, m_jvm);
    if (!Succeeded(m_jvm->NewDefJavaObject(Bstr(L"fixtures.Echo").get(), echo.put()), "NewDefJavaObject")) return;
    unique_variant args;
    MakeArgumentArray(args, {ArgI4(salt)});
    LONG echoed = 0;
    if (Succeeded(m_jvm->CallStaticIntMethod(echo.get(), Bstr(L"echoInt").get(), Bstr(L"(I)I").get(), args.get(), &echoed),
                  "CallStaticIntMethod"))
        Check(echoed == salt, "echoInt");
    unique_variant three;
    MakeArgumentArray(three, {ArgI4(salt), ArgI4(-salt), ArgI4(7)});
    unique_bstr ordered;
    if (Succeeded(m_jvm->CallStaticStringMethod(echo.get(), Bstr(L"ordered").get(), Bstr(L"(III)Ljava/lang/String;").get(),
                                                three.get(), ordered.put()),
                  "CallStaticStringMethod"))
        Check(ordered && ordered.view() == std::to_wstring(salt) + L"," + std::to_wstring(-salt) + L",7", "ordered");

    const std::wstring text = L"method text " + std::to_wstring(salt);
    CheckedHandle string(*this, m_jvm);
    if (!Succeeded(m_jvm->NewJavaString(Bstr(text).get(), string.put()), "NewJavaString")) return;
    VARIANT none;
    ::VariantInit(&none);
    LONG length = 0;
    if (Succeeded(m_jvm->CallIntMethod(string.get(), Bstr(L"length").get(), Bstr(L"()I").get(), none, &length),
                  "CallIntMethod"))
        Check(length == static_cast<LONG>(text.size()), "length");
    unique_bstr upper;
    if (Succeeded(m_jvm->CallStringMethod(string.get(), Bstr(L"toUpperCase").get(), Bstr(L"()Ljava/lang/String;").get(),
                                          none, upper.put()),
                  "CallStringMethod"))
        Check(upper && upper.view() == L"METHOD TEXT " + std::to_wstring(salt), "toUpperCase");
    LONG hash = 0;
    if (Succeeded(m_jvm->CallIntMethod(string.get(), Bstr(L"hashCode").get(), Bstr(L"()I").get(), none, &hash),
                  "CallIntMethod")) {
        std::uint32_t expected = 0;  // String.hashCode over the UTF-16 units
        for (wchar_t c : text) expected = 31u * expected + static_cast<std::uint32_t>(c);
        Check(static_cast<std::uint32_t>(hash) == expected, "String.hashCode");
    }
    // Object's own toString, not String's: the class name and the identity hash. This member
    // hands the class name to the JVM as it is, so it takes the slashed form.
    unique_bstr plain;
    if (Succeeded(m_jvm->CallNonvirtualStringMethod(string.get(), Bstr(L"java/lang/Object").get(), Bstr(L"toString").get(),
                                                    Bstr(L"()Ljava/lang/String;").get(), none, plain.put()),
                  "CallNonvirtualStringMethod"))
        Check(plain && plain.view().rfind(L"java.lang.String@", 0) == 0, "Object.toString of a String");
}

void CheckedCalls::Strings(int salt) {
    const std::wstring text = L"G clef \U0001D11E " + std::to_wstring(salt) + L" grin \U0001F600";
    CheckedHandle string(*this, m_jvm);
    if (!Succeeded(m_jvm->NewJavaString(Bstr(text).get(), string.put()), "NewJavaString")) return;
    unique_bstr back;
    if (Succeeded(m_jvm->GetJavaString(string.get(), back.put()), "GetJavaString"))
        Check(back && back.view() == text, "string read back");
    unique_bstr className;
    if (Succeeded(m_jvm->GetJavaClassName(string.get(), className.put()), "GetJavaClassName"))
        Check(className && className.view() == L"java.lang.String", "class name");
    VARIANT_BOOL isText = VARIANT_FALSE;
    if (Succeeded(m_jvm->IsInstanceOf(string.get(), Bstr(L"java.lang.CharSequence").get(), &isText), "IsInstanceOf"))
        Check(isText == VARIANT_TRUE, "a String is a CharSequence");
}

void CheckedCalls::Arrays(int salt) {
    CheckedHandle ints(*this, m_jvm);
    if (Succeeded(m_jvm->NewJavaPrimitiveArray(Int, 3, ints.put()), "NewJavaPrimitiveArray")) {
        unique_variant in;
        V_VT(in.get_mutable()) = VT_ARRAY | VT_I4;
        V_ARRAY(in.get_mutable()) = ::SafeArrayCreateVector(VT_I4, 0, 3);
        for (LONG k = 0; k < 3; ++k) {
            LONG value = salt + k;
            ::SafeArrayPutElement(V_ARRAY(in.get_mutable()), &k, &value);
        }
        unique_variant out;
        if (Succeeded(m_jvm->SetJavaPrimitiveArray(ints.get(), Int, in.get()), "SetJavaPrimitiveArray") &&
            Succeeded(m_jvm->GetJavaPrimitiveArray(ints.get(), Int, out.put()), "GetJavaPrimitiveArray") &&
            Check(out.type() == (VT_ARRAY | VT_I4), "int array type")) {
            for (LONG k = 0; k < 3; ++k) {
                LONG value = 0;
                ::SafeArrayGetElement(V_ARRAY(&out.get()), &k, &value);
                Check(value == salt + k, "int array element");
            }
        }
    }

    CheckedHandle holder(*this, m_jvm);
    if (!Succeeded(m_jvm->NewDefJavaObject(Bstr(L"fixtures.ArrayFields").get(), holder.put()), "NewDefJavaObject")) return;
    CheckedHandle strings(*this, m_jvm);
    if (!Succeeded(m_jvm->GetStaticObjectField(holder.get(), Bstr(L"strings").get(), Bstr(L"[Ljava/lang/String;").get(),
                                               strings.put()),
                   "GetStaticObjectField"))
        return;
    LONG length = 0;
    if (Succeeded(m_jvm->GetJavaArrayLength(strings.get(), &length), "GetJavaArrayLength")) Check(length == 3, "length");
    unique_variant elements;
    if (!Succeeded(m_jvm->GetJavaObjectArray(strings.get(), elements.put()), "GetJavaObjectArray") ||
        !Check(elements.type() == (VT_ARRAY | VT_UI8), "object array type"))
        return;
    const wchar_t* const expected[] = {L"x", L"y", L"z"};
    LONG upper = -1;
    ::SafeArrayGetUBound(V_ARRAY(&elements.get()), 1, &upper);
    Check(upper == 2, "object array bound");
    for (LONG k = 0; k <= upper; ++k) {
        CheckedHandle element(*this, m_jvm);
        ::SafeArrayGetElement(V_ARRAY(&elements.get()), &k, element.put());
        unique_bstr text;
        if (k < 3 && Succeeded(m_jvm->GetJavaString(element.get(), text.put()), "GetJavaString"))
            Check(text && text.view() == expected[k], "object array element");
    }
}

void CheckedCalls::ComponentRound() {
    SAFEARRAY* array = nullptr;
    if (!Succeeded(m_jvm->GetAllTopLevelComponents(&array), "GetAllTopLevelComponents")) return;
    const std::vector<Component> windows = TakeComponentArray(array);
    m_componentInterfaceQueries += windows.size();
    Check(windows.size() == 2, "two top-level windows, got " + std::to_string(windows.size()));
    for (const Component& window : windows) {
        if (!Check(static_cast<bool>(window), "a window object")) continue;
        const auto container = As<IJAwtContainer>(window.get());
        ++m_componentInterfaceQueries;
        if (!Check(static_cast<bool>(container), "a window is a container")) continue;
        unique_bstr name;
        VARIANT_BOOL found = VARIANT_FALSE;
        if (!Succeeded(window->GetAttribute(Bstr(L"name").get(), name.put(), &found), "GetAttribute") ||
            !Check(found == VARIANT_TRUE && name, "a window name"))
            continue;
        SAFEARRAY* children = nullptr;
        if (!Succeeded(container->GetChildComponents(&children), "GetChildComponents")) continue;
        const std::vector<Component> parts = TakeComponentArray(children);
        m_componentInterfaceQueries += parts.size();
        std::vector<std::wstring> classes;
        for (const Component& part : parts) {
            unique_bstr javaClass;
            if (Check(static_cast<bool>(part), "a child object") &&
                Succeeded(part->GetComponentClass(javaClass.put()), "GetComponentClass"))
                classes.emplace_back(javaClass ? javaClass.view() : std::wstring_view());
        }
        if (name.view() == kLoginWindow.name) {
            Check(classes == std::vector<std::wstring>{L"javax.swing.JRootPane"}, "the login window's children");
        } else if (name.view() == kAwtWindow.name) {
            Check(classes == std::vector<std::wstring>{L"java.awt.Label", L"java.awt.TextField", L"java.awt.Button",
                                                       L"java.awt.Button"},
                  "the AWT window's children");
        } else {
            Check(false, "an unknown window " + Narrow(std::wstring(name.view())));
        }
    }
}

void CheckedCalls::WindowDetails() {
    SAFEARRAY* array = nullptr;
    if (!Succeeded(m_jvm->GetAllTopLevelComponents(&array), "GetAllTopLevelComponents")) return;
    for (const Component& window : TakeComponentArray(array)) {
        unique_bstr name;
        VARIANT_BOOL found = VARIANT_FALSE;
        if (!Check(static_cast<bool>(window), "a window object") ||
            !Succeeded(window->GetAttribute(Bstr(L"name").get(), name.put(), &found), "GetAttribute") ||
            !Check(found == VARIANT_TRUE && name, "a window name"))
            continue;
        const KnownWindow* known = name.view() == kLoginWindow.name ? &kLoginWindow
                                   : name.view() == kAwtWindow.name ? &kAwtWindow
                                                                    : nullptr;
        if (!Check(known != nullptr, "an unknown window " + Narrow(std::wstring(name.view())))) continue;
        unique_bstr title;
        if (Succeeded(window->GetAttribute(Bstr(L"title").get(), title.put(), &found), "GetAttribute"))
            Check(found == VARIANT_TRUE && title && title.view() == known->title, "title of " + Narrow(known->name));
        POINTL position{};
        SIZE size{};
        VARIANT_BOOL read = VARIANT_FALSE;
        if (Succeeded(window->GetBounds(&position, &size, &read), "GetBounds"))
            Check(read == VARIANT_TRUE && Bounds{position.x, position.y, size.cx, size.cy} == known->bounds,
                  "bounds of " + Narrow(known->name));
    }
    if (m_mirrorWindow == 0) return;
    GetHWNDResultInfo info = CannotMatch;
    com_ptr<IDispatch> behind;
    if (!Succeeded(m_jvm->GetComponentFromHwnd(m_mirrorWindow, &info, behind.put()), "GetComponentFromHwnd")) return;
    Check(info == ResultOK, "the mirror window matches one Java window");
    const auto component = As<IJAwtComponent>(behind.get());
    unique_bstr name;
    VARIANT_BOOL found = VARIANT_FALSE;
    if (Check(static_cast<bool>(component), "a component behind the mirror window") &&
        Succeeded(component->GetAttribute(Bstr(L"name").get(), name.put(), &found), "GetAttribute"))
        Check(found == VARIANT_TRUE && name && name.view() == kLoginWindow.name, "the login window behind the mirror");
}

void CheckedCalls::MixStep(unsigned step, int salt) {
    switch (step % 6) {
    case 0: Fields(salt); break;
    case 1: Methods(salt); break;
    case 2: Strings(salt); break;
    case 3: Arrays(salt); break;
    case 4: ComponentRound(); break;
    default: WindowDetails(); break;
    }
}

}  // namespace mv::test
