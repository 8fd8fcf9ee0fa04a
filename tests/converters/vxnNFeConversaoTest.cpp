// The component's ConverterLoteParaXml: telemetry name per layout, the schema package check, the
// component's templates folder and note version, and command text and pipe text giving the same XML for
// the same sale. (The examples signed, valid and authorised: tests/tools, nfe emitir.)
#include "ConverterTestUtil.h"
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "vxnDevCertificates.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::Tag;

// The document from <ide> on, without its number, code, check digit and bill number: what two texts of
// the same sale give alike.
std::string SemIdentificacao(std::string xml) {
  for (const char* tag : {"cNF", "nNF", "cDV", "nFat"})
    xml =
        ReplaceAll(xml, "<" + std::string(tag) + ">" + Tag(xml, tag) + "</", "<" + std::string(tag) + "></");
  return xml.substr(xml.find("<ide>"));
}

class ConversaoTest : public test::ProgramHomeTest {
protected:
  void SetUp() override {
    nfe.SetDiretorioLogErro(home.File("LogErro"));
    nfe.SetDiretorioEsquemas(std::string(QVX_SCHEMAS_DIR) + "/");
    nfe.SetDiretorioTemplates(std::string(QVX_BIN_DIR) + "/Templates/");
    nfe.GetTelemetria().SetSink([this](const TvxnTelemetriaEvento& e) { eventos.push_back(e); });
  }
  TvxnNFe nfe;
  std::vector<TvxnTelemetriaEvento> eventos;
};

TEST_F(ConversaoTest, BothExamplesDescribeTheSameSaleFromTheTestCertificatesCompany) {
  // The examples are issued by the CNPJ of the development certificate that the local server accepts.
  const std::string cnpjDoCertificado = dev::TvxnDevClientOptions{}.Cnpj;
  const std::string comandos =
      nfe.ConverterLoteParaXml(test::ExemploComandos(), lkTXTDataSet, pl_009g, false);
  const std::string pipe = nfe.ConverterLoteParaXml(test::ExemploPipe(), lkTXTDic, pl_009g, false);
  for (const std::string* xml : {&comandos, &pipe}) {
    EXPECT_EQ(Tag(Tag(*xml, "emit"), "CNPJ"), cnpjDoCertificado);
    EXPECT_EQ(Tag(*xml, "tpAmb"), "2");
    EXPECT_EQ(Tag(Tag(*xml, "dest"), "UF"), "MG");
  }
  // Apart from the number, the code and the key the two documents are the same XML.
  EXPECT_EQ(SemIdentificacao(comandos), SemIdentificacao(pipe));
}

// An example sale (by default the one of venda-sp-mg) with its items' ICMS lines replaced (item i's pipe
// line by pipe[i], its command lines by comandos[i]) and its CRT set, converted from both texts under the
// package `versao`: the same XML, apart from the number, the code and the key.
struct Trocas {
  std::string crt;
  std::vector<std::string> pipe, comandos;
  std::string exemplo = "venda-sp-mg"; // examples/<exemplo>-pipe.txt and -comandos.txt
  TVersaoEsquema versao = pl_009p;
};

