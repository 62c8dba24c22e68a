#pragma once
// The JNI server of a host is a Linux process: a Windows test can neither wait on it nor end it
// through Win32. These reach it from under Wine through the Linux side: /bin/kill ends it and
// /proc tells whether it still runs.

namespace mv::test {

// Sends SIGKILL to the Linux process `pid` (as a crash of the JVM would end it). False when
// /bin/kill could not be started.
bool KillLinuxProcess(unsigned pid);
// True while the Linux process `pid` exists and has not ended (a zombie counts as ended).
bool LinuxProcessRunning(unsigned pid);
// Waits until `pid` has ended; false when it still runs after `timeoutMs`.
bool WaitForLinuxProcessEnd(unsigned pid, unsigned timeoutMs);

}  // namespace mv::test
