// Sending lots and querying receipts through the layout classes, against the local tax-authority
// server over TLS: the envelope, SOAP action and result element of each layout, and the unwrapped
// reply.
#include "sefaz-sim/SefazSim.h"
#include "services/vxnNFE50aIntf.h"
#include "services/vxnNFE60Intf.h"
#include "support/SignedNFeDocument.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vxn {
namespace {

using test::Tag;

// The actions the server was called with, as its request log tells them.
struct TActionLog {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::string Last() {
    std::lock_guard lock(mutex);
    return lines.empty() ? "" : lines.back();
  }
  std::size_t Count() {
    std::lock_guard lock(mutex);
    return lines.size();
  }
};

class LotsAgainstServerTest : public ::testing::Test {
protected:
  static sim::TSefazSimOptions Options(TActionLog& log) {
    sim::TSefazSimOptions o;
    o.OnRequest = [&log](const std::string& line) {
      std::lock_guard lock(log.mutex);
      log.lines.push_back(line);
    };
    return o;
  }

  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    ini_ = std::make_unique<TvxnIniFile>(files_.ServersFile);
    data_.ServersIni = ini_.get();
    data_.ArquivoServidoresHom = files_.ServersFile;
    data_.UF = "SP";
    data_.LocalCode = "35";
    data_.AmbienteStr = "2";
    data_.VersaoManual = vm60;
    auto& http = gov_.Get_HttpSettings();
    http.CertificateKind = ckFile;
    http.CertificatePath = files_.ClientCertificate;
    http.CertificatePassword = files_.ClientPassword;
    http.TrustedCAFile = files_.AuthorityCertificate;
    http.TimeOut = 30000;
  }

  std::string Document() {
    static int nNF = 5000;
    return test::SignedNFeDocument(++nNF, files_.ClientCertificate, files_.ClientPassword);
  }

