// The package is started for the whole run, as the framework starts a package a program uses.
#include <gtest/gtest.h>

#include "grepkit/Package.h"

namespace {

class PackageStarted : public ::testing::Environment {
 public:
  void SetUp() override { Initialize(); }
  void TearDown() override { Finalize(); }
};

const ::testing::Environment* const Started =
    ::testing::AddGlobalTestEnvironment(new PackageStarted);

}  // namespace
