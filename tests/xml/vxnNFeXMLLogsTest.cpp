// Reading logs back: LoadLog's file-or-text rule, the searches of lot, receipt and situation logs, the
// key lists, the DigestValue/digVal comparison and the folder walk.
#include "xml/vxnNFeXMLLogs.h"
#include "support/NFeLoteFixture.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::TempDir;

constexpr const char* kNS = "http://www.portalfiscal.inf.br/nfe";

std::string ProtNFe(const std::string& chave, const std::string& cStat, const std::string& digVal = "abc=") {
  return "<protNFe versao=\"4.00\"><infProt Id=\"ID" + chave.substr(0, 15) + "\"><tpAmb>2</tpAmb>" +
         "<verAplic>SP_NFE_PL009_V4</verAplic><chNFe>" + chave +
         "</chNFe><dhRecbto>2026-12-05T10:00:00-03:00" + "</dhRecbto><nProt>135260000000001</nProt><digVal>" +
         digVal + "</digVal><cStat>" + cStat +
         "</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>";
}

const std::string kChave1 = "35261211222333000181550010000000011000079200";
const std::string kChave2 = "35261211222333000181550010000000021000158390";
const std::string kChave3 = "35261211222333000181550010000000031000237580";

std::string LogRecibo() {
  return "\xEF\xBB\xBF<retConsReciNFe xmlns=\"" + std::string(kNS) +
         "\" versao=\"4.00\"><tpAmb>2</tpAmb><cStat>104</cStat><xMotivo>Lote processado</xMotivo>" +
         ProtNFe(kChave1, "100") + ProtNFe(kChave2, "539") + ProtNFe(kChave3, "100") + "</retConsReciNFe>";
}

TEST(NFeXMLLogsTest, LoadLogTakesAFileOfTheFolderOrTheTextItself) {
  TempDir dir;
  WriteFileAtomic(dir.File("1234-pro-rec.xml"), "\xEF\xBB\xBF<a>arquivo</a>");
  // A relative name: the file-name part looked up in the folder.
  EXPECT_EQ(TvxnNFeXMLLogs::LoadLog("outra/pasta/1234-pro-rec.xml", dir.Path()), "<a>arquivo</a>");
  // XML text instead of a name: returned as it is, without its byte-order mark.
  EXPECT_EQ(TvxnNFeXMLLogs::LoadLog("\xEF\xBB\xBF<retConsSitNFe/>", dir.Path()), "<retConsSitNFe/>");
  EXPECT_EQ(TvxnNFeXMLLogs::LoadLog("9999-pro-rec.xml", dir.Path()), "9999-pro-rec.xml");
  // An absolute path must exist.
  EXPECT_EQ(TvxnNFeXMLLogs::LoadLog(dir.File("1234-pro-rec.xml"), ""), "<a>arquivo</a>");
  EXPECT_EQ(RefusalOf([&] { TvxnNFeXMLLogs::LoadLog(dir.File("nao-existe.xml"), dir.Path()); }),
            (Refusal{"EvxnNFeLogNotFoundException",
                     "Arquivo de Log " + dir.File("nao-existe.xml") + " não existe."}));
}

TEST(NFeXMLLogsTest, ListaChavesLogReciboKeepsDocumentOrderAndFiltersByCStat) {
  TempDir dir;
  WriteFileAtomic(dir.File("9001-pro-rec.xml"), LogRecibo());
  TvxnStringList lista;
  lista.Add("anterior");
  TvxnNFeXMLLogs::ListaChavesLogRecibo("9001-pro-rec.xml", 100, &lista, dir.Path());
  ASSERT_EQ(lista.Count(), 3u);
  EXPECT_EQ(lista[0], "anterior"); // appended, not replaced
  EXPECT_EQ(lista[1], kChave1);
  EXPECT_EQ(lista[2], kChave3);
  TvxnStringList rejeitadas;
  TvxnNFeXMLLogs::ListaChavesLogRecibo(LogRecibo(), 539, &rejeitadas, "");
  ASSERT_EQ(rejeitadas.Count(), 1u);
  EXPECT_EQ(rejeitadas[0], kChave2);
  EXPECT_EQ(RefusalOf([&] { TvxnNFeXMLLogs::ListaChavesLogRecibo(LogRecibo(), 0, &lista, ""); }),
            (Refusal{"EvxnNFeCheckParams", "O cStat deve ser informado."}));
  EXPECT_EQ(RefusalOf([&] { TvxnNFeXMLLogs::ListaChavesLogRecibo(LogRecibo(), 100, nullptr, ""); }),
            (Refusal{"EvxnNFeCheckParams", "Lista não foi instanciada."}));
  // Several statuses: status by status, each in document order; a bad status refuses before any key.
  TvxnStringList varias;
  TvxnNFeXMLLogs::ListaChavesLogRecibo(LogRecibo(), {539, 100}, &varias, "");
  EXPECT_EQ(varias.Join(","), kChave2 + "," + kChave1 + "," + kChave3);
  TvxnStringList nenhuma;
  EXPECT_EQ(RefusalOf([&] {
              TvxnNFeXMLLogs::ListaChavesLogRecibo(LogRecibo(), {100, 0}, &nenhuma, "");
            }),
            (Refusal{"EvxnNFeCheckParams", "O cStat deve ser informado."}));
  EXPECT_EQ(nenhuma.Count(), 0u);
}