  // The action of the last request, from the server's log line "POST <path> 200 <action>". The server
  // writes the line after the reply has gone out, so it is awaited (a few seconds at most).
  std::string LastAction() {
    const std::size_t requests = sim_.ReceivedMessages().size();
    for (int i = 0; i < 500 && log_.Count() < requests; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string line = log_.Last();
    return line.substr(line.rfind(' ') + 1);
  }

  TActionLog log_;
  test::TempDir dir_;
  sim::TSefazSim sim_{Options(log_)};
  sim::TSefazSimConfigFiles files_;
  std::unique_ptr<TvxnIniFile> ini_;
  TNFeData data_;
  TvxnGovX gov_;
  TvxnGovUtils utils_;
};

constexpr const char* kWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";

TEST_F(LotsAgainstServerTest, Layout400SendsTheLotAndQueriesTheReceipt) {
  sim_.SetQueriesInProcessing(1);
  TvxnNFE60Intf intf(data_, gov_, utils_);
  const std::string document = Document();
  const std::string sent = intf.EnviarNF("1", test::EnviNFeLot(document, false), false);
  EXPECT_TRUE(sent.starts_with("<retEnviNFe")) << sent;
  EXPECT_EQ(test::XmlSchemaErrors(sent, test::FindSchema("retEnviNFe_v4.00.xsd")), "");
  EXPECT_EQ(Tag(sent, "cStat"), "103") << sent;
  EXPECT_EQ(LastAction(), std::string(kWsdl) + "NfeAutorizacao4/NfeAutorizacaoLote");
  // The lot arrived whole and unescaped: the server received the signed document as it was built.
  ASSERT_FALSE(sim_.ReceivedMessages().empty());
  EXPECT_EQ(test::XmlSchemaErrors(sim_.ReceivedMessages().back(), test::FindSchema("enviNFe_v4.00.xsd")), "");

  const std::string nRec = Tag(sent, "nRec");
  const std::string processing = intf.ConsultarRecibo(nRec);
  EXPECT_TRUE(processing.starts_with("<retConsReciNFe")) << processing;
  EXPECT_EQ(Tag(processing, "cStat"), "105");
  EXPECT_EQ(LastAction(), std::string(kWsdl) + "NFeRetAutorizacao4/NFeRetAutorizacao4");
  EXPECT_EQ(test::XmlSchemaErrors(sim_.ReceivedMessages().back(), test::FindSchema("consReciNFe_v4.00.xsd")),
            "");
  const std::string done = intf.ConsultarRecibo(nRec);
  EXPECT_EQ(test::XmlSchemaErrors(done, test::FindSchema("retConsReciNFe_v4.00.xsd")), "");
  EXPECT_EQ(Tag(done, "cStat"), "104");
  EXPECT_NE(done.find("<cStat>100</cStat>"), std::string::npos) << done;
  EXPECT_EQ(Tag(done, "digVal"), Tag(document, "DigestValue"));
}

TEST_F(LotsAgainstServerTest, Layout400CompressedActionsDifferBetweenAsynchronousAndSynchronous) {
  TvxnNFE60Intf intf(data_, gov_, utils_);
  const std::string asynchronous = intf.EnviarNF("1", test::EnviNFeLot(Document(), false), true);
  EXPECT_EQ(Tag(asynchronous, "cStat"), "103") << asynchronous;
  EXPECT_EQ(LastAction(), std::string(kWsdl) + "NfeAutorizacao4/nfeAutorizacaoLoteZIP");

  const std::string document = Document();
  const std::string synchronous = intf.EnviarNFSincrono("2", test::EnviNFeLot(document, true), true);
  EXPECT_EQ(LastAction(), std::string(kWsdl) + "NfeAutorizacao4/NfeAutorizacaoLoteZip");
  EXPECT_EQ(Tag(synchronous, "cStat"), "104") << synchronous;
  EXPECT_NE(synchronous.find("<cStat>100</cStat>"), std::string::npos) << synchronous;
  EXPECT_EQ(Tag(synchronous, "digVal"), Tag(document, "DigestValue"));
  // The same document again is a duplicate.
  const std::string again = intf.EnviarNFSincrono("3", test::EnviNFeLot(document, true), false);
  EXPECT_NE(again.find("<cStat>204</cStat>"), std::string::npos) << again;
  EXPECT_EQ(LastAction(), std::string(kWsdl) + "NfeAutorizacao4/NfeAutorizacaoLote");
}

TEST_F(LotsAgainstServerTest, Layout310EnvelopesActionsAndUnwrapping) {
  data_.VersaoManual = vm50a;
  TvxnNFE50aIntf intf(data_, gov_, utils_);
  // A 4.00 lot does not pass the 3.10 schema: the refusal shows that the lot reached the 3.10 service.
  const std::string sent = intf.EnviarNF("1", test::EnviNFeLot(Document(), false), false);
  EXPECT_TRUE(sent.starts_with("<retEnviNFe")) << sent;
  EXPECT_NE(sent.find("versao=\"3.10\""), std::string::npos) << sent;
  EXPECT_EQ(Tag(sent, "cStat"), "225");
  EXPECT_EQ(LastAction(), std::string(kWsdl) + "NfeAutorizacao/NfeAutorizacaoLote");
  EXPECT_NE(sim_.ReceivedMessages().back().find("<idLote>1</idLote>"), std::string::npos);

  intf.EnviarNF("1", test::EnviNFeLot(Document(), false), true);
  EXPECT_EQ(LastAction(), std::string(kWsdl) + "NfeAutorizacao/nfeAutorizacaoLoteZip");
  EXPECT_NE(sim_.ReceivedMessages().back().find("<idLote>1</idLote>"), std::string::npos);
  intf.EnviarNFSincrono("1", test::EnviNFeLot(Document(), true), true);
  EXPECT_EQ(LastAction(), std::string(kWsdl) + "NfeAutorizacao/NfeAutorizacaoLoteZip");

  const std::string query = intf.ConsultarRecibo("351000000000999");
  EXPECT_TRUE(query.starts_with("<retConsReciNFe")) << query;
  EXPECT_NE(query.find("versao=\"3.10\""), std::string::npos) << query;
  EXPECT_EQ(Tag(query, "cStat"), "106");
  EXPECT_EQ(LastAction(), std::string(kWsdl) + "NfeRetAutorizacao/NfeRetAutorizacaoLote");
  EXPECT_EQ(test::XmlSchemaErrors(sim_.ReceivedMessages().back(), test::FindSchema("consReciNFe_v3.10.xsd")),
            "");
}

TEST_F(LotsAgainstServerTest, CompactaLoteOfBothLayoutsUnpacksToTheLot) {
  TvxnNFE60Intf intf60(data_, gov_, utils_);
  TvxnNFE50aIntf intf50a(data_, gov_, utils_);
  const std::string lot = "<enviNFe>ação & ç</enviNFe>";
  EXPECT_EQ(utils_.DecompressBase64Gz(intf60.CompactaLote(lot)), lot);
  EXPECT_EQ(utils_.DecompressBase64Gz(intf50a.CompactaLote(lot)), lot);
}

} // namespace
} // namespace vxn
