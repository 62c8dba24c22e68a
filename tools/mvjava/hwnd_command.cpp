// mvjava hwnd: what GetComponentFromHwnd answers for a native window, spelled out, and the
// rectangles side by side when it finds no Java window.

#include <cstdio>

#include "commands.h"
#include "common/com/com_ptr.h"
#include "component_walk.h"
#include "console_output.h"
#include "common/com/bstr.h"
#include "hwnd_explain.h"
#include "java_arguments.h"
#include "jvm_lookup.h"
#include "tree_source.h"

namespace mvjava {
namespace {

double CallDouble(IMvJavaCpp* jvm, UINT64 object, const wchar_t* name, double otherwise) {
    const mv::unique_bstr n = mv::unique_bstr::copy_of(name), s = mv::unique_bstr::copy_of(L"()D");
    VARIANT none;
    ::VariantInit(&none);
    double result = 0;
    return object && n && s && SUCCEEDED(jvm->CallDoubleMethod(object, n.get(), s.get(), none, &result)) ? result
                                                                                                      : otherwise;
}

// Each top-level window's scale, in the top-level list's order: its GraphicsConfiguration's default
// transform (1 by 1 where it cannot be read).
std::vector<mv::window_scale> WindowScales(IMvJavaCpp* jvm) {
    ComponentWalker walker(jvm);
    std::vector<mv::window_scale> scales;
    for (const Component& window : walker.TopLevelWindows()) {
        const JavaRef configuration = CallObject(jvm, window ? walker.HandleOf(window.get()) : 0,
                                                 L"getGraphicsConfiguration", L"()Ljava/awt/GraphicsConfiguration;");
        const JavaRef transform =
            CallObject(jvm, configuration.get(), L"getDefaultTransform", L"()Ljava/awt/geom/AffineTransform;");
        scales.push_back({CallDouble(jvm, transform.get(), L"getScaleX", 1),
                          CallDouble(jvm, transform.get(), L"getScaleY", 1)});
    }
    return scales;
}

}  // namespace

ExitCode RunHwnd(const Options& options) {
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(options.hwnd));
    RECT rect{};
    if (!::IsWindow(window) || !::GetWindowRect(window, &rect)) {
        char text[64];
        std::snprintf(text, sizeof text, "0x%lX is not a window", options.hwnd);
        throw Failure(ExitCode::kNotFound, text);
    }
    HwndExplanation explanation;
    explanation.hwnd = options.hwnd;
    explanation.native = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    explanation.topLevel = ::GetAncestor(window, GA_ROOT) == window;

    GetHWNDResultInfo info = NoMatch;
    mv::com_ptr<IDispatch> found;
    const HRESULT hr = jvm->GetComponentFromHwnd(options.hwnd, &info, found.put());
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, "GetComponentFromHwnd failed: " + DescribeHresult(hr));
    explanation.info = static_cast<int>(info);

    TreeSettings settings;
    settings.depth = 0;
    settings.forceWalk = options.walk;
    settings.verbose = options.verbose;
    settings.stats = options.stats;
    explanation.windows = FetchWindows(jvm.get(), settings).windows;
    for (ComponentNode& w : explanation.windows) w.children = Children::kNone;
    explanation.scales = WindowScales(jvm.get());

    Component component;
    if (found) found->QueryInterface(__uuidof(IJAwtComponent), component.put_void());
    if (component) {
        ComponentWalker walker(jvm.get());
        explanation.match = ChildPath(L"", walker.TopLevelIndexOf(component.get()));
    }
    WriteOut(options.json ? FormatExplanationJson(explanation) : FormatExplanationText(explanation));
    const bool matched = (info == ResultOK || info == ResultAmbiguous) && component;
    return matched ? ExitCode::kOk : ExitCode::kRefused;
}

}  // namespace mvjava
