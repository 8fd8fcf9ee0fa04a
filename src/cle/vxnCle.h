// TvxnCle: the CL-e component. A CL-e is a load declaration: the access keys of the NF-e documents
// carried together, the carrier, the transport modality (road, with the vehicle and up to two trailers,
// or another modality) and the states of origin and destination. The component builds the lot request
// (enviCLe) from its properties and a comma-separated list of keys, checks it, sends it to the tax
// authority's CL-e service over SOAP 1.2 with its own certificate, keeps XML logs of request and reply, and
// prints the registered CL-e through the report engine (vxnCleImpressao.h).
//
// It stands alone: its own configuration file ("cleConfig.ini", section "CLE"), its own government-services
// objects, its own servers files (key "CleCadastro" under the section of the state of origin). Every
// failure is an EvxnCLeException (configuration: EvxnCLeConfigException, certificate:
// EvxnCLeCertificadoException) that writes its line to "nfe_exception.log" in DiretorioLogErro. The
// request and reply layouts are those of data/Esquemas/Cle/cle_v1.00.xsd (docs/cle.md).
#pragma once

#include "vxnNFeSettings.h"
#include "vxnNFeType.h"
#include "vxnStringList.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace vxn {

class TvxnGovX;
class TvxnGovUtils;
class TvxnIniFile;

// The carrier: a CNPJ (14 digits) or a CPF (11 digits), never both, and its name.
class TvxnCleTransportador {
public:
  const std::string& GetCNPJ() const { return cnpj_; }
  void SetCNPJ(std::string_view v) { cnpj_ = v; }
  const std::string& GetCPF() const { return cpf_; }
  void SetCPF(std::string_view v) { cpf_ = v; }
  const std::string& GetNome() const { return nome_; }
  void SetNome(std::string_view v) { nome_ = v; }
  // Trade name; written (xFant) only when filled.
  const std::string& GetFantasia() const { return fantasia_; }
  void SetFantasia(std::string_view v) { fantasia_ = v; }
  void Limpar() { *this = {}; }

private:
  std::string cnpj_, cpf_, nome_, fantasia_;
};

// Road transport: the vehicle's plate and state, and up to two trailers. States are abbreviations
// ("SP"); the request carries their codes.
class TvxnCleModRodoviario {
public:
  const std::string& GetPlacaVeiculo() const { return placaVeiculo_; }
  void SetPlacaVeiculo(std::string_view v) { placaVeiculo_ = v; }
  const std::string& GetUFVeiculo() const { return ufVeiculo_; }
  void SetUFVeiculo(std::string_view v) { ufVeiculo_ = v; }
  const std::string& GetPlacaCarreta() const { return placaCarreta_; }
  void SetPlacaCarreta(std::string_view v) { placaCarreta_ = v; }
  const std::string& GetUFCarreta() const { return ufCarreta_; }
  void SetUFCarreta(std::string_view v) { ufCarreta_ = v; }
  const std::string& GetPlacaCarreta2() const { return placaCarreta2_; }
  void SetPlacaCarreta2(std::string_view v) { placaCarreta2_ = v; }
  const std::string& GetUFCarreta2() const { return ufCarreta2_; }
  void SetUFCarreta2(std::string_view v) { ufCarreta2_ = v; }
  // Any field filled (blanks do not count).
  bool Preenchido() const;
  void Limpar() { *this = {}; }

private:
  std::string placaVeiculo_, ufVeiculo_, placaCarreta_, ufCarreta_, placaCarreta2_, ufCarreta2_;
};

// Any other modality: its code (docs/cle.md lists them), the state of the transport and the
// identification of the means of transport (a ship's name, a flight, a wagon...).
class TvxnCleModOutro {
public:
  const std::string& GetModalidade() const { return modalidade_; }
  void SetModalidade(std::string_view v) { modalidade_ = v; }
  const std::string& GetUFTransporte() const { return ufTransporte_; }
  void SetUFTransporte(std::string_view v) { ufTransporte_ = v; }
  const std::string& GetIdentMeioTransporte() const { return identMeioTransporte_; }
  void SetIdentMeioTransporte(std::string_view v) { identMeioTransporte_ = v; }
  bool Preenchido() const;
  void Limpar() { *this = {}; }

private:
  std::string modalidade_, ufTransporte_, identMeioTransporte_;
};

