// Layouts 1.10 (packages pl_005a ... pl_005f) and 2.00 (pl_006e ... pl_006v), for which no official schema
// is at hand: the documents of tests/datasets/data/nfe-110-documentos.txt and nfe-200-documentos.txt,
// filled into the dataset of every package of their layout with the dictionary of its layout version,
// must write every value they were given and only elements of the published layout, each in the layout's
// order (tests/datasets/data/leiaute-1.10.txt, leiaute-2.00.txt); together they fill every field of the
// dictionaries.
#include "datasets/vxnNFeDataSets.h"
#include "vxnFiles.h"
#include "vxnNFeType.h"

#include "support/NFeDocumentFiller.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vxn {
namespace {

struct Caso {
  std::string nome;
  std::vector<std::string> linhas;
};

// The layout ("1.10" or "2.00") of a package.
std::string Leiaute(TVersaoEsquema versao) {
  return GetVersaoManualDoEsquema(versao) == vm30 ? "1.10" : "2.00";
}

std::string Arquivo(const std::string& nome) {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/datasets/data/" + nome);
}

std::vector<Caso> Casos(const std::string& leiaute) {
  std::vector<Caso> casos;
  const std::string nome = leiaute == "1.10" ? "nfe-110-documentos.txt" : "nfe-200-documentos.txt";
  for (const std::string& linha : test::Lines(Arquivo(nome))) {
    if (linha.empty() || linha[0] == '#')
      continue;
    if (linha.starts_with("== "))
      casos.push_back({linha.substr(3), {}});
    else
      casos.back().linhas.push_back(linha);
  }
  return casos;
}

// Position of every element path (below infNFe, "det/prod/cProd") in the layout's order.
std::map<std::string, int> Ordem(const std::string& leiaute) {
  std::map<std::string, int> ordem;
  std::vector<std::string> pilha;
  for (const std::string& linha : test::Lines(Arquivo("leiaute-" + leiaute + ".txt"))) {
    if (linha.empty() || linha[0] == '#')
      continue;
    const std::size_t nivel = linha.find_first_not_of(' ') / 2;
    pilha.resize(nivel);
    pilha.push_back(linha.substr(nivel * 2));
    std::string caminho;
    for (const std::string& nome : pilha)
      caminho += (caminho.empty() ? "" : "/") + nome;
    ordem.emplace(caminho, static_cast<int>(ordem.size()));
  }
  return ordem;
}

// "" when every element below infNFe is an element of the layout and follows its preceding sibling in
// the layout's order; otherwise the first element that does not.
std::string ForaDaOrdem(const std::string& xml, const std::map<std::string, int>& ordem) {
  struct Aberto {
    std::string caminho;
    int ultimo = -1;
  };
  std::vector<Aberto> pilha;
  for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
    const std::size_t fim = xml.find_first_of(" />", at + 1);
    const bool fecha = xml[at + 1] == '/';
    const std::string nome = xml.substr(at + 1 + fecha, fim - at - 1 - fecha);
    if (fecha) {
      pilha.pop_back();
      continue;
    }
    const bool vazio = xml[xml.find('>', at) - 1] == '/';
    if (pilha.empty()) { // infNFe
      pilha.push_back({"", -1});
      continue;
    }
    const std::string caminho = pilha.back().caminho.empty() ? nome : pilha.back().caminho + "/" + nome;
    const auto it = ordem.find(caminho);
    if (it == ordem.end())
      return caminho + " is not an element of the layout";
    if (it->second < pilha.back().ultimo)
      return caminho + " comes after an element the layout puts after it";
    pilha.back().ultimo = it->second;
    if (!vazio)
      pilha.push_back({caminho, -1});
  }
  return {};
}

// The fields of the dictionary that the package does not write: the ST charged earlier of ICMS60 came with
// pl_005c, the approximate total of taxes with pl_006r, the FCI number with pl_006s.
bool DepoisDoPacote(const std::string& campo, TVersaoEsquema versao) {
  if (campo == "vBCSTRet_N26" || campo == "vICMSSTRet_N27")
    return versao < pl_005c;
  if (campo.starts_with("vTotTrib_"))
    return versao < pl_006r;
  if (campo == "nFCI_I70")
    return versao < pl_006s;
  return false;
}

std::string Dicionario(TVersaoEsquema versao) {
  const std::string pasta = VersaoManualSubdir(GetVersaoManualDoEsquema(versao));
  return test::ShippedDictionary(false, pasta.substr(0, pasta.size() - 1));
}

std::set<std::string> Campos(TvxnNFeDataSets& ds) {
  std::set<std::string> campos;
  for (const auto& part : ds.GetListDataSets())
    for (std::size_t i = 0; i < part->Fields().size(); ++i)
      if (part->XmlField(i).Visible())
        campos.insert(part->XmlField(i).FieldName());
  return campos;
}

