// nfe cle: a lot of documents issued with nfe emitir is registered by the local server, on the embedded
// default and on the CL-e configuration a file carries, and the printed form is written; a lot its checks
// refuse and a missing file end with their exit codes.
#include "NfeEmitirFixture.h"
#include "NfeProcess.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

#include <regex>

namespace vxn::test {
namespace {

std::string Lote(const std::string& placa) {
  return "[Transportador]\r\nCNPJ=04252011000110\r\nNome=TRANSPORTES A & B LTDA\r\n"
         "[Rodoviario]\r\nPlacaVeiculo=" +
         placa + "\r\nUFVeiculo=SP\r\n[Lote]\r\nUFOrigem=SP\r\nUFDestino=MG\r\nChaves=" + kChaveComandos +
         "," + kChavePipe + "\r\n";
}

void EsperarRegistrada(const NfeRunResult& r, const std::string& pdf) {
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("^129 Lote de CL-e processado\nchvCLe 35[0-9]{42}\n$")))
      << r.out;
  const ProcessResult texto = RunProcess({"/usr/bin/pdftotext", "-layout", pdf, "-"});
  EXPECT_NE(texto.out.find("TRANSPORTES A & B LTDA"), std::string::npos) << texto.out << texto.err;
}

TEST(NfeToolCle, ALotOfIssuedDocumentsIsRegisteredOnTheEmbeddedDefaultAndRefusalsEndWithTheirCodes) {
  TempDir home;
  const NfeRunOptions o = InHome(home);
  const NfeRunResult emitir = RunNfe({"emitir", "--sincrono", kComandos, kPipe}, o);
  ASSERT_EQ(emitir.exitCode, 0) << emitir.out << emitir.err;

  WriteFileAtomic(home.File("lote.ini"), Lote("ABC1D23"));
  EsperarRegistrada(RunNfe({"cle", home.File("lote.ini"), "--pdf", home.File("cle.pdf")}, o),
                    home.File("cle.pdf"));

  WriteFileAtomic(home.File("ruim.ini"), Lote("abc1d23"));
  const NfeRunResult ruim = RunNfe({"cle", home.File("ruim.ini")}, o);
  EXPECT_EQ(ruim.exitCode, 5);
  EXPECT_NE(ruim.err.find("nfe: EvxnCLeException: Placa do veículo é inválida"), std::string::npos)
      << ruim.err;
  EXPECT_EQ(ruim.out, "");
  EXPECT_EQ(RunNfe({"cle", home.File("nao-existe.ini")}, o).exitCode, 3);
}

TEST_F(NfeToolEmitirWithConfig, AFileWithItsOwnCleSectionIsTheCleConfiguration) {
  const NfeRunResult emitir = Nfe({"emitir", "--sincrono", kComandos, kPipe});
  ASSERT_EQ(emitir.exitCode, 0) << emitir.out << emitir.err;
  const std::string lote = dir_.File("lote.ini");
  WriteFileAtomic(lote, ReadWholeFile(files_.CleConfigFile) + Lote("ABC1D23"));
  EsperarRegistrada(RunNfe({"cle", lote, "--pdf", dir_.File("cle.pdf")}, InHome(dir_)), dir_.File("cle.pdf"));
  // The CL-e component wrote its logs where its own section says.
  EXPECT_FALSE(FileNames(dir_.Path() + "sim/Log", "-ret-cle.xml").empty());
}

} // namespace
} // namespace vxn::test