// Exactly one of the two groups is filled for a lot.
class TvxnCleModalidade {
public:
  TvxnCleModRodoviario& Rodoviario() { return rodoviario_; }
  const TvxnCleModRodoviario& Rodoviario() const { return rodoviario_; }
  TvxnCleModOutro& Outro() { return outro_; }
  const TvxnCleModOutro& Outro() const { return outro_; }
  void Limpar() {
    rodoviario_.Limpar();
    outro_.Limpar();
  }

private:
  TvxnCleModRodoviario rodoviario_;
  TvxnCleModOutro outro_;
};

// The codes accepted for the other modalities: "02" air, "03" waterway, "04" rail, "05" pipeline,
// "06" multimodal ("01", road, has a group of its own).
bool ModalidadeOutroValida(std::string_view codigo);

// Print settings of the CL-e form.
struct TCLeSettings {
  // The report model; empty: DiretorioTemplates + "/Impressao/ModeloCLe.rtm".
  std::string ModeloRTM;
  int QtdeCopias = 1;
  // CUPS queue; empty for the default destination.
  std::string Impressora;
  // JPEG or PNG printed in the header; empty for none.
  std::string LogotipoEmitente;
  // The PDF an export writes when the call names none.
  std::string SalvarComo;
};

enum class TvxnSituacaoCleKind { ckEmAberto, ckApresentada, ckBaixada, ckCancelada };
using enum TvxnSituacaoCleKind;
std::string SituacaoCleToStr(TvxnSituacaoCleKind s);

class TvxnCle {
public:
  TvxnCle();
  ~TvxnCle();
  TvxnCle(const TvxnCle&) = delete;
  TvxnCle& operator=(const TvxnCle&) = delete;

  // ---- The lot ---------------------------------------------------------------------------------------

  TvxnCleTransportador& Transportador() { return transportador_; }
  const TvxnCleTransportador& Transportador() const { return transportador_; }
  TvxnCleModalidade& Modalidade() { return modalidade_; }
  const TvxnCleModalidade& Modalidade() const { return modalidade_; }
  // State abbreviations; origin "SP" by default. The origin also chooses the section of the servers
  // file.
  const std::string& GetUFOrigem() const { return ufOrigem_; }
  void SetUFOrigem(std::string_view v) { ufOrigem_ = v; }
  const std::string& GetUFDestino() const { return ufDestino_; }
  void SetUFDestino(std::string_view v) { ufDestino_ = v; }
  // The layout version written in the request ("1.00").
  const std::string& GetVersao() const { return versao_; }
  void SetVersao(std::string_view v) { versao_ = v; }
  TvxnSituacaoCleKind GetSituacao() const { return situacao_; }
  void SetSituacao(TvxnSituacaoCleKind v) { situacao_ = v; }
  // Forgets the carrier, the modality and the destination.
  void LimparDados();

  // ---- Configuration ---------------------------------------------------------------------------------

