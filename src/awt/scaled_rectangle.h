#pragma once
// Where a DPI-aware JVM (Java 9 and later) puts a Java window on a scaled display: getBounds() is in
// the window's user space, the native window in device pixels. These reproduce the JDK's Windows
// peer, so that a Java window whose rectangle is not the native one's can still be matched by the
// device rectangle the peer gave its native window.

#include <windows.h>

#include "awt/native_windows.h"

namespace mv {

// A window's scale: its GraphicsConfiguration's default transform (1 and 1 on an unscaled display).
struct window_scale {
    double x = 1;
    double y = 1;
    bool scaled() const noexcept;  // usable (finite, positive) and not 1 by 1
};

// The device rectangles the peer may give a window of user-space `bounds` at `scale`: since JDK 16
// the origin is scaled about its monitor's origin; JDK 9 to 15 scale the origin directly. The sizes
// are the same in both.
struct device_rectangles {
    RECT aboutMonitor;
    RECT direct;
};
device_rectangles DeviceRectangles(const java_bounds& bounds, const window_scale& scale) noexcept;

// True when `rect` is one of the two device rectangles.
bool SameDeviceRectangle(const RECT& rect, const device_rectangles& device) noexcept;

}  // namespace mv
