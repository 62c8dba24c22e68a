#include "svg_writer.h"

#include <algorithm>

#include "text_printer.h"
#include "utf8.h"

namespace mvjava {
namespace {

std::string Attribute(const char* name, long value) {
    return std::string(" ") + name + "=\"" + std::to_string(value) + "\"";
}

void WriteNode(std::string& svg, const ComponentNode& node, long parentX, long parentY) {
    const long x = parentX + node.x;
    const long y = parentY + node.y;
    std::wstring label = ShortClassName(node.className);
    if (node.name) label += L" " + *node.name;
    svg += "<rect" + Attribute("x", x) + Attribute("y", y) + Attribute("width", std::max(0L, node.width)) +
           Attribute("height", std::max(0L, node.height)) + " data-path=\"" + EscapeXml(node.path) + "\"" +
           (node.visible ? " class=\"shown\"" : " class=\"hidden\"") + "><title>" +
           EscapeXml(FromUtf8(DescribeNode(node))) + "</title></rect>\n";
    svg += "<text" + Attribute("x", x + 2) + Attribute("y", y + 10) + ">" + EscapeXml(label) + "</text>\n";
    for (const ComponentNode& child : node.childNodes) WriteNode(svg, child, x, y);
}

}  // namespace

std::string EscapeXml(const std::wstring& text) {
    std::wstring safe;
    safe.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
            case L'&': safe += L"&amp;"; break;
            case L'<': safe += L"&lt;"; break;
            case L'>': safe += L"&gt;"; break;
            case L'"': safe += L"&quot;"; break;
            case L'\'': safe += L"&apos;"; break;
            default:
                // XML 1.0 allows tab, line feed and carriage return of the C0 controls, and no U+FFFE/U+FFFF.
                if ((c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF)
                    safe += static_cast<wchar_t>(0xFFFD);
                else
                    safe += c;
        }
    }
    return ToUtf8(safe);  // unpaired surrogates become U+FFFD there
}

std::string WriteSvg(const ComponentNode& root, long originX, long originY) {
    const long x = originX + root.x;
    const long y = originY + root.y;
    const long width = std::max(1L, root.width);
    const long height = std::max(1L, root.height);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\"" + Attribute("width", width) + Attribute("height", height) +
           " viewBox=\"" + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) + " " +
           std::to_string(height) + "\" font-family=\"sans-serif\" font-size=\"9\">\n";
    svg += "<style>rect{fill:none;stroke:#1f6fb4;stroke-width:1}rect.hidden{stroke:#999;stroke-dasharray:3,2}"
           "text{fill:#333}</style>\n";
    WriteNode(svg, root, originX, originY);
    svg += "</svg>\n";
    return svg;
}

}  // namespace mvjava
