// Lots sent through the component to the local tax-authority server over TLS, as an application does
// it: a document built by the input dataset, signed by AssinarNota, sent with EnviarNF (then
// ConsultarRecibo until the lot is processed) or EnviarNFSincrono, plain or compressed. Checked on the
// way: the protocol that comes back, the log files and index files written at each step, the calls of
// the distribution-XML hooks, telemetry, and the checks that refuse a lot before anything is sent.
#include "SimRequestLog.h"
#include "datasets/vxnNFeDataSets.h"
#include "sefaz-sim/SefazSim.h"
#include "support/NFeDocumentFiller.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

namespace vxn {
namespace {

namespace fs = std::filesystem;

using test::Between;
using test::Refusal;
using test::RefusalOf;
using test::Tag;

// One call of a distribution-XML hook, with what the reply log held at that moment.
struct HookCall {
  std::string operacao, numero, arquivoLog, conteudoLog;
};

// The component with its distribution-XML hooks recorded: which was called, with what, and whether the
// reply log they name was already on disk.
class TvxnNFeRecordingHooks : public TvxnNFe {
public:
  std::vector<HookCall> calls;

protected:
  void GerarXMLDestinatario(std::string_view key, std::string_view logFile) override {
    calls.push_back({"GerarXMLDestinatario", std::string(key), std::string(logFile), LogOnDisk(logFile)});
  }
  void GerarXmlDestinatarioNFsAprovadas(std::string_view recibo, std::string_view logFile) override {
    calls.push_back(
        {"GerarXmlDestinatarioNFsAprovadas", std::string(recibo), std::string(logFile), LogOnDisk(logFile)});
  }

private:
  std::string LogOnDisk(std::string_view logFile) {
    return test::ReadFileOrEmpty(GetDiretorioLog() + std::string(logFile));
  }
};

class EnviarNFTest : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    nfe_.LoadConfig(files_.ConfigFile);
    // The receipt flow, with lots of one document as well: a lot of one goes synchronous by default
    // (EmissaoNFCeTest, LotOfOneDocumentIsSentForTheSynchronousAnswer).
    nfe_.SetLoteUnicoSincrono(false);
    nfe_.SetDiretorioXmlDestinatario(dir_.Path() + "sim/XmlDestinatario");
    nfe_.SetDiretorioLogErro(dir_.Path() + "LogErro");
    nfe_.SetOnLog([this](const std::string& n, const std::string& id, const std::string& f) {
      onLog_.push_back(n + "|" + id + "|" + f);
    });
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  std::string LogDir() const { return dir_.Path() + "sim/Log/"; }
  std::string DestDir() const { return dir_.Path() + "sim/XmlDestinatario/"; }

  // infNFe of document nNF as the input dataset generates it.
  static std::string DatasetDocument(int nNF) {
    TvxnNFeDataSets ds;
    ds.SetXMLDicionario(test::ShippedDictionary());
    test::FillDocument(ds, nNF, 2);
    ds.Salvar();
    return ds.GetLoteNFe()[0];
  }
  std::string Signed(int nNF) { return nfe_.AssinarNota(DatasetDocument(nNF)); }

  // The SOAP actions of the server's requests, awaited until it reported `count` of them.
  std::vector<std::string> Actions(std::size_t count) { return requests_.Actions(count); }

  // Queries the receipt until the lot is no longer in processing (at most 5 queries).
  std::string QueryUntilProcessed(const std::string& nRec, int* queries = nullptr) {
    std::string reply;
    int n = 0;
    do {
      reply = nfe_.ConsultarRecibo(nRec);
      ++n;
    } while (Tag(reply, "cStat") == "105" && n < 5);
    if (queries)
      *queries = n;
    return reply;
  }

