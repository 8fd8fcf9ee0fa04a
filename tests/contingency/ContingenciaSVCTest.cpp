// Issuing through the national contingency authorisers: which one stands in for each state, and a host
// that finds its state's authoriser paralysed on the local server (over TLS), switches the component to
// the contingency mode and has the example sale, re-issued with its contingency fields, authorised there,
// in layouts 4.00 and 3.10.
#include "contingency/vxnContingenciaSVC.h"
#include "sefaz-sim/SefazSim.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnNFeEsquemaPadrao.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vxn {
namespace {

using test::Between;
using test::Tag;

TEST(ModoSVCDaUF, EachStateHasTheContingencyAuthoriserThePortalLists) {
  for (const char* uf : {"AM", "BA", "GO", "MA", "MS", "MT", "PE", "PR", "pr"})
    EXPECT_EQ(ModoSVCDaUF(uf), moSVCRS) << uf;
  for (const char* uf : {"AC", "AL", "AP", "CE", "DF", "ES", "MG", "PA", "PB", "PI",
                         "RJ", "RN", "RO", "RR", "RS", "SC", "SE", "SP", "TO", "sp"})
    EXPECT_EQ(ModoSVCDaUF(uf), moSVCAN) << uf;
  for (const char* texto : {"AN", "an", "XX", "", "SVCAN"}) {
    try {
      ModoSVCDaUF(texto);
      ADD_FAILURE() << texto;
    } catch (const EvxnNFeModoOperacaoException& e) {
      EXPECT_EQ(e.Message(), "A UF " + std::string(texto) + " não possui Sefaz Virtual de Contingência.");
    }
  }
  EvxnException::ResetClassState();
}

TEST(TpEmisDoModo, EachModeHasItsIssueType) {
  EXPECT_EQ(TpEmisDoModo(moNormal), "1");
  EXPECT_EQ(TpEmisDoModo(moSVCAN), "6");
  EXPECT_EQ(TpEmisDoModo(moSVCRS), "7");
  EXPECT_EQ(TpEmisDoModo(moEPEC), "4");
}

struct Caso {
  const char* nome;
  TVersaoManual versao;
  const char* exemplo; // command text of examples/
  const char* uf;
  const char* cUF;
  const char* nNF;
  TModoOperacao modo;
  const char* secao; // where the contingency requests must go
};

const Caso kCasos[] = {
    {"sp_400_svcan", vm60, "venda-sp-mg-comandos.txt", "SP", "35", "7001", moSVCAN, "SVCAN"},
    {"pr_400_svcrs", vm60, "venda-sp-mg-comandos.txt", "PR", "41", "7002", moSVCRS, "SVCRS"},
    {"sp_310_svcan", vm50a, "venda-sp-mg-310-comandos.txt", "SP", "35", "7003", moSVCAN, "SVCAN"},
    {"pr_310_svcrs", vm50a, "venda-sp-mg-310-comandos.txt", "PR", "41", "7004", moSVCRS, "SVCRS"},
};

constexpr const char* kJustificativa = "Autorizador da SEFAZ de origem paralisado (109)";

// The value of a field of command text replaced.
void TrocaValor(std::string& texto, const std::string& campo, const std::string& valor) {
  const std::size_t p = texto.find("\n" + campo + "=");
  ASSERT_NE(p, std::string::npos) << campo;
  const std::size_t inicio = p + campo.size() + 2;
  texto.replace(inicio, texto.find('\n', inicio) - inicio, valor);
}

// The example's command text issued again: the state, the number, the issue type of the mode and the
// entry into contingency.
std::string EmContingencia(const Caso& c, std::string texto) {
  TrocaValor(texto, "cUF_B02", c.cUF);
  TrocaValor(texto, "nNF_B08", c.nNF);
  TrocaValor(texto, "tpEmis_B22", std::string(TpEmisDoModo(c.modo)));
  const std::size_t salvar = texto.rfind("SALVAR");
  EXPECT_NE(salvar, std::string::npos);
  texto.insert(salvar,
               "dhCont_B28=2026-12-05T10:05:00-03:00\nxJust_B29=" + std::string(kJustificativa) + "\n");
  return texto;
}

class ContingenciaSVCTest : public ::testing::TestWithParam<Caso> {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    nfe_.LoadConfig(files_.ConfigFile);
    nfe_.SetDiretorioLogErro(dir_.Path() + "LogErro");
    nfe_.SetDiretorioXmlDestinatario(dir_.Path() + "XmlDestinatario");
    nfe_.SetOnXmlDestinatario([this](const std::string& arquivo) { distribuicao_.push_back(arquivo); });
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  // The sections of the server's requests ("POST /SVCAN/ws/... 200 action"), awaited until it reported
  // `count` of them (it writes its line after the reply has gone out).
  std::vector<std::string> Secoes(std::size_t count) {
    for (int i = 0; i < 500 && Linhas().size() < count; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::vector<std::string> secoes;
    for (const std::string& linha : Linhas())
      secoes.push_back(linha.substr(6, linha.find("/ws/") - 6));
    return secoes;
  }
  std::vector<std::string> Linhas() {
    std::lock_guard lock(mutex_);
    return linhas_;
  }

  sim::TSefazSimOptions Options() {
    sim::TSefazSimOptions o = test::SimOptions();
    o.OnRequest = [this](const std::string& linha) {
      std::lock_guard lock(mutex_);
      linhas_.push_back(linha);
    };
    return o;
  }

  std::mutex mutex_;
  std::vector<std::string> linhas_;
  test::TempDir dir_;
  sim::TSefazSim sim_{Options()};
  sim::TSefazSimConfigFiles files_;
  TvxnNFe nfe_;
  std::vector<std::string> distribuicao_;
};

TEST_P(ContingenciaSVCTest, AParalysedStatesSaleIsAuthorisedByItsContingencyAuthoriser) {
  const Caso& c = GetParam();
  nfe_.SetVersaoManual(c.versao);
  nfe_.SetUF(c.uf);
  sim_.SetStateParalysed(c.uf, 109);

  // The host learns that its state's authoriser is paralysed ...
  EXPECT_EQ(Tag(nfe_.StatusDoServico(), "cStat"), "109");
  // ... switches to the contingency authoriser of its state, which is in operation ...
  nfe_.SetModoOperacao(ModoSVCDaUF(c.uf));
  ASSERT_EQ(nfe_.GetModoOperacao(), c.modo);
  EXPECT_EQ(Tag(nfe_.StatusDoServico(), "cStat"), "107");

  // ... and issues the sale again with the contingency fields: signed, sent and authorised there.
  const std::string texto =
      EmContingencia(c, ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/examples/" + c.exemplo));
  const std::string xml =
      nfe_.ConverterLoteParaXml(texto, lkTXTDataSet, GetUltimoEsquemaDaVersaoManual(c.versao), false);
  const std::string assinado = nfe_.AssinarNota(xml);
  const std::string chave = assinado.substr(assinado.find("Id=\"NFe") + 7, 44);
  EXPECT_EQ(chave.substr(0, 2), c.cUF);
  EXPECT_EQ(chave.substr(34, 1), TpEmisDoModo(c.modo));
  const std::string resposta = nfe_.EnviarNFSincrono("1", assinado, false);
  EXPECT_EQ(Tag(resposta, "cStat"), "104") << resposta;
  const std::string prot = Between(resposta, "<protNFe", "</protNFe>");
  EXPECT_EQ(Tag(prot, "cStat"), "100") << resposta;
  EXPECT_EQ(Tag(prot, "chNFe"), chave);
  EXPECT_EQ(Secoes(3), (std::vector<std::string>{c.uf, c.secao, c.secao}));

  // The distribution XML joins the contingency document with the contingency authoriser's protocol.
  ASSERT_EQ(distribuicao_.size(), 1u);
  const std::string nfeProc = ReadWholeFile(distribuicao_[0]);
  const std::string versao = c.versao == vm60 ? "4.00" : "3.10";
  EXPECT_EQ(test::XmlSchemaErrors(nfeProc, test::FindSchema("procNFe_v" + versao + ".xsd")), "");
  EXPECT_EQ(test::XmlSec1VerifyErrors(nfeProc, files_.AuthorityCertificate), "");
  EXPECT_EQ(Tag(nfeProc, "tpEmis"), TpEmisDoModo(c.modo));
  EXPECT_EQ(Tag(nfeProc, "xJust"), kJustificativa);
  EXPECT_EQ(Tag(nfeProc, "nProt"), Tag(prot, "nProt"));
}

// Once the state's authoriser is back, the contingency authoriser refuses the state's documents (114) and
// the state's own refuses the contingency's issue type (570): the host must go back to the normal mode.
TEST_P(ContingenciaSVCTest, BackInOperationNeitherAuthoriserTakesTheContingencyDocument) {
  const Caso& c = GetParam();
  nfe_.SetVersaoManual(c.versao);
  nfe_.SetUF(c.uf);
  nfe_.SetModoOperacao(c.modo);
  const std::string texto =
      EmContingencia(c, ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/examples/" + c.exemplo));
  const std::string assinado = nfe_.AssinarNota(
      nfe_.ConverterLoteParaXml(texto, lkTXTDataSet, GetUltimoEsquemaDaVersaoManual(c.versao), false));
  EXPECT_EQ(Tag(nfe_.EnviarNFSincrono("1", assinado, false), "cStat"), "114");
  nfe_.SetModoOperacao(moNormal);
  const std::string normal = nfe_.EnviarNFSincrono("2", assinado, false);
  EXPECT_EQ(Tag(Between(normal, "<protNFe", "</protNFe>"), "cStat"), "570") << normal;
  EXPECT_EQ(Secoes(2), (std::vector<std::string>{c.secao, c.uf}));
  EXPECT_TRUE(distribuicao_.empty());
}

INSTANTIATE_TEST_SUITE_P(Casos, ContingenciaSVCTest, ::testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nome); });

// A document of the normal issue type is refused by the component itself in a contingency mode, before
// anything is signed or sent.
TEST_F(ContingenciaSVCTest, TheModeRefusesADocumentOfAnotherIssueTypeBeforeSending) {
  nfe_.SetModoOperacao(moSVCAN);
  const std::string xml = nfe_.ConverterLoteParaXml(
      ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-comandos.txt"), lkTXTDataSet,
      pl_009g, false);
  try {
    nfe_.AssinarNota(xml);
    ADD_FAILURE() << "signed";
  } catch (const EvxnNFeModoOperacaoException& e) {
    EXPECT_EQ(e.Message(), "No Modo Operação SVCAN (SVC-AN), o tipo emissão (tpEmis) deve ser igual a 6.");
  }
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
}

} // namespace
} // namespace vxn
