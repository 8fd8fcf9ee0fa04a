// Faults of the tax authority's side, switched on in the local server per service and met by the
// component over TLS, one table of cases (tests/integration/data/falhas-servidor.txt). Each ends in the
// operation's exception with the transport's reason, or, for a reply that cannot be read, in that reply
// returned as it came; the request's log stays as it was sent (with its "not delivered" note when it
// never reached the service), no reply log or distribution file pretends to a result, and once the fault
// is off the same receipt, key or query gives the authorised document and its distribution XML.
#include "ComponentAgainstSim.h"
#include "datasets/vxnNFeDataSets.h"
#include "support/NFeDocumentFiller.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;
using test::Tag;

struct CasoFalha {
  sim::TSimFault falha;
  std::string servico;
  std::string classe; // "" when the reply comes back as it was received
  std::string trecho;
  bool chegou;   // the request reached the service
  bool resposta; // a reply came back and was logged
};

std::vector<CasoFalha> Casos() {
  std::vector<CasoFalha> casos;
  for (const auto& linha : test::ReadTable("integration/data/falhas-servidor.txt")) {
    const auto falha = linha.size() == 5 ? sim::SimFaultFromText(linha[0]) : std::nullopt;
    if (!falha)
      throw std::runtime_error("bad line in falhas-servidor.txt: " + linha[0]);
    casos.push_back({*falha, linha[1], linha[2] == "-" ? "" : linha[2], linha[3], linha[4] != "nao-entregue",
                     linha[4] == "pedido+resposta"});
  }
  return casos;
}

// The log names of a service's request and reply (by their endings).
struct NomesLog {
  std::string pedido, resposta, esquemaPedido;
};

NomesLog LogsDe(const std::string& servico) {
  if (servico == "NFeStatusServico4")
    return {"-ped-sta.xml", "-sta.xml", "consStatServ_v4.00.xsd"};
  if (servico == "NFeAutorizacao4")
    return {"-env-lot.xml", "-rec.xml", "enviNFe_v4.00.xsd"};
  if (servico == "NFeRecepcaoEvento4")
    return {"-env-lot.xml", "-rec.xml", "envCCe_v1.00.xsd"};
  return {"-ped-rec.xml", "-pro-rec.xml", "consReciNFe_v4.00.xsd"};
}

class FalhasServidorTest : public test::TComponentAgainstSim {
protected:
  void SetUp() override {
    TComponentAgainstSim::SetUp();
    nfe_.SetLoteUnicoSincrono(false);
    nfe_.GetGov();
    // The component verifies the server here, as nfe does: a wrong certificate must be refused.
    nfe_.SetIgnoreInvalidCertificates(false);
    nfe_.SetTimeOut(3000);
  }
  // Fresh log and distribution folders for case `i`.
  void Pastas(int i) {
    caso_ = dir_.Path() + "caso" + std::to_string(i) + "/";
    UsarLogs("Log/");
    nfe_.SetDiretorioXmlDestinatario(caso_ + "XmlDestinatario/");
  }
  void UsarLogs(const std::string& pasta) {
    logDir_ = caso_ + pasta;
    std::filesystem::create_directories(logDir_);
    nfe_.SetDiretorioLog(logDir_);
  }
  std::string LogDir() const { return logDir_; }
  std::string DestDir() const { return caso_ + "XmlDestinatario/"; }

  std::string Assinado(int nNF) {
    TvxnNFeDataSets ds;
    ds.SetXMLDicionario(test::ShippedDictionary());
    test::FillDocument(ds, nNF, 2);
    ds.Salvar();
    return nfe_.AssinarNota(ds.GetLoteNFe()[0]);
  }

  // Switches the fault on; a wrong certificate takes effect through the servers file, which gives the
  // service its address on the server's second listener.
  void Ligar(const CasoFalha& c) {
    sim_.SetFault(c.servico, c.falha);
    if (c.falha == sim::TSimFault::WrongCertificate) {
      WriteFileAtomic(caso_ + "servidores-errados.ini", sim_.ServersIniText());
      nfe_.SetArquivoServidoresHom(caso_ + "servidores-errados.ini");
    }
  }
  void Desligar(const CasoFalha& c) {
    sim_.SetFault(c.servico, sim::TSimFault::None);
    nfe_.SetArquivoServidoresHom(files_.ServersFile);
  }

  std::string Chamar(const CasoFalha& c, const std::string& lote, const std::string& numero,
                     const std::string& recibo, const std::string& chave, int sequencia = 1) {
    if (c.servico == "NFeStatusServico4")
      return nfe_.StatusDoServico();
    if (c.servico == "NFeAutorizacao4")
      return nfe_.EnviarNF(numero, lote, false);
    if (c.servico == "NFeRecepcaoEvento4")
      return nfe_.EnviarCCe(chave, "Endereco de entrega: Rua das Flores, 123", "35", "", "", sequencia, "1");
    return nfe_.ConsultarRecibo(recibo);
  }

  // The reply logs of the case's folder (the request's ending may end like a reply's).
  std::set<std::string> Respostas(const NomesLog& logs) {
    std::set<std::string> r;
    for (const std::string& f : test::FileNames(LogDir(), logs.resposta))
      if (!f.ends_with(logs.pedido))
        r.insert(f);
    return r;
  }

