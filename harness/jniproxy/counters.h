#pragma once
// Process-wide counts that tests read through MvJniProxy_GetCounters.

#include <atomic>

namespace mv::proxy {

struct ProxyCounters {
    std::atomic<long long> globalRefsMade{0};
    std::atomic<long long> globalRefsDeleted{0};
    std::atomic<long long> weakRefsMade{0};
    std::atomic<long long> weakRefsDeleted{0};
    std::atomic<long long> attaches{0};
    std::atomic<long long> detaches{0};
    std::atomic<long long> calls{0};
};

inline ProxyCounters& Counters() {
    static ProxyCounters counters;
    return counters;
}

}  // namespace mv::proxy