  test::TSimRequestLog requests_;
  test::TempDir dir_;
  sim::TSefazSim sim_{requests_.Options()};
  sim::TSefazSimConfigFiles files_;
  TvxnNFeRecordingHooks nfe_;
  std::vector<std::string> onLog_;
};

constexpr const char* kWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";

TEST_F(EnviarNFTest, AsynchronousLotIsAuthorisedWithLogsIndexFilesAndTheReceiptHook) {
  sim_.SetQueriesInProcessing(2);
  const std::string lote = Signed(101);
  const std::string chave = lote.substr(lote.find("Id=\"NFe") + 7, 44);
  ASSERT_EQ(chave.size(), 44u);

  const std::string sent = nfe_.EnviarNF("4711", lote, false);
  ASSERT_TRUE(sent.starts_with("<retEnviNFe")) << sent;
  EXPECT_EQ(test::XmlSchemaErrors(sent, test::FindSchema("retEnviNFe_v4.00.xsd")), "");
  EXPECT_EQ(Tag(sent, "cStat"), "103") << sent;
  EXPECT_EQ(Tag(sent, "xMotivo"), "Lote recebido com sucesso");
  const std::string nRec = Tag(sent, "nRec");
  ASSERT_EQ(nRec.size(), 15u);
  EXPECT_EQ(nRec.find_first_not_of("0123456789"), std::string::npos) << nRec;

  // What the server received is the official enviNFe with the lot number, asynchronous, holding the
  // signed document as AssinarNota made it.
  const auto received = sim_.ReceivedMessages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(test::XmlSchemaErrors(received[0], test::FindSchema("enviNFe_v4.00.xsd")), "");
  EXPECT_NE(received[0].find("<idLote>4711</idLote><indSinc>0</indSinc>" + lote), std::string::npos);

  // The request and the reply are logged under the lot number; the receipt and the key lead to the
  // request log; the receipt hook is not called before a query.
  EXPECT_EQ(test::FileNames(LogDir()), (std::set<std::string>{"4711-env-lot.xml", "4711-rec.xml"}));
  const std::string pedido = test::ReadFileOrEmpty(LogDir() + "4711-env-lot.xml");
  EXPECT_TRUE(pedido.starts_with(R"(<enviNFe xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00">)"
                                 "<idLote>4711</idLote><indSinc>0</indSinc>" +
                                 lote + "</enviNFe>"))
      << pedido;
  EXPECT_EQ(Trim(test::ReadFileOrEmpty(LogDir() + "4711-rec.xml")), sent);
  EXPECT_EQ(test::FileNames(DestDir()), (std::set<std::string>{nRec, chave}));
  EXPECT_EQ(test::ReadFileOrEmpty(DestDir() + nRec), "env-lot=4711-env-lot.xml");
  EXPECT_EQ(test::ReadFileOrEmpty(DestDir() + chave), "env-lot=4711-env-lot.xml");
  EXPECT_TRUE(nfe_.calls.empty());

  // In processing: logged, no hook.
  const std::string processing = nfe_.ConsultarRecibo(nRec);
  EXPECT_EQ(Tag(processing, "cStat"), "105") << processing;
  EXPECT_EQ(Tag(processing, "xMotivo"), "Lote em processamento");
  EXPECT_EQ(processing.find("<protNFe"), std::string::npos);
  EXPECT_TRUE(nfe_.calls.empty());
  EXPECT_EQ(test::XmlSchemaErrors(sim_.ReceivedMessages().back(), test::FindSchema("consReciNFe_v4.00.xsd")),
            "");

  int queries = 0;
  const std::string done = QueryUntilProcessed(nRec, &queries);
  EXPECT_EQ(queries, 2);
  EXPECT_EQ(test::XmlSchemaErrors(done, test::FindSchema("retConsReciNFe_v4.00.xsd")), "");
  EXPECT_EQ(Tag(done, "cStat"), "104") << done;
  EXPECT_NE(done.find("<cStat>100</cStat>"), std::string::npos) << done;
  EXPECT_EQ(Tag(done, "chNFe"), chave);
  EXPECT_EQ(Tag(done, "digVal"), Tag(lote, "DigestValue"));
  EXPECT_NE(done.find("<xMotivo>Autorizado o uso da NF-e</xMotivo>"), std::string::npos) << done;
  EXPECT_EQ(Tag(done, "nProt").size(), 15u);
  EXPECT_EQ(Tag(done, "nProt").find_first_not_of("0123456789"), std::string::npos) << done;
  EXPECT_TRUE(Tag(Between(done, "<protNFe", "</protNFe>"), "dhRecbto").ends_with("-03:00")) << done;

