// The NF-e component: the object a host program creates to issue and manage NF-e.
//
// TvxnCustomNFe holds the configuration (properties with their defaults and rules, the INI file, the
// directories, the servers files and their automatic update, the government-services objects it
// configures) and TvxnNFe, the component hosts use, adds the destination and download folders, the
// lot size limit and the configuration snapshot handed to the web-service object.
//
// Implementation files, one per concept: vxnNFe.cpp (construction, properties, UF table, snapshot,
// checks), vxnNFeConfig.cpp (INI file), vxnNFePaths.cpp (directories and file names),
// vxnNFeServidores.cpp (servers files, their update, the web-service object), vxnNFeCertificados.cpp
// (government-services objects and certificates), vxnNFeChaves.cpp (access keys and identifiers).
#pragma once

#include "vxnNFeSettings.h"
#include "vxnNFeType.h"
#include "vxnStringList.h"
#include "vxnTelemetria.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnIniFile;
class TvxnGovX;
class TvxnGovUtils;
class TvxnNFEInterface;
class TvxnNFeDataSets;
class TvxnNFeEventos;
class TvxnNFeDanfe;
class TvxnValidadorClientX;
struct TvxnNFCeQRCodeConfig;

// A document of a distribution reply as TratarXMLRetornoDFe filed it.
struct TvxnDFeArquivado {
  std::string NSU;      // the docZip's NSU ("" when it has none, as by key)
  std::string Schema;   // the docZip's schema ("resNFe_v1.01.xsd", ...)
  std::string Tipo;     // the document's root element: resNFe, nfeProc, resEvento, procEventoNFe
  std::string TpEvento; // of an event; "" otherwise
  std::string Chave;    // chNFe
  std::string Arquivo;  // the file written
};
using TOnDFeArquivado = std::function<void(const TvxnDFeArquivado&)>;
enum class TTipoPedidoProrrogacao;
enum class TTipoCancelamentoPedidoProrrogacao;
enum class TTipoAutorizacaoAtorInter;
struct TvxnItemRespostaPedido;
struct TvxnRespostaCancelamentoPedido;

class TvxnCustomNFe {
public:
  TvxnCustomNFe();
  virtual ~TvxnCustomNFe();
  TvxnCustomNFe(const TvxnCustomNFe&) = delete;
  TvxnCustomNFe& operator=(const TvxnCustomNFe&) = delete;

  // ---- Properties ---------------------------------------------------------------------------------

  TVersaoManual GetVersaoManual() const { return versaoManual_; }
  // Stores the version and, once the government-services object exists, re-chooses the web-service
  // object for it.
  virtual void SetVersaoManual(TVersaoManual v);

  bool GetAnexarDanfePDF() const { return anexarDanfePDF_; }
  void SetAnexarDanfePDF(bool v) { anexarDanfePDF_ = v; }

  TDanfeSettings& GetDanfeSettings() { return *danfeSettings_; }
  void SetDanfeSettings(const TDanfeSettings& v) { *danfeSettings_ = v; }

  // Absent until the host assigns one.
  TAuditorSettings* GetAuditorSettings() { return auditorSettings_.get(); }
  void SetAuditorSettings(const TAuditorSettings& v);

  const std::string& GetUF() const { return uf_; }
  // Accepts an abbreviation of the state code table (any case, "AN" included) and stores it upper
  // case; anything else raises EvxnCheckParams "a sigla da UF %s, é inválida.".
  virtual void SetUF(std::string_view v);

  // The version of this build; read-only.
  std::string GetVersao() const;

  const std::string& GetCaracteresRemoverAcentos() const { return caracteresRemoverAcentos_; }
  void SetCaracteresRemoverAcentos(std::string_view v) { caracteresRemoverAcentos_ = v; }

  // ckMemory after construction; the first creation of the government-services object sets ckFile.
  TCertificadoKind GetTipoCertificado() const { return tipoCertificado_; }
  void SetTipoCertificado(TCertificadoKind v) { tipoCertificado_ = v; }

  // The configured templates folder ("Templates/" when empty), expanded, ending in the folder of the
  // current layout version ("vm60/").
  std::string GetDiretorioTemplates();
  virtual void SetDiretorioTemplates(std::string_view v) { diretorioTemplates_ = v; }
  // The value as configured (what the INI file stores).
  const std::string& GetDiretorioTemplatesConfigurado() const { return diretorioTemplates_; }

  // false after construction; the first creation of the government-services object sets true.
  bool GetIgnoreInvalidCertificates() const { return ignoreInvalidCertificates_; }
  void SetIgnoreInvalidCertificates(bool v) { ignoreInvalidCertificates_ = v; }
  // Whom a server's certificate must chain to when it is verified (docs/security.md): the system's CA
  // bundle and the ICP-Brasil roots shipped in "ICP-Brasil/" of the program directory, plus
  // ArquivoCAAdicional (PEM; a company's proxy CA); SomenteRaizesICPBrasil leaves the system's bundle
  // out. ArquivoCAExclusivo (PEM) replaces all of them: a private authority, such as a local server's.
  const std::string& GetArquivoCAAdicional() const { return arquivoCAAdicional_; }
  void SetArquivoCAAdicional(std::string_view v) { arquivoCAAdicional_ = v; }
  bool GetSomenteRaizesICPBrasil() const { return somenteRaizesICPBrasil_; }
  void SetSomenteRaizesICPBrasil(bool v) { somenteRaizesICPBrasil_ = v; }
  const std::string& GetArquivoCAExclusivo() const { return arquivoCAExclusivo_; }
  void SetArquivoCAExclusivo(std::string_view v) { arquivoCAExclusivo_ = v; }

  const std::string& GetCNPJ() const { return cnpj_; }
  void SetCNPJ(std::string_view v) { cnpj_ = v; }

  // Servers files of each environment: the getters expand the configured names.
  std::string GetArquivoServidoresHom() const;
  void SetArquivoServidoresHom(std::string_view v) { arquivoServidoresHom_ = v; }
  std::string GetArquivoServidoresProd() const;
  void SetArquivoServidoresProd(std::string_view v) { arquivoServidoresProd_ = v; }

  // XML log folder: the program directory's "Log/" when empty (stored on first read), expanded.
  std::string GetDiretorioLog();
  void SetDiretorioLog(std::string_view v) { diretorioLog_ = v; }

  TAmbienteKind GetAmbiente() const { return ambiente_; }
  void SetAmbiente(TAmbienteKind v) { ambiente_ = v; }

  bool GetValidarEsquemaAntesEnvio() const { return validarEsquemaAntesEnvio_; }
  void SetValidarEsquemaAntesEnvio(bool v) { validarEsquemaAntesEnvio_ = v; }

  // EnviarNF sends a 4.00 lot of one document for the synchronous answer, which the authorities now
  // demand (they refuse it asked for a receipt, 452); off, the lot asks for a receipt as any other.
  bool GetLoteUnicoSincrono() const { return loteUnicoSincrono_; }
  void SetLoteUnicoSincrono(bool v) { loteUnicoSincrono_ = v; }

