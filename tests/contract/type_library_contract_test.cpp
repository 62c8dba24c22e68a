// The module's TYPELIB resource 1 compared row by row with the contract clients and the marshaller rely
// on: library, classes, interfaces, every member (slot, DISPID, DISPID by name, parameters, help),
// enumerations, records. Rows read as ReadLibrary prints them: VARTYPE names (UI8 a Java handle or JavaVM,
// BOOL VARIANT_BOOL), parameters in, out or ret ([out, retval]), flags in hex. The module is this build's,
// or MV_CONTRACT_MODULE built for MV_CONTRACT_PLATFORM. Then the version resource of every shipped file.

#include <gtest/gtest.h>
#include <windows.h>
#include <oaidl.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "wine_path.h"

namespace {

using mv::com_ptr;
using Rows = std::map<std::string, std::string>;  // row name -> row text
using namespace std::string_literals;

std::string Narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }  // ASCII names
std::string Hex(unsigned long value) {
    char text[16];
    return std::string(text, static_cast<size_t>(std::snprintf(text, sizeof text, "0x%lX", value)));
}
std::string GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    return Narrow({text, static_cast<size_t>(::StringFromGUID2(guid, text, 40) - 1)});
}
std::string Env(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return value && *value ? value : otherwise;
}

struct Member {
    long dispid;
    std::string name, params, help = {};  // an empty help is "method <name>"
};
struct Interface {
    const char *name, *iid, *help;
    std::vector<Member> members;  // in slot order from slot 7
};

