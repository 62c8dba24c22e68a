#pragma once
// The hook's journal of what a person does in a Java process's windows, read from another process:
// listening is switched on for the events' AWT mask while the reader lives (and off again when it
// goes, on every way out), and each read asks the hook for the events after the last one seen,
// waiting in the Java process until one comes or the time-out passes, so the reader never spins.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "java_ref.h"

namespace mvjava {

// AWT event mask bits: window, focus, key and mouse events (what the journal keeps).
constexpr long kJournalMask = 0x40 | 0x04 | 0x08 | 0x10;

struct JournalEvent {
    long long sequence = 0;
    long long time = 0;  // milliseconds since 1970, in the Java process
    std::wstring event;  // windowOpened, windowActivated, windowClosed, focus, click, text
    std::wstring locator, path, className, name;
    std::wstring role;      // "password", "text" (another text component), "button", or empty
    long long length = -1;  // text events: the text's new length
    bool password = false;  // text events: a password field
    std::string json;       // the event as the hook gave it
};

class JournalReader {
public:
    // Switches listening on for `mask`; throws Failure (kCallFailed) when the hook cannot.
    JournalReader(IMvJavaCpp* jvm, long mask);
    ~JournalReader();
    JournalReader(const JournalReader&) = delete;
    JournalReader& operator=(const JournalReader&) = delete;

    // The events after those read so far, waiting up to `timeoutMs` for the first; throws Failure.
    std::vector<JournalEvent> Next(int timeoutMs);
    // Events that went from the journal before they were read (it keeps the newest 4,096).
    long long dropped() const { return m_dropped; }

private:
    mv::com_ptr<IMvJavaCpp> m_jvm;
    long m_mask;
    JavaRef m_hook;
    long long m_next = 0;
    long long m_dropped = 0;
};

// The window part of a locator (before " >> "); the whole locator for a window.
std::wstring WindowPartOf(const std::wstring& locator);

}  // namespace mvjava
