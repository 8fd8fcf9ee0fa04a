#include "NfeSession.h"

#include "NfeDataDirectory.h"
#include "NfeTestCertificate.h"
#include "NfeToolError.h"
#include "contingency/vxnContingenciaSVC.h"
#include "sefaz-sim/SefazSim.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

namespace vxn::tool {

namespace {

namespace fs = std::filesystem;

// A folder of its own under the temporary directory for this run.
std::string MakeRunDirectory() {
  std::error_code ec;
  std::string pattern = (fs::temp_directory_path(ec) / "nfe-XXXXXX").string();
  if (ec || ::mkdtemp(pattern.data()) == nullptr)
    throw ENfeToolError(kExitConfiguracao, "cannot create a temporary folder for the local server");
  return pattern + "/";
}

} // namespace

TNfeSession::TNfeSession(TNfeGlobalOptions options) : options_(std::move(options)) {}

TNfeSession::~TNfeSession() {
  nfe_.reset();
  if (sim_)
    sim_->Stop();
  if (!runDir_.empty()) {
    std::error_code ec;
    fs::remove_all(runDir_, ec);
  }
}

TvxnNFe& TNfeSession::Componente() {
  if (!nfe_)
    Configurar();
  return *nfe_;
}

void TNfeSession::Configurar() {
  if (options_.Destinatario && !PadraoEmbutido())
    throw ENfeToolError(kExitUso, "--destinatario works on the embedded default only; with --config give the "
                                  "recipient's own configuration (sefaz-sim --write-config DIR writes "
                                  "DIR/destinatario/nfeConfig.ini)");
  if (options_.EmitenteAlfanumerico && !PadraoEmbutido())
    throw ENfeToolError(kExitUso, "--emitente-alfanumerico works on the embedded default only; with --config "
                                  "give that issuer's own configuration and certificate");
  if (options_.UfParalisada && !PadraoEmbutido())
    throw ENfeToolError(kExitUso, "--uf-paralisada works on the embedded default only; with --config start "
                                  "sefaz-sim with --paralysed UF=CODE");
  nfe_ = std::make_unique<TvxnNFe>();
  nfe_->SetOnXmlDestinatario([this](const std::string& arquivo) {
    const std::string nome = ExtractFileName(arquivo);
    xmlDestinatario_[nome.substr(0, 44)] = arquivo;
  });
  if (options_.Verbose)
    nfe_->SetOnLog([](const std::string& nome, const std::string&, const std::string& arquivo) {
      std::cerr << "nfe: log " << nome << ": " << arquivo << "\n";
    });
  if (PadraoEmbutido())
    ConfigurarPadraoEmbutido();
  else
    CarregarConfig();
  // The component trusts any server once its government-services object exists; the tool verifies the
  // chain and the host name of every server unless told otherwise.
  if (options_.VersaoManual)
    nfe_->SetVersaoManual(*options_.VersaoManual);
  if (options_.ModoOperacao)
    nfe_->SetModoOperacao(*options_.ModoOperacao);
  if (options_.ModoSVCDaUF)
    nfe_->SetModoOperacao(vxn::ModoSVCDaUF(nfe_->GetUF()));
  nfe_->GetGov();
  nfe_->SetIgnoreInvalidCertificates(options_.Inseguro);
}

void TNfeSession::CarregarConfig() {
  // The component resolves a name that does not exist to a default file of the program folder; a
  // person who mistyped the path must hear about it instead.
  fs::path path = fs::absolute(fs::path(options_.ConfigFile));
  if (fs::is_directory(path))
    path /= "nfeConfig.ini";
  if (!fs::is_regular_file(path))
    throw ENfeToolError(kExitConfiguracao, "configuration file not found: " + path.string());
  // A file that loads but cannot serve (no servers file, a certificate that does not open, no CNPJ) is
  // an unusable configuration too, told before any command runs on it.
  try {
    nfe_->LoadConfig(path.string());
    // The first creation of the government-services object sets the certificate kind to a file: the
    // file's kind (a store, a smart card or token) is put back after it.
    const TCertificadoKind tipo = nfe_->GetTipoCertificado();
    nfe_->GetGov();
    nfe_->SetTipoCertificado(tipo);
    // The PIN of a smart card or token may come from the environment instead of the file, which stores
    // it encrypted by the library.
    if (const char* pin = std::getenv("QUORVANT_NFE_PIN"); pin && *pin)
      nfe_->SetPinCode(pin);
    nfe_->CheckConfig();
    if (verificarCertificado_)
      nfe_->CheckCertificate();
  } catch (const EvxnException& e) {
    throw ENfeToolError(kExitConfiguracao, e.ClassName() + ": " + e.Message());
  }
}

void TNfeSession::ConfigurarPadraoEmbutido() {
  dataDir_ = NfeDataDirectory();
  // The recipient keeps its files apart; the local server's state (in the data folder) is shared, so
  // that both sides of a sale meet.
  const std::string pastas = dataDir_ + (options_.Destinatario           ? "destinatario/"
                                         : options_.EmitenteAlfanumerico ? "alfanumerico/"
                                                                         : "");
  TvxnNFe& n = *nfe_;
  n.SetDiretorioLogErro(pastas + "LogErro/");
  n.SetDiretorioLog(pastas + "Log/");
  n.SetDiretorioXmlDestinatario(pastas + "XmlDestinatario/");
  n.SetDiretorioDownloads(pastas + "Downloads/");
  n.SetVersaoManual(vm60);
  n.SetUF(options_.Destinatario ? "MG" : "SP");
  n.SetAmbiente(akHomologacao);
  n.SetModoOperacao(moNormal);
  n.SetValidarEsquemaAntesEnvio(true);
  n.SetSalvarLogsEmDisco(true);
  // The local servers file must never be replaced by the published ones.
  n.SetAtualizarArquivoServidores(false);
  n.SetConexaoSegura(true);
  n.SetTimeOut(30000);
}

const TNfeTestCertificate& TNfeSession::Certificado() {
  if (!cert_) {
    try {
      cert_ = options_.Destinatario           ? NfeRecipientCertificate(dataDir_)
              : options_.EmitenteAlfanumerico ? NfeAlphanumericIssuerCertificate(dataDir_)
                                              : NfeTestCertificate(dataDir_);
    } catch (const ENfeToolError&) {
      throw;
    } catch (const EvxnException& e) {
      throw ENfeToolError(kExitConfiguracao,
                          "cannot keep the test certificate in " + dataDir_ + ": " + e.Message());
    } catch (const std::exception& e) {
      throw ENfeToolError(kExitConfiguracao,
                          "cannot keep the test certificate in " + dataDir_ + ": " + e.what());
    }
    if (cert_->Created)
      std::cerr << "nfe: made the test certificate " << cert_->ClientPkcs12Path << " (CNPJ " << cert_->Cnpj
                << "; good only for the local homologation server)\n";
  }
  return *cert_;
}

TvxnNFe& TNfeSession::ComCertificado() {
  TvxnNFe& n = Componente();
  if (PadraoEmbutido() && !comCertificado_) {
    const TNfeTestCertificate& cert = Certificado();
    n.SetCNPJ(cert.Cnpj);
    n.SetTipoCertificado(ckFile);
    n.SetCaminhoCertificado(cert.ClientPkcs12Path);
    n.SetSenhaCertificado(cert.ClientPassword);
    comCertificado_ = true;
  }
  return n;
}

TvxnNFe& TNfeSession::ParaListarCertificados() {
  if (!nfe_)
    verificarCertificado_ = false;
  return ComCertificado();
}

TvxnNFe& TNfeSession::Conectado() {
  if (PadraoEmbutido() && !sim_) {
    // The first line: whoever reads the output must know that no real authority is involved.
    std::cerr << "nfe: LOCAL HOMOLOGATION SERVER (sefaz-sim, in-process on 127.0.0.1), not the tax "
                 "authority: nothing sent here has legal value\n";
    IniciarServidorLocal();
  }
  return ComCertificado();
}

void TNfeSession::IniciarServidorLocal() {
  Componente();
  const TNfeTestCertificate& cert = Certificado();
  sim::TSefazSimOptions options;
  options.AuthorityCertificatePem = cert.AuthorityCertificatePem;
  options.AuthorityPrivateKeyPem = cert.AuthorityPrivateKeyPem;
  options.ServerCertificatePem = cert.ServerCertificatePem;
  options.ServerPrivateKeyPem = cert.ServerPrivateKeyPem;
  // The server's state stays in the data folder, so that a document issued in one run can be queried,
  // corrected and cancelled in the next.
  options.DataDir = dataDir_;
  if (options_.Verbose)
    options.OnRequest = [](const std::string& line) { std::cerr << "nfe: local server: " << line << "\n"; };
  try {
    sim_ = std::make_unique<sim::TSefazSim>(options);
    sim_->Start();
  } catch (const std::exception& e) {
    throw ENfeToolError(kExitConfiguracao,
                        std::string("the local homologation server could not start: ") + e.what());
  }
  if (options_.UfParalisada) {
    sim_->SetStateParalysed(nfe_->GetUF(), *options_.UfParalisada);
    std::cerr << "nfe: the local server's authoriser of " << nfe_->GetUF() << " is paralysed ("
              << *options_.UfParalisada << ")\n";
  }
  if (options_.Verbose)
    std::cerr << "nfe: local server listening on " << sim_->BaseUrl() << "\n";
  runDir_ = MakeRunDirectory();
  const std::string servidores = runDir_ + "nfeServidoresSim.ini";
  WriteFileAtomic(servidores, sim_->ServersIniText());
  nfe_->SetArquivoServidoresHom(servidores);
  nfe_->SetArquivoServidoresProd(servidores);
  // The local server is trusted through its test authority, and nothing else is.
  nfe_->SetArquivoCAExclusivo(cert.AuthorityCertificatePath);
}

std::string TNfeSession::XmlDestinatario(const std::string& chave) const {
  const auto it = xmlDestinatario_.find(chave);
  return it == xmlDestinatario_.end() ? std::string() : it->second;
}

} // namespace vxn::tool
