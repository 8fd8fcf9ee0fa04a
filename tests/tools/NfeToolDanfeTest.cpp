// nfe danfe dados: the example sale issued on the embedded default and its distribution XML printed as
// the DANFE print tables in JSON, read back by a strict JSON reader; a document the authority did not
// authorise and a text that is not XML are refused with their exit codes and messages.
#include "NfeEmitirFixture.h"
#include "danfe/vxnNFeDanfeDados.h"
#include "support/XmlTag.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;

// What the tool writes: objects (members in their order), arrays and strings.
struct Json {
  char tipo = 0; // '{', '[' or '"'
  std::string texto;
  std::vector<std::pair<std::string, Json>> membros;
  std::vector<Json> itens;

  const Json& operator[](const std::string& nome) const {
    for (const auto& [n, v] : membros)
      if (n == nome)
        return v;
    throw std::out_of_range("no member " + nome);
  }
};

// Reads a whole text as one JSON value; anything malformed or left over throws.
class LeitorJson {
public:
  explicit LeitorJson(std::string_view s) : s_(s) {}
  Json Ler() {
    Json v = Valor();
    Espacos();
    if (p_ != s_.size())
      Falha("text after the value");
    return v;
  }

private:
  [[noreturn]] void Falha(const std::string& o) const {
    throw std::runtime_error(o + " at " + std::to_string(p_));
  }
  void Espacos() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t'))
      ++p_;
  }
  void Esperar(char c) {
    Espacos();
    if (p_ >= s_.size() || s_[p_] != c)
      Falha(std::string("expected ") + c);
    ++p_;
  }
  bool Proximo(char c) {
    Espacos();
    return p_ < s_.size() && s_[p_] == c;
  }
  std::string Texto() {
    Esperar('"');
    std::string out;
    while (p_ < s_.size() && s_[p_] != '"') {
      char c = s_[p_++];
      if (static_cast<unsigned char>(c) < 0x20)
        Falha("control character in a string");
      if (c == '\\') {
        if (p_ >= s_.size())
          Falha("escape at the end");
        c = s_[p_++];
        if (c == 'n')
          c = '\n';
        else if (c == 'r')
          c = '\r';
        else if (c == 't')
          c = '\t';
        else if (c == 'u') {
          if (p_ + 4 > s_.size() || s_.substr(p_, 2) != "00")
            Falha("\\u beyond what the tool writes");
          c = static_cast<char>(std::stoi(std::string(s_.substr(p_ + 2, 2)), nullptr, 16));
          p_ += 4;
        } else if (c != '"' && c != '\\' && c != '/')
          Falha("unknown escape");
      }
      out.push_back(c);
    }
    Esperar('"');
    return out;
  }
  Json Valor() {
    Json v;
    if (Proximo('{')) {
      v.tipo = '{';
      Esperar('{');
      while (!Proximo('}')) {
        if (!v.membros.empty())
          Esperar(',');
        std::string nome = Texto();
        Esperar(':');
        v.membros.emplace_back(std::move(nome), Valor());
      }
      Esperar('}');
    } else if (Proximo('[')) {
      v.tipo = '[';
      Esperar('[');
      while (!Proximo(']')) {
        if (!v.itens.empty())
          Esperar(',');
        v.itens.push_back(Valor());
      }
      Esperar(']');
    } else {
      v.tipo = '"';
      v.texto = Texto();
    }
    return v;
  }
  std::string_view s_;
  std::size_t p_ = 0;
};

std::string Substituir(std::string s, const std::string& de, const std::string& para) {
  const auto p = s.find(de);
  return p == std::string::npos ? s : s.replace(p, de.size(), para);
}

