#include "awt/scaled_rectangle.h"

#include <climits>
#include <cmath>

namespace mv {
namespace {

// As read from OpenJDK's sources (not run here), src/java.desktop/windows/native/libawt/windows/:
// awt_Win32GraphicsDevice.cpp, AwtWin32GraphicsDevice::ClipRound rounds value - 0.5 up, so halves
// round down; ScaleUpX(w) = ClipRound(w * scaleX), ScaleUpAbsX(x) = monitor.left +
// ClipRound((x - monitor.left) * scaleX), the scale a float. awt_Window.cpp, AwtWindow::Reshape
// (JDK 16 and later) places a window at ScaleUpAbsX/Y with the size ScaleUpX/Y, on the monitor
// nearest to the user-space centre (x + w / 2, y + h / 2) taken as a device point; JDK 9 to 15
// placed it at ScaleUpX/Y.
LONG ClipRound(double value) noexcept {
    value -= 0.5;
    if (value < INT_MIN) return INT_MIN;
    if (value > INT_MAX) return INT_MAX;
    return static_cast<LONG>(std::ceil(value));
}

LONG ScaleUp(LONG value, double scale) noexcept {
    return ClipRound(static_cast<float>(value) * static_cast<float>(scale));  // int * float, as the peer
}

LONG ScaleUpAbout(LONG value, LONG origin, double scale) noexcept {
    return origin + ScaleUp(value - origin, scale);
}

bool Same(const RECT& a, const RECT& b) noexcept {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

bool window_scale::scaled() const noexcept {
    const bool usable = std::isfinite(x) && std::isfinite(y) && x > 0 && y > 0;
    return usable && (x != 1 || y != 1);
}

device_rectangles DeviceRectangles(const java_bounds& b, const window_scale& scale) noexcept {
    POINT origin{0, 0};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    const POINT centre{b.x + b.width / 2, b.y + b.height / 2};
    if (::GetMonitorInfoW(::MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &monitor))
        origin = {monitor.rcMonitor.left, monitor.rcMonitor.top};
    const LONG width = ScaleUp(b.width, scale.x), height = ScaleUp(b.height, scale.y);
    const LONG x = ScaleUpAbout(b.x, origin.x, scale.x), y = ScaleUpAbout(b.y, origin.y, scale.y);
    const LONG directX = ScaleUp(b.x, scale.x), directY = ScaleUp(b.y, scale.y);
    return {{x, y, x + width, y + height}, {directX, directY, directX + width, directY + height}};
}

bool SameDeviceRectangle(const RECT& rect, const device_rectangles& device) noexcept {
    return Same(rect, device.aboutMonitor) || Same(rect, device.direct);
}

}  // namespace mv
