// References made through the proxy are the JVM's own (kinds, identity, frames, use from another
// thread); a local reference dies with its thread's attachment; a pending exception belongs to
// its thread and stays until cleared; monitors are held per thread.

#include <cstdint>
#include <future>
#include <string>
#include <thread>

#include "jni_test.h"

namespace mv::test {
namespace {

// Runs `work` on a new thread attached for its duration; answers whether it attached.
template <typename Work>
bool OnAttachedThread(JavaVM* vm, Work work) {
    bool attached = false;
    std::thread thread([&] {
        JNIEnv* env = nullptr;
        attached = vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) == JNI_OK;
        if (!attached) return;
        work(env);
        vm->DetachCurrentThread();
    });
    thread.join();
    return attached;
}

class References : public JniTest {
protected:
    void CollectGarbage() {
        jclass system = FindClass("java/lang/System");
        env()->CallStaticVoidMethod(system, StaticMethodId(system, "gc", "()V"));
        EXPECT_TRUE(NoException());
        env()->DeleteLocalRef(system);
    }
};

TEST_F(References, KindsAreTheJvmsOwn) {
    LocalFrame frame(env(), 16);
    jstring local = env()->NewStringUTF("kinds");
    jobject global = env()->NewGlobalRef(local);
    jweak weak = env()->NewWeakGlobalRef(local);
    jobject second = env()->NewLocalRef(global);
    EXPECT_EQ(env()->GetObjectRefType(local), JNILocalRefType);
    EXPECT_EQ(env()->GetObjectRefType(second), JNILocalRefType);
    EXPECT_EQ(env()->GetObjectRefType(global), JNIGlobalRefType);
    EXPECT_EQ(env()->GetObjectRefType(weak), JNIWeakGlobalRefType);
    EXPECT_NE(global, local);
    EXPECT_TRUE(env()->IsSameObject(global, local));
    EXPECT_TRUE(env()->IsSameObject(weak, second));
    EXPECT_FALSE(env()->IsSameObject(weak, nullptr));
    env()->DeleteWeakGlobalRef(weak);
    env()->DeleteGlobalRef(global);
}

// The server keeps the JVM's reference values low, so that code which carries them in 32 bits
// (as a module for a 32-bit JVM does) gets them back intact.
TEST_F(References, ValuesStayBelowTwoToThe31) {
    LocalFrame frame(env(), 16);
    auto low = [](const void* value) { return reinterpret_cast<std::uintptr_t>(value) < 0x80000000u; };
    jclass base = FindClass("fixtures/Base");
    jobject global = env()->NewGlobalRef(base);
    jweak weak = env()->NewWeakGlobalRef(base);
    EXPECT_TRUE(low(base)) << base;
    EXPECT_TRUE(low(global)) << global;
    EXPECT_TRUE(low(weak)) << weak;
    EXPECT_TRUE(low(MethodId(base, "intResult", "()I")));
    EXPECT_TRUE(low(StaticFieldId(base, "lastVoidCall", "Ljava/lang/String;")));
    env()->DeleteWeakGlobalRef(weak);
    env()->DeleteGlobalRef(global);
}

TEST_F(References, AGlobalReferenceServesAnotherThread) {
    jstring local = env()->NewStringUTF("shared");
    jobject global = env()->NewGlobalRef(local);
    env()->DeleteLocalRef(local);
    jint length = -1;
    jobjectRefType kind = JNIInvalidRefType;
    ASSERT_TRUE(OnAttachedThread(vm(), [&](JNIEnv* other) {
        EXPECT_NE(other, env());
        kind = other->GetObjectRefType(global);
        length = other->GetStringLength(static_cast<jstring>(global));
    }));
    EXPECT_EQ(kind, JNIGlobalRefType);
    EXPECT_EQ(length, 6);
    env()->DeleteGlobalRef(global);
}

TEST_F(References, LocalFramesKeepOnlyTheResult) {
    EXPECT_EQ(env()->EnsureLocalCapacity(100), JNI_OK);
    ASSERT_EQ(env()->PushLocalFrame(8), JNI_OK);
    jstring inner = env()->NewStringUTF("kept");
    jobject kept = env()->PopLocalFrame(inner);
    ASSERT_NE(kept, nullptr);
    EXPECT_NE(kept, inner);  // a new reference in the outer frame
    EXPECT_EQ(env()->GetObjectRefType(kept), JNILocalRefType);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(kept)), "kept");
    env()->DeleteLocalRef(kept);
}

// The object is held only by a local reference of another attached thread; a weak reference
// shows whether the collector may take it. While the thread stays attached it may not; once the
// thread has detached, its local reference is gone and the collector clears the weak one.
TEST_F(References, ALocalReferenceDiesWhenItsThreadDetaches) {
    std::promise<jweak> made;
    std::promise<void> mayDetach;
    std::thread holder([&] {
        JNIEnv* other = nullptr;
        if (vm()->AttachCurrentThread(reinterpret_cast<void**>(&other), nullptr) != JNI_OK) {
            made.set_value(nullptr);
            return;
        }
        jclass objectClass = other->FindClass("java/lang/Object");
        jobject object = other->AllocObject(objectClass);  // the only strong reference
        made.set_value(other->NewWeakGlobalRef(object));
        mayDetach.get_future().wait();
        vm()->DetachCurrentThread();
    });
    jweak weak = made.get_future().get();
    if (weak == nullptr) {
        mayDetach.set_value();
        holder.join();
        FAIL() << "the holder thread could not attach";
    }
    for (int i = 0; i < 3; ++i) CollectGarbage();
    EXPECT_FALSE(env()->IsSameObject(weak, nullptr)) << "collected while the local reference lived";

    mayDetach.set_value();
    holder.join();
    bool collected = false;
    for (int i = 0; i < 20 && !collected; ++i) {
        CollectGarbage();
        collected = env()->IsSameObject(weak, nullptr);
    }
    EXPECT_TRUE(collected) << "the local reference outlived its thread's attachment";
    env()->DeleteWeakGlobalRef(weak);
}

