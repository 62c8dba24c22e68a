// The contract tables. Interfaces list their members in slot order with DISPID, parameters and
// help string; the T families of IMvJavaCpp are generated from the per-type table below.

#include "contract_table.h"

#include <stdexcept>

namespace contract {
namespace {

const std::string handle = "unsigned __int64";  // a Java object handle (VT_UI8)
constexpr WORD kDualAutomation = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;

Param In(std::string type, std::string name) { return {"[in]", std::move(type), std::move(name)}; }
Param Out(std::string type, std::string name) { return {"[out]", std::move(type), std::move(name)}; }
Param Retval(std::string type, std::string name) {
    return {"[out, retval]", std::move(type), std::move(name)};
}

// ---- IJObject, IJAwtComponent, IJAwtContainer, IJAwtWindow, IJAwtTextComponent, IJvmFinder ----

Interface IJObject() {
    return {"IJObject", "{4E7B1D20-96C3-4F58-8A0E-3D6C2B9F1A75}", kDualAutomation, "IJObject Interface",
            {
                {7, 1, "GetClass", {Retval("BSTR*", "bstrClsName")},
                 "returns the class of the java object"},
                {8, 2, "GetJvmAndHandle", {Out("IDispatch**", "ppJvm"), Out(handle + "*", "hObj")},
                 "returns the jvm and handle to the java object"},
            }};
}

Interface IJAwtComponent() {
    return {"IJAwtComponent", "{B18F3C64-2D7A-4E05-9B3C-6A0E4F8D2C17}", kDualAutomation,
            "IJAwtComponent interface",
            {
                {7, 1, "GetContainer", {Retval("IDispatch**", "pObj")},
                 "returns the container of this component"},
                {8, 2, "GetComponentClass", {Retval("BSTR*", "bstrName")},
                 "returns the component's class name"},
                {9, 3, "GetBounds",
                 {Out("_POINTL*", "pPos"), Out("tagSIZE*", "pSize"), Retval("VARIANT_BOOL*", "pbRet")},
                 "bounds of this component"},
                {10, 4, "GetAttribute",
                 {In("BSTR", "bstrAttrName"), Out("BSTR*", "pbstrVal"), Retval("VARIANT_BOOL*", "pbRet")},
                 "returns attribute of a component"},
                {11, 5, "IsTextComponent", {Retval("VARIANT_BOOL*", "pbRet")},
                 "Is component awt.TextComponent"},
                {12, 6, "GetValue", {Out("BSTR*", "pbstrVal"), Retval("VARIANT_BOOL*", "pbRet")},
                 "gets the value of the text component; will return false if the component is not "
                 "awt.TextComponent"},
                {13, 7, "SetValue", {In("BSTR", "pbstrVal"), Retval("VARIANT_BOOL*", "pbRet")},
                 "sets the value of the text component; will return false if the component is not "
                 "awt.TextComponent"},
                {14, 8, "DoClick", {}, "click this component"},
                {15, 9, "GetRelXPos", {Retval("long*", "lRelX")}, "get relative x pos to its parent"},
                {16, 10, "GetRelYPos", {Retval("long*", "lRelY")}, "get relative y pos to its parent"},
            }};
}

Interface IJAwtContainer() {
    return {"IJAwtContainer", "{2C5D8E91-4B06-47A3-8E1F-9D3A7C6B5E02}", kDualAutomation,
            "IJAwtContainer interface",
            {
                {7, 30, "GetChildComponents", {Retval("SAFEARRAY(IDispatch*)*", "pRet")},
                 "returns the IJAwtComponent this contains"},
                {8, 31, "FindComponentAt", {In("_POINTL", "oPt"), Retval("IDispatch**", "ppComponent")},
                 "finds the component inside the container at the given point"},
            }};
}

Interface IJAwtWindow() {
    return {"IJAwtWindow", "{7A1E6F38-0D92-4C5B-A4E7-1F8B3D0C9A56}", kDualAutomation,
            "IJAwtWindow interface",
            {
                {7, 50, "GetOwnedWindows", {Retval("SAFEARRAY(IDispatch*)*", "pRet")},
                 "returns the owned windows"},
                {8, 51, "GetHWND",
                 {Out("GetHWNDResultInfo*", "pInfo"), Retval("unsigned long*", "phHwnd")},
                 "returns the HWND corresponding to this java window"},
            }};
}

Interface IJAwtTextComponent() {
    return {"IJAwtTextComponent", "{D4093B7E-6C21-48F9-B5A0-2E7C9F1D3B84}", kDualAutomation,
            "IJAwtTextComponent interface",
            {
                {7, 800, "GetText", {Retval("BSTR*", "pBstrText")}, "returns the text this component had"},
            }};
}

Interface IJvmFinder() {
    return {"IJvmFinder", "{E3B85D07-1A6F-4C92-8D3E-7B4A0F2C6E51}", kDualAutomation, "IJvmFinder",
            {
                {7, 80, "GetJvmFromProcess", {In("unsigned long", "ulPid"), Retval("IDispatch**", "pJvm")},
                 "Returns the jvm corresponding to the process"},
            }};
}

// ---- IMvJavaCpp ----

// T runs over these nine, always in this order.
struct JavaType {
    std::string name;
    std::string valueType;
};
const std::vector<JavaType>& T() {
    static const std::vector<JavaType> types = {
        {"Boolean", "VARIANT_BOOL"}, {"Byte", "unsigned char"}, {"Char", "unsigned short"},
        {"Short", "short"},          {"Int", "long"},           {"Long", "__int64"},
        {"Float", "float"},          {"Double", "double"},      {"Object", handle},
    };
    return types;
}
bool IsObject(const JavaType& t) { return t.name == "Object"; }

// A member whose help string is "method " and its name.
Method M(int slot, long dispid, std::string name, std::vector<Param> params) {
    std::string help = "method " + name;
    return {slot, dispid, std::move(name), std::move(params), std::move(help)};
}

class MvJavaCppTable {
public:
    std::vector<Method> methods;