  // Created on first read; read-only.
  TvxnEmailSettings& GetEmailSettings();

  // The configured schemas folder ("Esquemas/" when empty), resolved as the templates folder.
  std::string GetDiretorioEsquemas();
  void SetDiretorioEsquemas(std::string_view v) { diretorioEsquemas_ = v; }
  const std::string& GetDiretorioEsquemasConfigurado() const { return diretorioEsquemas_; }

  bool GetConexaoSegura() const { return conexaoSegura_; }
  void SetConexaoSegura(bool v) { conexaoSegura_ = v; }

  // Assigning the list's text passes the name on to the government-services object (SetNomeCert).
  TvxnCertStringNFe& GetNomeCertificado() { return nomeCertificado_; }
  void SetNomeCertificado(std::string_view text) { nomeCertificado_.SetText(text); }

  int GetTimeOut() const { return timeOut_; }
  void SetTimeOut(int v) { timeOut_ = v; }

  TvxnStringList& GetErrosValidador() { return errosValidador_; }

  // Main section of the INI file; TvxnNFe uses "NFE" when it is empty.
  const std::string& GetSectionINI() const { return sectionINI_; }
  void SetSectionINI(std::string_view v) { sectionINI_ = v; }

  // The configuration INI object; on first read one is opened on the default file (GetINIFilePath("")).
  TvxnIniFile& GetConfigINI();

  const std::string& GetProxy() const { return proxy_; }
  void SetProxy(std::string_view v) { proxy_ = v; }
  const std::string& GetUsuario() const { return usuario_; }
  void SetUsuario(std::string_view v) { usuario_ = v; }
  const std::string& GetSenha() const { return senha_; }
  void SetSenha(std::string_view v) { senha_ = v; }
  // Kept in clear here; the INI file stores it encrypted.
  const std::string& GetPinCode() const { return pinCode_; }
  void SetPinCode(std::string_view v) { pinCode_ = v; }
  // The PKCS#11 module (.so) of the smart card or token when TipoCertificado is ckSmartCard; empty: the
  // first of the usual Debian module paths (docs/a3-tokens.md). INI key "ModuloPKCS11".
  const std::string& GetModuloPKCS11() const { return moduloPKCS11_; }
  void SetModuloPKCS11(std::string_view v) { moduloPKCS11_ = v; }

  const TOnLogEventNFe& GetOnLog() const { return onLog_; }
  void SetOnLog(TOnLogEventNFe v) { onLog_ = std::move(v); }
  const TOnLogContentEventNFe& GetOnLogContent() const { return onLogContent_; }
  void SetOnLogContent(TOnLogContentEventNFe v) { onLogContent_ = std::move(v); }
  const TOnCheckCertificateEventNFe& GetOnCheckCertificate() const { return onCheckCertificate_; }
  void SetOnCheckCertificate(TOnCheckCertificateEventNFe v) { onCheckCertificate_ = std::move(v); }

  const std::string& GetCaminhoCertificado() const { return caminhoCertificado_; }
  void SetCaminhoCertificado(std::string_view v) { caminhoCertificado_ = v; }
  const std::string& GetSenhaCertificado() const { return senhaCertificado_; }
  void SetSenhaCertificado(std::string_view v) { senhaCertificado_ = v; }

  // Error log folder. Getter: the stored value expanded (and kept), or the program directory's
  // "LogErro/" when that is not an existing folder. Setter: empty means that default; the folder is
  // created with its parents, and the default is kept when it cannot be.
  std::string GetDiretorioLogErro();
  void SetDiretorioLogErro(std::string_view v);
  // The value as stored (what the INI file stores).
  const std::string& GetDiretorioLogErroArmazenado() const { return diretorioLogErro_; }

  // Temporary folder: the government-services library's temporary directory when empty (stored on
  // first read); getter and setter create it when missing.
  std::string GetDiretorioTemporario();
  void SetDiretorioTemporario(std::string_view v);

  TModoOperacao GetModoOperacao() const { return modoOperacao_; }
  void SetModoOperacao(TModoOperacao v) { modoOperacao_ = v; }

  TEntregaXML GetEntregaXML() const { return entregaXML_; }
  void SetEntregaXML(TEntregaXML v) { entregaXML_ = v; }

  // Borrowed, never freed by the component.
  TvxnValidadorClientX* GetComponenteAuditor() const { return componenteAuditor_; }
  void SetComponenteAuditor(TvxnValidadorClientX* v) { componenteAuditor_ = v; }
  // EvxnNFeException "Componente Validador Client não instanciado" when no adapter is assigned.
  void ChecarComponenteAuditor();
  // One audit of `xml` by the adapter's control (src/auditor/vxnNFeAuditoria.cpp): sets the adapter up
  // for a JSON verdict against `servidor` (the sizes of the HTML report from
  // Templates/Auditor/AuditorConfig.ini unless set, the folders it still lacks from the component's),
  // returns the control's verdict and stores its count of "Rejeição" in the adapter's TotalRejeicao;
  // with exibirRelatorio the control shows its HTML report of it. The flags are 16-bit booleans
  // (non-zero is true); `naoUsado` is not used.
  std::string AuditarXml(std::string_view xml, std::string_view parametro, std::string_view servidor,
                         std::int16_t exibirRegras, std::int16_t exibirRelatorio,
                         std::string_view naoUsado = {});

  bool GetAtualizarArquivoServidores() const { return atualizarArquivoServidores_; }
  void SetAtualizarArquivoServidores(bool v) { atualizarArquivoServidores_ = v; }

  // Telemetry reports only while it is on.
  bool GetDiagnosticMode() const { return diagnosticMode_; }
  void SetDiagnosticMode(bool v) {
    diagnosticMode_ = v;
    telemetria_.SetEnabled(v);
  }

  const std::string& GetIdCSRT() const { return idCSRT_; }
  void SetIdCSRT(std::string_view v) { idCSRT_ = v; }
  const std::string& GetCSRT() const { return csrt_; }
  void SetCSRT(std::string_view v) { csrt_ = v; }

  // The QR code an NFC-e gets when it is signed (docs/nfce.md): its published version (3, the default,
  // needs no CSC; 2 hashes with the CSC and names its id), and the addresses of the QR code and of the
  // consultation by key, which otherwise come from the servers file (NFCeQRCode, NFCeConsulta of the
  // state's section).
  int GetVersaoQRCode() const { return versaoQRCode_; }
  void SetVersaoQRCode(int v) { versaoQRCode_ = v; }
  const std::string& GetIdCSC() const { return idCSC_; }
  void SetIdCSC(std::string_view v) { idCSC_ = v; }
  const std::string& GetCSC() const { return csc_; }
  void SetCSC(std::string_view v) { csc_ = v; }
  const std::string& GetURLQRCode() const { return urlQRCode_; }
  void SetURLQRCode(std::string_view v) { urlQRCode_ = v; }
  const std::string& GetURLConsultaNFCe() const { return urlConsultaNFCe_; }
  void SetURLConsultaNFCe(std::string_view v) { urlConsultaNFCe_ = v; }

