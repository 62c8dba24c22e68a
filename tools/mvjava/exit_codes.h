#pragma once
// The exit codes of mvjava (stable: scripts rely on them) and the failure that carries one to
// main, where it becomes the single "mvjava: ..." line on stderr.

#include <stdexcept>
#include <string>

namespace mvjava {

enum class ExitCode : int {
    kOk = 0,
    kUsage = 1,         // bad command line
    kNoJvm = 2,         // no JVM published by that process / none running
    kNotFound = 3,      // path, window or component not found / nothing matched
    kRefused = 4,       // refused: a false flag from get/set, S_FALSE from DoClick, NoMatch/CannotMatch
    kCallFailed = 5,    // a COM or Java call failed
    kFileError = 6,     // a file could not be read or written
};

// Ends the command with `code`; what() is the message after "mvjava: " (UTF-8).
class Failure : public std::runtime_error {
public:
    Failure(ExitCode code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    ExitCode code() const noexcept { return m_code; }

private:
    ExitCode m_code;
};

// "E_FAIL (0x80004005)"-like text of an HRESULT for messages.
std::string DescribeHresult(long hr);

}  // namespace mvjava
