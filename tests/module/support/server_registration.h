#pragma once
// Registration of a module with Wine's own regsvr32 into the test prefix's registry.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "process_run.h"

namespace mvtest {

// regsvr32 /s [/u] "modulePath"; exit code 0 means the export succeeded.
ProcessRun RunRegsvr32(const std::wstring& modulePath, bool unregister);

// Registers a module for the life of the object and unregisters it at the end, so that no
// test program leaves a registration behind.
class ScopedServerRegistration {
public:
    explicit ScopedServerRegistration(std::wstring modulePath);
    ~ScopedServerRegistration();
    ScopedServerRegistration(const ScopedServerRegistration&) = delete;
    ScopedServerRegistration& operator=(const ScopedServerRegistration&) = delete;

    bool registered() const { return m_registered; }
    const ProcessRun& registration() const { return m_run; }

private:
    std::wstring m_modulePath;
    ProcessRun m_run;
    bool m_registered = false;
};

// A test program whose every test needs the built module registered: registers it before the
// first test and unregisters it after the last.
class RegisteredModuleEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

private:
    ScopedServerRegistration* m_registration = nullptr;
};

}  // namespace mvtest