  // Stored as given; becomes "wininet,sbb" when blank at configuration time (ConfigurarPropriedades).
  const std::string& GetHttpLibs() const { return httpLibs_; }
  void SetHttpLibs(std::string_view v) { httpLibs_ = v; }

  bool GetSalvarLogsEmDisco() const { return salvarLogsEmDisco_; }
  void SetSalvarLogsEmDisco(bool v) { salvarLogsEmDisco_ = v; }

  bool GetDanfeSimplificado() const { return danfeSimplificado_; }
  void SetDanfeSimplificado(bool v) { danfeSimplificado_ = v; }

  // Where the automatic update of the servers files downloads each environment's archive from, and
  // the portal page each downloaded file must name in an "endereco=" line. Defaults and meaning:
  // docs/servers-files.md. An empty download address turns the download off.
  const std::string& GetEnderecoDownloadServidoresProd() const { return enderecoDownloadProd_; }
  void SetEnderecoDownloadServidoresProd(std::string_view v) { enderecoDownloadProd_ = v; }
  const std::string& GetEnderecoDownloadServidoresHom() const { return enderecoDownloadHom_; }
  void SetEnderecoDownloadServidoresHom(std::string_view v) { enderecoDownloadHom_ = v; }
  const std::string& GetEnderecoPortalProd() const { return enderecoPortalProd_; }
  void SetEnderecoPortalProd(std::string_view v) { enderecoPortalProd_ = v; }
  const std::string& GetEnderecoPortalHom() const { return enderecoPortalHom_; }
  void SetEnderecoPortalHom(std::string_view v) { enderecoPortalHom_ = v; }

  // ---- State code table ---------------------------------------------------------------------------

  // The table as name=value rows (27 states and "AN").
  const TvxnStringList& GetUFList() const { return ufList_; }
  // The code of the current UF ("35" for SP), "" when none is set.
  std::string GetLocalCode() const;
  // The code of one of the 27 states (not "AN"), any case; EvxnNFeException "UF %s não encontrada.".
  int ObterCodigoUF(std::string_view uf);

  // ---- Configuration file -------------------------------------------------------------------------

  // The NF-e namespace.
  virtual std::string GetURIEsquema() const;
  // Removes any layout folder from the path and appends the folder of the current layout version.
  virtual std::string UpdatePathVersaoManual(std::string_view path);
  // Fills the print-settings list (GetDanfeParams); true leaves the logo out.
  virtual void LoadDanfeSettings(bool semLogotipo);
  const TvxnStringList& GetDanfeParams() const { return danfeParams_; }
  // DiretorioTemplates followed by the UF and "/".
  virtual std::string GetTemplateFolder();
  // Reads every key of the INI object in order; failures become EvxnNFeException
  // "Erro ao carregar configurações: " + cause.
  virtual void CarregarConfiguracoes();
  // Writes every key to the INI object in order; failures become EvxnNFeException
  // "Erro ao salvar configurações: " + cause.
  virtual void SalvarConfiguracoes();
  // Resolves a DANFE model file: the name itself, else DiretorioTemplates + "Danfe/" + name, else the
  // expanded name; none existing raises "Arquivo de <tipo> não encontrado: "<name>"".
  virtual std::string ObterNomeCompletoArquivoDANFE(std::string_view tipo, std::string_view nome);
  // With a name: opens (and keeps) an INI object on GetINIFilePath(name) and writes to it; with an empty
  // name writes to the current ConfigINI.
  virtual void SaveConfig(std::string_view fileName);
  // Writes into the caller's object, which the caller keeps.
  virtual void SaveConfig(TvxnIniFile* ini);
  // Opens GetINIFilePath(name), which must exist, and reads it.
  virtual void LoadConfig(std::string_view fileName);
  // Reads the caller's object, which the caller keeps.
  virtual void LoadConfig(TvxnIniFile* ini);
  // Checks UF, CNPJ, the log folder and the servers files before an operation.
  virtual void CheckConfig();

  // The INI file a name stands for: the default "nfeConfig.ini" in the program directory, an existing
  // file, "nfeConfig.ini" in a named folder, and so on (see vxnNFeConfig.cpp).
  std::string GetINIFilePath(std::string_view fileName);

  // ---- Servers files and the web-service object ----------------------------------------------------

  // The servers file of the current environment, opened (or kept open) as an INI object;
  // EvxnFileNotFoundException when the file does not exist.
  TvxnIniFile& AbrirArquivoServidores();
  // Replaces servers files older than 4 hours by a fresh download; never fails.
  void UpdateIniServidores();
  // Chooses the web-service object of the current layout version: kept when its class already serves
  // the version, replaced otherwise. A version whose class this build lacks leaves none (GetNFE says so).
  void InstanciarNFeIntf();
  // The web-service object, after checking that the servers file of the environment is configured.
  TvxnNFEInterface& GetNFE();

  // ---- Templates, logs and schema validation --------------------------------------------------------

  // The template text for the current layout version and UF: in-program for layouts 3.10 and 4.00,
  // otherwise the file GetTemplateFolder() + name, read as it is (EvxnTemplateNotFoundException when
  // it is missing).
  std::string LoadTemplate(std::string_view name);
  // Writes one log record (file name from kind and id when `arquivo` is empty) into DiretorioLog when
  // SalvarLogsEmDisco is set, then OnLog; OnLogContent is always called.
  void Log(std::string_view texto, std::string_view tipo, std::string_view id, std::string_view arquivo = {});
  // Validates a request against the schema of its command ("STATUS", "ENVIO", ...) named in
  // DiretorioEsquemas + "Mapping.txt", or against its own schemaLocation. A failure fills
  // ErrosValidador and raises EvxnSchemaValidationException.
  void ValidarXMLNFe(std::string_view xml, std::string_view comando);
  // The schema file of a command, from section "ValidarXML" of Mapping.txt.
  std::string GetXSDFileName(std::string_view comando);

  // ---- Government-services objects and certificates -----------------------------------------------

  TvxnGovX& GetGov();
  TvxnGovUtils& GetGovUtils();
  // The component's telemetry client: operations report their calls to it.
  TvxnTelemetria& GetTelemetria() { return telemetria_; }
  void ConfigurarPropriedades();
  void ConfigurarEmailSettings();
  void SetNomeCert(std::string_view name);
  // Adds the names of the available certificates to the host's list.
  void ListarCertificados(TvxnStringList* lista);
  std::chrono::system_clock::time_point GetVencimentoCertificado();
  std::chrono::system_clock::time_point GetValidadeInicialCertificado();
  void CheckCertificate();