std::string Gerar(TVersaoEsquema versao, const Caso& caso, std::vector<std::string>& dados) {
  TvxnNFeDataSets ds;
  ds.SetVersaoEsquema(versao);
  ds.SetXMLDicionario(Dicionario(versao));
  const std::set<std::string> campos = Campos(ds);
  ds.Incluir();
  for (const std::string& linha : caso.linhas) {
    const std::size_t eq = linha.find('=');
    const std::string parte = linha.substr(linha.find(' ') + 1);
    if (eq != std::string::npos) {
      const std::string campo = linha.substr(0, eq);
      if (!campos.contains(campo) || DepoisDoPacote(campo, versao))
        continue;
      ds.Campo(campo).SetAsString(linha.substr(eq + 1));
      dados.push_back(linha);
    } else if (linha == "IncluirItem")
      ds.IncluirItem();
    else if (linha == "SalvarItem")
      ds.SalvarItem();
    else if (linha == "IncluirCobranca")
      ds.IncluirCobranca();
    else if (linha == "SalvarCobranca")
      ds.SalvarCobranca();
    else if (linha.starts_with("IncluirPart "))
      ds.IncluirPart(parte);
    else if (linha.starts_with("SalvarPart "))
      ds.SalvarPart(parte);
    else
      ADD_FAILURE() << "unknown line: " << linha;
  }
  ds.Salvar();
  return ds.GetLoteNFe()[0];
}

class LeiauteAnteriorTest : public ::testing::TestWithParam<TVersaoEsquema> {};

TEST_P(LeiauteAnteriorTest, EveryValueIsWrittenInTheLayoutsOrder) {
  const auto ordem = Ordem(Leiaute(GetParam()));
  for (const Caso& caso : Casos(Leiaute(GetParam()))) {
    std::vector<std::string> dados;
    const std::string xml = Gerar(GetParam(), caso, dados);
    EXPECT_TRUE(xml.starts_with("<infNFe Id=\"NFe")) << xml;
    EXPECT_EQ(ForaDaOrdem(xml, ordem), "") << caso.nome << ": " << xml;
    for (const std::string& linha : dados) {
      const std::string tag = linha.substr(0, linha.find('_'));
      const std::string valor = linha.substr(linha.find('=') + 1);
      EXPECT_TRUE(xml.find("<" + tag + ">" + valor + "</" + tag + ">") != std::string::npos ||
                  xml.find(tag + "=\"" + valor + "\"") != std::string::npos)
          << caso.nome << ": " << linha;
    }
    if (GetParam() < pl_006r) {
      EXPECT_EQ(xml.find("<vTotTrib>"), std::string::npos) << caso.nome;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Pacotes, LeiauteAnteriorTest,
                         ::testing::Values(pl_005a, pl_005b, pl_005c, pl_005d, pl_005f, pl_006e, pl_006f,
                                           pl_006g, pl_006i, pl_006j, pl_006m, pl_006n, pl_006p, pl_006q,
                                           pl_006r, pl_006s, pl_006t, pl_006u, pl_006v),
                         [](const auto& info) { return VersaoEsquemaToStr(info.param); });

// The order check itself refuses an element out of place and one the layout does not have.
TEST(LeiauteAnteriorOrdemTest, RefusesAnElementOutOfOrderOrUnknown) {
  const auto ordem = Ordem("2.00");
  EXPECT_EQ(ForaDaOrdem("<infNFe Id=\"x\"><ide><cUF>35</cUF><cNF>1</cNF></ide></infNFe>", ordem), "");
  EXPECT_EQ(ForaDaOrdem("<infNFe Id=\"x\"><ide><cNF>1</cNF><cUF>35</cUF></ide></infNFe>", ordem),
            "ide/cUF comes after an element the layout puts after it");
  EXPECT_EQ(ForaDaOrdem("<infNFe Id=\"x\"><ide><dhEmi>1</dhEmi></ide></infNFe>", ordem),
            "ide/dhEmi is not an element of the layout");
}

// Together the documents of a layout fill every field of its dictionary (but the key's, which generation
// writes).
TEST(LeiauteAnteriorOrdemTest, TheDocumentsFillEveryFieldOfTheDictionaries) {
  for (TVersaoEsquema versao : {pl_005f, pl_006v}) {
    std::set<std::string> preenchidos;
    for (const Caso& caso : Casos(Leiaute(versao)))
      for (const std::string& linha : caso.linhas)
        if (linha.find('=') != std::string::npos)
          preenchidos.insert(linha.substr(0, linha.find('=')));
    TvxnNFeDataSets ds;
    ds.SetVersaoEsquema(versao);
    ds.SetXMLDicionario(Dicionario(versao));
    for (const std::string& campo : Campos(ds)) {
      if (campo != "Id_A03" && campo != "cDV_B23") {
        EXPECT_TRUE(preenchidos.contains(campo)) << Leiaute(versao) << ": " << campo;
      }
    }
  }
}

} // namespace
} // namespace vxn
