#include "counts.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "jniproxy/mv_jni_proxy.h"
#include "measure.h"

namespace mv::bench {

ProxyCount LocalProxyCount() {
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    return {counters.calls, counters.attaches, counters.detaches};
}

bool HostProxyCount(test::HostProcess& host, ProxyCount& count) {
    std::istringstream answer(host.Command("counters"));
    std::string word;
    return static_cast<bool>(answer >> word >> count.messages >> count.attaches >> count.detaches) &&
           word == "counters";
}

bool HostPrices(test::HostProcess& host, int readings, HarnessPrices& prices) {
    std::vector<double> attachUs, requestUs;
    for (int i = 0; i < readings; ++i) {
        std::istringstream answer(host.Command("prices"));
        std::string word;
        double attach = 0, request = 0;
        if (!(answer >> word >> attach >> request) || word != "prices") return false;
        attachUs.push_back(attach);
        requestUs.push_back(request);
    }
    prices = {Median(requestUs), Median(attachUs)};
    return readings > 0;
}

std::string PricesText(const HarnessPrices& prices) {
    char text[80];
    std::snprintf(text, sizeof text, "attach %.0f us, request %.0f us", prices.attachUs, prices.requestUs);
    return text;
}

Counts CountsBetween(const ProxyCount& before, const ProxyCount& after, double comCalls, double operations) {
    const double attaches = static_cast<double>(after.attaches - before.attaches);
    const double detaches = static_cast<double>(after.detaches - before.detaches);
    Counts counts;
    counts.comCalls = comCalls;
    counts.attaches = attaches / operations;
    counts.jniRequests = (static_cast<double>(after.messages - before.messages) - attaches - detaches) / operations;
    return counts;
}

double ModuleFloorUs(const Counts& counts, const HarnessPrices& prices, double noOpUs, double requiredAttaches) {
    return counts.comCalls * noOpUs + counts.jniRequests * prices.requestUs + requiredAttaches * prices.attachUs;
}

double TestBedShareUs(const Counts& counts, const HarnessPrices& prices) {
    return counts.jniRequests * prices.requestUs + counts.attaches * prices.attachUs;
}

std::string CountText(double value) {
    char text[32];
    const bool whole = value == static_cast<double>(static_cast<long long>(value));
    std::snprintf(text, sizeof text, whole ? "%.0f" : "%.1f", value);
    return text;
}

}  // namespace mv::bench
