#include "log/win_file_stream.h"

#include <cwchar>
#include <limits>

namespace mv {

namespace {
constexpr wchar_t kCR = L'\r';
constexpr wchar_t kLF = L'\n';
constexpr wchar_t kByteOrderMark = 0xFEFF;  // bytes FF FE in the file
}  // namespace

// ---- CWinFileBuffer ---------------------------------------------------------------------

CWinFileBuffer::CWinFileBuffer() : m_buffer(new wchar_t[kBufferUnits]()) { ResetPutArea(); }

CWinFileBuffer::~CWinFileBuffer() = default;

void CWinFileBuffer::ResetPutArea() noexcept {
    setp(m_buffer.get(), m_buffer.get() + kPutAreaUnits);
}

bool CWinFileBuffer::WriteUnits(const wchar_t* units, std::size_t count) noexcept {
    if (!IsAttached()) return false;
    if (count > std::numeric_limits<DWORD>::max() / sizeof(wchar_t)) return false;
    const DWORD bytes = static_cast<DWORD>(count * sizeof(wchar_t));
    DWORD written = 0;
    return ::WriteFile(m_file.get(), units, bytes, &written, nullptr) && written == bytes;
}

CWinFileBuffer::int_type CWinFileBuffer::overflow(int_type c) {
    // Called when the put area is full; the spare unit takes `c`.
    std::size_t count = PendingUnits();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        m_buffer[count++] = traits_type::to_char_type(c);
    }
    if (!WriteUnits(m_buffer.get(), count)) return kFailed;
    ResetPutArea();
    return kSucceeded;
}

int CWinFileBuffer::sync() {
    // Checked before widening, so that pending units stay as they were for a later file.
    if (!IsAttached()) return kFailed;
    std::size_t count = PendingUnits();
    // Only the final pending unit is widened; a lone pending LF counts as not preceded by CR.
    if (count >= 1 && m_buffer[count - 1] == kLF && (count == 1 || m_buffer[count - 2] != kCR)) {
        m_buffer[count - 1] = kCR;
        m_buffer[count++] = kLF;  // the spare unit
    }
    if (count > 0 && !WriteUnits(m_buffer.get(), count)) return kFailed;
    ResetPutArea();
    return kSucceeded;
}

// ---- CWinFWStream -----------------------------------------------------------------------

CWinFWStream::CWinFWStream() : std::wostream(nullptr) { rdbuf(&m_buffer); }

CWinFWStream::~CWinFWStream() = default;

bool CWinFWStream::Open(const std::wstring& path, bool truncate) {
    if (m_buffer.IsAttached()) return false;
    const HANDLE handle = ::CreateFileW(
        path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        truncate ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    unique_hfile file(handle);
    // Append: start at the current (32-bit) size, counted from the beginning.
    const DWORD size = ::GetFileSize(file.get(), nullptr);
    LONG high = 0;
    ::SetFilePointer(file.get(), static_cast<LONG>(size), &high, FILE_BEGIN);
    m_buffer.Attach(std::move(file));
    return true;
}

void CWinFWStream::WriteHeaderIfEmpty(const std::wstring& path, DWORD obfuscated) {
    WIN32_FILE_ATTRIBUTE_DATA status;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &status) ||
        status.nFileSizeHigh != 0 || status.nFileSizeLow != 0) {
        return;
    }
    WriteRaw(&kByteOrderMark, 1);
    if (obfuscated == 1) {
        const wchar_t formVersion[2] = {1, 0};  // 32-bit little-endian 1
        WriteRaw(formVersion, 2);
    }
}

bool CWinFWStream::WriteRaw(const wchar_t* units, std::size_t count) {
    if (units == nullptr || count == 0) return true;
    if (m_buffer.pubsync() == CWinFileBuffer::kFailed) return false;
    return m_buffer.WriteUnits(units, count);
}

CWinFWStream& operator<<(CWinFWStream& stream, const std::wstring& text) {
    if (text.empty()) return stream;
    if (text.size() >= stream.PendingUnits()) {
        stream.WriteRaw(text.data(), text.size());
    } else {
        stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return stream;
}

void WriteWideText(std::wostream& stream, const wchar_t* text) {
    if (text == nullptr || *text == L'\0') return;
    stream.write(text, static_cast<std::streamsize>(std::wcslen(text)));
}

}  // namespace mv
