// The whole job of issuing: 500 distinct 10-item NF-e built by the input dataset, signed by AssinarNota,
// sent by EnviarNF in twenty lots of 25 and followed by ConsultarRecibo to their distribution XML, through
// the component against the local tax-authority server in the same process over TLS on loopback. The
// CPU time is the process's, client and server together, per document, against one raw RSA-2048 SHA-1
// signature; the goal is at most 6 (the client's signature, the server's verification and two schema
// validations among them).
//
// The machine's speed drifts from minute to minute (its clock, other work on a shared host), so the raw
// signature is timed around every issuing of the 500: 500 signatures just before it and 500 just after,
// the same operation as BM_RawRsa2048Sha1 makes. Each repetition gives its own ratio (CPU per document /
// the mean of the two raw blocks); the closing line gives the median of these ratios over the repetitions
// (5 unless --benchmark_repetitions says otherwise), with the medians of both sides.
#include "../support/RsaBaseline.h"
#include "sefaz-sim/SefazSim.h"
#include "support/DevPki.h"
#include "support/NFeLoteFixture.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "vxnNFe.h"
#include "xml/vxnNFeUtils.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kNotas = 500;
// Lots of 25: fifty of these 10-item documents pass the default limit of 500 thousand characters.
constexpr int kPorLote = 25;
// Raw signatures timed before and after each issuing of the 500.
constexpr int kAssinaturasBrutas = 500;
constexpr int kRepeticoes = 5;

const vxn::test::DevPki& Pki() {
  static const vxn::test::DevPki pki;
  return pki;
}

// The NFe elements of a signed lot, concatenated as EnviarNF takes them.
std::string NotasDoLote(const std::string& assinado) {
  std::string notas;
  for (std::size_t p = assinado.find("<NFe "); p != std::string::npos; p = assinado.find("<NFe ", p)) {
    const std::size_t fim = assinado.find("</NFe>", p) + 6;
    notas += assinado.substr(p, fim - p);
    p = fim;
  }
  return notas;
}

// A server with nothing authorised yet and a component configured for it, as a host configures one.
struct TAmbiente {
  vxn::test::TempDir dir;
  std::unique_ptr<vxn::sim::TSefazSim> sim;
  std::unique_ptr<vxn::TvxnNFe> nfe;
  int distribuidos = 0;

  TAmbiente() : sim(std::make_unique<vxn::sim::TSefazSim>(vxn::test::SimOptions())) {
    sim->Start();
    const auto files = sim->WriteConfig(dir.Path() + "sim");
    nfe = std::make_unique<vxn::TvxnNFe>();
    nfe->LoadConfig(files.ConfigFile);
    nfe->SetDiretorioXmlDestinatario(dir.Path() + "XmlDestinatario");
    nfe->SetValidarEsquemaAntesEnvio(true);
    nfe->SetOnXmlDestinatario([this](const std::string&) { ++distribuidos; });
  }
};

void BM_Emissao500(benchmark::State& state) {
  std::vector<std::string> lotes;
  for (int inicio = 1; inicio <= kNotas; inicio += kPorLote)
    lotes.push_back(vxn::test::LoteDoDataSet(kPorLote, false, nullptr, inicio));
  vxn::bench::TRawRsa2048Sha1 bruta(Pki());
  double cpuEmissao = 0;
  double cpuBruta = 0;
  double razoes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto ambiente = std::make_unique<TAmbiente>();
    const double antes = vxn::bench::RawRsaCpuPerSignature(bruta, kAssinaturasBrutas);
    const double inicio = vxn::bench::ProcessCpuSeconds();
    state.ResumeTiming();
    vxn::TvxnNFe& nfe = *ambiente->nfe;
    std::vector<std::string> recibos;
    for (std::size_t i = 0; i < lotes.size(); ++i) {
      const std::string envio =
          nfe.EnviarNF(std::to_string(i + 1), NotasDoLote(nfe.AssinarNota(lotes[i])), false);
      recibos.push_back(vxn::ObterNumRecibo(envio));
    }
    for (const std::string& recibo : recibos)
      benchmark::DoNotOptimize(nfe.ConsultarRecibo(recibo));
    state.PauseTiming();
    const double porNota = (vxn::bench::ProcessCpuSeconds() - inicio) / kNotas;
    const double depois = vxn::bench::RawRsaCpuPerSignature(bruta, kAssinaturasBrutas);
    cpuEmissao += porNota;
    cpuBruta += (antes + depois) / 2;
    razoes += porNota / ((antes + depois) / 2);
    if (ambiente->distribuidos != kNotas)
      state.SkipWithError("not every document was authorised and distributed");
    ambiente.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kNotas);
  using benchmark::Counter;
  state.counters["doc_cpu_us"] = Counter(cpuEmissao * 1e6, Counter::kAvgIterations);
  state.counters["raw_rsa_cpu_us"] = Counter(cpuBruta * 1e6, Counter::kAvgIterations);
  state.counters["ratio"] = Counter(razoes, Counter::kAvgIterations);
}

void BM_RawRsa2048Sha1(benchmark::State& state) {
  vxn::bench::RunRawRsa2048Sha1(state, Pki());
  state.SetItemsProcessed(state.iterations());
}

// Process CPU time: the server answers on threads of its own.
BENCHMARK(BM_Emissao500)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_RawRsa2048Sha1)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv) {
  // Repeated unless the command line says how often: the ratio is a median over repetitions.
  std::vector<char*> args(argv, argv + argc);
  std::string repeticoes = "--benchmark_repetitions=" + std::to_string(kRepeticoes);
  if (std::none_of(args.begin(), args.end(),
                   [](const char* a) { return std::string_view(a).starts_with("--benchmark_repetitions"); }))
    args.push_back(repeticoes.data());
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());
  vxn::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const double razao = reporter.Counter("BM_Emissao500", "ratio");
  if (razao > 0)
    std::printf(
        "issuing per document (client and local server, 500 documents) / raw RSA-2048 signature "
        "timed around it: CPU %.1f us / %.1f us, ratio %.2f (median over the repetitions; goal <= 6)\n",
        reporter.Counter("BM_Emissao500", "doc_cpu_us"), reporter.Counter("BM_Emissao500", "raw_rsa_cpu_us"),
        razao);
  return 0;
}
