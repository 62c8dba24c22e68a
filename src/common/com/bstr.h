#pragma once
// An owned BSTR. Constructing from a BSTR takes ownership; use copy_of to duplicate.

#include <windows.h>
#include <oleauto.h>

#include <string_view>
#include <utility>

namespace mv {

class unique_bstr {
public:
    unique_bstr() noexcept = default;
    // Takes ownership of `s` (which must come from SysAllocString and friends).
    explicit unique_bstr(BSTR s) noexcept : m_str(s) {}
    unique_bstr(unique_bstr&& other) noexcept : m_str(std::exchange(other.m_str, nullptr)) {}
    unique_bstr& operator=(unique_bstr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    unique_bstr(const unique_bstr&) = delete;
    unique_bstr& operator=(const unique_bstr&) = delete;
    ~unique_bstr() { reset(); }

    // A new BSTR with the same units (embedded NULs kept); empty and null on failure.
    static unique_bstr copy_of(std::wstring_view text) noexcept {
        return unique_bstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    }

    BSTR get() const noexcept { return m_str; }
    explicit operator bool() const noexcept { return m_str != nullptr; }
    UINT length() const noexcept { return ::SysStringLen(m_str); }
    std::wstring_view view() const noexcept { return {m_str ? m_str : L"", length()}; }

    BSTR* put() noexcept {
        reset();
        return &m_str;
    }
    BSTR release() noexcept { return std::exchange(m_str, nullptr); }
    void reset(BSTR s = nullptr) noexcept {
        if (BSTR old = std::exchange(m_str, s)) ::SysFreeString(old);
    }

private:
    BSTR m_str = nullptr;
};

}  // namespace mv
