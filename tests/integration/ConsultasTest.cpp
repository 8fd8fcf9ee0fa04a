// Document query, invalidation of number ranges and the taxpayer query, through the component against
// the local tax-authority server over TLS, configured only from the files the server writes.
#include "SimRequestLog.h"
#include "sefaz-sim/SefazSim.h"
#include "sefaz-sim/SimLotDocuments.h"
#include "support/DevPki.h"
#include "support/RefusalOf.h"
#include "support/SignedNFeDocument.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "xml/vxnNFeIdentificadores.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

namespace fs = std::filesystem;

constexpr const char* kCnpj = "11222333000181"; // the CNPJ of the server's client certificate
constexpr const char* kJustificativa = "Quebra de sequencia na numeracao";

using test::Tag;

// The component with the distribution XML step of a query observed.
class TNFeObservada : public TvxnNFe {
public:
  std::vector<std::pair<std::string, std::string>> distribuicoes;

protected:
  void GerarXMLDestinatario(std::string_view chave, std::string_view logResposta) override {
    distribuicoes.emplace_back(chave, logResposta);
  }
};

class ConsultasTest : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    Configurar(nfe_);
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  void Configurar(TvxnNFe& nfe) {
    nfe.LoadConfig(files_.ConfigFile);
    nfe.SetDiretorioXmlDestinatario(dir_.Path() + "sim/XmlDestinatario");
    nfe.SetDiretorioLogErro(dir_.Path() + "sim/LogErro");
  }

  // Sends one signed document in a synchronous lot through the component, as a host would have before
  // asking for it; returns its access key and stores the protocol number.
  std::string Autorizar(int nNF, std::string* nProt) {
    const std::string documento =
        test::SignedNFeDocument(nNF, files_.ClientCertificate, files_.ClientPassword);
    // Often the first call of a fresh component: it must find its web-service object by itself.
    const std::string reply = nfe_.EnviarNFSincrono("1", documento, false);
    EXPECT_EQ(Tag(Tag(reply, "infProt"), "cStat"), "100") << reply;
    *nProt = Tag(reply, "nProt");
    // Only what the queries produce is observed.
    nfe_.distribuicoes.clear();
    const auto id = documento.find("Id=\"NFe");
    return documento.substr(id + 7, 44);
  }

  std::set<std::string> Logs(const std::string& sufixo) const {
    return test::FileNames(dir_.Path() + "sim/Log", sufixo);
  }

  static std::string Ano() {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02d", TvxnNFeIdentificadores::AnoAtualDoisDigitos());
    return buf;
  }

  std::string Distribuicao(const std::string& nNFIni, const std::string& nNFFin) {
    return nfe_.GetDiretorioXmlDestinatario() +
           nfe_.CalculaChaveInutilizacao(Ano(), kCnpj, "55", "1", nNFIni, nNFFin) + "-inut.xml";
  }

  test::TSimRequestLog requests_;
  test::TempDir dir_;
  sim::TSefazSim sim_{requests_.Options()};
  sim::TSefazSimConfigFiles files_;
  TNFeObservada nfe_;
};

// ---- ConsultarNF -----------------------------------------------------------------------------------

TEST_F(ConsultasTest, AnAuthorisedDocumentIsAnsweredWithItsOwnProtocolAndGetsItsDistributionXml) {
  std::string nProt;
  const std::string chave = Autorizar(301, &nProt);
  ASSERT_EQ(nProt.size(), 15u);

  const std::string reply = nfe_.ConsultarNF(chave);
  EXPECT_TRUE(reply.starts_with("<retConsSitNFe")) << reply;
  EXPECT_EQ(test::XmlSchemaErrors(reply, test::FindSchema("retConsSitNFe_v4.00.xsd")), "");
  EXPECT_EQ(Tag(reply, "cStat"), "100");
  EXPECT_EQ(Tag(reply, "nProt"), nProt);
  EXPECT_EQ(Tag(Tag(reply, "infProt"), "chNFe"), chave);

  // The request the server saw is the official consSitNFe of that key.
  const auto received = sim_.ReceivedMessages();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(test::XmlSchemaErrors(received[1], test::FindSchema("consSitNFe_v4.00.xsd")), "");
  EXPECT_NE(received[1].find("<chNFe>" + chave + "</chNFe>"), std::string::npos);

  EXPECT_EQ(Logs(chave + "-ped-sit.xml").size(), 1u);
  EXPECT_EQ(Logs(chave + "-sit.xml").size(), 1u);
  ASSERT_EQ(nfe_.distribuicoes.size(), 1u);
  EXPECT_EQ(nfe_.distribuicoes[0].first, chave);
  EXPECT_EQ(nfe_.distribuicoes[0].second, chave + "-sit.xml");
}

