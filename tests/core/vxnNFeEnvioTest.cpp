// The checks of a lot that need no server: its size in characters against MaxSizeLoteEnvio (with the
// decimal separator of the C locale), the documents of a lot text, the order of the synchronous send's
// refusals, and the obsolete operations.
#include "support/NFeLoteFixture.h"
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

// Puts LC_NUMERIC of a Brazilian locale (decimal comma) in force for the scope, compiling one into a
// temporary folder when the system has none installed; restores the C locale at scope end.
class BrazilianNumbers {
public:
  BrazilianNumbers() {
    for (const char* name : {"pt_BR.UTF-8", "pt_BR.utf8"})
      if (std::setlocale(LC_NUMERIC, name)) {
        active_ = true;
        return;
      }
    if (!std::filesystem::exists("/usr/share/i18n/locales/pt_BR"))
      return;
    const std::string out = dir_.Path() + "pt_BR.UTF-8";
    const std::string cmd = "localedef -i pt_BR -f UTF-8 '" + out + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && !std::filesystem::exists(out + "/LC_NUMERIC"))
      return;
    const char* old = std::getenv("LOCPATH");
    oldLocPath_ = old ? old : "";
    hadLocPath_ = old != nullptr;
    setenv("LOCPATH", dir_.Path().c_str(), 1);
    active_ = std::setlocale(LC_NUMERIC, "pt_BR.UTF-8") != nullptr;
  }
  ~BrazilianNumbers() {
    std::setlocale(LC_NUMERIC, "C");
    if (hadLocPath_)
      setenv("LOCPATH", oldLocPath_.c_str(), 1);
    else
      unsetenv("LOCPATH");
  }
  BrazilianNumbers(const BrazilianNumbers&) = delete;
  BrazilianNumbers& operator=(const BrazilianNumbers&) = delete;
  bool Active() const { return active_; }

private:
  test::TempDir dir_;
  bool active_ = false;
  bool hadLocPath_ = false;
  std::string oldLocPath_;
};

class NFeEnvioTest : public test::ProgramHomeTest {
protected:
  TvxnNFe nfe_;
};

TEST_F(NFeEnvioTest, LotSizeCountsCharactersUpToTheLimit) {
  ASSERT_EQ(nfe_.GetMaxSizeLoteEnvio(), 500);
  EXPECT_NO_THROW(nfe_.ValidarTamanhoArquivoEnvio(std::string(500000, 'x')));
  EXPECT_EQ(RefusalOf([&] { nfe_.ValidarTamanhoArquivoEnvio(std::string(500001, 'x')); }),
            (Refusal{"EvxnNFeMaxSizeException",
                     "O Lote de NFes possui 500.001 KB ultrapassando o limite de 500 KB."}));
  // 500000 characters of two bytes each are still 500000 characters.
  std::string acentos;
  for (int i = 0; i < 500000; ++i)
    acentos += "ç";
  EXPECT_NO_THROW(nfe_.ValidarTamanhoArquivoEnvio(acentos));
  EXPECT_EQ(RefusalOf([&] { nfe_.ValidarTamanhoArquivoEnvio(acentos + "ã"); }),
            (Refusal{"EvxnNFeMaxSizeException",
                     "O Lote de NFes possui 500.001 KB ultrapassando o limite de 500 KB."}));

  // The shortest decimal form, whatever the limit.
  nfe_.SetMaxSizeLoteEnvio(1);
  EXPECT_EQ(
      RefusalOf([&] { nfe_.ValidarTamanhoArquivoEnvio(std::string(1500, 'x')); }),
      (Refusal{"EvxnNFeMaxSizeException", "O Lote de NFes possui 1.5 KB ultrapassando o limite de 1 KB."}));
  EXPECT_EQ(
      RefusalOf([&] { nfe_.ValidarTamanhoArquivoEnvio(std::string(2000, 'x')); }),
      (Refusal{"EvxnNFeMaxSizeException", "O Lote de NFes possui 2 KB ultrapassando o limite de 1 KB."}));
  EXPECT_NO_THROW(nfe_.ValidarTamanhoArquivoEnvio(std::string(1000, 'x')));

  EXPECT_EQ(RefusalOf([&] { nfe_.ValidarTamanhoArquivoEnvio(""); }),
            (Refusal{"EvxnNFeMaxSizeException", "O Lote de NFes informado está vazio"}));
}

TEST_F(NFeEnvioTest, LotSizeIsShownWithTheDecimalSeparatorOfTheLocale) {
  BrazilianNumbers locale;
  if (!locale.Active())
    GTEST_SKIP() << "no Brazilian locale can be installed or compiled here";
  EXPECT_EQ(RefusalOf([&] { nfe_.ValidarTamanhoArquivoEnvio(std::string(500001, 'x')); }),
            (Refusal{"EvxnNFeMaxSizeException",
                     "O Lote de NFes possui 500,001 KB ultrapassando o limite de 500 KB."}));
}

