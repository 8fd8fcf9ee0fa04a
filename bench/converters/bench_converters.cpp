// Documents per second through the text converters, on lots of 50 copies of the examples/ sale (three
// items each, numbers 1..50): the command text replayed on the input dataset (the dictionary is loaded
// once per conversion, as every call of the converter does) and the pipe text written through its
// dictionaries.
#include "converters/vxnNFeConverter.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kDocumentos = 50;

std::string Exemplo(const char* arquivo) {
  return vxn::test::ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/examples/" + arquivo);
}

// The example repeated with numbers 1..kDocumentos: the first `numero` becomes antes + i + depois.
std::string Lote(const char* arquivo, const std::string& numero, const std::string& antes,
                 const std::string& depois) {
  const std::string doc = Exemplo(arquivo);
  std::string lote;
  for (int i = 1; i <= kDocumentos; ++i) {
    std::string copia = doc;
    const std::size_t p = copia.find(numero);
    copia.replace(p, numero.size(), antes + std::to_string(i) + depois);
    lote += copia + "\r\n";
  }
  return lote;
}

void Converte(benchmark::State& state, const std::string& lote, vxn::TLayoutConvKind tipo) {
  vxn::TvxnNFeConverter conv;
  conv.SetDiretorioTemplates(std::string(QVX_BIN_DIR) + "/Templates/vm60/");
  std::size_t bytes = 0;
  for (auto _ : state)
    bytes = conv.ConvertToXml(lote, "4.00", tipo, vxn::pl_009g, false).size();
  state.counters["xml_bytes_per_lot"] = static_cast<double>(bytes);
  state.counters["docs_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kDocumentos, benchmark::Counter::kIsRate);
}

void BM_CommandTextLotOf50(benchmark::State& state) {
  Converte(state, Lote("venda-sp-mg-comandos.txt", "nNF_B08=1001", "nNF_B08=", ""), vxn::lkTXTDataSet);
}
BENCHMARK(BM_CommandTextLotOf50)->Unit(benchmark::kMillisecond);

void BM_PipeTextLotOf50(benchmark::State& state) {
  Converte(state, Lote("venda-sp-mg-pipe.txt", "|1002|", "|", "|"), vxn::lkTXTDic);
}
BENCHMARK(BM_PipeTextLotOf50)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
