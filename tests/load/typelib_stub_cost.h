#pragma once
// What COM's type-library marshaller leaves behind for each interface stub it makes and
// destroys, measured in this process with an object of our own (no module code involved).
// Under Wine 8 a stub for an interface of the module's type library keeps about 2 KiB after the
// object and its stub are gone, while IDispatch (whose stub is built in) keeps nothing; the host
// pays this for every component object a client queries for a component interface.

#include <windows.h>

namespace mv::test {

struct StubCost {
    HRESULT hr = E_FAIL;  // the first failing marshal call, or S_OK
    double bytesPerStub = 0;
    bool objectsReleased = false;  // every object got back all references the stubs took
};

// Marshals `count` new objects for `iid` and releases the marshal data again, in this process.
// The module's type library must be registered. Call on a thread in the multithreaded apartment.
StubCost MeasureStubCost(REFIID iid, int count);

}  // namespace mv::test