  // ---- Signing checks and clean-up (vxnNFeAssinatura.cpp) -------------------------------------------

  // Contingency and operating-mode checks of one document before it is signed: tpEmis against xJust
  // and dhCont (layouts 4.0 to 6.0), then tpEmis against ModoOperacao (every layout).
  virtual void ValidarRegraDeNegocioNFe(std::string_view xml);
  // RemoveEspacosAssinatura, then drops the first <?xml version="1.0"?> and every CR LF pair.
  void LimparXMLAssinado(std::string& xml);
  // Collapses runs of two blanks inside KeyInfo and SignatureValue, wherever their contents occur.
  void RemoveEspacosAssinatura(std::string& xml);

  // ---- Cancellation documents a host passes for printing (vxnNFeCancelamentoXml.cpp) ----------------

  // True when the tpEvento inside the evento element is the cancellation event (110111).
  bool isXMLCancelamento(std::string_view xml);
  // True when the text holds a cancellation event and an NF-e (an issuer or recipient address).
  bool isXMLEnvioECancelamento(std::string_view xml);
  // The nfeProc element of a text that holds an authorised NF-e and its cancellation event ("" when
  // there is none). Raises EvxnNFeReportException when no document of the text has a cancellation
  // event of its own key.
  std::string TratarXMLEnviCancelamento(std::string_view xml);

protected:
  // The snapshot handed to the web-service object.
  TNFeData& NFeData() { return nfeData_; }
  // What CarregarConfiguracoes and SalvarConfiguracoes do, without the failure wrapping; descendants
  // read and write their own keys after the base ones.
  virtual void LerConfiguracoes(TvxnIniFile& ini);
  virtual void GravarConfiguracoes(TvxnIniFile& ini);
  // The section of the main keys.
  std::string SecaoPrincipal() const { return sectionINI_; }
  // Directory helpers shared with TvxnNFe (vxnNFePaths.cpp).
  static std::string ExpandirCaminho(std::string_view path);
  static bool CriarDiretorioUmNivel(std::string_view path);
  // The text of NomeCertificado without its line breaks: one certificate name.
  std::string NomeCertificadoTexto() const;

private:
  std::string ResolverDiretorioVersao(std::string_view configured, std::string_view whenEmpty);
  std::string ArquivoServidoresAtual() const;
  std::string CaminhoArquivoServidores(const std::string& expanded) const;
  void RecarregarArquivoServidores();
  bool AtualizarArquivosServidores(const std::string& prod, const std::string& hom);
  std::string EncryptPin(std::string_view pin);
  std::string DecryptPin(std::string_view stored);
  std::string DiretorioTemporarioPadrao();

  TVersaoManual versaoManual_ = vm60;
  bool anexarDanfePDF_ = false;
  std::unique_ptr<TDanfeSettings> danfeSettings_;
  std::unique_ptr<TAuditorSettings> auditorSettings_;
  std::string uf_;
  std::string caracteresRemoverAcentos_;
  TCertificadoKind tipoCertificado_ = ckMemory;
  std::string diretorioTemplates_;
  bool ignoreInvalidCertificates_ = false;
  std::string arquivoCAAdicional_;
  bool somenteRaizesICPBrasil_ = false;
  std::string arquivoCAExclusivo_;
  std::string cnpj_;
  std::string arquivoServidoresHom_;
  std::string arquivoServidoresProd_;
  std::string diretorioLog_;
  TAmbienteKind ambiente_ = akHomologacao;
  bool validarEsquemaAntesEnvio_ = false;
  bool loteUnicoSincrono_ = true;
  std::unique_ptr<TvxnEmailSettings> emailSettings_;
  std::string diretorioEsquemas_;
  bool conexaoSegura_ = false;
  TvxnCertStringNFe nomeCertificado_;
  int timeOut_ = 0;
  TvxnStringList errosValidador_;
  std::string sectionINI_;
  std::unique_ptr<TvxnIniFile> configINI_;
  TvxnIniFile* configINIEmprestado_ = nullptr; // the caller's object during LoadConfig/SaveConfig
  std::string proxy_, usuario_, senha_, pinCode_;
  std::string moduloPKCS11_;
  TOnLogEventNFe onLog_;
  TOnLogContentEventNFe onLogContent_;
  TOnCheckCertificateEventNFe onCheckCertificate_;
  std::string caminhoCertificado_, senhaCertificado_;
  std::string diretorioLogErro_;
  std::string diretorioTemporario_;
  TModoOperacao modoOperacao_ = moNormal;
  TEntregaXML entregaXML_ = exEmail;
  TvxnValidadorClientX* componenteAuditor_ = nullptr;
  bool atualizarArquivoServidores_ = false;
  bool diagnosticMode_ = false;
  std::string idCSRT_, csrt_, httpLibs_;
  int versaoQRCode_ = 3;
  std::string idCSC_, csc_, urlQRCode_, urlConsultaNFCe_;
  bool salvarLogsEmDisco_ = true;
  bool danfeSimplificado_ = false;
  std::string enderecoDownloadProd_, enderecoDownloadHom_;
  std::string enderecoPortalProd_ = "https://www.nfe.fazenda.gov.br/portal/webServices.aspx";
  std::string enderecoPortalHom_ = "https://hom.nfe.fazenda.gov.br/portal/webServices.aspx";

  TvxnStringList ufList_;
  TvxnStringList danfeParams_;
  TNFeData nfeData_;
  std::unique_ptr<TvxnIniFile> serversIni_;
  std::unique_ptr<TvxnGovX> gov_;
  std::unique_ptr<TvxnGovUtils> govUtils_;
  TvxnTelemetria telemetria_;
  // The web-service object and the name of its class (vm202a and vm30 share one).
  std::unique_ptr<TvxnNFEInterface> nfeIntf_;
  std::string nfeIntfClasse_;
};

class TvxnNFe : public TvxnCustomNFe {
public:
  TvxnNFe();
  ~TvxnNFe() override;

  void SetVersaoManual(TVersaoManual v) override;
  void SetDiretorioTemplates(std::string_view v) override;

  // Folder of the distribution XML: the program directory's "XmlDestinatario/" when empty; the getter
  // expands, the setter expands, uses the default for an empty value and creates the folder.
  std::string GetDiretorioXmlDestinatario() const;
  void SetDiretorioXmlDestinatario(std::string_view v);
  // Folder of downloaded documents, as above with "Downloads/".
  std::string GetDiretorioDownloads() const;
  void SetDiretorioDownloads(std::string_view v);

  int GetMaxSizeLoteEnvio() const { return maxSizeLoteEnvio_; }
  void SetMaxSizeLoteEnvio(int v) { maxSizeLoteEnvio_ = v; }

