// The documents of examples/ go the whole way a host takes them: converted by the component, signed,
// sent in a synchronous lot to the local tax-authority server (configured only from the files it
// writes) and authorised with status 100.
#include "ConverterTestUtil.h"
#include "sefaz-sim/SefazSim.h"
#include "vxnNFe.h"

#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::Conteudo;

class ExemplosAutorizadosTest : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    const sim::TSefazSimConfigFiles files = sim_.WriteConfig(dir_.Path() + "sim");
    nfe_.LoadConfig(files.ConfigFile);
    nfe_.SetDiretorioXmlDestinatario(dir_.Path() + "sim/XmlDestinatario");
    nfe_.SetDiretorioLogErro(dir_.Path() + "sim/LogErro");
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  // The infProt of the server's reply to the document of that example file.
  std::string Autoriza(const std::string& arquivo, TLayoutConvKind tipo) {
    const std::string xml =
        nfe_.ConverterLoteParaXml(std::string(QVX_SOURCE_DIR) + "/examples/" + arquivo, tipo, pl_009g, false);
    const std::string assinada = nfe_.AssinarNota(xml);
    return Conteudo(nfe_.EnviarNFSincrono("1", assinada, false), "infProt");
  }

  test::TempDir dir_;
  sim::TSefazSim sim_;
  TvxnNFe nfe_;
};

TEST_F(ExemplosAutorizadosTest, BothExamplesAreAuthorised) {
  const std::string comandos = Autoriza("venda-sp-mg-comandos.txt", lkTXTDataSet);
  EXPECT_EQ(Conteudo(comandos, "cStat"), "100") << comandos;
  EXPECT_EQ(Conteudo(comandos, "chNFe"), "35261211222333000181550010000010011730155823");
  const std::string pipe = Autoriza("venda-sp-mg-pipe.txt", lkTXTDic);
  EXPECT_EQ(Conteudo(pipe, "cStat"), "100") << pipe;
  EXPECT_EQ(Conteudo(pipe, "chNFe"), "35261211222333000181550010000010021482139065");
  EXPECT_EQ(Conteudo(pipe, "nProt").size(), 15u);
}

} // namespace
} // namespace vxn