TEST_F(ConsultasTest, AnUnknownKeyIs217AndAKeyOfAnotherStateIsRefusedWithoutDistributionXml) {
  std::string nProt;
  const std::string chave = Autorizar(302, &nProt);
  std::string desconhecida = chave.substr(0, 34) + "999999999";
  desconhecida = desconhecida.substr(0, 43) + std::to_string(sim::KeyCheckDigit(desconhecida.substr(0, 43)));
  const std::string reply = nfe_.ConsultarNF(desconhecida);
  EXPECT_EQ(Tag(reply, "cStat"), "217") << reply;
  EXPECT_EQ(Tag(reply, "xMotivo"), "Rejeicao: NF-e nao consta na base de dados da SEFAZ");
  EXPECT_EQ(test::XmlSchemaErrors(reply, test::FindSchema("retConsSitNFe_v4.00.xsd")), "");

  std::string doParana = "41" + chave.substr(2, 41);
  doParana += std::to_string(sim::KeyCheckDigit(doParana));
  const std::string outraUF = nfe_.ConsultarNF(doParana);
  EXPECT_EQ(Tag(outraUF, "cStat"), "226") << outraUF;
  EXPECT_TRUE(nfe_.distribuicoes.empty());
}

TEST_F(ConsultasTest, WithoutDiskLogsNoDistributionXmlIsProduced) {
  std::string nProt;
  const std::string chave = Autorizar(303, &nProt);
  nfe_.SetSalvarLogsEmDisco(false);
  EXPECT_EQ(Tag(nfe_.ConsultarNF(chave), "cStat"), "100");
  EXPECT_TRUE(nfe_.distribuicoes.empty());
}

TEST_F(ConsultasTest, AKeyWithAccentsIsRefusedBeforeAnythingIsSentOrLogged) {
  EXPECT_EQ(RefusalOf([&] { nfe_.ConsultarNF("3526121122233300018155001000000301100000301ç"); }),
            (Refusal{"EvxnNFeCheckParams",
                     "ID da Nota não pode conter acentos: 3526121122233300018155001000000301100000301ç"}));
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
  EXPECT_TRUE(Logs(".xml").empty());
}

TEST_F(ConsultasTest, AFailedCallIsWrappedAndLogsNothing) {
  nfe_.SetModoOperacao(moEPEC); // no address in this mode
  const Refusal r = RefusalOf([&] { nfe_.ConsultarNF("35261211222333000181550010000003011000003015"); });
  EXPECT_EQ(r.className, "EvxnNFeException");
  EXPECT_TRUE(r.message.starts_with("Erro ao consultar NF-e: Servidor para NfeConsulta4 não definido")) << r;
  EXPECT_TRUE(Logs(".xml").empty());
}

