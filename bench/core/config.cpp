// Cost of the configuration file: loading a complete file, and saving a changed configuration (about
// 70 keys) compared with one atomic write of the same text, which is what batching the writes makes it.
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnIniFile.h"
#include "vxnNFe.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using vxn::TvxnNFe;

struct Home {
  Home() {
    ::setenv("QUORVANT_NFE_HOME", dir.Path().c_str(), 1);
    TvxnNFe nfe;
    nfe.GetGov();
    nfe.SetUF("SP");
    nfe.SetCNPJ("12345678000195");
    nfe.SaveConfig(dir.File("nfeConfig.ini"));
    text = vxn::ReadWholeFile(dir.File("nfeConfig.ini"));
  }
  vxn::test::TempDir dir;
  std::string text;
};

Home& TheHome() {
  static Home home;
  return home;
}

void BM_LoadConfig(benchmark::State& state) {
  Home& h = TheHome();
  for (auto _ : state) {
    TvxnNFe nfe;
    nfe.LoadConfig(h.dir.File("nfeConfig.ini"));
    benchmark::DoNotOptimize(nfe.GetUF());
  }
}
BENCHMARK(BM_LoadConfig);

void BM_SaveConfigToFile(benchmark::State& state) {
  Home& h = TheHome();
  TvxnNFe nfe;
  nfe.GetGov();
  nfe.LoadConfig(h.dir.File("nfeConfig.ini"));
  int timeOut = 0;
  for (auto _ : state) {
    nfe.SetTimeOut(++timeOut); // a changed value: the file really is rewritten
    nfe.SaveConfig(h.dir.File("salvo.ini"));
  }
}
BENCHMARK(BM_SaveConfigToFile);

void BM_SaveConfigInMemory(benchmark::State& state) {
  Home& h = TheHome();
  TvxnNFe nfe;
  nfe.GetGov();
  nfe.LoadConfig(h.dir.File("nfeConfig.ini"));
  vxn::TvxnIniFile ini;
  for (auto _ : state)
    nfe.SaveConfig(&ini);
}
BENCHMARK(BM_SaveConfigInMemory);

// The floor of a save to disk: one atomic replacement (with its flush) of the same text.
void BM_OneAtomicWriteOfTheSameText(benchmark::State& state) {
  Home& h = TheHome();
  for (auto _ : state)
    vxn::WriteFileAtomic(h.dir.File("bruto.ini"), h.text);
}
BENCHMARK(BM_OneAtomicWriteOfTheSameText);

} // namespace

BENCHMARK_MAIN();
