// The SCAN component: the re-stamping of each document as it is signed (contingency series, issue type 3,
// the key and its check digit computed again; the signature, checked by xmlsec1, over the new Id), the
// series range, the layouts it refuses, its configuration section and the national environment it sends to.
#include "contingency/vxnNFeSCAN.h"
#include "events/vxnNFeEventos.h"
#include "support/AccessKeyDigit.h"
#include "support/DevPki.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <string>

namespace vxn {
namespace {

using test::Tag;

std::string Chave(const std::string& serie, const std::string& tpEmis) {
  const std::string sem = "35"
                          "1203"
                          "11222333000181"
                          "55" +
                          serie + "000000123" + tpEmis + "12345678";
  return test::WithCheckDigit(sem);
}

// A layout 2.00 document of series 1 and normal issue, with the contingency fields SCAN needs.
std::string Documento() {
  const std::string chave = Chave("001", "1");
  return "<infNFe versao=\"2.00\" Id=\"NFe" + chave +
         "\"><ide><cUF>35</cUF><cNF>12345678</cNF><natOp>VENDA</natOp><indPag>0</indPag><mod>55</mod>"
         "<serie>1</serie><nNF>123</nNF><dEmi>2012-03-15</dEmi><tpNF>1</tpNF><cMunFG>3550308</cMunFG>"
         "<tpImp>1</tpImp><tpEmis>1</tpEmis><cDV>" +
         chave.substr(43) +
         "</cDV><tpAmb>2</tpAmb><finNFe>1</finNFe><procEmi>0</procEmi><verProc>1.0</verProc>"
         "<dhCont>2012-03-15T10:00:00</dhCont><xJust>Autorizador do estado fora do ar</xJust></ide>"
         "<emit><CNPJ>11222333000181</CNPJ><xNome>EMITENTE</xNome></emit></infNFe>";
}

class ContingenciaSCANTest : public ::testing::Test {
protected:
  void SetUp() override {
    scan.SetDiretorioLogErro(dir.File("LogErro"));
    scan.SetCNPJ("11222333000181");
    scan.SetUF("SP");
  }
  test::TempDir dir;
  TvxnNFeSCAN scan;
};

TEST_F(ContingenciaSCANTest, SigningReStampsSeriesIssueTypeAndKeyAndTheSignatureCoversTheNewId) {
  scan.SetCaminhoCertificado(test::SharedPki().ValidClientFile());
  scan.SetSenhaCertificado("1234");
  scan.SetSerie("950");
  const std::string assinado = scan.AssinarNota(Documento());

  const std::string chave = Chave("950", "3");
  EXPECT_EQ(Tag(assinado, "serie"), "950");
  EXPECT_EQ(Tag(assinado, "tpEmis"), "3");
  EXPECT_EQ(Tag(assinado, "cDV"), chave.substr(43));
  EXPECT_NE(assinado.find("Id=\"NFe" + chave + "\""), std::string::npos) << assinado;
  EXPECT_NE(assinado.find("<Reference URI=\"#NFe" + chave + "\""), std::string::npos);
  EXPECT_EQ(test::XmlSec1VerifyErrors(assinado, test::SharedPki().CaFile()), "");
}

TEST_F(ContingenciaSCANTest, TheDefaultsAreSeries900AndIssueType3AndAnEmptyIssueTypeStandsFor3) {
  scan.SetTpEmis("");
  std::string nota = Documento();
  scan.Recarimbar(nota);
  EXPECT_EQ(Tag(nota, "serie"), "900");
  EXPECT_EQ(Tag(nota, "tpEmis"), "3");
  EXPECT_EQ(scan.GetTpEmis(), "3");
  EXPECT_NE(nota.find("Id=\"NFe" + Chave("900", "3") + "\""), std::string::npos) << nota;
}

TEST_F(ContingenciaSCANTest, OnlySeries900To999AreAcceptedAndNothingIsChangedOtherwise) {
  for (const char* serie : {"900", "999"}) {
    scan.SetSerie(serie);
    std::string nota = Documento();
    EXPECT_NO_THROW(scan.Recarimbar(nota)) << serie;
  }
  struct Caso {
    const char* serie;
    const char* mensagem;
  };
  for (const Caso& c :
       {Caso{"", "Obrigatório informar a Série para emissão em contingência SCAN (900 a 999)"},
        Caso{"899", "A Faixa de Séries a ser utilizada pelo SCAN é 900 até 999"},
        Caso{"1000", "A Faixa de Séries a ser utilizada pelo SCAN é 900 até 999"},
        Caso{"9a0", "A Faixa de Séries a ser utilizada pelo SCAN é 900 até 999"}}) {
    scan.SetSerie(c.serie);
    std::string nota = Documento();
    try {
      scan.Recarimbar(nota);
      ADD_FAILURE() << c.serie;
    } catch (const EvxnNFeCheckParams& e) {
      EXPECT_EQ(e.Message(), c.mensagem) << c.serie;
    }
    EXPECT_EQ(nota, Documento()) << c.serie;
  }
  std::string vazio = " ";
  try {
    scan.Recarimbar(vazio);
    ADD_FAILURE();
  } catch (const EvxnNFeCheckParams& e) {
    EXPECT_EQ(e.Message(), "Obrigatório informar o XML que será tratado");
  }
  EvxnException::ResetClassState();
}

TEST_F(ContingenciaSCANTest, TheLayoutsOf310And400AreRefused) {
  for (TVersaoManual v : {vm50a, vm60}) {
    try {
      scan.SetVersaoManual(v);
      ADD_FAILURE();
    } catch (const EvxnNFeVersaoManualException& e) {
      EXPECT_EQ(e.Message(), "O Modo SCAN não suporta a versão 3.10 ou 4.00 da NF-e (vm50a ou vm60). Deve-se "
                             "utilizar a vm50 ou utilizar o modo SVC.");
    }
    EXPECT_EQ(scan.GetVersaoManual(), vm50);
  }
  scan.SetVersaoManual(vm40);
  EXPECT_EQ(scan.GetVersaoManual(), vm40);
  EvxnException::ResetClassState();
}

TEST_F(ContingenciaSCANTest, ServicesAndTemplatesComeFromTheNationalEnvironment) {
  scan.UpdateNFeData();
  EXPECT_EQ(scan.GetNFeData().UF, "AN");
  EXPECT_EQ(scan.GetNFeData().LocalCode, "35"); // the issuer's state still heads the requests
  EXPECT_EQ(scan.GetTemplateFolder(), scan.GetDiretorioTemplates() + "AN/");
  scan.AtualizaDadosNFeEventos();
  EXPECT_EQ(scan.GetEventos().GetUFWS(), "AN");
  EXPECT_EQ(scan.GetEventos().GetUF(), "SP");
}

TEST_F(ContingenciaSCANTest, TheSectionSCANHoldsSeriesIssueTypeAndTheSCANServersFiles) {
  const std::string ini = dir.File("nfeConfig.ini");
  WriteFileAtomic(ini, "[SCAN]\nSerie=910\nVersaoManual=5.0\nUF=MG\nCNPJ=11222333000181\n");
  scan.LoadConfig(ini);
  EXPECT_EQ(scan.GetSerie(), "910");
  EXPECT_EQ(scan.GetTpEmis(), "3");
  EXPECT_TRUE(scan.GetArquivoServidoresHom().ends_with("/nfeServidoresHomSCAN.ini"))
      << scan.GetArquivoServidoresHom();
  EXPECT_TRUE(scan.GetArquivoServidoresProd().ends_with("/nfeServidoresProdSCAN.ini"));

  scan.SetTpEmis("3");
  scan.SetSerie("920");
  scan.SaveConfig(ini);
  TvxnNFeSCAN outro;
  outro.LoadConfig(ini);
  EXPECT_EQ(outro.GetSerie(), "920");
  EXPECT_EQ(outro.GetUF(), "MG");
  EXPECT_EQ(ReadWholeFile(ini).find("[NFE]"), std::string::npos);

  WriteFileAtomic(ini, "[SCAN]\nVersaoManual=6.0\n");
  try {
    outro.LoadConfig(ini);
    ADD_FAILURE();
  } catch (const EvxnNFeException& e) {
    EXPECT_NE(e.Message().find("O Modo SCAN não suporta a versão 3.10"), std::string::npos) << e.Message();
  }
  EvxnException::ResetClassState();
}

} // namespace
} // namespace vxn
