#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

namespace mvdemo {

// Signs in to the sample Swing login application of process `pid` as a sign-on client would:
// finds the Java frame behind one of the process's native windows, walks its components,
// recognises the form's fields and button, fills them, clicks, and reads back what the
// application received. Returns true when the application saw exactly `user` and `password`.
bool RunSignInDemo(const std::wstring& modulePath, DWORD pid, const std::wstring& user,
                   const std::wstring& password, std::FILE* out);

}  // namespace mvdemo
