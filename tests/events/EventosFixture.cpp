#include "EventosFixture.h"

#include "support/SignedNFeDocument.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"

#include <filesystem>

namespace vxn::test {

EventosTest::EventosTest() {
  sim_.Start();
  files_ = sim_.WriteConfig(dir_.Path() + "sim");
}

void EventosTest::SetUp() {
  nfe_ = std::make_unique<TvxnNFe>();
  nfe_->LoadConfig(files_.ConfigFile);
  nfe_->SetDiretorioLog(dir_.Path() + "Log");
  nfe_->SetDiretorioLogErro(dir_.Path() + "LogErro");
  nfe_->SetDiretorioXmlDestinatario(dir_.Path() + "XmlDestinatario");
  nfe_->SetOnXmlDestinatario([this](const std::string& f) { anunciados_.push_back(f); });
  nfe_->SetOnXmlCanDestinatario([this](const std::string& f) { cancelamentos_.push_back(f); });
}

void EventosTest::TearDown() {
  nfe_.reset();
  EvxnException::ResetClassState();
}

std::string EventosTest::NotaAssinada(const std::function<std::string(std::string)>& change) {
  return SignedNFeDocument(++proximoNumero_, files_.ClientCertificate, files_.ClientPassword, change);
}

std::string EventosTest::Autorizar(std::string* nProt,
                                   const std::function<std::string(std::string)>& change) {
  const std::string documento = NotaAssinada(change);
  const std::string reply = nfe_->EnviarNFSincrono("1", documento, false);
  EXPECT_EQ(Tag(Tag(reply, "infProt"), "cStat"), "100") << reply;
  if (nProt)
    *nProt = Tag(reply, "nProt");
  anunciados_.clear();
  const auto id = documento.find("Id=\"NFe");
  return documento.substr(id + 7, 44);
}

std::string EventosTest::Ret(const std::string& resposta, const std::string& tag) {
  return Tag(Between(resposta, "<retEvento", "</retEvento>"), tag);
}

std::string EventosTest::Distribuicao(const std::string& nome) const {
  const std::string path = nfe_->GetDiretorioXmlDestinatario() + nome;
  return std::filesystem::exists(path) ? ReadFileOrEmpty(path) : std::string();
}

void EventosTest::ChecarDistribuicao(const std::string& xml, const std::vector<std::string>& esquemas) const {
  ASSERT_FALSE(xml.empty());
  for (const std::string& esquema : esquemas)
    EXPECT_EQ(XmlSchemaErrors(xml, FindSchema(esquema)), "") << esquema;
  // xmlsec1 checks the first signature of a document: the event's in the whole document, the
  // authority's in the retEvento taken out on its own.
  const std::size_t ret = xml.find("<retEvento");
  const std::string retEvento = xml.substr(ret, xml.find("</retEvento>") + 12 - ret);
  EXPECT_EQ(XmlSec1VerifyErrors(xml, files_.AuthorityCertificate, kInfEvento), "");
  EXPECT_EQ(XmlSec1VerifyErrors(retEvento, files_.AuthorityCertificate, kInfEvento), "") << retEvento;
}

} // namespace vxn::test
