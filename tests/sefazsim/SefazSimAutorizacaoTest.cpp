// The authorisation and receipt-query services of the local server, over TLS, with documents built by
// the input dataset and signed by the library.
#include "sefaz-sim/SefazSim.h"
#include "support/HttpsTestClient.h"
#include "support/SignedNFeDocument.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vxn {
namespace {

using sim::TSefazSim;
using test::HttpsSend;
using test::HttpsTestReply;
using test::HttpsTestRequest;

constexpr const char* kWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";

using test::Between;
using test::Tag;

bool AllDigits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  const auto p = s.find(from);
  EXPECT_NE(p, std::string::npos) << from;
  if (p != std::string::npos)
    s.replace(p, from.size(), to);
  return s;
}

std::string Lot(const std::vector<std::string>& documents, bool synchronous,
                const std::string& idLote = "1") {
  std::string all;
  for (const std::string& d : documents)
    all += d;
  return test::EnviNFeLot(all, synchronous, idLote);
}

class SefazSimAutorizacaoTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    sim_ = new TSefazSim();
    sim_->Start();
    client_ = new dev::TvxnDevIdentity(sim_->Authority().IssueClient({}));
    dir_ = new test::TempDir();
    signer_ = new std::string(dir_->File("assinatura.pfx"));
    WriteFileAtomic(*signer_, sim_->Authority().IssueClientPkcs12({}));
  }
  static void TearDownTestSuite() {
    delete client_;
    delete sim_;
    delete signer_;
    delete dir_;
  }
  void TearDown() override { sim_->SetQueriesInProcessing(0); }

  // Every document has its own number: the server remembers the keys it authorised.
  static std::string SignedDocument(const std::function<std::string(std::string)>& change = {}) {
    static int nNF = 1000;
    return test::SignedNFeDocument(++nNF, *signer_, "1234", change);
  }

  static HttpsTestReply Post(const std::string& wsdl, const std::string& operation, const std::string& body,
                             const dev::TvxnDevIdentity* client = nullptr) {
    HttpsTestRequest r;
    r.Port = sim_->Port();
    r.Path = "/SP/ws/" + wsdl + ".asmx";
    r.Body = body;
    r.SoapAction = kWsdl + wsdl + "/" + operation;
    r.ClientCertificatePem = (client ? client : client_)->CertificatePem;
    r.ClientKeyPem = (client ? client : client_)->PrivateKeyPem;
    r.TrustedCaPem = sim_->Authority().CertificatePem();
    return HttpsSend(r);
  }

  // The retEnviNFe of a lot, checked against the official schema.
  static std::string Send(const std::string& lot, bool compressed = false,
                          const dev::TvxnDevIdentity* client = nullptr) {
    const HttpsTestReply reply =
        Post("NFeAutorizacao4", compressed ? "nfeAutorizacaoLoteZIP" : "nfeAutorizacaoLote",
             test::SoapEnvelope("NFeAutorizacao4", lot, compressed), client);
    EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
    const std::string ret = Between(reply.Body, "<retEnviNFe", "</retEnviNFe>");
    EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retEnviNFe_v4.00.xsd")), "") << ret;
    return ret;
  }

  // The retConsReciNFe of a receipt query, checked against the official schema.
  static std::string Query(const std::string& nRec, const std::string& tpAmb = "2") {
    const std::string cons =
        R"(<consReciNFe xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><tpAmb>)" + tpAmb +
        "</tpAmb><nRec>" + nRec + "</nRec></consReciNFe>";
    const HttpsTestReply reply =
        Post("NFeRetAutorizacao4", "nfeRetAutorizacaoLote", test::SoapEnvelope("NFeRetAutorizacao4", cons));
    EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
    const std::string ret = Between(reply.Body, "<retConsReciNFe", "</retConsReciNFe>");
    EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retConsReciNFe_v4.00.xsd")), "") << ret;
    return ret;
  }

  // cStat of the single protNFe of a synchronous lot.
  static std::string SyncStatus(const std::string& document, std::string* xMotivo = nullptr,
                                const dev::TvxnDevIdentity* client = nullptr) {
    const std::string ret = Send(Lot({document}, true), false, client);
    EXPECT_EQ(Tag(ret, "cStat"), "104") << ret;
    const std::string prot = Between(ret, "<protNFe", "</protNFe>");
    if (xMotivo)
      *xMotivo = Tag(prot, "xMotivo");
    return Tag(prot, "cStat");
  }

  static TSefazSim* sim_;
  static dev::TvxnDevIdentity* client_;
  static test::TempDir* dir_;
  static std::string* signer_;
};

TSefazSim* SefazSimAutorizacaoTest::sim_ = nullptr;
dev::TvxnDevIdentity* SefazSimAutorizacaoTest::client_ = nullptr;
test::TempDir* SefazSimAutorizacaoTest::dir_ = nullptr;
std::string* SefazSimAutorizacaoTest::signer_ = nullptr;