using Exceptions = JniTest;

TEST_F(Exceptions, APendingExceptionBelongsToItsThreadAndStaysUntilCleared) {
    jclass stateError = FindClass("java/lang/IllegalStateException");
    ASSERT_EQ(env()->ThrowNew(stateError, "thrown on the test thread"), 0);

    bool otherSawOne = true;
    std::string otherMessage;
    ASSERT_TRUE(OnAttachedThread(vm(), [&](JNIEnv* other) {
        otherSawOne = other->ExceptionCheck();
        jclass error = other->FindClass("java/lang/UnsupportedOperationException");
        other->ThrowNew(error, "thrown on the other thread");
        jthrowable own = other->ExceptionOccurred();
        other->ExceptionClear();
        jclass throwable = other->FindClass("java/lang/Throwable");
        jmethodID getMessage = other->GetMethodID(throwable, "getMessage", "()Ljava/lang/String;");
        auto message = static_cast<jstring>(other->CallObjectMethod(own, getMessage));
        if (!other->ExceptionCheck()) otherMessage = Utf(other, message);
    }));
    EXPECT_FALSE(otherSawOne);
    EXPECT_EQ(otherMessage, "thrown on the other thread");

    // Still pending here, through calls that are allowed while one is pending.
    EXPECT_TRUE(env()->ExceptionCheck());
    jthrowable first = env()->ExceptionOccurred();
    jthrowable again = env()->ExceptionOccurred();
    EXPECT_TRUE(env()->IsSameObject(first, again));
    env()->DeleteLocalRef(again);
    EXPECT_TRUE(env()->ExceptionCheck());
    env()->ExceptionClear();
    EXPECT_FALSE(env()->ExceptionCheck());
    EXPECT_EQ(env()->ExceptionOccurred(), nullptr);

    jclass throwable = FindClass("java/lang/Throwable");
    jobject message = env()->CallObjectMethod(first, MethodId(throwable, "getMessage", "()Ljava/lang/String;"));
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Utf(env(), static_cast<jstring>(message)), "thrown on the test thread");
    EXPECT_TRUE(env()->IsInstanceOf(first, stateError));
    env()->DeleteLocalRef(message);
    env()->DeleteLocalRef(throwable);
    env()->DeleteLocalRef(first);
    env()->DeleteLocalRef(stateError);
}

TEST_F(Exceptions, ThrowRaisesTheGivenThrowable) {
    jclass errorClass = FindClass("java/lang/ArithmeticException");
    jobject error = env()->NewObject(errorClass, MethodId(errorClass, "<init>", "()V"));
    ASSERT_TRUE(NoException());
    ASSERT_EQ(env()->Throw(static_cast<jthrowable>(error)), 0);
    jthrowable pending = env()->ExceptionOccurred();
    env()->ExceptionClear();
    EXPECT_TRUE(env()->IsSameObject(pending, error));
    env()->DeleteLocalRef(pending);
    env()->DeleteLocalRef(error);
    env()->DeleteLocalRef(errorClass);
}

using Monitors = JniTest;

TEST_F(Monitors, AMonitorIsHeldByTheThreadThatEnteredIt) {
    LocalFrame frame(env(), 16);
    jclass thread = FindClass("java/lang/Thread");
    jmethodID holdsLock = StaticMethodId(thread, "holdsLock", "(Ljava/lang/Object;)Z");
    jobject lock = env()->NewGlobalRef(NewDefault("java/lang/Object"));
    ASSERT_EQ(env()->MonitorEnter(lock), JNI_OK);
    EXPECT_TRUE(env()->CallStaticBooleanMethod(thread, holdsLock, lock));
    EXPECT_TRUE(NoException());

    bool otherHolds = true;
    jint otherExit = JNI_OK;
    bool otherGotError = false;
    ASSERT_TRUE(OnAttachedThread(vm(), [&](JNIEnv* other) {
        jclass threadClass = other->FindClass("java/lang/Thread");
        jmethodID holds = other->GetStaticMethodID(threadClass, "holdsLock", "(Ljava/lang/Object;)Z");
        otherHolds = other->CallStaticBooleanMethod(threadClass, holds, lock);
        other->ExceptionCheck();
        otherExit = other->MonitorExit(lock);  // not the owner
        otherGotError = other->ExceptionCheck();
        other->ExceptionClear();
    }));
    EXPECT_FALSE(otherHolds);
    EXPECT_NE(otherExit, JNI_OK);
    EXPECT_TRUE(otherGotError);

    EXPECT_EQ(env()->MonitorExit(lock), JNI_OK);
    EXPECT_FALSE(env()->CallStaticBooleanMethod(thread, holdsLock, lock));
    EXPECT_TRUE(NoException());
    env()->DeleteGlobalRef(lock);
}

}  // namespace
}  // namespace mv::test