  const TOnXmlDestinatarioEvent& GetOnXmlDestinatario() const { return onXmlDestinatario_; }
  void SetOnXmlDestinatario(TOnXmlDestinatarioEvent v) { onXmlDestinatario_ = std::move(v); }
  const TOnXmlCanDestinatarioEvent& GetOnXmlCanDestinatario() const { return onXmlCanDestinatario_; }
  void SetOnXmlCanDestinatario(TOnXmlCanDestinatarioEvent v) { onXmlCanDestinatario_ = std::move(v); }
  const TOnDownloadNFeEvent& GetOnDownloadNFe() const { return onDownloadNFe_; }
  void SetOnDownloadNFe(TOnDownloadNFeEvent v) { onDownloadNFe_ = std::move(v); }

  // ---- Access keys and identifiers (vxnNFeChaves.cpp) ---------------------------------------------
  // Each refreshes the configuration snapshot and reports its call to telemetry first; refusals carry
  // DiretorioLogErro.

  // The access key in the form of the layout version (with tpEmis from layout 4.0 on).
  std::string CalculaChaveNFe(std::string_view dEmi, std::string_view cUF, std::string_view CNPJ,
                              std::string_view Modelo, std::string_view Serie, std::string_view nNF,
                              std::string_view cNF, std::string_view tpEmis);
  // The identifier of an invalidation request for the component's UF (without the "ID" prefix).
  std::string CalculaChaveInutilizacao(std::string_view Ano, std::string_view CNPJ, std::string_view Modelo,
                                       std::string_view Serie, std::string_view nNFIni,
                                       std::string_view nNFFin);
  // The Id of a correction-letter event: "ID110110" + key + sequence of at least two digits.
  std::string GerarIdCCe(std::string_view chave, int sequencia);
  // Base64 of the SHA-1 digest of the CSRT followed by the key.
  std::string CalcularHashCSRT(std::string_view chave, std::string_view CSRT);
  // The 36-digit data code printed as the second barcode of a DANFE issued in contingency (tpEmis 2 or
  // 5), read from the first document of the XML by the layout 3.x print data; "" for other documents.
  std::string CalcularCodigoBarrasNFeOffline(std::string_view xml);

  // "NFE" becomes the main section when none is set, then as TvxnCustomNFe.
  void SaveConfig(std::string_view fileName) override;
  void SaveConfig(TvxnIniFile* ini) override;
  void LoadConfig(std::string_view fileName) override;
  void LoadConfig(TvxnIniFile* ini) override;
  void CheckConfig() override;

  // Fills the configuration snapshot from the properties; operations call it first.
  virtual void UpdateNFeData();

  // The layout version written in the lot template ("4.00" for layout 6.0).
  std::string GetVersaoNota();
  // Asks the tax authority whether its service is in operation; returns the reply (for layouts 3.10
  // and 4.00 the unwrapped reply element). The request and the reply are logged as "ped-sta" and "sta".
  // A failure of the web-service call raises EvxnNFeException "Erro ao consultar status do serviço: "
  // followed by its cause.
  std::string StatusDoServico();
  const TNFeData& GetNFeData() { return NFeData(); }

  // ---- Signing (vxnNFeAssinatura.cpp) ---------------------------------------------------------------

  // Signs every NF-e of a lot text (at most 50) with the configured certificate and returns the signed
  // NFe documents joined without separator. Stops at the first document that fails.
  std::string AssinarNota(std::string_view xml);
  // The NFC-e QR code settings of the component, the addresses it leaves out read from the servers file.
  TvxnNFCeQRCodeConfig ConfigQRCode();
  // Prepares one infNFe element for signing: the component's own step for each document
  // (AjustarNotaParaAssinar), then the wrapping into its NFe element ("º" becomes "o" first).
  void PrepararXMLAssinar(std::string& xml);
  // The schema package name must belong to the configured layout version (vm202a accepts any);
  // otherwise EvxnNFeVersaoEsquemaException with the packages that version accepts.
  void ChecarVersaoEsquema(std::string_view esquema);
  // Number of "<infNFe" occurrences of a lot text, each search going on 8 characters after the last hit;
  // an NFC-e's "<infNFeSupl" is not one.
  static int GetNumNotas(std::string_view xml);
  // Document `indice` (0-based) of a lot text: from its "<infNFe" through the first "</infNFe>" after
  // it; "" when there is no such document.
  static std::string GetNota(int indice, std::string_view lote);

  // ---- Text conversion (vxnNFeConversao.cpp) ---------------------------------------------------------

  // Converts a text in one of the text layouts (a command text, a pipe text; the command text may
  // also be the path of its file) into NF-e XML, one infNFe per line, with the converter files of the
  // component's templates folder and the note version of its layout. The schema package must belong
  // to the component's layout version (ChecarVersaoEsquema). Reported to telemetry as
  // "ConverterLoteParaXml_DIC", "_TX2" or "_REC".
  std::string ConverterLoteParaXml(std::string_view texto, TLayoutConvKind tipo, TVersaoEsquema esquema,
                                   bool exportacao);
  // NF-e XML (the text or the path of its file) read back into a new input dataset container, which
  // belongs to the caller (TvxnNFeConverter::ConvertXmlToDataSet, without exportation). With versao
  // pl_006s the package follows from the text: versao="4.00" selects pl_009g, versao="3.10" pl_008i2.
  // Reported to telemetry as "ConverteXmlParaDataSet".
  std::unique_ptr<TvxnNFeDataSets> ConverteXmlParaDataSet(std::string_view xml, TVersaoEsquema versao,
                                                          TvxnStringList* tx2 = nullptr,
                                                          TvxnStringList* dadosAutorizacao = nullptr);

  // ---- XML logs (vxnNFeLogs.cpp) ----------------------------------------------------------------------

  // Writes "env-lot=" + arquivoLogEnvio to DiretorioXmlDestinatario + nome: the index that leads from a
  // receipt number or an access key to the lot-sending log.
  void SaveFileTemporario(std::string_view nome, std::string_view arquivoLogEnvio);
  // With SalvarLogsEmDisco, one index file per access key of that lot-sending log, in document order.
  void SaveFileChavesTemporario(std::string_view arquivoLogEnvio);
  // Replaces the list's lines by the log files (full paths) of DiretorioLog matching the filter, or,
  // for lfCustom, the pattern `texto`; other filters narrow to "*" + texto + their pattern.
  void ListarLogs(TvxnStringList* lista, TLogFilter filtro, std::string_view texto);
  // The text of a log file (EvxnNFeCheckParams when it does not exist).
  std::string LerLog(std::string_view arquivo);
  // Obsolete: always raises EvxnNFeDeprecatedException.
  [[noreturn]] void VisualizarDanfeLog(std::string_view arquivo);

  // ---- DANFE printing and export (vxnNFeImpressao.cpp) -------------------------------------------------
  // XML is the text or the path of a file; a model name is a file, or a file under
  // DiretorioTemplates + "Danfe/", and replaces both the portrait and the landscape models. Each reports
  // its call to telemetry.