std::string ChecarMesmoXml(TvxnNFe& nfe, const Trocas& t) {
  const std::string pipeIcms[] = {"ICMS00|0|00|3|2500.00|12.00|300.00|||/ICMS00|",
                                  "ICMS00|0|00|3|1960.00|12.00|235.20|||/ICMS00|",
                                  "ICMS00|0|00|3|1949.50|12.00|233.94|||/ICMS00|"};
  const std::string comandosIcms[] = {
      "orig_N11=0\nCST_N12=00\nmodBC_N13=3\nvBC_N15=2500.00\npICMS_N16=12.00\nvICMS_N17=300.00\n",
      "orig_N11=0\nCST_N12=00\nmodBC_N13=3\nvBC_N15=1960.00\npICMS_N16=12.00\nvICMS_N17=235.20\n",
      "orig_N11=0\nCST_N12=00\nmodBC_N13=3\nvBC_N15=1949.50\npICMS_N16=12.00\nvICMS_N17=233.94\n"};
  const std::string exemplos = std::string(QVX_SOURCE_DIR) + "/examples/" + t.exemplo;
  std::string pipe =
      ReplaceAll(test::ReadFileOrEmpty(exemplos + "-pipe.txt"), "||||3|/emit|", "||||" + t.crt + "|/emit|");
  std::string comandos =
      ReplaceAll(test::ReadFileOrEmpty(exemplos + "-comandos.txt"), "CRT_C21=3", "CRT_C21=" + t.crt);
  for (std::size_t i = 0; i < t.pipe.size(); ++i) {
    EXPECT_NE(pipe.find(pipeIcms[i]), std::string::npos) << pipeIcms[i];
    pipe = ReplaceAll(pipe, pipeIcms[i], t.pipe[i]);
    EXPECT_NE(comandos.find(comandosIcms[i]), std::string::npos) << i;
    comandos = ReplaceAll(comandos, comandosIcms[i], t.comandos[i]);
  }
  const std::string xmlComandos = nfe.ConverterLoteParaXml(comandos, lkTXTDataSet, t.versao, false);
  const std::string xmlPipe = nfe.ConverterLoteParaXml(pipe, lkTXTDic, t.versao, false);
  EXPECT_NE(xmlComandos.find("<CRT>" + t.crt + "</CRT>"), std::string::npos);
  EXPECT_EQ(SemIdentificacao(xmlComandos), SemIdentificacao(xmlPipe));
  return xmlComandos;
}

// A Simples Nacional issuer (CRT 1) and the single-phase fuel groups reach the same XML from pipe text
// as from command text: the pipe dictionaries have a line for every ICMS group of the current schema.
TEST_F(ConversaoTest, SimplesNacionalAndSinglePhaseGroupsGiveTheSameXmlFromBothTexts) {
  ChecarMesmoXml(
      nfe, {"1",
            {"ICMSSN101|0|101|2.56|64.00|/ICMSSN101|",
             "ICMSSN900|0|900|3|1960.00||12.00|235.20||||||||||2.56|50.18|/ICMSSN900|",
             "ICMS61|0|61|100.0000|1.2000|120.00|/ICMS61|"},
            {"orig_N11=0\nCSOSN_N12a=101\npCredSN_N29=2.56\nvCredICMSSN_N30=64.00\n",
             "orig_N11=0\nCSOSN_N12a=900\nmodBC_N13=3\nvBC_N15=1960.00\npICMS_N16=12.00\nvICMS_N17=235.20\n"
             "pCredSN_N29=2.56\nvCredICMSSN_N30=50.18\n",
             "orig_N11=0\nCST_N12=61\nqBCMonoRet_N37m=100.0000\nadRemICMSRet_N37n=1.2000\n"
             "vICMSMonoRet_N37o=120.00\n"}});
}

// The exempted ICMS and whether it is deducted (indDeduzDeson) are written by both paths alike.
TEST_F(ConversaoTest, DesonerationAndItsDeductionGiveTheSameXmlFromBothTexts) {
  const std::string xml =
      ChecarMesmoXml(nfe, {"3",
                           {"ICMS20|0|20|3|10.00|2250.00|12.00|270.00||||30.00|9|1|/ICMS20|"},
                           {"orig_N11=0\nCST_N12=20\nmodBC_N13=3\npRedBC_N14=10.00\nvBC_N15=2250.00\n"
                            "pICMS_N16=12.00\nvICMS_N17=270.00\nvICMSDeson_N28a=30.00\nmotDesICMS_N28=9\n"
                            "indDeduzDeson_N28b=1\n"}});
  EXPECT_NE(xml.find("<motDesICMS>9</motDesICMS><indDeduzDeson>1</indDeduzDeson>"), std::string::npos) << xml;
}

