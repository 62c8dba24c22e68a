#pragma once
// A COM interface pointer that owns one reference. Vocabulary: get, put (releases first),
// attach, detach, reset, query<U>, try_query<U>, copy_to.

#include <objbase.h>

#include <utility>

namespace mv {

template <typename T>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    // Adds a reference: the caller keeps its own.
    explicit com_ptr(T* p) noexcept : m_ptr(p) {
        if (m_ptr) m_ptr->AddRef();
    }
    com_ptr(const com_ptr& other) noexcept : com_ptr(other.m_ptr) {}
    com_ptr(com_ptr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ~com_ptr() { reset(); }

    com_ptr& operator=(const com_ptr& other) noexcept {
        com_ptr(other).swap(*this);
        return *this;
    }
    com_ptr& operator=(com_ptr&& other) noexcept {
        com_ptr(std::move(other)).swap(*this);
        return *this;
    }

    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }

    // Releases what is held and returns the address for an out-parameter.
    T** put() noexcept {
        reset();
        return &m_ptr;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    // Takes over a reference the caller already owns.
    void attach(T* p) noexcept {
        reset();
        m_ptr = p;
    }
    // Hands the reference to the caller without releasing it.
    T* detach() noexcept { return std::exchange(m_ptr, nullptr); }
    void reset() noexcept {
        if (T* p = std::exchange(m_ptr, nullptr)) p->Release();
    }
    void swap(com_ptr& other) noexcept { std::swap(m_ptr, other.m_ptr); }

    // Writes an added reference to an out-parameter (null stays null).
    HRESULT copy_to(T** out) const noexcept {
        if (!out) return E_POINTER;
        *out = m_ptr;
        if (m_ptr) m_ptr->AddRef();
        return S_OK;
    }
    template <typename U>
    HRESULT query(com_ptr<U>& out) const noexcept {
        if (!m_ptr) return E_POINTER;
        return m_ptr->QueryInterface(__uuidof(U), out.put_void());
    }
    template <typename U>
    com_ptr<U> try_query() const noexcept {
        com_ptr<U> out;
        if (m_ptr) m_ptr->QueryInterface(__uuidof(U), out.put_void());
        return out;
    }

private:
    T* m_ptr = nullptr;
};

}  // namespace mv
