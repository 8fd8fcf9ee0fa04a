// The whole job of issuing: 500 distinct 10-item NF-e built by the input dataset, signed by AssinarNota,
// sent by EnviarNF in twenty lots of 25 and followed by ConsultarRecibo to their distribution XML, through
// the component against the local tax-authority server in the same process over TLS on loopback. The
// CPU time is the process's, client and server together, per document, against one raw RSA-2048 SHA-1
// signature measured in the same run; the goal is at most 6 (the client's signature, the server's
// verification and two schema validations among them).
#include "../support/RsaBaseline.h"
#include "sefaz-sim/SefazSim.h"
#include "support/DevPki.h"
#include "support/NFeLoteFixture.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "vxnNFe.h"
#include "xml/vxnNFeUtils.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kNotas = 500;
// Lots of 25: fifty of these 10-item documents pass the default limit of 500 thousand characters.
constexpr int kPorLote = 25;

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
  for (auto _ : state) {
    state.PauseTiming();
    auto ambiente = std::make_unique<TAmbiente>();
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
    if (ambiente->distribuidos != kNotas)
      state.SkipWithError("not every document was authorised and distributed");
    ambiente.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kNotas);
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
  return vxn::bench::RunWithRatio(argc, argv, "BM_Emissao500", kNotas, "BM_RawRsa2048Sha1",
                                  "issuing per document (client and local server, 500 documents)", 6);
}
