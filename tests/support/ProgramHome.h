// The program directory of a test: where the component reads its shipped data and writes what has no
// configured folder (the error logs, "nfeConfig.ini", "Log/"). Every test program runs in a program
// directory of its own, a temporary copy of data/ (its schemas linked, not copied) made when its tests
// start (tests/support/TestMain.cpp), so that no test writes into the shared bin/ folder and two programs
// run by `ctest -j` never see each other's files. A test that needs an empty program directory of its own
// derives from ProgramHomeTest.
#pragma once

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vxn::test {

// Points QUORVANT_NFE_HOME at a fresh folder (empty, or with a copy of the shipped data) for its
// lifetime; puts the previous value back and forgets the exceptions' class-wide state at the end.
class ProgramHome {
public:
  explicit ProgramHome(bool withData = false);
  ~ProgramHome();
  ProgramHome(const ProgramHome&) = delete;
  ProgramHome& operator=(const ProgramHome&) = delete;

  const std::string& Path() const { return dir_.Path(); }
  std::string File(const std::string& name) const { return dir_.File(name); }

private:
  TempDir dir_;
  std::optional<std::string> previous_;
};

// A test with an empty program directory of its own, `home`.
class ProgramHomeTest : public ::testing::Test {
protected:
  ProgramHome home;
};

} // namespace vxn::test