std::vector<Member> MvJavaCppMembers() {
    const std::string h = "in UI8 hjObject, ", a = "in UI8 hjArray, ";
    std::vector<Member> m = {
        {1, "JavaAddToROT", ""}, {2, "JavaRemoveFromROT", ""},
        {3, "JavaSaveRunningJVM", "in I4 processId, in UI8 javaVM"},
        {4, "GetJVMVersion", "ret I4* version"}, {5, "AddAWTEventListener", "in I4 eventType"},
        {6, "RemoveAWTEventListener", "in I4 eventType"}, {7, "AttachObserverObject", "in DISPATCH obsObject"},
        {8, "DetachObserverObject", ""}, {9, "GetObserverObject", "ret DISPATCH* obsObject"},
        {10, "GetMorvaneAWTHook", "ret UI8* hook"}, {11, "NewDefJavaObject", "in BSTR className, ret UI8* hObject"},
        {12, "ObjectToString", h + "ret BSTR* stringValue"}, {13, "GetJavaClassName", h + "ret BSTR* className"},
        {14, "DeleteJavaObject", "in UI8 hjObject"},
        {15, "IsSameJavaObject", "in UI8 hjObject1, in UI8 hjObject2, ret BOOL* b"},
        {16, "IsInstanceOf", h + "in BSTR className, ret BOOL* b"},
        {17, "NewJavaPrimitiveArray", "in JavaTypes type, in I4 arraySize, ret UI8* hjArray"},
        {18, "SetJavaPrimitiveArray", a + "in JavaTypes type, in VARIANT inArray"},
        {19, "GetJavaPrimitiveArray", a + "in JavaTypes type, ret VARIANT* outArray"},
        {20, "GetJavaObjectArray", a + "ret VARIANT* outArray"}, {21, "GetJavaArrayLength", a + "ret I4* size"},
        {22, "GetJavaString", "in UI8 hjString, ret BSTR* value"},
        {23, "NewJavaString", "in BSTR value, ret UI8* hjString"}};
    // The families over the nine Java types, always in this order.
    const char* const types[][2] = {{"Boolean", "BOOL"}, {"Byte", "UI1"}, {"Char", "UI2"}, {"Short", "I2"},
                                    {"Int", "I4"},       {"Long", "I8"},  {"Float", "R4"}, {"Double", "R8"},
                                    {"Object", "UI8"}};
    long id = 24;
    for (const std::string prefix : {"GetStatic", "SetStatic", "Get", "Set"}) {
        for (const auto& [t, vt] : types) {
            const std::string value = prefix[0] == 'S' ? "in "s + vt + " value" : "ret "s + vt + "* value";
            const bool misspelt = prefix == "SetStatic" && t == "Boolean"s;
            m.push_back({id++, misspelt ? "SetStaticBoolenField" : prefix + t + "Field",
                         h + "in BSTR fieldname, " + (t == "Object"s ? "in BSTR fieldsig, " : "") + value});
        }
    }
    for (const std::string prefix : {"Call", "CallStatic", "CallNonvirtual"}) {
        const std::string head = h + (prefix == "CallNonvirtual" ? "in BSTR superclass, " : "") +
                                 "in BSTR methodname, in BSTR methodsig, in VARIANT paramArray";
        m.push_back({id++, prefix + "VoidMethod", head});
        for (const auto& [t, vt] : types) m.push_back({id++, prefix + t + "Method", head + ", ret " + vt + "* value"});
    }
    const std::string get = h + "in BSTR fieldname, ret BSTR* value", set = h + "in BSTR fieldname, in BSTR value",
                      call = "in BSTR methodname, in BSTR methodsig, in VARIANT paramArray, ret BSTR* value";
    m.insert(m.end(),
             {{90, "GetStaticStringField", get}, {91, "SetStaticStringField", set}, {92, "GetStringField", get},
              {93, "SetStringField", set}, {94, "CallStringMethod", h + call},
              {95, "CallStaticStringMethod", h + call},
              {96, "CallNonvirtualStringMethod", h + "in BSTR superclass, " + call},
              {97, "GetClassByName", "in BSTR bstrClassName, ret UI8* phObj"},
              {98, "NewGlobalRef", "in UI8 hObj, ret UI8* phObj"},
              {99, "GetAllTopLevelComponents", "ret SAFEARRAY(DISPATCH)* pRet"},
              {200, "MakeJComponentFromHandle", "in UI8 hObj, ret DISPATCH* pRet",
               "make java component object from handle to object. QI on the returned object for IJAwtComponent."},
              {201, "ReturnObserverObject", "",
               "should called for every GetObserverObject after the user releases the observer object itself"},
              {202, "IsDisconnectObserverComplete", "ret BOOL* pbRet",
               "call this after calling DetachObserverObject to know if the detach is completed"},
              {203, "GetComponentFromHwnd", "in UI4 hHwnd, out GetHWNDResultInfo* pInfo, ret DISPATCH* ppRet",
               "get component from window handle"}});
    return m;
}

