#include "type_library_reader.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "common/com/bstr.h"

namespace contract {
namespace {

void Check(HRESULT hr, const std::string& what) {
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        throw std::runtime_error(what + " failed: " + code);
    }
}

// Type information hands out TYPEATTR, FUNCDESC and VARDESC blocks that must go back to it.
void Give(ITypeInfo* info, TYPEATTR* attr) { info->ReleaseTypeAttr(attr); }
void Give(ITypeInfo* info, FUNCDESC* desc) { info->ReleaseFuncDesc(desc); }
void Give(ITypeInfo* info, VARDESC* desc) { info->ReleaseVarDesc(desc); }

template <typename T>
class typeinfo_block {
public:
    explicit typeinfo_block(ITypeInfo* info) noexcept : m_info(info) {}
    ~typeinfo_block() {
        if (m_block) Give(m_info, m_block);
    }
    typeinfo_block(const typeinfo_block&) = delete;
    typeinfo_block& operator=(const typeinfo_block&) = delete;

    T** put() noexcept { return &m_block; }
    const T* operator->() const noexcept { return m_block; }

private:
    ITypeInfo* m_info;
    T* m_block = nullptr;
};

struct Documentation {
    std::string name;
    std::string help;
};

Documentation Document(ITypeInfo* info, MEMBERID id) {
    mv::unique_bstr name, help;
    Check(info->GetDocumentation(id, name.put(), help.put(), nullptr, nullptr), "GetDocumentation");
    return {Narrow(name.view()), Narrow(help.view())};
}

std::string BasicTypeText(VARTYPE vt) {
    // Every VARTYPE gets its own text, so that no change of type can go unnoticed.
    static const std::pair<VARTYPE, const char*> names[] = {
        {VT_EMPTY, "VT_EMPTY"},
        {VT_NULL, "VT_NULL"},
        {VT_I1, "signed char"},
        {VT_UI1, "unsigned char"},
        {VT_I2, "short"},
        {VT_UI2, "unsigned short"},
        {VT_I4, "long"},
        {VT_UI4, "unsigned long"},
        {VT_INT, "int"},
        {VT_UINT, "unsigned int"},
        {VT_I8, "__int64"},
        {VT_UI8, "unsigned __int64"},
        {VT_R4, "float"},
        {VT_R8, "double"},
        {VT_CY, "CURRENCY"},
        {VT_DATE, "DATE"},
        {VT_BSTR, "BSTR"},
        {VT_DISPATCH, "IDispatch*"},
        {VT_ERROR, "SCODE"},
        {VT_BOOL, "VARIANT_BOOL"},
        {VT_VARIANT, "VARIANT"},
        {VT_UNKNOWN, "IUnknown*"},
        {VT_DECIMAL, "DECIMAL"},
        {VT_VOID, "void"},
        {VT_HRESULT, "HRESULT"},
        {VT_LPSTR, "LPSTR"},
        {VT_LPWSTR, "LPWSTR"},
    };
    for (const auto& [type, name] : names) {
        if (type == vt) return name;
    }
    return "VT#" + std::to_string(vt);
}

}  // namespace

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                           0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

std::string GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return Narrow(text);
}

GUID GuidFromText(const std::string& text) {
    const std::wstring wide(text.begin(), text.end());
    GUID guid{};
    Check(::CLSIDFromString(wide.c_str(), &guid), "CLSIDFromString(" + text + ")");
    return guid;
}

std::string TypeText(ITypeInfo* context, const TYPEDESC& type) {
    switch (type.vt) {
    case VT_PTR:
        return TypeText(context, *type.lptdesc) + "*";
    case VT_SAFEARRAY:
        return "SAFEARRAY(" + TypeText(context, *type.lptdesc) + ")";
    case VT_USERDEFINED: {
        mv::com_ptr<ITypeInfo> referenced;
        Check(context->GetRefTypeInfo(type.hreftype, referenced.put()), "GetRefTypeInfo");
        const TypeSummary summary = ReadSummary(referenced.get());
        if (summary.kind == TKIND_RECORD || summary.kind == TKIND_ENUM) return summary.name;
        return summary.name + " (" + TypeKindText(summary.kind) + ")";
    }
    default:
        return BasicTypeText(type.vt);
    }
}

