#pragma once
// Reads log files of either form back as text, for tools that show or search the log.
// Decoded text looks like the plain form without its byte-order mark: every line (header
// and message) followed by CR LF, so an obfuscated file decodes to exactly the text the plain
// form would have held.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

enum class LogFileForm {
    kPlain,       // FF FE, then UTF-16LE lines ending in CR LF
    kObfuscated,  // FF FE 01 00 00 00, then records: 32-bit byte length + scrambled UTF-16LE
};

enum class LogFileStatus {
    kOk,           // the whole file was decoded (an empty file decodes to empty plain text)
    kNotALogFile,  // no byte-order mark; nothing was decoded
    kDamaged,      // decoding stopped at a partial unit or record; `text` holds what precedes it
    kUnreadable,   // the file could not be opened or read
};

struct DecodedLogFile {
    LogFileStatus status = LogFileStatus::kUnreadable;
    LogFileForm form = LogFileForm::kPlain;
    std::wstring text;
};

// Decodes the bytes of a log file of either form; the form is recognised from its start.
DecodedLogFile DecodeLogFile(const std::uint8_t* bytes, std::size_t size);

// Reads and decodes the file at `path` (opened shared, so live log files can be read).
DecodedLogFile ReadLogFile(const std::wstring& path);

// Splits decoded text into lines at CR LF; a last line without CR LF is kept as it is.
std::vector<std::wstring> SplitLogLines(const std::wstring& text);

}  // namespace mv
