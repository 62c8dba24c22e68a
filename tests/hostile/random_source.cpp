#include "random_source.h"

#include <cwchar>

#include "environment_number.h"

namespace mv::test {
namespace {
constexpr std::uint64_t kDefaultSeed = 0x6d76686f7374696cULL;

// A name made only of '[' and one primitive letter is an array class that exists ("[I").
bool IsPrimitiveArrayDescriptor(const std::wstring& name) {
    std::size_t i = 0;
    while (i < name.size() && name[i] == L'[') ++i;
    return i > 0 && i + 1 == name.size() && std::wcschr(L"ZBCSIJFD", name[i]);
}
}  // namespace

HostileSettings ReadHostileSettings(int defaultRounds) {
    HostileSettings settings;
    settings.seed = EnvironmentNumber("MV_HOSTILE_SEED", kDefaultSeed);
    settings.rounds = static_cast<int>(EnvironmentNumber("MV_HOSTILE_ROUNDS", static_cast<unsigned long long>(defaultRounds)));
    if (settings.rounds < 1) settings.rounds = 1;
    return settings;
}

wchar_t RandomSource::Unit() {
    switch (Between(0, 9)) {
    case 0: return L'\0';
    case 1: return static_cast<wchar_t>(Between(0xD800, 0xDBFF));  // high surrogate, maybe alone
    case 2: return static_cast<wchar_t>(Between(0xDC00, 0xDFFF));  // low surrogate, maybe alone
    case 3: return static_cast<wchar_t>(Between(0x80, 0xD7FF));
    case 4: return static_cast<wchar_t>(Between(0xE000, 0xFFFF));
    case 5: return static_cast<wchar_t>(Between(1, 0x1F));
    default: return static_cast<wchar_t>(Between(0x20, 0x7E));
    }
}

std::wstring RandomSource::Text(std::size_t maxLength) {
    std::wstring text;
    const auto length = static_cast<std::size_t>(Between(0, static_cast<long long>(maxLength)));
    while (text.size() < length) {
        if (Chance(5)) {
            text += L"\U0001F511";  // a well-formed pair
        } else {
            text += Unit();
        }
    }
    return text;
}

std::wstring RandomSource::JunkName() {
    static const wchar_t* const kShapes[] = {
        L"", L".", L"/", L"//", L"[", L"[[[", L";", L"L;", L"Ljava/lang/Object;", L"java.lang.",
        L"java/lang/", L"java..lang.Object", L"/java/lang/Object", L"[Ljava.lang.Object", L"[L;",
        L"<init>", L"<clinit>", L"$", L"\u00e9t\u00e9", L"\U0001F511", L"x\0y",
    };
    std::wstring name;
    switch (Between(0, 4)) {
    case 0: name = Pick(kShapes); break;
    case 1: name = std::wstring(static_cast<std::size_t>(Between(256, 5000)), static_cast<wchar_t>(Between(L'a', L'z'))); break;
    case 2: name = L"fixtures/" + Text(12) + L"Zz"; break;
    default: name = Text(40); break;
    }
    if (Chance(20)) name += Pick(kShapes);
    if (IsPrimitiveArrayDescriptor(name)) name += L"q";
    return name;
}

std::wstring RandomSource::JunkSignature() {
    static const wchar_t* const kSignatures[] = {
        L"", L"(", L"(I", L"()", L"(Lx;", L"[[[", L")V", L"(I)", L"(I)I)", L"((I)I", L"()Q",
        L"(L)V", L"(Ljava/lang/Object)V", L"(Ljava/lang/Object;", L"()[", L"()L;", L"I", L"V",
        L"(V)V", L"(I)[[[", L"()Ljava.lang.String;", L"(\0I)I", L"(\U0001F511)V", L"Lfoo",
    };
    if (Chance(60)) return Pick(kSignatures);
    if (Chance(50)) return L"(" + Text(20) + L")" + Text(4);
    return Text(30);
}

}  // namespace mv::test