TEST_F(ConsultasTest, WithTheServerDownEachOperationNamesItsOwnFailure) {
  sim_.Stop();
  const auto falha = [](const std::function<void()>& chamada) {
    const Refusal r = RefusalOf(chamada);
    return r.className + ": " + r.message.substr(0, r.message.find(": ") + 2);
  };
  EXPECT_EQ(falha([this] { nfe_.ConsultarNF("35261211222333000181550010000003011123456784"); }),
            "EvxnNFeException: Erro ao consultar NF-e: ");
  EXPECT_EQ(falha([this] { nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "1", "2", kJustificativa); }),
            "EvxnNFeException: Erro ao inutilizar NF-e: ");
  EXPECT_EQ(falha([this] { nfe_.ConsultarCadastro("CNPJ", kCnpj, "MG"); }),
            "EvxnNFeException: Erro ao consultar cadastro: ");
  EXPECT_EQ(nfe_.GetNFeData().UF, "SP");
  EXPECT_EQ(nfe_.GetNFeData().LocalCode, "35");
  // The invalidation request was logged before the call; no reply was.
  EXPECT_EQ(Logs("-ped-inu.xml").size(), 1u);
  EXPECT_EQ(Logs("-inu.xml"), Logs("-ped-inu.xml"));
  EXPECT_TRUE(Logs("-sit.xml").empty());
  EXPECT_TRUE(Logs("-cad.xml").empty());
}

// ---- InutilizarNF ----------------------------------------------------------------------------------

TEST_F(ConsultasTest, AFreeRangeIsGrantedAndItsDistributionFileIsAValidSignedProcInutNFe) {
  const std::string reply =
      nfe_.InutilizarNF("ignorado", Ano(), kCnpj, "55", "1", "101", "110", kJustificativa);
  EXPECT_TRUE(reply.starts_with("<retInutNFe")) << reply;
  EXPECT_EQ(Tag(reply, "cStat"), "102") << reply;
  EXPECT_EQ(Tag(reply, "nProt").size(), 15u);
  EXPECT_EQ(test::XmlSchemaErrors(reply, test::FindSchema("retInutNFe_v4.00.xsd")), "");

  // What the server received: the official inutNFe, signed over infInut with the computed Id.
  const auto received = sim_.ReceivedMessages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(test::XmlSchemaErrors(received[0], test::FindSchema("inutNFe_v4.00.xsd")), "");
  const std::string id = nfe_.CalculaChaveInutilizacao(Ano(), kCnpj, "55", "1", "101", "110");
  EXPECT_NE(received[0].find("<infInut Id=\"ID" + id + "\">"), std::string::npos) << received[0];
  EXPECT_NE(received[0].find("<CNPJ>" + std::string(kCnpj) +
                             "</CNPJ><mod>55</mod><serie>1</serie>"
                             "<nNFIni>101</nNFIni><nNFFin>110</nNFFin>"),
            std::string::npos);

  const std::string arquivo = Distribuicao("101", "110");
  ASSERT_TRUE(fs::exists(arquivo)) << arquivo;
  const std::string dist = test::ReadFileOrEmpty(arquivo);
  EXPECT_EQ(test::XmlSchemaErrors(dist, test::FindSchema("procInutNFe_v4.00.xsd")), "");
  EXPECT_NE(dist.find("<nProt>" + Tag(reply, "nProt") + "</nProt>"), std::string::npos);
  EXPECT_EQ(test::XmlSec1VerifyErrors(dist, files_.AuthorityCertificate,
                                      "http://www.portalfiscal.inf.br/nfe:infInut"),
            "");

  const std::string logId = Ano() + std::string(kCnpj) + "551101110";
  EXPECT_EQ(Logs(logId + "-ped-inu.xml").size(), 1u);
  EXPECT_EQ(Logs(logId + "-inu.xml").size(), 1u);
}

