// Settings records the component publishes, the configuration snapshot it hands to its web-service
// object, and the callback types through which it reports to the host.
#pragma once

#include "vxnNFeType.h"
#include "vxnStringList.h"

#include <functional>
#include <string>

namespace vxn {

class TvxnIniFile;

// Callbacks; an empty one is skipped.
using TOnLogEventNFe =
    std::function<void(const std::string& aNome, const std::string& aID, const std::string& aFileName)>;
using TOnLogContentEventNFe = std::function<void(const std::string& aNome, const std::string& aID,
                                                 const std::string& aFileName, const std::string& aContent)>;
using TOnCheckCertificateEventNFe = std::function<void(std::string& CertificateName)>;
using TOnXmlDestinatarioEvent = std::function<void(const std::string& aFileName)>;
using TOnXmlCanDestinatarioEvent = std::function<void(const std::string& aFileName)>;
using TOnDownloadNFeEvent = std::function<void(const std::string& aFileName)>;

// Settings for printing the DANFE.
class TDanfeSettings {
public:
  std::string GetLogotipoEmitente() const { return logotipoEmitente_; }
  void SetLogotipoEmitente(std::string v) { logotipoEmitente_ = std::move(v); }
  // The model getters fill an empty value, on first read, with the shipped model and keep it.
  std::string GetModeloRetrato();
  void SetModeloRetrato(std::string v) { modeloRetrato_ = std::move(v); }
  std::string GetModeloPaisagem();
  void SetModeloPaisagem(std::string v) { modeloPaisagem_ = std::move(v); }
  std::string GetModeloRetratoCancelamento();
  void SetModeloRetratoCancelamento(std::string v) { modeloRetratoCancelamento_ = std::move(v); }
  std::string GetModeloDanfeXmlResumo();
  void SetModeloDanfeXmlResumo(std::string v) { modeloDanfeXmlResumo_ = std::move(v); }
  std::string GetFraseContingencia() const { return fraseContingencia_; }
  void SetFraseContingencia(std::string v) { fraseContingencia_ = std::move(v); }
  std::string GetFraseHomologacao() const { return fraseHomologacao_; }
  void SetFraseHomologacao(std::string v) { fraseHomologacao_ = std::move(v); }
  int GetQtdeCopias() const { return qtdeCopias_; }
  void SetQtdeCopias(int v) { qtdeCopias_ = v; }
  std::string GetLineDelimiter() const { return lineDelimiter_; }
  void SetLineDelimiter(std::string v) { lineDelimiter_ = std::move(v); }
  int GetInfCplMaxRow() const { return infCplMaxRow_; }
  void SetInfCplMaxRow(int v) { infCplMaxRow_ = v > 0 ? v : 7; }
  int GetInfCplMaxCol() const { return infCplMaxCol_; }
  void SetInfCplMaxCol(int v) { infCplMaxCol_ = v > 0 ? v : 68; }
  bool GetImprimirVolume() const { return imprimirVolume_; }
  void SetImprimirVolume(bool v) { imprimirVolume_ = v; }
  bool GetImprimirDuplicata() const { return imprimirDuplicata_; }
  void SetImprimirDuplicata(bool v) { imprimirDuplicata_ = v; }
  bool GetImprimirUnidadeTributada() const { return imprimirUnidadeTributada_; }
  void SetImprimirUnidadeTributada(bool v) { imprimirUnidadeTributada_ = v; }
  std::string GetModeloDanfeSimplificado() const { return modeloDanfeSimplificado_; }
  void SetModeloDanfeSimplificado(std::string v) { modeloDanfeSimplificado_ = std::move(v); }
  std::string GetModeloRTMCCe() const { return modeloRTMCCe_; }
  void SetModeloRTMCCe(std::string v) { modeloRTMCCe_ = std::move(v); }
  bool GetMensagemPartilhaAutomatica() const { return mensagemPartilhaAutomatica_; }
  void SetMensagemPartilhaAutomatica(bool v) { mensagemPartilhaAutomatica_ = v; }
  bool GetMensagemFCP() const { return mensagemFCP_; }
  void SetMensagemFCP(bool v) { mensagemFCP_ = v; }
  bool GetImprimirObsCont() const { return imprimirObsCont_; }
  void SetImprimirObsCont(bool v) { imprimirObsCont_ = v; }
  TImprimirFrenteVersoKind GetImprimirFrenteVerso() const { return imprimirFrenteVerso_; }
  void SetImprimirFrenteVerso(TImprimirFrenteVersoKind v) { imprimirFrenteVerso_ = v; }
  bool GetImprimirLocalRetiradaEntrega() const { return imprimirLocalRetiradaEntrega_; }
  void SetImprimirLocalRetiradaEntrega(bool v) { imprimirLocalRetiradaEntrega_ = v; }
  bool GetInfCplQuebrarLinhaAut() const { return infCplQuebrarLinhaAut_; }
  void SetInfCplQuebrarLinhaAut(bool v) { infCplQuebrarLinhaAut_ = v; }
  std::string GetConfigTextoRodapeDir() const { return configTextoRodapeDir_; }
  void SetConfigTextoRodapeDir(std::string v) { configTextoRodapeDir_ = std::move(v); }
  std::string GetConfigTextoRodapeEsq() const { return configTextoRodapeEsq_; }
  void SetConfigTextoRodapeEsq(std::string v) { configTextoRodapeEsq_ = std::move(v); }
  bool GetMensagemIcmsDesonerado() const { return mensagemIcmsDesonerado_; }
  void SetMensagemIcmsDesonerado(bool v) { mensagemIcmsDesonerado_ = v; }

