// The DANFE as a PDF file, end to end through the printer object (parameters, print data, model,
// layout, pango text, zint barcode, cairo PDF with embedded fonts, atomic write): a 1-item document
// (goal: at most 4 ms) and a 50-item one (goal: at most 15 ms), with the process's peak resident memory
// (goal: at most 40 MiB). The baseline beside them is the print data alone of the same documents, so the
// ratio shows what drawing adds.
#include "danfe/vxnNFeDanfe.h"
#include "support/DanfeDocument.h"
#include "vxnFiles.h"
#include "vxnGovX.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <string>

namespace {

double PicoResidenteMiB() {
  rusage uso{};
  getrusage(RUSAGE_SELF, &uso);
  return static_cast<double>(uso.ru_maxrss) / 1024.0;
}

void BM_DanfePdf(benchmark::State& state) {
  const std::string xml = vxn::test::AuthorisedDanfeDocument(static_cast<int>(state.range(0)));
  const std::string saida = "/tmp/bench-danfe-" + std::to_string(::getpid()) + ".pdf";
  vxn::TvxnGovX gov;
  vxn::TvxnNFeDanfe danfe(gov);
  danfe.SetXML(xml);
  danfe.SetParams("ModeloRetrato=" QVX_SOURCE_DIR "/data/Templates/Vm50a/Danfe/retrato.rtm\r\n"
                  "FormatoExportacao=1\r\nSalvarComo=" +
                  saida + "\r\n");
  for (auto _ : state)
    danfe.Exportar();
  state.counters["bytes_pdf"] = static_cast<double>(vxn::ReadWholeFile(saida).size());
  state.counters["pico_MiB"] = PicoResidenteMiB();
  vxn::DeleteFileIfExists(saida);
}
BENCHMARK(BM_DanfePdf)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_DanfeDadosSomente(benchmark::State& state) {
  const std::string xml = vxn::test::AuthorisedDanfeDocument(static_cast<int>(state.range(0)));
  auto dados = vxn::CriarNFeDanfeDados(vxn::vm60);
  dados->SetXml(xml);
  for (auto _ : state)
    dados->PopulaDataSet();
}
BENCHMARK(BM_DanfeDadosSomente)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
