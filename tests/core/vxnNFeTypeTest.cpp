#include "vxnNFeType.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnNFeException.h"
#include "vxnNFeSettings.h"
#include "vxnPaths.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

// The text forms of the layout and schema versions convert back to the same value; the refusals name
// what is accepted.
TEST(VersaoManual, TextFormsRoundTripAndRefusalsNameWhatIsAccepted) {
  for (auto v : {vm202a, vm30, vm40, vm50, vm50a, vm60})
    EXPECT_EQ(StrToVersaoManual(VersaoManualToStr(v)), v);
  for (int i = 0; i < kVersaoEsquemaCount; ++i)
    EXPECT_EQ(StrToVersaoEsquema(VersaoEsquemaToStr(static_cast<TVersaoEsquema>(i))),
              static_cast<TVersaoEsquema>(i));
  EXPECT_EQ(RefusalOf([] { StrToVersaoManual("5.0A"); }), // matching is case-sensitive
            (Refusal{"EvxnNFeVersaoManualException", "Versão do Manual informada: 5.0A não é suportada. "
                                                     "\rUtilize: 2.0.2a, 3.0, 4.0, 5.0, 5.0a ou 6.0"}));
  EXPECT_THROW(StrToVersaoEsquema("PL_009"), EvxnNFeVersaoManualException);
  EXPECT_EQ(RefusalOf([] { GetVersaoManualDoEsquema(static_cast<TVersaoEsquema>(40)); }),
            (Refusal{"EvxnNFeVersaoManualException",
                     "A Versão de Esquema não está referenciada a nenhuma versão de Manual de Integração."}));
  EXPECT_EQ(StrToModoOperacao("svcan"), moSVCAN); // upper-cased before matching, quoted as given
  EXPECT_EQ(
      RefusalOf([] { StrToModoOperacao("scan"); }),
      (Refusal{"EvxnNFeModoOperacaoException",
               "Modo Operação informado: scan não é suportado. \rUtilize: Normal, EPEC, SVCAN ou SVCRS"}));
  EXPECT_THROW(StrToTipoConsulta("nsu"), EvxnTipoConsultaException);
  // The tolerant ones fall back instead of failing.
  EXPECT_EQ(StrToTipoCertificado("bogus"), ckFile);
  EXPECT_EQ(StrToImprimirFrenteVerso("diagonal"), fvDesabilitado);
}

TEST(RemoveVersaoManualDoPath, CutsAtTheLayoutFolderAndAddsSeparatorOnlyForExistingFolders) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("Templates/vm60"));
  std::string p = dir.File("Templates/vm60");
  RemoveVersaoManualDoPath(p);
  EXPECT_EQ(p, dir.File("Templates/"));

  std::string windows = dir.Path() + "Templates\\VM50a\\";
  RemoveVersaoManualDoPath(windows);
  EXPECT_EQ(windows, dir.File("Templates/"));

  std::string missing = "/nao/existe/Templates/vm40/";
  RemoveVersaoManualDoPath(missing);
  EXPECT_EQ(missing, "/nao/existe/Templates");
}

TEST(DanfeSettings, FreshParamsInOrderWithNumericBooleans) {
  TDanfeSettings s;
  std::string dir = ProgramDirectory();
  std::string expected =
      "ModeloRetrato=" + dir + "Templates/Vm50a/Danfe/retrato.rtm\r\n" + "ModeloPaisagem=" + dir +
      "Templates/Vm50a/Danfe/paisagem.rtm\r\n" +
      "LogotipoEmitente=\r\n"
      "FraseContingencia=Danfe em contingência - Impresso em decorrência de problemas técnicos\r\n"
      "FraseHomologacao=SEM VALOR FISCAL\r\n"
      "QtdeCopias=1\r\n"
      "ImprimirVolume=0\r\n"
      "ImprimirDuplicata=-1\r\n"
      "ImprimirUnidadeTributada=0\r\n"
      "ModeloRetratoCancelamento=" +
      dir + "Templates/Vm50a/Danfe/RetratoCanc.rtm\r\n" +
      "MensagemPartilhaAutomatica=0\r\n"
      "MensagemFCP=0\r\n"
      "ImprimirFrenteVerso=DESABILITADO\r\n"
      "ImprimirLocalRetiradaEntrega=-1\r\n"
      "InfCplQuebrarLinhaAut=0\r\n"
      "MensagemIcmsDesonerado=0\r\n"
      "ModeloDanfeXmlResumo=" +
      dir + "Templates/Vm50a/Danfe/Resumo.rtm\r\n";
  EXPECT_EQ(s.GetParams(), expected);
}

TEST(DanfeSettings, LimitsAndKeptModelPaths) {
  TDanfeSettings s;
  s.SetInfCplMaxCol(0);
  EXPECT_EQ(s.GetInfCplMaxCol(), 68);
  s.SetInfCplMaxCol(-5);
  EXPECT_EQ(s.GetInfCplMaxCol(), 68);
  s.SetInfCplMaxCol(90);
  EXPECT_EQ(s.GetInfCplMaxCol(), 90);
  s.SetInfCplMaxRow(0);
  EXPECT_EQ(s.GetInfCplMaxRow(), 7);
  s.SetModeloRetrato("/srv/modelos/meu.rtm");
  EXPECT_EQ(s.GetModeloRetrato(), "/srv/modelos/meu.rtm");
  EXPECT_EQ(s.GetLineDelimiter(), "|");
}

TEST(CertStringList, RaisesOnSetTextWithTheWholeText) {
  TvxnCertStringNFe names;
  std::vector<std::string> heard;
  names.OnSetText = [&](const std::string& t) { heard.push_back(t); };
  names.SetText("EMPRESA LTDA:12345678000195");
  names.Add("not a text assignment");
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0], "EMPRESA LTDA:12345678000195");
  EXPECT_EQ(names.Count(), 2u);
}

} // namespace
} // namespace vxn
