#include "xml/vxnNFeTemplateFiles.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "xml/vxnNFeTemplates.h"

#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::TempDir;

class TemplateFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    // Templates/vm50/SP/pedido_status.xml, as an installation of the older layouts has it.
    folder_ = dir_.Path() + "Templates/vm50/";
    WriteFileAtomic(folder_ + "SP/pedido_status.xml",
                    "<consStatServ versao=\"2.00\"><tpAmb>%s</tpAmb><cUF>%s</cUF><xServ>STATUS</xServ>"
                    "<xObs>Situação do serviço</xObs></consStatServ>");
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  TempDir dir_;
  std::string folder_;
  TvxnGovUtils utils_;
};

TEST_F(TemplateFilesTest, TemplateFolderIsTheStateFolderOfTheLayoutDirectory) {
  EXPECT_EQ(GetTemplateFolder("/opt/nfe/Templates/vm50/", "SP"), "/opt/nfe/Templates/vm50/SP/");
  EXPECT_EQ(GetTemplateFolder("C:\\nfe\\Templates\\vm50", "RS"), "C:/nfe/Templates/vm50/RS/");
}

TEST_F(TemplateFilesTest, CurrentLayoutsComeFromTheProgramWhateverTheFolderHolds) {
  for (TVersaoManual v : {vm50a, vm60}) {
    const std::string expected = TvxnNFeTemplates::LoadTemplate(v, "SP", "pedido_status.xml");
    EXPECT_EQ(LoadTemplateComponente(v, "SP", folder_ + "SP/", "pedido_status.xml", utils_, ""), expected);
    EXPECT_EQ(LoadTemplateInterface(v, "SP", folder_, "pedido_status.xml", utils_, ""), expected);
    EXPECT_EQ(LoadTemplateEventos(v, "SP", folder_ + "SP/", "pedido_status.xml", utils_), expected);
  }
  // The contingency names exist only as files of the older layouts.
  EXPECT_EQ(LoadTemplateComponente(vm60, "SP", "/nowhere/", "assinar_dpec.xml", utils_, ""), "");
}

TEST_F(TemplateFilesTest, OlderLayoutsReadTheStateFile) {
  const std::string component =
      LoadTemplateComponente(vm50, "SP", folder_ + "SP/", "pedido_status.xml", utils_, "");
  EXPECT_NE(component.find("Situação do serviço"), std::string::npos); // used as read
  const std::string service = LoadTemplateInterface(vm50, "SP", folder_, "pedido_status.xml", utils_, "");
  EXPECT_NE(service.find("<xObs>Situacao do servico</xObs>"), std::string::npos)
      << service; // accents removed
  EXPECT_EQ(service.find("ç"), std::string::npos);
  const std::string events = LoadTemplateEventos(vm40, "SP", folder_ + "SP/", "pedido_status.xml", utils_);
  EXPECT_EQ(events, service);
  // The events component also takes a full path as the name.
  EXPECT_EQ(LoadTemplateEventos(vm30, "RS", "/nowhere/", folder_ + "SP/pedido_status.xml", utils_), service);
}

TEST_F(TemplateFilesTest, MissingFileNamesThePathAndWritesTheErrorLog) {
  TempDir logDir;
  EXPECT_EQ(RefusalOf([&] {
              LoadTemplateComponente(vm50, "RJ", folder_ + "RJ/", "pedido_status.xml", utils_, logDir.Path());
            }),
            (Refusal{"EvxnTemplateNotFoundException",
                     "Arquivo de template não encontrado: " + folder_ + "RJ/pedido_status.xml"}));
  EXPECT_NE(test::ReadFileOrEmpty(logDir.File("nfe_exception.log")).find("EvxnTemplateNotFoundException"),
            std::string::npos);
  EXPECT_EQ(RefusalOf([&] {
              LoadTemplateInterface(vm202a, "RJ", folder_, "pedido_status.soap", utils_, logDir.Path());
            }),
            (Refusal{"EvxnTemplateNotFoundException",
                     "Arquivo de template não encontrado: " + folder_ + "RJ/pedido_status.soap"}));
  EXPECT_THROW(LoadTemplateEventos(vm50, "RJ", folder_ + "RJ/", "envio.soap", utils_),
               EvxnTemplateNotFoundException);
}

TEST_F(TemplateFilesTest, VersaoNotaReadsTheLotTemplate) {
  EXPECT_EQ(GetVersaoNota(TvxnNFeTemplates::LoadTemplate(vm60, "SP", "pedido_enviarnota.xml"), ""), "4.00");
  EXPECT_EQ(GetVersaoNota(TvxnNFeTemplates::LoadTemplate(vm50a, "SP", "pedido_enviarnota.xml"), ""), "3.10");
  EXPECT_EQ(GetVersaoNota(TvxnNFeTemplates::LoadTemplate(vm60, "AN", "pedido_enviarnota.xml"), ""), "4.00");
  EXPECT_EQ(GetVersaoNota(R"(<enviNFe versao="2.00"><x versao="9"/>)", ""), "2.00"); // the first one counts
  EXPECT_EQ(GetVersaoNota(R"(<enviNFe versao="2.00)", ""), "");
  EXPECT_EQ(RefusalOf([&] { GetVersaoNota("<enviNFe versao='2.00'/>", ""); }),
            (Refusal{"EvxnNFeException",
                     "Não foi encontrado o atributo \"versao\" no template: pedido_enviarnota.xml"}));
}

} // namespace
} // namespace vxn
