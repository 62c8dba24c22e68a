#include "command_line.h"

#include <map>
#include <set>

#include "component_path.h"
#include "exit_codes.h"
#include "utf8.h"

namespace mvjava {
namespace {

struct CommandShape {
    Command command;
    std::vector<const char*> positionals;  // names, for messages
    std::set<std::string> options;         // allowed options (with or without a value)
};

const std::map<std::string, CommandShape>& Shapes() {
    static const std::map<std::string, CommandShape> shapes = {
        {"list", {Command::kList, {}, {"--json"}}},
        {"tree",
         {Command::kTree, {"PID"}, {"--depth", "--window", "--walk", "--json", "--stats", "--show-passwords"}}},
        {"find", {Command::kFind, {"PID"}, {"--class", "--name", "--title", "--text", "--walk", "--json", "--stats",
                                             "--show-passwords"}}},
        {"get", {Command::kGet, {"PID", "PATH"}, {"--json", "--show-passwords"}}},
        {"set", {Command::kSet, {"PID", "PATH", "TEXT"}, {}}},
        {"click", {Command::kClick, {"PID", "PATH"}, {}}},
        {"hwnd", {Command::kHwnd, {"PID", "HWND"}, {"--json", "--walk", "--stats"}}},
        {"snapshot", {Command::kSnapshot, {"PID"}, {"--svg", "--window", "--walk", "--stats"}}},
        {"log", {Command::kLog, {"FILE"}, {"--follow"}}},
        {"watch", {Command::kWatch, {"PID"}, {"--json", "--mask", "--count", "--seconds"}}},
        {"record", {Command::kRecord, {"PID"}, {"--out", "--seconds"}}},
        {"replay", {Command::kReplay, {"PID", "FILE"}, {"--user", "--seconds"}}},
    };
    return shapes;
}

const std::set<std::string> kValueOptions = {"--depth", "--window", "--class", "--name",  "--title", "--text",
                                             "--svg",   "--mask",   "--count", "--seconds", "--out",   "--user"};

[[noreturn]] void Usage(const std::string& why) { throw Failure(ExitCode::kUsage, why + " (mvjava --help for usage)"); }

unsigned long long Number(const std::wstring& text, unsigned long long max, const char* what) {
    unsigned long long value = 0;
    if (!ParseNumber(text, max, value)) Usage(std::string("not a valid ") + what + ": " + ToUtf8(text));
    return value;
}

}  // namespace

bool ParseNumber(const std::wstring& text, unsigned long long max, unsigned long long& value) {
    std::size_t i = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        base = 16;
        i = 2;
    }
    if (i >= text.size()) return false;
    value = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        unsigned digit;
        if (c >= L'0' && c <= L'9') digit = static_cast<unsigned>(c - L'0');
        else if (base == 16 && c >= L'a' && c <= L'f') digit = static_cast<unsigned>(c - L'a' + 10);
        else if (base == 16 && c >= L'A' && c <= L'F') digit = static_cast<unsigned>(c - L'A' + 10);
        else return false;
        if (value > (max - digit) / base) return false;
        value = value * base + digit;
    }
    return true;
}

