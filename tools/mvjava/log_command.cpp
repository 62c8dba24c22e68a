// mvjava log: a log file of either form (plain UTF-16LE or obfuscated records) printed as UTF-8
// text; with --follow it keeps printing the lines added to it until interrupted, polling the
// file and starting over when it was rotated (replaced by a new file).

#include <windows.h>

#include "commands.h"
#include "console_output.h"
#include "log/log_file_reader.h"
#include "utf8.h"

namespace mvjava {
namespace {

constexpr DWORD kFollowPollMs = 250;
constexpr wchar_t kLineEnd[] = L"\r\n";

// Prints the complete lines (CR LF ended) of text[from, ...) and answers where the next starts.
std::size_t PrintCompleteLines(const std::wstring& text, std::size_t from) {
    std::string out;
    std::size_t next = from;
    for (;;) {
        const std::size_t end = text.find(kLineEnd, next);
        if (end == std::wstring::npos) break;
        out += ToUtf8(std::wstring_view(text).substr(next, end - next));
        out += '\n';
        next = end + 2;
    }
    if (!out.empty()) WriteOut(out);
    return next;
}

std::string Problem(const mv::DecodedLogFile& decoded, const std::wstring& file) {
    switch (decoded.status) {
        case mv::LogFileStatus::kUnreadable: return "cannot read " + ToUtf8(file);
        case mv::LogFileStatus::kNotALogFile: return ToUtf8(file) + " is not a log file (no byte-order mark)";
        case mv::LogFileStatus::kDamaged:
            return ToUtf8(file) + " is damaged after line " + std::to_string(mv::SplitLogLines(decoded.text).size());
        default: return {};
    }
}

ExitCode Follow(const std::wstring& file, mv::DecodedLogFile decoded) {
    std::wstring printed;  // the text printed so far of the current file
    for (;;) {
        if (decoded.status == mv::LogFileStatus::kOk || decoded.status == mv::LogFileStatus::kDamaged) {
            // A file that no longer starts with what was printed was rotated away: a new file.
            if (decoded.text.compare(0, printed.size(), printed) != 0) printed.clear();
            const std::size_t next = PrintCompleteLines(decoded.text, printed.size());
            printed.assign(decoded.text, 0, next);
        }
        // A missing file (between rotation and the next line) or a record being written: wait.
        ::Sleep(kFollowPollMs);
        decoded = mv::ReadLogFile(file);
    }
}

}  // namespace

ExitCode RunLog(const Options& options) {
    mv::DecodedLogFile decoded = mv::ReadLogFile(options.file);
    if (decoded.status == mv::LogFileStatus::kUnreadable || decoded.status == mv::LogFileStatus::kNotALogFile)
        throw Failure(ExitCode::kFileError, Problem(decoded, options.file));
    if (options.follow) return Follow(options.file, std::move(decoded));

    std::string out;
    for (const std::wstring& line : mv::SplitLogLines(decoded.text)) out += ToUtf8(line) + "\n";
    WriteOut(out);
    if (decoded.status != mv::LogFileStatus::kOk) throw Failure(ExitCode::kFileError, Problem(decoded, options.file));
    return ExitCode::kOk;
}

}  // namespace mvjava