const std::vector<Interface>& Interfaces() {
    const std::string text =
        " the value of the text component; will return false if the component is not awt.TextComponent";
    static const std::vector<Interface> interfaces = {
        {"IJObject", "{4E7B1D20-96C3-4F58-8A0E-3D6C2B9F1A75}", "IJObject Interface",
         {{1, "GetClass", "ret BSTR* bstrClsName", "returns the class of the java object"},
          {2, "GetJvmAndHandle", "out DISPATCH* ppJvm, out UI8* hObj",
           "returns the jvm and handle to the java object"}}},
        {"IJAwtComponent", "{B18F3C64-2D7A-4E05-9B3C-6A0E4F8D2C17}", "IJAwtComponent interface",
         {{1, "GetContainer", "ret DISPATCH* pObj", "returns the container of this component"},
          {2, "GetComponentClass", "ret BSTR* bstrName", "returns the component's class name"},
          {3, "GetBounds", "out _POINTL* pPos, out tagSIZE* pSize, ret BOOL* pbRet", "bounds of this component"},
          {4, "GetAttribute", "in BSTR bstrAttrName, out BSTR* pbstrVal, ret BOOL* pbRet",
           "returns attribute of a component"},
          {5, "IsTextComponent", "ret BOOL* pbRet", "Is component awt.TextComponent"},
          {6, "GetValue", "out BSTR* pbstrVal, ret BOOL* pbRet", "gets" + text},
          {7, "SetValue", "in BSTR pbstrVal, ret BOOL* pbRet", "sets" + text},
          {8, "DoClick", "", "click this component"},
          {9, "GetRelXPos", "ret I4* lRelX", "get relative x pos to its parent"},
          {10, "GetRelYPos", "ret I4* lRelY", "get relative y pos to its parent"}}},
        {"IJAwtContainer", "{2C5D8E91-4B06-47A3-8E1F-9D3A7C6B5E02}", "IJAwtContainer interface",
         {{30, "GetChildComponents", "ret SAFEARRAY(DISPATCH)* pRet", "returns the IJAwtComponent this contains"},
          {31, "FindComponentAt", "in _POINTL oPt, ret DISPATCH* ppComponent",
           "finds the component inside the container at the given point"}}},
        {"IJAwtWindow", "{7A1E6F38-0D92-4C5B-A4E7-1F8B3D0C9A56}", "IJAwtWindow interface",
         {{50, "GetOwnedWindows", "ret SAFEARRAY(DISPATCH)* pRet", "returns the owned windows"},
          {51, "GetHWND", "out GetHWNDResultInfo* pInfo, ret UI4* phHwnd",
           "returns the HWND corresponding to this java window"}}},
        {"IJAwtTextComponent", "{D4093B7E-6C21-48F9-B5A0-2E7C9F1D3B84}", "IJAwtTextComponent interface",
         {{800, "GetText", "ret BSTR* pBstrText", "returns the text this component had"}}},
        {"IMvJavaCpp", "{61F2A9C5-8E34-4D17-9B6A-0C5E3F7A2D19}", "IMvJavaCpp Interface", MvJavaCppMembers()},
        {"IJvmFinder", "{E3B85D07-1A6F-4C92-8D3E-7B4A0F2C6E51}", "IJvmFinder",
         {{80, "GetJvmFromProcess", "in UI4 ulPid, ret DISPATCH* pJvm",
           "Returns the jvm corresponding to the process"}}},
    };
    return interfaces;
}

const char kIDispatch[] = "{00020400-0000-0000-C000-000000000046}";

Rows ContractRows() {
    Rows rows;
    rows["library"] = "MvJavaJniComRotLib {9A6C4E12-3F08-4D71-B2E5-0C8F1A7D6E93} 1.0 lcid 0x409 "s +
                      Env("MV_CONTRACT_PLATFORM", sizeof(void*) == 8 ? "win64" : "win32") + " \"MvJavaJniComRot 1.0 Type Library\"";
    const struct { const char *name, *clsid, *help, *iface, *iid; } classes[] = {
        {"MvJavaCpp", "{3B9E2C41-7A15-4F0D-9C62-1E8A5D7F0B34}", "MvJavaCpp Class", "IMvJavaCpp",
         "{61F2A9C5-8E34-4D17-9B6A-0C5E3F7A2D19}"},
        {"CJvmFinder", "{5D21A8F3-0C47-4B9E-A1D6-72F3E9B8C015}", "Jvm finder class", "IJvmFinder",
         "{E3B85D07-1A6F-4C92-8D3E-7B4A0F2C6E51}"}};
    for (const auto& c : classes)
        rows[c.name] = "coclass "s + c.clsid + " \"" + c.help + "\" " + Hex(TYPEFLAG_FCANCREATE) + " | " + c.iface + " " + c.iid + " default";
    for (const Interface& i : Interfaces()) {
        // The dispatch half of a dual interface does not carry the oleautomation flag.
        const WORD flags = TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE | (i.name == "IMvJavaCpp"s ? TYPEFLAG_FNONEXTENSIBLE : 0);
        rows[i.name] = "dual "s + i.name + " " + i.iid + " \"" + i.help + "\" " + Hex(flags | TYPEFLAG_FOLEAUTOMATION) +
                       " | dispatch " + i.iid + " \"" + i.help + "\" " + Hex(flags) + " | IDispatch " + kIDispatch +
                       " | slots " + std::to_string(7 + i.members.size());
        for (size_t k = 0; k < i.members.size(); ++k) {
            const Member& m = i.members[k];
            const std::string id = std::to_string(m.dispid);
            rows[i.name + "."s + m.name] = "slot " + std::to_string(7 + k) + " dispid " + id + " byname " + id +
                                           " HRESULT (" + m.params + ") \"" +
                                           (m.help.empty() ? "method " + m.name : m.help) + "\"";
        }
    }
    rows["JavaTypes"] = "enum Boolean=0 Byte=1 Char=2 Short=3 Int=4 Long=5 Float=6 Double=7";
    rows["GetHWNDResultInfo"] = "enum ResultOK=0 NotATopLevelWindow=1 CannotMatch=3 NoMatch=4 ResultAmbiguous=5";
    rows["_POINTL"] = "record size 8 x:I4@0 y:I4@4";
    rows["tagSIZE"] = "record size 8 cx:I4@0 cy:I4@4";
    return rows;
}