  // The stored model fields, without the shipped model the getters fill in (what the INI file keeps).
  const std::string& GetModeloRetratoArmazenado() const { return modeloRetrato_; }
  const std::string& GetModeloPaisagemArmazenado() const { return modeloPaisagem_; }
  const std::string& GetModeloRetratoCancelamentoArmazenado() const { return modeloRetratoCancelamento_; }
  const std::string& GetModeloDanfeXmlResumoArmazenado() const { return modeloDanfeXmlResumo_; }

  // The settings the report engine receives, one "name=value" line each (CR LF after every line),
  // booleans as "-1"/"0".
  std::string GetParams();

private:
  std::string logotipoEmitente_;
  std::string modeloRetrato_;
  std::string fraseContingencia_ = "Danfe em contingência - Impresso em decorrência de problemas técnicos";
  std::string modeloPaisagem_;
  std::string fraseHomologacao_ = "SEM VALOR FISCAL";
  int qtdeCopias_ = 1;
  std::string lineDelimiter_ = "|";
  int infCplMaxRow_ = 7;
  int infCplMaxCol_ = 68;
  bool imprimirVolume_ = false;
  bool imprimirDuplicata_ = true;
  bool imprimirUnidadeTributada_ = false;
  std::string modeloDanfeSimplificado_;
  std::string modeloRTMCCe_;
  bool mensagemPartilhaAutomatica_ = false;
  bool mensagemFCP_ = false;
  bool imprimirObsCont_ = false;
  std::string modeloRetratoCancelamento_;
  TImprimirFrenteVersoKind imprimirFrenteVerso_ = fvDesabilitado;
  bool imprimirLocalRetiradaEntrega_ = true;
  bool infCplQuebrarLinhaAut_ = false;
  std::string configTextoRodapeDir_;
  std::string configTextoRodapeEsq_;
  bool mensagemIcmsDesonerado_ = false;
  std::string modeloDanfeXmlResumo_;
};

// Sizes of the external validator's HTML report.
struct TAuditorSettings {
  std::string HeightHtml;
  std::string WidthHtml;
};

// Mail settings of the distribution XML and the DANFE.
struct TvxnEmailSettings {
  std::string EmailDestinatario;
  std::string EmailRemetente;
  std::string ServidorSmtp;
  std::string Usuario;
  std::string Senha;
  std::string Assunto;
  std::string Mensagem;
  int Porta = 0;
  bool Autenticacao = false;
  std::string CCo;
  std::string CC;
  int TimeOut = 0; // milliseconds
  bool ConteudoHtml = false;
  bool UseSecureBlackBox = false;
};

// The certificate-name list: raises OnSetText with the new text each time its whole text is assigned.
class TvxnCertStringNFe : public TvxnStringList {
public:
  std::function<void(const std::string&)> OnSetText;
  void SetText(std::string_view text) override {
    TvxnStringList::SetText(text);
    if (OnSetText)
      OnSetText(std::string(text));
  }
};

// The configuration snapshot the component hands to its web-service object before each operation.
struct TNFeData {
  std::string ArquivoServidoresHom;
  std::string ArquivoServidoresProd;
  TvxnIniFile* ServersIni = nullptr; // owned by the component; may be absent
  TAmbienteKind Ambiente = akHomologacao;
  std::string DiretorioLog;
  bool ValidarEsquemaAntesEnvio = false;
  bool IgnoreInvalidCertificates = false;
  int TimeOut = 0;
  std::string DiretorioEsquemas;  // ends in the version subdirectory
  std::string DiretorioTemplates; // ends in the version subdirectory
  std::string NomeCeritificado;
  TVersaoManual VersaoManual = vm60;
  std::string AmbienteStr = "2";
  std::string LocalCode;
  std::string UF;
  std::string CNPJ;
  TModoOperacao ModoOperacao = moNormal;
};

} // namespace vxn