  // The DANFE printer, created on first use, on the component's version and error-log directory.
  TvxnNFeDanfe& GetDanfe();
  // To the printer (CUPS queue; "" the default destination) with the copies and duplex of the settings.
  void ImprimirDanfe(std::string_view xml, std::string_view modelo = {}, std::string_view impressora = {});
  // A PDF for the host (print settings' OnPreview) or the desktop's viewer.
  void VisualizarDanfe(std::string_view xml, std::string_view modelo = {});
  // Raises EvxnNFeReportException: models are edited as text files.
  void EditarModeloDanfe(std::string_view xml, std::string_view modelo = {});
  // A document not yet authorised, previewed without checks ("PREVISÃO DE DANFE. SEM VALOR FISCAL").
  void PreverDanfe(std::string_view xml, std::string_view modelo = {});
  // Writes the PDF (formato 1 or 2; 3: PNG pages in the directory `arquivo`) atomically. An empty file
  // name raises EvxnNFeReportException "Nome do arquivo de exportação não informado.".
  void ExportarDanfe(std::string_view xml, std::string_view modelo, std::string_view arquivo,
                     int formato = 1);
  // As PreverDanfe, exported; failures become EvxnNFeExportarPreverDanfeException
  // "Falha ao Exportar o PDF de previsão: " + cause.
  void ExportarPreverDanfe(std::string_view xml, std::string_view modelo, std::string_view arquivo,
                           int formato = 1);
  // The DANFE of a document issued in EPEC contingency, with the EPEC's protocol and registration time in
  // the protocol box. Checked first (EvxnCheckParams): "Número de Protocolo do EPEC não foi informado",
  // "Data Hora do EPEC não foi informado", "O XML informado de EPEC está vazio", "O XML informado de
  // EPEC é inválido" (no infNFe).
  void ImprimirEPEC(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                    std::string_view modelo = {}, std::string_view impressora = {});
  void VisualizarEPEC(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                      std::string_view modelo = {});
  void ExportarEPEC(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                    std::string_view modelo, std::string_view arquivo, int formato = 1);
  // Every "*.xml" of the directory printed, or with an output directory exported there as name.pdf.
  void ImprimirDanfeXmlDiretorio(std::string_view diretorio, std::string_view saida = {},
                                 std::string_view impressora = {});

  // ---- Lot submission and receipt query (vxnNFeEnvio.cpp) ---------------------------------------------
  // Each reports its call and any exception leaving it to telemetry. Checks come before anything is
  // logged or sent; a failure of the web-service call is raised again as EvxnNFeException with the
  // operation's prefix ("Erro ao enviar NF-e: ", ...) followed by its cause.

  // Sends a lot of signed NFe documents for asynchronous processing and returns the reply (retEnviNFe
  // with the receipt number nRec). Logs "env-lot" and "rec" under the lot number; with
  // SalvarLogsEmDisco, index files for the receipt and for every key name the "env-lot" log.
  // A 4.00 lot of one document is sent as EnviarNFSincrono sends it, when LoteUnicoSincrono is on
  // (the default): the reply then carries the document's protocol, not a receipt.
  std::string EnviarNF(std::string_view numeroLote, std::string_view lote, bool compactar);
  // Sends a lot of exactly one signed NFe for synchronous processing (layouts 5.0a and 6.0) and returns
  // the reply with its protocol. Logs "env-sinc-lot" and "rec-sinc" under the access key; with
  // SalvarLogsEmDisco and an authorised or denied document, produces its distribution XML.
  std::string EnviarNFSincrono(std::string_view numeroLote, std::string_view lote, bool compactar);
  // Asks for the result of a lot by its 15-character receipt number and returns the reply. Logs
  // "ped-rec" and "pro-rec" under the receipt; with SalvarLogsEmDisco and a processed lot, produces the
  // distribution XML of its authorised documents.
  std::string ConsultarRecibo(std::string_view recibo);
  // The enviNFe request of a lot, after the checks that precede sending: certificate, lot number
  // without accents, lot size, a signature present, and the schema when ValidarEsquemaAntesEnvio.
  std::string ValidarLoteParaEnvio(std::string_view numeroLote, std::string_view lote);
  // Refuses an empty lot, and a lot of more than MaxSizeLoteEnvio thousand characters
  // (EvxnNFeMaxSizeException).
  void ValidarTamanhoArquivoEnvio(std::string_view lote);
  // Obsolete: always raise EvxnNFeDeprecatedException.
  [[noreturn]] void ValidarLoteItem();
  [[noreturn]] void GerarNotasAleatorias();

  // ---- Distribution XML (vxnNFeDestinatario.cpp) and its e-mail (vxnNFeEmailDestinatario.cpp) -------

  // When the key's index file exists in DiretorioXmlDestinatario: the nfeProc of the key, its protocol
  // being the first infProt of the reply log `logFile` (a name in DiretorioLog), written as key +
  // "-nfe.xml" (authorised) or "-den.xml" (use denied). Called after a synchronous send and a situation
  // query; the host may call it too.
  virtual void GerarXMLDestinatario(std::string_view key, std::string_view logFile);
  // Every authorised and denied document of a processed receipt, the protocols coming from the
  // receipt-query reply log `logFile` (a name in DiretorioLog). Called after ConsultarRecibo.
  virtual void GerarXmlDestinatarioNFsAprovadas(std::string_view recibo, std::string_view logFile);
  // The nfeProc of the key from the logs the host names (file names in DiretorioLog, paths or the XML
  // texts themselves), written to salvarComo when that is set and SalvarLogsEmDisco is on.
  std::string GerarXMLEnvioDestinatario(std::string_view chave, std::string_view logEnvio,
                                        std::string_view logResposta, std::string_view salvarComo);
  // The ProcInutNFe of an invalidation request and its reply.
  std::string GerarXmlDestinatarioInutilizacao(std::string_view retorno, std::string_view pedido);
  // The procCancNFe (cancellation request) or procEventoNFe (cancellation event) of the key from the
  // request and reply logs; written to salvarComo when it is not empty.
  std::string GerarXMLCancelamentoDestinatario(std::string_view chave, std::string_view pedido,
                                               std::string_view retorno, std::string_view salvarComo);
  // The ProcInutNFe of the invalidation `id` from the request and reply logs; written to salvarComo
  // when it is not empty.
  std::string GerarXMLInutilizacaoDestinatario(std::string_view id, std::string_view pedido,
                                               std::string_view retorno, std::string_view salvarComo);
  // Checks a distribution document against the schema of "XMLDESTINATARIO" and its protocol's digest
  // against the document's; true when nothing was found. `mensagens` (may be null) receives the findings.
  bool ValidarArquivoXmlDestinatario(std::string_view xml, TvxnStringList* mensagens);

