// The component a command works with, configured once per run: from the --config INI file, or from the
// embedded default (folders in the user's data folder, the test certificate, and the local homologation
// server started in-process on a free loopback port). What a command needs is made only when it asks:
// `nfe validar` never starts a server or makes a certificate.
#pragma once

#include "NfeTestCertificate.h"
#include "vxnNFe.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vxn::sim {
class TSefazSim;
}

namespace vxn::tool {

struct TNfeGlobalOptions {
  // The component INI file (or a folder holding nfeConfig.ini); empty for the embedded default.
  std::string ConfigFile;
  // Log files written and, on the embedded default, the local server's requests on stderr.
  bool Verbose = false;
  // On the embedded default: work as the examples' recipient (CNPJ 17444555000125, state MG) with its own
  // test certificate and folders ("destinatario/" in the data folder), against the same local server.
  bool Destinatario = false;
  // On the embedded default: work as an issuer of alphanumeric CNPJ (12ABC34501DE35, state SP) with its
  // own test certificate and folders ("alfanumerico/" in the data folder), against the same local server.
  bool EmitenteAlfanumerico = false;
  // The layout version (VersaoManual) to work with: on the embedded default vm60 unless given; with
  // --config the file's value unless given.
  std::optional<TVersaoManual> VersaoManual;
  // The operating mode (ModoOperacao) to work in: the file's (or NORMAL on the embedded default) unless
  // given. ModoSVCDaUF says it instead: the contingency authoriser of the configured state.
  std::optional<TModoOperacao> ModoOperacao;
  bool ModoSVCDaUF = false;
  // On the embedded default: the local server's authoriser of the session's state is paralysed and
  // answers this code (108 or 109); its contingency authoriser takes the state's documents.
  std::optional<int> UfParalisada;
  // Do not verify the server's certificate chain and host name (the component's own default). Without
  // it every call verifies them.
  bool Inseguro = false;
};

class TNfeSession {
public:
  explicit TNfeSession(TNfeGlobalOptions options);
  ~TNfeSession();
  TNfeSession(const TNfeSession&) = delete;
  TNfeSession& operator=(const TNfeSession&) = delete;

  // Configured for work without the authority and without a certificate (convert, validate).
  TvxnNFe& Componente();
  // Ready to sign: on the embedded default, with the test certificate (made on first use).
  TvxnNFe& ComCertificado();
  // Ready to list certificates: as ComCertificado, but a configured certificate that does not open is
  // no reason to refuse the configuration (choosing one is what the list is for).
  TvxnNFe& ParaListarCertificados();
  // Ready to talk to the tax authority: on the embedded default the local server is started now and the
  // first line on stderr says so.
  TvxnNFe& Conectado();

  bool PadraoEmbutido() const { return options_.ConfigFile.empty(); }
  // The distribution XML the component wrote (and announced) for an access key during this run; "" when
  // it wrote none. A file left in the folder by an earlier run is not taken for this run's.
  std::string XmlDestinatario(const std::string& chave) const;

private:
  void Configurar();
  void CarregarConfig();
  void ConfigurarPadraoEmbutido();
  void IniciarServidorLocal();
  const TNfeTestCertificate& Certificado();

  TNfeGlobalOptions options_;
  std::string dataDir_;
  std::string runDir_; // this run's servers file of the local server; removed at the end
  std::unique_ptr<sim::TSefazSim> sim_;
  std::unique_ptr<TvxnNFe> nfe_;
  std::optional<TNfeTestCertificate> cert_;
  bool comCertificado_ = false;
  bool verificarCertificado_ = true;
  std::map<std::string, std::string> xmlDestinatario_;
};

} // namespace vxn::tool