TEST_F(ConsultasTest, TheSameRangeAgainAndARangeWithAnAuthorisedNumberAreRefused) {
  ASSERT_EQ(Tag(nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "101", "110", kJustificativa), "cStat"),
            "102");
  fs::remove(Distribuicao("101", "110"));

  const std::string denovo = nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "105", "120", kJustificativa);
  EXPECT_EQ(Tag(denovo, "cStat"), "256") << denovo;
  EXPECT_EQ(Tag(denovo, "xMotivo"),
            "Rejeicao: Uma NF-e da faixa ja esta inutilizada na Base de dados da SEFAZ");
  EXPECT_EQ(test::XmlSchemaErrors(denovo, test::FindSchema("retInutNFe_v4.00.xsd")), "");
  // Only a granted invalidation gets a distribution file.
  EXPECT_FALSE(fs::exists(Distribuicao("105", "120")));
  // Overlapping at either end or inside is refused; the range right after is free.
  for (const auto& [ini, fin] : {std::pair{"95", "101"}, std::pair{"110", "115"}, std::pair{"103", "104"}})
    EXPECT_EQ(Tag(nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", ini, fin, kJustificativa), "cStat"), "256")
        << ini << "-" << fin;
  EXPECT_EQ(Tag(nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "111", "120", kJustificativa), "cStat"),
            "102");

  std::string nProt;
  Autorizar(304, &nProt);
  const std::string usado = nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "300", "310", kJustificativa);
  EXPECT_EQ(Tag(usado, "cStat"), "241") << usado;
  EXPECT_EQ(Tag(usado, "xMotivo"), "Rejeicao: Um numero da faixa ja foi utilizado");
}

TEST_F(ConsultasTest, ACpfIssuerIsSentWithoutSchemaValidation) {
  // The national schema has no CPF issuer: validating would refuse the request before it is sent.
  const std::string cpf = "12345678909";
  const std::string reply = nfe_.InutilizarNF("", Ano(), cpf, "55", "1", "1", "5", kJustificativa);
  EXPECT_EQ(Tag(reply, "cStat"), "102") << reply;
  const auto received = sim_.ReceivedMessages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_NE(received[0].find("<CPF>" + cpf + "</CPF>"), std::string::npos) << received[0];
  EXPECT_NE(test::XmlSchemaErrors(received[0], test::FindSchema("inutNFe_v4.00.xsd")), "");
}

TEST_F(ConsultasTest, TheReplyComesBackWhenItsDistributionFileCannotBeWritten) {
  // A folder where the file should go makes the write fail.
  const std::string arquivo = Distribuicao("201", "202");
  fs::create_directories(arquivo);
  std::vector<TvxnTelemetriaEvento> events;
  nfe_.GetTelemetria().SetSink([&events](const TvxnTelemetriaEvento& e) { events.push_back(e); });
  const std::string reply = nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "201", "202", kJustificativa);
  EXPECT_EQ(Tag(reply, "cStat"), "102") << reply;
  EXPECT_TRUE(fs::is_directory(arquivo));
  bool excecao = false;
  for (const auto& e : events)
    excecao = excecao || (e.Tipo == TvxnTelemetriaTipo::Excecao && e.Operacao == "InutilizarNF");
  EXPECT_TRUE(excecao);
  const std::string logId = Ano() + std::string(kCnpj) + "551201202";
  EXPECT_EQ(Logs(logId + "-inu.xml").size(), 1u);
}

TEST_F(ConsultasTest, ArgumentChecksComeBeforeSigningAndSending) {
  EXPECT_EQ(
      RefusalOf([&] { nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "1", "2", "quatorze chars"); }),
      (Refusal{"EvxnNFeCheckParams", "Justificativa deve conter no mínimo 15 caracteres: quatorze chars"}));
  // Characters are counted, not bytes: 14 accented letters are still too few.
  EXPECT_THROW(nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "1", "2", "ççççççççççççç."),
               EvxnNFeCheckParams);
  EXPECT_EQ(
      RefusalOf([&] { nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "1", "10002", kJustificativa); }),
      (Refusal{
          "EvxnNFeRuleException",
          "[I04]: 201 - Rejeição: Número máximo de numeração a inutilizar ultrapassou o limite (10000)."}));
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
  EXPECT_TRUE(Logs(".xml").empty());

  // A range of exactly 10000 more numbers is the largest allowed.
  EXPECT_EQ(Tag(nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "1", "10001", kJustificativa), "cStat"),
            "102");
}

