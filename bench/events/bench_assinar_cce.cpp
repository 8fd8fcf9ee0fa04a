// Cost of signing a lot of 20 correction-letter events (AssinarCCe: certificate check, count and
// extraction of every infEvento, escaping, the signing template, the enveloped signature, clean-up)
// against 20 raw RSA-2048 SHA-1 signatures of the same kind of key, in the same run. The closing line
// reports the ratio; the goal is at most 1.5.
#include "../support/RsaBaseline.h"
#include "support/DevPki.h"
#include "support/TempDir.h"
#include "vxnNFe.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kEventos = 20;
constexpr const char* kChave = "35261211222333000181550010000010021482139065";

const vxn::test::DevPki& Pki() {
  static const vxn::test::DevPki pki;
  return pki;
}

// 20 CC-e of one document, sequences 1 to 20, as the builder writes them.
std::string Lote() {
  std::string lote = "<lote>";
  for (int seq = 1; seq <= kEventos; ++seq) {
    char s[4];
    std::snprintf(s, sizeof s, "%02d", seq);
    lote +=
        std::string("<infEvento Id=\"ID110110") + kChave + s +
        "\"><cOrgao>35</cOrgao><tpAmb>2</tpAmb><CNPJ>11222333000181</CNPJ><chNFe>" + kChave +
        "</chNFe><dhEvento>2026-12-05T10:00:00-03:00</dhEvento><tpEvento>110110</tpEvento><nSeqEvento>" +
        std::to_string(seq) +
        "</nSeqEvento><verEvento>1.00</verEvento><detEvento versao=\"1.00\"><descEvento>Carta de "
        "Correcao</descEvento><xCorrecao>Endereco de entrega corrigido para a Rua das Flores, numero " +
        std::to_string(seq) +
        "</xCorrecao><xCondUso>A Carta de Correcao e disciplinada pelo paragrafo 1o-A do art. 7o do "
        "Convenio S/N, de 15 de dezembro de 1970 e pode ser utilizada para regularizacao de erro ocorrido "
        "na emissao de documento fiscal, desde que o erro nao esteja relacionado com: I - as variaveis que "
        "determinam o valor do imposto tais como: base de calculo, aliquota, diferenca de preco, "
        "quantidade, valor da operacao ou da prestacao; II - a correcao de dados cadastrais que implique "
        "mudanca do remetente ou do destinatario; III - a data de emissao ou de saida.</xCondUso>"
        "</detEvento></infEvento>";
  }
  return lote + "</lote>";
}

void BM_AssinarCCe_Lote20(benchmark::State& state) {
  vxn::test::TempDir dir;
  const std::string lote = Lote();
  vxn::TvxnNFe nfe;
  nfe.SetCNPJ("11222333000181");
  nfe.SetUF("SP");
  nfe.SetDiretorioLogErro(dir.Path());
  nfe.SetTipoCertificado(vxn::ckFile);
  nfe.SetCaminhoCertificado(Pki().ValidClientFile());
  nfe.SetSenhaCertificado("1234");
  benchmark::DoNotOptimize(nfe.AssinarCCe(lote)); // opens the certificate once
  for (auto _ : state)
    benchmark::DoNotOptimize(nfe.AssinarCCe(lote));
  state.SetItemsProcessed(state.iterations() * kEventos);
}

void BM_RawRsa2048Sha1(benchmark::State& state) {
  vxn::bench::RunRawRsa2048Sha1(state, Pki());
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_AssinarCCe_Lote20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawRsa2048Sha1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vxn::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const char* const lote = "BM_AssinarCCe_Lote20";
  const char* const raw = "BM_RawRsa2048Sha1";
  const double cpu = reporter.Cpu(lote);
  const double real = reporter.Real(lote);
  if (cpu > 0 && reporter.Cpu(raw) > 0)
    std::printf(
        "AssinarCCe of a 20-event lot / 20 raw RSA-2048 signatures: CPU %.2f ms / %.2f ms = %.2f, wall "
        "%.2f ms / %.2f ms = %.2f (goal <= 1.5)\n",
        cpu * 1e3, kEventos * reporter.Cpu(raw) * 1e3, cpu / (kEventos * reporter.Cpu(raw)), real * 1e3,
        kEventos * reporter.Real(raw) * 1e3, real / (kEventos * reporter.Real(raw)));
  return 0;
}
