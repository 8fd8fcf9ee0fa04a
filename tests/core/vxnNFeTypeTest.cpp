#include "vxnNFeType.h"
#include "support/TempDir.h"
#include "vxnNFeException.h"
#include "vxnNFeSettings.h"
#include "vxnPaths.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vxn {
namespace {

TEST(VersaoManual, TextFormsRoundTripAndMatchIsCaseSensitive) {
  for (auto v : {vm202a, vm30, vm40, vm50, vm50a, vm60})
    EXPECT_EQ(StrToVersaoManual(VersaoManualToStr(v)), v);
  EXPECT_EQ(VersaoManualToStr(vm50a), "5.0a");
  EXPECT_EQ(VersaoManualSubdir(vm202a), "vm30/");
  EXPECT_EQ(VersaoManualSubdir(vm30), "vm30/");
  EXPECT_EQ(VersaoManualSubdir(vm60), "vm60/");
  try {
    StrToVersaoManual("5.0A");
    FAIL();
  } catch (const EvxnNFeVersaoManualException& e) {
    EXPECT_EQ(
        e.Message(),
        "Versão do Manual informada: 5.0A não é suportada. \rUtilize: 2.0.2a, 3.0, 4.0, 5.0, 5.0a ou 6.0");
  }
}

TEST(VersaoEsquema, NamesMapToTheirLayoutVersion) {
  EXPECT_EQ(GetVersaoManualDoEsquema(pl_006v), vm50);
  EXPECT_EQ(GetVersaoManualDoEsquema(pl_008i2), vm50a);
  EXPECT_EQ(GetVersaoManualDoEsquema(pl_005a), vm30);
  EXPECT_EQ(GetVersaoManualDoEsquema(pl_006j), vm40);
  EXPECT_EQ(GetVersaoManualDoEsquema(pl_006m), vm50);
  EXPECT_EQ(GetVersaoManualDoEsquema(pl_008a), vm50a);
  EXPECT_EQ(GetVersaoManualDoEsquema(pl_009g), vm60);
  for (int i = 0; i < kVersaoEsquemaCount; ++i) {
    auto v = static_cast<TVersaoEsquema>(i);
    EXPECT_EQ(StrToVersaoEsquema(VersaoEsquemaToStr(v)), v);
  }
  EXPECT_EQ(VersaoEsquemaToStr(pl_008i1), "pl_008i1");
  EXPECT_THROW(StrToVersaoEsquema("PL_009"), EvxnNFeVersaoManualException);
  try {
    GetVersaoManualDoEsquema(static_cast<TVersaoEsquema>(40));
    FAIL();
  } catch (const EvxnNFeVersaoManualException& e) {
    EXPECT_EQ(e.Message(),
              "A Versão de Esquema não está referenciada a nenhuma versão de Manual de Integração.");
  }
}

TEST(ModoOperacao, UpperCasesBeforeMatchingAndQuotesTheInputAsGiven) {
  EXPECT_EQ(StrToModoOperacao("svcan"), moSVCAN);
  EXPECT_EQ(StrToModoOperacao("Epec"), moEPEC);
  EXPECT_EQ(ModoOperacaoToString(moSVCRS), "SVCRS");
  try {
    StrToModoOperacao("scan");
    FAIL();
  } catch (const EvxnNFeModoOperacaoException& e) {
    EXPECT_EQ(e.Message(),
              "Modo Operação informado: scan não é suportado. \rUtilize: Normal, EPEC, SVCAN ou SVCRS");
  }
  EXPECT_EQ(StrToTipoConsulta("chave"), nkConsChNFe);
  EXPECT_THROW(StrToTipoConsulta("nsu"), EvxnTipoConsultaException);
}

TEST(TolerantConverters, NeverFail) {
  EXPECT_EQ(StrToTipoCertificado(""), ckFile);
  EXPECT_EQ(StrToTipoCertificado("smartcard"), ckSmartCard);
  EXPECT_EQ(StrToTipoCertificado("bogus"), ckFile);
  EXPECT_EQ(TipoCertificadoToRepositorio(ckFile), "CURRENT_USER_STORE");
  EXPECT_EQ(TipoCertificadoToString(ckActiveDiretory), "ACTIVEDIRECTORY");
  EXPECT_EQ(StrToImprimirFrenteVerso("horizontal"), fvHorizontal);
  EXPECT_EQ(StrToImprimirFrenteVerso("diagonal"), fvDesabilitado);
  EXPECT_EQ(GetTipoAmbiente(akProducao), "1");
  EXPECT_EQ(GetTipoAmbiente(akHomologacao), "2");
  EXPECT_EQ(LogFilterMask(lfPedSta), "*-ped-sta.xml");
  EXPECT_EQ(LogFilterMask(lfDen), "*-den.xml");
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

TEST(UFTable, HasTheStatesInOrderAndTheNationalEnvironment) {
  TvxnStringList ufs = UFList();
  ASSERT_EQ(ufs.Count(), 28u);
  EXPECT_EQ(ufs[0], "AC=12");
  EXPECT_EQ(ufs[20], "RS=43");
  EXPECT_EQ(ufs[24], "SP=35");
  EXPECT_EQ(ufs[27], "AN=91");
  EXPECT_EQ(ufs.Value("mg"), "31");
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
