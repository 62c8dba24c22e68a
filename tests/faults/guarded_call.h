#pragma once
// A hang guard: runs one call on a worker thread of the multithreaded apartment and lets the
// test wait for it with a time limit. A call that never returns fails the test instead of
// hanging it; its thread is then left behind, holding only what the call captured by value.

#include <windows.h>
#include <objbase.h>

#include <functional>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "common/win/handles.h"

namespace mv::test {

class GuardedCall {
public:
    explicit GuardedCall(std::function<HRESULT()> call) : m_state(std::make_shared<State>()) {
        m_state->done.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        std::thread([state = m_state, call = std::move(call)] {
            const HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            state->result = call();
            if (SUCCEEDED(init)) ::CoUninitialize();
            ::SetEvent(state->done.get());
        }).detach();
    }

    // True once the call has returned (within `timeoutMs`).
    bool Wait(DWORD timeoutMs) const { return ::WaitForSingleObject(m_state->done.get(), timeoutMs) == WAIT_OBJECT_0; }
    bool Finished() const { return Wait(0); }
    // The call's answer; valid once Wait answered true.
    HRESULT result() const { return m_state->result; }

private:
    struct State {
        unique_handle done;
        HRESULT result = E_PENDING;
    };
    std::shared_ptr<State> m_state;
};

// Runs `call` under the guard and answers its result, or fails the test (answering E_PENDING)
// when it has not returned within `timeoutMs`. Whatever `call` uses must be captured by value.
inline HRESULT CallWithin(DWORD timeoutMs, std::function<HRESULT()> call) {
    GuardedCall guarded(std::move(call));
    if (guarded.Wait(timeoutMs)) return guarded.result();
    ADD_FAILURE() << "the call did not return within " << timeoutMs << " ms";
    return E_PENDING;
}

}  // namespace mv::test