TYPEATTR AttrOf(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) throw std::runtime_error("GetTypeAttr failed");
    const TYPEATTR copy = *attr;
    info->ReleaseTypeAttr(attr);
    return copy;
}

std::string Doc(ITypeInfo* info, MEMBERID id, bool help = false) {
    mv::unique_bstr name, text;
    info->GetDocumentation(id, name.put(), text.put(), nullptr, nullptr);
    return help ? "\"" + Narrow(text.view()) + "\"" : Narrow(name.view());
}

std::string TypeText(ITypeInfo* context, const TYPEDESC& type) {
    static const std::map<VARTYPE, std::string> names = {
        {VT_I2, "I2"}, {VT_I4, "I4"}, {VT_R4, "R4"}, {VT_R8, "R8"}, {VT_BSTR, "BSTR"}, {VT_BOOL, "BOOL"},
        {VT_UI1, "UI1"}, {VT_UI2, "UI2"}, {VT_UI4, "UI4"}, {VT_I8, "I8"}, {VT_UI8, "UI8"}, {VT_DISPATCH, "DISPATCH"},
        {VT_VARIANT, "VARIANT"}, {VT_HRESULT, "HRESULT"}};  // others read as VT#<number>
    if (type.vt == VT_PTR) return TypeText(context, *type.lptdesc) + "*";
    if (type.vt == VT_SAFEARRAY) return "SAFEARRAY(" + TypeText(context, *type.lptdesc) + ")";
    com_ptr<ITypeInfo> referenced;
    if (type.vt == VT_USERDEFINED && SUCCEEDED(context->GetRefTypeInfo(type.hreftype, referenced.put())))
        return Doc(referenced.get(), MEMBERID_NIL);
    const auto found = names.find(type.vt);
    return found != names.end() ? found->second : "VT#" + std::to_string(type.vt);
}

// " | <name> <guid>[ default]" for every interface the type implements or derives from.
std::string Implemented(ITypeInfo* info, int count) {
    std::string text;
    for (UINT i = 0; i < static_cast<UINT>(count); ++i) {
        HREFTYPE ref = 0;
        com_ptr<ITypeInfo> base;
        INT flags = 0;
        info->GetRefTypeOfImplType(i, &ref);
        info->GetImplTypeFlags(i, &flags);
        if (FAILED(info->GetRefTypeInfo(ref, base.put()))) return text + " | unreadable";
        text += " | " + Doc(base.get(), MEMBERID_NIL) + " " + GuidText(AttrOf(base.get()).guid) +
                (flags == IMPLTYPEFLAG_FDEFAULT ? " default" : flags ? " flags " + Hex(flags) : "");
    }
    return text;
}

