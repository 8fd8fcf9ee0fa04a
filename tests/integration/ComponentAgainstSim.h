// A component configured against a local tax-authority server started for the test, with the server's
// request log and the test's own folder (the server's files under "sim", the error log under "LogErro").
#pragma once

#include "SimRequestLog.h"
#include "sefaz-sim/SefazSim.h"
#include "support/TempDir.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

namespace vxn::test {

class TComponentAgainstSim : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    nfe_.LoadConfig(files_.ConfigFile);
    nfe_.SetDiretorioLogErro(dir_.Path() + "LogErro");
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  TSimRequestLog requests_;
  TempDir dir_;
  sim::TSefazSim sim_{requests_.Options()};
  sim::TSefazSimConfigFiles files_;
  TvxnNFe nfe_;
};

} // namespace vxn::test