void ExpectAuthorised(const std::string& prot, const std::string& document) {
  EXPECT_EQ(Tag(prot, "cStat"), "100") << prot;
  EXPECT_EQ(Tag(prot, "xMotivo"), "Autorizado o uso da NF-e");
  EXPECT_EQ(Tag(prot, "nProt").size(), 15u);
  EXPECT_TRUE(AllDigits(Tag(prot, "nProt"))) << prot;
  EXPECT_TRUE(Tag(prot, "dhRecbto").ends_with("-03:00")) << prot;
  EXPECT_EQ(Tag(prot, "digVal"), Tag(document, "DigestValue"));
  EXPECT_FALSE(Tag(prot, "digVal").empty());
  const auto id = document.find("Id=\"NFe");
  ASSERT_NE(id, std::string::npos);
  EXPECT_EQ(Tag(prot, "chNFe"), document.substr(id + 7, 44));
}

TEST_F(SefazSimAutorizacaoTest, AsynchronousLotGetsAReceiptThatIsInProcessingThenProcessed) {
  sim_->SetQueriesInProcessing(2);
  const std::string first = SignedDocument();
  const std::string second = SignedDocument();
  const std::string ret = Send(Lot({first, second}, false));
  EXPECT_EQ(Tag(ret, "cStat"), "103") << ret;
  EXPECT_EQ(Tag(ret, "xMotivo"), "Lote recebido com sucesso");
  EXPECT_EQ(Tag(ret, "cUF"), "35");
  const std::string nRec = Tag(ret, "nRec");
  EXPECT_EQ(nRec.size(), 15u);
  EXPECT_TRUE(AllDigits(nRec)) << nRec;

  for (int i = 0; i < 2; ++i) {
    const std::string processing = Query(nRec);
    EXPECT_EQ(Tag(processing, "cStat"), "105") << processing;
    EXPECT_EQ(Tag(processing, "xMotivo"), "Lote em processamento");
    EXPECT_EQ(processing.find("<protNFe"), std::string::npos);
  }
  const std::string done = Query(nRec);
  EXPECT_EQ(Tag(done, "cStat"), "104") << done;
  EXPECT_EQ(Tag(done, "nRec"), nRec);
  const std::string prot1 = Between(done, "<protNFe", "</protNFe>");
  const std::string prot2 = Between(done.substr(done.find("</protNFe>")), "<protNFe", "</protNFe>");
  ExpectAuthorised(prot1, first);
  ExpectAuthorised(prot2, second);
  EXPECT_NE(Tag(prot1, "nProt"), Tag(prot2, "nProt"));
  // Later queries give the same result: the lot is remembered.
  EXPECT_EQ(Tag(Query(nRec), "nProt"), Tag(prot1, "nProt"));
}

TEST_F(SefazSimAutorizacaoTest, SynchronousLotIsAuthorisedAtOnce) {
  const std::string document = SignedDocument();
  const std::string ret = Send(Lot({document}, true));
  EXPECT_EQ(Tag(ret, "cStat"), "104") << ret;
  EXPECT_EQ(Tag(ret, "xMotivo"), "Lote processado");
  EXPECT_EQ(ret.find("<infRec>"), std::string::npos);
  ExpectAuthorised(Between(ret, "<protNFe", "</protNFe>"), document);
}

TEST_F(SefazSimAutorizacaoTest, CompressedLotsAreUnpackedFirst) {
  const std::string synchronous = SignedDocument();
  const std::string ret = Send(Lot({synchronous}, true), true);
  ExpectAuthorised(Between(ret, "<protNFe", "</protNFe>"), synchronous);

  const std::string asynchronous = SignedDocument();
  const std::string nRec = Tag(Send(Lot({asynchronous}, false), true), "nRec");
  ASSERT_EQ(nRec.size(), 15u);
  ExpectAuthorised(Between(Query(nRec), "<protNFe", "</protNFe>"), asynchronous);

  // Content that does not unpack is refused as a fault, not answered as a lot.
  const std::string notGzip = // Base64 of "not gzip"
      R"(<soap12:Envelope xmlns:soap12="http://www.w3.org/2003/05/soap-envelope"><soap12:Body>)"
      R"(<nfeDadosMsgZip xmlns="http://www.portalfiscal.inf.br/nfe/wsdl/NFeAutorizacao4">bm90IGd6aXA=)"
      R"(</nfeDadosMsgZip></soap12:Body></soap12:Envelope>)";
  const HttpsTestReply bad = Post("NFeAutorizacao4", "nfeAutorizacaoLoteZIP", notGzip);
  EXPECT_EQ(bad.Status, 500) << bad.Body;
}

TEST_F(SefazSimAutorizacaoTest, SecondSendingOfAKeyIsADuplicateNamingTheFirstProtocol) {
  const std::string document = SignedDocument();
  const std::string first = Between(Send(Lot({document}, true)), "<protNFe", "</protNFe>");
  ASSERT_EQ(Tag(first, "cStat"), "100") << first;
  std::string motivo;
  EXPECT_EQ(SyncStatus(document, &motivo), "204");
  EXPECT_EQ(motivo, "Rejeicao: Duplicidade de NF-e [nProt:" + Tag(first, "nProt") +
                        "][dhAut: " + Tag(first, "dhRecbto") + "]");
}