  // The processed lot calls the receipt hook once, with the query reply log already written.
  ASSERT_EQ(nfe_.calls.size(), 1u);
  EXPECT_EQ(nfe_.calls[0].operacao, "GerarXmlDestinatarioNFsAprovadas");
  EXPECT_EQ(nfe_.calls[0].numero, nRec);
  EXPECT_EQ(nfe_.calls[0].arquivoLog, nRec + "-pro-rec.xml");
  EXPECT_EQ(Trim(nfe_.calls[0].conteudoLog), done);

  EXPECT_EQ(test::FileNames(LogDir()), (std::set<std::string>{"4711-env-lot.xml", "4711-rec.xml",
                                                              nRec + "-ped-rec.xml", nRec + "-pro-rec.xml"}));
  const std::string pedRec = test::ReadFileOrEmpty(LogDir() + nRec + "-ped-rec.xml");
  EXPECT_EQ(test::XmlSchemaErrors(pedRec, test::FindSchema("consReciNFe_v4.00.xsd")), "");
  EXPECT_EQ(Tag(pedRec, "nRec"), nRec);
  EXPECT_TRUE(test::ReadFileOrEmpty(LogDir() + nRec + "-pro-rec.xml").ends_with("\r\n"));

  // OnLog heard every record in order, with full paths.
  ASSERT_EQ(onLog_.size(), 2u + 2u * 3u);
  EXPECT_EQ(onLog_[0], "env-lot|4711|" + LogDir() + "4711-env-lot.xml");
  EXPECT_EQ(onLog_[1], "rec|4711|" + LogDir() + "4711-rec.xml");
  EXPECT_EQ(onLog_[2], "ped-rec|" + nRec + "|" + LogDir() + nRec + "-ped-rec.xml");
  EXPECT_EQ(onLog_[3], "pro-rec|" + nRec + "|" + LogDir() + nRec + "-pro-rec.xml");

  const auto actions = Actions(4);
  ASSERT_EQ(actions.size(), 4u);
  EXPECT_EQ(actions[0], std::string(kWsdl) + "NfeAutorizacao4/NfeAutorizacaoLote");
  EXPECT_EQ(actions[3], std::string(kWsdl) + "NFeRetAutorizacao4/NFeRetAutorizacao4");
  // The lot is remembered: a later query gives the same protocol.
  EXPECT_EQ(Tag(nfe_.ConsultarRecibo(nRec), "nProt"), Tag(done, "nProt"));
}

TEST_F(EnviarNFTest, ALotOfTwoDocumentsLeavesThreeIndexFilesAndTwoProtocolsInLotOrder) {
  const std::string lote = nfe_.AssinarNota(DatasetDocument(121) + DatasetDocument(122));
  ASSERT_EQ(TvxnNFe::GetNumNotas(lote), 2);
  const auto keyOf = [](const std::string& nota) { return nota.substr(nota.find("Id=\"NFe") + 7, 44); };
  const std::string chave1 = keyOf(TvxnNFe::GetNota(0, lote));
  const std::string chave2 = keyOf(TvxnNFe::GetNota(1, lote));
  ASSERT_NE(chave1, chave2);

  const std::string sent = nfe_.EnviarNF("77", lote, false);
  const std::string nRec = Tag(sent, "nRec");
  ASSERT_EQ(nRec.size(), 15u) << sent;
  EXPECT_EQ(test::FileNames(DestDir()), (std::set<std::string>{nRec, chave1, chave2}));
  for (const std::string& name : {nRec, chave1, chave2})
    EXPECT_EQ(test::ReadFileOrEmpty(DestDir() + name), "env-lot=77-env-lot.xml") << name;

  const std::string done = QueryUntilProcessed(nRec);
  const std::size_t first = done.find("<chNFe>" + chave1 + "</chNFe>");
  const std::size_t second = done.find("<chNFe>" + chave2 + "</chNFe>");
  ASSERT_NE(first, std::string::npos) << done;
  ASSERT_NE(second, std::string::npos) << done;
  EXPECT_LT(first, second);
  // Each protocol authorises its own document: its digVal is that document's DigestValue.
  EXPECT_EQ(Tag(done.substr(first), "cStat"), "100") << done;
  EXPECT_EQ(Tag(done.substr(second), "cStat"), "100") << done;
  EXPECT_EQ(Tag(done.substr(first), "digVal"), Tag(lote.substr(0, lote.find(chave2)), "DigestValue"));
  EXPECT_EQ(Tag(done.substr(second), "digVal"), Tag(lote.substr(lote.find(chave2)), "DigestValue"));
}

