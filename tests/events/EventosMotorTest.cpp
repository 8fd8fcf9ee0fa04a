// The event engine on its own: which schema each command maps to, the service address by operating
// mode, the lot size limit, and the signing of every infEvento of a batch.
#include "events/vxnNFeEventos.h"
#include "support/DevPki.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"
#include "vxnIniFile.h"
#include "vxnNFe.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

// Every command the events validate with names a schema whose root element is the request's root.
TEST(EventosMotor, MappingNamesASchemaOfTheRequestsRootForEveryEventCommand) {
  const std::pair<const char*, const char*> kComandos[] = {{"ENVIOCCE", "envEvento"},
                                                           {"ENVIOCANCEVENTO", "envEvento"},
                                                           {"ENVIOCANCSUBST", "envEvento"},
                                                           {"ENVIOMANDEST", "envEvento"},
                                                           {"ENVIOATORINTERESSADO", "envEvento"},
                                                           {"ENVIOCOMPROVANTEENTREGA", "envEvento"},
                                                           {"CANCELACOMPROVANTEENTREGA", "envEvento"},
                                                           {"ENVIAPEDIDOPRORROGACAO", "envEvento"},
                                                           {"CONSULTADESTINADAS", "consNFeDest"},
                                                           {"DISTRIBUICAODFE", "distDFeInt"},
                                                           {"DOWNLOADNFE", "downloadNFe"}};
  for (const char* layout : {"vm60", "vm50a"}) {
    const std::string pasta = std::string(QVX_SCHEMAS_DIR) + "/" + layout + "/";
    const TvxnIniFile mapping(pasta + "Mapping.txt");
    for (const auto& [comando, raiz] : kComandos) {
      const std::string xsd = mapping.ReadString("ValidarXML", comando, "");
      const std::string texto = ReadWholeFile(pasta + xsd);
      EXPECT_TRUE(std::regex_search(texto, std::regex("<xs:element name=\"" + std::string(raiz) + "\"")))
          << layout << " " << comando << " -> " << xsd;
    }
  }
  EXPECT_FALSE(test::FindSchema("envEPEC_v1.00.xsd").empty());
  EXPECT_NE(test::FindSchema("envEPEC_v1.00.xsd").find("/epec/"), std::string::npos);
}

