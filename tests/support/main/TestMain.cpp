// The main function of every test program: its tests run in a program directory of its own (see
// support/ProgramHome.h), made only when tests run, not when ctest lists them.
#include "support/ProgramHome.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ProgramHomeEnvironment : public ::testing::Environment {
public:
  void SetUp() override { home_ = std::make_unique<vxn::test::ProgramHome>(true); }
  void TearDown() override { home_.reset(); }

private:
  std::unique_ptr<vxn::test::ProgramHome> home_;
};

} // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new ProgramHomeEnvironment); // gtest owns and deletes it
  return RUN_ALL_TESTS();
}
