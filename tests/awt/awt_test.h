#pragma once
// The fixture of every AWT test: the program's host (awt_host.h) and a proxy to its main object.

#include <gtest/gtest.h>

#include "awt_host.h"
#include "components.h"

namespace mv::test {

class AwtTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_host = AwtHost::Get();
        ASSERT_NE(m_host, nullptr) << AwtHost::Problem();
        m_jvm = m_host->Jvm();
        ASSERT_TRUE(m_jvm) << "the published object of the host";
    }
    HostProcess& host() { return m_host->process(); }
    IMvJavaCpp* jvm() { return m_jvm.get(); }
    // A top-level window of the application by its name; fails the test when there is none.
    Component Window(const std::wstring& name) {
        for (const Component& window : TopLevelWindows(jvm()))
            if (NameOf(window.get()) == name) return window;
        return ADD_FAILURE() << "no top-level window named " << std::string(name.begin(), name.end()), Component();
    }

private:
    AwtHost* m_host = nullptr;
    com_ptr<IMvJavaCpp> m_jvm;
};

}  // namespace mv::test
