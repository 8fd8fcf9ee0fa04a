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

std::string TrocarUma(std::string s, const std::string& from, const std::string& to, std::size_t after) {
  const auto p = s.find(from, after);
  EXPECT_NE(p, std::string::npos) << from;
  if (p != std::string::npos)
    s.replace(p, from.size(), to);
  return s;
}

DistribuicaoTest::DistribuicaoTest() : cliente_(sim_.Authority().IssueClient({})) {
  sim_.Start();
  WriteFileAtomic(assinante_, sim_.Authority().IssueClientPkcs12({}));
  WriteFileAtomic(caFile_, sim_.Authority().CertificatePem());
  config_ = sim_.WriteConfig(dir_.Path());
  nfe_ = std::make_unique<TvxnNFe>();
  nfe_->LoadConfig(config_.ConfigFile);
  nfe_->SetDiretorioXmlDestinatario(dir_.File("XmlDestinatario/"));
  nfe_->SetOnXmlDestinatario([this](const std::string& arquivo) { escritos_.push_back(arquivo); });
}

std::string DistribuicaoTest::NovaNota() {
  static int nNF = 5000;
  return SignedNFeDocument(++nNF, assinante_, "1234");
}

std::string DistribuicaoTest::ChaveDe(const std::string& nfe) {
  const auto id = nfe.find("Id=\"NFe");
  return id == std::string::npos ? std::string() : nfe.substr(id + 7, 44);
}

std::string DistribuicaoTest::Enviar(const std::string& lote) {
  const HttpsTestReply reply =
      PostSoap(Peer(sim_, cliente_), "SP", "NFeAutorizacao4", "nfeAutorizacaoLote", lote);
  EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
  return Elemento(reply.Body, "retEnviNFe");
}

std::string DistribuicaoTest::ConsultarRecibo(const std::string& nRec) {
  const HttpsTestReply reply = PostSoap(
      Peer(sim_, cliente_), "SP", "NFeRetAutorizacao4", "nfeRetAutorizacaoLote",
      R"(<consReciNFe xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><tpAmb>2</tpAmb><nRec>)" +
          nRec + "</nRec></consReciNFe>");
  EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
  return Elemento(reply.Body, "retConsReciNFe");
}

std::string DistribuicaoTest::EnviarLote(const std::vector<std::string>& notas, const std::string& idLote) {
  std::string documentos;
  for (const std::string& n : notas)
    documentos += n;
  const std::string ret = nfe_->EnviarNF(idLote, documentos, false);
  const std::string nRec = Tag(ret, "nRec");
  EXPECT_EQ(nRec.size(), 15u) << ret;
  return nRec;
}

std::string DistribuicaoTest::LogarRetornoRecibo(const std::string& nRec, const std::string& retorno) {
  const std::string log = nRec + "-pro-rec.xml";
  nfe_->Log(retorno, "pro-rec", nRec, log);
  return log;
}

} // namespace vxn::test
