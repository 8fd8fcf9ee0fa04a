// The parameter checks of every event builder, through the component: each line of
// tests/events/data/eventos-parametros.txt spoils some parameters of a good call and names the refusal that
// must come first. Lines that spoil a later parameter too check the order; lines that end at the builder's
// last check show that the values before it were accepted. Nothing is signed, logged or sent after a
// refusal.
#include "events/vxnNFeEventos.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFe.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

constexpr const char* kChave = "35261211222333000181550010000010021482139065";
constexpr const char* kCheck = "EvxnEventoCheckParams";

class EventosParametrosTest : public ::testing::Test {
protected:
  void SetUp() override {
    nfe_.SetCNPJ("11222333000181");
    nfe_.SetUF("SP");
    nfe_.SetDiretorioLog(dir_.Path() + "Log");
    nfe_.SetDiretorioLogErro(dir_.Path() + "LogErro");
    nfe_.SetDiretorioXmlDestinatario(dir_.Path() + "Xml");
  }
  void TearDown() override {
    // Nothing was logged or written for a refused call.
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::is_empty(dir_.Path() + "Xml", ec) || ec);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() + "Log") &&
                 !std::filesystem::is_empty(dir_.Path() + "Log"));
    EvxnException::ResetClassState();
  }

  test::TempDir dir_;
  TvxnNFe nfe_;
};

struct Caso {
  const char* nome;
  std::function<void(TvxnNFe&)> chamada;
  Refusal recusa;
};

void Checar(TvxnNFe& nfe, const std::vector<Caso>& casos) {
  for (const Caso& c : casos) {
    nfe.SetCNPJ("11222333000181");
    EXPECT_EQ(RefusalOf([&] { c.chamada(nfe); }), c.recusa) << c.nome;
  }
}

std::string Envio(const std::string& causa) {
  return "Um problema foi encontrado durante a geração do XML de envio: \"" + causa + "\"";
}

// A parameter of a line of tests/events/data/eventos-parametros.txt, or the good call's value.
using Parametros = std::map<std::string, std::string>;

std::string Valor(const Parametros& p, const std::string& nome, const std::string& padrao) {
  const auto i = p.find(nome);
  if (i == p.end())
    return padrao;
  const std::size_t asterisco = i->second.find('*');
  if (i->second.starts_with("{") && asterisco != std::string::npos) // {a*61}
    return std::string(std::stoul(i->second.substr(asterisco + 1)), i->second[1]);
  return i->second;
}

// The builders as the data file names them, each called over its good call.
const std::map<std::string, std::function<void(TvxnNFe&, const Parametros&)>> kConstrutores = {
    {"cce",
     [](TvxnNFe& n, const Parametros& p) {
       n.EnviarCCe(Valor(p, "chave", kChave), Valor(p, "correcao", "Correcao do endereco de entrega"),
                   Valor(p, "orgao", "35"), Valor(p, "dh", ""), Valor(p, "fuso", ""),
                   std::stoi(Valor(p, "seq", "1")), "1");
     }},
    {"cancelar",
     [](TvxnNFe& n, const Parametros& p) {
       n.CancelarNFeEvento(Valor(p, "chave", kChave), p.at("prot"), p.at("just"), p.at("dh"), p.at("fuso"), 1,
                           "1");
     }},
    {"substituir",
     [](TvxnNFe& n, const Parametros& p) {
       n.CancelarNFeEventoSubstituicao(Valor(p, "chave", kChave), "135260000000001",
                                       Valor(p, "just", "Emitida em duplicidade com a de contingencia"),
                                       Valor(p, "ref", "35261211222333000181650010000010031482139065"),
                                       p.at("ver"), "", "", 1, "1");
     }},
    {"manifestar",
     [](TvxnNFe& n, const Parametros& p) {
       n.EnviarManifestacaoDestinatario(std::stoi(p.at("tipo")), Valor(p, "chave", kChave), p.at("just"), "",
                                        "", "1", 1);
     }},
    {"epec",
     [](TvxnNFe& n, const Parametros& p) { n.MontarXmlEPEC(p.at("lote"), p.at("xml"), "", p.at("fuso")); }},
    {"entregar",
     [](TvxnNFe& n, const Parametros& p) {
       n.EnviarComprovanteEntrega(kChave, "91", Valor(p, "autor", "35"), "1", Valor(p, "ver", "1.0"),
                                  Valor(p, "entrega", "2026-12-01T10:00:00"), Valor(p, "doc", "12345678909"),
                                  Valor(p, "nome", "Fulano"), "", "", "", "", "", 1, "1");
     }},
    {"cancelar-entrega",
     [](TvxnNFe& n, const Parametros& p) {
       n.CancelarComprovanteEntrega(kChave, "91", "35", "1", "1.0", p.at("prot"), "", "", 1, "1");
     }},
    {"ator",
     [](TvxnNFe& n, const Parametros& p) {
       n.EnviarAtorInteressado(kChave, "91", "35", "1", "1.0", p.at("autorizado"),
                               TTipoAutorizacaoAtorInter::tEAIPermite, "", "", 1, "1");
     }},
    {"reforma",
     [](TvxnNFe& n, const Parametros& p) {
       TvxnEventoReforma e;
       e.TpEvento = Valor(p, "tp", "112120");
       e.Chave = Valor(p, "chave", kChave);
       e.Orgao = Valor(p, "orgao", "");
       e.TpAutor = Valor(p, "autor", "");
       e.VerAplic = Valor(p, "ver", "1.0");
       e.Indicador = Valor(p, "ind", "");
       e.CMotivo = Valor(p, "cmotivo", "");
       e.XMotivo = Valor(p, "xmotivo", "");
       e.DPrevEntrega = Valor(p, "entrega", "");
       e.Sequencia = std::stoi(Valor(p, "seq", "1"));
       // Items separated by "/", each nItem,vIBS,vCBS,quantity,unit.
       for (const std::string& item : Split(Valor(p, "itens", "1,1.00,0.90,2.0000,UN"), '/')) {
         if (item.empty())
           continue;
         std::vector<std::string> f = Split(item, ',');
         f.resize(5);
         TvxnItemEventoReforma i;
         i.NItem = f[0];
         i.VIBS = f[1];
         i.VCBS = f[2];
         i.Quantidade = f[3];
         i.Unidade = f[4];
         e.Itens.push_back(i);
       }
       MontarXmlEventoReforma(n, e);
     }},
};

