// The configuration INI file: LoadConfig/SaveConfig and the reading and writing
// of every key in its fixed order, with the defaults that make a missing key
// leave a property as it is.
#include "vxnNFe.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"
#include "vxnText.h"

namespace vxn {

namespace {

constexpr std::string_view kMail = "MAIL";
constexpr std::string_view kDanfe = "DANFE";

// Puts the caller's INI object in place of the component's for one call and,
// afterwards, leaves the component with a fresh INI object in memory: the
// caller keeps ownership of its object.
class EmprestimoIni {
public:
  EmprestimoIni(TvxnIniFile*& slot, std::unique_ptr<TvxnIniFile>& own, TvxnIniFile& theirs)
      : slot_(slot), own_(own) {
    own_.reset();
    slot_ = &theirs;
  }
  ~EmprestimoIni() {
    slot_ = nullptr;
    own_ = std::make_unique<TvxnIniFile>();
  }
  EmprestimoIni(const EmprestimoIni&) = delete;
  EmprestimoIni& operator=(const EmprestimoIni&) = delete;

private:
  TvxnIniFile*& slot_;
  std::unique_ptr<TvxnIniFile>& own_;
};

} // namespace

TvxnIniFile& TvxnCustomNFe::GetConfigINI() {
  if (configINIEmprestado_)
    return *configINIEmprestado_;
  if (!configINI_)
    configINI_ = std::make_unique<TvxnIniFile>(GetINIFilePath(""));
  return *configINI_;
}

std::string TvxnCustomNFe::EncryptPin(std::string_view pin) {
  return pin.empty() ? std::string() : GetGovUtils().Encrypt(pin);
}

std::string TvxnCustomNFe::DecryptPin(std::string_view stored) {
  return stored.empty() ? std::string() : GetGovUtils().Decrypt(stored);
}

void TvxnCustomNFe::CarregarConfiguracoes() {
  TvxnIniFile& ini = GetConfigINI();
  try {
    // Blanking a stored PIN writes to the file: one replacement of the file for
    // the whole read.
    TvxnIniFile::UpdateBatch batch(ini);
    LerConfiguracoes(ini);
    batch.Commit();
  } catch (const std::exception& e) {
    throw EvxnNFeException(std::string("Erro ao carregar configurações: ") + e.what(), GetDiretorioLogErro());
  }
}

void TvxnCustomNFe::SalvarConfiguracoes() {
  TvxnIniFile& ini = GetConfigINI();
  try {
    TvxnIniFile::UpdateBatch batch(ini);
    GravarConfiguracoes(ini);
    batch.Commit();
  } catch (const std::exception& e) {
    throw EvxnNFeException(std::string("Erro ao salvar configurações: ") + e.what(), GetDiretorioLogErro());
  }
}

void TvxnCustomNFe::LerConfiguracoes(TvxnIniFile& ini) {
  const std::string s = SecaoPrincipal();
  SetDiretorioLogErro(ini.ReadString(s, "DiretorioLogErro", GetDiretorioLogErro()));
  SetVersaoManual(StrToVersaoManual(ini.ReadString(s, "VersaoManual", VersaoManualToStr(versaoManual_))));
  SetTipoCertificado(StrToTipoCertificado(ini.ReadString(s, "TipoCertificado", "")));
  SetDiretorioTemplates(ini.ReadString(s, "DiretorioTemplates", "\\Templates"));
  SetDiretorioEsquemas(ini.ReadString(s, "DiretorioEsquemas", "\\Esquemas"));
  SetCNPJ(ini.ReadString(s, "CNPJ", ""));
  SetArquivoServidoresHom(ini.ReadString(s, "ArquivoServidoresHom", "nfeServidoresHom.ini"));
  SetArquivoServidoresProd(ini.ReadString(s, "ArquivoServidoresProd", "nfeServidoresProd.ini"));
  SetDiretorioLog(ini.ReadString(s, "DiretorioLog", GetDiretorioLog()));
  // 1 is production, 2 homologation; anything else is taken as homologation,
  // never as production.
  SetAmbiente(ini.ReadInteger(s, "Ambiente", 2) == 1 ? akProducao : akHomologacao);
  SetValidarEsquemaAntesEnvio(ini.ReadBool(s, "ValidarEsquema", false));
  SetLoteUnicoSincrono(ini.ReadBool(s, "LoteUnicoSincrono", true));
  SetIgnoreInvalidCertificates(ini.ReadBool(s, "IgnoreInvalidCertificates", false));
  SetArquivoCAAdicional(ini.ReadString(s, "ArquivoCAAdicional", ""));
  SetSomenteRaizesICPBrasil(ini.ReadBool(s, "SomenteRaizesICPBrasil", false));
  SetArquivoCAExclusivo(ini.ReadString(s, "ArquivoCAExclusivo", ""));
  SetNomeCertificado(ini.ReadString(s, "NomeCertificado", ""));
  // A certificate file needs no PIN: a PIN left in the file from another kind
  // is wiped there.
  if (tipoCertificado_ == ckFile)
    ini.WriteString(s, "PinCode", "");
  SetPinCode(DecryptPin(ini.ReadString(s, "PinCode", "")));
  SetModuloPKCS11(ini.ReadString(s, "ModuloPKCS11", ""));
  SetConexaoSegura(ini.ReadBool(s, "ConexaoSegura", true));
  SetProxy(ini.ReadString(s, "Proxy", ""));
  SetSenha(ini.ReadString(s, "Senha", ""));
  SetUsuario(ini.ReadString(s, "Usuario", ""));
  SetTimeOut(ini.ReadInteger(s, "TimeOut", 0));
  SetCaracteresRemoverAcentos(ini.ReadString(s, "CaracteresRemoverAcentos", caracteresRemoverAcentos_));
  SetUF(ini.ReadString(s, "UF", "SP"));
  SetCaminhoCertificado(ini.ReadString(s, "CaminhoCertificado", ""));
  SetSenhaCertificado(ini.ReadString(s, "SenhaCertificado", ""));
  SetDiretorioTemporario(ini.ReadString(s, "DiretorioTemporario", DiretorioTemporarioPadrao()));
  SetModoOperacao(StrToModoOperacao(ini.ReadString(s, "ModoOperacao", "Normal")));
  SetSalvarLogsEmDisco(ini.ReadBool(s, "SalvarLogsEmDisco", true));
  SetAnexarDanfePDF(ini.ReadBool(s, "AnexarDanfePDF", true));
  SetAtualizarArquivoServidores(ini.ReadBool(s, "AtualizarArquivoServidores", true));
  SetIdCSRT(ini.ReadString(s, "IdCSRT", ""));
  SetCSRT(ini.ReadString(s, "CSRT", ""));
  SetVersaoQRCode(ini.ReadInteger(s, "VersaoQRCode", 3));
  SetIdCSC(ini.ReadString(s, "IdCSC", ""));
  SetCSC(ini.ReadString(s, "CSC", ""));
  SetURLQRCode(ini.ReadString(s, "URLQRCode", ""));
  SetURLConsultaNFCe(ini.ReadString(s, "URLConsultaNFCe", ""));
  SetHttpLibs(ini.ReadString(s, "HttpLibs", ""));

  TvxnEmailSettings& m = GetEmailSettings();
  m.ServidorSmtp = ini.ReadString(kMail, "Servidor", "");
  m.EmailRemetente = ini.ReadString(kMail, "EmailRemetente", "");
  m.EmailDestinatario = ini.ReadString(kMail, "EmailDestinatario", "");
  m.Assunto = ini.ReadString(kMail, "Assunto", "");
  m.Mensagem = ini.ReadString(kMail, "Mensagem", "");
  m.Usuario = ini.ReadString(kMail, "Usuario", "");
  m.Senha = ini.ReadString(kMail, "Senha", "");
  m.Porta = ini.ReadInteger(kMail, "Porta", 0);
  m.Autenticacao = ini.ReadBool(kMail, "Autenticacao", false);
  m.TimeOut = ini.ReadInteger(kMail, "TimeOut", 30000);
  m.CCo = ini.ReadString(kMail, "CCo", "");
  m.CC = ini.ReadString(kMail, "CC", "");
  m.ConteudoHtml = ini.ReadBool(kMail, "ConteudoHtml", false);
  m.UseSecureBlackBox = ini.ReadBool(kMail, "UseSecureBlackBox", false);

  // The DANFE texts default to the stored fields, not to the model paths the
  // getters fill in.
  TDanfeSettings& d = *danfeSettings_;
  d.SetFraseHomologacao(ini.ReadString(kDanfe, "FraseHomologacao", d.GetFraseHomologacao()));
  d.SetLogotipoEmitente(ini.ReadString(kDanfe, "LogotipoEmitente", ""));
  d.SetFraseContingencia(ini.ReadString(kDanfe, "FraseContingencia", d.GetFraseContingencia()));
  d.SetModeloRetrato(ini.ReadString(kDanfe, "ModeloRetrato", d.GetModeloRetratoArmazenado()));
  d.SetModeloPaisagem(ini.ReadString(kDanfe, "ModeloPaisagem", d.GetModeloPaisagemArmazenado()));
  d.SetModeloDanfeSimplificado(
      ini.ReadString(kDanfe, "ModeloDanfeSimplificado", d.GetModeloDanfeSimplificado()));
  d.SetLineDelimiter(ini.ReadString(kDanfe, "LineDelimiter", d.GetLineDelimiter()));
  d.SetQtdeCopias(ini.ReadInteger(kDanfe, "QtdeCopias", 1));
  d.SetInfCplMaxCol(ini.ReadInteger(kDanfe, "InfCplMaxCol", 68));
  d.SetInfCplMaxRow(ini.ReadInteger(kDanfe, "InfCplMaxRow", 7));
  d.SetInfCplQuebrarLinhaAut(ini.ReadBool(kDanfe, "InfCplQuebrarLinhaAut", false));
  d.SetImprimirVolume(ini.ReadBool(kDanfe, "ImprimirVolume", false));
  d.SetImprimirDuplicata(ini.ReadBool(kDanfe, "ImprimirDuplicata", true));
  d.SetMensagemPartilhaAutomatica(ini.ReadBool(kDanfe, "MensagemPartilhaAutomatica", true));
  d.SetMensagemFCP(ini.ReadBool(kDanfe, "MensagemFCP", false));
  d.SetImprimirUnidadeTributada(ini.ReadBool(kDanfe, "ImprimirUnidadeTributada", false));
  SetDanfeSimplificado(ini.ReadBool(kDanfe, "DanfeSimplificado", false));
  d.SetModeloRTMCCe(ini.ReadString(kDanfe, "ModeloRTMCCe", d.GetModeloRTMCCe()));
  d.SetImprimirObsCont(ini.ReadBool(kDanfe, "ImprimirObsCont", true));
  d.SetModeloRetratoCancelamento(
      ini.ReadString(kDanfe, "ModeloRetratoCancelamento", d.GetModeloRetratoCancelamentoArmazenado()));
  d.SetImprimirFrenteVerso(
      StrToImprimirFrenteVerso(ini.ReadString(kDanfe, "ImprimirFrenteVerso", "Desabilitado")));
  d.SetImprimirLocalRetiradaEntrega(ini.ReadBool(kDanfe, "ImprimirLocalRetiradaEntrega", false));
  d.SetMensagemIcmsDesonerado(ini.ReadBool(kDanfe, "MensagemIcmsDesonerado", true));
  d.SetModeloDanfeXmlResumo(
      ini.ReadString(kDanfe, "ModeloDanfeXmlResumo", d.GetModeloDanfeXmlResumoArmazenado()));
}

void TvxnCustomNFe::GravarConfiguracoes(TvxnIniFile& ini) {
  const std::string s = SecaoPrincipal();
  ini.WriteString(s, "DiretorioLogErro", diretorioLogErro_);
  ini.WriteString(s, "Repositorio", TipoCertificadoToRepositorio(tipoCertificado_));
  ini.WriteBool(s, "IgnoreInvalidCertificates", ignoreInvalidCertificates_);
  ini.WriteString(s, "CNPJ", cnpj_);
  ini.WriteString(s, "ArquivoServidoresHom", arquivoServidoresHom_);
  ini.WriteString(s, "ArquivoServidoresProd", arquivoServidoresProd_);
  ini.WriteInteger(s, "Ambiente", ambiente_ == akProducao ? 1 : 2);
  ini.WriteString(s, "DiretorioLog", GetDiretorioLog());
  ini.WriteBool(s, "ValidarEsquema", validarEsquemaAntesEnvio_);
  ini.WriteBool(s, "LoteUnicoSincrono", loteUnicoSincrono_);
  ini.WriteString(s, "DiretorioTemplates", diretorioTemplates_);
  ini.WriteString(s, "DiretorioEsquemas", diretorioEsquemas_);
  ini.WriteString(s, "NomeCertificado", NomeCertificadoTexto());
  ini.WriteString(s, "PinCode", tipoCertificado_ == ckFile ? std::string() : EncryptPin(pinCode_));
  ini.WriteString(s, "DiretorioTemporario", GetDiretorioTemporario());
  ini.WriteString(s, "ModoOperacao", ModoOperacaoToString(modoOperacao_));
  ini.WriteBool(s, "SalvarLogsEmDisco", salvarLogsEmDisco_);
  ini.WriteString(s, "TipoCertificado", TipoCertificadoToString(tipoCertificado_));
  // The certificate file in use: CaminhoCertificado when set (ConfigurarPropriedades puts it into the
  // transport settings), else what the transport settings hold. Saving does not create the
  // government-services object for it: that first creation would reset the host's TipoCertificado and
  // IgnoreInvalidCertificates.
  const TvxnHttpSettings* http = gov_ ? &gov_->Get_HttpSettings() : nullptr;
  const std::string caminho =
      !caminhoCertificado_.empty() ? caminhoCertificado_ : (http ? http->CertificatePath : std::string());
  const std::string senha =
      !senhaCertificado_.empty() ? senhaCertificado_ : (http ? http->CertificatePassword : std::string());
  if (!caminho.empty()) {
    ini.WriteString(s, "CaminhoCertificado", caminho);
    ini.WriteString(s, "SenhaCertificado", senha);
  }
  ini.WriteBool(s, "ConexaoSegura", conexaoSegura_);
  ini.WriteString(s, "Proxy", proxy_);
  ini.WriteString(s, "Senha", senha_);
  ini.WriteString(s, "Usuario", usuario_);
  ini.WriteInteger(s, "TimeOut", timeOut_);
  ini.WriteString(s, "CaracteresRemoverAcentos", caracteresRemoverAcentos_);
  ini.WriteString(s, "VersaoManual", VersaoManualToStr(versaoManual_));
  ini.WriteString(s, "UF", uf_);
  ini.WriteBool(s, "AnexarDanfePDF", anexarDanfePDF_);
  ini.WriteBool(s, "AtualizarArquivoServidores", atualizarArquivoServidores_);
  ini.WriteString(s, "IdCSRT", idCSRT_);
  ini.WriteString(s, "CSRT", csrt_);
  ini.WriteInteger(s, "VersaoQRCode", versaoQRCode_);
  ini.WriteString(s, "IdCSC", idCSC_);
  ini.WriteString(s, "CSC", csc_);
  ini.WriteString(s, "URLQRCode", urlQRCode_);
  ini.WriteString(s, "URLConsultaNFCe", urlConsultaNFCe_);
  ini.WriteString(s, "HttpLibs", httpLibs_);
  if (!moduloPKCS11_.empty())
    ini.WriteString(s, "ModuloPKCS11", moduloPKCS11_);

  const TDanfeSettings& d = *danfeSettings_;
  ini.WriteString(kDanfe, "LogotipoEmitente", d.GetLogotipoEmitente());
  ini.WriteString(kDanfe, "FraseContingencia", d.GetFraseContingencia());
  ini.WriteString(kDanfe, "FraseHomologacao", d.GetFraseHomologacao());
  ini.WriteString(kDanfe, "ModeloRetrato", d.GetModeloRetratoArmazenado());
  ini.WriteString(kDanfe, "ModeloPaisagem", d.GetModeloPaisagemArmazenado());
  ini.WriteString(kDanfe, "ModeloDanfeSimplificado", d.GetModeloDanfeSimplificado());
  ini.WriteString(kDanfe, "ModeloRetratoCancelamento", d.GetModeloRetratoCancelamentoArmazenado());
  ini.WriteString(kDanfe, "ModeloDanfeXmlResumo", d.GetModeloDanfeXmlResumoArmazenado());
  ini.WriteString(kDanfe, "LineDelimiter", d.GetLineDelimiter());
  ini.WriteInteger(kDanfe, "QtdeCopias", d.GetQtdeCopias());
  ini.WriteInteger(kDanfe, "InfCplMaxCol", d.GetInfCplMaxCol());
  ini.WriteInteger(kDanfe, "InfCplMaxRow", d.GetInfCplMaxRow());
  ini.WriteBool(kDanfe, "InfCplQuebrarLinhaAut", d.GetInfCplQuebrarLinhaAut());
  ini.WriteBool(kDanfe, "ImprimirVolume", d.GetImprimirVolume());
  ini.WriteBool(kDanfe, "ImprimirDuplicata", d.GetImprimirDuplicata());
  ini.WriteBool(kDanfe, "MensagemPartilhaAutomatica", d.GetMensagemPartilhaAutomatica());
  ini.WriteBool(kDanfe, "MensagemFCP", d.GetMensagemFCP());
  ini.WriteBool(kDanfe, "ImprimirUnidadeTributada", d.GetImprimirUnidadeTributada());
  ini.WriteBool(kDanfe, "DanfeSimplificado", danfeSimplificado_);
  ini.WriteString(kDanfe, "ModeloRTMCCe", d.GetModeloRTMCCe());
  ini.WriteBool(kDanfe, "ImprimirObsCont", d.GetImprimirObsCont());
  ini.WriteString(kDanfe, "ImprimirFrenteVerso", ImprimirFrenteVersoToStr(d.GetImprimirFrenteVerso()));
  ini.WriteBool(kDanfe, "ImprimirLocalRetiradaEntrega", d.GetImprimirLocalRetiradaEntrega());
  ini.WriteBool(kDanfe, "MensagemIcmsDesonerado", d.GetMensagemIcmsDesonerado());

  const TvxnEmailSettings& m = GetEmailSettings();
  ini.WriteString(kMail, "Servidor", m.ServidorSmtp);
  ini.WriteString(kMail, "EmailRemetente", m.EmailRemetente);
  ini.WriteString(kMail, "Assunto", m.Assunto);
  ini.WriteString(kMail, "Mensagem", m.Mensagem);
  ini.WriteString(kMail, "Usuario", m.Usuario);
  ini.WriteString(kMail, "Senha", m.Senha);
  ini.WriteInteger(kMail, "TimeOut", m.TimeOut);
  ini.WriteString(kMail, "EmailDestinatario", m.EmailDestinatario);
  ini.WriteString(kMail, "CCo", m.CCo);
  ini.WriteString(kMail, "CC", m.CC);
  ini.WriteBool(kMail, "Autenticacao", m.Autenticacao);
  ini.WriteInteger(kMail, "Porta", m.Porta);
  ini.WriteBool(kMail, "ConteudoHtml", m.ConteudoHtml);
  ini.WriteBool(kMail, "UseSecureBlackBox", m.UseSecureBlackBox);
}

void TvxnCustomNFe::LoadConfig(std::string_view fileName) {
  std::string path = GetINIFilePath(fileName);
  if (!FileExists(path))
    throw EvxnConfigINIException("Arquivo %s não foi encontrado", {path}, GetDiretorioLogErro());
  configINI_.reset();
  configINI_ = std::make_unique<TvxnIniFile>(path);
  CarregarConfiguracoes();
}

void TvxnCustomNFe::LoadConfig(TvxnIniFile* ini) {
  if (!ini)
    throw EvxnConfigINIException("O parâmetro não pode ser nil para realizar o LoadConfig");
  EmprestimoIni emprestimo(configINIEmprestado_, configINI_, *ini);
  CarregarConfiguracoes();
}

void TvxnCustomNFe::SaveConfig(std::string_view fileName) {
  if (!fileName.empty()) {
    configINI_.reset();
    configINI_ = std::make_unique<TvxnIniFile>(GetINIFilePath(fileName));
  }
  SalvarConfiguracoes();
}

void TvxnCustomNFe::SaveConfig(TvxnIniFile* ini) {
  if (!ini)
    throw EvxnConfigINIException("O parâmetro não pode ser nil para realizar o SaveConfig");
  EmprestimoIni emprestimo(configINIEmprestado_, configINI_, *ini);
  SalvarConfiguracoes();
}

// ---- TvxnNFe
// ----------------------------------------------------------------------------------------

void TvxnNFe::SecaoPadrao() {
  if (GetSectionINI().empty())
    SetSectionINI("NFE");
}

void TvxnNFe::LoadConfig(std::string_view fileName) {
  SecaoPadrao();
  TvxnCustomNFe::LoadConfig(fileName);
}

void TvxnNFe::LoadConfig(TvxnIniFile* ini) {
  SecaoPadrao();
  TvxnCustomNFe::LoadConfig(ini);
}

void TvxnNFe::SaveConfig(std::string_view fileName) {
  SecaoPadrao();
  TvxnCustomNFe::SaveConfig(fileName);
}

void TvxnNFe::SaveConfig(TvxnIniFile* ini) {
  SecaoPadrao();
  TvxnCustomNFe::SaveConfig(ini);
}

void TvxnNFe::LerConfiguracoes(TvxnIniFile& ini) {
  TvxnCustomNFe::LerConfiguracoes(ini);
  const std::string s = SecaoPrincipal();
  SetMaxSizeLoteEnvio(ini.ReadInteger(s, "MaxSizeLoteEnvio", 500));
  SetDiretorioXmlDestinatario(ini.ReadString(s, "DiretorioXmlDestinatario", GetDiretorioXmlDestinatario()));
  SetDiretorioDownloads(ini.ReadString(s, "DiretorioDownloads", GetDiretorioDownloads()));
}

void TvxnNFe::GravarConfiguracoes(TvxnIniFile& ini) {
  TvxnCustomNFe::GravarConfiguracoes(ini);
  const std::string s = SecaoPrincipal();
  ini.WriteInteger(s, "MaxSizeLoteEnvio", GetMaxSizeLoteEnvio());
  ini.WriteString(s, "DiretorioXmlDestinatario", GetDiretorioXmlDestinatario());
  ini.WriteString(s, "DiretorioDownloads", GetDiretorioDownloads());
}

} // namespace vxn
