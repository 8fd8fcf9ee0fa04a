// The DPEC component against the local server's national environment over TLS: the declaration of a lot
// built in document order, signed (checked by xmlsec1), registered, queried by key and by registration
// number; and the checks of a query that stop it before any request is made.
#include "contingency/vxnNFeDPEC.h"
#include "sefaz-sim/SefazSim.h"
#include "support/AccessKeyDigit.h"
#include "support/Process.h"
#include "support/RefusalOf.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vxn {
namespace {

using test::Tag;

// A key of the test issuer, layout 2.00, issued in DPEC contingency (tpEmis 4).
std::string Chave(const std::string& nNF) {
  return test::DpecKey(nNF, "12345678");
}

// A signed-lot-like document: only what the declaration reads.
std::string Nota(const std::string& chave, const std::string& dest, const std::string& uf,
                 const std::string& vNF) {
  return "<NFe><infNFe versao=\"2.00\" Id=\"NFe" + chave +
         "\"><ide><tpEmis>4</tpEmis></ide><emit><CNPJ>11222333000181</CNPJ><IE>111222333444</IE></"
         "emit><dest>" +
         dest + "<xNome>CLIENTE</xNome><enderDest><UF>" + uf +
         "</UF></enderDest></dest><total><ICMSTot><vICMS>18.00</vICMS><vST>0.00</vST><vNF>" + vNF +
         "</vNF></ICMSTot></total></infNFe></NFe>";
}

class ContingenciaDPECTest : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    // The local server's configuration is the NF-e component's section.
    dpec_.SetSectionINI("NFE");
    dpec_.LoadConfig(files_.ConfigFile);
    dpec_.SetVersaoManual(vm50);
    dpec_.SetUF("SP");
    dpec_.SetDiretorioLogErro(dir_.Path() + "LogErro");
    dpec_.SetDiretorioLog(dir_.Path() + "Log/");
    // No schemas of the declaration are shipped (docs/contingency.md): the server judges the message.
    dpec_.SetValidarEsquemaAntesEnvio(false);
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  std::string Lote() const {
    return Nota(Chave("000000101"), "<CNPJ>17444555000125</CNPJ>", "MG", "118.00") +
           Nota(Chave("000000102"), "<CPF>12345678909</CPF>", "RJ", "59.90");
  }
  int LogsDe(const std::string& sufixo) const {
    int n = 0;
    if (std::filesystem::exists(dir_.Path() + "Log/"))
      for (const auto& e : std::filesystem::directory_iterator(dir_.Path() + "Log/"))
        n += e.path().filename().string().ends_with("-" + sufixo + ".xml") ? 1 : 0;
    return n;
  }

  test::TempDir dir_;
  sim::TSefazSim sim_{test::SimOptions()};
  sim::TSefazSimConfigFiles files_;
  TvxnNFeDPEC dpec_;
};

TEST_F(ContingenciaDPECTest, TheDeclarationSummarisesEveryDocumentInLotOrder) {
  EXPECT_EQ(dpec_.MontarDPEC(Lote()),
            "<infDPEC Id=\"DPEC11222333000181\"><ideDec><cUF>35</cUF><tpAmb>2</tpAmb><verProc>1.0</verProc>"
            "<CNPJ>11222333000181</CNPJ><IE>111222333444</IE></ideDec>"
            "<resNFe><chNFe>" +
                Chave("000000101") +
                "</chNFe><CNPJ>17444555000125</CNPJ><UF>MG</UF><vNF>118.00</vNF><vICMS>18.00</vICMS>"
                "<vST>0.00</vST></resNFe>"
                "<resNFe><chNFe>" +
                Chave("000000102") +
                "</chNFe><CPF>12345678909</CPF><UF>RJ</UF><vNF>59.90</vNF><vICMS>18.00</vICMS>"
                "<vST>0.00</vST></resNFe></infDPEC>");
}