TEST_F(EnviarNFTest, SynchronousSendIsAuthorisedAtOnceAndCallsTheKeyHook) {
  const std::string lote = Signed(102);
  const std::string chave = lote.substr(lote.find("Id=\"NFe") + 7, 44);
  const std::string reply = nfe_.EnviarNFSincrono("12", lote, false);
  ASSERT_TRUE(reply.starts_with("<retEnviNFe")) << reply;
  EXPECT_EQ(test::XmlSchemaErrors(reply, test::FindSchema("retEnviNFe_v4.00.xsd")), "");
  EXPECT_EQ(Tag(reply, "cStat"), "104") << reply;
  EXPECT_NE(reply.find("<cStat>100</cStat>"), std::string::npos) << reply;
  EXPECT_EQ(Tag(reply, "digVal"), Tag(lote, "DigestValue"));
  EXPECT_EQ(Tag(reply, "nRec"), "");

  // The request went synchronous; the request and the reply are logged under the key, the reply under
  // the name of the synchronous return.
  EXPECT_NE(sim_.ReceivedMessages().at(0).find("<idLote>12</idLote><indSinc>1</indSinc>"), std::string::npos);
  EXPECT_EQ(test::FileNames(LogDir()),
            (std::set<std::string>{chave + "-env-sinc-lot.xml", chave + "-env-sinc-ret.xml"}));
  EXPECT_NE(test::ReadFileOrEmpty(LogDir() + chave + "-env-sinc-lot.xml").find("<indSinc>1</indSinc>" + lote),
            std::string::npos);
  EXPECT_EQ(Trim(test::ReadFileOrEmpty(LogDir() + chave + "-env-sinc-ret.xml")), reply);
  ASSERT_EQ(onLog_.size(), 2u);
  EXPECT_EQ(onLog_[0], "env-sinc-lot|" + chave + "|" + LogDir() + chave + "-env-sinc-lot.xml");
  EXPECT_EQ(onLog_[1], "rec-sinc|" + chave + "|" + LogDir() + chave + "-env-sinc-ret.xml");
  // Only the key's index file: there is no receipt.
  EXPECT_EQ(test::FileNames(DestDir()), (std::set<std::string>{chave}));
  EXPECT_EQ(test::ReadFileOrEmpty(DestDir() + chave), "env-lot=" + chave + "-env-sinc-lot.xml");

  ASSERT_EQ(nfe_.calls.size(), 1u);
  EXPECT_EQ(nfe_.calls[0].operacao, "GerarXMLDestinatario");
  EXPECT_EQ(nfe_.calls[0].numero, chave);
  EXPECT_EQ(nfe_.calls[0].arquivoLog, chave + "-env-sinc-ret.xml");
  EXPECT_EQ(Trim(nfe_.calls[0].conteudoLog), reply);
}

TEST_F(EnviarNFTest, CompressedLotsOfBothKindsAreAuthorised) {
  const std::string assincrono = Signed(103);
  const std::string sent = nfe_.EnviarNF("1", assincrono, true);
  EXPECT_EQ(Tag(sent, "cStat"), "103") << sent;
  const std::string done = QueryUntilProcessed(Tag(sent, "nRec"));
  EXPECT_NE(done.find("<cStat>100</cStat>"), std::string::npos) << done;
  EXPECT_EQ(Tag(done, "digVal"), Tag(assincrono, "DigestValue"));

  const std::string sincrono = Signed(104);
  const std::string reply = nfe_.EnviarNFSincrono("2", sincrono, true);
  EXPECT_NE(reply.find("<cStat>100</cStat>"), std::string::npos) << reply;
  EXPECT_EQ(Tag(reply, "digVal"), Tag(sincrono, "DigestValue"));

  // The lots travelled compressed: each send used the compressed operation of its kind.
  const auto actions = Actions(3);
  ASSERT_EQ(actions.size(), 3u);
  EXPECT_EQ(actions[0], std::string(kWsdl) + "NfeAutorizacao4/nfeAutorizacaoLoteZIP");
  EXPECT_EQ(actions[2], std::string(kWsdl) + "NfeAutorizacao4/NfeAutorizacaoLoteZip");
  ASSERT_EQ(nfe_.calls.size(), 2u);
  EXPECT_EQ(nfe_.calls[0].operacao, "GerarXmlDestinatarioNFsAprovadas");
  EXPECT_EQ(nfe_.calls[1].operacao, "GerarXMLDestinatario");
}

