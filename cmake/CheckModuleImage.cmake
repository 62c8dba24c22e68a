cmake_minimum_required(VERSION 3.25)
# Checks a built MvJavaJniComRot.dll with objdump:
#   cmake -DOBJDUMP=... -DMODULE=... -DEXPECT_MACHINE=i386|x86-64 -P CheckModuleImage.cmake
# - the export table holds exactly the seven entry points, by undecorated name;
# - the import table names only DLLs that Windows itself provides (no mingw runtime DLLs).

foreach(var OBJDUMP MODULE EXPECT_MACHINE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckModuleImage: ${var} not set")
  endif()
endforeach()
if(NOT EXISTS "${MODULE}")
  message(FATAL_ERROR "module not found: ${MODULE}")
endif()

execute_process(COMMAND ${OBJDUMP} -p "${MODULE}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${MODULE}")
endif()
execute_process(COMMAND ${OBJDUMP} -f "${MODULE}" OUTPUT_VARIABLE header)

set(failures "")
if(EXPECT_MACHINE STREQUAL "i386")
  set(format_re "file format pei-i386")
else()
  set(format_re "file format pei-x86-64")
endif()
if(NOT header MATCHES "${format_re}")
  string(APPEND failures "  not a ${EXPECT_MACHINE} module\n")
endif()

# Export names: the lines after the "[Ordinal/Name Pointer] Table" heading, each
# "[   n] Name". Square brackets go first because CMake lists do not split inside them.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
string(REPLACE "[" "<" table "${table}")
string(REPLACE "]" ">" table "${table}")
string(REPLACE "\n" ";" lines "${table}")
set(exports "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*< *[0-9]+> (.+)$")
    list(APPEND exports "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT exports)
set(expected DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer
             GetJVMFromPid GetRunningJVM GetRunningJVMAndPid)
if(NOT exports STREQUAL expected)
  list(LENGTH exports count)
  if(count GREATER 20)
    list(SUBLIST exports 0 20 exports)
    list(APPEND exports "... (${count} in all)")
  endif()
  string(APPEND failures "  exports are [${exports}], expected [${expected}]\n")
endif()

# Imports: every DLL must be one of Windows' own.
set(system_dlls kernel32.dll user32.dll advapi32.dll ole32.dll oleaut32.dll shlwapi.dll
                msvcrt.dll ntdll.dll rpcrt4.dll gdi32.dll shell32.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(import_names "")
foreach(i IN LISTS imports)
  string(REGEX REPLACE "^DLL Name: " "" dll "${i}")
  string(TOLOWER "${dll}" dll)
  list(APPEND import_names "${dll}")
  if(NOT dll IN_LIST system_dlls)
    string(APPEND failures "  imports ${dll}, which is not a Windows system DLL\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "${MODULE}:\n${failures}")
endif()
message(STATUS "${MODULE}: ${EXPECT_MACHINE}, exports [${exports}], imports [${import_names}]")
