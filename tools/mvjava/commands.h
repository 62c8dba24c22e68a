#pragma once
// The commands of mvjava, one function each; each answers its exit code or throws Failure.

#include "command_line.h"
#include "exit_codes.h"

namespace mvjava {

ExitCode RunList(const Options& options);
ExitCode RunTree(const Options& options);
ExitCode RunFind(const Options& options);
ExitCode RunSnapshot(const Options& options);
ExitCode RunGet(const Options& options);
ExitCode RunSet(const Options& options);
ExitCode RunClick(const Options& options);
ExitCode RunHwnd(const Options& options);
ExitCode RunLog(const Options& options);
ExitCode RunWatch(const Options& options);
ExitCode RunRecord(const Options& options);
ExitCode RunReplay(const Options& options);

}  // namespace mvjava