TEST_F(EnviarNFTest, TheSameDocumentTwiceIsADuplicate) {
  const std::string lote = Signed(105);
  const std::string first = nfe_.EnviarNFSincrono("1", lote, false);
  ASSERT_NE(first.find("<cStat>100</cStat>"), std::string::npos) << first;
  const std::string nProt = Tag(first, "nProt");

  const std::string sent = nfe_.EnviarNF("2", lote, false);
  const std::string again = QueryUntilProcessed(Tag(sent, "nRec"));
  EXPECT_EQ(Tag(again, "cStat"), "104");
  EXPECT_NE(again.find("<cStat>204</cStat><xMotivo>Rejeicao: Duplicidade de NF-e [nProt:" + nProt +
                       "][dhAut: " + Tag(Between(first, "<protNFe", "</protNFe>"), "dhRecbto") +
                       "]</xMotivo>"),
            std::string::npos)
      << again;
  // The lot was processed, so the receipt hook runs (it finds nothing authorised in it).
  ASSERT_EQ(nfe_.calls.size(), 2u);
  EXPECT_EQ(nfe_.calls[1].operacao, "GerarXmlDestinatarioNFsAprovadas");

  // Synchronously again: a refusal of the document is no reason for its distribution XML.
  const std::string third = nfe_.EnviarNFSincrono("3", lote, false);
  EXPECT_NE(third.find("<cStat>204</cStat>"), std::string::npos) << third;
  EXPECT_EQ(nfe_.calls.size(), 2u);
}

TEST_F(EnviarNFTest, ADocumentAlteredAfterSigningIsRefusedForItsSignature) {
  std::string lote = Signed(106);
  const std::string natOp = "<natOp>Venda de mercadoria</natOp>";
  ASSERT_NE(lote.find(natOp), std::string::npos);
  lote.replace(lote.find(natOp), natOp.size(), "<natOp>Venda de mercadorias</natOp>");
  const std::string reply = nfe_.EnviarNFSincrono("1", lote, false);
  EXPECT_EQ(Tag(reply, "cStat"), "104") << reply;
  EXPECT_NE(reply.find("<cStat>297</cStat><xMotivo>Rejeicao: Assinatura difere do calculado</xMotivo>"),
            std::string::npos)
      << reply;
  EXPECT_EQ(Tag(reply, "nProt"), "");
  EXPECT_TRUE(nfe_.calls.empty());

  const std::string sent = nfe_.EnviarNF("2", lote, false);
  const std::string done = QueryUntilProcessed(Tag(sent, "nRec"));
  EXPECT_NE(done.find("<cStat>297</cStat>"), std::string::npos) << done;
  // A refused document is not remembered as authorised: the untouched one still passes.
  EXPECT_NE(nfe_.EnviarNFSincrono("3", Signed(106), false).find("<cStat>100</cStat>"), std::string::npos);
}

