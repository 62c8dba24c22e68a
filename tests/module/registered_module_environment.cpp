// Linked into each test program whose tests all need the built module registered: registers
// it before the first test and removes the registration after the last.

#include <gtest/gtest.h>

#include "server_registration.h"

namespace {

::testing::Environment* const g_registeredModule =
    ::testing::AddGlobalTestEnvironment(new mvtest::RegisteredModuleEnvironment);

}  // namespace
