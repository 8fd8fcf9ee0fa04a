#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnIniFile.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace vxn {
namespace {

using test::ReadFileOrEmpty;
using test::Refusal;
using test::RefusalOf;
using test::TempDir;

// Every test runs with its own program directory, so that defaults ("nfeConfig.ini", "Log/", the
// error log) land in a fresh folder.
class NFeConfigTest : public test::ProgramHomeTest {
protected:
  std::string Write(const std::string& name, const std::string& text) {
    std::string path = home.File(name);
    WriteFileAtomic(path, text);
    return path;
  }
};

TEST_F(NFeConfigTest, StateTableLookups) {
  TvxnNFe nfe;
  nfe.SetUF("rs");
  EXPECT_EQ(nfe.GetUF(), "RS");
  EXPECT_EQ(nfe.GetLocalCode(), "43");
  // "AN" is in the table the UF setter uses, but not among the 27 states.
  nfe.SetUF("an");
  EXPECT_EQ(nfe.GetUF(), "AN");
  EXPECT_EQ(nfe.GetLocalCode(), "91");
  EXPECT_EQ(RefusalOf([&] { nfe.ObterCodigoUF("an"); }),
            (Refusal{"EvxnNFeException", "UF an não encontrada."}));
  EXPECT_EQ(nfe.ObterCodigoUF("sp"), 35);
  EXPECT_EQ(nfe.ObterCodigoUF("TO"), 17);
  EXPECT_EQ(RefusalOf([&] { nfe.SetUF("XX"); }),
            (Refusal{"EvxnCheckParams", "a sigla da UF XX, é inválida."}));
  EXPECT_EQ(nfe.GetUF(), "AN");
}

TEST_F(NFeConfigTest, LoadingAFileWithOnlyTheStateKeepsOrDefaultsTheRest) {
  std::string path = Write("only-uf.ini", "[NFE]\nUF=rs\n");
  TvxnNFe nfe;
  nfe.SetVersaoManual(vm50a);
  nfe.LoadConfig(path);
  EXPECT_EQ(nfe.GetUF(), "RS");
  EXPECT_EQ(nfe.GetAmbiente(), akHomologacao);
  EXPECT_EQ(nfe.GetTipoCertificado(), ckFile);
  EXPECT_EQ(nfe.GetVersaoManual(), vm50a);
  EXPECT_EQ(nfe.GetModoOperacao(), moNormal);
  // Defaults of the file that differ from the construction values.
  EXPECT_TRUE(nfe.GetConexaoSegura());
  EXPECT_EQ(nfe.GetArquivoServidoresHom(), home.File("nfeServidoresHom.ini"));
  EXPECT_EQ(nfe.GetEmailSettings().TimeOut, 30000);
  EXPECT_TRUE(nfe.GetDanfeSettings().GetMensagemPartilhaAutomatica());
  EXPECT_TRUE(nfe.GetDanfeSettings().GetImprimirObsCont());
  EXPECT_FALSE(nfe.GetDanfeSettings().GetImprimirLocalRetiradaEntrega());
  EXPECT_TRUE(nfe.GetDanfeSettings().GetMensagemIcmsDesonerado());
  EXPECT_EQ(nfe.GetDiretorioTemplatesConfigurado(), "\\Templates");
  EXPECT_EQ(nfe.GetSectionINI(), "NFE");
}

TEST_F(NFeConfigTest, AmbienteOneIsProductionBothWays) {
  std::string path = Write("prod.ini", "[NFE]\nAmbiente=1\nUF=SP\n");
  TvxnNFe nfe;
  nfe.LoadConfig(path);
  EXPECT_EQ(nfe.GetAmbiente(), akProducao);
  nfe.SaveConfig(std::string_view{});
  TvxnIniFile again(path);
  EXPECT_EQ(again.ReadString("NFE", "Ambiente", ""), "1");
  nfe.SetAmbiente(akHomologacao);
  nfe.SaveConfig(std::string_view{});
  EXPECT_EQ(TvxnIniFile(path).ReadString("NFE", "Ambiente", ""), "2");
}

TEST_F(NFeConfigTest, AnUnknownStateFailsTheLoadAndKeepsWhatWasReadBefore) {
  std::string path = Write("bad-uf.ini", "[NFE]\nCNPJ=12345678000195\nAmbiente=1\nUF=XX\nIdCSRT=07\n");
  TvxnNFe nfe;
  EXPECT_EQ(RefusalOf([&] { nfe.LoadConfig(path); }),
            (Refusal{"EvxnNFeException", "Erro ao carregar configurações: a sigla da UF XX, é inválida."}));
  EXPECT_EQ(nfe.GetCNPJ(), "12345678000195");
  EXPECT_EQ(nfe.GetAmbiente(), akProducao);
  // The key after UF was never reached.
  EXPECT_EQ(nfe.GetIdCSRT(), "");
}

TEST_F(NFeConfigTest, AMissingFileNamesTheResolvedPath) {
  TvxnNFe nfe;
  std::string missing = home.File("nao-existe.ini");
  EXPECT_EQ(RefusalOf([&] { nfe.LoadConfig(missing); }),
            (Refusal{"EvxnConfigINIException", "Arquivo " + missing + " não foi encontrado"}));
  // A bare name that exists nowhere resolves to the program directory.
  EXPECT_EQ(RefusalOf([&] { nfe.LoadConfig("outro.ini"); }),
            (Refusal{"EvxnConfigINIException", "Arquivo " + home.File("outro.ini") + " não foi encontrado"}));
  EXPECT_EQ(RefusalOf([&] { nfe.LoadConfig(static_cast<TvxnIniFile*>(nullptr)); }),
            (Refusal{"EvxnConfigINIException", "O parâmetro não pode ser nil para realizar o LoadConfig"}));
  EXPECT_EQ(RefusalOf([&] { nfe.SaveConfig(static_cast<TvxnIniFile*>(nullptr)); }),
            (Refusal{"EvxnConfigINIException", "O parâmetro não pode ser nil para realizar o SaveConfig"}));
}

TEST_F(NFeConfigTest, IniFilePathRules) {
  TvxnNFe nfe;
  std::filesystem::create_directories(home.File("conf"));
  std::string existing = Write("conf/minha.ini", "[NFE]\n");
  EXPECT_EQ(nfe.GetINIFilePath(""), home.File("nfeConfig.ini"));
  EXPECT_EQ(nfe.GetINIFilePath(existing), existing);
  EXPECT_EQ(nfe.GetINIFilePath(home.File("conf/")), home.File("conf/nfeConfig.ini"));
  // A folder named without its trailing separator yields the file in its parent.
  EXPECT_EQ(nfe.GetINIFilePath(home.File("conf")), home.File("nfeConfig.ini"));
  EXPECT_EQ(nfe.GetINIFilePath(home.File("conf/nova.ini")), home.File("conf/nova.ini"));
  // Missing folder, but the name exists beside the program.
  Write("beside.ini", "[NFE]\n");
  EXPECT_EQ(nfe.GetINIFilePath("/nao/existe/beside.ini"), home.File("beside.ini"));
  EXPECT_EQ(nfe.GetINIFilePath("/nao/existe/x.ini"), home.File("nfeConfig.ini"));
  EXPECT_EQ(nfe.GetINIFilePath("solto.ini"), home.File("solto.ini"));
  // A name that exists relative to the current folder is that file, loaded from there.
  TempDir atual;
  WriteFileAtomic(atual.File("aqui.ini"), "[NFE]\nUF=MG\n");
  const auto anterior = std::filesystem::current_path();
  std::filesystem::current_path(atual.Path());
  EXPECT_EQ(nfe.GetINIFilePath("./aqui.ini"), atual.File("aqui.ini"));
  const Refusal carga = RefusalOf([&] { nfe.LoadConfig("aqui.ini"); });
  std::filesystem::current_path(anterior);
  EXPECT_EQ(carga, Refusal{}) << carga;
  EXPECT_EQ(nfe.GetUF(), "MG");
}

// The version a host reads is the project's, not a placeholder.
TEST_F(NFeConfigTest, VersaoIsTheProjectVersion) {
  EXPECT_EQ(TvxnNFe().GetVersao(), QVX_TEST_PROJECT_VERSION);
}

TEST_F(NFeConfigTest, ACertificateFileWipesTheStoredPin) {
  std::string path = Write("pin.ini", "[NFE]\nTipoCertificado=FILE\nPinCode=qualquer-coisa\nUF=SP\n");
  TvxnNFe nfe;
  nfe.SetPinCode("antes");
  nfe.LoadConfig(path);
  EXPECT_EQ(nfe.GetPinCode(), "");
  EXPECT_EQ(TvxnIniFile(path).ReadString("NFE", "PinCode", "?"), "");
  // Saving with a certificate file writes the PIN empty too.
  nfe.GetGov();
  nfe.SetPinCode("1234");
  nfe.SaveConfig(std::string_view{});
  EXPECT_EQ(TvxnIniFile(path).ReadString("NFE", "PinCode", "?"), "");
}

TEST_F(NFeConfigTest, AStoredPinOfATokenTravelsEncrypted) {
  std::string path = home.File("token.ini");
  {
    TvxnNFe nfe;
    nfe.GetGov();
    nfe.SetTipoCertificado(ckSmartCard);
    nfe.SetPinCode("4321");
    nfe.SetUF("PR");
    nfe.SaveConfig(path);
  }
  TvxnIniFile saved(path);
  std::string stored = saved.ReadString("NFE", "PinCode", "");
  EXPECT_FALSE(stored.empty());
  EXPECT_EQ(stored.find("4321"), std::string::npos);
  EXPECT_EQ(saved.ReadString("NFE", "Repositorio", ""), "SMART_CARD_USER_STORE");
  TvxnNFe loaded;
  loaded.LoadConfig(path);
  EXPECT_EQ(loaded.GetTipoCertificado(), ckSmartCard);
  EXPECT_EQ(loaded.GetPinCode(), "4321");
}

TEST_F(NFeConfigTest, FirstCreationOfTheGovernmentServicesObjectResetsCertificateSettings) {
  TvxnNFe nfe;
  nfe.SetTipoCertificado(ckSmartCard);
  nfe.SetIgnoreInvalidCertificates(false);
  nfe.GetGov();
  EXPECT_EQ(nfe.GetTipoCertificado(), ckFile);
  EXPECT_TRUE(nfe.GetIgnoreInvalidCertificates());
  // Only the first creation does that.
  nfe.SetTipoCertificado(ckLocalMachine);
  nfe.SetIgnoreInvalidCertificates(false);
  nfe.GetGov();
  EXPECT_EQ(nfe.GetTipoCertificado(), ckLocalMachine);
  EXPECT_FALSE(nfe.GetIgnoreInvalidCertificates());
}

// A host that saves before anything created the government-services object keeps its certificate
// settings, in the component and in the file.
TEST_F(NFeConfigTest, SavingAFreshComponentKeepsTheHostsCertificateSettings) {
  TvxnNFe nfe;
  nfe.SetTipoCertificado(ckSmartCard);
  nfe.SetIgnoreInvalidCertificates(false);
  const std::string path = home.File("salvo.ini");
  nfe.SaveConfig(path);
  EXPECT_EQ(nfe.GetTipoCertificado(), ckSmartCard);
  EXPECT_FALSE(nfe.GetIgnoreInvalidCertificates());
  TvxnIniFile ini(path);
  EXPECT_EQ(ini.ReadString("NFE", "TipoCertificado", ""), "SMARTCARD");
  EXPECT_EQ(ini.ReadString("NFE", "IgnoreInvalidCertificates", ""), "0");
}

// QUORVANT_NFE_HOME naming a folder that does not exist: what resolves against the program directory is
// refused, nothing creates that folder, and an error raised meanwhile keeps its own class and message
// (each line of the error log, unwritable there, goes to standard error).
TEST_F(NFeConfigTest, AProgramDirectoryThatDoesNotExistIsRefusedAndNotCreated) {
  const std::string nowhere = home.File("sumiu/");
  ASSERT_EQ(::setenv("QUORVANT_NFE_HOME", nowhere.c_str(), 1), 0);
  const Refusal semDiretorio{"EvxnNFeDirNotFoundException",
                             "Não foi possível encontrar o Diretório Atual: " + nowhere};
  TvxnNFe nfe;
  testing::internal::CaptureStderr();
  EXPECT_EQ(RefusalOf([&] { nfe.GetDiretorioLog(); }), semDiretorio);
  EXPECT_EQ(RefusalOf([&] { nfe.LoadConfig("nfeConfig.ini"); }), semDiretorio);
  EXPECT_EQ(RefusalOf([&] { nfe.GetDiretorioXmlDestinatario(); }), semDiretorio);
  EXPECT_EQ(RefusalOf([&] { nfe.SetUF("XX"); }),
            (Refusal{"EvxnCheckParams", "a sigla da UF XX, é inválida."}));
  const std::string stderrText = testing::internal::GetCapturedStderr();
  EXPECT_EQ(test::CountLines(stderrText), 4u) << stderrText;
  EXPECT_NE(stderrText.find(" - EvxnCheckParams : a sigla da UF XX, é inválida."), std::string::npos)
      << stderrText;
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  // Absolute folders need no program directory.
  std::filesystem::create_directory(home.File("Log"));
  nfe.SetDiretorioLog(home.File("Log"));
  EXPECT_EQ(nfe.GetDiretorioLog(), home.File("Log/"));
}

TEST_F(NFeConfigTest, TemplatesFolderEndsInTheLayoutFolder) {
  TvxnNFe nfe;
  std::filesystem::create_directories(home.File("Modelos/vm60"));
  nfe.SetVersaoManual(vm50a);
  nfe.SetDiretorioTemplates(home.File("Modelos"));
  EXPECT_EQ(nfe.GetDiretorioTemplates(), home.File("Modelos/vm50a/"));
  // A configured layout folder is replaced by the current one; "\" is accepted as separator.
  nfe.SetDiretorioTemplates(home.File("Modelos\\vm60"));
  EXPECT_EQ(nfe.GetDiretorioTemplates(), home.File("Modelos/vm50a/"));
  nfe.SetVersaoManual(vm30);
  EXPECT_EQ(nfe.GetDiretorioTemplates(), home.File("Modelos/vm30/"));
  nfe.SetVersaoManual(vm202a);
  EXPECT_EQ(nfe.GetDiretorioTemplates(), home.File("Modelos/vm30/"));
  // A folder that does not exist, named without its trailing separator, is taken as a file name: its
  // parent folder is used.
  nfe.SetDiretorioTemplates(home.File("NaoExiste"));
  EXPECT_EQ(nfe.GetDiretorioTemplates(), home.File("vm30/"));
  // Empty means "Templates/" beside the program; the file default "\Templates" means the same.
  std::filesystem::create_directories(home.File("Templates"));
  std::filesystem::create_directories(home.File("Esquemas"));
  nfe.SetVersaoManual(vm60);
  nfe.SetDiretorioTemplates("");
  EXPECT_EQ(nfe.GetDiretorioTemplates(), home.File("Templates/vm60/"));
  nfe.SetDiretorioTemplates("\\Templates");
  EXPECT_EQ(nfe.GetDiretorioTemplates(), home.File("Templates/vm60/"));
  EXPECT_EQ(nfe.GetDiretorioEsquemas(), home.File("Esquemas/vm60/"));
  nfe.SetUF("SP");
  EXPECT_EQ(nfe.GetTemplateFolder(), home.File("Templates/vm60/SP/"));
}

TEST_F(NFeConfigTest, LogFoldersAndTheirDefaults) {
  TvxnNFe nfe;
  // The error log folder falls back to the default while the stored one does not exist.
  EXPECT_EQ(nfe.GetDiretorioLogErro(), home.File("LogErro/"));
  nfe.SetDiretorioLogErro(home.File("erros/a/b"));
  EXPECT_TRUE(DirectoryExists(home.File("erros/a/b")));
  EXPECT_EQ(nfe.GetDiretorioLogErro(), home.File("erros/a/b/"));
  std::filesystem::remove_all(home.File("erros"));
  EXPECT_EQ(nfe.GetDiretorioLogErro(), home.File("LogErro/"));
  // The XML log folder is stored on first read.
  EXPECT_EQ(nfe.GetDiretorioLog(), home.File("Log/"));
  // Destination and download folders are created by their setters, the default for an empty value.
  nfe.SetDiretorioXmlDestinatario("");
  EXPECT_EQ(nfe.GetDiretorioXmlDestinatario(), home.File("XmlDestinatario/"));
  EXPECT_TRUE(DirectoryExists(home.File("XmlDestinatario")));
  nfe.SetDiretorioDownloads(home.File("d/1"));
  EXPECT_EQ(nfe.GetDiretorioDownloads(), home.File("d/1/"));
  nfe.SetDiretorioTemporario(home.File("t/2"));
  EXPECT_EQ(nfe.GetDiretorioTemporario(), home.File("t/2/"));
  // Exceptions of the component go to its error log folder.
  nfe.SetDiretorioLogErro(home.File("erros"));
  EXPECT_THROW(nfe.SetUF("ZZ"), EvxnCheckParams);
  EXPECT_NE(ReadFileOrEmpty(home.File("erros/nfe_exception.log")).find("a sigla da UF ZZ, é inválida."),
            std::string::npos);
}

// The file written by SaveConfig, compared with one written by hand in the documented key order.
TEST_F(NFeConfigTest, SaveConfigWritesEveryKeyInOrderAndLoadsBackTheSame) {
  std::string expected =
      ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/tests/core/data/nfeConfigGravado.ini");
  ASSERT_FALSE(expected.empty());
  expected = ReplaceAll(expected, "{HOME}", home.Path());
  std::string path = home.File("gravado.ini");
  std::filesystem::create_directories(home.File("Modelos"));
  std::filesystem::create_directories(home.File("Xsd"));
  {
    TvxnNFe nfe;
    nfe.SetNomeCertificado("EMPRESA TESTE LTDA:12345678000195\r\n");
    nfe.GetGov(); // created before the certificate settings, which its creation would reset
    nfe.SetDiretorioLogErro(home.File("LogErro"));
    nfe.SetIgnoreInvalidCertificates(true);
    nfe.SetCNPJ("12345678000195");
    nfe.SetArquivoServidoresHom("servHom.ini");
    nfe.SetArquivoServidoresProd("servProd.ini");
    nfe.SetAmbiente(akProducao);
    nfe.SetDiretorioLog(home.File("Logs/"));
    nfe.SetValidarEsquemaAntesEnvio(true);
    nfe.SetLoteUnicoSincrono(false);
    nfe.SetDiretorioTemplates(home.File("Modelos"));
    nfe.SetDiretorioEsquemas(home.File("Xsd"));
    nfe.SetPinCode("9999");
    nfe.SetDiretorioTemporario(home.File("tmp"));
    nfe.SetModoOperacao(moSVCRS);
    nfe.SetSalvarLogsEmDisco(false);
    nfe.SetTipoCertificado(ckFile);
    nfe.SetCaminhoCertificado(home.File("cert.pfx"));
    nfe.SetSenhaCertificado("segredo");
    nfe.SetConexaoSegura(false);
    nfe.SetProxy("proxy.local:3128");
    nfe.SetSenha("senhaProxy");
    nfe.SetUsuario("usuarioProxy");
    nfe.SetTimeOut(45000);
    nfe.SetCaracteresRemoverAcentos("áéíç");
    nfe.SetVersaoManual(vm50a);
    nfe.SetUF("rs");
    nfe.SetAnexarDanfePDF(false);
    nfe.SetAtualizarArquivoServidores(false);
    nfe.SetIdCSRT("01");
    nfe.SetCSRT("G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO");
    nfe.SetVersaoQRCode(2);
    nfe.SetIdCSC("000001");
    nfe.SetCSC("0123456789ABCDEF0123456789ABCDEF");
    nfe.SetURLQRCode("https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode");
    nfe.SetURLConsultaNFCe("https://www.homologacao.nfce.fazenda.sp.gov.br/consulta");
    nfe.SetHttpLibs("curl");
    nfe.SetMaxSizeLoteEnvio(250);
    nfe.SetDiretorioXmlDestinatario(home.File("Destinatario"));
    nfe.SetDiretorioDownloads(home.File("Baixados"));
    nfe.SetDanfeSimplificado(true);
    TDanfeSettings& d = nfe.GetDanfeSettings();
    d.SetLogotipoEmitente(home.File("logo.jpg"));
    d.SetFraseContingencia("Impresso em contingência");
    d.SetFraseHomologacao("SEM VALOR");
    d.SetModeloRetrato("r.rtm");
    d.SetModeloPaisagem("p.rtm");
    d.SetModeloDanfeSimplificado("s.rtm");
    d.SetModeloRetratoCancelamento("c.rtm");
    d.SetModeloDanfeXmlResumo("x.rtm");
    d.SetLineDelimiter(";");
    d.SetQtdeCopias(2);
    d.SetInfCplMaxCol(80);
    d.SetInfCplMaxRow(9);
    d.SetInfCplQuebrarLinhaAut(true);
    d.SetImprimirVolume(true);
    d.SetImprimirDuplicata(false);
    d.SetMensagemPartilhaAutomatica(false);
    d.SetMensagemFCP(true);
    d.SetImprimirUnidadeTributada(true);
    d.SetModeloRTMCCe("cce.rtm");
    d.SetImprimirObsCont(false);
    d.SetImprimirFrenteVerso(fvVertical);
    d.SetImprimirLocalRetiradaEntrega(true);
    d.SetMensagemIcmsDesonerado(false);
    TvxnEmailSettings& m = nfe.GetEmailSettings();
    m.ServidorSmtp = "smtp.exemplo.test";
    m.EmailRemetente = "nfe@exemplo.test";
    m.Assunto = "NF-e emitida";
    m.Mensagem = "Segue a nota";
    m.Usuario = "nfe";
    m.Senha = "smtpSenha";
    m.TimeOut = 15000;
    m.EmailDestinatario = "cliente@exemplo.test";
    m.CCo = "cco@exemplo.test";
    m.CC = "cc@exemplo.test";
    m.Autenticacao = true;
    m.Porta = 587;
    m.ConteudoHtml = true;
    m.UseSecureBlackBox = true;
    nfe.SaveConfig(path);
  }
  EXPECT_EQ(ReadFileOrEmpty(path), expected);

  // Loading it and saving again gives the same file: every key is read back into its property.
  TvxnNFe loaded;
  loaded.LoadConfig(path);
  std::string again = home.File("de-novo.ini");
  loaded.GetGov();
  loaded.SetTipoCertificado(ckFile);
  loaded.SetIgnoreInvalidCertificates(true);
  loaded.SaveConfig(again);
  EXPECT_EQ(ReadFileOrEmpty(again), expected);
}

TEST_F(NFeConfigTest, TheCallerKeepsItsIniObjectAndTheComponentFallsBackToMemory) {
  TvxnIniFile mine;
  mine.SetText("[NFE]\nUF=mg\nCNPJ=11222333000181\n");
  TvxnNFe nfe;
  nfe.LoadConfig(&mine);
  EXPECT_EQ(nfe.GetUF(), "MG");
  EXPECT_EQ(nfe.GetCNPJ(), "11222333000181");
  // The caller's object is untouched and still usable; the component now writes to memory only.
  EXPECT_EQ(mine.ReadString("NFE", "UF", ""), "mg");
  nfe.GetGov();
  nfe.SaveConfig(std::string_view{});
  EXPECT_FALSE(FileExists(home.File("nfeConfig.ini")));
  EXPECT_EQ(nfe.GetConfigINI().ReadString("NFE", "UF", ""), "MG");
  EXPECT_FALSE(nfe.GetConfigINI().IsFileBacked());
  TvxnIniFile target;
  nfe.SaveConfig(&target);
  EXPECT_EQ(target.ReadString("NFE", "CNPJ", ""), "11222333000181");
  EXPECT_EQ(target.ReadSection("NFE").front(), "DiretorioLogErro");
}

TEST_F(NFeConfigTest, ChecksBeforeAnOperationStopAtTheFirstFailure) {
  TvxnNFe nfe;
  nfe.SetDiretorioLogErro(home.File("erros"));
  EXPECT_EQ(RefusalOf([&] { nfe.CheckConfig(); }), (Refusal{"EvxnNFeException", "O campo UF está vazio."}));
  nfe.SetUF("SP");
  EXPECT_EQ(RefusalOf([&] { nfe.CheckConfig(); }), (Refusal{"EvxnNFeException", "O campo CNPJ está vazio."}));
  nfe.SetCNPJ("123");
  EXPECT_EQ(RefusalOf([&] { nfe.CheckConfig(); }),
            (Refusal{"EvxnNFeException", "CNPJ deve conter 14 dígitos ou 11 dígitos quando for CPF. 123"}));
  nfe.SetCNPJ("12345678000195");
  nfe.SetDiretorioLog("/proc/nao/pode");
  EXPECT_EQ(RefusalOf([&] { nfe.CheckConfig(); }),
            (Refusal{"EvxnNFeException", "O diretório para salvar os Logs, é inválido. /proc/nao/pode"}));
  // One level is created when missing.
  nfe.SetDiretorioLog(home.File("NovoLog"));
  nfe.SetArquivoServidoresHom(home.File("hom.ini"));
  EXPECT_EQ(RefusalOf([&] { nfe.CheckConfig(); }),
            (Refusal{"EvxnNFeException",
                     "Caminho dos servidores de Homologação inválido. " + home.File("hom.ini")}));
  EXPECT_TRUE(DirectoryExists(home.File("NovoLog")));
  Write("hom.ini", "[SP]\n");
  nfe.SetArquivoServidoresProd(home.File("prod.ini"));
  nfe.SetDiretorioXmlDestinatario(home.File("dest"));
  nfe.CheckConfig(); // homologation does not need the production file
  nfe.SetAmbiente(akProducao);
  EXPECT_EQ(
      RefusalOf([&] { nfe.CheckConfig(); }),
      (Refusal{"EvxnNFeException", "Caminho dos servidores de Produção inválido. " + home.File("prod.ini")}));
  Write("prod.ini", "[SP]\n");
  nfe.SetMaxSizeLoteEnvio(0);
  EXPECT_EQ(RefusalOf([&] { nfe.CheckConfig(); }),
            (Refusal{"EvxnNFeCheckParams", "O tamanho máximo para o lote está com valor menor que um."}));
}

TEST_F(NFeConfigTest, SnapshotAndServersFileOfTheCurrentEnvironment) {
  Write("hom.ini", "[SP]\nNfeStatusServico4=https://127.0.0.1/hom\n");
  Write("prod.ini", "[SP]\nNfeStatusServico4=https://127.0.0.1/prod\n");
  TvxnNFe nfe;
  nfe.SetUF("sp");
  nfe.SetCNPJ("12345678000195");
  nfe.SetArquivoServidoresHom("hom.ini");
  nfe.SetArquivoServidoresProd("prod.ini");
  nfe.UpdateNFeData();
  const TNFeData& d = nfe.GetNFeData();
  ASSERT_NE(d.ServersIni, nullptr);
  EXPECT_EQ(d.ServersIni->ReadString("SP", "NfeStatusServico4", ""), "https://127.0.0.1/hom");
  EXPECT_EQ(d.ArquivoServidoresHom, home.File("hom.ini"));
  EXPECT_EQ(d.AmbienteStr, "2");
  EXPECT_EQ(d.LocalCode, "35");
  EXPECT_EQ(d.UF, "SP");
  EXPECT_EQ(d.CNPJ, "12345678000195");
  EXPECT_EQ(d.VersaoManual, vm60);
  nfe.SetAmbiente(akProducao);
  nfe.UpdateNFeData();
  ASSERT_NE(d.ServersIni, nullptr);
  EXPECT_EQ(d.ServersIni->ReadString("sp", "nfestatusservico4", ""), "https://127.0.0.1/prod");
  EXPECT_EQ(d.AmbienteStr, "1");
  // A missing servers file leaves the snapshot without one and fails when opened directly.
  nfe.SetArquivoServidoresProd("sumiu.ini");
  nfe.UpdateNFeData();
  EXPECT_EQ(d.ServersIni, nullptr);
  EXPECT_EQ(RefusalOf([&] { nfe.AbrirArquivoServidores(); }),
            (Refusal{"EvxnFileNotFoundException",
                     "O arquivo de servidores informado não existe: " + home.File("sumiu.ini")}));
}

TEST_F(NFeConfigTest, ShippedServersFilesHaveEveryStateTheNationalAndContingencySections) {
  for (const char* name : {"nfeServidoresProd.ini", "nfeServidoresHom.ini"}) {
    TvxnIniFile ini(std::string(QVX_SOURCE_DIR) + "/data/" + name);
    for (const auto& [uf, code] : kUFTable) {
      SCOPED_TRACE(std::string(name) + " " + std::string(uf));
      ASSERT_TRUE(ini.SectionExists(uf));
      if (uf != "AN") {
        EXPECT_TRUE(StartsWithText(ini.ReadString(uf, "NfeStatusServico4", ""), "https://"));
        EXPECT_TRUE(StartsWithText(ini.ReadString(uf, "NfeRecepcao4", ""), "https://"));
        EXPECT_TRUE(StartsWithText(ini.ReadString(uf, "nfeRecepcaoEvento4", ""), "https://"));
      }
    }
    EXPECT_TRUE(StartsWithText(ini.ReadString("AN", "nfeConsultaDFe", ""), "https://"));
    EXPECT_TRUE(StartsWithText(ini.ReadString("SVCAN", "NfeRecepcao4", ""), "https://"));
    EXPECT_TRUE(StartsWithText(ini.ReadString("SVCRS", "NfeRecepcao4", ""), "https://"));
  }
  // A state is served by its authoriser: Acre by SVRS, Maranhão by SVAN, São Paulo by its own.
  TvxnIniFile hom(std::string(QVX_SOURCE_DIR) + "/data/nfeServidoresHom.ini");
  EXPECT_EQ(hom.ReadString("AC", "NfeStatusServico4", ""),
            "https://nfe-homologacao.svrs.rs.gov.br/ws/NfeStatusServico/NfeStatusServico4.asmx");
  EXPECT_EQ(hom.ReadString("MA", "NfeStatusServico4", ""),
            "https://hom.sefazvirtual.fazenda.gov.br/NFeStatusServico4/NFeStatusServico4.asmx");
  EXPECT_EQ(hom.ReadString("SP", "NfeStatusServico4", ""),
            "https://homologacao.nfe.fazenda.sp.gov.br/ws/nfestatusservico4.asmx");
  // The shipped files pass the marker check of the automatic update.
  TvxnNFe nfe;
  EXPECT_EQ(hom.ReadString("Portal", "endereco", ""), nfe.GetEnderecoPortalHom());
  TvxnIniFile prod(std::string(QVX_SOURCE_DIR) + "/data/nfeServidoresProd.ini");
  EXPECT_EQ(prod.ReadString("Portal", "endereco", ""), nfe.GetEnderecoPortalProd());
}

TEST_F(NFeConfigTest, DanfeSettingsListInItsOrderWithResolvedModels) {
  std::filesystem::create_directories(home.File("Templates/vm60/Danfe"));
  for (const char* f : {"retrato.rtm", "paisagem.rtm", "RetratoCanc.rtm", "resumo.rtm"})
    Write(std::string("Templates/vm60/Danfe/") + f, "modelo");
  TvxnNFe nfe;
  TDanfeSettings& d = nfe.GetDanfeSettings();
  d.SetModeloRetrato("retrato.rtm");
  d.SetModeloPaisagem("paisagem.rtm");
  d.SetModeloRetratoCancelamento("RetratoCanc.rtm");
  d.SetModeloDanfeXmlResumo("resumo.rtm");
  d.SetLogotipoEmitente("/logo.jpg");
  nfe.LoadDanfeSettings(false);
  const TvxnStringList& p = nfe.GetDanfeParams();
  std::vector<std::string> names;
  for (std::size_t i = 0; i < p.Count(); ++i)
    names.push_back(p.Name(i));
  EXPECT_EQ(names,
            test::Lines(ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/tests/core/data/danfeParams.txt")));
  EXPECT_EQ(p.Value("ModeloRetrato"), home.File("Templates/vm60/Danfe/retrato.rtm"));
  EXPECT_EQ(p.Value("Versao"), "6.0");
  EXPECT_EQ(p.Value("LogotipoEmitente"), "/logo.jpg");
  EXPECT_EQ(p.Value("ImprimirDuplicata"), "-1");
  EXPECT_EQ(p.Value("ImprimirVolume"), "0");
  nfe.LoadDanfeSettings(true);
  EXPECT_EQ(p.Value("LogotipoEmitente"), "");
  EXPECT_EQ(p.IndexOfName("LogotipoEmitente"), 6);
  d.SetModeloPaisagem("sumiu.rtm");
  EXPECT_EQ(RefusalOf([&] { nfe.LoadDanfeSettings(false); }),
            (Refusal{"EvxnNFeException", "Arquivo de Modelo Paisagem não encontrado: \"sumiu.rtm\""}));
}

} // namespace
} // namespace vxn