  // The e-mail settings needed to send: raises EvxnNFeException naming the first empty one.
  void ChecarConfiguracoesEmail();
  // E-mails the distribution XML of the key (built from the logs when given, else taken from
  // DiretorioXmlDestinatario) to EmailDestinatario.
  void EnviarNotaDestinatario(std::string_view chave, std::string_view logEnvio,
                              std::string_view logResposta);
  // E-mails the given files (PDF, XML, further files separated by commas) to EmailDestinatario.
  void EnviarNotaDestinatarioAnexos(std::string_view arquivoPdf, std::string_view arquivoXml,
                                    std::string_view outros);
  // E-mails the cancellation distribution XML of the key to `email` (EmailDestinatario when empty).
  void EnviarNotaCanceladaDestinatario(std::string_view chave, std::string_view logPedido,
                                       std::string_view logRetorno, std::string_view email);

public:
  // ---- Document query, invalidation, taxpayer query, unpacking (vxnNFeConsultas.cpp,
  // vxnNFeInutilizacao.cpp, vxnNFeCadastro.cpp) -------------------------------------------------------

  // The situation of a document by its access key: the retConsSitNFe reply. Request and reply are
  // logged as "ped-sit" and "sit" (after a successful call); with SalvarLogsEmDisco an authorised or
  // denied document gets its distribution XML (GerarXMLDestinatario with the "sit" log). Failures raise
  // EvxnNFeException "Erro ao consultar NF-e: " + cause.
  std::string ConsultarNF(std::string_view chave);
  // Invalidates the numbers nNFIni..nNFFin of a series: the retInutNFe reply. `ignorado` is not used:
  // the identifier is always computed from the other arguments. The request is signed (infInut) and,
  // for a CNPJ issuer, validated against the schema. With SalvarLogsEmDisco a granted invalidation
  // (102) is written to DiretorioXmlDestinatario + id + "-inut.xml"; failing to write it does not fail
  // the call. Failures of the call raise EvxnNFeException "Erro ao inutilizar NF-e: " + cause.
  std::string InutilizarNF(std::string_view ignorado, std::string_view ano, std::string_view cnpj,
                           std::string_view modelo, std::string_view serie, std::string_view nNFIni,
                           std::string_view nNFFin, std::string_view xJust);
  // A taxpayer's registration in a state (empty uf: the component's): the retConsCad reply. tipo is
  // "CNPJ", "CPF" or "IE". A state whose servers section lacks CadConsulta4 but has CadConsulta3 is
  // asked with the 3.10 request. The service data (UF, state code, layout version) is always restored.
  std::string ConsultarCadastro(std::string_view tipo, std::string_view documento, std::string_view uf);
  // The XML of a Base64 text of gzip-compressed XML; EvxnNFeDescompactarXMLException when it is not.
  std::string DescompactarXMLZip(std::string_view texto);
  // Obsolete (cancellation is done by event): always raises EvxnNFeDeprecatedException.
  [[noreturn]] void CancelarNF(std::string_view a, std::string_view b, std::string_view c);
  // Escapes the XML special characters of a justification without escaping again what already is an
  // entity: text that was escaped before comes back unchanged; numeric character references are kept.
  static std::string EscapeCaracteres(std::string_view texto);

  // ---- Events (vxnNFeEventosComponente.cpp) ----------------------------------------------------------
  // Each reports its call to telemetry, copies the configuration into the events object
  // (AtualizaDadosNFeEventos) and, for the events the national environment receives, points it there
  // first. Replies come back as the authority gave them; an accepted event gets its distribution XML
  // in DiretorioXmlDestinatario (announced by OnXmlCanDestinatario for a cancellation, by
  // OnXmlDestinatario for the others).

