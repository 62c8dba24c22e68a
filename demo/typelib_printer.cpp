#include "typelib_printer.h"

#include <string>

#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "demo_text.h"

namespace mvdemo {
namespace {

std::string GuidText(const GUID& g) {
    wchar_t buf[64] = {};
    ::StringFromGUID2(g, buf, 64);
    return Narrow(buf);
}

std::string TypeText(ITypeInfo* info, const TYPEDESC& t) {
    switch (t.vt) {
    case VT_PTR: return TypeText(info, *t.lptdesc) + "*";
    case VT_SAFEARRAY: return "SAFEARRAY(" + TypeText(info, *t.lptdesc) + ")";
    case VT_USERDEFINED: {
        mv::com_ptr<ITypeInfo> ref;
        mv::unique_bstr name;
        if (SUCCEEDED(info->GetRefTypeInfo(t.hreftype, ref.put())) &&
            SUCCEEDED(ref->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr)))
            return Narrow(name.view());
        return "?";
    }
    case VT_HRESULT: return "HRESULT";
    case VT_BSTR: return "BSTR";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_VARIANT: return "VARIANT";
    case VT_DISPATCH: return "IDispatch*";
    case VT_UNKNOWN: return "IUnknown*";
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_UI1: return "unsigned char";
    case VT_UI2: return "unsigned short";
    case VT_UI4: return "unsigned long";
    case VT_I8: return "__int64";
    case VT_UI8: return "unsigned __int64";
    case VT_R4: return "float";
    case VT_R8: return "double";
    case VT_VOID: return "void";
    default: return "vt" + std::to_string(t.vt);
    }
}

std::string ParamFlags(USHORT flags) {
    std::string s;
    auto add = [&](const char* f) { s += s.empty() ? f : std::string(", ") + f; };
    if (flags & PARAMFLAG_FIN) add("in");
    if (flags & PARAMFLAG_FOUT) add("out");
    if (flags & PARAMFLAG_FRETVAL) add("retval");
    return "[" + s + "]";
}

void PrintFunction(ITypeInfo* info, UINT index, std::FILE* out) {
    FUNCDESC* f = nullptr;
    if (FAILED(info->GetFuncDesc(index, &f))) return;
    BSTR names[32] = {};
    UINT count = 0;
    info->GetNames(f->memid, names, 32, &count);
    std::string line = "    [id " + std::to_string(f->memid) + ", slot " +
                       std::to_string(f->oVft / static_cast<short>(sizeof(void*))) + "] " +
                       (names[0] ? Narrow(names[0]) : "?") + "(";
    for (SHORT p = 0; p < f->cParams; ++p) {
        const ELEMDESC& e = f->lprgelemdescParam[p];
        if (p) line += ", ";
        line += ParamFlags(e.paramdesc.wParamFlags) + " " + TypeText(info, e.tdesc) + " " +
                (static_cast<UINT>(p + 1) < count && names[p + 1] ? Narrow(names[p + 1]) : "?");
    }
    line += ")";
    std::fprintf(out, "%s\n", line.c_str());
    for (UINT i = 0; i < count; ++i) ::SysFreeString(names[i]);
    info->ReleaseFuncDesc(f);
}

void PrintType(ITypeLib* lib, UINT index, unsigned maxMethods, std::FILE* out) {
    mv::com_ptr<ITypeInfo> info;
    if (FAILED(lib->GetTypeInfo(index, info.put()))) return;
    mv::unique_bstr name, help;
    info->GetDocumentation(MEMBERID_NIL, name.put(), help.put(), nullptr, nullptr);
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return;
    const std::string title = Narrow(name.view());
    switch (attr->typekind) {
    case TKIND_INTERFACE:
    case TKIND_DISPATCH: {
        // For a dual interface, list the vtable side, which carries the slots.
        mv::com_ptr<ITypeInfo> vtable = info;
        HREFTYPE ref = 0;
        if (attr->typekind == TKIND_DISPATCH && SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref))) {
            mv::com_ptr<ITypeInfo> other;
            if (SUCCEEDED(info->GetRefTypeInfo(ref, other.put()))) vtable = other;
        }
        TYPEATTR* va = nullptr;
        vtable->GetTypeAttr(&va);
        std::fprintf(out, "  interface %s %s, %u methods of its own: \"%s\"\n", title.c_str(),
                     GuidText(attr->guid).c_str(), va ? va->cFuncs : 0, Narrow(help.view()).c_str());
        const UINT n = va ? va->cFuncs : 0;
        for (UINT i = 0; i < n; ++i) {
            if (n > maxMethods && i == maxMethods / 2) {
                std::fprintf(out, "    ... %u more ...\n", n - maxMethods);
                i = n - maxMethods / 2 - 1;
                continue;
            }
            PrintFunction(vtable.get(), i, out);
        }
        if (va) vtable->ReleaseTypeAttr(va);
        break;
    }
    case TKIND_COCLASS: {
        std::fprintf(out, "  coclass %s %s: \"%s\"\n", title.c_str(), GuidText(attr->guid).c_str(),
                     Narrow(help.view()).c_str());
        break;
    }
    case TKIND_ENUM: {
        std::string values;
        for (UINT i = 0; i < attr->cVars; ++i) {
            VARDESC* v = nullptr;
            if (FAILED(info->GetVarDesc(i, &v))) continue;
            mv::unique_bstr vn;
            info->GetDocumentation(v->memid, vn.put(), nullptr, nullptr, nullptr);
            values += (i ? ", " : "") + Narrow(vn.view()) + " = " +
                      std::to_string(v->lpvarValue ? V_I4(v->lpvarValue) : 0);
            info->ReleaseVarDesc(v);
        }
        std::fprintf(out, "  enum %s { %s }\n", title.c_str(), values.c_str());
        break;
    }
    case TKIND_RECORD: {
        std::string fields;
        for (UINT i = 0; i < attr->cVars; ++i) {
            VARDESC* v = nullptr;
            if (FAILED(info->GetVarDesc(i, &v))) continue;
            mv::unique_bstr vn;
            info->GetDocumentation(v->memid, vn.put(), nullptr, nullptr, nullptr);
            fields += TypeText(info.get(), v->elemdescVar.tdesc) + " " + Narrow(vn.view()) + "; ";
            info->ReleaseVarDesc(v);
        }
        std::fprintf(out, "  struct %s { %s}\n", title.c_str(), fields.c_str());
        break;
    }
    default:
        std::fprintf(out, "  %s (kind %d)\n", title.c_str(), attr->typekind);
    }
    info->ReleaseTypeAttr(attr);
}

}  // namespace

unsigned PrintTypeLibrary(ITypeLib* lib, unsigned maxMethods, std::FILE* out) {
    mv::unique_bstr name, help;
    lib->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr);
    TLIBATTR* la = nullptr;
    if (SUCCEEDED(lib->GetLibAttr(&la))) {
        std::fprintf(out, "library %s %s version %u.%u lcid 0x%lx: \"%s\"\n", Narrow(name.view()).c_str(),
                     GuidText(la->guid).c_str(), la->wMajorVerNum, la->wMinorVerNum,
                     static_cast<unsigned long>(la->lcid), Narrow(help.view()).c_str());
        lib->ReleaseTLibAttr(la);
    }
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) PrintType(lib, i, maxMethods, out);
    return count;
}

}  // namespace mvdemo