  TCLeSettings& ImpressaoSettings() { return impressao_; }
  TvxnEmailSettings& EmailSettings() { return email_; }
  TCertificadoKind GetTipoCertificado() const { return tipoCertificado_; }
  void SetTipoCertificado(TCertificadoKind v) { tipoCertificado_ = v; }
  // The CNPJ of the party that sends the lot (the certificate's).
  const std::string& GetCNPJ() const { return cnpj_; }
  void SetCNPJ(std::string_view v) { cnpj_ = v; }
  // Folders: relative ones are taken from the program directory.
  const std::string& GetDiretorioTemplates() const { return diretorioTemplates_; }
  void SetDiretorioTemplates(std::string_view v) { diretorioTemplates_ = v; }
  const std::string& GetDiretorioEsquemas() const { return diretorioEsquemas_; }
  void SetDiretorioEsquemas(std::string_view v) { diretorioEsquemas_ = v; }
  const std::string& GetDiretorioLog() const { return diretorioLog_; }
  void SetDiretorioLog(std::string_view v) { diretorioLog_ = v; }
  // Where the exceptions write their line ("" is the program directory).
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view v) { diretorioLogErro_ = v; }
  bool GetValidarEsquemaAntesEnvio() const { return validarEsquema_; }
  void SetValidarEsquemaAntesEnvio(bool v) { validarEsquema_ = v; }
  bool GetConexaoSegura() const { return conexaoSegura_; }
  void SetConexaoSegura(bool v) { conexaoSegura_ = v; }
  // The certificate: a PKCS#12 file (CaminhoCertificado, SenhaCertificado) for TipoCertificado FILE, or a
  // certificate chosen by its subject (NomeCertificado) in a folder of them for the store kinds.
  const std::string& GetNomeCertificado() const { return nomeCertificado_; }
  void SetNomeCertificado(std::string_view v) { nomeCertificado_ = v; }
  const std::string& GetCaminhoCertificado() const { return caminhoCertificado_; }
  void SetCaminhoCertificado(std::string_view v) { caminhoCertificado_ = v; }
  const std::string& GetSenhaCertificado() const { return senhaCertificado_; }
  void SetSenhaCertificado(std::string_view v) { senhaCertificado_ = v; }
  // The PKCS#11 module of a certificate on a smart card or token (TipoCertificado SMARTCARD); empty: the
  // first of the usual Debian module paths (docs/a3-tokens.md).
  const std::string& GetModuloPKCS11() const { return moduloPKCS11_; }
  void SetModuloPKCS11(std::string_view v) { moduloPKCS11_ = v; }
  const std::string& GetPinCode() const { return pinCode_; }
  void SetPinCode(std::string_view v) { pinCode_ = v; }
  // The proxy ("host:port") and its credentials.
  const std::string& GetProxy() const { return proxy_; }
  void SetProxy(std::string_view v) { proxy_ = v; }
  const std::string& GetUsuario() const { return usuario_; }
  void SetUsuario(std::string_view v) { usuario_ = v; }
  const std::string& GetSenha() const { return senha_; }
  void SetSenha(std::string_view v) { senha_ = v; }
  // A PEM file of the only authorities a server's certificate may chain to; empty: the system's and the
  // shipped ICP-Brasil roots.
  const std::string& GetArquivoCAExclusivo() const { return arquivoCAExclusivo_; }
  void SetArquivoCAExclusivo(std::string_view v) { arquivoCAExclusivo_ = v; }
  bool GetIgnoreInvalidCertificates() const { return ignoreInvalidCertificates_; }
  void SetIgnoreInvalidCertificates(bool v) { ignoreInvalidCertificates_ = v; }
  TAmbienteKind GetAmbiente() const { return ambiente_; }
  void SetAmbiente(TAmbienteKind v) { ambiente_ = v; }
  const std::string& GetArquivoServidoresProd() const { return arquivoServidoresProd_; }
  void SetArquivoServidoresProd(std::string_view v) { arquivoServidoresProd_ = v; }
  const std::string& GetArquivoServidoresHom() const { return arquivoServidoresHom_; }
  void SetArquivoServidoresHom(std::string_view v) { arquivoServidoresHom_ = v; }
  // Milliseconds for a whole request; 0 waits as long as it takes.
  int GetTimeOut() const { return timeOut_; }
  void SetTimeOut(int v) { timeOut_ = v; }
  bool GetSalvarLogsEmDisco() const { return salvarLogsEmDisco_; }
  void SetSalvarLogsEmDisco(bool v) { salvarLogsEmDisco_ = v; }
  // Told of every log: name ("env-cle", "ret-cle"), id, file (the path written, or the file name when
  // logs stay off the disk) and content.
  const TOnLogContentEventNFe& GetOnLog() const { return onLog_; }
  void SetOnLog(TOnLogContentEventNFe v) { onLog_ = std::move(v); }
  // The section of the configuration file ("CLE" when empty) and the file LoadConfig reads.
  const std::string& GetSectionINI() const { return sectionINI_; }
  void SetSectionINI(std::string_view v) { sectionINI_ = v; }
  const std::string& GetConfigINI() const { return configINI_; }
  // The errors of the last schema validation, one per line.
  const TvxnStringList& GetErrosValidador() const { return errosValidador_; }

  // "cleConfig.ini".
  static std::string RetornaNomeArquivoConfig();
  // Reads the configuration file: the name given, relative to the program directory, or "cleConfig.ini"
  // there when empty. A missing file raises EvxnCLeConfigException "Arquivo ini de configuração não foi
  // encontrado em <path>".
  void LoadConfig(std::string_view fileName = {});
  // Reads from the host's INI object (nullptr raises EvxnCLeConfigException).
  void LoadConfig(TvxnIniFile* ini);
  void SaveConfig(std::string_view fileName = {});
  void SaveConfig(TvxnIniFile* ini);
  // Read and write the keys of docs/cle.md in the file of ConfigINI.
  void CarregarConfiguracoes();
  void SalvarConfiguracoes();

  // ---- Operations ------------------------------------------------------------------------------------

  // The lot request for the comma-separated access keys, after the checks (in the order of docs/cle.md;
  // the first failing one raises EvxnCLeException with its message).
  std::string MontarXmlCLe(std::string_view chaves);
  // Sends a request built by MontarXmlCLe and returns the authority's reply (retCadCLe).
  std::string EnviarCLe(std::string_view xml);
  // The schema check of EnviarCLe (when ValidarEsquemaAntesEnvio is on).
  void ValidarLoteParaEnvio(std::string_view xml);
  // Validates against the XSD that "Mapping.txt" of DiretorioEsquemas names for the command, when the
  // request names its schema (schemaLocation).
  void ValidarXmlCLe(std::string_view xml, std::string_view comando);
  std::string GetXSDFileName(std::string_view comando);
  // The paths of the send and reply logs of the last EnviarCLe ("" when none was written).
  const std::string& UltimoLogEnvio() const { return ultimoLogEnvio_; }
  const std::string& UltimoLogRetorno() const { return ultimoLogRetorno_; }

  // ---- Printing (request and reply as texts or file names; vxnCleImpressao.cpp) ----------------------

  void ImprimirCLe(std::string_view envio, std::string_view retorno, std::string_view impressora = {});
  // The PDF goes to the print settings' preview handler (or xdg-open).
  void VisualizarCLe(std::string_view envio, std::string_view retorno);
  // Writes a PDF (atomically); an empty name takes ImpressaoSettings().SalvarComo.
  void ExportarCLe(std::string_view envio, std::string_view retorno, std::string_view arquivo = {});
  [[noreturn]] void EditarModeloCLe(std::string_view envio, std::string_view retorno);

  // ---- Certificates ----------------------------------------------------------------------------------

  void ListarCertificados(TvxnStringList* lista);
  bool RemoverCertificado(std::string_view nome);
  std::chrono::system_clock::time_point GetVencimentoCertificado();
  // EvxnCLeCertificadoException when the certificate is missing, does not open or is out of its dates.
  void CheckCertificate();

  // The government-services objects, configured from the properties.
  TvxnGovX& GetGov();
  TvxnGovUtils& GetGovUtils();