  // The events object, created on first use and owned by the component.
  TvxnNFeEventos& GetEventos();
  // Copies the configuration into the events object.
  virtual void AtualizaDadosNFeEventos();
  std::string EnviarCCe(std::string_view chave, std::string_view correcao, std::string_view orgao,
                        std::string_view dataHora, std::string_view fuso, int sequencia,
                        std::string_view lote);
  std::string EnviarCCe(std::string_view lote, std::string_view xml);
  std::string CancelarNFeEvento(std::string_view chave, std::string_view protocolo,
                                std::string_view justificativa, std::string_view dataHora,
                                std::string_view fuso, int sequencia, std::string_view lote);
  // Cancellation by substitution (110112) of `chave`, replaced by `chaveSubstituta` issued in
  // contingency for the same operation; accepted, its distribution XML is KEY-cansub.xml
  // (OnXmlCanDestinatario).
  std::string CancelarNFeEventoSubstituicao(std::string_view chave, std::string_view protocolo,
                                            std::string_view justificativa, std::string_view chaveSubstituta,
                                            std::string_view verAplic, std::string_view dataHora,
                                            std::string_view fuso, int sequencia, std::string_view lote);
  // tipo 1 confirmation, 2 awareness, 3 operation not recognised, 4 operation not performed.
  std::string EnviarManifestacaoDestinatario(int tipo, std::string_view chave, std::string_view justificativa,
                                             std::string_view dataHora, std::string_view fuso,
                                             std::string_view lote, int sequencia);
  // The signed EPEC lot of the documents of a signed NF-e lot, and its sending.
  std::string MontarXmlEPEC(std::string_view lote, std::string_view xmlEnvio, std::string_view dataHora,
                            std::string_view fuso);
  std::string EnviarEPEC(std::string_view loteEPEC);
  std::string EnviarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                       std::string_view orgaoAutor, std::string_view tpAutor,
                                       std::string_view verAplic, std::string_view dataHoraEntrega,
                                       std::string_view nDoc, std::string_view nome,
                                       std::string_view latitude, std::string_view longitude,
                                       std::string_view imagem, std::string_view dataHora,
                                       std::string_view fuso, int sequencia, std::string_view lote);
  std::string CancelarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                         std::string_view orgaoAutor, std::string_view tpAutor,
                                         std::string_view verAplic, std::string_view protocoloEntrega,
                                         std::string_view dataHora, std::string_view fuso, int sequencia,
                                         std::string_view lote);
  std::string EnviarAtorInteressado(std::string_view chave, std::string_view orgao,
                                    std::string_view orgaoAutor, std::string_view tpAutor,
                                    std::string_view verAplic, std::string_view autorizado,
                                    TTipoAutorizacaoAtorInter tipo, std::string_view dataHora,
                                    std::string_view fuso, int sequencia, std::string_view lote);
  // Items (number, quantity) of the next extension request.
  void AdicionarItens(std::string_view item, std::string_view quantidade);
  std::string EnviarPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                      TTipoPedidoProrrogacao tipo, std::string_view dataHora,
                                      std::string_view fuso, int sequencia, std::string_view lote);
  std::string CancelarPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                        TTipoCancelamentoPedidoProrrogacao tipo, std::string_view dataHora,
                                        std::string_view fuso, int sequencia, std::string_view lote);
  // The tax authority's answer to an extension request (411500, 411501) or to its cancellation (411502,
  // 411503), built as the published schemas of those kinds have it (vxnNFeEventos.h), and its sending.
  std::string MontarXMLEventoFisco(std::string_view chave, std::string_view orgao, std::string_view tpEvento,
                                   const std::vector<TvxnItemRespostaPedido>& itens,
                                   const TvxnRespostaCancelamentoPedido& cancelamento,
                                   std::string_view dataHora, std::string_view fuso, int sequencia);
  std::string EnviarEventoFisco(std::string_view chave, std::string_view orgao, std::string_view tpEvento,
                                const std::vector<TvxnItemRespostaPedido>& itens,
                                const TvxnRespostaCancelamentoPedido& cancelamento, std::string_view dataHora,
                                std::string_view fuso, int sequencia, std::string_view lote);
  // Signing of events the host built itself: every infEvento of the text.
  std::string AssinarCCe(std::string_view xml);
  std::string AssinarEPEC(std::string_view xml);
  // Distribution XML of an event from its request and reply (texts, log names or paths).
  std::string GerarXMLCCeDestinatario(std::string_view evento, std::string_view retorno);
  std::string GerarXMLManifestoDestinatario(std::string_view evento, std::string_view retorno);
  std::string GerarXMLEPECDestinatario(std::string_view evento, std::string_view retorno);
  std::string GerarXMLComprovanteEntregaDestinatario(std::string_view evento, std::string_view retorno);
  std::string GerarXMLCancelamentoComprovanteEntregaDestinatario(std::string_view evento,
                                                                 std::string_view retorno);
  // The correction-letter form of a CC-e's distribution XML (text or file), with the copies, logo, line
  // delimiter and ModeloRTMCCe of the DANFE settings; the events object checks that the CC-e was
  // registered ("A CCe não está Autorizada.") and prints it with the component's DANFE printer.
  void ImprimirCCe(std::string_view xml, std::string_view impressora = {});
  void VisualizarCCe(std::string_view xml);
  // PDF (formato 2) or PNG pages in the directory `arquivo` (formato 3).
  void ExportarCCe(std::string_view xml, std::string_view arquivo, int formato = 2);
  void EditarModeloCCe(std::string_view xml);

  // ---- Documents addressed to the taxpayer (vxnNFeEventosComponente.cpp; the filing in
  // vxnNFeDistribuicao.cpp) ----------------------------------------------------------------------------
  // The national distribution service: the party's documents after the last NSU it has (nkUltimo), the
  // one of an NSU (nkEspecifico); NSU has 15 digits or is "0" (from the beginning). The reply
  // (retDistDFeInt) as the service gave it; TratarXMLRetornoDFe files its documents.
  std::string ConsultarDistribuicaoDFe(std::string_view cUFAutor, std::string_view cnpjCpf,
                                       std::string_view nsu, TNSUKind kind);
  // One document by key; it is also written to DiretorioDownloads as chave + "-nfe.xml" (OnDownloadNFe).
  std::string ConsultarDistribuicaoDFeChave(std::string_view cUFAutor, std::string_view cnpjCpf,
                                            std::string_view chave);
  // Files every docZip of a reply with cStat 138 under `pasta` (DiretorioXmlDestinatario + "DFe/" when
  // empty): summaries in "Resumo/" as KEY.xml, whole documents as KEY-nfe.xml, events as KEY + the
  // suffix of their tpEvento ("-caneve.xml", "-cce.xml", the manifestations' "-co-mde.xml",
  // "-ci-mde.xml", "-do-mde.xml", "-or-mde.xml", else "-" + tpEvento + ".xml"); UTF-8 without BOM,
  // replacing an earlier file. `aviso` hears of each document once it is written. A docZip that does not
  // decompress stops the filing (EvxnNFeDescompactarXMLException); what was filed before it stays.
  void TratarXMLRetornoDFe(std::string_view retorno, std::string_view pasta,
                           const TOnDFeArquivado& aviso = {});
  // Obsolete (replaced by the distribution service): always raise EvxnNFeDeprecatedException.
  [[noreturn]] void ConsultarNFeDestinadas(int indNFe, int indEmi, std::string_view ultNSU);
  [[noreturn]] void DownloadNFe(std::string_view chaves);

private:
  // The print parameters of a document: the DANFE settings, the model, the cancelled and denied
  // banners, the cancellation and summary models.
  TvxnStringList PreparaImpressao(std::string_view xml, std::string_view modelo);
  // The checks of the EPEC operations; returns the XML's text and the parameters with the EPEC's.
  TvxnStringList PreparaImpressaoEPEC(std::string_view xml, std::string_view protocolo,
                                      std::string_view dataHora, std::string_view modelo, std::string& texto);
  // The CC-e print settings of the events object from the DANFE settings, and the component's printer.
  void PreparaImpressaoCCe();
  // Sets a given (or the simplified) model as both models; returns it ("" when none).
  std::string GetParametroArquivoModeloRTM(std::string_view modelo, std::string_view xml,
                                           TvxnStringList& params);
  std::string XmlPrevia(std::string_view xml);
  void ExecutarDanfe(std::string_view xml, const TvxnStringList& params, void (TvxnNFeDanfe::*operacao)());
  // Raises EvxnNFeDeprecatedException "O método <operacao> está obsoleto. Utilize: <substituta>".
  [[noreturn]] void Obsoleta(std::string_view operacao, std::string_view substituta);
  // Writes the ProcInutNFe document of a granted invalidation; a failure goes to telemetry only.
  void GravarInutilizacao(std::string_view id, std::string_view xml);
  // The document element of a taxpayer query after the checks of its kind and length.
  std::string ElementoDocumentoCadastro(std::string_view tipo, std::string_view documento);
  // Whether EnviarNF sends this lot as EnviarNFSincrono does (LoteUnicoSincrono).
  bool EnviaComoSincrono(std::string_view lote);

protected:
  void LerConfiguracoes(TvxnIniFile& ini) override;
  void GravarConfiguracoes(TvxnIniFile& ini) override;
  // The step AssinarNota and PrepararXMLAssinar take for each infNFe element before it is wrapped and
  // signed; a component that re-stamps documents (series, issue type, key) does it here. Returns
  // whether the text changed: a changed document's Id is read again.
  virtual bool AjustarNotaParaAssinar(std::string& nota);

private:
  void SecaoPadrao();
  std::string diretorioXmlDestinatario_;
  std::string diretorioDownloads_;
  int maxSizeLoteEnvio_ = 500;
  TOnXmlDestinatarioEvent onXmlDestinatario_;
  TOnXmlCanDestinatarioEvent onXmlCanDestinatario_;
  TOnDownloadNFeEvent onDownloadNFe_;
  std::unique_ptr<TvxnNFeEventos> eventos_;
  std::unique_ptr<TvxnNFeDanfe> danfe_;
};

} // namespace vxn
