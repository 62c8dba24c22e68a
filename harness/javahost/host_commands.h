#pragma once
// The commands the host answers on stdin, one answer line each (mirror: one per window, then
// "mirror done"). A command that cannot be carried out answers "error <why>".
//
//   window X Y W H         a visible top-level native window at that rectangle -> window <hwnd>
//   child PARENT X Y W H   a child of native window PARENT                    -> window <hwnd>
//   close HWND             destroys a window made here                        -> closed
//   mirror                 a native window behind every Java top-level window -> mirror <hwnd> <x> <y> <w> <h>
//   refs                   JNI global references made minus deleted here      -> refs <live>
//   counters               the proxy's requests, attaches and detaches so far -> counters <r> <a> <d>
//   prices                 microseconds of an attach with its detach, and of
//                          one JNI request, on a new thread of this host     -> prices <attach> <request>
//   jni-server             Linux process id of this host's JNI server (JVM)   -> jni-server <pid>
// Handles are decimal.

#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "native_windows.h"

namespace mv::host {

class HostCommands {
public:
    // Neither is owned; both outlive this object.
    HostCommands(IMvJavaCpp* main, NativeWindows& windows) : m_main(main), m_windows(windows) {}

    std::vector<std::string> Run(const std::string& line);

private:
    std::string Window(const std::vector<std::string>& words);
    std::string Child(const std::vector<std::string>& words);
    std::string Close(const std::vector<std::string>& words);
    std::vector<std::string> Mirror(const std::vector<std::string>& words);
    std::string References();
    std::string Counters();
    std::string Prices();
    std::string JniServer();

    IMvJavaCpp* m_main;
    NativeWindows& m_windows;
};

}  // namespace mv::host
