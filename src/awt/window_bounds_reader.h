#pragma once
// The bounds of many Java windows read within one attachment: getBounds and the four fields of
// java.awt.Rectangle are looked up once, so each window costs its call and four field reads
// instead of a bridge call per step. A window reads as the bridge's getBounds call and
// GetIntField reads would read it.

#include <windows.h>

#include <jni.h>

#include "awt/native_windows.h"

namespace mv {

class window_bounds_reader {
public:
    // Looks the members up with `env` (the calling thread's, attached for the reader's life).
    explicit window_bounds_reader(JNIEnv* env) noexcept;
    window_bounds_reader(const window_bounds_reader&) = delete;
    window_bounds_reader& operator=(const window_bounds_reader&) = delete;

    // The bounds of the java.awt.Window `window`; false when they cannot be read (the members
    // were not found, getBounds threw or answered null). Leaves no exception pending.
    bool Read(UINT64 window, java_bounds& bounds) const noexcept;

private:
    JNIEnv* m_env;
    jmethodID m_getBounds = nullptr;
    jfieldID m_x = nullptr, m_y = nullptr, m_width = nullptr, m_height = nullptr;
};

}  // namespace mv
