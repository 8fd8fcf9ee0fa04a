// The government-services objects the component owns, how it configures them,
// and the certificate operations it passes on to them.
#include "vxnNFe.h"

#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"

namespace vxn {

namespace {

// Certificate in KeyInfo and one-line base64 values: the signature form of the
// NF-e standard.
constexpr int kAssinaturaNFe = TvxnSignerSettings::kIncludeCertificate | TvxnSignerSettings::kCompactBase64;

} // namespace

TvxnGovX& TvxnCustomNFe::GetGov() {
  if (!gov_) {
    gov_ = std::make_unique<TvxnGovX>();
    gov_->OnCheckCertificate = [this](std::string& nome) {
      if (onCheckCertificate_)
        onCheckCertificate_(nome);
    };
    gov_->Get_SignerSettings().Options = kAssinaturaNFe;
    // A request that never reached the server says so beside its log.
    gov_->OnDelivery = [this](bool entregue, const std::string& url, const std::string& motivo) {
      GetGovUtils().MarcarUltimoLog(entregue, url, motivo);
    };
    // A new government-services object starts from a certificate file and a
    // lenient transport: what the host set before this moment does not survive
    // it.
    ignoreInvalidCertificates_ = true;
    tipoCertificado_ = ckFile;
    nomeCertificado_.OnSetText = [this](const std::string& nome) { SetNomeCert(nome); };
  }
  ConfigurarEmailSettings();
  ConfigurarPropriedades();
  return *gov_;
}

TvxnGovUtils& TvxnCustomNFe::GetGovUtils() {
  if (!govUtils_) {
    govUtils_ = std::make_unique<TvxnGovUtils>();
    govUtils_->SetOnLog([this](const std::string& nome, const std::string& id, const std::string& arquivo) {
      if (onLog_)
        onLog_(nome, id, arquivo);
    });
    govUtils_->SetOnLogContent([this](const std::string& nome, const std::string& id,
                                      const std::string& arquivo, const std::string& conteudo) {
      if (onLogContent_)
        onLogContent_(nome, id, arquivo, conteudo);
    });
  }
  govUtils_->SetSaveLogToFile(salvarLogsEmDisco_);
  govUtils_->SetDiretorioLogErro(GetDiretorioLogErro());
  return *govUtils_;
}

void TvxnCustomNFe::ConfigurarEmailSettings() {
  if (!gov_) {
    GetGov();
    return;
  }
  const TvxnEmailSettings& m = GetEmailSettings();
  TvxnEmailSettings& g = gov_->Get_EmailSettings();
  // The recipient travels with each mail, not in the settings.
  g.EmailRemetente = m.EmailRemetente;
  g.ServidorSmtp = m.ServidorSmtp;
  g.Usuario = m.Usuario;
  g.Senha = m.Senha;
  g.Assunto = m.Assunto;
  g.Mensagem = m.Mensagem;
  g.Porta = m.Porta;
  g.Autenticacao = m.Autenticacao;
  g.CCo = m.CCo;
  g.CC = m.CC;
  g.TimeOut = m.TimeOut;
  g.ConteudoHtml = m.ConteudoHtml;
}

void TvxnCustomNFe::ConfigurarPropriedades() {
  if (!gov_) {
    GetGov();
    return;
  }
  TvxnHttpSettings& http = gov_->Get_HttpSettings();
  TvxnSignerSettings& signer = gov_->Get_SignerSettings();
  http.PinCode = pinCode_;
  signer.PinCode = pinCode_;
  http.Pkcs11Module = moduloPKCS11_;
  signer.Pkcs11Module = moduloPKCS11_;
  http.Proxy = proxy_;
  signer.CertificateKind = tipoCertificado_;
  http.CertificateKind = tipoCertificado_;
  std::string templates = GetDiretorioTemplates();
  RemoveVersaoManualDoPath(templates);
  signer.AllowedElementsFile = ExcludeTrailingPathDelimiter(templates) + "/elementospermitidos.bin";
  http.IgnoreInvalidCertificates = ignoreInvalidCertificates_;
  http.ShippedRootsDir = ProgramDirectory() + "ICP-Brasil/";
  http.AdditionalCAFile = arquivoCAAdicional_.empty() ? "" : ExpandPath(arquivoCAAdicional_);
  http.ShippedRootsOnly = somenteRaizesICPBrasil_;
  // The exclusive file replaces the transport's own only when the property changes, so that a host
  // that set the transport's file directly keeps it.
  if (gov_->Get_Configuration("ArquivoCAExclusivo") != arquivoCAExclusivo_) {
    http.TrustedCAFile = arquivoCAExclusivo_.empty() ? "" : ExpandPath(arquivoCAExclusivo_);
    gov_->Configure("ArquivoCAExclusivo", arquivoCAExclusivo_);
  }
  http.SecureConnection = conexaoSegura_;
  http.TimeOut = timeOut_;
  http.Password = senha_;
  http.User = usuario_;
  GetGovUtils().SetSaveLogToFile(salvarLogsEmDisco_);
  if (!caminhoCertificado_.empty()) {
    http.CertificatePath = caminhoCertificado_;
    signer.CertificatePath = caminhoCertificado_;
  }
  if (std::string nome = NomeCertificadoTexto(); !nome.empty()) {
    http.CertificateName = nome;
    signer.CertificateName = nome;
  }
  if (!senhaCertificado_.empty()) {
    http.CertificatePassword = senhaCertificado_;
    signer.CertificatePassword = senhaCertificado_;
  }
  gov_->Set_DiagnosticMode(GetDiagnosticMode());
  // Failures inside the library are the component's failures: same error log.
  gov_->Set_ErrorLogDirectory(GetDiretorioLogErro());
  if (Trim(httpLibs_).empty())
    httpLibs_ = "wininet,sbb";
  gov_->Configure("HttpLibs", httpLibs_);
  InstanciarNFeIntf();
}

void TvxnCustomNFe::SetNomeCert(std::string_view name) {
  TvxnGovX& gov = GetGov();
  gov.Get_SignerSettings().CertificateName = name;
  gov.Get_HttpSettings().CertificateName = name;
  if (!name.empty())
    CheckCertificate();
}

void TvxnCustomNFe::ListarCertificados(TvxnStringList* lista) {
  if (!lista)
    throw EvxnCheckParams("A lista do certificado não foi instanciada. ", GetDiretorioLogErro());
  lista->Clear();
  for (const auto& nome : GetGov().ListCertificates())
    lista->Add(nome);
}

std::chrono::system_clock::time_point TvxnCustomNFe::GetVencimentoCertificado() {
  return GetGov().CertificateExpiration();
}

std::chrono::system_clock::time_point TvxnCustomNFe::GetValidadeInicialCertificado() {
  return GetGov().CertificateValidFrom();
}

void TvxnCustomNFe::CheckCertificate() {
  GetGov().CheckCertificate();
}

} // namespace vxn
