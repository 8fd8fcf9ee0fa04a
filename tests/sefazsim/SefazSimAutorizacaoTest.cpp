// The authorisation and receipt-query services of the local server, over TLS, with documents built by
// the input dataset and signed by the library.
#include "sefaz-sim/SefazSim.h"
#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimStore.h"
#include "support/HttpsTestClient.h"
#include "support/SignedNFeDocument.h"
#include "support/SimOptions.h"
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
using test::HttpsTestReply;

using test::Between;
using test::Tag;

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
  void SetUp() override {
    sim_.Start();
    WriteFileAtomic(signer_, sim_.Authority().IssueClientPkcs12({}));
  }

  // Every document has its own number: the server remembers the keys it authorised.
  std::string SignedDocument(const std::function<std::string(std::string)>& change = {}) {
    static int nNF = 1000;
    return test::SignedNFeDocument(++nNF, signer_, "1234", change);
  }

  HttpsTestReply Post(const std::string& wsdl, const std::string& operation, const std::string& message,
                      const dev::TvxnDevIdentity* client = nullptr) {
    const dev::TvxnDevIdentity& c = client ? *client : client_;
    return test::PostSoap({sim_.Port(), sim_.Authority().CertificatePem(), c.CertificatePem, c.PrivateKeyPem},
                          "SP", wsdl, operation, message);
  }

  // The retEnviNFe of a lot, checked against the official schema.
  std::string Send(const std::string& lot, const dev::TvxnDevIdentity* client = nullptr) {
    const HttpsTestReply reply = Post("NFeAutorizacao4", "nfeAutorizacaoLote", lot, client);
    EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
    const std::string ret = Between(reply.Body, "<retEnviNFe", "</retEnviNFe>");
    EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retEnviNFe_v4.00.xsd")), "") << ret;
    return ret;
  }

  // The retConsReciNFe of a receipt query, checked against the official schema.
  std::string Query(const std::string& nRec, const std::string& tpAmb = "2") {
    const std::string cons =
        R"(<consReciNFe xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><tpAmb>)" + tpAmb +
        "</tpAmb><nRec>" + nRec + "</nRec></consReciNFe>";
    const HttpsTestReply reply = Post("NFeRetAutorizacao4", "nfeRetAutorizacaoLote", cons);
    EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
    const std::string ret = Between(reply.Body, "<retConsReciNFe", "</retConsReciNFe>");
    EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retConsReciNFe_v4.00.xsd")), "") << ret;
    return ret;
  }

  // cStat of the single protNFe of a synchronous lot.
  std::string SyncStatus(const std::string& document, std::string* xMotivo = nullptr,
                         const dev::TvxnDevIdentity* client = nullptr) {
    const std::string ret = Send(Lot({document}, true), client);
    EXPECT_EQ(Tag(ret, "cStat"), "104") << ret;
    const std::string prot = Between(ret, "<protNFe", "</protNFe>");
    if (xMotivo)
      *xMotivo = Tag(prot, "xMotivo");
    return Tag(prot, "cStat");
  }

  static sim::TSefazSimOptions WithData(const test::TempDir& dir) {
    sim::TSefazSimOptions o = test::SimOptions();
    o.DataDir = dir.Path() + "estado";
    return o;
  }

  test::TempDir dir_;
  TSefazSim sim_{WithData(dir_)};
  dev::TvxnDevIdentity client_ = sim_.Authority().IssueClient({});
  std::string signer_ = dir_.File("assinatura.pfx");
};

TEST_F(SefazSimAutorizacaoTest, CompressedContentThatDoesNotUnpackIsAFault) {
  // Content that does not unpack is refused as a fault, not answered as a lot.
  test::HttpsTestRequest r;
  r.Port = sim_.Port();
  r.Path = "/SP/ws/NFeAutorizacao4.asmx";
  r.Body = // Base64 of "not gzip"
      R"(<soap12:Envelope xmlns:soap12="http://www.w3.org/2003/05/soap-envelope"><soap12:Body>)"
      R"(<nfeDadosMsgZip xmlns="http://www.portalfiscal.inf.br/nfe/wsdl/NFeAutorizacao4">)"
      R"(bm90IGd6aXA=</nfeDadosMsgZip></soap12:Body></soap12:Envelope>)";
  r.SoapAction = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeAutorizacao4/nfeAutorizacaoLoteZIP";
  r.ClientCertificatePem = client_.CertificatePem;
  r.ClientKeyPem = client_.PrivateKeyPem;
  const HttpsTestReply bad = test::HttpsSend(r);
  EXPECT_EQ(bad.Status, 500) << bad.Body;
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
  const dev::TvxnDevIdentity otherCompany = sim_.Authority().IssueClient(other);
  EXPECT_EQ(SyncStatus(SignedDocument(), &motivo, &otherCompany), "213");
  EXPECT_EQ(motivo, "Rejeicao: CNPJ-Base do Emitente difere do CNPJ-Base do Certificado Digital");
  // A branch of the same company (same first eight digits) may send.
  other.Cnpj = "11222333000262";
  const dev::TvxnDevIdentity branch = sim_.Authority().IssueClient(other);
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

  // (An unknown receipt, 106, is queried through the component: EnviarNFTest.)
  EXPECT_EQ(Tag(Query("351000000000999", "1"), "cStat"), "252");
  // Nothing of the refused lots was authorised: the document still passes.
  EXPECT_EQ(SyncStatus(document), "100");
}

// A lot is recorded whole or not at all. When its receipt cannot be recorded (here the database refuses
// it, as a full disk would), none of its documents stays authorised: the client, which got no receipt,
// sends the lot again and has its documents authorised, not answered as duplicates (204) of a lot
// nobody was told about.
TEST_F(SefazSimAutorizacaoTest, ALotWhoseReceiptCannotBeRecordedKeepsNoDocument) {
  const std::string first = SignedDocument(), second = SignedDocument();
  const std::string lot = Lot({first, second}, false);
  sim::TSimStore other(dir_.Path() + "estado");
  other.Transaction([](sim::TSimStore& s) {
    s.Execute("CREATE TRIGGER sem_lote BEFORE INSERT ON lots BEGIN SELECT RAISE(ABORT, 'disk full'); END");
  });
  const HttpsTestReply failed = Post("NFeAutorizacao4", "nfeAutorizacaoLote", lot);
  EXPECT_EQ(failed.Status, 500) << failed.Body;
  EXPECT_NE(failed.Body.find("disk full"), std::string::npos) << failed.Body;
  sim::TSimLots lots(other);
  for (const std::string& d : {first, second})
    EXPECT_FALSE(lots.Authorised(d.substr(d.find("Id=\"NFe") + 7, 44)).has_value());

  other.Transaction([](sim::TSimStore& s) { s.Execute("DROP TRIGGER sem_lote"); });
  const std::string ret = Send(lot);
  ASSERT_EQ(Tag(ret, "cStat"), "103") << ret;
  const std::string processed = Query(Tag(ret, "nRec"));
  EXPECT_EQ(Tag(processed, "cStat"), "104");
  std::string estados;
  for (std::size_t p = processed.find("<protNFe"); p != std::string::npos;
       p = processed.find("<protNFe", p + 1))
    estados += Tag(processed.substr(p), "cStat") + " ";
  EXPECT_EQ(estados, "100 100 ");
}

} // namespace
} // namespace vxn
