// Schema validation of a 10-item NF-e against the official 4.00 schema: the first call of a process
// (schema compiled, then the document validated) against the later calls (compiled schema from the
// cache). Prints the ratio of the two at the end; the goal is a later call at least 50 times cheaper.
#include "support/TempDir.h"
#include "vxnGovUtils.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

const std::string kXsd = std::string(QVX_SCHEMAS_DIR) + "/vm60/nfe_v4.00.xsd";

const std::string& Sample() {
  static const std::string sample =
      vxn::test::ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml");
  return sample;
}

void BM_FirstCall_CompileAndValidate(benchmark::State& state) {
  vxn::TvxnGovUtils u;
  for (auto _ : state) {
    vxn::TvxnGovUtils::ClearSchemaCache(); // every iteration is a first call
    u.ValidateSchema(Sample(), vxn::kNFeNamespace, kXsd);
  }
}
BENCHMARK(BM_FirstCall_CompileAndValidate)->Unit(benchmark::kMillisecond);

void BM_LaterCall_ValidateOnly(benchmark::State& state) {
  vxn::TvxnGovUtils u;
  u.ValidateSchema(Sample(), vxn::kNFeNamespace, kXsd); // compiles once
  for (auto _ : state)
    u.ValidateSchema(Sample(), vxn::kNFeNamespace, kXsd);
}
BENCHMARK(BM_LaterCall_ValidateOnly)->Unit(benchmark::kMillisecond);

// The same document naming its schema (xsi:schemaLocation), validated against the schema directory.
void BM_LaterCall_ByDirectory(benchmark::State& state) {
  const std::string root = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
  std::string located = Sample();
  located.insert(located.find(root) + root.size(),
                 " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                 "xsi:schemaLocation=\"http://www.portalfiscal.inf.br/nfe nfe_v4.00.xsd\"");
  const std::string dir = std::string(QVX_SCHEMAS_DIR) + "/vm60";
  vxn::TvxnGovUtils u;
  u.ValidateSchemaByDirectory(located, dir); // compiles once
  for (auto _ : state)
    u.ValidateSchemaByDirectory(located, dir);
}
BENCHMARK(BM_LaterCall_ByDirectory)->Unit(benchmark::kMillisecond);

// Console output as usual, plus the ratio of the mean times of the two benchmarks.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
        real_[r.run_name.function_name] = r.real_accumulated_time / static_cast<double>(r.iterations);
        cpu_[r.run_name.function_name] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
      }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    // CPU time is reported too: on a loaded machine it is the steadier of the two.
    for (auto* times : {&real_, &cpu_}) {
      const double first = (*times)["BM_FirstCall_CompileAndValidate"];
      const double later = (*times)["BM_LaterCall_ValidateOnly"];
      if (first > 0 && later > 0)
        std::printf("%s time: first call %.3f ms, later call %.3f ms: a later call is %.1f times cheaper "
                    "(goal: 50)\n",
                    times == &real_ ? "real" : "CPU", first * 1e3, later * 1e3, first / later);
    }
  }

private:
  std::map<std::string, double> real_;
  std::map<std::string, double> cpu_;
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (Sample().empty()) {
    std::fprintf(stderr, "sample NF-e not found\n");
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
