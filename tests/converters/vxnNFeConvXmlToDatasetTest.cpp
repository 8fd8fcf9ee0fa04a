// NF-e XML read back into the input dataset: a distribution XML (nfeProc), read and generated again, gives
// the same infNFe for the examples and for a document holding every group of the 4.00 dataset; the
// command text written while reading replays to the same XML; other XML is refused by name.
#include "ConverterTestUtil.h"
#include "converters/vxnNFeConverter.h"
#include "datasets/vxnNFeDataSets.h"
#include "support/RefusalOf.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

constexpr std::string_view kNS = "http://www.portalfiscal.inf.br/nfe";

std::string DadosTeste(const std::string& nome) {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/converters/data/" + nome);
}

// The distribution form of one generated infNFe, with the protocol the authority would add.
std::string NfeProc(const std::string& infNFe) {
  return "<nfeProc xmlns=\"" + std::string(kNS) + "\" versao=\"4.00\"><NFe xmlns=\"" + std::string(kNS) +
         "\">" + infNFe +
         "</NFe><protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SIM-1</verAplic><chNFe>" +
         infNFe.substr(15, 44) +
         "</chNFe><dhRecbto>2026-12-05T10:31:00-03:00</dhRecbto><nProt>135260000000001</nProt>"
         "<digVal>AAAA</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt>"
         "</protNFe></nfeProc>";
}

class XmlParaDataSetTest : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    conv.SetDiretorioLogErro(tmp.Path());
    conv.SetDiretorioTemplates(test::TemplatesVm60());
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  std::string Gerado(const std::string& texto, TLayoutConvKind layout) {
    const std::string lote = conv.ConvertToXml(texto, "4.00", layout, pl_009g, false);
    return lote.substr(0, lote.find("\r\n"));
  }
  std::string Documento(std::string_view nome) {
    if (nome == "exemplo-comandos")
      return Gerado(test::ExemploComandos(), lkTXTDataSet);
    if (nome == "exemplo-pipe")
      return Gerado(test::ExemploPipe(), lkTXTDic);
    return Gerado(DadosTeste(std::string(nome) + ".txt"), lkTXTDataSet);
  }

  test::TempDir tmp;
  TvxnNFeConverter conv;
};

TEST_P(XmlParaDataSetTest, TheDistributionXmlReadAndGeneratedAgainGivesTheSameInfNFe) {
  const std::string original = Documento(GetParam());
  ASSERT_TRUE(original.starts_with("<infNFe ")) << original;
  TvxnStringList tx2;
  TvxnStringList autorizacao;
  auto ds = conv.ConvertXmlToDataSet(NfeProc(original), false, pl_009g, &tx2, &autorizacao);
  ASSERT_EQ(ds->GetLoteNFe().Count(), 1u);
  EXPECT_EQ(test::XmlCanonicalForm(original), test::XmlCanonicalForm(ds->GetLoteNFe()[0]))
      << ds->GetLoteNFe()[0];
  EXPECT_EQ(autorizacao.Value("nProt"), "135260000000001");
  EXPECT_EQ(autorizacao.Value("cStat"), "100");
  // The command text written while reading replays to the same document.
  EXPECT_EQ(test::XmlCanonicalForm(original), test::XmlCanonicalForm(Gerado(tx2.Text(), lkTXTDataSet)))
      << tx2.Text();
}

INSTANTIATE_TEST_SUITE_P(Documentos, XmlParaDataSetTest,
                         ::testing::Values("exemplo-comandos", "exemplo-pipe", "nfe-todos-os-grupos"));

// The groups of the current package that pl_009g lacks (presumed credits, fuel origins, the item's
// observations, the NFF request) are read back into their own parts, not dropped.
TEST_F(XmlParaDataSetTest, TheCurrentPackageGroupsReadBackWhole) {
  const std::string lote =
      conv.ConvertToXml(DadosTeste("nfe-pacote-atual.txt"), "4.00", lkTXTDataSet, pl_009p, false);
  const std::string original = lote.substr(0, lote.find("\r\n"));
  for (std::string_view grupo : {"<refNFeSig>", "<gCred>", "<infProdNFF>", "<infProdEmb>", "<pBio>",
                                 "<origComb>", "<obsItem>", "<CPF>12345678909</CPF><UFTerceiro>",
                                 "<qBCMonoRet>", "<dPag>", "<idTermPag>", "<tpAto>", "<infSolicNFF>"})
    EXPECT_NE(original.find(grupo), std::string::npos) << grupo;
  TvxnStringList tx2;
  auto ds = conv.ConvertXmlToDataSet(NfeProc(original), false, pl_009p, &tx2);
  ASSERT_EQ(ds->GetLoteNFe().Count(), 1u);
  EXPECT_EQ(test::XmlCanonicalForm(original), test::XmlCanonicalForm(ds->GetLoteNFe()[0]))
      << ds->GetLoteNFe()[0];
  const std::string replay = conv.ConvertToXml(tx2.Text(), "4.00", lkTXTDataSet, pl_009p, false);
  EXPECT_EQ(test::XmlCanonicalForm(original), test::XmlCanonicalForm(replay.substr(0, replay.find("\r\n"))))
      << tx2.Text();
}

