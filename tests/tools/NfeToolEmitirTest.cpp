// nfe emitir and the queries, end to end: the examples of examples/ converted, signed, sent, followed to
// their authorisation and written as distribution XML that the official schema accepts; a receipt still
// in processing; refusals; conversion failures that stop the run before anything is sent.
#include "NfeEmitirFixture.h"
#include "NfeProcess.h"
#include "sefaz-sim/SefazSim.h"
#include "sefaz-sim/SimTaxpayers.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

namespace vxn {
namespace {

using namespace test;
using test::NfeRunOptions;
using test::NfeRunResult;
using test::RunNfe;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace fs = std::filesystem;

TEST(NfeToolEmitir, ATerminalShowsProgressForSeveralDocumentsAndResultsStayOnStdout) {
  test::TempDir home;
  NfeRunOptions o = InHome(home);
  o.stderrOnTerminal = true;
  const NfeRunResult r = RunNfe({"emitir", "--sincrono", kComandos, kPipe}, o);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("[0/2] " + kChaveComandos + ": sending (synchronous)"));
  EXPECT_THAT(r.err, HasSubstr("[1/2] " + kChavePipe));
  EXPECT_THAT(r.err, HasSubstr("\r\033[K"));
  EXPECT_EQ(r.out.find("\033["), std::string::npos);
  EXPECT_EQ(Blocos(r.out).size(), 2u);
}

// An NFC-e to an unidentified consumer on the embedded default: no recipient, its QR code block written
// when it is signed, authorised, and its distribution XML carries both.
TEST(NfeToolEmitir, AnNFCeWithoutRecipientIsAuthorisedOnTheEmbeddedDefault) {
  test::TempDir home;
  const NfeRunResult r = RunNfe(
      {"emitir", std::string(QVX_SOURCE_DIR) + "/examples/nfce-sem-destinatario-comandos.txt"}, InHome(home));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const std::vector<Bloco> blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 1u) << r.out;
  EXPECT_EQ(blocos[0].status, "100 Autorizado o uso da NF-e");
  const std::string distribuicao = ReadWholeFile(blocos[0].distribuicao);
  EXPECT_THAT(distribuicao, HasSubstr("</infNFe><infNFeSupl><qrCode>https://127.0.0.1:"));
  EXPECT_THAT(distribuicao, HasSubstr("/SP/nfce/qrcode?p=" + blocos[0].chave + "|3|2</qrCode>"));
  EXPECT_THAT(distribuicao, Not(HasSubstr("<dest>")));
}

// The reform sale of examples/ (IBS, CBS and the selective tax on its items) from the issuer of
// alphanumeric CNPJ, on the embedded default: its key holds the CNPJ's letters, the issuer's own test
// certificate signs it, and its distribution XML passes the reform package's schema and xmlsec1.
TEST(NfeToolEmitir, AReformSaleOfAnAlphanumericIssuerIsAuthorisedOnTheEmbeddedDefault) {
  test::TempDir home;
  const NfeRunResult r =
      RunNfe({"--emitente-alfanumerico", "emitir",
              std::string(QVX_SOURCE_DIR) + "/examples/venda-reforma-alfanumerico-comandos.txt"},
             InHome(home));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const std::vector<Bloco> blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 1u) << r.out;
  EXPECT_EQ(blocos[0].chave, "35261212ABC34501DE35550010000020011405060709");
  EXPECT_EQ(blocos[0].status, "100 Autorizado o uso da NF-e");
  EXPECT_EQ(blocos[0].distribuicao, home.Path() +
                                        "home/.local/share/quorvant-nfe/alfanumerico/XmlDestinatario/" +
                                        blocos[0].chave + "-nfe.xml");
  const std::string distribuicao = ReadWholeFile(blocos[0].distribuicao);
  EXPECT_THAT(distribuicao, HasSubstr("<IBSCBS><CST>000</CST><cClassTrib>000001</cClassTrib><gIBSCBS>"));
  EXPECT_THAT(distribuicao, HasSubstr("<ISTot><vIS>1.92</vIS></ISTot><IBSCBSTot>"));
  EXPECT_EQ(XmlSchemaErrors(distribuicao, FindSchema("procNFe_v4.00.xsd")), "");
  EXPECT_EQ(XmlSec1VerifyErrors(distribuicao,
                                home.Path() +
                                    "home/.local/share/quorvant-nfe/certificado-teste/autoridade-teste.pem"),
            "");
}