TEST_F(ConsultasTest, TheJustificationIsEscapedOnceInTheSignedRequest) {
  // Raw text and text the host escaped already end up as the same signed value.
  const std::string bruto = "Erro <grave> & \"sequencia\" d'agua";
  const std::string escapado = "Erro &lt;grave&gt; &amp; &quot;sequencia&quot; d&apos;agua";
  EXPECT_EQ(Tag(nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "50", "51", bruto), "cStat"), "102");
  EXPECT_EQ(Tag(nfe_.InutilizarNF("", Ano(), kCnpj, "55", "1", "60", "61", escapado), "cStat"), "102");
  for (const char* faixa : {"5051", "6061"}) {
    SCOPED_TRACE(faixa);
    const auto logs = Logs(Ano() + std::string(kCnpj) + "551" + faixa + "-ped-inu.xml");
    ASSERT_EQ(logs.size(), 1u);
    const std::string pedido = test::ReadFileOrEmpty(dir_.Path() + "sim/Log/" + *logs.begin());
    // The signer writes quotes and apostrophes of text content as plain characters; < > & stay escaped,
    // once.
    EXPECT_NE(pedido.find("<xJust>Erro &lt;grave&gt; &amp; \"sequencia\" d'agua</xJust>"), std::string::npos)
        << pedido;
    EXPECT_EQ(test::XmlSchemaErrors(pedido, test::FindSchema("inutNFe_v4.00.xsd")), "");
  }
}

TEST_F(ConsultasTest, Layout310QueriesAndInvalidatesWithItsOwnServicesAndSchemas) {
  nfe_.SetVersaoManual(vm50a);
  const std::string sit = nfe_.ConsultarNF("35261211222333000181550010000099991123456780");
  EXPECT_EQ(Tag(sit, "cStat"), "217") << sit;
  EXPECT_EQ(test::XmlSchemaErrors(sit, test::FindSchema("retConsSitNFe_v3.10.xsd")), "");

  const std::string inu = nfe_.InutilizarNF("", Ano(), kCnpj, "55", "2", "7", "9", kJustificativa);
  EXPECT_EQ(Tag(inu, "cStat"), "102") << inu;
  EXPECT_EQ(test::XmlSchemaErrors(inu, test::FindSchema("retInutNFe_v3.10.xsd")), "");
  const auto received = sim_.ReceivedMessages();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(test::XmlSchemaErrors(received[0], test::FindSchema("consSitNFe_v3.10.xsd")), "");
  EXPECT_EQ(test::XmlSchemaErrors(received[1], test::FindSchema("inutNFe_v3.10.xsd")), "");
  const std::string arquivo = nfe_.GetDiretorioXmlDestinatario() +
                              nfe_.CalculaChaveInutilizacao(Ano(), kCnpj, "55", "2", "7", "9") + "-inut.xml";
  EXPECT_EQ(test::XmlSchemaErrors(test::ReadFileOrEmpty(arquivo), test::FindSchema("procInutNFe_v3.10.xsd")),
            "");
}

// ---- ConsultarCadastro -----------------------------------------------------------------------------

class CadastroTest : public ConsultasTest {
protected:
  void SetUp() override {
    ConsultasTest::SetUp();
    const auto contribuinte = [](const char* uf, const char* ie, const char* cnpj, const char* cpf,
                                 const char* nome) {
      sim::TSimTaxpayer t;
      t.UF = uf, t.IE = ie, t.CNPJ = cnpj, t.CPF = cpf, t.XNome = nome;
      return t;
    };
    sim::TSimTaxpayer empresa = contribuinte("SP", "110042490114", kCnpj, "", "EMPRESA DE TESTE LTDA");
    empresa.CNAE = "4751201", empresa.XLgr = "RUA DAS FLORES", empresa.Nro = "100";
    empresa.XBairro = "CENTRO", empresa.CMun = "3550308", empresa.XMun = "SAO PAULO",
    empresa.CEP = "01001000";
    sim_.AddTaxpayer(empresa);
    sim_.AddTaxpayer(contribuinte("SP", "110042490200", "", "12345678909", "PRODUTOR RURAL DE TESTE"));
    sim_.AddTaxpayer(contribuinte("MG", "0623079040081", kCnpj, "", "FILIAL MINEIRA"));
    sim_.AddTaxpayer(contribuinte("PR", "9022307310", kCnpj, "", "FILIAL PARANAENSE"));
  }