class EventosMotorTest : public ::testing::Test {
protected:
  void SetUp() override {
    servidores_ = dir_.File("servidores.ini");
    std::ofstream(servidores_)
        << "[SP]\nnfeRecepcaoEvento4=https://sp\nnfeRecepcaoEvento3=https://sp3\n"
           "[AN]\nnfeRecepcaoEvento4=https://an\n[SVCAN]\nnfeRecepcaoEvento4=https://svcan\n"
           "[SVCRS]\nnfeRecepcaoEvento4=https://svcrs\n";
    nfe_.SetCNPJ("11222333000181");
    nfe_.SetUF("SP");
    nfe_.SetArquivoServidoresHom(servidores_);
    nfe_.SetArquivoServidoresProd(servidores_);
    nfe_.SetDiretorioLogErro(dir_.Path() + "LogErro");
    nfe_.SetDiretorioLog(dir_.Path() + "Log");
    nfe_.AtualizaDadosNFeEventos();
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  test::TempDir dir_;
  std::string servidores_;
  TvxnNFe nfe_;
};

TEST_F(EventosMotorTest, TheAddressComesFromTheSectionOfTheOperatingMode) {
  TvxnNFeEventos& e = nfe_.GetEventos();
  e.SetUFWS("SP");
  const std::pair<TModoOperacao, const char*> kModos[] = {{moNormal, "https://sp"},
                                                          {moEPEC, "https://sp"},
                                                          {moSVCAN, "https://svcan"},
                                                          {moSVCRS, "https://svcrs"}};
  for (const auto& [modo, endereco] : kModos) {
    e.SetModoOperacao(modo);
    EXPECT_EQ(e.ObterEnderecoWS("nfeRecepcaoEvento4"), endereco) << static_cast<int>(modo);
  }
  // The check knows the modes with a section of their own only.
  e.SetModoOperacao(moEPEC);
  EXPECT_FALSE(e.ChecarEnderecoWs("nfeRecepcaoEvento3"));
  e.SetModoOperacao(moNormal);
  EXPECT_TRUE(e.ChecarEnderecoWs("nfeRecepcaoEvento3"));
  e.ConfigurarWsNacional();
  EXPECT_EQ(e.ObterEnderecoWS("nfeRecepcaoEvento4"), "https://an");
  EXPECT_EQ(RefusalOf([&] { e.ObterEnderecoWS("nfeRecepcaoEvento3"); }),
            (Refusal{"EvxnEventosAddressException",
                     "Servidor para nfeRecepcaoEvento3 não definido no arquivo: " + servidores_}));
}

// The distribution services and the legacy ones are national: their addresses come from section "AN"
// of the shipped servers files whatever the state and the operating mode, and from the mode's section
// in a file that lists them there only.
TEST_F(EventosMotorTest, TheNationalServicesComeFromSectionANOfTheShippedFiles) {
  TvxnNFeEventos& e = nfe_.GetEventos();
  e.SetUFWS("SP");
  const std::string dados = std::string(QVX_SOURCE_DIR) + "/data/";
  const std::pair<TAmbienteKind, const char*> kAmbientes[] = {
      {akHomologacao, "https://hom1.nfe.fazenda.gov.br/"}, {akProducao, "https://www1.nfe.fazenda.gov.br/"}};
  for (const auto& [ambiente, inicio] : kAmbientes) {
    e.SetArquivoServidoresHom(dados + "nfeServidoresHom.ini");
    e.SetArquivoServidoresProd(dados + "nfeServidoresProd.ini");
    e.SetAmbiente(ambiente);
    for (TModoOperacao modo : {moNormal, moSVCAN, moEPEC}) {
      e.SetModoOperacao(modo);
      EXPECT_EQ(e.ObterEnderecoWS("nfeConsultaDFe"),
                std::string(inicio) + "NFeDistribuicaoDFe/NFeDistribuicaoDFe.asmx");
      EXPECT_TRUE(e.ChecarEnderecoWs("nfeDistDFeInteresse") || modo == moEPEC);
      EXPECT_NE(e.ObterEnderecoWS("nfeConsultaNFDest").find("/NFeConsultaDest/"), std::string::npos);
      EXPECT_NE(e.ObterEnderecoWS("NFeDownloadNf").find("/NfeDownloadNF/"), std::string::npos);
    }
  }
  std::ofstream(dir_.File("estado.ini")) << "[SP]\nnfeConsultaDFe=https://sp-dfe\n";
  e.SetArquivoServidoresHom(dir_.File("estado.ini"));
  e.SetAmbiente(akHomologacao);
  e.SetModoOperacao(moNormal);
  EXPECT_EQ(e.ObterEnderecoWS("nfeConsultaDFe"), "https://sp-dfe");
}

TEST_F(EventosMotorTest, SizeLimitAndMappingRefusals) {
  TvxnNFeEventos& e = nfe_.GetEventos();
  EXPECT_TRUE(e.ValidarTamanhoArquivoEnvio(std::string(500000, 'a'), 500));
  EXPECT_EQ(RefusalOf([&] { e.ValidarTamanhoArquivoEnvio(std::string(500001, 'a'), 500); }),
            (Refusal{"EvxnEventoMaxSizeException",
                     "O Lote do Evento possui 500.001 KB ultrapassando o limite de 500 KB."}));
  EXPECT_EQ(
      RefusalOf([&] { e.GetXSDFileName("NAOEXISTE"); }),
      (Refusal{"EvxnEventoCheckParams", "Não foi encontrado mapeamento de XSD para o comando NAOEXISTE "}));
  e.SetDiretorioEsquemas(dir_.Path());
  EXPECT_EQ(RefusalOf([&] { e.GetXSDFileName("ENVIOCCE"); }),
            (Refusal{"EvxnEventoFileNotFoundException",
                     "Arquivo " + dir_.Path() +
                         "Mapping.txt utilizado na validação de esquema, não foi encontrado"}));
}

// A batch of three events comes back as three signed evento elements in document order, each one
// accepted by xmlsec1.
TEST_F(EventosMotorTest, EveryInfEventoOfABatchIsSignedInOrder) {
  nfe_.SetTipoCertificado(ckFile);
  nfe_.SetCaminhoCertificado(test::SharedPki().ValidClientFile());
  nfe_.SetSenhaCertificado("1234");
  const std::string chave = "35261211222333000181550010000010021482139065";
  std::string lote = "<lote>";
  for (int seq = 1; seq <= 3; ++seq)
    lote += "<infEvento Id=\"ID110110" + chave + "0" + std::to_string(seq) +
            "\"><cOrgao>35</cOrgao><tpAmb>2</tpAmb><CNPJ>11222333000181</CNPJ><chNFe>" + chave +
            "</chNFe><dhEvento>2026-12-05T10:00:00-03:00</dhEvento><tpEvento>110110</tpEvento><nSeqEvento>" +
            std::to_string(seq) +
            "</nSeqEvento><verEvento>1.00</verEvento><detEvento versao=\"1.00\">"
            "<descEvento>Carta de Correcao</descEvento><xCorrecao>Correcao numero " +
            std::to_string(seq) + " do texto</xCorrecao></detEvento></infEvento>";
  lote += "</lote>";
  const std::string assinados = nfe_.AssinarCCe(lote);
  std::size_t from = 0;
  for (int seq = 1; seq <= 3; ++seq) {
    const std::size_t inicio = assinados.find("<evento", from);
    ASSERT_NE(inicio, std::string::npos) << seq;
    const std::size_t fim = assinados.find("</evento>", inicio) + 9;
    const std::string evento = assinados.substr(inicio, fim - inicio);
    EXPECT_NE(evento.find("Correcao numero " + std::to_string(seq)), std::string::npos);
    EXPECT_EQ(test::XmlSec1VerifyErrors(evento, test::SharedPki().CaFile(),
                                        "http://www.portalfiscal.inf.br/nfe:infEvento"),
              "");
    from = fim;
  }
  EXPECT_EQ(assinados.find("<evento", from), std::string::npos);
}

} // namespace
} // namespace vxn