private:
  void LerConfiguracoes(TvxnIniFile& ini);
  void GravarConfiguracoes(TvxnIniFile& ini);
  std::string Secao() const;
  void ConfigurarGov();
  std::string LoadTemplate(std::string_view nome) const;
  std::string GrupoTransportador() const;
  std::string GrupoModalidade() const;
  std::string EnderecoServico() const;
  std::string GravarLog(std::string_view xml, std::string_view nome, std::string_view id);
  std::string Pasta(std::string_view diretorio) const;
  template <class F>
  void Imprimir(std::string_view envio, std::string_view retorno, std::string_view extras, F&& operacao);

  TvxnCleTransportador transportador_;
  TvxnCleModalidade modalidade_;
  std::string ufOrigem_ = "SP", ufDestino_, versao_ = "1.00";
  TvxnSituacaoCleKind situacao_ = ckEmAberto;
  TCLeSettings impressao_;
  TvxnEmailSettings email_;
  TCertificadoKind tipoCertificado_ = ckFile;
  std::string cnpj_;
  std::string diretorioTemplates_ = "Templates/Cle", diretorioEsquemas_ = "Esquemas/Cle",
              diretorioLog_ = "Log/";
  std::string diretorioLogErro_;
  bool validarEsquema_ = false, conexaoSegura_ = true, ignoreInvalidCertificates_ = false;
  bool salvarLogsEmDisco_ = true;
  std::string nomeCertificado_, caminhoCertificado_, senhaCertificado_, moduloPKCS11_, pinCode_, proxy_,
      usuario_, senha_, arquivoCAExclusivo_;
  TAmbienteKind ambiente_ = akHomologacao;
  std::string arquivoServidoresProd_ = "cleServidoresProd.ini",
              arquivoServidoresHom_ = "cleServidoresHom.ini";
  int timeOut_ = 0;
  TOnLogContentEventNFe onLog_;
  std::string sectionINI_ = "CLE", configINI_;
  TvxnIniFile* iniEmprestado_ = nullptr;
  TvxnStringList errosValidador_;
  std::unique_ptr<TvxnGovX> gov_;
  std::unique_ptr<TvxnGovUtils> utils_;
  std::string ultimoLogEnvio_, ultimoLogRetorno_;
};

} // namespace vxn
