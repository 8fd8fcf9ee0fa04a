// The distribution XML produced by the component itself after EnviarNF + ConsultarRecibo and after
// EnviarNFSincrono against the local server: the documents it signed, its own logs and index files.
#include "DistribuicaoFixture.h"
#include "datasets/vxnNFeDataSets.h"
#include "support/NFeDocumentFiller.h"
#include "support/RefusalOf.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace vxn::test {
namespace {

using test::RefusalOf;

class DestinatarioComponenteTest : public DistribuicaoTest {
protected:
  // Document nNF as the input dataset generates it, signed by the component.
  std::string Assinada(int nNF) {
    TvxnNFeDataSets ds;
    ds.SetXMLDicionario(ShippedDictionary());
    FillDocument(ds, nNF, 2);
    ds.Salvar();
    return nfe_->AssinarNota(ds.GetLoteNFe()[0]);
  }

  void EsperarNfeProc(const std::string& chave, const std::string& nota) {
    const std::string xml = ReadFileOrEmpty(NaPasta(chave + "-nfe.xml"));
    EXPECT_EQ(XmlSchemaErrors(xml, FindSchema("procNFe_v4.00.xsd")), "") << xml;
    EXPECT_EQ(Tag(xml, "digVal"), Tag(nota, "DigestValue"));
    EXPECT_EQ(XmlSec1VerifyErrors(xml, CaFile()), "");
    TvxnStringList mensagens;
    EXPECT_TRUE(nfe_->ValidarArquivoXmlDestinatario(xml, &mensagens)) << mensagens.Text();
  }
};

TEST_F(DestinatarioComponenteTest, ConsultarReciboOfAProcessedLotWritesEveryAuthorisedDocument) {
  sim_.SetQueriesInProcessing(1);
  const std::string n1 = Assinada(8101);
  const std::string n2 = Assinada(8102);
  const std::string enviado = nfe_->EnviarNF("8100", n1 + n2, false);
  const std::string nRec = Tag(enviado, "nRec");
  ASSERT_EQ(nRec.size(), 15u) << enviado;

  // In processing: the index files stay, nothing is written.
  ASSERT_EQ(Tag(nfe_->ConsultarRecibo(nRec), "cStat"), "105");
  EXPECT_EQ(FileNames(Pasta()), (std::set<std::string>{nRec, ChaveDe(n1), ChaveDe(n2)}));
  sim_.SetQueriesInProcessing(0);

  const std::string processado = nfe_->ConsultarRecibo(nRec);
  ASSERT_EQ(Tag(processado, "cStat"), "104") << processado;
  EXPECT_EQ(FileNames(Pasta()), (std::set<std::string>{ChaveDe(n1) + "-nfe.xml", ChaveDe(n2) + "-nfe.xml"}));
  EsperarNfeProc(ChaveDe(n1), n1);
  EsperarNfeProc(ChaveDe(n2), n2);
  EXPECT_EQ(escritos_,
            (std::vector<std::string>{NaPasta(ChaveDe(n1) + "-nfe.xml"), NaPasta(ChaveDe(n2) + "-nfe.xml")}));
}

// The second file of a processed lot cannot be written (its name is taken by a folder): the first is
// written whole, the query fails naming the file, and the index files of what is left stay; once the
// obstacle is gone, the next query writes the rest and clears every index.
TEST_F(DestinatarioComponenteTest, ALotWhoseFilesFailPartWayLosesNothing) {
  const std::string n1 = Assinada(8601), n2 = Assinada(8602), n3 = Assinada(8603);
  const std::string nRec = Tag(nfe_->EnviarNF("8600", n1 + n2 + n3, false), "nRec");
  ASSERT_EQ(nRec.size(), 15u);
  const std::string bloqueado = NaPasta(ChaveDe(n2) + "-nfe.xml");
  std::filesystem::create_directories(bloqueado + "/x");

  const Refusal falha = RefusalOf([&] { nfe_->ConsultarRecibo(nRec); });
  EXPECT_EQ(falha.className, "EvxnException");
  EXPECT_EQ(falha.message.rfind("Não foi possível gravar o arquivo " + bloqueado + ": ", 0), 0u) << falha;
  EXPECT_EQ(FileNames(Pasta()), (std::set<std::string>{ChaveDe(n1) + "-nfe.xml", ChaveDe(n2) + "-nfe.xml",
                                                       nRec, ChaveDe(n2), ChaveDe(n3)}));
  EsperarNfeProc(ChaveDe(n1), n1);
  EXPECT_EQ(escritos_, std::vector<std::string>{NaPasta(ChaveDe(n1) + "-nfe.xml")});

  std::filesystem::remove_all(bloqueado);
  ASSERT_EQ(Tag(nfe_->ConsultarRecibo(nRec), "cStat"), "104");
  EXPECT_EQ(FileNames(Pasta()), (std::set<std::string>{ChaveDe(n1) + "-nfe.xml", ChaveDe(n2) + "-nfe.xml",
                                                       ChaveDe(n3) + "-nfe.xml"}));
  for (const std::string& n : {n1, n2, n3})
    EsperarNfeProc(ChaveDe(n), n);
}

TEST_F(DestinatarioComponenteTest, EnviarNFSincronoWritesTheDocumentOfItsKeyWithTheProtocolRebuilt) {
  const std::string nota = Assinada(8201);
  const std::string retorno = nfe_->EnviarNFSincrono("8200", nota, false);
  ASSERT_EQ(Tag(Elemento(retorno, "protNFe"), "cStat"), "100") << retorno;
  EXPECT_EQ(FileNames(Pasta()), std::set<std::string>{ChaveDe(nota) + "-nfe.xml"});
  EsperarNfeProc(ChaveDe(nota), nota);
  const std::string xml = ReadFileOrEmpty(NaPasta(ChaveDe(nota) + "-nfe.xml"));
  EXPECT_NE(xml.find("<infProt Id=\"ID" + Tag(retorno, "nProt") + "\"><tpAmb>2</tpAmb>"), std::string::npos)
      << xml;
  EXPECT_EQ(escritos_, std::vector<std::string>{NaPasta(ChaveDe(nota) + "-nfe.xml")});
}

TEST_F(DestinatarioComponenteTest, RejectedSynchronousDocumentKeepsItsIndexAndGetsNoFile) {
  // Sent twice: the second answer is a rejection (duplicate), which is no protocol to distribute.
  const std::string nota = Assinada(8301);
  nfe_->EnviarNFSincrono("8300", nota, false);
  const std::string primeiro = ReadFileOrEmpty(NaPasta(ChaveDe(nota) + "-nfe.xml"));
  ASSERT_FALSE(primeiro.empty());
  const std::string retorno = nfe_->EnviarNFSincrono("8301", nota, false);
  EXPECT_EQ(Tag(Elemento(retorno, "protNFe"), "cStat"), "204") << retorno;
  // The good distribution file of the first send is left as it was.
  EXPECT_EQ(ReadFileOrEmpty(NaPasta(ChaveDe(nota) + "-nfe.xml")), primeiro);
  EXPECT_TRUE(FileExists(NaPasta(ChaveDe(nota))));
}

TEST_F(DestinatarioComponenteTest, ConsultarNFOfAnAuthorisedKeyWritesItsDocument) {
  // The lot is sent for a receipt and processed, but the host asks for the key instead of the receipt.
  nfe_->SetLoteUnicoSincrono(false);
  const std::string nota = Assinada(8501);
  const std::string nRec = Tag(nfe_->EnviarNF("8500", nota, false), "nRec");
  ASSERT_EQ(nRec.size(), 15u);
  const std::string situacao = nfe_->ConsultarNF(ChaveDe(nota));
  ASSERT_EQ(Tag(situacao, "cStat", situacao.find("<protNFe")), "100") << situacao;
  EXPECT_EQ(FileNames(Pasta()), (std::set<std::string>{nRec, ChaveDe(nota) + "-nfe.xml"}));
  EsperarNfeProc(ChaveDe(nota), nota);
}

} // namespace
} // namespace vxn::test