  // The action of every request, in order.
  std::vector<std::string> Actions() { return requests_.Actions(sim_.ReceivedMessages().size()); }
};

TEST_F(CadastroTest, EachKindOfDocumentFindsTheRegistryEntry) {
  struct Caso {
    const char* tipo;
    const char* documento;
    const char* nome;
  };
  for (const Caso& c :
       {Caso{"CNPJ", kCnpj, "EMPRESA DE TESTE LTDA"}, Caso{"CPF", "12345678909", "PRODUTOR RURAL DE TESTE"},
        Caso{"IE", "110042490114", "EMPRESA DE TESTE LTDA"}}) {
    SCOPED_TRACE(c.tipo);
    const std::string reply = nfe_.ConsultarCadastro(c.tipo, c.documento, "");
    EXPECT_TRUE(reply.starts_with("<retConsCad")) << reply;
    EXPECT_EQ(test::XmlSchemaErrors(reply, test::FindSchema("retConsCad_v2.00.xsd")), "");
    EXPECT_EQ(Tag(reply, "cStat"), "111");
    EXPECT_EQ(Tag(reply, "xNome"), c.nome);
    EXPECT_EQ(Logs(std::string(c.documento) + "-ped-cad.xml").size(), 1u);
    EXPECT_EQ(Logs(std::string(c.documento) + "-cad.xml").size(), 1u);
  }
  for (const std::string& m : sim_.ReceivedMessages())
    EXPECT_EQ(test::XmlSchemaErrors(m, test::FindSchema("consCad_v2.00.xsd")), "") << m;

  const std::string desconhecido = nfe_.ConsultarCadastro("CNPJ", "99888777000166", "SP");
  EXPECT_EQ(Tag(desconhecido, "cStat"), "259") << desconhecido;
  EXPECT_EQ(test::XmlSchemaErrors(desconhecido, test::FindSchema("retConsCad_v2.00.xsd")), "");
}

TEST_F(CadastroTest, AnotherStateIsAskedWithItsOwnEnvelopeAndTheServiceDataComesBack) {
  // Minas Gerais takes the header form with its own state code; Rio de Janeiro the wrapped message.
  EXPECT_EQ(Tag(nfe_.ConsultarCadastro("IE", "0623079040081", "MG"), "xNome"), "FILIAL MINEIRA");
  EXPECT_EQ(Tag(nfe_.ConsultarCadastro("CNPJ", kCnpj, "RJ"), "cStat"), "259");
  EXPECT_EQ(nfe_.GetNFeData().UF, "SP");
  EXPECT_EQ(nfe_.GetNFeData().LocalCode, "35");
  const auto actions = Actions();
  ASSERT_EQ(actions.size(), 2u);
  for (const std::string& a : actions)
    EXPECT_EQ(a, "http://www.portalfiscal.inf.br/nfe/wsdl/CadConsultaCadastro4/consultaCadastro");
  const auto lines = requests_.Lines();
  EXPECT_NE(lines[0].find("/MG/ws/CadConsultaCadastro4.asmx 200"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("/RJ/ws/CadConsultaCadastro4.asmx 200"), std::string::npos) << lines[1];
}

TEST_F(CadastroTest, AStateWithOnlyTheOlderServiceGetsThe310RequestAndTheComponentStaysOn400) {
  // The servers section of Parana loses its 4.00 taxpayer service.
  std::string servidores = test::ReadFileOrEmpty(files_.ServersFile);
  const std::size_t secao = servidores.find("[PR]");
  const std::size_t linha = servidores.find("CadConsulta4=", secao);
  ASSERT_NE(linha, std::string::npos);
  servidores.erase(linha, servidores.find("\r\n", linha) + 2 - linha);
  WriteFileAtomic(files_.ServersFile, servidores);
  TvxnNFe nfe;
  Configurar(nfe);

  const std::string reply = nfe.ConsultarCadastro("CNPJ", kCnpj, "PR");
  EXPECT_EQ(Tag(reply, "cStat"), "111") << reply;
  EXPECT_EQ(Tag(reply, "xNome"), "FILIAL PARANAENSE");
  Actions();
  const auto lines = requests_.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("/PR/ws/CadConsultaCadastro2.asmx 200 "
                          "http://www.portalfiscal.inf.br/nfe/wsdl/CadConsultaCadastro2/consultaCadastro2"),
            std::string::npos)
      << lines[0];
  // The 3.10 envelope carries the state code of the state asked, in its header.
  ASSERT_EQ(sim_.ReceivedMessages().size(), 1u);

  EXPECT_EQ(nfe.GetVersaoManual(), vm60);
  EXPECT_EQ(nfe.GetNFeData().VersaoManual, vm60);
  EXPECT_EQ(nfe.GetNFeData().UF, "SP");
  // The component's own service is still the 4.00 one.
  const std::string status = nfe.StatusDoServico();
  EXPECT_NE(status.find("versao=\"4.00\""), std::string::npos) << status;
  EXPECT_NE(nfe.ConsultarCadastro("CNPJ", kCnpj, "SP").find("<cStat>111</cStat>"), std::string::npos);
  EXPECT_NE(Actions().back().find("CadConsultaCadastro4"), std::string::npos);
}

