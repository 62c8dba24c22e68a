// mvjava get, set and click: one component, named by its path, read, filled in or clicked
// through IJAwtComponent (GetValue, SetValue, DoClick).

#include "commands.h"
#include "common/com/bstr.h"
#include "component_tree.h"
#include "component_walk.h"
#include "console_output.h"
#include "json_writer.h"
#include "jvm_lookup.h"
#include "utf8.h"

namespace mvjava {

ExitCode RunGet(const Options& options) {
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    ComponentWalker walker(jvm.get());
    const Component component = walker.Resolve(options.path);
    mv::unique_bstr text;
    VARIANT_BOOL read = VARIANT_FALSE;
    const HRESULT hr = component->GetValue(text.put(), &read);
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, "GetValue failed: " + DescribeHresult(hr));
    if (read != VARIANT_TRUE)
        throw Failure(ExitCode::kRefused, ToUtf8(options.path) + " has no text (no getText())");
    mv::unique_bstr className;
    const bool hidden = !options.showPasswords && SUCCEEDED(component->GetComponentClass(className.put())) &&
                        className && IsPasswordClass(std::wstring(className.view()));
    const std::string shown = "<" + std::to_string(text.view().size()) + " characters hidden>";
    if (options.json) {
        JsonWriter out;
        out.BeginObject().Key("path").String(options.path).Key("text");
        if (hidden) out.Null().Key("hiddenLength").Number(static_cast<long long>(text.view().size()));
        else out.String(text.view());
        WriteOut(out.EndObject().text() + "\n");
    } else {
        WriteOut((hidden ? shown : ToUtf8(text.view())) + "\n");
    }
    return ExitCode::kOk;
}

ExitCode RunSet(const Options& options) {
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    ComponentWalker walker(jvm.get());
    const Component component = walker.Resolve(options.path);
    const mv::unique_bstr text = mv::unique_bstr::copy_of(options.text);
    if (!text) throw Failure(ExitCode::kCallFailed, "out of memory");
    VARIANT_BOOL done = VARIANT_FALSE;
    const HRESULT hr = component->SetValue(text.get(), &done);
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, "SetValue failed: " + DescribeHresult(hr));
    if (done != VARIANT_TRUE)
        throw Failure(ExitCode::kRefused, ToUtf8(options.path) + " did not take the text (no setText(String))");
    return ExitCode::kOk;
}

ExitCode RunClick(const Options& options) {
    const JvmLookup lookup;
    const auto jvm = lookup.FromPid(options.pid);
    ComponentWalker walker(jvm.get());
    const Component component = walker.Resolve(options.path);
    const HRESULT hr = component->DoClick();
    if (hr == S_FALSE)
        throw Failure(ExitCode::kRefused,
                      ToUtf8(options.path) + " was not clicked (not a button, not showing or disabled)");
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, "DoClick failed: " + DescribeHresult(hr));
    if (hr != S_OK) throw Failure(ExitCode::kCallFailed, "DoClick answered " + DescribeHresult(hr));
    return ExitCode::kOk;
}

}  // namespace mvjava
