#include "jvm_host.h"

#include <algorithm>
#include <thread>

namespace mv::server {

JavaVM* CreateJvm(const std::string& classPath, const std::vector<std::string>& options,
                  std::string& error) {
    // A crash report goes to the collected output instead of a file in the working folder, and
    // no core file is written.
    std::vector<std::string> texts = {"-XX:+ErrorFileToStderr", "-XX:-CreateCoredumpOnCrash"};
    if (!classPath.empty()) texts.push_back("-Djava.class.path=" + classPath);
    texts.insert(texts.end(), options.begin(), options.end());
    std::vector<JavaVMOption> jvmOptions(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) jvmOptions[i].optionString = texts[i].data();

    JavaVMInitArgs args{};
    args.version = JNI_VERSION_10;
    args.nOptions = static_cast<jint>(jvmOptions.size());
    args.options = jvmOptions.data();
    args.ignoreUnrecognized = JNI_FALSE;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    jint result = JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&env), &args);
    if (result != JNI_OK) {
        error = "JNI_CreateJavaVM failed with " + std::to_string(result);
        return nullptr;
    }
    return vm;
}

namespace {

// Takes a pending exception off the thread and says what it was.
bool TakeException(JNIEnv* env, const std::string& what, std::string& error) {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionDescribe();
    env->ExceptionClear();
    error = what;
    return true;
}

void RunMain(JavaVM* vm, jclass mainClass, jmethodID main, jobjectArray args) {
    JNIEnv* env = nullptr;
    JavaVMAttachArgs attach{JNI_VERSION_10, const_cast<char*>("main"), nullptr};
    if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), &attach) != JNI_OK) return;
    env->CallStaticVoidMethod(mainClass, main, args);
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        env->ExceptionClear();
    }
    env->DeleteGlobalRef(args);
    env->DeleteGlobalRef(mainClass);
    vm->DetachCurrentThread();
}

}  // namespace

bool StartMainClass(JavaVM* vm, const std::string& mainClass, const std::vector<std::string>& args,
                    std::string& error) {
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_10) != JNI_OK) {
        error = "the starting thread is not attached";
        return false;
    }
    std::string name = mainClass;
    std::replace(name.begin(), name.end(), '.', '/');
    jclass cls = env->FindClass(name.c_str());
    if (TakeException(env, "main class " + mainClass + " not found", error)) return false;
    jmethodID main = env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V");
    if (TakeException(env, mainClass + " has no main(String[])", error)) {
        env->DeleteLocalRef(cls);
        return false;
    }
    jclass stringClass = env->FindClass("java/lang/String");
    if (TakeException(env, "java.lang.String not found", error)) return false;
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(args.size()), stringClass, nullptr);
    if (TakeException(env, "cannot make the argument array", error)) return false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        jstring arg = env->NewStringUTF(args[i].c_str());
        if (TakeException(env, "cannot make an argument string", error)) return false;
        env->SetObjectArrayElement(array, static_cast<jsize>(i), arg);
        env->DeleteLocalRef(arg);
    }
    auto globalClass = static_cast<jclass>(env->NewGlobalRef(cls));
    auto globalArgs = static_cast<jobjectArray>(env->NewGlobalRef(array));
    env->DeleteLocalRef(array);
    env->DeleteLocalRef(stringClass);
    env->DeleteLocalRef(cls);
    std::thread(RunMain, vm, globalClass, main, globalArgs).detach();
    return true;
}

}  // namespace mv::server
