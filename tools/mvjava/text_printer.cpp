#include "text_printer.h"

#include "json_writer.h"
#include "utf8.h"

namespace mvjava {

std::string QuoteText(const std::wstring& text) {
    std::string quoted;
    AppendJsonString(quoted, text);
    return quoted;
}

namespace {

// A name as it is when it reads as one word, else quoted.
std::string BareOrQuoted(const std::wstring& text) {
    bool bare = !text.empty();
    for (wchar_t c : text)
        if (c <= L' ' || c == L'"' || c == L'\\' || c == 0x7F) bare = false;
    return bare ? ToUtf8(text) : QuoteText(text);
}

}  // namespace

std::string DescribeNode(const ComponentNode& node) {
    std::string line = ToUtf8(node.className);
    if (node.name) line += " name=" + BareOrQuoted(*node.name);
    if (node.hiddenLength)
        line += " title=<" + std::to_string(*node.hiddenLength) + " characters hidden>";
    else if (node.title)
        line += " title=" + QuoteText(*node.title);
    line += " (" + std::to_string(node.x) + "," + std::to_string(node.y) + " " + std::to_string(node.width) + "x" +
            std::to_string(node.height) + ")";
    if (!node.visible) line += " hidden";
    return line;
}

std::string FormatTree(const std::vector<ComponentNode>& roots) {
    std::string text;
    for (const ComponentNode& root : roots) {
        VisitTree(root, [&](const ComponentNode& node, int depth) {
            text.append(static_cast<std::size_t>(depth) * 2, ' ');
            text += DescribeNode(node) + " " + ToUtf8(node.path);
            if (node.locator) text += "  " + ToUtf8(*node.locator);
            if (node.children == Children::kNotListed) text += " [children not listed]";
            text += '\n';
        });
    }
    return text;
}

}  // namespace mvjava
