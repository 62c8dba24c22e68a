#pragma once
// A mix of cross-process calls on a host's main object, each answer compared with what the
// fixtures and the sample applications are known to hold. Used by the load clients (many at once)
// and by the soak (component rounds, one after another). One checker per thread.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"

namespace mv::test {

class CheckedCalls {
public:
    // `mirrorWindow`: a native window of the host at the login window's bounds (0: none).
    CheckedCalls(IMvJavaCpp* jvm, ULONG mirrorWindow) : m_jvm(jvm), m_mirrorWindow(mirrorWindow) {}

    // Fields of a new fixtures.Fields object, written and read back with `salt`.
    void Fields(int salt);
    // Instance, static and nonvirtual methods with argument arrays.
    void Methods(int salt);
    // Strings with characters outside the BMP, there and back.
    void Strings(int salt);
    // Primitive arrays written and read, an object array of strings read element by element.
    void Arrays(int salt);
    // GetAllTopLevelComponents, each window's name, one level of children and their classes;
    // every component object is released before it returns.
    void ComponentRound();
    // Titles and bounds of both windows, and the Java window behind the mirror window.
    void WindowDetails();

    // One operation of the load mix, chosen by `step`.
    void MixStep(unsigned step, int salt);

    std::uint64_t calls() const { return m_calls; }
    std::uint64_t failures() const { return m_failures; }
    // Component interfaces queried on new component objects: each makes an interface stub in
    // the host.
    std::uint64_t componentInterfaceQueries() const { return m_componentInterfaceQueries; }
    // The first few failures, described.
    const std::vector<std::string>& failureTexts() const { return m_failureTexts; }

    // Counts one call and its result: true for S_OK.
    bool Succeeded(HRESULT hr, const char* what);
    // Counts a failure unless `ok`.
    bool Check(bool ok, const std::string& what);

private:
    IMvJavaCpp* m_jvm;
    ULONG m_mirrorWindow;
    std::uint64_t m_calls = 0;
    std::uint64_t m_failures = 0;
    std::uint64_t m_componentInterfaceQueries = 0;
    std::vector<std::string> m_failureTexts;
};

}  // namespace mv::test
