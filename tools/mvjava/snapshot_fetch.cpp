#include "snapshot_fetch.h"

#include "common/com/bstr.h"
#include "common/com/variant.h"
#include "exit_codes.h"
#include "java_arguments.h"
#include "node_json.h"
#include "utf8.h"

namespace mvjava {
namespace {

// Calls the hook's static String method and hands back its text (UTF-8), or nullopt.
std::optional<std::string> CallHook(IMvJavaCpp* jvm, const wchar_t* method, const wchar_t* signature,
                                    std::vector<VARIANT> args, SnapshotAnswer& answer) {
    mv::unique_variant arguments;
    if (!MakeArgumentArray(arguments, std::move(args))) {
        answer.problem = "cannot build the argument array";
        return std::nullopt;
    }
    UINT64 hook = 0;
    ++answer.calls;
    HRESULT hr = jvm->GetMorvaneAWTHook(&hook);
    if (FAILED(hr) || !hook) {
        answer.problem = "GetMorvaneAWTHook failed: " + DescribeHresult(hr);
        return std::nullopt;
    }
    mv::unique_bstr json;
    ++answer.calls;
    hr = jvm->CallStaticStringMethod(hook, mv::unique_bstr::copy_of(method).get(),
                                     mv::unique_bstr::copy_of(signature).get(), arguments.get(), json.put());
    ++answer.calls;
    jvm->DeleteJavaObject(hook);
    if (FAILED(hr)) {
        answer.problem = "the hook's " + ToUtf8(method) + " failed: " + DescribeHresult(hr);
        return std::nullopt;
    }
    if (!json) {
        answer.problem = "the hook's " + ToUtf8(method) + " answered null";
        return std::nullopt;
    }
    return ToUtf8(json.view());
}

}  // namespace

SnapshotAnswer SnapshotWindows(IMvJavaCpp* jvm, int depth) {
    SnapshotAnswer answer;
    const std::optional<std::string> json =
        CallHook(jvm, L"snapshotWindows", L"(I)Ljava/lang/String;", {ArgumentI4(depth)}, answer);
    if (!json) return answer;
    std::string error;
    answer.nodes = NodesFromJsonText(*json, error);
    if (!answer.nodes) answer.problem = "the snapshot is not a list of components: " + error;
    return answer;
}

SnapshotAnswer SnapshotComponent(IMvJavaCpp* jvm, UINT64 root, const std::wstring& path, int depth) {
    SnapshotAnswer answer;
    const std::optional<std::string> json =
        CallHook(jvm, L"snapshotComponent", L"(Ljava/lang/Object;Ljava/lang/String;I)Ljava/lang/String;",
                 {ArgumentUI8(root), ArgumentBstr(path), ArgumentI4(depth)}, answer);
    if (!json) return answer;
    std::string error;
    std::optional<ComponentNode> node = NodeFromJsonText(*json, error);
    if (!node) {
        answer.problem = "the snapshot is not a component: " + error;
        return answer;
    }
    answer.nodes.emplace();
    answer.nodes->push_back(std::move(*node));
    return answer;
}

}  // namespace mvjava