  // A distribution file, when there is one, is whole: the procNFe of the schema.
  void DistribuicaoInteira(const std::string& chave) {
    const std::string xml = test::ReadFileOrEmpty(DestDir() + chave + "-nfe.xml");
    if (!xml.empty()) {
      EXPECT_EQ(test::XmlSchemaErrors(xml, test::FindSchema("procNFe_v4.00.xsd")), "") << xml;
    }
  }

  void Caso(const CasoFalha& c, int i);

  std::string caso_, logDir_;
};

void FalhasServidorTest::Caso(const CasoFalha& c, int i) {
  Pastas(i);
  const NomesLog logs = LogsDe(c.servico);
  const std::string numero = std::to_string(600 + i);
  const std::string lote = Assinado(600 + i);
  const std::string chave = lote.substr(lote.find("Id=\"NFe") + 7, 44);
  std::string recibo;
  if (c.servico == "NFeRetAutorizacao4" || c.servico == "NFeRecepcaoEvento4") {
    recibo = Tag(nfe_.EnviarNF(numero, lote, false), "nRec");
    ASSERT_EQ(recibo.size(), 15u);
  }
  if (c.servico == "NFeRecepcaoEvento4") {
    // An event of the authorised document; its logs apart from the document's.
    ASSERT_EQ(Tag(Tag(nfe_.ConsultarRecibo(recibo), "infProt"), "cStat"), "100");
    UsarLogs("LogEvento/");
  }
  const std::size_t recebidas = sim_.ReceivedMessages().size();

  Ligar(c);
  std::string resposta;
  const Refusal recusa = RefusalOf([&] { resposta = Chamar(c, lote, numero, recibo, chave); });
  Desligar(c);

  // What the operation ended in.
  const std::string trecho = ReplaceAll(c.trecho, "{url}", sim_.ServiceUrl("SP", c.servico));
  if (c.classe.empty()) {
    EXPECT_EQ(recusa, Refusal{});
    EXPECT_NE(resposta.find(trecho), std::string::npos) << resposta;
  } else {
    EXPECT_EQ(recusa.className, c.classe) << recusa;
    EXPECT_NE(recusa.message.find(trecho), std::string::npos) << recusa;
  }
  EXPECT_EQ(sim_.ReceivedMessages().size(), recebidas + (c.chegou ? 1 : 0));

  // The request's log as it was sent, a note when it never arrived; a reply log only of a reply that
  // came back, holding what came.
  const auto pedidos = test::FileNames(LogDir(), logs.pedido);
  ASSERT_EQ(pedidos.size(), 1u);
  const std::string pedido = test::ReadFileOrEmpty(LogDir() + *pedidos.begin());
  EXPECT_EQ(test::XmlSchemaErrors(pedido, test::FindSchema(logs.esquemaPedido)), "") << pedido;
  EXPECT_EQ(test::FileNames(LogDir(), "-nao-entregue.txt").size(), c.chegou ? 0u : 1u);
  const auto respostas = Respostas(logs);
  EXPECT_EQ(respostas.size(), c.resposta ? 1u : 0u);
  if (c.classe.empty() && !respostas.empty()) {
    EXPECT_EQ(Trim(test::ReadFileOrEmpty(LogDir() + *respostas.begin())), Trim(resposta));
  }
  DistribuicaoInteira(chave);

  // With the fault off, the same receipt, key or query gives the result.
  if (c.servico == "NFeStatusServico4") {
    EXPECT_EQ(Tag(nfe_.StatusDoServico(), "cStat"), "107");
    return;
  }
  if (c.servico == "NFeRecepcaoEvento4") {
    // The event of the spoilt reply was registered; no file was made of it. The next one is filed.
    EXPECT_FALSE(std::filesystem::exists(DestDir() + chave + "-cce.xml"));
    const std::string evento = Chamar(c, lote, numero, recibo, chave, 2);
    EXPECT_EQ(Tag(test::Between(evento, "<infEvento", "</infEvento>"), "cStat"), "135") << evento;
    const std::string cce = test::ReadFileOrEmpty(DestDir() + chave + "-cce.xml");
    EXPECT_EQ(test::XmlSchemaErrors(cce, test::FindSchema("procCCeNFe_v1.00.xsd")), "") << cce;
    return;
  }
  std::string protocolo;
  if (!recibo.empty()) {
    protocolo = nfe_.ConsultarRecibo(recibo);
  } else if (c.chegou) {
    protocolo = nfe_.ConsultarNF(chave);
  } else {
    const std::string nRec = Tag(nfe_.EnviarNF(numero, lote, false), "nRec");
    protocolo = nfe_.ConsultarRecibo(nRec);
  }
  EXPECT_EQ(Tag(Tag(protocolo, "infProt"), "cStat"), "100") << protocolo;
  const std::string distribuicao = test::ReadFileOrEmpty(DestDir() + chave + "-nfe.xml");
  EXPECT_EQ(test::XmlSchemaErrors(distribuicao, test::FindSchema("procNFe_v4.00.xsd")), "") << distribuicao;
  EXPECT_EQ(Tag(distribuicao, "nProt"), Tag(protocolo, "nProt"));
}

TEST_F(FalhasServidorTest, EachFaultEndsInItsExceptionAndTheSameRequestSucceedsAfterIt) {
  const std::vector<CasoFalha> casos = Casos();
  ASSERT_FALSE(casos.empty());
  for (std::size_t i = 0; i < casos.size(); ++i) {
    const CasoFalha& c = casos[i];
    SCOPED_TRACE(std::string(sim::SimFaultText(c.falha)) + " " + c.servico);
    Caso(c, static_cast<int>(i));
  }
}

} // namespace
} // namespace vxn