TEST_F(SefazSimAutorizacaoTest, DocumentAlteredAfterSigningIsRefused) {
  const std::string original = SignedDocument();
  std::string motivo;
  EXPECT_EQ(SyncStatus(Replace(original, "<natOp>", "<natOp>X"), &motivo), "297");
  EXPECT_EQ(motivo, "Rejeicao: Assinatura difere do calculado");
  // A refused document is not remembered as authorised: the untouched one still passes.
  EXPECT_EQ(SyncStatus(original), "100");
}

TEST_F(SefazSimAutorizacaoTest, KeyWithWrongCheckDigitOrFieldsIsRefused) {
  std::string motivo;
  // The key's last digit changed (the Id and the signature reference agree, cDV does not).
  const std::string wrongDigit = SignedDocument([](std::string infNFe) {
    const std::size_t dv = std::string("<infNFe Id=\"NFe").size() + 43;
    const char changed = infNFe.at(dv) == '9' ? '0' : static_cast<char>(infNFe.at(dv) + 1);
    return infNFe.replace(dv, 1, 1, changed);
  });
  EXPECT_EQ(SyncStatus(wrongDigit, &motivo), "253");
  EXPECT_EQ(motivo, "Rejeicao: Digito Verificador da chave de acesso composta invalida");

  // The key is intact but the document's code cNF no longer matches it.
  const std::string wrongField = SignedDocument([](std::string infNFe) {
    const std::string cNF = Tag(infNFe, "cNF");
    return Replace(infNFe, "<cNF>" + cNF + "</cNF>",
                   std::string("<cNF>") + (cNF == "11111111" ? "22222222" : "11111111") + "</cNF>");
  });
  EXPECT_EQ(SyncStatus(wrongField, &motivo), "502");
  EXPECT_EQ(motivo, "Rejeicao: Erro na Chave de Acesso - Campo Id nao corresponde a concatenacao dos campos "
                    "correspondentes");
}

TEST_F(SefazSimAutorizacaoTest, WrongEnvironmentAndForeignCertificateAreRefused) {
  std::string motivo;
  const std::string production = SignedDocument(
      [](std::string infNFe) { return Replace(infNFe, "<tpAmb>2</tpAmb>", "<tpAmb>1</tpAmb>"); });
  EXPECT_EQ(SyncStatus(production, &motivo), "252");
  EXPECT_EQ(motivo, "Rejeicao: Ambiente informado diverge do Ambiente de recebimento");

  dev::TvxnDevClientOptions other;
  other.Cnpj = "99888777000166";
  const dev::TvxnDevIdentity otherCompany = sim_->Authority().IssueClient(other);
  EXPECT_EQ(SyncStatus(SignedDocument(), &motivo, &otherCompany), "213");
  EXPECT_EQ(motivo, "Rejeicao: CNPJ-Base do Emitente difere do CNPJ-Base do Certificado Digital");
  // A branch of the same company (same first eight digits) may send.
  other.Cnpj = "11222333000262";
  const dev::TvxnDevIdentity branch = sim_->Authority().IssueClient(other);
  EXPECT_EQ(SyncStatus(SignedDocument(), &motivo, &branch), "100") << motivo;
}

TEST_F(SefazSimAutorizacaoTest, LotLevelRejections) {
  const std::string document = SignedDocument();
  const std::string badSchema = Send(Lot({document}, false, "12A"));
  EXPECT_EQ(Tag(badSchema, "cStat"), "225") << badSchema;
  EXPECT_EQ(Tag(badSchema, "xMotivo"), "Rejeicao: Falha no Schema XML do lote de NFe");
  EXPECT_EQ(badSchema.find("<nRec>"), std::string::npos);

  const std::string twoSync = Send(Lot({document, SignedDocument()}, true));
  EXPECT_EQ(Tag(twoSync, "cStat"), "452") << twoSync;

  EXPECT_EQ(Tag(Query("351000000000999"), "cStat"), "106");
  EXPECT_EQ(Tag(Query("351000000000999", "1"), "cStat"), "252");
  // Nothing of the refused lots was authorised: the document still passes.
  EXPECT_EQ(SyncStatus(document), "100");
}

TEST_F(SefazSimAutorizacaoTest, ServersFileNamesTheLotServicesOfBothLayouts) {
  const std::string ini = sim_->ServersIniText();
  for (const auto& [key, wsdl] : {std::pair{"NfeRecepcao4", "NFeAutorizacao4"},
                                  {"NfeRetRecepcao4", "NFeRetAutorizacao4"},
                                  {"NfeRecepcao3", "NfeAutorizacao"},
                                  {"NfeRetRecepcao3", "NfeRetAutorizacao"}})
    EXPECT_NE(ini.find(std::string(key) + "=" + sim_->ServiceUrl("MG", wsdl) + "\r\n"), std::string::npos)
        << key;
}

} // namespace
} // namespace vxn