void ReadMembers(const std::string& iface, ITypeInfo* dispatch, ITypeInfo* vtable, int count, Rows& rows) {
    for (UINT index = 0; index < static_cast<UINT>(count); ++index) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(index, &f), S_OK) << iface << " function " << index;
        BSTR raw[16] = {};
        UINT named = 0;
        vtable->GetNames(f->memid, raw, 16, &named);
        std::vector<mv::unique_bstr> names;
        for (UINT n = 0; n < named; ++n) names.emplace_back(raw[n]);
        std::wstring name(named ? names[0].view() : L"?");
        LPOLESTR lookup = name.data();
        MEMBERID byName = MEMBERID_NIL;
        const HRESULT found = dispatch->GetIDsOfNames(&lookup, 1, &byName);
        std::string params;
        for (SHORT p = 0; p < f->cParams; ++p) {
            const USHORT in = f->lprgelemdescParam[p].paramdesc.wParamFlags;
            params += (p ? ", " : "") + (in == PARAMFLAG_FIN ? "in"s : in == PARAMFLAG_FOUT ? "out"s
                                         : in == (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL) ? "ret"s : "flags " + Hex(in)) + " " +
                      TypeText(vtable, f->lprgelemdescParam[p].tdesc) + " " +
                      (static_cast<UINT>(p) + 1 < named ? Narrow(names[static_cast<size_t>(p) + 1].view()) : "?");
        }
        const bool plain = f->invkind == INVOKE_FUNC && f->funckind == FUNC_PUREVIRTUAL &&
                           f->callconv == CC_STDCALL && f->wFuncFlags == 0 && f->cParamsOpt == 0;
        // Offsets count pointers of the reading process, whatever the library's platform.
        rows[iface + "." + Narrow(name)] =
            "slot " + std::to_string(f->oVft / static_cast<int>(sizeof(void*))) + " dispid " +
            std::to_string(f->memid) + " byname " +
            (SUCCEEDED(found) ? std::to_string(byName) : Hex(static_cast<unsigned long>(found))) +
            (plain ? " " : " kind " + Hex(f->invkind) + "/" + Hex(f->funckind) + "/" + Hex(f->callconv) + "/" +
                               Hex(f->wFuncFlags) + "/" + std::to_string(f->cParamsOpt) + " ") +
            TypeText(vtable, f->elemdescFunc.tdesc) + " (" + params + ") " + Doc(vtable, f->memid, true);
        vtable->ReleaseFuncDesc(f);
    }
}

Rows ReadLibrary(ITypeLib* library) {
    Rows rows;
    TLIBATTR* lib = nullptr;
    EXPECT_EQ(library->GetLibAttr(&lib), S_OK);
    if (!lib) return rows;
    const int pointer = lib->syskind == SYS_WIN64 ? 8 : 4;
    mv::unique_bstr name, help;
    library->GetDocumentation(MEMBERID_NIL, name.put(), help.put(), nullptr, nullptr);
    rows["library"] = Narrow(name.view()) + " " + GuidText(lib->guid) + " " + std::to_string(lib->wMajorVerNum) +
                      "." + std::to_string(lib->wMinorVerNum) + " lcid " + Hex(lib->lcid) + " " +
                      (lib->syskind == SYS_WIN64 ? "win64" : lib->syskind == SYS_WIN32 ? "win32" : "other") + " \"" +
                      Narrow(help.view()) + "\"";
    library->ReleaseTLibAttr(lib);
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        com_ptr<ITypeInfo> info;
        EXPECT_EQ(library->GetTypeInfo(index, info.put()), S_OK);
        const TYPEATTR a = AttrOf(info.get());
        const std::string type = Doc(info.get(), MEMBERID_NIL), typeHelp = Doc(info.get(), MEMBERID_NIL, true);
        std::string& row = rows[type];
        HREFTYPE ref = 0;
        com_ptr<ITypeInfo> vtable;
        if (a.typekind == TKIND_COCLASS) {
            row = "coclass " + GuidText(a.guid) + " " + typeHelp + " " + Hex(a.wTypeFlags) +
                  Implemented(info.get(), a.cImplTypes);
        } else if (a.typekind == TKIND_ENUM || a.typekind == TKIND_RECORD) {
            row = a.typekind == TKIND_ENUM ? "enum" : "record size " + std::to_string(a.cbSizeInstance);
            for (UINT var = 0; var < a.cVars; ++var) {
                VARDESC* d = nullptr;
                if (FAILED(info->GetVarDesc(var, &d))) continue;
                VARIANT value;
                ::VariantInit(&value);
                row += " " + Doc(info.get(), d->memid) +
                       (d->varkind == VAR_CONST && SUCCEEDED(::VariantChangeType(&value, d->lpvarValue, 0, VT_I4))
                            ? "=" + std::to_string(V_I4(&value))
                        : d->varkind == VAR_PERINSTANCE
                            ? ":" + TypeText(info.get(), d->elemdescVar.tdesc) + "@" + std::to_string(d->oInst)
                            : " kind " + std::to_string(d->varkind));
                info->ReleaseVarDesc(d);
            }
        } else if (a.typekind == TKIND_DISPATCH &&  // a dual interface: its vtable half
                   SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
                   SUCCEEDED(info->GetRefTypeInfo(ref, vtable.put()))) {
            const TYPEATTR v = AttrOf(vtable.get());
            row = "dual " + Doc(vtable.get(), MEMBERID_NIL) + " " + GuidText(v.guid) + " " +
                  Doc(vtable.get(), MEMBERID_NIL, true) + " " + Hex(v.wTypeFlags) + " | dispatch " +
                  GuidText(a.guid) + " " + typeHelp + " " + Hex(a.wTypeFlags) +
                  Implemented(vtable.get(), v.cImplTypes) + " | slots " + std::to_string(v.cbSizeVft / pointer);
            ReadMembers(type, info.get(), vtable.get(), v.cFuncs, rows);
        } else {
            row = "type kind " + std::to_string(a.typekind);
        }
    }
    return rows;
}