Options ParseCommandLine(const std::vector<std::wstring>& args) {
    Options options;
    if (args.empty()) Usage("no command given");
    const std::string name = ToUtf8(args[0]);
    if (name == "--help" || name == "-h" || name == "help") return options;
    if (name == "--version") {
        if (args.size() > 1) Usage("--version takes no arguments");
        options.command = Command::kVersion;
        return options;
    }
    const auto shape = Shapes().find(name);
    if (shape == Shapes().end()) Usage("unknown command: " + name);
    options.command = shape->second.command;

    std::vector<std::wstring> positionals;
    std::map<std::string, std::wstring> given;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string arg = ToUtf8(args[i]);
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            positionals.push_back(args[i]);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg != "--verbose" && !shape->second.options.count(arg)) Usage("unknown option for " + name + ": " + arg);
        if (given.count(arg)) Usage("option given twice: " + arg);
        if (kValueOptions.count(arg)) {
            if (i + 1 >= args.size()) Usage("option " + arg + " needs a value");
            given[arg] = args[++i];
        } else {
            given[arg] = L"";
        }
    }
    const std::vector<const char*>& expected = shape->second.positionals;
    if (positionals.size() < expected.size()) Usage(name + ": " + expected[positionals.size()] + " is missing");
    if (positionals.size() > expected.size()) Usage(name + ": unexpected argument " + ToUtf8(positionals[expected.size()]));

    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string what = expected[i];
        const std::wstring& value = positionals[i];
        if (what == "PID") options.pid = static_cast<DWORD>(Number(value, 0xFFFFFFFFull, "process id"));
        else if (what == "HWND") options.hwnd = static_cast<ULONG>(Number(value, 0xFFFFFFFFull, "window handle"));
        else if (what == "PATH") options.path = value;
        else if (what == "TEXT") options.text = value;
        else if (what == "FILE") options.file = value;
    }
    if (options.command != Command::kLog && !options.path.empty() && !ParseComponentPath(options.path) &&
        !IsLocator(options.path))
        Usage("not a component path or locator: " + ToUtf8(options.path) +
              " (expected /N/N..., e.g. /0/0/1, or window name=\"...\" >> ...)");

    for (const auto& [option, value] : given) {
        if (option == "--json") options.json = true;
        else if (option == "--walk") options.walk = true;
        else if (option == "--follow") options.follow = true;
        else if (option == "--verbose") options.verbose = true;
        else if (option == "--stats") options.stats = true;
        else if (option == "--show-passwords") options.showPasswords = true;
        else if (option == "--depth") options.depth = static_cast<int>(Number(value, 0x7FFFFFFF, "depth"));
        else if (option == "--class") options.filter.className = value;
        else if (option == "--name") options.filter.name = value;
        else if (option == "--title") options.filter.title = value;
        else if (option == "--text") options.filter.text = value;
        else if (option == "--svg") options.svgFile = value;
        else if (option == "--mask") options.mask = static_cast<long>(Number(value, 0x7FFFFFFF, "event mask"));
        else if (option == "--count") options.count = static_cast<long long>(Number(value, 0x7FFFFFFF, "count"));
        else if (option == "--seconds") options.seconds = static_cast<int>(Number(value, 86400, "number of seconds"));
        else if (option == "--out") options.file = value;
        else if (option == "--user") options.user = value;
        else if (option == "--window" && options.command == Command::kTree) {
            options.hwnd = static_cast<ULONG>(Number(value, 0xFFFFFFFFull, "window handle"));
            options.hasWindow = true;
        } else if (option == "--window") {
            if (!ParseComponentPath(value)) Usage("not a component path: " + ToUtf8(value));
            options.windowPath = value;
        }
    }
    if (options.command == Command::kFind && options.filter.empty())
        Usage("find needs at least one of --class, --name, --title, --text");
    if (options.command == Command::kSnapshot && options.svgFile.empty()) Usage("snapshot needs --svg FILE");
    if (options.command == Command::kRecord && options.file.empty()) Usage("record needs --out FILE");
    if (options.command == Command::kReplay && options.user.empty()) Usage("replay needs --user USER");
    return options;
}

std::string VersionText() { return std::string("mvjava ") + MV_VERSION + "\n"; }

std::string UsageText() {
    return "mvjava: inspect and drive the Java windows of processes that published their JVM\n"
           "\n"
           "  mvjava list [--json]                      published JVMs: pid, Java version, windows\n"
           "  mvjava tree PID [--depth N] [--window HWND] [--walk] [--json] [--show-passwords]\n"
           "                                            the component tree, a path for every component\n"
           "  mvjava find PID [--class C] [--name N] [--title T] [--text T] [--walk] [--json]\n"
           "                  [--show-passwords]\n"
           "                                            components passing every filter given\n"
           "                                            (--class: full or short name; --text: part of the title)\n"
           "  mvjava get PID PATH [--json] [--show-passwords]\n"
           "                                            the text of a component\n"
           "  mvjava set PID PATH TEXT                  set the text of a component\n"
           "  mvjava click PID PATH                     click a button\n"
           "  mvjava hwnd PID HWND [--json]             the Java window behind a native window, or why none\n"
           "  mvjava snapshot PID --svg FILE [--window PATH]\n"
           "                                            a picture of a window's components (default /0)\n"
           "  mvjava log [--follow] FILE                a log file (plain or obfuscated) as text\n"
           "  mvjava watch PID [--json] [--mask M] [--count N] [--seconds S]\n"
           "                                            what a person does in the windows, as it happens\n"
           "                                            (focus, typing, clicks, windows; Ctrl-C ends)\n"
           "  mvjava record PID --out FILE [--seconds S]\n"
           "                                            record one sign-in as a sign-on definition\n"
           "  mvjava replay PID FILE --user USER [--seconds S]\n"
           "                                            sign in as recorded (password: MVJAVA_PASSWORD or\n"
           "                                            standard input; waits S s for the window, default 30)\n"
           "  mvjava --version                          the version of mvjava and the module it ships with\n"
           "\n"
           "  --walk     walk component objects instead of the one-call snapshot\n"
           "  --stats    COM calls and time of fetching the tree (stderr)\n"
           "  --verbose  say on stderr when the one-call snapshot is not available\n"
           "  --show-passwords  print the text of password fields (hidden otherwise: only its length)\n"
           "  PATH is /N/N... (top-level window index, then child indexes), e.g. /0/0/1, or a locator:\n"
           "  window name=\"loginFrame\" >> name=\"user\" (watch and record print them).\n"
           "  PID and HWND in decimal or 0x-hex.\n"
           "\n"
           "exit codes: 0 ok, 1 usage, 2 no JVM published, 3 not found / nothing matched,\n"
           "            4 refused, 5 a COM or Java call failed, 6 file error\n";
}

}  // namespace mvjava
