// Tests that need Qt share one application, made when first needed and deleted after the last
// test, while Qt's own statics still exist.

#include <gtest/gtest.h>

#include "backends/qt/qt_environment.h"

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { releaseGuiApplication(); }
};

[[maybe_unused]] ::testing::Environment* const kRegistered =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