TEST_F(XmlParaDataSetTest, EveryGroupOfTheDocumentIsThere) {
  // The round trip above proves nothing for a group the source lacks: the document must hold them all.
  const std::string doc = Documento("nfe-todos-os-grupos");
  for (std::string_view grupo :
       {"<refNF>",      "<refNFP>",     "<refCTe>",       "<refECF>",   "<avulsa>",      "<retirada>",
        "<entrega>",    "<autXML>",     "<NVE>",          "<DI>",       "<adi>",         "<detExport>",
        "<exportInd>",  "<rastro>",     "<veicProd>",     "<med>",      "<arma>",        "<comb>",
        "<CIDE>",       "<encerrante>", "<nRECOPI>",      "<ICMS10>",   "<ICMS20>",      "<ICMSST>",
        "<ICMSSN900>",  "<ICMSUFDest>", "<IPITrib>",      "<II>",       "<PISQtde>",     "<PISST>",
        "<COFINSST>",   "<ISSQN>",      "<impostoDevol>", "<ISSQNtot>", "<retTrib>",     "<retTransp>",
        "<veicTransp>", "<reboque>",    "<lacres>",       "<card>",     "<infIntermed>", "<obsCont ",
        "<obsFisco ",   "<procRef>",    "<exporta>",      "<compra>",   "<cana>",        "<forDia ",
        "<deduc>",      "<infRespTec>"})
    EXPECT_NE(doc.find(grupo), std::string::npos) << grupo;
}

TEST_F(XmlParaDataSetTest, AGroupAbsentFromTheXmlStaysAbsent) {
  // ICMSTot carries vBC, vPIS and vCOFINS, transporta carries UF: none of them may open ISSQNtot or
  // veicTransp, whose tags they share.
  const std::string original = Documento("exemplo-comandos");
  auto ds = conv.ConvertXmlToDataSet(NfeProc(original), false, pl_009g);
  const std::string& regerado = ds->GetLoteNFe()[0];
  EXPECT_EQ(regerado.find("<ISSQNtot>"), std::string::npos) << regerado;
  EXPECT_EQ(regerado.find("<veicTransp>"), std::string::npos) << regerado;
}

TEST_F(XmlParaDataSetTest, AnEnviNFeLotGivesEveryDocumentInOrder) {
  const std::string a = Documento("exemplo-comandos");
  const std::string b = Documento("exemplo-pipe");
  const std::string lote = "<enviNFe xmlns=\"" + std::string(kNS) +
                           "\" versao=\"4.00\"><idLote>1</idLote>"
                           "<indSinc>0</indSinc><NFe>" +
                           a + "</NFe><NFe>" + b + "</NFe></enviNFe>";
  auto ds = conv.ConvertXmlToDataSet(lote, false, pl_009g);
  ASSERT_EQ(ds->GetLoteNFe().Count(), 2u);
  EXPECT_EQ(test::XmlCanonicalForm(a), test::XmlCanonicalForm(ds->GetLoteNFe()[0]));
  EXPECT_EQ(test::XmlCanonicalForm(b), test::XmlCanonicalForm(ds->GetLoteNFe()[1]));
}

TEST_F(XmlParaDataSetTest, OtherXmlIsRefusedByWhatItIs) {
  const std::string doc = Documento("exemplo-comandos");
  EXPECT_EQ(
      RefusalOf([&] { conv.ConvertXmlToDataSet("<consStatServ versao=\"4.00\"/>", false, pl_009g); }),
      (Refusal{"EvxnNFEConvertDateException",
               "O XML não é uma NF-e: o elemento raiz é consStatServ (são lidos NFe, nfeProc, enviNFe e "
               "infNFe)."}));
  const std::string v310 = test::TrocaPrimeira(doc, "versao=\"4.00\"", "versao=\"3.10\"");
  EXPECT_EQ(RefusalOf([&] { conv.ConvertXmlToDataSet(v310, false, pl_009g); }),
            (Refusal{"EvxnNFEConvertDateException",
                     "A NF-e tem o leiaute 3.10; a conversão de XML lê o leiaute 4.00."}));
}

} // namespace
} // namespace vxn
