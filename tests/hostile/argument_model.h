#pragma once
// What the bridge must make of a VARIANT it reads, worked out independently of the module: the
// JNI kinds of an argument array's elements, and the elements a primitive array write takes.
// Only the first dimension counts and elements are taken in memory order; a first dimension
// longer than the elements the array really holds (another dimension is 0) must be refused.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace mv::test {

struct ArgumentsModel {
    HRESULT hr = S_OK;            // what reading the array must give
    std::string kinds;            // one JNI letter per element when hr is S_OK
    std::vector<VARIANT> values;  // the elements (shallow copies, valid while the input lives)
};

ArgumentsModel ModelArguments(const VARIANT& paramArray);

// The JNI kinds of a method signature's parameters ("(IJ[I)V" gives "IJL"); empty for no
// parameters. Only for well-formed signatures the tests write themselves.
std::string SignatureKinds(const std::wstring& signature);

struct ArrayWriteModel {
    HRESULT hr = S_OK;
    std::vector<unsigned char> bytes;  // the first `length` elements, as the Java array must hold them
};

// SetJavaPrimitiveArray of `inArray` with `type` into a Java array of `javaType` and `length`.
ArrayWriteModel ModelArrayWrite(long type, const VARIANT& inArray, long javaType, long length);

// The element VARTYPE of a JavaTypes value and its size in Java (0 when the type is out of range).
VARTYPE ElementTypeOf(long type);
std::size_t JavaElementSize(long type);

// What a Java array of `type` holds for the first `count` elements of SAFEARRAY data of that
// type (booleans, 2-byte VARIANT_BOOL or VT_I2 there, become 1 or 0).
std::vector<unsigned char> JavaBytesOf(const void* data, long type, std::size_t count);

}  // namespace mv::test
