// Start-up of the render flavour for its test binaries: binds the native file functions before
// the first test and unbinds them after the last, as the render module's start-up list does.
#include <gtest/gtest.h>

#include "platform/flavour/render/KMNative.h"

namespace {

class RenderFlavourEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(KMNativeBind()) << "the native file functions did not bind"; }
  void TearDown() override { KMNativeUnbind(); }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new RenderFlavourEnvironment);

}  // namespace
