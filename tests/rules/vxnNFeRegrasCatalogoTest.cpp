// The authority's rule sets of the layouts 2.00 and 3.10: what each version registers against the
// published lists (tests/rules/data/catalogo-regras.txt), a known-good document per version that passes
// every rule, and a table of single changes to it (tests/rules/data/regras-casos.txt), each refused by
// the one rule it breaks, through the rules that Salvar runs (ValidaRegrasNegocio).
#include "support/NFeDocumentFiller.h"
#include "support/RuleCatalogue.h"

#include "converters/vxnNFeConvTXTDataSet.h"
#include "datasets/vxnNFeDataSets.h"
#include "rules/vxnNFeRules.h"
#include "vxnNFeEsquemaPadrao.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace vxn {
namespace {

std::string Fonte(const std::string& relativo) {
  std::ifstream in(std::string(QVX_SOURCE_DIR) + "/" + relativo, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TVersaoManual VersaoDe(const std::string& nome) {
  return nome == "vm40" ? vm40 : nome == "vm50" ? vm50 : vm50a;
}

std::string NomeDaClasse(const TvxnRule& regra) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> nome(
      abi::__cxa_demangle(typeid(regra).name(), nullptr, nullptr, &status), std::free);
  std::string s = status == 0 ? nome.get() : typeid(regra).name();
  return s.starts_with("vxn::") ? s.substr(5) : s;
}

// ---------------------------------------------------------------- what each version registers

class CatalogoTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CatalogoTest, RegistersThePublishedListInOrder) {
  const std::string versao = GetParam();
  const std::vector<test::RuleEntry> publicadas = test::PublishedRules(versao);
  TvxnControllerRulesNFe controller;
  controller.SetVersaoEsquema(GetUltimoEsquemaDaVersaoManual(VersaoDe(versao)));
  controller.LoadRulesWebSefaz();
  std::vector<test::RuleEntry> registradas;
  for (const auto& regra : controller.GetListRules()) {
    const auto& r = dynamic_cast<const TvxnNFeRule&>(*regra);
    registradas.push_back(
        {NomeDaClasse(r), r.GetName(), r.GetCodMensagem(), r.GetFieldName(), r.GetMensagem()});
    EXPECT_EQ(r.GetVersaoManual(), VersaoDe(versao)) << r.GetName();
    EXPECT_TRUE(r.GetEnabled());
  }
  ASSERT_EQ(registradas.size(), publicadas.size());
  for (std::size_t i = 0; i < publicadas.size(); ++i) {
    EXPECT_EQ(registradas[i].className, publicadas[i].className) << versao << " #" << i + 1;
    EXPECT_EQ(registradas[i].id, publicadas[i].id) << versao << " #" << i + 1;
    EXPECT_EQ(registradas[i].code, publicadas[i].code) << versao << " #" << i + 1;
    EXPECT_EQ(registradas[i].field, publicadas[i].field) << versao << " #" << i + 1;
    EXPECT_EQ(registradas[i].text, publicadas[i].text) << versao << " #" << i + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(Versoes, CatalogoTest, ::testing::Values("vm40", "vm50", "vm50a"));

TEST(CatalogoListasTest, SizesOfThePublishedLists) {
  // The transcription itself: 91, 103 and 185 rules, 224 classes in all.
  std::map<std::string, int> classes;
  for (const char* v : {"vm40", "vm50", "vm50a"})
    for (const auto& e : test::PublishedRules(v))
      ++classes[e.className];
  EXPECT_EQ(test::PublishedRules("vm40").size(), 91u);
  EXPECT_EQ(test::PublishedRules("vm50").size(), 103u);
  EXPECT_EQ(test::PublishedRules("vm50a").size(), 185u);
  EXPECT_EQ(classes.size(), 224u);
}

// ---------------------------------------------------------------- the good documents and the changes

// The moment of receipt of every case: the day the good documents were issued, at noon.
std::chrono::system_clock::time_point Recebimento() {
  return TvxnGovUtils().XsdDateTimeToDateTime("2026-12-05T12:00:00-03:00");
}

// Stores the command text with the authority's rules on; "" when it passes, else the rule's message.
// Values the dataset would refuse to store (outside a field's enumeration, a required field emptied, the
// key it computes) are put into the stored document afterwards (`depois`, "field=value" pairs), and the
// rules run on it as Salvar runs them.
std::string Salvar(const std::string& versao, const std::string& texto, const std::string& excecoes,
                   const std::vector<std::pair<std::string, std::string>>& depois = {}) {
  TvxnNFeConvTXTDataSet conv;
  conv.SetXMLDicionario(test::ShippedDictionary(false, versao));
  conv.SetVersaoEsquema(GetUltimoEsquemaDaVersaoManual(VersaoDe(versao)));
  conv.DataSets().SetValidaRegrasNegocio(depois.empty());
  conv.DataSets().SetExcecoesDeRegras(excecoes);
  conv.DataSets().SetRelogioRegras(Recebimento);
  conv.SetTXT(texto);
  try {
    TvxnNFeDataSets* ds = nullptr;
    conv.Converter(ds);
    if (depois.empty())
      return "";
    for (const auto& [campo, valor] : depois) {
      TXmlFieldNFe& field = ds->Campo(campo);
      field.DataSet()->Edit();
      field.SetAsString(valor);
    }
    ds->AplicarRegrasDeNegocio(TTipoRegraKind::rkSefaz);
  } catch (const EvxnNFeRuleException& e) {
    return e.Message();
  }
  return "";
}

std::string Base(const std::string& versao) {
  return Fonte("tests/rules/data/nfe-" + versao + ".txt");
}

TEST_P(CatalogoTest, TheGoodDocumentPassesEveryRule) {
  const std::string versao = GetParam();
  EXPECT_EQ(Salvar(versao, Base(versao), ""), "");
  // Every rule ran: the list of failures of the stored document is empty too.
  TvxnNFeConvTXTDataSet conv;
  conv.SetXMLDicionario(test::ShippedDictionary(false, versao));
  conv.SetVersaoEsquema(GetUltimoEsquemaDaVersaoManual(VersaoDe(versao)));
  conv.DataSets().SetRelogioRegras(Recebimento);
  conv.SetTXT(Base(versao));
  TvxnNFeDataSets* ds = nullptr;
  conv.Converter(ds);
  EXPECT_EQ(ds->FalhasDasRegrasDeNegocio(), std::vector<std::string>{});
}

// The name of a command-text line: what comes before "=", or the whole command. An anchor of an
// insertion names a line by its name or by its whole text ("SALVARPARTE=DI").
std::string NomeDaLinha(const std::string& linha) {
  return Trim(linha.substr(0, linha.find('=')));
}

// Applies the edits of a case to the lines of the document (see regras-casos.txt); the edits of the
// stored document ("!field=value") go to `depois`.
std::vector<std::string> Editar(std::vector<std::string> linhas, const std::string& edicoes,
                                std::vector<std::pair<std::string, std::string>>& depois) {
  for (const std::string& bruta : Split(edicoes, ';')) {
    std::string e = Trim(bruta);
    if (e.empty())
      continue;
    if (e.front() == '!') {
      const auto igual = e.find('=');
      depois.emplace_back(e.substr(1, igual - 1), e.substr(igual + 1));
      continue;
    }
    auto achar = [&](const std::string& nome, int ocorrencia) {
      int n = 0;
      for (std::size_t i = 0; i < linhas.size(); ++i)
        if ((NomeDaLinha(linhas[i]) == nome || Trim(linhas[i]) == nome) && ++n == ocorrencia)
          return i;
      throw std::runtime_error("no line " + nome + " #" + std::to_string(ocorrencia) + " for: " + e);
    };
    auto nomeEOcorrencia = [](std::string nome) {
      int ocorrencia = 1;
      if (const auto h = nome.find('#'); h != std::string::npos) {
        ocorrencia = std::stoi(nome.substr(h + 1));
        nome.resize(h);
      }
      return std::pair{nome, ocorrencia};
    };
    if (e.front() == '+') {
      const auto seta = e.find('>');
      std::string ancora = e.substr(1, seta - 1);
      int vezes = 1;
      if (const auto x = ancora.find('*'); x != std::string::npos) {
        vezes = std::stoi(ancora.substr(x + 1));
        ancora.resize(x);
      }
      const auto [nome, ocorrencia] = nomeEOcorrencia(ancora);
      std::vector<std::string> novas;
      for (int v = 0; v < vezes; ++v)
        for (const std::string& l : Split(ReplaceAll(e.substr(seta + 1), "\\n", "\n"), '\n'))
          novas.push_back(l);
      const std::size_t i = achar(nome, ocorrencia);
      linhas.insert(linhas.begin() + static_cast<std::ptrdiff_t>(i) + 1, novas.begin(), novas.end());
    } else if (e.front() == '-') {
      const auto [nome, ocorrencia] = nomeEOcorrencia(e.substr(1));
      linhas.erase(linhas.begin() + static_cast<std::ptrdiff_t>(achar(nome, ocorrencia)));
    } else if (e.front() == '*') {
      const auto igual = e.find('=');
      const std::string nome = e.substr(1, igual - 1);
      int n = 0;
      for (std::string& l : linhas)
        if (NomeDaLinha(l) == nome)
          l = e.substr(1), ++n;
      if (n == 0)
        throw std::runtime_error("no line " + nome + " for: " + e);
    } else {
      const auto igual = e.find('=');
      const auto [nome, ocorrencia] = nomeEOcorrencia(e.substr(0, igual));
      linhas[achar(nome, ocorrencia)] = nome + e.substr(igual);
    }
  }
  return linhas;
}

struct Caso {
  int linha = 0;
  std::string versao, id, codigo, excecoes, edicoes;
};

std::vector<Caso> Casos() {
  std::vector<Caso> casos;
  std::istringstream in(Fonte("tests/rules/data/regras-casos.txt"));
  std::string linha;
  int n = 0;
  while (std::getline(in, linha)) {
    ++n;
    if (Trim(linha).empty() || Trim(linha).front() == '#')
      continue;
    const auto campos = Split(linha, '|');
    if (campos.size() != 5)
      throw std::runtime_error("regras-casos.txt:" + std::to_string(n) + ": five columns expected");
    casos.push_back({n, Trim(campos[0]), Trim(campos[1]), Trim(campos[2]), Trim(campos[3]), campos[4]});
  }
  return casos;
}

TEST(RegrasCasosTest, EachChangeIsRefusedByTheRuleItBreaks) {
  std::map<std::string, std::vector<std::string>> bases;
  const auto casos = Casos();
  ASSERT_FALSE(casos.empty());
  for (const Caso& c : casos) {
    SCOPED_TRACE("regras-casos.txt:" + std::to_string(c.linha) + " " + c.versao + " " + c.id);
    if (!bases.count(c.versao))
      bases[c.versao] = Split(Base(c.versao), '\n');
    std::vector<std::pair<std::string, std::string>> depois;
    std::string texto;
    try {
      for (const std::string& l : Editar(bases[c.versao], c.edicoes, depois))
        texto += l + "\n";
    } catch (const std::runtime_error& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    const std::string mensagem = Salvar(c.versao, texto, c.excecoes, depois);
    if (c.id == "ok")
      EXPECT_EQ(mensagem, "");
    else
      EXPECT_TRUE(mensagem.starts_with("[" + c.id + "]: " + c.codigo + " - ")) << mensagem;
  }
}

} // namespace
} // namespace vxn