TEST(TypeLibraryContract, MatchesEveryRow) {
    const std::string module = Env("MV_CONTRACT_MODULE", MV_MODULE_PATH);
    const std::wstring resource = mv::test::WindowsPathOfUnixPath(module) + L"\\1";  // TYPELIB 1
    com_ptr<ITypeLib> library;
    ASSERT_EQ(::LoadTypeLibEx(resource.c_str(), REGKIND_NONE, library.put()), S_OK) << module;
    const Rows expected = ContractRows(), actual = ReadLibrary(library.get());
    Rows all = expected;
    all.insert(actual.begin(), actual.end());
    for (const auto& [row, text] : all) {
        const auto found = actual.find(row), wanted = expected.find(row);
        EXPECT_EQ(found == actual.end() ? "(missing)" : found->second,
                  wanted == expected.end() ? "(not in the contract)" : wanted->second)
            << "row " << row;
    }
}

// "FileVersion" and "ProductVersion" of the US-English Unicode block, and the numeric file version.
std::string VersionsOf(const std::wstring& file) {
    DWORD ignored = 0;
    std::vector<BYTE> data(::GetFileVersionInfoSizeW(file.c_str(), &ignored));
    if (data.empty() || !::GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
        return "no version resource";
    std::string text;
    for (const wchar_t* key : {L"\\StringFileInfo\\040904B0\\FileVersion", L"\\StringFileInfo\\040904B0\\ProductVersion"}) {
        wchar_t* value = nullptr;
        UINT length = 0;
        if (::VerQueryValueW(data.data(), key, reinterpret_cast<void**>(&value), &length) && value)
            text += std::string(value, value + std::wcslen(value)) + " ";
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) && fixed)
        text += std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
                "." + std::to_string(HIWORD(fixed->dwFileVersionLS));
    return text;
}

TEST(VersionResource, EveryShippedFileCarriesTheProjectVersion) {
    const std::string expected = std::string(MV_VERSION) + " " + MV_VERSION + " " + MV_VERSION;
    for (const char* file : {MV_MODULE_PATH, MV_MVJAVA_PATH, MV_JAVA_HOST_PATH, MV_JNIPROXY_PATH, MV_SIBLING_PATH})
        EXPECT_EQ(VersionsOf(mv::test::WindowsPathOfUnixPath(file)), expected) << file;
}

}  // namespace
