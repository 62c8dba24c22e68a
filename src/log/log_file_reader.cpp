#include "log/log_file_reader.h"

#include <windows.h>

#include <cstring>

#include "common/win/handles.h"
#include "log/log_scramble.h"

namespace mv {
namespace {

constexpr std::uint8_t kByteOrderMark[] = {0xFF, 0xFE};
constexpr std::uint8_t kObfuscatedFormHeader[] = {0xFF, 0xFE, 0x01, 0x00, 0x00, 0x00};
constexpr wchar_t kLineEnd[] = L"\r\n";

bool StartsWith(const std::uint8_t* bytes, std::size_t size, const std::uint8_t* prefix,
                std::size_t prefixSize) {
    return size >= prefixSize && std::memcmp(bytes, prefix, prefixSize) == 0;
}

void AppendUtf16Le(std::wstring& text, const std::uint8_t* bytes, std::size_t units) {
    for (std::size_t i = 0; i < units; ++i) {
        text += static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
}

// Records: 32-bit little-endian byte length, then that many scrambled bytes.
LogFileStatus DecodeRecords(const std::uint8_t* bytes, std::size_t size, std::wstring& text) {
    std::size_t offset = 0;
    std::vector<std::uint8_t> record;
    while (offset < size) {
        if (size - offset < 4) return LogFileStatus::kDamaged;
        const std::uint32_t length = bytes[offset] | (bytes[offset + 1] << 8) |
                                     (bytes[offset + 2] << 16) |
                                     (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
        offset += 4;
        if (length % 2 != 0 || length > size - offset) return LogFileStatus::kDamaged;
        record.assign(bytes + offset, bytes + offset + length);
        ScrambleLogRecord(record.data(), length);
        AppendUtf16Le(text, record.data(), length / 2);
        text += kLineEnd;
        offset += length;
    }
    return LogFileStatus::kOk;
}

}  // namespace

DecodedLogFile DecodeLogFile(const std::uint8_t* bytes, std::size_t size) {
    DecodedLogFile result;
    result.status = LogFileStatus::kOk;
    if (size == 0) return result;
    if (StartsWith(bytes, size, kObfuscatedFormHeader, sizeof(kObfuscatedFormHeader))) {
        result.form = LogFileForm::kObfuscated;
        const std::size_t header = sizeof(kObfuscatedFormHeader);
        result.status = DecodeRecords(bytes + header, size - header, result.text);
        return result;
    }
    if (!StartsWith(bytes, size, kByteOrderMark, sizeof(kByteOrderMark))) {
        result.status = LogFileStatus::kNotALogFile;
        return result;
    }
    const std::size_t textBytes = size - sizeof(kByteOrderMark);
    AppendUtf16Le(result.text, bytes + sizeof(kByteOrderMark), textBytes / 2);
    if (textBytes % 2 != 0) result.status = LogFileStatus::kDamaged;
    return result;
}

DecodedLogFile ReadLogFile(const std::wstring& path) {
    DecodedLogFile unreadable;
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.HighPart != 0) return unreadable;

    std::vector<std::uint8_t> bytes(size.LowPart);
    DWORD total = 0;
    while (total < bytes.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total),
                        &read, nullptr)) {
            return unreadable;
        }
        if (read == 0) break;  // the file shrank meanwhile
        total += read;
    }
    return DecodeLogFile(bytes.data(), total);
}

std::vector<std::wstring> SplitLogLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(kLineEnd, start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace mv