// The 3.10 sale of examples/ with --versao-manual vm50a on the embedded default: converted with the 3.10
// dictionary, sent to the local server's 3.10 service, authorised, and its distribution XML is a 3.10 nfeProc
// that the 3.10 schema and xmlsec1 accept. Without the option the same text is refused by the 4.00
// dictionary.
TEST(NfeToolEmitir, ALayout310SaleIsAuthorisedWithVersaoManualVm50a) {
  test::TempDir home;
  const std::string exemplo = std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-310-comandos.txt";
  const NfeRunResult r = RunNfe({"--versao-manual", "vm50a", "emitir", exemplo}, InHome(home));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const std::vector<Bloco> blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 1u) << r.out;
  EXPECT_EQ(blocos[0].chave, "35261211222333000181550010000011011730155829");
  EXPECT_EQ(blocos[0].status, "100 Autorizado o uso da NF-e");
  const std::string distribuicao = ReadWholeFile(blocos[0].distribuicao);
  EXPECT_THAT(distribuicao, HasSubstr("<nfeProc versao=\"3.10\""));
  EXPECT_THAT(distribuicao, HasSubstr("</natOp><indPag>1</indPag><mod>55</mod>"));
  EXPECT_EQ(XmlSchemaErrors(distribuicao, FindSchema("procNFe_v3.10.xsd")), "");
  EXPECT_EQ(XmlSec1VerifyErrors(distribuicao,
                                home.Path() +
                                    "home/.local/share/quorvant-nfe/certificado-teste/autoridade-teste.pem"),
            "");

  const NfeRunResult semOpcao = RunNfe({"emitir", exemplo}, InHome(home));
  EXPECT_EQ(semOpcao.exitCode, 5) << semOpcao.out;
  EXPECT_THAT(semOpcao.err, HasSubstr("Campo indPag_B05 não encontrado"));
  const NfeRunResult invalida = RunNfe({"--versao-manual", "vm70", "emitir", exemplo}, InHome(home));
  EXPECT_EQ(invalida.exitCode, 2);
}

TEST_F(NfeToolEmitirWithConfig, ADuplicateIsRefusedWithExitOneAndNoProtocolOrDistribution) {
  const NfeRunResult r = Nfe({"emitir", "--sincrono", kComandos, kComandos});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const auto blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 2u) << r.out;
  EXPECT_THAT(blocos[0].status, StartsWith("100 "));
  EXPECT_THAT(blocos[1].status, StartsWith("204 Rejeicao: Duplicidade de NF-e"));
  EXPECT_EQ(blocos[1].protocolo, "");
  EXPECT_EQ(blocos[1].distribuicao, "");
}

// A file of more documents than a lot holds: signed and sent in lots of at most 50, every lot before the
// first receipt query, and every document authorised with its distribution XML, in the file's order.
TEST_F(NfeToolEmitirWithConfig, AFileOf120DocumentsIsSentInThreeLotsAndAllAreAuthorised) {
  const std::string texto = ReadWholeFile(kComandos);
  std::string muitos;
  for (int n = 1; n <= 120; ++n)
    muitos += std::regex_replace(texto, std::regex("nNF_B08=1001"), "nNF_B08=" + std::to_string(3000 + n));
  const std::string arquivo = dir_.File("cento-e-vinte.txt");
  WriteFileAtomic(arquivo, muitos);

  const NfeRunResult r = Nfe({"emitir", arquivo});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 120u) << r.err;
  std::set<std::string> chaves;
  for (std::size_t i = 0; i < blocos.size(); ++i) {
    EXPECT_EQ(blocos[i].origem, arquivo + " #" + std::to_string(i + 1));
    EXPECT_THAT(blocos[i].status, StartsWith("100 ")) << blocos[i].origem;
    EXPECT_TRUE(fs::exists(blocos[i].distribuicao)) << blocos[i].origem;
    EXPECT_EQ(blocos[i].chave.substr(25, 9), "00000" + std::to_string(3001 + i)) << "nNF in the file's order";
    chaves.insert(blocos[i].chave);
  }
  EXPECT_EQ(chaves.size(), 120u);
  std::vector<char> pedidos; // E: a lot sent, C: a receipt queried
  for (const std::string& m : sim_.ReceivedMessages())
    pedidos.push_back(m.starts_with("<enviNFe") ? 'E' : m.starts_with("<consReciNFe") ? 'C' : '?');
  EXPECT_EQ(std::string(pedidos.begin(), pedidos.end()), "EEECCC");
}

TEST_F(NfeToolEmitirWithConfig, AFileThatDoesNotConvertStopsTheRunBeforeAnythingIsSent) {
  const std::string semSalvar = dir_.File("sem-salvar.txt");
  const std::string texto = ReadWholeFile(kComandos);
  WriteFileAtomic(semSalvar, texto.substr(0, texto.rfind("SALVAR")));
  const NfeRunResult r = Nfe({"emitir", kPipe, semSalvar});
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_THAT(r.err, HasSubstr("EvxnNFeDataSetException: NFe não foi Salva."));
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(sim_.ReceivedMessages().empty()) << "the good file before it was not sent either";

  const NfeRunResult missing = Nfe({"emitir", kPipe, dir_.File("nao-existe.txt")});
  EXPECT_EQ(missing.exitCode, 3);
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
}