std::string DirectionText(USHORT paramFlags) {
    static const std::pair<USHORT, const char*> names[] = {
        {PARAMFLAG_FIN, "in"},         {PARAMFLAG_FOUT, "out"},
        {PARAMFLAG_FLCID, "lcid"},     {PARAMFLAG_FRETVAL, "retval"},
        {PARAMFLAG_FOPT, "optional"},  {PARAMFLAG_FHASDEFAULT, "defaultvalue"},
        {PARAMFLAG_FHASCUSTDATA, "custom"},
    };
    std::string text;
    USHORT known = 0;
    for (const auto& [flag, name] : names) {
        known |= flag;
        if (paramFlags & flag) text += (text.empty() ? "" : ", ") + std::string(name);
    }
    if (const USHORT unknown = paramFlags & ~known) {
        text += (text.empty() ? "" : ", ") + std::string("flag#") + std::to_string(unknown);
    }
    return "[" + text + "]";
}

std::string TypeFlagsText(WORD typeFlags) {
    static const std::pair<WORD, const char*> names[] = {
        {TYPEFLAG_FAPPOBJECT, "appobject"},
        {TYPEFLAG_FCANCREATE, "cancreate"},
        {TYPEFLAG_FLICENSED, "licensed"},
        {TYPEFLAG_FPREDECLID, "predeclid"},
        {TYPEFLAG_FHIDDEN, "hidden"},
        {TYPEFLAG_FCONTROL, "control"},
        {TYPEFLAG_FDUAL, "dual"},
        {TYPEFLAG_FNONEXTENSIBLE, "nonextensible"},
        {TYPEFLAG_FOLEAUTOMATION, "oleautomation"},
        {TYPEFLAG_FRESTRICTED, "restricted"},
        {TYPEFLAG_FAGGREGATABLE, "aggregatable"},
        {TYPEFLAG_FREPLACEABLE, "replaceable"},
        {TYPEFLAG_FDISPATCHABLE, "dispatchable"},
        {TYPEFLAG_FREVERSEBIND, "reversebind"},
        {TYPEFLAG_FPROXY, "proxy"},
    };
    std::string text;
    for (const auto& [flag, name] : names) {
        if (typeFlags & flag) text += (text.empty() ? "" : ", ") + std::string(name);
    }
    return text.empty() ? "(none)" : text;
}

std::string TypeKindText(TYPEKIND kind) {
    switch (kind) {
    case TKIND_ENUM: return "enum";
    case TKIND_RECORD: return "record";
    case TKIND_MODULE: return "module";
    case TKIND_INTERFACE: return "interface";
    case TKIND_DISPATCH: return "dispatch";
    case TKIND_COCLASS: return "coclass";
    case TKIND_ALIAS: return "alias";
    case TKIND_UNION: return "union";
    default: return "TKIND#" + std::to_string(kind);
    }
}

TypeSummary ReadSummary(ITypeInfo* info) {
    typeinfo_block<TYPEATTR> attr(info);
    Check(info->GetTypeAttr(attr.put()), "GetTypeAttr");
    const Documentation doc = Document(info, MEMBERID_NIL);
    return {doc.name,         GuidText(attr->guid), doc.help,    attr->typekind,
            attr->wTypeFlags, attr->cFuncs,         attr->cVars, attr->cImplTypes,
            attr->cbSizeVft,  static_cast<int>(attr->cbSizeInstance)};
}

