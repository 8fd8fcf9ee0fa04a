#include "DistribuicaoFixture.h"

#include "support/DevPki.h"
#include "support/HttpsTestClient.h"
#include "support/SignedNFeDocument.h"
#include "vxnFiles.h"

namespace vxn::test {
namespace {

SoapPeer Peer(const sim::TSefazSim& sim, const dev::TvxnDevIdentity& client) {
  return {sim.Port(), sim.Authority().CertificatePem(), client.CertificatePem, client.PrivateKeyPem};
}

} // namespace

std::string Elemento(const std::string& xml, const std::string& name, std::size_t from) {
  const auto a = xml.find("<" + name, from);
  if (a == std::string::npos)
    return {};
  const auto b = xml.find("</" + name + ">", a);
  return b == std::string::npos ? std::string() : xml.substr(a, b + name.size() + 3 - a);
}

std::string Conteudo(const std::string& xml, const std::string& name, std::size_t from) {
  const auto a = xml.find("<" + name + ">", from);
  if (a == std::string::npos)
    return {};
  const auto b = xml.find("</" + name + ">", a);
  return b == std::string::npos ? std::string() : xml.substr(a + name.size() + 2, b - a - name.size() - 2);
}

std::string TrocarUma(std::string s, const std::string& from, const std::string& to, std::size_t after) {
  const auto p = s.find(from, after);
  EXPECT_NE(p, std::string::npos) << from;
  if (p != std::string::npos)
    s.replace(p, from.size(), to);
  return s;
}

sim::TSefazSim* DistribuicaoTest::sim_ = nullptr;
TempDir* DistribuicaoTest::suiteDir_ = nullptr;
std::string* DistribuicaoTest::assinante_ = nullptr;
std::string* DistribuicaoTest::caFile_ = nullptr;
dev::TvxnDevIdentity* DistribuicaoTest::cliente_ = nullptr;

void DistribuicaoTest::SetUpTestSuite() {
  sim_ = new sim::TSefazSim();
  sim_->Start();
  cliente_ = new dev::TvxnDevIdentity(sim_->Authority().IssueClient({}));
  suiteDir_ = new TempDir();
  assinante_ = new std::string(suiteDir_->File("assinatura.pfx"));
  WriteFileAtomic(*assinante_, sim_->Authority().IssueClientPkcs12({}));
  caFile_ = new std::string(suiteDir_->File("ca.pem"));
  WriteFileAtomic(*caFile_, sim_->Authority().CertificatePem());
}

void DistribuicaoTest::TearDownTestSuite() {
  delete cliente_;
  delete sim_;
  delete assinante_;
  delete caFile_;
  delete suiteDir_;
}

void DistribuicaoTest::SetUp() {
  config_ = sim_->WriteConfig(dir_.Path());
  nfe_ = std::make_unique<TvxnNFe>();
  nfe_->LoadConfig(config_.ConfigFile);
  nfe_->SetDiretorioXmlDestinatario(dir_.File("XmlDestinatario/"));
  nfe_->SetOnXmlDestinatario([this](const std::string& arquivo) { escritos_.push_back(arquivo); });
}

std::string DistribuicaoTest::NovaNota() {
  static int nNF = 5000;
  return SignedNFeDocument(++nNF, *assinante_, "1234");
}

std::string DistribuicaoTest::ChaveDe(const std::string& nfe) {
  const auto id = nfe.find("Id=\"NFe");
  return id == std::string::npos ? std::string() : nfe.substr(id + 7, 44);
}

std::string DistribuicaoTest::Enviar(const std::string& lote) {
  const HttpsTestReply reply =
      PostSoap(Peer(*sim_, *cliente_), "SP", "NFeAutorizacao4", "nfeAutorizacaoLote", lote);
  EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
  return Elemento(reply.Body, "retEnviNFe");
}

std::string DistribuicaoTest::ConsultarRecibo(const std::string& nRec) {
  const HttpsTestReply reply = PostSoap(
      Peer(*sim_, *cliente_), "SP", "NFeRetAutorizacao4", "nfeRetAutorizacaoLote",
      R"(<consReciNFe xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><tpAmb>2</tpAmb><nRec>)" +
          nRec + "</nRec></consReciNFe>");
  EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
  return Elemento(reply.Body, "retConsReciNFe");
}

std::string DistribuicaoTest::EnviarLoteComLogs(const std::vector<std::string>& notas,
                                                const std::string& idLote) {
  std::string documentos;
  for (const std::string& n : notas)
    documentos += n;
  const std::string lote = EnviNFeLot(documentos, false, idLote);
  const std::string logEnvio = idLote + "-env-lot.xml";
  nfe_->Log(lote, "env-lot", idLote, logEnvio);
  nfe_->SaveFileChavesTemporario(logEnvio);
  const std::string ret = Enviar(lote);
  nfe_->Log(ret, "rec", idLote);
  const std::string nRec = Conteudo(ret, "nRec");
  EXPECT_EQ(nRec.size(), 15u) << ret;
  nfe_->SaveFileTemporario(nRec, logEnvio);
  return nRec;
}

std::string DistribuicaoTest::LogarRetornoRecibo(const std::string& nRec, const std::string& retorno) {
  const std::string log = nRec + "-pro-rec.xml";
  nfe_->Log(retorno, "pro-rec", nRec, log);
  return log;
}

} // namespace vxn::test