    void Add(Method m) { methods.push_back(std::move(m)); }

    // GetStatic<T>Field / Get<T>Field: hjObject, fieldname, (Object: fieldsig), [out, retval] T*.
    void FieldGetters(int slot, long dispid, const std::string& prefix) {
        for (const JavaType& t : T()) {
            std::vector<Param> p = {In(handle, "hjObject"), In("BSTR", "fieldname")};
            if (IsObject(t)) p.push_back(In("BSTR", "fieldsig"));
            p.push_back(Retval(t.valueType + "*", "value"));
            Add(M(slot++, dispid++, prefix + t.name + "Field", std::move(p)));
        }
    }

    // SetStatic<T>Field / Set<T>Field: hjObject, fieldname, (Object: fieldsig), [in] T.
    void FieldSetters(int slot, long dispid, const std::string& prefix, const std::string& booleanName) {
        for (const JavaType& t : T()) {
            std::vector<Param> p = {In(handle, "hjObject"), In("BSTR", "fieldname")};
            if (IsObject(t)) p.push_back(In("BSTR", "fieldsig"));
            p.push_back(In(t.valueType, "value"));
            const std::string name = t.name == "Boolean" ? booleanName : prefix + t.name + "Field";
            Add(M(slot++, dispid++, name, std::move(p)));
        }
    }

