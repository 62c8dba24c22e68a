// What a forwarded JNI call and an attach/detach cost through the harness (run by hand under
// Wine; prints the figures, asserts nothing).
//   jni_harness_benchmark [iterations]

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "jni_server.h"
#include "jniproxy/mv_jni_proxy.h"

namespace {

using Clock = std::chrono::steady_clock;

double MicrosecondsPer(Clock::duration total, int count) {
    return std::chrono::duration<double, std::micro>(total).count() / count;
}

}  // namespace

int main(int argc, char** argv) {
    int iterations = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (iterations <= 0) iterations = 2000;
    MvJniProxy_SetTracing(0);
    auto startBegin = Clock::now();
    mv::test::JniServer server;
    if (!server.started()) {
        std::fprintf(stderr, "no JNI server: %s\n", server.error().c_str());
        return 1;
    }
    std::printf("server start (JVM with -Xcheck:jni): %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - startBegin).count());
    JavaVM* vm = server.vm();
    JNIEnv* env = nullptr;
    vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr);

    jclass base = env->FindClass("fixtures/Base");
    jmethodID intResult = env->GetStaticMethodID(base, "staticIntResult", "()I");
    auto begin = Clock::now();
    for (int i = 0; i < iterations; ++i) env->GetVersion();
    std::printf("forwarded call (GetVersion): %.1f us\n", MicrosecondsPer(Clock::now() - begin, iterations));
    begin = Clock::now();
    for (int i = 0; i < iterations; ++i) {
        env->CallStaticIntMethod(base, intResult);
        env->ExceptionCheck();
    }
    std::printf("static int call + ExceptionCheck: %.1f us\n", MicrosecondsPer(Clock::now() - begin, iterations));
    env->DeleteLocalRef(base);
    vm->DetachCurrentThread();

    int cycles = iterations / 10 > 0 ? iterations / 10 : 1;
    begin = Clock::now();
    for (int i = 0; i < cycles; ++i) {
        vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr);
        vm->DetachCurrentThread();
    }
    std::printf("attach + detach: %.1f us\n", MicrosecondsPer(Clock::now() - begin, cycles));
    return 0;
}