TEST_F(ContingenciaDPECTest, ASignedDeclarationIsRegisteredAndFoundByKeyAndByNumber) {
  const std::string assinado = dpec_.AssinarDPEC(dpec_.MontarDPEC(Lote()));
  EXPECT_TRUE(assinado.starts_with("<envDPEC xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.01\">"))
      << assinado;
  EXPECT_EQ(test::XmlSec1VerifyErrors(assinado, files_.AuthorityCertificate,
                                      "http://www.portalfiscal.inf.br/nfe:infDPEC"),
            "");

  std::string resposta;
  const std::string retorno = dpec_.EnviarDPEC(assinado, resposta);
  EXPECT_EQ(retorno, resposta);
  ASSERT_EQ(Tag(retorno, "cStat"), "124") << retorno;
  const std::string nReg = Tag(retorno, "nRegDPEC");
  ASSERT_EQ(nReg.size(), 15u);
  EXPECT_EQ(LogsDe("envdpec"), 1);
  EXPECT_EQ(LogsDe("retdpec"), 1);

  const std::string porChave = dpec_.ConsultarDPEC(pcChaveNFe, Chave("000000102"));
  EXPECT_EQ(Tag(porChave, "cStat"), "125") << porChave;
  EXPECT_EQ(Tag(porChave, "nRegDPEC"), nReg);
  const std::string porNumero = dpec_.ConsultarDPEC(pcRegDpec, nReg);
  EXPECT_EQ(Tag(porNumero, "cStat"), "125") << porNumero;
  EXPECT_EQ(Tag(porNumero, "chNFe"), Chave("000000101"));
  EXPECT_EQ(LogsDe("ped-sit-dpec"), 2);
  EXPECT_EQ(LogsDe("sit-dpec"), 4); // the two requests and the two replies

  // Unknown keys and numbers, and a second declaration of a declared document.
  EXPECT_EQ(Tag(dpec_.ConsultarDPEC(pcChaveNFe, Chave("000000103")), "cStat"), "127");
  EXPECT_EQ(Tag(dpec_.ConsultarDPEC(pcRegDpec, "911234567890123"), "cStat"), "126");
  EXPECT_EQ(Tag(dpec_.EnviarDPEC(assinado, resposta), "cStat"), "204");
}

TEST_F(ContingenciaDPECTest, TheServerRefusesADeclarationWhoseSignatureDoesNotMatch) {
  std::string assinado = dpec_.AssinarDPEC(dpec_.MontarDPEC(Lote()));
  const std::size_t valor = assinado.find("<vNF>118.00</vNF>");
  ASSERT_NE(valor, std::string::npos);
  assinado.replace(valor, 17, "<vNF>1.00</vNF>");
  std::string resposta;
  EXPECT_EQ(Tag(dpec_.EnviarDPEC(assinado, resposta), "cStat"), "297") << resposta;
}

TEST_F(ContingenciaDPECTest, AQueryOfAWrongLengthOrWithAccentsIsRefusedBeforeAnyRequest) {
  struct Caso {
    TParamConsDPEC tipo;
    std::string valor;
    std::string mensagem;
  };
  const Caso casos[] = {
      {pcRegDpec, "91123456789012", "O Registro de DPEC deve possuir 15 dígitos."},
      {pcChaveNFe, Chave("000000101").substr(1), "A Chave da Nota deve possuir 44 dígitos."},
      {pcRegDpec, "91123456789012é", "O Parâmetro não pode conter acentos: 91123456789012é"},
  };
  for (const Caso& c : casos) {
    try {
      dpec_.ConsultarDPEC(c.tipo, c.valor);
      ADD_FAILURE() << c.valor;
    } catch (const EvxnNFeCheckParams& e) {
      EXPECT_EQ(e.Message(), c.mensagem);
    }
  }
  EXPECT_EQ(LogsDe("ped-sit-dpec"), 0);
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
}

TEST_F(ContingenciaDPECTest, WithoutTheNationalAddressNothingIsSent) {
  const std::string servidores = dir_.Path() + "servidores.ini";
  WriteFileAtomic(servidores, "[SP]\nNfeRecepcao=https://127.0.0.1:1/\n");
  dpec_.SetArquivoServidoresHom(servidores);
  std::string resposta;
  try {
    dpec_.EnviarDPEC(dpec_.AssinarDPEC(dpec_.MontarDPEC(Lote())), resposta);
    ADD_FAILURE();
  } catch (const EvxnNFeException& e) {
    EXPECT_EQ(e.Message(),
              "Erro ao enviar DPEC: Servidor para NfeRecepcao não definido no arquivo: " + servidores);
  }
  EXPECT_EQ(LogsDe("retdpec"), 0);
}

