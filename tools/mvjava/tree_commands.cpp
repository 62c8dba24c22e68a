// mvjava tree, find and snapshot: commands that fetch the component tree (one call or walk).

#include "commands.h"
#include "component_path.h"
#include "console_output.h"
#include "file_output.h"
#include "find_filter.h"
#include "jvm_lookup.h"
#include "node_json.h"
#include "svg_writer.h"
#include "text_printer.h"
#include "tree_source.h"
#include "utf8.h"

namespace mvjava {
namespace {

TreeSettings SettingsOf(const Options& options, int depth) {
    TreeSettings settings;
    settings.depth = depth;
    settings.forceWalk = options.walk;
    settings.verbose = options.verbose;
    settings.stats = options.stats;
    settings.showPasswords = options.showPasswords;
    return settings;
}

void PrintNodes(const std::vector<ComponentNode>& nodes, bool json) {
    WriteOut(json ? NodesToJson(nodes) + "\n" : FormatTree(nodes));
}

}  // namespace

ExitCode RunTree(const Options& options) {
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    const TreeSettings settings = SettingsOf(options, options.depth);
    const FetchedTree tree = options.hasWindow ? FetchWindowOfHwnd(jvm.get(), options.hwnd, settings)
                                               : FetchWindows(jvm.get(), settings);
    PrintNodes(tree.windows, options.json);
    return ExitCode::kOk;
}

ExitCode RunFind(const Options& options) {
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    const FetchedTree tree = FetchWindows(jvm.get(), SettingsOf(options, -1));
    const std::vector<ComponentNode> found = FindComponents(tree.windows, options.filter);
    if (options.json) {
        PrintNodes(found, true);
    } else {
        std::string text;
        for (const ComponentNode& node : found) text += ToUtf8(node.path) + " " + DescribeNode(node) + "\n";
        WriteOut(text);
    }
    if (found.empty()) throw Failure(ExitCode::kNotFound, "no component matched");
    return ExitCode::kOk;
}

ExitCode RunSnapshot(const Options& options) {
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    const std::wstring wanted = options.windowPath.empty() ? L"/0" : options.windowPath;
    const std::vector<std::size_t> indexes = *ParseComponentPath(wanted);
    const FetchedTree tree = FetchWindows(jvm.get(), SettingsOf(options, -1));

    // Down the path, adding up the ancestors' positions.
    const std::vector<ComponentNode>* level = &tree.windows;
    const ComponentNode* node = nullptr;
    long originX = 0, originY = 0;
    for (std::size_t depth = 0; depth < indexes.size(); ++depth) {
        const std::wstring path = FormatComponentPath({indexes.begin(), indexes.begin() + depth + 1});
        const ComponentNode* next = nullptr;
        for (const ComponentNode& candidate : *level)
            if (candidate.path == path) next = &candidate;
        if (!next) throw Failure(ExitCode::kNotFound, "no component at " + ToUtf8(path));
        if (node) {
            originX += node->x;
            originY += node->y;
        }
        node = next;
        level = &node->childNodes;
    }
    const std::string svg = WriteSvg(*node, originX, originY);
    WriteWholeFile(options.svgFile, svg);
    std::size_t count = 0;
    VisitTree(*node, [&](const ComponentNode&, int) { ++count; });
    WriteOut("wrote " + std::to_string(count) + " components of " + ToUtf8(wanted) + " to " +
             ToUtf8(options.svgFile) + "\n");
    return ExitCode::kOk;
}

}  // namespace mvjava
