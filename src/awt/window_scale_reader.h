#pragma once
// The scales of many Java windows read within one attachment: each window's GraphicsConfiguration
// and its default transform, whose scale is the one the JVM uses on that window's monitor. The
// members are looked up once; each window costs four calls.

#include <windows.h>

#include <jni.h>

#include "awt/scaled_rectangle.h"

namespace mv {

class window_scale_reader {
public:
    // Looks the members up with `env` (the calling thread's, attached for the reader's life).
    explicit window_scale_reader(JNIEnv* env) noexcept;
    window_scale_reader(const window_scale_reader&) = delete;
    window_scale_reader& operator=(const window_scale_reader&) = delete;

    // The scale of the java.awt.Window `window`; false when it cannot be read. Leaves no exception
    // pending.
    bool Read(UINT64 window, window_scale& scale) const noexcept;

private:
    JNIEnv* m_env;
    jmethodID m_getConfiguration = nullptr, m_getTransform = nullptr, m_scaleX = nullptr, m_scaleY = nullptr;
};

}  // namespace mv