TEST_F(NfeToolEmitirWithConfig, ConverterPrintsOrWritesTheXmlOfEitherTextLayout) {
  const NfeRunResult pipe = Nfe({"converter", kPipe});
  ASSERT_EQ(pipe.exitCode, 0) << pipe.err;
  EXPECT_THAT(pipe.out, HasSubstr("Id=\"NFe" + kChavePipe + "\""));
  const std::string saida = dir_.File("comandos.xml");
  const NfeRunResult comandos = Nfe({"converter", kComandos, "-o", saida});
  ASSERT_EQ(comandos.exitCode, 0) << comandos.err;
  EXPECT_EQ(comandos.out, "");
  EXPECT_THAT(test::ReadFileOrEmpty(saida), HasSubstr("Id=\"NFe" + kChaveComandos + "\""));
  // A pipe text that begins with a detail block is refused with the converter's own message.
  WriteFileAtomic(dir_.File("d.txt"), "D|\r\n1|prod|\r\n");
  const NfeRunResult d = Nfe({"converter", dir_.File("d.txt")});
  EXPECT_EQ(d.exitCode, 5);
  EXPECT_THAT(d.err, HasSubstr("EvxnNFeCheckTXT: O Arquivo deve ser iniciado com cabecalho - C."));
}

TEST_F(NfeToolEmitirWithConfig, ARecTextIsAuthorisedAndItsDistributionXmlReadsBackToTheSameDocument) {
  const std::string rec = std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-rec.txt";
  const NfeRunResult r = Nfe({"emitir", rec});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const auto blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 1u) << r.out;
  EXPECT_THAT(blocos[0].status, StartsWith("100 "));
  // The distribution XML read back as command text, and that text converted again: the same infNFe.
  const std::string comandos = dir_.File("de-volta.txt");
  const NfeRunResult volta = Nfe({"converter", "--para", "comandos", blocos[0].distribuicao, "-o", comandos});
  ASSERT_EQ(volta.exitCode, 0) << volta.err;
  const NfeRunResult xml = Nfe({"converter", comandos});
  ASSERT_EQ(xml.exitCode, 0) << xml.err;
  const std::string dist = ReadWholeFile(blocos[0].distribuicao);
  const std::size_t inicio = dist.find("<infNFe ");
  const std::string infNFe = dist.substr(inicio, dist.find("</infNFe>") + 9 - inicio);
  EXPECT_EQ(test::XmlCanonicalForm(infNFe), test::XmlCanonicalForm(xml.out.substr(0, xml.out.find("\r\n"))));
  // A REC text forced to be read as another kind is refused naming what it is.
  const NfeRunResult forcado = Nfe({"converter", "--formato", "pipe", rec});
  EXPECT_EQ(forcado.exitCode, 3);
  EXPECT_THAT(forcado.err, HasSubstr("is REC text, not pipe text"));
}

TEST_F(NfeToolEmitirWithConfig, InutilizarAndCadastroPrintTheAnswerAndRefuseBadArgumentsWithTheirClass) {
  const NfeRunResult granted =
      Nfe({"inutilizar", "1", "500", "510", "Numeracao pulada por falha do sistema", "--ano", "26"});
  EXPECT_EQ(granted.exitCode, 0) << granted.err;
  EXPECT_THAT(granted.out, StartsWith("102 "));
  EXPECT_THAT(granted.out, HasSubstr("  protocol:     "));
  const NfeRunResult curta = Nfe({"inutilizar", "1", "600", "610", "curta demais"});
  EXPECT_EQ(curta.exitCode, 5);
  EXPECT_THAT(curta.err, HasSubstr("EvxnNFeCheckParams: Justificativa deve conter no mínimo 15 caracteres"));

  sim::TSimTaxpayer t;
  t.UF = "SP";
  t.IE = "111222333444";
  t.CNPJ = "11222333000181";
  t.XNome = "EMPRESA DE TESTE LTDA";
  sim_.AddTaxpayer(t);
  const NfeRunResult cadastro = Nfe({"cadastro", "CNPJ", "11222333000181"});
  EXPECT_EQ(cadastro.exitCode, 0) << cadastro.err;
  EXPECT_THAT(cadastro.out, HasSubstr("  IE 111222333444  EMPRESA DE TESTE LTDA  cSit 1"));
  const NfeRunResult tipo = Nfe({"cadastro", "cnpj", "11222333000181"});
  EXPECT_EQ(tipo.exitCode, 5);
  EXPECT_THAT(tipo.err, HasSubstr("EvxnCheckParams: Tipo de Documento: cnpj inválido."));
}

} // namespace
} // namespace vxn
