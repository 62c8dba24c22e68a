#pragma once
// Reads what a loaded type library says into plain values, with types written as the interface
// description spells them, so that the contract test can compare them with its tables and print
// exactly what differs. Failing type-library calls throw std::runtime_error naming the call.

#include <oaidl.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/com/com_ptr.h"

namespace contract {

std::string Narrow(std::wstring_view text);
std::string GuidText(REFGUID guid);
GUID GuidFromText(const std::string& text);  // "{...}"; throws when it is not a GUID

// "long", "BSTR*", "SAFEARRAY(IDispatch*)*", a record or enumeration by its name; any other
// referenced type is its name followed by its kind in parentheses.
std::string TypeText(ITypeInfo* context, const TYPEDESC& type);
// "[in]", "[out, retval]", ...; "[]" when no flag is set.
std::string DirectionText(USHORT paramFlags);
// "dual, nonextensible, oleautomation, dispatchable", in bit order.
std::string TypeFlagsText(WORD typeFlags);
std::string TypeKindText(TYPEKIND kind);

struct TypeSummary {
    std::string name;
    std::string guid;
    std::string help;
    TYPEKIND kind;
    WORD flags;
    int functionCount;
    int variableCount;
    int implementedCount;
    int vtableBytes;
    int instanceBytes;
};

struct ParamInfo {
    std::string direction;
    std::string type;
    std::string name;
};

struct MethodInfo {
    std::string name;
    MEMBERID dispid;
    int slot;  // vtable offset in slots, or -1 when the offset is not a whole slot
    INVOKEKIND invokeKind;
    FUNCKIND funcKind;
    CALLCONV callConv;
    WORD funcFlags;
    int optionalParams;
    std::string returnType;
    std::vector<ParamInfo> params;  // names from ITypeInfo::GetNames
    std::string help;
};

struct VariableInfo {
    std::string name;
    std::string type;
    VARKIND kind;
    long value;   // for constants (enumeration members)
    long offset;  // for fields of records
};

struct ImplementedType {
    std::string name;
    std::string guid;
    int implFlags;
};

TypeSummary ReadSummary(ITypeInfo* info);
// Function descriptions give vtable offsets in pointers of the reading process, whatever the
// library's platform, so slots are counted in this program's pointer size.
std::vector<MethodInfo> ReadMethods(ITypeInfo* info);
std::vector<VariableInfo> ReadVariables(ITypeInfo* info);
std::vector<ImplementedType> ReadImplementedTypes(ITypeInfo* info);

// The vtable (TKIND_INTERFACE) half of a dual interface's dispatch type information.
mv::com_ptr<ITypeInfo> VtableInterfaceOf(ITypeInfo* dualDispatch);
// The library's type information with this name, or null.
mv::com_ptr<ITypeInfo> FindTypeByName(ITypeLib* library, const std::string& name);

}  // namespace contract