TEST_F(EnviarNFTest, Layout310SendsThroughItsOwnServices) {
  const std::string lote = Signed(131);
  nfe_.SetVersaoManual(vm50a);
  // The 3.10 lot holds a 4.00 document: with validation before sending the component refuses it ...
  EXPECT_THROW(nfe_.EnviarNFSincrono("1", lote, false), EvxnSchemaValidationException);
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
  // ... and without, the 3.10 service does, which shows that the lot reached it.
  nfe_.SetValidarEsquemaAntesEnvio(false);
  const std::string reply = nfe_.EnviarNFSincrono("1", lote, true);
  EXPECT_TRUE(reply.starts_with("<retEnviNFe")) << reply;
  EXPECT_NE(reply.find("versao=\"3.10\""), std::string::npos) << reply;
  EXPECT_EQ(Tag(reply, "cStat"), "225") << reply;
  EXPECT_NE(sim_.ReceivedMessages().at(0).find("versao=\"3.10\"><idLote>1</idLote><indSinc>1</indSinc>"),
            std::string::npos);
  EXPECT_EQ(Tag(nfe_.EnviarNF("2", lote, false), "cStat"), "225");
  EXPECT_NE(sim_.ReceivedMessages().back().find("<idLote>2</idLote><indSinc>0</indSinc>"), std::string::npos);
  EXPECT_EQ(Tag(nfe_.EnviarNF("3", lote, true), "cStat"), "225");
  const std::string query = nfe_.ConsultarRecibo("351000000000999");
  EXPECT_NE(query.find("versao=\"3.10\""), std::string::npos) << query;
  EXPECT_EQ(Tag(query, "cStat"), "106") << query;
  EXPECT_EQ(test::XmlSchemaErrors(sim_.ReceivedMessages().back(), test::FindSchema("consReciNFe_v3.10.xsd")),
            "");
  // Synchronous compressed, asynchronous plain and compressed, then the receipt query.
  EXPECT_EQ(Actions(4),
            (std::vector<std::string>{std::string(kWsdl) + "NfeAutorizacao/NfeAutorizacaoLoteZip",
                                      std::string(kWsdl) + "NfeAutorizacao/NfeAutorizacaoLote",
                                      std::string(kWsdl) + "NfeAutorizacao/nfeAutorizacaoLoteZip",
                                      std::string(kWsdl) + "NfeRetAutorizacao/NfeRetAutorizacaoLote"}));
}

TEST_F(EnviarNFTest, WithoutDiskLogsNothingIsWrittenAndTheReplyStillReturns) {
  nfe_.SetSalvarLogsEmDisco(false);
  const std::string lote = Signed(107);
  const std::string sent = nfe_.EnviarNF("9", lote, false);
  EXPECT_EQ(Tag(sent, "cStat"), "103") << sent;
  const std::string done = QueryUntilProcessed(Tag(sent, "nRec"));
  EXPECT_NE(done.find("<cStat>100</cStat>"), std::string::npos) << done;
  const std::string sync = nfe_.EnviarNFSincrono("10", Signed(108), false);
  EXPECT_NE(sync.find("<cStat>100</cStat>"), std::string::npos) << sync;
  EXPECT_TRUE(test::FileNames(LogDir()).empty());
  EXPECT_TRUE(test::FileNames(DestDir()).empty());
  EXPECT_TRUE(onLog_.empty());
  // No log file means no distribution XML to build from.
  EXPECT_TRUE(nfe_.calls.empty());
}

