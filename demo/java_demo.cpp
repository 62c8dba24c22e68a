#include "java_demo.h"

#include <oleauto.h>

#include "MvJavaJniComRot_h.h"
#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "common/com/variant.h"
#include "demo_text.h"
#include "published_jvm.h"

namespace mvdemo {
namespace {

bool Step(std::FILE* out, const char* what, HRESULT hr) {
    if (FAILED(hr)) std::fprintf(out, "  %s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
    return SUCCEEDED(hr);
}

}  // namespace

bool RunJavaDemo(const std::wstring& modulePath, DWORD pid, std::FILE* out) {
    const mv::com_ptr<IMvJavaCpp> jvm = FindPublishedJvm(modulePath, pid, out);
    if (!jvm) return false;
    std::fprintf(out, "  GetJVMFromPid(%lu): found the published main object (a proxy into that process)\n",
                 static_cast<unsigned long>(pid));
    LONG version = 0;
    if (!Step(out, "GetJVMVersion", jvm->GetJVMVersion(&version))) return false;
    std::fprintf(out, "  GetJVMVersion: JNI 0x%08lx\n", static_cast<unsigned long>(version));

    UINT64 fields = 0;
    if (!Step(out, "NewDefJavaObject", jvm->NewDefJavaObject(Bstr(L"fixtures.Fields").get(), &fields))) return false;
    mv::unique_bstr cls, text;
    jvm->GetJavaClassName(fields, cls.put());
    std::fprintf(out, "  NewDefJavaObject(\"fixtures.Fields\"): handle 0x%llx, class %s\n",
                 static_cast<unsigned long long>(fields), Narrow(cls.view()).c_str());
    LONG number = 0;
    bool ok = Step(out, "GetStaticIntField", jvm->GetStaticIntField(fields, Bstr(L"staticInt").get(), &number));
    std::fprintf(out, "  GetStaticIntField(staticInt) = %ld\n", static_cast<long>(number));
    ok = Step(out, "SetStringField", jvm->SetStringField(fields, Bstr(L"stringField").get(), Bstr(L"set from another process").get())) && ok;
    ok = Step(out, "GetStringField", jvm->GetStringField(fields, Bstr(L"stringField").get(), text.put())) && ok;
    std::fprintf(out, "  SetStringField, then GetStringField(stringField) = \"%s\"\n", Narrow(text.view()).c_str());

    mv::unique_variant none;
    mv::unique_bstr described;
    ok = Step(out, "CallStringMethod", jvm->CallStringMethod(fields, Bstr(L"toString").get(),
                                                              Bstr(L"()Ljava/lang/String;").get(), none.get(),
                                                              described.put())) && ok;
    std::fprintf(out, "  CallStringMethod(toString) = \"%s\"\n", Narrow(described.view()).c_str());
    ok = Step(out, "DeleteJavaObject", jvm->DeleteJavaObject(fields)) && ok;
    std::fprintf(out, "  DeleteJavaObject: the handle's global reference is released in the Java process\n");
    return ok;
}

}  // namespace mvdemo