std::vector<MethodInfo> ReadMethods(ITypeInfo* info) {
    constexpr int pointerSize = static_cast<int>(sizeof(void*));
    const TypeSummary summary = ReadSummary(info);
    std::vector<MethodInfo> methods;
    for (UINT index = 0; index < static_cast<UINT>(summary.functionCount); ++index) {
        typeinfo_block<FUNCDESC> func(info);
        Check(info->GetFuncDesc(index, func.put()), "GetFuncDesc(" + std::to_string(index) + ")");

        MethodInfo method{};
        method.dispid = func->memid;
        method.slot = func->oVft % pointerSize == 0 ? func->oVft / pointerSize : -1;
        method.invokeKind = func->invkind;
        method.funcKind = func->funckind;
        method.callConv = func->callconv;
        method.funcFlags = func->wFuncFlags;
        method.optionalParams = func->cParamsOpt;
        method.returnType = TypeText(info, func->elemdescFunc.tdesc);
        const Documentation doc = Document(info, func->memid);
        method.help = doc.help;

        // GetNames answers the method's name followed by its parameters' names.
        std::vector<BSTR> raw(static_cast<size_t>(func->cParams) + 1, nullptr);
        UINT count = 0;
        const HRESULT names = info->GetNames(func->memid, raw.data(), static_cast<UINT>(raw.size()), &count);
        std::vector<mv::unique_bstr> owned;
        for (UINT i = 0; i < count; ++i) owned.emplace_back(raw[i]);
        Check(names, "GetNames(" + doc.name + ")");
        method.name = count > 0 ? Narrow(owned[0].view()) : std::string();

        for (SHORT p = 0; p < func->cParams; ++p) {
            const ELEMDESC& param = func->lprgelemdescParam[p];
            const UINT nameIndex = static_cast<UINT>(p) + 1;
            method.params.push_back({DirectionText(param.paramdesc.wParamFlags),
                                     TypeText(info, param.tdesc),
                                     nameIndex < count ? Narrow(owned[nameIndex].view()) : std::string()});
        }
        methods.push_back(std::move(method));
    }
    return methods;
}

std::vector<VariableInfo> ReadVariables(ITypeInfo* info) {
    const TypeSummary summary = ReadSummary(info);
    std::vector<VariableInfo> variables;
    for (UINT index = 0; index < static_cast<UINT>(summary.variableCount); ++index) {
        typeinfo_block<VARDESC> var(info);
        Check(info->GetVarDesc(index, var.put()), "GetVarDesc(" + std::to_string(index) + ")");

        VariableInfo variable{};
        variable.name = Document(info, var->memid).name;
        variable.type = TypeText(info, var->elemdescVar.tdesc);
        variable.kind = var->varkind;
        if (var->varkind == VAR_CONST) {
            VARIANT value;
            ::VariantInit(&value);
            Check(::VariantChangeType(&value, var->lpvarValue, 0, VT_I4), "VariantChangeType");
            variable.value = V_I4(&value);
        } else {
            variable.offset = static_cast<long>(var->oInst);
        }
        variables.push_back(std::move(variable));
    }
    return variables;
}

std::vector<ImplementedType> ReadImplementedTypes(ITypeInfo* info) {
    const TypeSummary summary = ReadSummary(info);
    std::vector<ImplementedType> implemented;
    for (UINT index = 0; index < static_cast<UINT>(summary.implementedCount); ++index) {
        HREFTYPE ref = 0;
        Check(info->GetRefTypeOfImplType(index, &ref), "GetRefTypeOfImplType");
        mv::com_ptr<ITypeInfo> referenced;
        Check(info->GetRefTypeInfo(ref, referenced.put()), "GetRefTypeInfo");
        INT flags = 0;
        Check(info->GetImplTypeFlags(index, &flags), "GetImplTypeFlags");
        const TypeSummary base = ReadSummary(referenced.get());
        implemented.push_back({base.name, base.guid, flags});
    }
    return implemented;
}

mv::com_ptr<ITypeInfo> VtableInterfaceOf(ITypeInfo* dualDispatch) {
    HREFTYPE ref = 0;
    Check(dualDispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), "GetRefTypeOfImplType(-1)");
    mv::com_ptr<ITypeInfo> vtable;
    Check(dualDispatch->GetRefTypeInfo(ref, vtable.put()), "GetRefTypeInfo");
    return vtable;
}

mv::com_ptr<ITypeInfo> FindTypeByName(ITypeLib* library, const std::string& name) {
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        mv::com_ptr<ITypeInfo> info;
        Check(library->GetTypeInfo(index, info.put()), "GetTypeInfo");
        if (Document(info.get(), MEMBERID_NIL).name == name) return info;
    }
    return nullptr;
}

}  // namespace contract