TEST_F(EnviarNFTest, RefusalsComeBeforeAnythingIsLoggedOrSent) {
  const std::string lote = Signed(109);
  // A lot number with an accented letter is refused before the size of the lot is looked at.
  nfe_.SetMaxSizeLoteEnvio(1);
  EXPECT_EQ(RefusalOf([&] { nfe_.EnviarNF("12ã", lote, false); }),
            (Refusal{"EvxnNFeCheckParams", "Numero do Lote não pode conter acento: 12ã"}));
  const Refusal tooBig = RefusalOf([&] { nfe_.EnviarNF("12", lote, false); });
  EXPECT_EQ(tooBig.className, "EvxnNFeMaxSizeException");
  EXPECT_TRUE(tooBig.message.starts_with("O Lote de NFes possui ")) << tooBig;
  nfe_.SetMaxSizeLoteEnvio(500);

  EXPECT_EQ(RefusalOf([&] { nfe_.EnviarNF("1", " \r\n ", false); }),
            (Refusal{"EvxnNFeCheckParams", "Favor preencher o parâmetro aLoteNotas"}));
  EXPECT_EQ(RefusalOf([&] { nfe_.EnviarNFSincrono("1", "", false); }),
            (Refusal{"EvxnNFeCheckParams", "Favor preencher o parâmetro aLoteNota"}));
  EXPECT_EQ(
      RefusalOf([&] { nfe_.EnviarNFSincrono("1", lote + Signed(110), false); }),
      (Refusal{"EvxnNFeCheckParams", "O lote de notas para envio síncrono deve conter somente uma NF-e"}));
  const std::string semAssinatura = DatasetDocument(111);
  EXPECT_EQ(RefusalOf([&] { nfe_.EnviarNF("1", semAssinatura, false); }),
            (Refusal{"EvxnSignatureException", "A nota não possui assinatura"}));
  // With schema validation before sending, a lot that breaks the schema is refused here.
  std::string invalido = lote;
  invalido.replace(invalido.find("<mod>55</mod>"), 13, "<mod>99</mod>");
  EXPECT_THROW(nfe_.EnviarNF("1", invalido, false), EvxnSchemaValidationException);

  // A receipt must have 15 characters (not digits, not bytes) without accents.
  EXPECT_EQ(
      RefusalOf([&] { nfe_.ConsultarRecibo("35100000000001"); }),
      (Refusal{"EvxnNFeCheckParams", "Número do Recibo deve ter exatamente 15 dígitos: 35100000000001"}));
  EXPECT_EQ(
      RefusalOf([&] { nfe_.ConsultarRecibo("3510000000000123"); }),
      (Refusal{"EvxnNFeCheckParams", "Número do Recibo deve ter exatamente 15 dígitos: 3510000000000123"}));
  EXPECT_EQ(RefusalOf([&] { nfe_.ConsultarRecibo("35100000000000ã"); }),
            (Refusal{"EvxnNFeCheckParams", "Número do Recibo não pode conter acentos: 35100000000000ã"}));

  EXPECT_TRUE(sim_.ReceivedMessages().empty());
  EXPECT_TRUE(test::FileNames(LogDir()).empty());
  EXPECT_TRUE(test::FileNames(DestDir()).empty());

  // A well-formed receipt the server does not know is an answer, not a failure, and no hook runs.
  const std::string unknown = nfe_.ConsultarRecibo("351000000000999");
  EXPECT_EQ(Tag(unknown, "cStat"), "106") << unknown;
  EXPECT_TRUE(nfe_.calls.empty());
}

TEST_F(EnviarNFTest, TheRequestOfALotHoldsItsDocumentsOnOneLine) {
  const std::string a = Signed(141);
  const std::string b = Signed(142);
  const std::string pedido = nfe_.ValidarLoteParaEnvio("000000000000042", a + "\r\n" + b + "\n");
  EXPECT_EQ(pedido, R"(<enviNFe xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00">)"
                    "<idLote>000000000000042</idLote><indSinc>0</indSinc>" +
                        a + b + "</enviNFe>");
  EXPECT_EQ(test::XmlSchemaErrors(pedido, test::FindSchema("enviNFe_v4.00.xsd")), "");
  // Checking a lot sends and logs nothing.
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
  EXPECT_TRUE(test::FileNames(LogDir()).empty());
}

