#pragma once
// A wide output stream over a Win32 file handle, writing UTF-16LE code units, as the log
// writes its lines: whole strings go straight to the file, and the small buffer exists only
// to widen the final LF of a line into CR LF.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "common/win/handles.h"

namespace mv {

static_assert(sizeof(wchar_t) == 2, "log files hold 16-bit UTF-16 code units");

// Stream buffer of 50 code units over an owned file handle. The put area is the first 49
// units; the 50th stays free so that a final LF can be widened to CR LF in place.
class CWinFileBuffer : public std::wstreambuf {
public:
    // What overflow() and sync() answer on failure: the end-of-file unit 0xFFFF. WriteRaw
    // tests for it; the standard flush does not, so a failed line end never reaches a log
    // site as a stream error.
    static constexpr int kFailed = 0xFFFF;
    static constexpr int kSucceeded = 1;

    CWinFileBuffer();
    ~CWinFileBuffer() override;
    CWinFileBuffer(const CWinFileBuffer&) = delete;
    CWinFileBuffer& operator=(const CWinFileBuffer&) = delete;

    bool IsAttached() const noexcept { return m_file.is_valid(); }
    HANDLE Handle() const noexcept { return m_file.get(); }
    // Takes ownership of an open file handle (closing any held before).
    void Attach(unique_hfile file) noexcept { m_file = std::move(file); }
    // Closes the handle; pending units are dropped.
    void Close() noexcept { m_file.reset(); }
    // Code units written into the buffer and not yet flushed.
    std::size_t PendingUnits() const noexcept { return static_cast<std::size_t>(pptr() - pbase()); }
    // Writes `count` units straight to the file. False without a handle or on a short write.
    bool WriteUnits(const wchar_t* units, std::size_t count) noexcept;

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    static constexpr std::size_t kBufferUnits = 50;
    static constexpr std::size_t kPutAreaUnits = kBufferUnits - 1;

    void ResetPutArea() noexcept;

    std::unique_ptr<wchar_t[]> m_buffer;
    unique_hfile m_file;
};

// Wide output stream whose buffer is a CWinFileBuffer. Constructed with no file; Open attaches
// one. Destruction closes a handle that is still attached (pending units are not flushed).
class CWinFWStream : public std::wostream {
public:
    CWinFWStream();
    ~CWinFWStream() override;

    // Opens or creates `path` for reading and writing, shared for reading and writing, and
    // positions at its end so writes append. CREATE_ALWAYS when `truncate`, else
    // OPEN_ALWAYS. False when a handle is already attached or the file cannot be opened.
    bool Open(const std::wstring& path, bool truncate);

    // When the file at `path` exists and is empty: writes the byte-order mark FF FE and, when
    // `obfuscated` is exactly 1, the 32-bit little-endian value 1 after it.
    void WriteHeaderIfEmpty(const std::wstring& path, DWORD obfuscated);

    // Flushes the buffer, then writes `count` units (2 * count bytes) straight to the file.
    // Does nothing for a null pointer or a count of 0; stops after a failed flush. Returns
    // true when everything was written.
    bool WriteRaw(const wchar_t* units, std::size_t count);

    // Closes and forgets the handle. Callers flush first (std::endl or WriteRaw do).
    void Close() noexcept { m_buffer.Close(); }

    bool IsOpen() const noexcept { return m_buffer.IsAttached(); }
    std::size_t PendingUnits() const noexcept { return m_buffer.PendingUnits(); }

private:
    CWinFileBuffer m_buffer;
};

// Writes a string to a CWinFWStream: an empty string writes nothing; a string at least as
// long as the units already pending (always, on a fresh stream) goes through WriteRaw;
// a shorter one is appended to the buffer.
CWinFWStream& operator<<(CWinFWStream& stream, const std::wstring& text);

// Writes a null-terminated string to any wide stream; a null pointer or an empty string
// writes nothing (the standard inserter would fail the stream on null).
void WriteWideText(std::wostream& stream, const wchar_t* text);

}  // namespace mv