    // <prefix>VoidMethod, then <prefix><T>Method: hjObject, (superclass), methodname, methodsig,
    // paramArray, (not Void: [out, retval] T*).
    void Calls(int slot, long dispid, const std::string& prefix, bool withSuperclass) {
        auto params = [&](const JavaType* t) {
            std::vector<Param> p = {In(handle, "hjObject")};
            if (withSuperclass) p.push_back(In("BSTR", "superclass"));
            p.push_back(In("BSTR", "methodname"));
            p.push_back(In("BSTR", "methodsig"));
            p.push_back(In("VARIANT", "paramArray"));
            if (t) p.push_back(Retval(t->valueType + "*", "value"));
            return p;
        };
        Add(M(slot++, dispid++, prefix + "VoidMethod", params(nullptr)));
        for (const JavaType& t : T()) Add(M(slot++, dispid++, prefix + t.name + "Method", params(&t)));
    }
};

Interface IMvJavaCpp() {
    MvJavaCppTable table;
    for (Method& m : std::vector<Method>{
             M(7, 1, "JavaAddToROT", {}),
             M(8, 2, "JavaRemoveFromROT", {}),
             M(9, 3, "JavaSaveRunningJVM", {In("long", "processId"), In("unsigned __int64", "javaVM")}),
             M(10, 4, "GetJVMVersion", {Retval("long*", "version")}),
             M(11, 5, "AddAWTEventListener", {In("long", "eventType")}),
             M(12, 6, "RemoveAWTEventListener", {In("long", "eventType")}),
             M(13, 7, "AttachObserverObject", {In("IDispatch*", "obsObject")}),
             M(14, 8, "DetachObserverObject", {}),
             M(15, 9, "GetObserverObject", {Retval("IDispatch**", "obsObject")}),
             M(16, 10, "GetMorvaneAWTHook", {Retval(handle + "*", "hook")}),
             M(17, 11, "NewDefJavaObject", {In("BSTR", "className"), Retval(handle + "*", "hObject")}),
             M(18, 12, "ObjectToString", {In(handle, "hjObject"), Retval("BSTR*", "stringValue")}),
             M(19, 13, "GetJavaClassName", {In(handle, "hjObject"), Retval("BSTR*", "className")}),
             M(20, 14, "DeleteJavaObject", {In(handle, "hjObject")}),
             M(21, 15, "IsSameJavaObject",
               {In(handle, "hjObject1"), In(handle, "hjObject2"), Retval("VARIANT_BOOL*", "b")}),
             M(22, 16, "IsInstanceOf",
               {In(handle, "hjObject"), In("BSTR", "className"), Retval("VARIANT_BOOL*", "b")}),
             M(23, 17, "NewJavaPrimitiveArray",
               {In("JavaTypes", "type"), In("long", "arraySize"), Retval(handle + "*", "hjArray")}),
             M(24, 18, "SetJavaPrimitiveArray",
               {In(handle, "hjArray"), In("JavaTypes", "type"), In("VARIANT", "inArray")}),
             M(25, 19, "GetJavaPrimitiveArray",
               {In(handle, "hjArray"), In("JavaTypes", "type"), Retval("VARIANT*", "outArray")}),
             M(26, 20, "GetJavaObjectArray", {In(handle, "hjArray"), Retval("VARIANT*", "outArray")}),
             M(27, 21, "GetJavaArrayLength", {In(handle, "hjArray"), Retval("long*", "size")}),
             M(28, 22, "GetJavaString", {In(handle, "hjString"), Retval("BSTR*", "value")}),
             M(29, 23, "NewJavaString", {In("BSTR", "value"), Retval(handle + "*", "hjString")}),
         }) {
        table.Add(std::move(m));
    }

    table.FieldGetters(30, 24, "GetStatic");
    table.FieldSetters(39, 33, "SetStatic", "SetStaticBoolenField");
    table.FieldGetters(48, 42, "Get");
    table.FieldSetters(57, 51, "Set", "SetBooleanField");
    table.Calls(66, 60, "Call", false);
    table.Calls(76, 70, "CallStatic", false);
    table.Calls(86, 80, "CallNonvirtual", true);

    const std::vector<Param> stringGetter = {In(handle, "hjObject"), In("BSTR", "fieldname"),
                                             Retval("BSTR*", "value")};
    const std::vector<Param> stringSetter = {In(handle, "hjObject"), In("BSTR", "fieldname"),
                                             In("BSTR", "value")};
    const std::vector<Param> stringCall = {In(handle, "hjObject"), In("BSTR", "methodname"),
                                           In("BSTR", "methodsig"), In("VARIANT", "paramArray"),
                                           Retval("BSTR*", "value")};
    const std::vector<Param> nonvirtualStringCall = {
        In(handle, "hjObject"), In("BSTR", "superclass"), In("BSTR", "methodname"),
        In("BSTR", "methodsig"), In("VARIANT", "paramArray"), Retval("BSTR*", "value")};

    for (Method& m : std::vector<Method>{
             M(96, 90, "GetStaticStringField", stringGetter),
             M(97, 91, "SetStaticStringField", stringSetter),
             M(98, 92, "GetStringField", stringGetter),
             M(99, 93, "SetStringField", stringSetter),
             M(100, 94, "CallStringMethod", stringCall),
             M(101, 95, "CallStaticStringMethod", stringCall),
             M(102, 96, "CallNonvirtualStringMethod", nonvirtualStringCall),
             M(103, 97, "GetClassByName", {In("BSTR", "bstrClassName"), Retval(handle + "*", "phObj")}),
             M(104, 98, "NewGlobalRef", {In(handle, "hObj"), Retval(handle + "*", "phObj")}),
             M(105, 99, "GetAllTopLevelComponents", {Retval("SAFEARRAY(IDispatch*)*", "pRet")}),
             {106, 200, "MakeJComponentFromHandle", {In(handle, "hObj"), Retval("IDispatch**", "pRet")},
              "make java component object from handle to object. QI on the returned object for "
              "IJAwtComponent."},
             {107, 201, "ReturnObserverObject", {},
              "should called for every GetObserverObject after the user releases the observer "
              "object itself"},
             {108, 202, "IsDisconnectObserverComplete", {Retval("VARIANT_BOOL*", "pbRet")},
              "call this after calling DetachObserverObject to know if the detach is completed"},
             {109, 203, "GetComponentFromHwnd",
              {In("unsigned long", "hHwnd"), Out("GetHWNDResultInfo*", "pInfo"),
               Retval("IDispatch**", "ppRet")},
              "get component from window handle"},
         }) {
        table.Add(std::move(m));
    }

    return {"IMvJavaCpp", "{61F2A9C5-8E34-4D17-9B6A-0C5E3F7A2D19}",
            kDualAutomation | TYPEFLAG_FNONEXTENSIBLE, "IMvJavaCpp Interface", std::move(table.methods)};
}

}  // namespace

const Library& ExpectedLibrary() {
    static const Library library = {"MvJavaJniComRotLib", "{9A6C4E12-3F08-4D71-B2E5-0C8F1A7D6E93}", 1, 0,
                                    0x409, "MvJavaJniComRot 1.0 Type Library"};
    return library;
}

const std::vector<Interface>& ExpectedInterfaces() {
    static const std::vector<Interface> interfaces = {IJObject(),    IJAwtComponent(),     IJAwtContainer(),
                                                      IJAwtWindow(), IJAwtTextComponent(), IMvJavaCpp(),
                                                      IJvmFinder()};
    return interfaces;
}

const Interface& ExpectedInterface(const std::string& name) {
    for (const Interface& i : ExpectedInterfaces()) {
        if (i.name == name) return i;
    }
    throw std::out_of_range("no interface " + name + " in the contract");
}

const std::vector<Enumeration>& ExpectedEnumerations() {
    static const std::vector<Enumeration> enumerations = {
        {"JavaTypes",
         {{"Boolean", 0}, {"Byte", 1}, {"Char", 2}, {"Short", 3}, {"Int", 4}, {"Long", 5}, {"Float", 6},
          {"Double", 7}}},
        {"GetHWNDResultInfo",
         {{"ResultOK", 0}, {"NotATopLevelWindow", 1}, {"CannotMatch", 3}, {"NoMatch", 4},
          {"ResultAmbiguous", 5}}},
    };
    return enumerations;
}

const std::vector<Record>& ExpectedRecords() {
    static const std::vector<Record> records = {
        {"_POINTL", {{"x", "long"}, {"y", "long"}}},
        {"tagSIZE", {{"cx", "long"}, {"cy", "long"}}},
    };
    return records;
}

const std::vector<CoClass>& ExpectedCoClasses() {
    static const std::vector<CoClass> coclasses = {
        {"MvJavaCpp", "{3B9E2C41-7A15-4F0D-9C62-1E8A5D7F0B34}", "IMvJavaCpp", "MvJavaCpp Class"},
        {"CJvmFinder", "{5D21A8F3-0C47-4B9E-A1D6-72F3E9B8C015}", "IJvmFinder", "Jvm finder class"},
    };
    return coclasses;
}

}  // namespace contract
