#pragma once
// The diagnostics log as the rest of the module uses it.
//
//   mv::LogLine(L"CJavaVM", L"c'tor", L"Could not attach to JVM");
//
// writes, when the configured log level (registry, see log_settings.h) is at least 1, the
// line "[CJavaVM::c'tor]<TAB>Could not attach to JVM" after the usual header to the shared,
// size-rotated log file of all the agent's processes. Messages carry no line end; the log
// adds it. Null or empty pieces are left out. Never throws and never fails the caller: a line
// that cannot be written is lost silently, and so is one whose turn at the log mutex does not
// come within kLogMutexTimeoutMs (see log_mutex.h).

namespace mv {

// The level of every line this module writes.
inline constexpr unsigned long kModuleLogLevel = 1;

void LogLine(const wchar_t* className, const wchar_t* methodName, const wchar_t* message) noexcept;

}  // namespace mv