TEST(NfeToolDanfe, DistributionXmlOfTheExampleSalePrintsItsTablesAsJson) {
  TempDir home;
  const NfeRunOptions emCasa = InHome(home);
  const NfeRunResult emitir = RunNfe({"emitir", kComandos}, emCasa);
  ASSERT_EQ(emitir.exitCode, 0) << emitir.err << emitir.out;
  const Bloco nota = Blocos(emitir.out).at(0);
  const std::string distribuicao = ReadFileOrEmpty(nota.distribuicao);

  const NfeRunResult r = RunNfe({"danfe", "dados", nota.distribuicao}, emCasa);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Json json;
  ASSERT_NO_THROW(json = LeitorJson(r.out).Ler()) << r.out;

  // One member per table in the tables' order; each row an object of every field of its table.
  const auto modelo = CriarNFeDanfeDados(vm60);
  ASSERT_EQ(json.tipo, '{');
  ASSERT_EQ(json.membros.size(), modelo->GetTabelas().size());
  for (std::size_t t = 0; t < json.membros.size(); ++t) {
    const TvxnDataSet& tabela = *modelo->GetTabelas()[t].dados;
    const auto& [nome, linhas] = json.membros[t];
    EXPECT_EQ(nome, tabela.Name());
    ASSERT_EQ(linhas.tipo, '[') << nome;
    for (const Json& linha : linhas.itens) {
      ASSERT_EQ(linha.tipo, '{') << nome;
      ASSERT_EQ(linha.membros.size(), tabela.Fields().size()) << nome;
      for (std::size_t f = 0; f < linha.membros.size(); ++f)
        EXPECT_EQ(linha.membros[f].first, tabela.Fields()[f]->FieldName()) << nome;
    }
  }

  // The example sale: three items, one volume, two instalments, freight by the sender.
  ASSERT_EQ(json["Dados"].itens.size(), 1u);
  const Json& dados = json["Dados"].itens[0];
  EXPECT_EQ(dados["CodBarra"].texto, nota.chave);
  EXPECT_EQ(dados["nProt"].texto, nota.protocolo);
  EXPECT_EQ(dados["dhRecbto"].texto, Tag(distribuicao, "dhRecbto"));
  EXPECT_EQ(dados["FraseHomologacao"].texto, "SEM VALOR FISCAL");
  EXPECT_EQ(dados["TraDescMod"].texto, "0 - Rem.");
  EXPECT_EQ(dados["VolQuantidade"].texto, "7");
  EXPECT_EQ(dados["ValorTotNota"].texto, "6.827,45");
  EXPECT_THAT(dados["ObsContribuinte"].texto, HasSubstr("Pedido PC-88231 de 01/12/2026."));
  ASSERT_EQ(json["DadosItens"].itens.size(), 3u);
  EXPECT_EQ(json["DadosItens"].itens[0]["ItemDescricao"].texto, Tag(distribuicao, "xProd"));
  // Issued without accents (the component's default); the other non-ASCII characters stay as they are.
  EXPECT_EQ(json["DadosItens"].itens[2]["ItemDescricao"].texto, "Cabo flexivel 4 mm² 750 V rolo 100 m");
  ASSERT_EQ(json["DadosCobranca"].itens.size(), 2u);
  EXPECT_EQ(json["DadosCobranca"].itens[1]["NumDuplicata"].texto, "002");
  EXPECT_EQ(json["DadosCobranca"].itens[1]["ValorDuplicata"].texto, "3.413,72");
  EXPECT_EQ(json["vol"].itens.size(), 1u);

  // Not authorised: exit 1 and the refusal; --previa prints it marked as a preview.
  const std::string recusada = home.Path() + "recusada.xml";
  WriteFileAtomic(recusada, Substituir(distribuicao, "<cStat>100</cStat>", "<cStat>110</cStat>"));
  const NfeRunResult naoAutorizada = RunNfe({"danfe", "dados", recusada}, emCasa);
  EXPECT_EQ(naoAutorizada.exitCode, 1) << naoAutorizada.err;
  EXPECT_EQ(naoAutorizada.out, "");
  EXPECT_THAT(naoAutorizada.err, HasSubstr("Danfe não autorizada para Impressão."));
  const NfeRunResult previa = RunNfe({"danfe", "dados", recusada, "--previa"}, emCasa);
  ASSERT_EQ(previa.exitCode, 0) << previa.err;
  EXPECT_EQ(LeitorJson(previa.out).Ler()["Dados"].itens.at(0)["FraseHomologacao"].texto,
            "PREVISÃO DE DANFE. SEM VALOR FISCAL");

  // Not XML: exit 5 and the message.
  const std::string texto = home.Path() + "texto.xml";
  WriteFileAtomic(texto, "<nfeProc><NFe>");
  const NfeRunResult invalido = RunNfe({"danfe", "dados", texto}, emCasa);
  EXPECT_EQ(invalido.exitCode, 5);
  EXPECT_EQ(invalido.out, "");
  EXPECT_THAT(invalido.err, HasSubstr("XML para exportação do Danfe inválido."));
}

} // namespace
} // namespace vxn