TEST(NFeXMLLogsTest, ProtocolSearchesOfReceiptAndSituationLogs) {
  const std::string prot = TvxnNFeXMLLogs::AchaInfProtLogConsRec(kChave2, LogRecibo(), "");
  EXPECT_NE(prot.find("<chNFe>" + kChave2 + "</chNFe>"), std::string::npos);
  EXPECT_NE(prot.find("<cStat>539</cStat>"), std::string::npos);
  EXPECT_EQ(prot.rfind("<infProt", 0), 0u);
  EXPECT_EQ(
      TvxnNFeXMLLogs::AchaInfProtLogConsRec("35000000000000000000000000000000000000000000", LogRecibo(), ""),
      "");
  EXPECT_THROW(TvxnNFeXMLLogs::AchaInfProtLogConsRec("NFe" + kChave1, LogRecibo(), ""),
               EvxnChaveNFeException);

  // The situation log has one protocol: the first is returned whatever the key.
  const std::string sit = "<retConsSitNFe xmlns=\"" + std::string(kNS) +
                          "\" versao=\"4.00\"><cStat>100</cStat>" + ProtNFe(kChave3, "100") +
                          "</retConsSitNFe>";
  EXPECT_NE(TvxnNFeXMLLogs::AchaInfProtLogConsNF(kChave1, sit, "").find(kChave3), std::string::npos);
  EXPECT_EQ(TvxnNFeXMLLogs::AchaInfProtLogConsNF(kChave1, "<retConsSitNFe/>", ""), "");
  try {
    TvxnNFeXMLLogs::AchaInfProtLogConsNF("N1", sit, "");
    FAIL();
  } catch (const EvxnException&) {
    FAIL() << "a plain runtime error is expected";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "A Chave deve ser composta apenas por Números");
  }
}

TEST(NFeXMLLogsTest, SignedDocumentsAndKeysOfALotLog) {
  const std::string lote = test::LoteNaoAssinado(3);
  const std::string chave2 = test::ChaveDaNota(2);
  const std::string nota = TvxnNFeXMLLogs::AchaNFeAssinadaLogEnvio(chave2, lote, "");
  EXPECT_EQ(nota.rfind("<NFe", 0), 0u);
  EXPECT_NE(nota.find("NFe" + chave2), std::string::npos);
  EXPECT_EQ(nota.find(test::ChaveDaNota(1)), std::string::npos);
  EXPECT_EQ(TvxnNFeXMLLogs::AchaNFeAssinadaLogEnvio("35999999999999999999999999999999999999999999", lote, ""),
            "");
  EXPECT_EQ(RefusalOf([&] { TvxnNFeXMLLogs::AchaNFeAssinadaLogEnvio(chave2, "", ""); }),
            (Refusal{"EvxnNFeCheckParams", "Arquivo de Log Vazio"}));
  EXPECT_EQ(RefusalOf([&] { TvxnNFeXMLLogs::AchaNFeAssinadaLogEnvio(chave2, "<enviNFe/>", ""); }),
            (Refusal{"EvxnNFeCheckParams", "Arquivo Log não contém Chave de NFe ou é inválido."}));
  EXPECT_THROW(TvxnNFeXMLLogs::AchaNFeAssinadaLogEnvio("NFe", lote, ""), std::runtime_error);

  TvxnStringList chaves;
  TvxnNFeXMLLogs::ListaChavesLogEnv(lote, &chaves, "");
  ASSERT_EQ(chaves.Count(), 3u);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(chaves[static_cast<std::size_t>(i)], test::ChaveDaNota(i + 1));
  EXPECT_THROW(TvxnNFeXMLLogs::ListaChavesLogEnv(lote, nullptr, ""), EvxnNFeCheckParams);
}

TEST(NFeXMLLogsTest, DigestValueOfTheDocumentAgainstDigValOfTheProtocol) {
  const std::string nota = "<NFe><Signature><DigestValue>k7Yz+Q==</DigestValue></Signature></NFe>";
  EXPECT_TRUE(CompareDigValLogsNFe(nota, ProtNFe(kChave1, "100", "k7Yz+Q==")));
  EXPECT_FALSE(CompareDigValLogsNFe(nota, ProtNFe(kChave1, "100", "k7Yz+R==")));
}

TEST(NFeXMLLogsTest, PercorrerArquivosListsFilesBeforeDescendingDepthFirst) {
  TempDir dir;
  for (const char* f :
       {"b-rec.xml", "a-rec.xml", "c-sit.xml", "sub1/d-rec.xml", "sub1/fundo/e-rec.xml", "sub2/f-rec.xml"})
    WriteFileAtomic(dir.File(f), "<x/>");
  ForceDirectories(dir.File("pasta-rec.xml")); // a folder that matches the mask is not a file
  TvxnStringList lista;
  PercorrerArquivos(dir.Path(), "*-rec.xml", true, lista);
  const std::vector<std::string> esperado{dir.File("a-rec.xml"), dir.File("b-rec.xml"),
                                          dir.File("sub1/d-rec.xml"), dir.File("sub1/fundo/e-rec.xml"),
                                          dir.File("sub2/f-rec.xml")};
  EXPECT_EQ(lista.Lines(), esperado);
  TvxnStringList raso;
  // A folder given without its trailing slash gets one.
  PercorrerArquivos(dir.Path().substr(0, dir.Path().size() - 1), "*.xml", false, raso);
  const std::vector<std::string> raiz{dir.File("a-rec.xml"), dir.File("b-rec.xml"), dir.File("c-sit.xml")};
  EXPECT_EQ(raso.Lines(), raiz);
}

} // namespace
} // namespace vxn
