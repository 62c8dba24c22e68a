// mvjava list: the JVMs published in the Running Object Table, with the Java version, whether the
// hook library is installed and the number of top-level windows of each.

#include <cstdio>
#include <optional>

#include "commands.h"
#include "common/com/bstr.h"
#include "common/com/dispatch_elements.h"
#include "console_output.h"
#include "java_arguments.h"
#include "java_ref.h"
#include "json_writer.h"
#include "jvm_lookup.h"
#include "utf8.h"

namespace mvjava {
namespace {

struct PublishedJvm {
    DWORD pid = 0;
    std::optional<std::wstring> javaVersion;  // "java.version"
    std::optional<long> jniVersion;           // GetJVMVersion: major << 16 | minor
    std::optional<long> windows;
    bool hook = false;  // GetMorvaneAWTHook answers a hook object
};

// System.getProperties().getProperty("java.version"). The bridge calls a static method of the
// run-time class of the object it is given, and System has no instances, so the way there is
// reflection: a String's class, Class.forName (a static method of Class, reached through that
// Class instance), then Method.invoke of System.getProperties.
std::optional<std::wstring> JavaVersionOf(IMvJavaCpp* jvm) {
    UINT64 text = 0;
    if (FAILED(jvm->NewJavaString(mv::unique_bstr::copy_of(L"java.lang.System").get(), &text)) || !text)
        return std::nullopt;
    const JavaRef name(jvm, text);
    const JavaRef stringClass = CallObject(jvm, name.get(), L"getClass", L"()Ljava/lang/Class;", {});
    if (!stringClass) return std::nullopt;
    mv::unique_variant forNameArguments;
    UINT64 system = 0;
    if (!MakeArgumentArray(forNameArguments, {ArgumentUI8(name.get())}) ||
        FAILED(jvm->CallStaticObjectMethod(stringClass.get(), mv::unique_bstr::copy_of(L"forName").get(),
                                           mv::unique_bstr::copy_of(L"(Ljava/lang/String;)Ljava/lang/Class;").get(),
                                           forNameArguments.get(), &system)) ||
        !system)
        return std::nullopt;
    const JavaRef systemClass(jvm, system);
    const JavaRef getProperties =
        CallObject(jvm, systemClass.get(), L"getMethod",
                   L"(Ljava/lang/String;[Ljava/lang/Class;)Ljava/lang/reflect/Method;",
                   {ArgumentBstr(L"getProperties"), ArgumentUI8(0)});
    if (!getProperties) return std::nullopt;
    const JavaRef properties = CallObject(jvm, getProperties.get(), L"invoke",
                                          L"(Ljava/lang/Object;[Ljava/lang/Object;)Ljava/lang/Object;",
                                          {ArgumentUI8(0), ArgumentUI8(0)});
    if (!properties) return std::nullopt;
    mv::unique_variant arguments;
    mv::unique_bstr version;
    if (!MakeArgumentArray(arguments, {ArgumentBstr(L"java.version")}) ||
        FAILED(jvm->CallStringMethod(properties.get(), mv::unique_bstr::copy_of(L"getProperty").get(),
                                     mv::unique_bstr::copy_of(L"(Ljava/lang/String;)Ljava/lang/String;").get(),
                                     arguments.get(), version.put())) ||
        !version)
        return std::nullopt;
    return std::wstring(version.view());
}

PublishedJvm Describe(const JvmLookup& lookup, DWORD pid) {
    PublishedJvm published;
    published.pid = pid;
    mv::com_ptr<IMvJavaCpp> jvm;
    try {
        jvm = lookup.FromPid(pid);
    } catch (const Failure&) {
        return published;  // withdrawn since the table was read
    }
    long version = 0;
    if (SUCCEEDED(jvm->GetJVMVersion(&version))) published.jniVersion = version;
    published.javaVersion = JavaVersionOf(jvm.get());
    UINT64 hook = 0;
    published.hook = jvm->GetMorvaneAWTHook(&hook) == S_OK && hook != 0;
    if (hook) jvm->DeleteJavaObject(hook);
    SAFEARRAY* windows = nullptr;
    if (SUCCEEDED(jvm->GetAllTopLevelComponents(&windows)))
        published.windows = static_cast<long>(mv::TakeDispatchElements(windows).size());
    return published;
}

std::string JniVersionText(long version) {
    return std::to_string((static_cast<unsigned long>(version) >> 16) & 0xFFFF) + "." +
           std::to_string(static_cast<unsigned long>(version) & 0xFFFF);
}

}  // namespace

ExitCode RunList(const Options& options) {
    const JvmLookup lookup;
    std::vector<PublishedJvm> jvms;
    for (DWORD pid : PublishedProcessIds()) jvms.push_back(Describe(lookup, pid));

    if (options.json) {
        JsonWriter out;
        out.BeginArray();
        for (const PublishedJvm& jvm : jvms) {
            out.BeginObject().Key("pid").Number(jvm.pid).Key("version");
            if (jvm.javaVersion) out.String(*jvm.javaVersion);
            else out.Null();
            out.Key("jni");
            if (jvm.jniVersion) out.String(FromUtf8(JniVersionText(*jvm.jniVersion)));
            else out.Null();
            out.Key("hook").Bool(jvm.hook).Key("windows");
            if (jvm.windows) out.Number(*jvm.windows);
            else out.Null();
            out.EndObject();
        }
        out.EndArray();
        WriteOut(out.text() + "\n");
    } else {
        for (const PublishedJvm& jvm : jvms) {
            std::string line = std::to_string(jvm.pid) + "  java " +
                               (jvm.javaVersion ? ToUtf8(*jvm.javaVersion) : std::string("?")) + " (JNI " +
                               (jvm.jniVersion ? JniVersionText(*jvm.jniVersion) : std::string("?")) + ")  " +
                               (jvm.hook ? "hook installed  " : "no hook  ") +
                               (jvm.windows ? std::to_string(*jvm.windows) : std::string("?")) +
                               (jvm.windows && *jvm.windows == 1 ? " window\n" : " windows\n");
            WriteOut(line);
        }
    }
    if (jvms.empty()) throw Failure(ExitCode::kNoJvm, "no JVM is published");
    return ExitCode::kOk;
}

}  // namespace mvjava