TEST_F(EnviarNFTest, FailuresOfTheCallCarryThePrefixAfterTheRequestWasLogged) {
  const std::string lote = Signed(112);
  sim_.Stop();
  const Refusal enviar = RefusalOf([&] { nfe_.EnviarNF("5", lote, false); });
  EXPECT_TRUE(enviar.message.starts_with("Erro ao enviar NF-e: ")) << enviar;
  const Refusal sincrono = RefusalOf([&] { nfe_.EnviarNFSincrono("5", lote, false); });
  EXPECT_TRUE(sincrono.message.starts_with("Erro ao enviar NF-e (síncrono): ")) << sincrono;
  const Refusal recibo = RefusalOf([&] { nfe_.ConsultarRecibo("351000000000999"); });
  EXPECT_TRUE(recibo.message.starts_with("Erro ao consultar recibo: ")) << recibo;
  for (const Refusal& r : {enviar, sincrono, recibo})
    EXPECT_EQ(r.className, "EvxnNFeException") << r;
  // Each request was logged before its call failed, with a note that it never reached the server; no
  // reply was logged.
  const std::string chave = lote.substr(lote.find("Id=\"NFe") + 7, 44);
  EXPECT_EQ(test::FileNames(LogDir()),
            (std::set<std::string>{"5-env-lot.xml", "5-env-lot-nao-entregue.txt", chave + "-env-sinc-lot.xml",
                                   chave + "-env-sinc-lot-nao-entregue.txt", "351000000000999-ped-rec.xml",
                                   "351000000000999-ped-rec-nao-entregue.txt"}));
  EXPECT_TRUE(test::ReadFileOrEmpty(LogDir() + "5-env-lot-nao-entregue.txt")
                  .starts_with("Requisição não entregue a https://127.0.0.1:"));
  // The key's index file names the request of the last send; no receipt's was written, and no hook ran.
  EXPECT_EQ(test::FileNames(DestDir()), (std::set<std::string>{chave}));
  EXPECT_EQ(test::ReadFileOrEmpty(DestDir() + chave), "env-lot=" + chave + "-env-sinc-lot.xml");
  EXPECT_TRUE(nfe_.calls.empty());
}

// A servers file gone after configuration fails the call of both sends with their prefixes, as any
// other failure of the call.
TEST_F(EnviarNFTest, AConfigurationErrorOfTheCallCarriesThePrefix) {
  const std::string lote = Signed(114);
  const std::string sumiu = dir_.Path() + "sumiu.ini";
  nfe_.SetArquivoServidoresHom(sumiu);
  const std::string motivo = "Arquivo \"" + sumiu + "\" de servidores de homologação não encontrado";
  EXPECT_EQ(RefusalOf([&] { nfe_.EnviarNF("6", lote, false); }),
            (Refusal{"EvxnNFeException", "Erro ao enviar NF-e: " + motivo}));
  EXPECT_EQ(RefusalOf([&] { nfe_.EnviarNFSincrono("6", lote, false); }),
            (Refusal{"EvxnNFeException", "Erro ao enviar NF-e (síncrono): " + motivo}));
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
}

TEST_F(EnviarNFTest, TelemetryHearsEachCallItsResultAndFailures) {
  std::vector<TvxnTelemetriaEvento> events;
  nfe_.GetTelemetria().SetSink([&events](const TvxnTelemetriaEvento& e) { events.push_back(e); });
  const std::string lote = Signed(113);
  events.clear();
  nfe_.EnviarNF("1", lote, false);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].Tipo, TvxnTelemetriaTipo::Ping);
  EXPECT_EQ(events[0].Operacao, "EnviarNF");
  EXPECT_EQ(events[1].Operacao, "ValidarLoteParaEnvio");
  EXPECT_EQ(events[2].Tipo, TvxnTelemetriaTipo::Tempo);
  EXPECT_EQ(events[2].Detalhe, "SEFAZ");
  EXPECT_EQ(events[3].Tipo, TvxnTelemetriaTipo::Resultado);
  EXPECT_EQ(events[3].Codigo, "103");

  events.clear();
  EXPECT_THROW(nfe_.EnviarNF("1", "", false), EvxnNFeCheckParams);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].Tipo, TvxnTelemetriaTipo::Excecao);
  EXPECT_EQ(events[1].Operacao, "EnviarNF");
  EXPECT_EQ(events[1].Classe, "EvxnNFeCheckParams");
  EXPECT_EQ(events[1].Mensagem, "Favor preencher o parâmetro aLoteNotas");

  events.clear();
  EXPECT_THROW(nfe_.ConsultarRecibo("1"), EvxnNFeCheckParams);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].Operacao, "ConsultarRecibo");
  EXPECT_EQ(events[1].Tipo, TvxnTelemetriaTipo::Excecao);

  events.clear();
  nfe_.SetVersaoManual(vm50);
  EXPECT_THROW(nfe_.EnviarNFSincrono("1", lote, false), EvxnNFeException);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].Operacao, "EnviarNFSincrono");
  EXPECT_EQ(events[1].Classe, "EvxnNFeException");
}

} // namespace
} // namespace vxn
