#pragma once
// The command line of mvjava:
//   mvjava list [--json]
//   mvjava tree PID [--depth N] [--window HWND] [--walk] [--json]
//   mvjava find PID [--class C] [--name N] [--title T] [--text T] [--walk] [--json]
//   mvjava get PID PATH [--json] [--show-passwords]
//   mvjava set PID PATH TEXT
//   mvjava click PID PATH
//   mvjava hwnd PID HWND [--json]
//   mvjava snapshot PID --svg FILE [--window PATH]
//   mvjava log [--follow] FILE
//   mvjava watch PID [--json] [--mask M] [--count N] [--seconds S]
//   mvjava record PID --out FILE [--seconds S]
//   mvjava replay PID FILE --user USER [--seconds S]    (the password: MVJAVA_PASSWORD or stdin)
//   mvjava --help | --version
// plus --verbose and --stats where a component tree is fetched, and --show-passwords where texts are
// printed (tree, find, get): without it a password field's text never appears. PID and HWND in decimal or
// 0x-hex; "--" ends the options (for a TEXT that starts with "--").

#include <windows.h>

#include <string>
#include <vector>

#include "find_filter.h"

namespace mvjava {

enum class Command {
    kHelp, kVersion, kList, kTree, kFind, kGet, kSet, kClick, kHwnd, kSnapshot, kLog, kWatch, kRecord, kReplay
};

struct Options {
    Command command = Command::kHelp;
    DWORD pid = 0;
    std::wstring path;        // get, set, click
    std::wstring text;        // set
    ULONG hwnd = 0;           // hwnd; tree --window
    bool hasWindow = false;   // tree --window given
    int depth = -1;           // tree --depth; -1: no limit
    FindFilter filter;        // find
    std::wstring svgFile;     // snapshot --svg
    std::wstring windowPath;  // snapshot --window
    std::wstring file;        // log; record --out; replay
    std::wstring user;        // replay --user
    long mask = 0x5C;         // watch --mask: AWT event mask bits (window, focus, key, mouse)
    long long count = 0;      // watch --count: stop after so many events; 0: no limit
    int seconds = 0;          // watch, record: stop after; replay: wait for the window (0: 30 s)
    bool json = false;
    bool walk = false;
    bool follow = false;
    bool verbose = false;
    bool stats = false;
    bool showPasswords = false;  // --show-passwords: print password fields' texts
};

// Parses the arguments after the program name; throws Failure (kUsage) with the reason.
Options ParseCommandLine(const std::vector<std::wstring>& args);

// A number in decimal or 0x-hex that fits `max`; false when it is not one.
bool ParseNumber(const std::wstring& text, unsigned long long max, unsigned long long& value);

// The usage text printed by --help.
std::string UsageText();
// "mvjava 1.1.0" for --version.
std::string VersionText();

}  // namespace mvjava