TEST_F(NFeEnvioTest, DocumentsOfALotByIndex) {
  const std::string uma = test::LoteNaoAssinado(1);
  ASSERT_EQ(TvxnNFe::GetNumNotas(uma), 1);
  const std::string primeira = TvxnNFe::GetNota(0, uma);
  EXPECT_TRUE(primeira.starts_with("<infNFe ")) << primeira.substr(0, 40);
  EXPECT_TRUE(primeira.ends_with("</infNFe>"));
  EXPECT_NE(primeira.find(test::ChaveDaNota(1)), std::string::npos);
  EXPECT_EQ(TvxnNFe::GetNota(1, uma), "");
  EXPECT_EQ(TvxnNFe::GetNota(-1, uma), "");

  const std::string duas = test::LoteNaoAssinado(2);
  EXPECT_NE(TvxnNFe::GetNota(1, duas).find(test::ChaveDaNota(2)), std::string::npos);
  // A document without its closing tag is no document.
  EXPECT_EQ(TvxnNFe::GetNota(0, "<infNFe Id=\"NFe1\"><ide/>"), "");
  // Each search goes on 8 characters after a hit: a tag right after another is not counted.
  EXPECT_EQ(TvxnNFe::GetNumNotas("<infNFe<infNFe"), 1);
  EXPECT_EQ(TvxnNFe::GetNumNotas("<infNFe <infNFe"), 2);
}

TEST_F(NFeEnvioTest, SynchronousSendBeforeLayout310IsRefusedFirst) {
  for (TVersaoManual v : {vm202a, vm30, vm40, vm50}) {
    nfe_.SetVersaoManual(v);
    // The lot is not even looked at: an empty one gets the layout message.
    EXPECT_EQ(RefusalOf([&] { nfe_.EnviarNFSincrono("1", "", false); }),
              (Refusal{"EvxnNFeException",
                       "Só é possível fazer o envio síncrono de NF-e com versão manual 5.0a ou superior."}));
  }
  nfe_.SetVersaoManual(vm50a);
  EXPECT_EQ(RefusalOf([&] { nfe_.EnviarNFSincrono("1", "", false); }),
            (Refusal{"EvxnNFeCheckParams", "Favor preencher o parâmetro aLoteNota"}));
}

TEST_F(NFeEnvioTest, ObsoleteOperationsAlwaysRaise) {
  std::vector<TvxnTelemetriaEvento> events;
  nfe_.GetTelemetria().SetSink([&events](const TvxnTelemetriaEvento& e) { events.push_back(e); });
  EXPECT_EQ(RefusalOf([&] { nfe_.ValidarLoteItem(); }),
            (Refusal{"EvxnNFeDeprecatedException",
                     "O método ValidarLoteItem está obsoleto. Utilize: ValidarLoteParaEnvio ou AuditarXml"}));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].Tipo, TvxnTelemetriaTipo::Excecao);
  EXPECT_EQ(events[0].Operacao, "ValidarLoteItem");
  EXPECT_EQ(RefusalOf([&] { nfe_.GerarNotasAleatorias(); }),
            (Refusal{"EvxnNFeDeprecatedException", "O método GerarNotasAleatorias está obsoleto."}));
}

// Telemetry follows DiagnosticMode; a sink that fails leaves one line in the error log of the program
// directory, and the operation raises what it raises.
TEST_F(NFeEnvioTest, TelemetryFollowsDiagnosticModeAndAFailingSinkIsLogged) {
  int calls = 0;
  nfe_.GetTelemetria().SetSink([&calls](const TvxnTelemetriaEvento&) {
    ++calls;
    throw std::runtime_error("coletor fora do ar");
  });
  nfe_.SetDiagnosticMode(false);
  EXPECT_EQ(RefusalOf([&] { nfe_.ValidarLoteItem(); }).className, "EvxnNFeDeprecatedException");
  EXPECT_EQ(calls, 0);
  nfe_.SetDiagnosticMode(true);
  EXPECT_EQ(RefusalOf([&] { nfe_.ValidarLoteItem(); }).className, "EvxnNFeDeprecatedException");
  EXPECT_EQ(calls, 1);
  const std::string log = test::ReadFileOrEmpty(home.File("nfe_exception.log"));
  EXPECT_EQ(test::CountLines(log), 1u) << log;
  EXPECT_NE(log.find(" - TvxnTelemetria : Falha ao enviar telemetria da operação ValidarLoteItem: "
                     "coletor fora do ar"),
            std::string::npos)
      << log;
}

} // namespace
} // namespace vxn
