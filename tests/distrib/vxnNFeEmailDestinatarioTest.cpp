// E-mail of the distribution XML to a real SMTP server on loopback (aiosmtpd): STARTTLS with a test
// certificate and authentication, recipients in To, CC and BCC, the attachment compared byte for byte and
// the DANFE PDF beside it,
// and the refusals that come before anything is sent.
#include "DistribuicaoFixture.h"
#include "datasets/vxnNFeDataSets.h"
#include "support/DevPki.h"
#include "support/NFeDocumentFiller.h"
#include "support/RefusalOf.h"
#include "support/SignedNFeDocument.h"
#include "support/SmtpTestServer.h"
#include "vxnFiles.h"
#include "vxnGovX.h"

#include <gtest/gtest.h>

namespace vxn::test {
namespace {

using test::Refusal;
using test::RefusalOf;

class EmailDestinatarioTest : public DistribuicaoTest {
protected:
  void SetUp() override {
    nfe_->SetDiretorioTemporario(dir_.File("tmp/"));
    TvxnEmailSettings& m = nfe_->GetEmailSettings();
    m.ServidorSmtp = "127.0.0.1";
    m.Usuario = "emissor";
    m.Senha = "s3nh@";
    m.Autenticacao = true;
    m.EmailRemetente = "nfe@emissor.com.br";
    m.EmailDestinatario = "compras@cliente.com.br";
    m.CC = "fiscal@cliente.com.br";
    m.CCo = "arquivo@emissor.com.br";
    m.Assunto = "NF-e emitida – Quorvant Indústria";
    m.Mensagem = "Segue o XML da nota fiscal eletrônica.";
    m.TimeOut = 20000;
    // The server's certificate is checked against the test authority.
    nfe_->GetGov();
    nfe_->SetIgnoreInvalidCertificates(false);
    nfe_->GetGov().Get_HttpSettings().TrustedCAFile = caFile_;
  }

  SmtpTestOptions ComTls() const {
    const dev::TvxnDevIdentity servidor = sim_.Authority().IssueServer();
    return {.User = "emissor",
            .Password = "s3nh@",
            .CertificatePem = servidor.CertificatePem,
            .PrivateKeyPem = servidor.PrivateKeyPem,
            .ImplicitTls = false};
  }

  // An authorised document in the distribution folder, as EnviarNFSincrono leaves it.
  std::string NotaAutorizada(int nNF) {
    TvxnNFeDataSets ds;
    ds.SetXMLDicionario(ShippedDictionary());
    FillDocument(ds, nNF, 1);
    ds.Salvar();
    const std::string nota = nfe_->AssinarNota(ds.GetLoteNFe()[0]);
    nfe_->EnviarNFSincrono(std::to_string(nNF), nota, false);
    const std::string chave = ChaveDe(nota);
    EXPECT_TRUE(FileExists(NaPasta(chave + "-nfe.xml")));
    return chave;
  }