TEST_F(EventosParametrosTest, EachBuilderRefusesTheFirstSpoiledParameter) {
  int lidas = 0;
  for (const std::string& linha : test::Lines(
           ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/events/data/eventos-parametros.txt"))) {
    if (linha.empty() || linha[0] == '#')
      continue;
    std::vector<std::string> campos;
    for (std::size_t i = 0, fim; i != std::string::npos; i = fim == std::string::npos ? fim : fim + 3) {
      fim = linha.find(" | ", i);
      campos.push_back(linha.substr(i, fim == std::string::npos ? fim : fim - i));
    }
    ASSERT_EQ(campos.size(), 4u) << linha;
    Parametros p;
    for (const std::string& par : Split(campos[1], ';'))
      if (!par.empty())
        p[par.substr(0, par.find('='))] = par.substr(par.find('=') + 1);
    nfe_.SetCNPJ(Valor(p, "cnpj", "11222333000181"));
    EXPECT_EQ(RefusalOf([&] { kConstrutores.at(campos[0])(nfe_, p); }), (Refusal{campos[2], campos[3]}))
        << linha;
    ++lidas;
  }
  EXPECT_GT(lidas, 0);
}

// What a line of text cannot say: a refusal that quotes the XML parser, the events object's own call, an
// extension request without items.
TEST_F(EventosParametrosTest, RefusalsOutsideTheTable) {
  Checar(nfe_,
         {
             {"lot not XML",
              [](TvxnNFe& n) { n.MontarXmlEPEC("1", "<enviNFe>", "", "-03:00"); },
              {kCheck,
               "Um problema foi encontrado durante a geração do XML de evento EPEC: \"Não foi possível "
               "montar o EPEC da nota porque o xml de entrada é inválido. Erro: " +
                   RefusalOf([] { TvxnGovUtils().XPathSelectNodes("<enviNFe>", "//*"); }).message + "\""}},
             {"author's code outside 1 to 3",
              [](TvxnNFe& n) {
                n.GetEventos().EnviarAtorInteressado(kChave, "91", "35", "4", "1.0", "12345678000195",
                                                     TTipoAutorizacaoAtorInter::tEAIPermite, "", "", 1, "1");
              },
              {kCheck, Envio("Tipo do Autor inválido: 4")}},
             {"extension without items",
              [](TvxnNFe& n) {
                n.EnviarPedidoProrrogacao(kChave, "135260000000001", TTipoPedidoProrrogacao::tEPP1, "", "", 1,
                                          "1");
              },
              {kCheck, Envio("Nenhum item encontrado,favor adicione utilizando o método: AdicionarItens.")}},
         });
}

} // namespace
} // namespace vxn
