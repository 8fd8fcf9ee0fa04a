// The 4.00 documents a business issues today, with the current schema package (pl_009p) and the tax
// reform's (pl_010), and documents of layout 3.10 (pl_008i2): each case of
// tests/data/nfe-400p-documentos.txt, nfe-010-documentos.txt and nfe-310-documentos.txt is filled into the
// input dataset of its package as a host fills it, must give the same XML as the command text of the same
// data, write every value it was given, validate signed against the schema of its layout (and xmlsec1), and
// be authorised by the local server's service of that layout. The 3.10 cases together fill every field of
// the 3.10 dictionary.
#include "ComponentAgainstSim.h"
#include "datasets/vxnNFeDataSets.h"
#include "datasets/vxnNFeEscape.h"
#include "sefaz-sim/SefazSim.h"
#include "support/DevPki.h"
#include "support/NFeDocumentFiller.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace vxn {
namespace {

using test::Tag;

// The shared blocks of the data file, expanded into field lines.
std::vector<std::string> Bloco(const std::string& linha) {
  if (linha == "Emitente" || linha == "EmitenteAlfanumerico")
    return {linha == "Emitente" ? "CNPJ_C02=11222333000181" : "CNPJ_C02=12ABC34501DE35",
            "xNome_C03=EMPRESA DE TESTE LTDA",
            "xLgr_C06=RUA DAS FLORES",
            "nro_C07=100",
            "xBairro_C09=CENTRO",
            "cMun_C10=3550308",
            "xMun_C11=SAO PAULO",
            "UF_C12=SP",
            "CEP_C13=01001000",
            "IE_C17=111111111111"};
  if (linha.starts_with("Item ")) {
    const std::string n = linha.substr(5);
    return {"IncluirItem",
            "nItem_H02=" + n,
            "cProd_I02=P" + n,
            "cEAN_I03=SEM GTIN",
            "xProd_I04=PRODUTO " + n,
            "NCM_I05=84713012",
            "CFOP_I08=5102",
            "uCom_I09=UN",
            "qCom_I10=1.0000",
            "vUnCom_I10a=10.00",
            "vProd_I11=10.00",
            "cEANTrib_I12=SEM GTIN",
            "uTrib_I13=UN",
            "qTrib_I14=1.0000",
            "vUnTrib_I14a=10.00",
            "indTot_I17b=1",
            "CST_Q06=07",
            "CST_S06=07"};
  }
  // "Item310 n": the same product in layout 3.10, whose GTIN fields are empty when the product has none.
  if (linha.starts_with("Item310 ")) {
    std::vector<std::string> item;
    for (std::string& l : Bloco("Item " + linha.substr(8)))
      if (!l.starts_with("cEAN"))
        item.push_back(std::move(l));
    return item;
  }
  // The same for layout 3.10, which has no FCP totals nor returned IPI, and no payment.
  if (linha.starts_with("Totais310 ")) {
    const std::string v = linha.substr(10);
    return {"vBC_W03=0.00",     "vICMS_W04=0.00",  "vICMSDeson_W04a=0.00", "vBCST_W05=0.00",
            "vST_W06=0.00",     "vProd_W07=" + v,  "vFrete_W08=0.00",      "vSeg_W09=0.00",
            "vDesc_W10=0.00",   "vII_W11=0.00",    "vIPI_W12=0.00",        "vPIS_W13=0.00",
            "vCOFINS_W14=0.00", "vOutro_W15=0.00", "vNF_W16=" + v,         "modFrete_X02=9"};
  }
  // "Totais" for products of 10.00, "Totais V" for products of V.
  if (linha == "Totais" || linha.starts_with("Totais ")) {
    const std::string v = linha == "Totais" ? "10.00" : linha.substr(7);
    return {"vBC_W03=0.00",     "vICMS_W04=0.00",  "vICMSDeson_W04a=0.00", "vFCP_W04h=0.00",
            "vBCST_W05=0.00",   "vST_W06=0.00",    "vFCPST_W06a=0.00",     "vFCPSTRet_W06b=0.00",
            "vProd_W07=" + v,   "vFrete_W08=0.00", "vSeg_W09=0.00",        "vDesc_W10=0.00",
            "vII_W11=0.00",     "vIPI_W12=0.00",   "vIPIDevol_W12a=0.00",  "vPIS_W13=0.00",
            "vCOFINS_W14=0.00", "vOutro_W15=0.00", "vNF_W16=" + v,         "modFrete_X02=9",
            "tPag_YA02=01",     "vPag_YA03=" + v};
  }
  return {linha};
}

std::size_t Ocorrencias(const std::string& texto, const std::string& parte) {
  std::size_t n = 0;
  for (std::size_t at = texto.find(parte); at != std::string::npos; at = texto.find(parte, at + 1))
    ++n;
  return n;
}

struct Caso {
  std::string nome;
  TVersaoEsquema versao = pl_009p;
  // The layout's templates folder (its dictionary) and schema.
  std::string Layout() const { return versao == pl_008i2 ? "vm50a" : "vm60"; }
  std::string Esquema() const { return versao == pl_008i2 ? "nfe_v3.10.xsd" : "nfe_v4.00.xsd"; }
  std::vector<std::string> linhas; // blocks expanded
  bool emitenteAlfanumerico = false;
};

std::vector<Caso> Casos() {
  std::vector<Caso> casos;
  for (const auto& [arquivo, versao] :
       {std::pair{"nfe-400p-documentos.txt", pl_009p}, std::pair{"nfe-010-documentos.txt", pl_010},
        std::pair{"nfe-310-documentos.txt", pl_008i2}})
    for (const std::string& linha :
         test::Lines(ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/" + arquivo))) {
      if (linha.empty() || linha[0] == '#')
        continue;
      if (linha.starts_with("== ")) {
        casos.push_back({linha.substr(3), versao, {}});
        continue;
      }
      casos.back().emitenteAlfanumerico =
          casos.back().emitenteAlfanumerico || linha == "EmitenteAlfanumerico";
      for (std::string& l : Bloco(linha))
        casos.back().linhas.push_back(std::move(l));
    }
  return casos;
}

// The operation lines of the data file and their commands in the command text.
const std::map<std::string, std::string> kComandos{
    {"IncluirItem", "INCLUIRITEM"},         {"SalvarItem", "SALVARITEM"},
    {"IncluirCobranca", "INCLUIRCOBRANCA"}, {"SalvarCobranca", "SALVARCOBRANCA"},
    {"IncluirPart", "INCLUIRPARTE="},       {"SalvarPart", "SALVARPARTE="}};

std::string NomeDaOperacao(const std::string& linha) {
  return linha.substr(0, linha.find(' '));
}
std::string ParteDaOperacao(const std::string& linha) {
  return linha.find(' ') == std::string::npos ? "" : linha.substr(linha.find(' ') + 1);
}

void Preencher(TvxnNFeDataSets& ds, const Caso& caso) {
  ds.Incluir();
  for (const std::string& linha : caso.linhas) {
    const std::size_t eq = linha.find('=');
    const std::string operacao = NomeDaOperacao(linha);
    if (eq != std::string::npos)
      ds.Campo(linha.substr(0, eq)).SetAsString(linha.substr(eq + 1));
    else if (operacao == "IncluirItem")
      ds.IncluirItem();
    else if (operacao == "SalvarItem")
      ds.SalvarItem();
    else if (operacao == "IncluirCobranca")
      ds.IncluirCobranca();
    else if (operacao == "SalvarCobranca")
      ds.SalvarCobranca();
    else if (operacao == "IncluirPart")
      ds.IncluirPart(ParteDaOperacao(linha));
    else if (operacao == "SalvarPart")
      ds.SalvarPart(ParteDaOperacao(linha));
    else
      ADD_FAILURE() << "unknown line: " << linha;
  }
  ds.Salvar();
}

std::string TextoDeComandos(const Caso& caso) {
  std::string texto = "INCLUIR\r\n";
  for (const std::string& linha : caso.linhas) {
    auto comando = kComandos.find(NomeDaOperacao(linha));
    if (linha.find('=') == std::string::npos && comando != kComandos.end())
      texto += comando->second + ParteDaOperacao(linha) + "\r\n";
    else
      texto += linha + "\r\n";
  }
  return texto + "SALVAR\r\n";
}

class Documentos400pTest : public test::TComponentAgainstSim, public ::testing::WithParamInterface<Caso> {};

TEST_P(Documentos400pTest, GeneratesValidatesSignedAndIsAuthorised) {
  const Caso& caso = GetParam();
  // An issuer of alphanumeric CNPJ signs with its own certificate: the server compares the two CNPJs.
  if (caso.emitenteAlfanumerico) {
    nfe_.LoadConfig(files_.AlphanumericConfigFile);
    nfe_.SetDiretorioLogErro(dir_.Path() + "LogErro");
  }
  if (caso.versao == pl_008i2)
    nfe_.SetVersaoManual(vm50a);
  TvxnNFeDataSets ds;
  ds.SetVersaoEsquema(caso.versao);
  ds.SetXMLDicionario(test::ShippedDictionary(false, caso.Layout()));
  Preencher(ds, caso);
  ASSERT_EQ(ds.GetLoteNFe().Count(), 1u);
  const std::string infNFe = ds.GetLoteNFe()[0];

  // The command text of the same data gives the same XML.
  EXPECT_EQ(nfe_.ConverterLoteParaXml(TextoDeComandos(caso), lkTXTDataSet, caso.versao, false),
            infNFe + "\r\n");

  // Every value given reaches the XML whole, as an element's text or an attribute's value.
  for (const std::string& linha : caso.linhas) {
    const std::size_t eq = linha.find('=');
    if (eq == std::string::npos)
      continue;
    const std::string tag = linha.substr(0, linha.find('_'));
    const std::string valor = EscaparTextoXML(linha.substr(eq + 1));
    const bool escrito = infNFe.find("<" + tag + ">" + valor + "</" + tag + ">") != std::string::npos ||
                         infNFe.find(tag + "=\"" + valor + "\"") != std::string::npos;
    EXPECT_TRUE(escrito) << linha;
  }

  const std::string assinado = nfe_.AssinarNota(infNFe);
  EXPECT_EQ(test::XmlSchemaErrors(assinado, test::FindSchema(caso.Esquema())), "") << infNFe;
  EXPECT_EQ(test::XmlSec1VerifyErrors(assinado, files_.AuthorityCertificate), "");

  const std::string resposta = nfe_.EnviarNFSincrono("1", assinado, false);
  EXPECT_EQ(Tag(resposta, "cStat"), "104") << resposta;
  EXPECT_NE(resposta.find("<cStat>100</cStat>"), std::string::npos) << resposta;
}

// The 3.10 cases leave no field of the 3.10 dictionary untried (but the key's, which generation writes).
TEST(Documentos310Test, TheCasesFillEveryFieldOfTheDictionary) {
  std::set<std::string> preenchidos;
  for (const Caso& caso : Casos())
    if (caso.versao == pl_008i2)
      for (const std::string& linha : caso.linhas)
        if (linha.find('=') != std::string::npos)
          preenchidos.insert(linha.substr(0, linha.find('=')));
  TvxnNFeDataSets ds;
  ds.SetVersaoEsquema(pl_008i2);
  ds.SetXMLDicionario(test::ShippedDictionary(false, "vm50a"));
  int campos = 0;
  for (const auto& part : ds.GetListDataSets())
    for (std::size_t i = 0; i < part->Fields().size(); ++i) {
      const TXmlFieldNFe& campo = part->XmlField(i);
      if (!campo.Visible() || campo.FieldName() == "Id_A03" || campo.FieldName() == "cDV_B23")
        continue;
      ++campos;
      EXPECT_TRUE(preenchidos.contains(campo.FieldName())) << part->Name() << "." << campo.FieldName();
    }
  EXPECT_GT(campos, 380);
}

INSTANTIATE_TEST_SUITE_P(Casos, Documentos400pTest, ::testing::ValuesIn(Casos()), [](const auto& info) {
  std::string nome = info.param.nome;
  for (char& c : nome)
    if (c == '-')
      c = '_';
  return nome;
});

// What each case must show beyond validity: the groups that the pl_009g builders lose.
TEST(Documentos400pGruposTest, EachCaseWritesItsGroups) {
  std::map<std::string, std::string> xml;
  for (const Caso& caso : Casos()) {
    TvxnNFeDataSets ds;
    ds.SetVersaoEsquema(caso.versao);
    ds.SetXMLDicionario(test::ShippedDictionary(false, caso.Layout()));
    Preencher(ds, caso);
    xml[caso.nome] = ds.GetLoteNFe()[0];
  }
  for (const char* grupo :
       {"ICMS00", "ICMS10", "ICMS20", "ICMS30", "ICMS40", "ICMSST", "ICMS51", "ICMS60", "ICMS70", "ICMS90",
        "ICMSPart", "ICMSUFDest", "impostoDevol", "PISST", "COFINSST"})
    EXPECT_NE(xml["completa-310"].find(std::string("<") + grupo + ">"), std::string::npos) << grupo;
  for (const char* grupo : {"ICMSSN101", "ICMSSN102", "ICMSSN201", "ICMSSN202", "ICMSSN500", "ICMSSN900"})
    EXPECT_NE(xml["simples-nacional-310"].find(std::string("<") + grupo + ">"), std::string::npos) << grupo;
  EXPECT_EQ(Ocorrencias(xml["completa-310"], "<med>"), 2u);
  EXPECT_NE(xml["completa-310"].find("</cobr><pag><tPag>03</tPag>"), std::string::npos);
  for (const char* grupo : {"ICMS00", "ICMS02", "ICMS10", "ICMS15", "ICMS20", "ICMS30", "ICMS40", "ICMSST",
                            "ICMS51", "ICMS53", "ICMS60", "ICMS61", "ICMS70", "ICMS90", "ICMSPart"})
    EXPECT_NE(xml["cada-cst"].find(std::string("<") + grupo + ">"), std::string::npos) << grupo;
  EXPECT_EQ(Ocorrencias(xml["cada-cst"], "<ICMS>"), 17u);
  EXPECT_EQ(Ocorrencias(xml["cada-csosn"], "<ICMS>"), 10u);
  for (const char* grupo : {"ICMSSN101", "ICMSSN102", "ICMSSN201", "ICMSSN202", "ICMSSN500", "ICMSSN900"})
    EXPECT_NE(xml["cada-csosn"].find(std::string("<") + grupo + ">"), std::string::npos) << grupo;
  EXPECT_EQ(Ocorrencias(xml["cinco-armas"], "<arma>"), 5u);
  EXPECT_EQ(xml["nfce-sem-destinatario"].find("<dest"), std::string::npos);
  EXPECT_NE(xml["cada-csosn"].find("<dest><CPF>12345678909</CPF><xNome>"), std::string::npos)
      << "a recipient without address writes no empty enderDest";
  EXPECT_EQ(xml["cada-csosn"].find("<enderDest"), std::string::npos);
}

// The 3.10 packages before pl_008g have neither the CEST nor the ICMS of the destination state (nor its
// part among the item parts); from pl_008g on every package writes the same document.
TEST(Documentos310Test, PackagesBeforePl008gLeaveOutTheCestAndTheDestinationStateIcms) {
  const auto casos = Casos();
  const auto caso =
      std::find_if(casos.begin(), casos.end(), [](const Caso& c) { return c.nome == "completa-310"; });
  ASSERT_NE(caso, casos.end());
  auto gerar = [&](TVersaoEsquema versao) {
    Caso semNA = *caso;
    if (versao < pl_008g)
      std::erase_if(semNA.linhas, [](const std::string& l) { return l.find("_NA") != std::string::npos; });
    TvxnNFeDataSets ds;
    ds.SetVersaoEsquema(versao);
    ds.SetXMLDicionario(test::ShippedDictionary(false, "vm50a"));
    Preencher(ds, semNA);
    return ds.GetLoteNFe()[0];
  };
  const std::string novo = gerar(pl_008i2);
  for (TVersaoEsquema versao : {pl_008a, pl_008b, pl_008c, pl_008d, pl_008e, pl_008f}) {
    std::string esperado =
        std::regex_replace(novo, std::regex("<CEST>[0-9]*</CEST>|<ICMSUFDest>.*?</ICMSUFDest>"), "");
    esperado = std::regex_replace(esperado,
                                  std::regex("<vFCPUFDest>[^<]*</vFCPUFDest><vICMSUFDest>[^<]*</"
                                             "vICMSUFDest><vICMSUFRemet>[^<]*</vICMSUFRemet>"),
                                  "");
    EXPECT_EQ(gerar(versao), esperado) << VersaoEsquemaToStr(versao);
  }
  for (TVersaoEsquema versao : {pl_008g, pl_008h, pl_008i, pl_008i1})
    EXPECT_EQ(gerar(versao), novo) << VersaoEsquemaToStr(versao);
}

} // namespace
} // namespace vxn
