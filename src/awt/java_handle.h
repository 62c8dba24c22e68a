#pragma once
// Owners of Java object handles that an operation of the component model obtains for its own
// use (method results, the hook object, arrays, rectangles). Each deletes its handles through
// the bridge they came from when the scope ends, unless they were handed on. The bridge is not
// counted: it outlives every operation made on it.

#include <windows.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "MvJavaJniComRot_h.h"

namespace mv {

class scoped_java_handle {
public:
    explicit scoped_java_handle(IMvJavaCpp* bridge, UINT64 handle = 0) noexcept
        : m_bridge(bridge), m_handle(handle) {}
    scoped_java_handle(const scoped_java_handle&) = delete;
    scoped_java_handle& operator=(const scoped_java_handle&) = delete;
    ~scoped_java_handle() { reset(); }

    UINT64 get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != 0; }
    // Deletes what is held and returns the address for an out-parameter.
    UINT64* put() noexcept {
        reset();
        return &m_handle;
    }
    // Hands the handle on: the caller owns it now.
    UINT64 release() noexcept { return std::exchange(m_handle, 0); }
    void reset() noexcept {
        if (const UINT64 old = std::exchange(m_handle, 0); old != 0 && m_bridge) m_bridge->DeleteJavaObject(old);
    }

private:
    IMvJavaCpp* m_bridge;
    UINT64 m_handle;
};

// A list of handles in a fixed order (top-level windows, array elements); each one not taken
// is deleted when the list ends.
class java_handle_list {
public:
    explicit java_handle_list(IMvJavaCpp* bridge) noexcept : m_bridge(bridge) {}
    java_handle_list(const java_handle_list&) = delete;
    java_handle_list& operator=(const java_handle_list&) = delete;
    ~java_handle_list() { clear(); }

    // Room for `count` more handles, so that add() cannot fail afterwards (may throw bad_alloc).
    void reserve(std::size_t count) { m_handles.reserve(m_handles.size() + count); }
    // Takes ownership of `handle`; within the reserved room it cannot throw.
    void add(UINT64 handle) { m_handles.push_back(handle); }

    IMvJavaCpp* bridge() const noexcept { return m_bridge; }
    std::size_t size() const noexcept { return m_handles.size(); }
    bool empty() const noexcept { return m_handles.empty(); }
    UINT64 at(std::size_t index) const noexcept { return m_handles[index]; }
    // Hands element `index` on; the list keeps a 0 in its place.
    UINT64 take(std::size_t index) noexcept { return std::exchange(m_handles[index], 0); }

    void clear() noexcept {
        for (UINT64 handle : m_handles)
            if (handle != 0 && m_bridge) m_bridge->DeleteJavaObject(handle);
        m_handles.clear();
    }

private:
    IMvJavaCpp* m_bridge;
    std::vector<UINT64> m_handles;
};

}  // namespace mv