// The reform example's groups in ide, in the items (IS, IBSCBS with its reduced rates, vItem) and in the
// totals reach the same XML from the pipe text's "+" lines as from the command text.
TEST_F(ConversaoTest, TaxReformGroupsGiveTheSameXmlFromBothTexts) {
  const std::string xml = ChecarMesmoXml(nfe, {"3", {}, {}, "venda-reforma-alfanumerico", pl_010});
  EXPECT_NE(xml.find("<dPrevEntrega>2026-12-08</dPrevEntrega><tpNF>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("</IBSCBS></imposto><vItem>60.00</vItem></det>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<vNFTot>159.12</vNFTot></total>"), std::string::npos) << xml;
}

TEST_F(ConversaoTest, TelemetryNamesTheLayout) {
  nfe.ConverterLoteParaXml(test::ExemploComandos(), lkTXTDataSet, pl_009g, false);
  nfe.ConverterLoteParaXml(test::ExemploPipe(), lkTXTDic, pl_009, false);
  // A text that is no REC text gives no document: refused.
  EXPECT_THROW(nfe.ConverterLoteParaXml("qualquer", lkTXTRec, pl_009g, false), EvxnNFeCheckTXT);
  std::vector<std::string> pings;
  for (const auto& e : eventos)
    if (e.Tipo == TvxnTelemetriaTipo::Ping)
      pings.push_back(e.Operacao);
  EXPECT_EQ(pings, (std::vector<std::string>{"ConverterLoteParaXml_TX2", "ConverterLoteParaXml_DIC",
                                             "ConverterLoteParaXml_REC"}));
  ASSERT_FALSE(eventos.empty());
  EXPECT_EQ(eventos.back().Tipo, TvxnTelemetriaTipo::Excecao);
  EXPECT_EQ(eventos.back().Operacao, "ConverterLoteParaXml_REC");
  EXPECT_EQ(eventos.back().Classe, "EvxnNFeCheckTXT");
}

TEST_F(ConversaoTest, ASchemaPackageOfAnotherLayoutIsRefusedBeforeTheTextIsLookedAt) {
  const std::string mensagem =
      "Versão esquema não condiz com a versão manual definida, utilize ( pl_009, pl_009g, pl_009p, pl_010 ).";
  EXPECT_EQ(
      RefusalOf([&] { nfe.ConverterLoteParaXml(test::ExemploComandos(), lkTXTDataSet, pl_008i2, false); }),
      (Refusal{"EvxnNFeVersaoEsquemaException", mensagem}));
  // An invalid text gets the same answer: the package is checked first.
  EXPECT_EQ(RefusalOf([&] { nfe.ConverterLoteParaXml("D|\n", lkTXTDic, pl_006e, false); }),
            (Refusal{"EvxnNFeVersaoEsquemaException", mensagem}));
  nfe.SetVersaoManual(vm50a);
  EXPECT_EQ(
      RefusalOf([&] { nfe.ConverterLoteParaXml(test::ExemploPipe(), lkTXTDic, pl_009g, false); }),
      (Refusal{"EvxnNFeVersaoEsquemaException",
               "Versão esquema não condiz com a versão manual definida, utilize ( pl_008a,pl_008b,pl_008c,"
               "pl_008d,pl_008e,pl_008f,pl_008g,pl_008h,pl_008i,pl_008i1,pl_008i2 )."}));
}

TEST_F(ConversaoTest, TheComponentsTemplatesFolderIsTheOneUsed) {
  // A templates folder without converter files: the dataset dictionary is not found there.
  test::TempDir vazio;
  ForceDirectories(vazio.File("vm60"));
  nfe.SetDiretorioTemplates(vazio.Path());
  const std::string esperado =
      "Arquivo de template do conversor não encontrado: " + vazio.Path() + "vm60/Conversor/NFeDataSets.xml";
  EXPECT_EQ(
      RefusalOf([&] { nfe.ConverterLoteParaXml(test::ExemploComandos(), lkTXTDataSet, pl_009g, false); }),
      (Refusal{"EvxnTemplateNotFoundException", esperado}));
  EXPECT_EQ(RefusalOf([&] { nfe.ConverterLoteParaXml(test::ExemploPipe(), lkTXTDic, pl_009g, false); }),
            (Refusal{"EvxnNFeCheckTXT", "Não foi possível carregar o dicionário para o layout C"}));
}

} // namespace
} // namespace vxn
