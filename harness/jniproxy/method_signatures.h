#pragma once
// What the proxy knows of each method ID: learned when GetMethodID or GetStaticMethodID is
// forwarded, used to read va_lists and size jvalue arrays by the method's parameters.

#include <jni.h>

#include <string>

namespace mv::proxy {

struct MethodInfo {
    std::string name;
    std::string signature;
    // One letter per parameter: Z B C S I J F D, or L for any reference (objects and arrays).
    std::string parameters;
};

// The parameter letters of a method signature such as "(I[JLjava/lang/String;)V"; false when
// the signature is malformed.
bool ParseParameters(const char* signature, std::string& parameters);

void RememberMethod(jmethodID method, const char* name, const char* signature);
// False for a method ID that no forwarded lookup returned.
bool FindMethod(jmethodID method, MethodInfo& info);

}  // namespace mv::proxy
