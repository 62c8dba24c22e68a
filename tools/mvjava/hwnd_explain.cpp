#include "hwnd_explain.h"

#include <algorithm>
#include <cstdio>

#include "json_writer.h"
#include "text_printer.h"
#include "utf8.h"

namespace mvjava {
namespace {

std::string Cell(long value, bool differs) {
    char text[32];
    std::snprintf(text, sizeof text, "%7ld%c", value, differs ? '*' : ' ');
    return text;
}

std::string Padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

bool Differs(const std::vector<const char*>& differing, const char* what) {
    for (const char* d : differing)
        if (std::string(d) == what) return true;
    return false;
}

}  // namespace

std::string ResultInfoName(int info) {
    switch (info) {
        case 0: return "ResultOK";
        case 1: return "NotATopLevelWindow";
        case 3: return "CannotMatch";
        case 4: return "NoMatch";
        case 5: return "ResultAmbiguous";
        default: return "info " + std::to_string(info);
    }
}

NativeRect DeviceBounds(const HwndExplanation& e, std::size_t index) {
    const ComponentNode& w = e.windows.at(index);
    if (index >= e.scales.size() || !e.scales[index].scaled()) return {w.x, w.y, w.width, w.height};
    const RECT r = mv::DeviceRectangles({w.x, w.y, w.width, w.height}, e.scales[index]).aboutMonitor;
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::vector<const char*> DifferingBounds(const NativeRect& native, const ComponentNode& window) {
    std::vector<const char*> differing;
    if (window.x != native.x) differing.push_back("x");
    if (window.y != native.y) differing.push_back("y");
    if (window.width != native.width) differing.push_back("width");
    if (window.height != native.height) differing.push_back("height");
    return differing;
}

std::string FormatExplanationText(const HwndExplanation& e) {
    char hwnd[32];
    std::snprintf(hwnd, sizeof hwnd, "0x%lX", e.hwnd);
    std::string text = ResultInfoName(e.info);
    if (e.match) {
        text += ": window " + std::string(hwnd) + " shows the Java window " + ToUtf8(*e.match);
        for (std::size_t i = 0; i < e.windows.size(); ++i) {
            if (e.windows[i].path != *e.match || DifferingBounds(e.native, e.windows[i]).empty()) continue;
            char scale[96];  // matched only by its device rectangle
            std::snprintf(scale, sizeof scale, " (by its bounds at scale %g x %g, in device pixels)",
                          i < e.scales.size() ? e.scales[i].x : 1.0, i < e.scales.size() ? e.scales[i].y : 1.0);
            text += scale;
        }
        text += "\n";
    } else if (!e.topLevel) {
        text += ": window " + std::string(hwnd) + " is not a top-level window; only top-level windows are matched\n";
    } else if (e.windows.empty()) {
        text += ": the Java process lists no top-level window to compare with\n";
    } else {
        text += ": no Java top-level window has exactly the rectangle of window " + std::string(hwnd) + "\n";
    }
    std::size_t pathWidth = 8;
    for (const ComponentNode& w : e.windows) pathWidth = std::max(pathWidth, ToUtf8(w.path).size() + 2);
    text += Padded("", pathWidth) + "      x       y   width  height\n";
    text += Padded("native", pathWidth) + Cell(e.native.x, false) + Cell(e.native.y, false) +
            Cell(e.native.width, false) + Cell(e.native.height, false) + " window " + hwnd + "\n";
    bool anyDiffers = false;
    for (const ComponentNode& w : e.windows) {
        const std::vector<const char*> differing = DifferingBounds(e.native, w);
        anyDiffers = anyDiffers || !differing.empty();
        text += Padded(ToUtf8(w.path), pathWidth) + Cell(w.x, Differs(differing, "x")) +
                Cell(w.y, Differs(differing, "y")) + Cell(w.width, Differs(differing, "width")) +
                Cell(w.height, Differs(differing, "height")) + " " + DescribeNode(w) + "\n";
        const std::size_t i = static_cast<std::size_t>(&w - e.windows.data());
        if (i >= e.scales.size() || !e.scales[i].scaled()) continue;
        const NativeRect d = DeviceBounds(e, i);
        char scale[64];
        std::snprintf(scale, sizeof scale, " device pixels at scale %g x %g\n", e.scales[i].x, e.scales[i].y);
        text += Padded("", pathWidth) + Cell(d.x, d.x != e.native.x) + Cell(d.y, d.y != e.native.y) +
                Cell(d.width, d.width != e.native.width) + Cell(d.height, d.height != e.native.height) + scale;
    }
    if (anyDiffers) text += "* differs from the native window\n";
    return text;
}

std::string FormatExplanationJson(const HwndExplanation& e) {
    JsonWriter out;
    out.BeginObject();
    out.Key("hwnd").Number(e.hwnd);
    out.Key("result").String(FromUtf8(ResultInfoName(e.info)));
    out.Key("info").Number(e.info);
    out.Key("topLevel").Bool(e.topLevel);
    out.Key("native").BeginObject();
    out.Key("x").Number(e.native.x).Key("y").Number(e.native.y);
    out.Key("width").Number(e.native.width).Key("height").Number(e.native.height);
    out.EndObject();
    out.Key("match");
    if (e.match) out.String(*e.match);
    else out.Null();
    out.Key("windows").BeginArray();
    for (const ComponentNode& w : e.windows) {
        out.BeginObject();
        out.Key("path").String(w.path).Key("class").String(w.className);
        out.Key("name");
        if (w.name) out.String(*w.name);
        else out.Null();
        out.Key("title");
        if (w.title) out.String(*w.title);
        else out.Null();
        out.Key("x").Number(w.x).Key("y").Number(w.y).Key("width").Number(w.width).Key("height").Number(w.height);
        out.Key("differs").BeginArray();
        for (const char* d : DifferingBounds(e.native, w)) out.String(FromUtf8(d));
        out.EndArray();
        const std::size_t i = static_cast<std::size_t>(&w - e.windows.data());
        const mv::window_scale scale = i < e.scales.size() ? e.scales[i] : mv::window_scale{};
        const NativeRect d = DeviceBounds(e, i);
        out.Key("scale").BeginObject().Key("x").Real(scale.x).Key("y").Real(scale.y).EndObject();
        out.Key("device").BeginObject().Key("x").Number(d.x).Key("y").Number(d.y);
        out.Key("width").Number(d.width).Key("height").Number(d.height).EndObject();
        out.EndObject();
    }
    out.EndArray();
    out.EndObject();
    return out.text() + "\n";
}

}  // namespace mvjava
