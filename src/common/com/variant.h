#pragma once
// An owned VARIANT, contained rather than inherited so that raw copies cannot happen.

#include <windows.h>
#include <oleauto.h>

namespace mv {

class unique_variant {
public:
    unique_variant() noexcept { ::VariantInit(&m_var); }
    ~unique_variant() { ::VariantClear(&m_var); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;

    const VARIANT& get() const noexcept { return m_var; }
    VARIANT* get_mutable() noexcept { return &m_var; }
    VARTYPE type() const noexcept { return V_VT(&m_var); }
    // Clears the contents and returns the address for an out-parameter.
    VARIANT* put() noexcept {
        reset();
        return &m_var;
    }
    void reset() noexcept { ::VariantClear(&m_var); }
    // Moves the contents to `out` (which must be clear) and leaves this VT_EMPTY.
    void release_to(VARIANT* out) noexcept {
        *out = m_var;
        ::VariantInit(&m_var);
    }

private:
    VARIANT m_var;
};

}  // namespace mv
