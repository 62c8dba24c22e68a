#include "tree_source.h"

#include <chrono>
#include <cstdio>

#include "common/com/com_ptr.h"
#include "component_walk.h"
#include "console_output.h"
#include "exit_codes.h"
#include "snapshot_fetch.h"

namespace mvjava {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Finish(FetchedTree& tree, Clock::time_point start, const TreeSettings& settings) {
    if (!settings.showPasswords) HidePasswordTexts(tree.windows);
    tree.milliseconds = MillisecondsSince(start);
    if (settings.stats) WriteNote(DescribeFetch(tree));
}

// Takes the snapshot's nodes, or says why they are not used.
bool UseSnapshot(SnapshotAnswer& answer, FetchedTree& tree, const TreeSettings& settings) {
    tree.calls += answer.calls;
    if (answer.nodes) {
        tree.windows = std::move(*answer.nodes);
        tree.oneCall = true;
        return true;
    }
    if (settings.verbose) WriteNote("one-call snapshot not available (" + answer.problem + "); walking components");
    return false;
}

}  // namespace

FetchedTree FetchWindows(IMvJavaCpp* jvm, const TreeSettings& settings) {
    const Clock::time_point start = Clock::now();
    FetchedTree tree;
    if (!settings.forceWalk) {
        SnapshotAnswer answer = SnapshotWindows(jvm, settings.depth);
        if (UseSnapshot(answer, tree, settings)) {
            Finish(tree, start, settings);
            return tree;
        }
    }
    ComponentWalker walker(jvm);
    tree.windows = walker.WalkWindows(settings.depth);
    walker.FillLocators(tree.windows);
    tree.calls += walker.calls();
    Finish(tree, start, settings);
    return tree;
}

FetchedTree FetchWindowOfHwnd(IMvJavaCpp* jvm, ULONG hwnd, const TreeSettings& settings) {
    const Clock::time_point start = Clock::now();
    FetchedTree tree;
    GetHWNDResultInfo info = NoMatch;
    mv::com_ptr<IDispatch> found;
    ++tree.calls;
    const HRESULT hr = jvm->GetComponentFromHwnd(hwnd, &info, found.put());
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, "GetComponentFromHwnd failed: " + DescribeHresult(hr));
    Component window;
    if (found) {
        ++tree.calls;
        found->QueryInterface(__uuidof(IJAwtComponent), window.put_void());
    }
    if (!window || (info != ResultOK && info != ResultAmbiguous)) {
        char text[96];
        std::snprintf(text, sizeof text, "no Java window is shown by window 0x%lX (see: mvjava hwnd PID 0x%lX)", hwnd,
                      hwnd);
        throw Failure(ExitCode::kNotFound, text);
    }
    ComponentWalker walker(jvm);
    const std::wstring path = ChildPath(L"", walker.TopLevelIndexOf(window.get()));
    if (!settings.forceWalk) {
        SnapshotAnswer answer = SnapshotComponent(jvm, walker.HandleOf(window.get()), path, settings.depth);
        if (UseSnapshot(answer, tree, settings)) {
            tree.calls += walker.calls();
            Finish(tree, start, settings);
            return tree;
        }
    }
    tree.windows.push_back(walker.WalkComponent(window.get(), path, settings.depth));
    walker.FillLocators(tree.windows);
    tree.calls += walker.calls();
    Finish(tree, start, settings);
    return tree;
}

std::string DescribeFetch(const FetchedTree& tree) {
    char text[160];
    std::snprintf(text, sizeof text, "%s: %ld COM calls, %.1f ms, %zu components", tree.oneCall ? "one call" : "walk",
                  tree.calls, tree.milliseconds, CountNodes(tree.windows));
    return text;
}

}  // namespace mvjava