TEST_F(CadastroTest, AStateWithoutTaxpayerServiceIsNamedAndTheServiceDataIsRestored) {
  std::string servidores = test::ReadFileOrEmpty(files_.ServersFile);
  const std::size_t secao = servidores.find("[PR]");
  for (const char* chave : {"CadConsulta4=", "CadConsulta3="}) {
    const std::size_t linha = servidores.find(chave, secao);
    ASSERT_NE(linha, std::string::npos);
    servidores.erase(linha, servidores.find("\r\n", linha) + 2 - linha);
  }
  WriteFileAtomic(files_.ServersFile, servidores);
  TvxnNFe nfe;
  Configurar(nfe);
  EXPECT_EQ(RefusalOf([&] { nfe.ConsultarCadastro("CNPJ", kCnpj, "PR"); }),
            (Refusal{"EvxnNFeException", "A UF PR não possui serviço definido para ConsultarCadastro."}));
  EXPECT_EQ(nfe.GetNFeData().UF, "SP");
  EXPECT_EQ(nfe.GetNFeData().LocalCode, "35");
  EXPECT_EQ(nfe.GetNFeData().VersaoManual, vm60);
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
}

TEST_F(CadastroTest, KindAndLengthAreCheckedBeforeSending) {
  for (const auto& [tipo, documento, uf, mensagem] : std::vector<std::array<std::string, 4>>{
           {"cnpj", kCnpj, "SP", "Tipo de Documento: cnpj inválido. Informe: [CNPJ, CPF ou IE]"},
           {"IE", "12", "SP", "A Inscrição Estadual 12 deve conter pelo menos 3 dígitos."},
           {"CNPJ", "1122233300018", "SP", "O CNPJ 1122233300018 deve conter exatamente 14 dígitos."},
           {"CPF", "1234567890", "", "O CPF 1234567890 deve conter exatamente 11 dígitos."}})
    EXPECT_EQ(RefusalOf([&] { nfe_.ConsultarCadastro(tipo, documento, uf); }),
              (Refusal{"EvxnCheckParams", mensagem}));
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
  EXPECT_TRUE(Logs(".xml").empty());
  EXPECT_EQ(nfe_.GetNFeData().UF, "SP");
  EXPECT_EQ(nfe_.GetNFeData().LocalCode, "35");
}

} // namespace
} // namespace vxn