  std::string Temp(const std::string& nome) const { return nfe_->GetDiretorioTemporario() + nome; }
};

TEST_F(EmailDestinatarioTest, AuthorisedDocumentIsMailedOverStartTlsWithItsXmlAttachedUnchanged) {
  SmtpTestServer servidor(ComTls());
  nfe_->GetEmailSettings().Porta = servidor.Port();
  const std::string chave = NotaAutorizada(8501);

  nfe_->EnviarNotaDestinatario(chave, "", "");

  const std::vector<SmtpTestMessage> recebidas = servidor.Messages();
  ASSERT_EQ(recebidas.size(), 1u);
  const SmtpTestMessage& m = recebidas[0];
  EXPECT_TRUE(m.Tls);
  EXPECT_EQ(m.Login, "emissor");
  EXPECT_EQ(m.MailFrom, "nfe@emissor.com.br");
  EXPECT_EQ(m.RcptTos, (std::vector<std::string>{"compras@cliente.com.br", "fiscal@cliente.com.br",
                                                 "arquivo@emissor.com.br"}));
  EXPECT_EQ(m.Subject, "NF-e emitida – Quorvant Indústria");
  EXPECT_EQ(m.From, "nfe@emissor.com.br");
  EXPECT_EQ(m.To, "compras@cliente.com.br");
  EXPECT_EQ(m.Cc, "fiscal@cliente.com.br");
  EXPECT_EQ(m.Bcc, "");
  EXPECT_EQ(m.Raw.find("arquivo@emissor.com.br"), std::string::npos) << "BCC must not show in the message";
  EXPECT_EQ(m.BodyType, "text/plain");
  EXPECT_EQ(m.Body, "Segue o XML da nota fiscal eletrônica.");
  // The XML, then its DANFE (AnexarDanfePDF is on in TvxnNFe): a whole PDF titled with the key.
  ASSERT_EQ(m.Attachments.size(), 2u);
  EXPECT_EQ(m.Attachments[0].first, chave + "-nfe.xml");
  EXPECT_EQ(m.Attachments[0].second, ReadFileOrEmpty(NaPasta(chave + "-nfe.xml")));
  EXPECT_EQ(m.Attachments[1].first, chave + ".pdf");
  EXPECT_EQ(m.Attachments[1].second.substr(0, 5), "%PDF-");
  EXPECT_NE(m.Attachments[1].second.find("%%EOF"), std::string::npos);
  EXPECT_NE(m.Attachments[1].second.find(chave), std::string::npos);
  // The temporary copies are gone, the distribution file stays.
  EXPECT_FALSE(FileExists(Temp(chave + "-nfe.xml")));
  EXPECT_FALSE(FileExists(Temp(chave + ".pdf")));
  EXPECT_TRUE(FileExists(NaPasta(chave + "-nfe.xml")));
}

TEST_F(EmailDestinatarioTest, EachMissingSettingIsNamedInOrderBeforeAnythingIsSent) {
  SmtpTestServer servidor(ComTls());
  const std::string chave = std::string(44, '1');
  struct Caso {
    std::function<void(TvxnEmailSettings&)> limpar;
    std::string nome;
  };
  const std::vector<Caso> casos = {{[](TvxnEmailSettings& m) { m.ServidorSmtp = ""; }, "ServidorSmtp"},
                                   {[](TvxnEmailSettings& m) { m.Porta = 0; }, "Porta"},
                                   {[](TvxnEmailSettings& m) { m.Usuario = ""; }, "Usuário"},
                                   {[](TvxnEmailSettings& m) { m.Senha = ""; }, "Senha"},
                                   {[](TvxnEmailSettings& m) { m.Assunto = ""; }, "Assunto"},
                                   {[](TvxnEmailSettings& m) { m.Mensagem = ""; }, "Mensagem"}};
  // Each field alone, then all of them together (the first one wins).
  for (const Caso& caso : casos) {
    nfe_->GetEmailSettings().Porta = servidor.Port();
    const TvxnEmailSettings antes = nfe_->GetEmailSettings();
    caso.limpar(nfe_->GetEmailSettings());
    EXPECT_EQ(
        RefusalOf([&] { nfe_->EnviarNotaDestinatario(chave, "", ""); }),
        (Refusal{"EvxnNFeException", "O campo " + caso.nome + " da configuração de e-mail está vazio."}));
    nfe_->GetEmailSettings() = antes;
  }
  for (const Caso& caso : casos)
    caso.limpar(nfe_->GetEmailSettings());
  EXPECT_EQ(RefusalOf([&] { nfe_->ChecarConfiguracoesEmail(); }).message,
            "O campo ServidorSmtp da configuração de e-mail está vazio.");
  EXPECT_TRUE(servidor.Messages().empty());
}

TEST_F(EmailDestinatarioTest, DocumentNotInTheFolderOrNotWrittenIsRefusedAndTheTemporaryFilesAreGone) {
  SmtpTestServer servidor(ComTls());
  nfe_->GetEmailSettings().Porta = servidor.Port();
  const std::string chave(44, '7');
  EXPECT_EQ(
      RefusalOf([&] { nfe_->EnviarNotaDestinatario(chave, "", ""); }),
      (Refusal{"EvxnNFeException", "Xml da NFe: " + chave + " na pasta XMLDestinatário não encontrado."}));

  // Logs given while logs are not saved: the document is built but not written, so there is nothing
  // to attach.
  const std::string nota = NovaNota();
  const std::string lote = EnviNFeLot(nota, true, "8600");
  const std::string retorno = Enviar(lote);
  nfe_->SetSalvarLogsEmDisco(false);
  EXPECT_EQ(RefusalOf([&] { nfe_->EnviarNotaDestinatario(ChaveDe(nota), lote, retorno); }),
            (Refusal{"EvxnFileNotFoundException",
                     "Arquivo não Encontrado: " + Temp(ChaveDe(nota) + "-nfe.xml") + " "}));
  EXPECT_FALSE(FileExists(Temp(ChaveDe(nota) + "-nfe.xml")));
  EXPECT_TRUE(servidor.Messages().empty());

  // With logs saved the same call sends, and still leaves no temporary file.
  nfe_->SetSalvarLogsEmDisco(true);
  nfe_->EnviarNotaDestinatario(ChaveDe(nota), lote, retorno);
  ASSERT_EQ(servidor.Messages().size(), 1u);
  EXPECT_EQ(servidor.Messages()[0].Attachments.at(0).first, ChaveDe(nota) + "-nfe.xml");
  EXPECT_FALSE(FileExists(Temp(ChaveDe(nota) + "-nfe.xml")));
}

TEST_F(EmailDestinatarioTest, AttachmentsGoInOrderPdfXmlThenTheOthersWithAnHtmlBody) {
  SmtpTestServer servidor(ComTls());
  nfe_->GetEmailSettings().Porta = servidor.Port();
  nfe_->GetEmailSettings().ConteudoHtml = true;
  nfe_->GetEmailSettings().Mensagem = "<p>Segue a <b>NF-e</b>.</p>";
  const std::string pdf = dir_.File("danfe.pdf"), xml = dir_.File("nota.xml");
  const std::string a = dir_.File("boleto.txt"), b = dir_.File("pedido.csv");
  WriteFileAtomic(pdf, std::string("%PDF-1.4\n\x00\x01\xff binario", 20));
  WriteFileAtomic(xml, "<nfeProc/>");
  WriteFileAtomic(a, "linha 1\r\nlinha 2\r\n");
  WriteFileAtomic(b, "item;qtd\n1;2\n");

  nfe_->EnviarNotaDestinatarioAnexos(pdf, xml, a + "," + b);

  const std::vector<SmtpTestMessage> recebidas = servidor.Messages();
  ASSERT_EQ(recebidas.size(), 1u);
  EXPECT_EQ(recebidas[0].BodyType, "text/html");
  EXPECT_EQ(recebidas[0].Body, "<p>Segue a <b>NF-e</b>.</p>");
  using Anexo = std::pair<std::string, std::string>;
  EXPECT_EQ(recebidas[0].Attachments, (std::vector<Anexo>{{"danfe.pdf", ReadFileOrEmpty(pdf)},
                                                          {"nota.xml", ReadFileOrEmpty(xml)},
                                                          {"boleto.txt", ReadFileOrEmpty(a)},
                                                          {"pedido.csv", ReadFileOrEmpty(b)}}));
}

TEST_F(EmailDestinatarioTest, AttachmentRefusalsComeBeforeSending) {
  SmtpTestServer servidor(ComTls());
  nfe_->GetEmailSettings().Porta = servidor.Port();
  const std::string xml = dir_.File("nota.xml");
  WriteFileAtomic(xml, "<nfeProc/>");
  const std::string falta = dir_.File("falta.txt");
  EXPECT_EQ(RefusalOf([&] { nfe_->EnviarNotaDestinatarioAnexos("", xml, xml + "," + falta); }),
            (Refusal{"EvxnNFeCheckParams", "Arquivo " + falta + " não encontrado para anexar ao email."}));
  EXPECT_EQ(RefusalOf([&] { nfe_->EnviarNotaDestinatarioAnexos("", "", ""); }),
            (Refusal{"EvxnCheckParams", "É necessário informar pelo menos um arquivo para Anexar no Email"}));
  EXPECT_EQ(
      RefusalOf([&] { nfe_->EnviarNotaDestinatarioAnexos(falta, xml, ""); }),
      (Refusal{"EvxnFileNotFoundException", "Arquivo: [" + falta + "] PDF da danfe não foi encontrado"}));
  EXPECT_EQ(RefusalOf([&] { nfe_->EnviarNotaDestinatarioAnexos("", falta, ""); }),
            (Refusal{"EvxnFileNotFoundException", "Arquivo: [" + falta + "] XML da NFe não foi encontrado"}));
  EXPECT_TRUE(servidor.Messages().empty());
}

// The server refuses the password or one of the recipients, or drops the connection once the message's
// data has arrived: each time the host hears of it and nothing was delivered.
TEST_F(EmailDestinatarioTest, ARefusedPasswordOrRecipientOrAConnectionDroppedDuringDataIsAFailure) {
  const std::string xml = dir_.File("nota.xml");
  WriteFileAtomic(xml, "<nfeProc/>");
  for (const std::string caso : {"password refused", "recipient refused", "connection dropped"}) {
    SCOPED_TRACE(caso);
    SmtpTestOptions o = ComTls();
    o.DropDuringData = caso == "connection dropped";
    if (caso == "recipient refused")
      o.RefusedRecipients = {"fiscal@cliente.com.br"};
    SmtpTestServer servidor(o);
    nfe_->GetEmailSettings().Porta = servidor.Port();
    nfe_->GetEmailSettings().Senha = caso == "password refused" ? "errada" : "s3nh@";
    const Refusal r = RefusalOf([&] { nfe_->EnviarNotaDestinatarioAnexos("", xml, ""); });
    EXPECT_EQ(r.className, "EvxnNFeEnviarNotaDestinatarioException");
    EXPECT_TRUE(r.message.starts_with("Erro ao enviar e-mail ao destinatário: Falha ao enviar e-mail por "
                                      "smtp://127.0.0.1:" +
                                      std::to_string(servidor.Port())))
        << r;
    EXPECT_TRUE(servidor.Messages().empty());
  }
}

TEST_F(EmailDestinatarioTest, CertificateOfAnotherAuthorityIsRefused) {
  DevPki outra;
  SmtpTestServer servidor({.User = "emissor",
                           .Password = "s3nh@",
                           .CertificatePem = outra.Server().CertificatePem,
                           .PrivateKeyPem = outra.Server().PrivateKeyPem,
                           .ImplicitTls = false});
  nfe_->GetEmailSettings().Porta = servidor.Port();
  const std::string xml = dir_.File("nota.xml");
  WriteFileAtomic(xml, "<nfeProc/>");
  EXPECT_EQ(RefusalOf([&] { nfe_->EnviarNotaDestinatarioAnexos("", xml, ""); }).className,
            "EvxnNFeEnviarNotaDestinatarioException");
  EXPECT_TRUE(servidor.Messages().empty());
}

TEST_F(EmailDestinatarioTest, ImplicitTlsServerNamedWithItsScheme) {
  SmtpTestOptions o = ComTls();
  o.ImplicitTls = true;
  SmtpTestServer servidor(o);
  nfe_->GetEmailSettings().ServidorSmtp = "smtps://127.0.0.1";
  nfe_->GetEmailSettings().Porta = servidor.Port();
  const std::string xml = dir_.File("nota.xml");
  WriteFileAtomic(xml, "<nfeProc/>");
  nfe_->EnviarNotaDestinatarioAnexos("", xml, "");
  ASSERT_EQ(servidor.Messages().size(), 1u);
  EXPECT_TRUE(servidor.Messages()[0].Tls);
}

TEST_F(EmailDestinatarioTest, CancellationDocumentOfTheFolderIsMailedToTheGivenAddress) {
  SmtpTestServer servidor(ComTls());
  nfe_->GetEmailSettings().Porta = servidor.Port();
  const std::string chave(44, '3');
  EXPECT_EQ(RefusalOf([&] { nfe_->EnviarNotaCanceladaDestinatario(chave, "", "", ""); }),
            (Refusal{"EvxnNFeException", "Xml de Cancelamento da NFe: " + chave +
                                             " não foi encontrado na pasta XMLDestinatário."}));
  EXPECT_EQ(RefusalOf([&] { nfe_->EnviarNotaCanceladaDestinatario(chave, "pedido.xml", "", ""); }),
            (Refusal{"EvxnNFeEnviarNotaCanceladaDestinatario", "O Log informado está errado ou inválido."}));

  WriteFileAtomic(NaPasta(chave + "-caneve.xml"), "<procEventoNFe/>");
  nfe_->EnviarNotaCanceladaDestinatario(chave, "", "", "outro@cliente.com.br");
  const std::vector<SmtpTestMessage> recebidas = servidor.Messages();
  ASSERT_EQ(recebidas.size(), 1u);
  const SmtpTestMessage& m = recebidas[0];
  EXPECT_EQ(m.To, "outro@cliente.com.br");
  EXPECT_EQ(m.Attachments,
            (std::vector<std::pair<std::string, std::string>>{{chave + "-caneve.xml", "<procEventoNFe/>"}}));
  EXPECT_FALSE(FileExists(Temp(chave + "-caneve.xml")));
}

} // namespace
} // namespace vxn::test
