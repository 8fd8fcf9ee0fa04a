// Schema validation by command or by the document's own schemaLocation, and the component's log
// records with and without files on disk.
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::TempDir;

const std::string kStatus =
    "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>2</tpAmb>"
    "<cUF>35</cUF><xServ>STATUS</xServ></consStatServ>";

std::string ComSchemaLocation(const std::string& xml) {
  std::string out = xml;
  out.insert(out.find(" versao="),
             " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
             "xsi:schemaLocation=\"http://www.portalfiscal.inf.br/nfe consStatServ_v4.00.xsd\"");
  return out;
}

class NFeValidacaoLogTest : public test::ProgramHomeTest {
protected:
  void SetUp() override {
    nfe.SetDiretorioLogErro(home.File("LogErro"));
    // A schema folder of its own: the status schemas and a Mapping.txt that points STATUS nowhere.
    const std::string origem = std::string(QVX_SCHEMAS_DIR) + "/vm60/";
    for (const char* f : {"consStatServ_v4.00.xsd", "leiauteConsStatServ_v4.00.xsd", "tiposBasico_v4.00.xsd",
                          "xmldsig-core-schema_v1.01.xsd"})
      if (FileExists(origem + f))
        WriteFileAtomic(home.File("Esquemas/vm60/") + f, ReadWholeFile(origem + f));
    WriteFileAtomic(home.File("Esquemas/vm60/Mapping.txt"),
                    "[ValidarXML]\r\nSTATUS=nao-existe.xsd\r\nENVIO=\r\n");
    nfe.SetDiretorioEsquemas(home.File("Esquemas/"));
  }
  TvxnNFe nfe;
};

TEST_F(NFeValidacaoLogTest, ATextWithSchemaLocationNeverReadsMappingTxt) {
  // Mapping.txt sends STATUS to a missing file: only the document's own schema can make this pass.
  EXPECT_NO_THROW(nfe.ValidarXMLNFe(ComSchemaLocation(kStatus), "STATUS"));
  DeleteFileIfExists(home.File("Esquemas/vm60/Mapping.txt"));
  EXPECT_NO_THROW(nfe.ValidarXMLNFe(ComSchemaLocation(kStatus), "COMANDO-QUALQUER"));
  // Without schemaLocation the mapping is needed, and now it is missing.
  EXPECT_EQ(
      RefusalOf([&] { nfe.ValidarXMLNFe(kStatus, "STATUS"); }),
      (Refusal{"EvxnFileNotFoundException", "Arquivo " + home.File("Esquemas/vm60/Mapping.txt") +
                                                " utilizado na validação de esquema, não foi encontrado"}));
}

TEST_F(NFeValidacaoLogTest, MappedCommandsAndTheirFailures) {
  WriteFileAtomic(home.File("Esquemas/vm60/Mapping.txt"),
                  "[ValidarXML]\r\nSTATUS=consStatServ_v4.00.xsd\r\n");
  EXPECT_EQ(nfe.GetXSDFileName("STATUS"), home.File("Esquemas/vm60/consStatServ_v4.00.xsd"));
  EXPECT_NO_THROW(nfe.ValidarXMLNFe(kStatus, "STATUS"));
  EXPECT_EQ(RefusalOf([&] { nfe.GetXSDFileName("ENVIO"); }),
            (Refusal{"EvxnCheckParams", "Não foi encontrado mapeamento de XSD para o comando ENVIO "}));
  // An invalid request: the validator's errors land in ErrosValidador.
  nfe.GetErrosValidador().Clear();
  std::string invalido = kStatus;
  invalido.replace(invalido.find("<cUF>35</cUF>"), 13, "<cUF>XX</cUF>");
  const Refusal r = RefusalOf([&] { nfe.ValidarXMLNFe(invalido, "STATUS"); });
  EXPECT_EQ(r.className, "EvxnSchemaValidationException");
  EXPECT_NE(r.message.find("cUF"), std::string::npos) << r;
  ASSERT_GE(nfe.GetErrosValidador().Count(), 1u);
  EXPECT_NE(nfe.GetErrosValidador().Text().find("cUF"), std::string::npos);
}

TEST_F(NFeValidacaoLogTest, WithoutLogsOnDiskNothingIsWrittenButTheContentIsStillHandedOver) {
  std::vector<std::string> arquivos, conteudos;
  nfe.SetOnLog([&](const std::string&, const std::string&, const std::string& a) { arquivos.push_back(a); });
  nfe.SetOnLogContent(
      [&](const std::string& nome, const std::string& id, const std::string& a, const std::string& c) {
        conteudos.push_back(nome + "|" + id + "|" + a + "|" + c);
      });
  nfe.SetDiretorioLog(home.File("Log/"));
  nfe.SetSalvarLogsEmDisco(false);
  nfe.Log("<retConsStatServ/>", "sta", "123", "");
  EXPECT_FALSE(DirectoryExists(home.File("Log/")) && FileExists(home.File("Log/123-sta.xml")));
  EXPECT_TRUE(arquivos.empty());
  ASSERT_EQ(conteudos.size(), 1u);
  EXPECT_EQ(conteudos[0], "sta|123|123-sta.xml|<retConsStatServ/>");

  nfe.SetSalvarLogsEmDisco(true);
  nfe.Log("<retConsStatServ/>", "sta", "124", "");
  ASSERT_EQ(arquivos.size(), 1u);
  EXPECT_EQ(arquivos[0], home.File("Log/124-sta.xml"));
  EXPECT_EQ(ReadWholeFile(home.File("Log/124-sta.xml")), "<retConsStatServ/>\r\n");
  EXPECT_EQ(conteudos.size(), 2u);
}

} // namespace
} // namespace vxn
