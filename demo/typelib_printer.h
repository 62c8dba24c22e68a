#pragma once
// Prints a type library as a reader would want to see it: library, coclasses, interfaces
// with their methods, DISPIDs and parameters, enumerations and records.

#include <oaidl.h>

#include <cstdio>

namespace mvdemo {

// Prints every type of `lib`; methods of interfaces with more than `maxMethods` methods are
// shortened to the first and last few. Returns the number of types printed.
unsigned PrintTypeLibrary(ITypeLib* lib, unsigned maxMethods, std::FILE* out);

}  // namespace mvdemo