TEST_F(ContingenciaDPECTest, TheSectionDPECHoldsItsServersFilesAndTheDanfeGetsTheDPECPhrase) {
  TvxnNFeDPEC novo;
  EXPECT_EQ(novo.GetDanfeSettings().GetFraseContingencia(),
            "DANFE impresso em contingência - DPEC regularmente recebida pela Receita Federal do Brasil");
  EXPECT_EQ(novo.GetDanfeSettings().GetQtdeCopias(), 2);
  EXPECT_TRUE(novo.GetDiretorioTemplates().ends_with("/vm50/DPEC/")) << novo.GetDiretorioTemplates();
  const std::string ini = dir_.File("nfeConfig.ini");
  WriteFileAtomic(ini, "[DPEC]\nUF=RJ\nLogotipoEmitente=logo.jpg\n");
  novo.LoadConfig(ini);
  EXPECT_EQ(novo.GetUF(), "RJ");
  EXPECT_EQ(novo.GetDanfeSettings().GetLogotipoEmitente(), "logo.jpg");
  EXPECT_TRUE(novo.GetArquivoServidoresHom().ends_with("/nfeServidoresHomDPEC.ini"));
  EXPECT_TRUE(novo.GetArquivoServidoresProd().ends_with("/nfeServidoresProdDPEC.ini"));
}

// The DANFE of a document issued in contingency before its declaration is answered: the registration and
// its time take the protocol's place, the phrase is the DPEC's; without either value nothing is written.
TEST_F(ContingenciaDPECTest, TheDanfeCarriesTheRegistrationAndItsChecksComeFirst) {
  std::string doc = ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml");
  doc.replace(doc.find("<tpEmis>1</tpEmis>"), 18, "<tpEmis>4</tpEmis>");
  const std::string pdf = dir_.Path() + "dpec.pdf";
  dpec_.ExportarDanfe(doc, "912600000012345", "2026-12-06T09:00:00-03:00", pdf);
  const test::ProcessResult r = test::RunProcess({"/usr/bin/pdftotext", pdf, "-"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string texto = r.out;
  for (char& c : texto)
    if (c == '\n')
      c = ' ';
  EXPECT_NE(texto.find("912600000012345 2026-12-06T09:00:00-03:00"), std::string::npos) << texto;
  EXPECT_NE(texto.find("DPEC regularmente recebida pela Receita Federal do Brasil"), std::string::npos)
      << texto;
  // The box says which registration it holds.
  EXPECT_NE(texto.find("PROTOCOLO DE AUTORIZAÇÃO DE USO (DPEC)"), std::string::npos) << texto;
  EXPECT_EQ(texto.find("(EPEC)"), std::string::npos) << texto;

  // Printed: the settings' copies on the queue asked for; previewed before the declaration: the
  // placeholders stand for the registration.
  std::vector<std::string> textos;
  TvxnTrabalhoImpressao trabalho;
  auto& ps = dpec_.GetGov().Get_PrintSettings();
  ps.OnPrint = [&](const TvxnTrabalhoImpressao& j, const std::string& f, const std::string&) {
    trabalho = j;
    textos.push_back(test::RunProcess({"/usr/bin/pdftotext", f, "-"}).out);
  };
  ps.OnPreview = [&](const std::string& f) {
    textos.push_back(test::RunProcess({"/usr/bin/pdftotext", f, "-"}).out);
  };
  dpec_.GetDanfeSettings().SetQtdeCopias(3);
  dpec_.ImprimirDanfe(doc, "912600000012345", "2026-12-06T09:00:00-03:00", "Fiscal");
  EXPECT_EQ(trabalho.Impressora, "Fiscal");
  EXPECT_EQ(trabalho.Copias, 3);
  dpec_.PreverDanfe(doc);
  ASSERT_EQ(textos.size(), 2u);
  EXPECT_NE(textos[0].find("912600000012345"), std::string::npos);
  EXPECT_NE(textos[1].find("000000000000000 0000-00-00T00:00:00"), std::string::npos) << textos[1];

  const std::string outro = dir_.Path() + "outro.pdf";
  const test::Refusal semProtocolo{"EvxnCheckParams", "Número de Protocolo do DPEC não foi informado"};
  const test::Refusal semDataHora{"EvxnCheckParams", "Data Hora do DPEC não foi informado"};
  EXPECT_EQ(test::RefusalOf([&] { dpec_.ExportarDanfe(doc, " ", "2026-12-06T09:00:00-03:00", outro); }),
            semProtocolo);
  EXPECT_EQ(test::RefusalOf([&] { dpec_.ImprimirDanfe(doc, "912600000012345", ""); }), semDataHora);
  EXPECT_EQ(test::RefusalOf([&] { dpec_.VisualizarDanfe(doc, "", "2026-12-06T09:00:00-03:00"); }),
            semProtocolo);
  EXPECT_FALSE(FileExists(outro));
}

} // namespace
} // namespace vxn
