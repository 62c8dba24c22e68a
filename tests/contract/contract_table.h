#pragma once
// The module's COM contract, written out by hand: what every client of the type library relies
// on. The contract test compares the built library with these tables, so they are kept apart from
// the interface description on purpose.
//
// Types are written as the interface description spells them ("BSTR*", "IDispatch**",
// "SAFEARRAY(IDispatch*)*", "_POINTL*"); a Java object handle is "unsigned __int64".

#include <oaidl.h>

#include <string>
#include <vector>

namespace contract {

struct Param {
    std::string direction;  // "[in]", "[out]" or "[out, retval]"
    std::string type;
    std::string name;
};

struct Method {
    int slot;    // vtable slot; 0..6 are IUnknown and IDispatch
    long dispid;
    std::string name;
    std::vector<Param> params;
    std::string help;
};

struct Interface {
    std::string name;
    std::string iid;
    WORD typeFlags;
    std::string help;
    std::vector<Method> methods;  // in slot order
};

struct EnumValue {
    std::string name;
    long value;
};

struct Enumeration {
    std::string name;
    std::vector<EnumValue> values;
};

struct Field {
    std::string name;
    std::string type;
};

struct Record {
    std::string name;
    std::vector<Field> fields;
};

struct CoClass {
    std::string name;
    std::string clsid;
    std::string defaultInterface;
    std::string help;
};

struct Library {
    std::string name;
    std::string libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID lcid;
    std::string help;
};

const Library& ExpectedLibrary();
const std::vector<Interface>& ExpectedInterfaces();
const std::vector<Enumeration>& ExpectedEnumerations();
const std::vector<Record>& ExpectedRecords();
const std::vector<CoClass>& ExpectedCoClasses();

// The entry of ExpectedInterfaces() with this name; throws std::out_of_range if there is none.
const Interface& ExpectedInterface(const std::string& name);

}  // namespace contract
