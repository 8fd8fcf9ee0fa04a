// The component's log operations for the host: listing by filter, reading, the index files of a lot and
// the obsolete DANFE viewer.
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::TempDir;

class NFeLogsTest : public test::ProgramHomeTest {
protected:
  void SetUp() override {
    nfe.SetDiretorioLog(home.File("Log/"));
    nfe.SetDiretorioXmlDestinatario(home.File("XmlDestinatario/"));
  }
  void CriarLogs(std::initializer_list<const char*> nomes) {
    for (const char* nome : nomes)
      WriteFileAtomic(home.File("Log/") + nome, "<x/>");
  }
  std::vector<std::string> Listar(TLogFilter filtro, std::string_view texto) {
    TvxnStringList lista;
    lista.Add("antes");
    nfe.ListarLogs(&lista, filtro, texto);
    return lista.Lines();
  }

  TvxnNFe nfe;
};

TEST_F(NFeLogsTest, ListarLogsByFilterAndText) {
  CriarLogs({"3524001-sit.xml", "3524001-ped-sit.xml", "3599001-sit.xml", "111-caneve.xml", "222-caneve.xml",
             "222-caneve.xml.bak", "1234-rec.xml", "1234-pro-rec.xml", "1234-ped-rec.xml"});
  const std::string log = home.File("Log/");
  // lfSit with a text: *3524*-sit.xml (which a request log ending in -ped-sit.xml matches as well).
  EXPECT_EQ(Listar(TLogFilter::lfSit, "3524"),
            (std::vector<std::string>{log + "3524001-ped-sit.xml", log + "3524001-sit.xml"}));
  // A blank text does not narrow the filter.
  EXPECT_EQ(Listar(TLogFilter::lfSit, "  ").size(), 3u);
  EXPECT_EQ(Listar(TLogFilter::lfPedSit, ""), (std::vector<std::string>{log + "3524001-ped-sit.xml"}));
  // lfCustom: the text is the pattern.
  EXPECT_EQ(Listar(TLogFilter::lfCustom, "*-caneve.xml"),
            (std::vector<std::string>{log + "111-caneve.xml", log + "222-caneve.xml"}));
  EXPECT_EQ(Listar(TLogFilter::lfRec, "1234").size(), 3u); // *1234*-rec.xml
  EXPECT_TRUE(Listar(TLogFilter::lfRec, "9999").empty());
  EXPECT_EQ(Listar(TLogFilter::lfProRec, ""), (std::vector<std::string>{log + "1234-pro-rec.xml"}));
  EXPECT_EQ(Listar(TLogFilter::lfXml, "").size(), 8u);
  EXPECT_TRUE(Listar(TLogFilter::lfEnvLot, "").empty());
}

TEST_F(NFeLogsTest, ListarLogsRefusesAMissingListAndAnUncreatableFolder) {
  EXPECT_EQ(RefusalOf([&] { nfe.ListarLogs(nullptr, TLogFilter::lfXml, ""); }),
            (Refusal{"EvxnNFeCheckParams", "Parâmetro aList não foi instanciado (nil)."}));
  WriteFileAtomic(home.File("arquivo"), "x");
  nfe.SetDiretorioLog(home.File("arquivo/Log/"));
  TvxnStringList lista;
  EXPECT_EQ(RefusalOf([&] { nfe.ListarLogs(&lista, TLogFilter::lfXml, ""); }),
            (Refusal{"EvxnNFeLogException",
                     "Diretório de log não pode ser criado ou está vazio: " + home.File("arquivo/Log/")}));
}

TEST_F(NFeLogsTest, LerLogReadsTheFileOrNamesTheMissingOne) {
  WriteFileAtomic(home.File("Log/1-sta.xml"), "\xEF\xBB\xBF<retConsStatServ/>\r\n");
  EXPECT_EQ(nfe.LerLog(home.File("Log/1-sta.xml")), "<retConsStatServ/>\r\n");
  EXPECT_EQ(
      RefusalOf([&] { nfe.LerLog(home.File("Log/2-sta.xml")); }),
      (Refusal{"EvxnNFeCheckParams", "Arquivo de log " + home.File("Log/2-sta.xml") + " não encontrado."}));
}

TEST_F(NFeLogsTest, VisualizarDanfeLogIsObsolete) {
  EXPECT_EQ(RefusalOf([&] { nfe.VisualizarDanfeLog("qualquer.xml"); }),
            (Refusal{"EvxnNFeDeprecatedException", "O método VisualizarDanfeLog está obsoleto."}));
}

} // namespace
} // namespace vxn
