#pragma once
// What a figure's operation made, and the two floors computed from it: the module's floor (the
// COM calls at the cost of a no-op call, the same JNI requests made directly, and the attaches
// the module's rules require) and the test bed's share (the JNI requests and attaches at the
// harness's prices, which a Java process without the harness does not pay: there a JNI request
// is a plain function call).

#include <string>

#include "host_process.h"

namespace mv::bench {

// The JNI proxy's counts in one process at one moment.
struct ProxyCount {
    long long messages = 0;  // every message to the JNI server, attach and detach included
    long long attaches = 0;
    long long detaches = 0;
};

// In this process / in a host (through its "counters" command; false when it did not answer).
ProxyCount LocalProxyCount();
bool HostProxyCount(test::HostProcess& host, ProxyCount& count);

// Per operation of a figure.
struct Counts {
    double comCalls = 0;
    double jniRequests = 0;  // JNI functions sent to the server (attach and detach messages not counted)
    double attaches = 0;
    double RoundTrips() const { return jniRequests + 2 * attaches; }  // an attach's detach is one more
};

// The counts of `operations` operations that made `comCalls` COM calls each, between two reads.
Counts CountsBetween(const ProxyCount& before, const ProxyCount& after, double comCalls, double operations);

// The harness's prices, measured in the same run where the work runs.
struct HarnessPrices {
    double requestUs = 0;  // one JNI request: a loopback round trip to the JNI server
    double attachUs = 0;   // one attach and its detach: a new connection and a JVM thread
};

// A host's prices: the median of `readings` answers of its "prices" command; false when it did
// not answer them.
bool HostPrices(test::HostProcess& host, int readings, HarnessPrices& prices);
// "attach 2345.6 us, request 98.7 us" for the notes.
std::string PricesText(const HarnessPrices& prices);

// The module's floor and the test bed's share of an operation, in microseconds. `noOpUs` is the
// cost of a COM call that does not reach Java (in process or across, as the figure is);
// `requiredAttaches` what the module's rules require (one per operation of a thread not attached).
double ModuleFloorUs(const Counts& counts, const HarnessPrices& prices, double noOpUs, double requiredAttaches);
double TestBedShareUs(const Counts& counts, const HarnessPrices& prices);

// "12.0" style counts for the table.
std::string CountText(double value);

}  // namespace mv::bench
