// Construction, properties, the state code table, the configuration snapshot
// and the checks that operations run first.
#include "vxnNFe.h"

#include "danfe/vxnNFeDanfe.h"
#include "events/vxnNFeEventos.h"
#include "services/vxnNFEInterface.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"

namespace vxn {

namespace {

constexpr std::string_view kCaracteresRemoverAcentos = "áéíóúàèìòùâêîôûäëïöüãõñçÁÉÍÓÚÀÈÌÒÙÂÊÎÔÛÄËÏÖÜÃÕÑÇºª";

// "-1" and "0", the boolean form of the print settings.
std::string BoolParam(bool b) {
  return b ? "-1" : "0";
}

} // namespace

TvxnCustomNFe::TvxnCustomNFe()
    : danfeSettings_(std::make_unique<TDanfeSettings>()),
      caracteresRemoverAcentos_(kCaracteresRemoverAcentos), ufList_(UFList()) {
  telemetria_.SetEnabled(diagnosticMode_);
  // A failing telemetry sink never reaches the host: its failure is a line of the error log in the
  // program directory.
  telemetria_.SetOnSinkFailure([](std::string_view operacao, std::string_view motivo) {
    AppendErrorLogLine(ProgramDirectory() + "nfe_exception.log", "TvxnTelemetria",
                       Format("Falha ao enviar telemetria da operação %s: %s", {operacao, motivo}));
  });
}

TvxnCustomNFe::~TvxnCustomNFe() {
  // The web-service object holds references to the snapshot and the
  // government-services objects.
  nfeIntf_.reset();
}

void TvxnCustomNFe::SetVersaoManual(TVersaoManual v) {
  versaoManual_ = v;
  // The DANFE printer, which also receives the version, belongs to the printing
  // subsystem; it is handed the version here once it exists.
  if (gov_)
    InstanciarNFeIntf();
}

void TvxnCustomNFe::SetAuditorSettings(const TAuditorSettings& v) {
  auditorSettings_ = std::make_unique<TAuditorSettings>(v);
}

void TvxnCustomNFe::SetUF(std::string_view v) {
  if (ufList_.IndexOfName(v) < 0)
    throw EvxnCheckParams("a sigla da UF %s, é inválida.", {v}, GetDiretorioLogErro());
  uf_ = AsciiUpper(v);
}

std::string TvxnCustomNFe::GetVersao() const {
  return QVX_VERSION;
}

TvxnEmailSettings& TvxnCustomNFe::GetEmailSettings() {
  if (!emailSettings_)
    emailSettings_ = std::make_unique<TvxnEmailSettings>();
  return *emailSettings_;
}

std::string TvxnCustomNFe::GetLocalCode() const {
  return ufList_.Value(uf_);
}

int TvxnCustomNFe::ObterCodigoUF(std::string_view uf) {
  // The 27 states only: "AN" is an environment, not a state.
  for (const auto& [sigla, codigo] : kUFTable)
    if (sigla != "AN" && SameText(sigla, uf))
      return static_cast<int>(StrToIntDef(codigo, 0));
  throw EvxnNFeException("UF %s não encontrada.", {uf}, GetDiretorioLogErro());
}

std::string TvxnCustomNFe::NomeCertificadoTexto() const {
  return ReplaceAll(ReplaceAll(nomeCertificado_.Text(), "\r", ""), "\n", "");
}

std::string TvxnCustomNFe::GetURIEsquema() const {
  return std::string(kNFeNamespace);
}

std::string TvxnCustomNFe::GetTemplateFolder() {
  return GetDiretorioTemplates() + uf_ + "/";
}

std::string TvxnCustomNFe::ObterNomeCompletoArquivoDANFE(std::string_view tipo, std::string_view nome) {
  if (FileExists(nome))
    return std::string(nome);
  std::string naPastaDanfe = GetDiretorioTemplates() + "Danfe/" + std::string(nome);
  if (FileExists(naPastaDanfe))
    return naPastaDanfe;
  std::string expandido = ExpandirCaminho(nome);
  if (FileExists(expandido))
    return expandido;
  throw EvxnNFeException(Format("Arquivo de %s não encontrado: ", {tipo}) + "\"" + std::string(nome) + "\"",
                         GetDiretorioLogErro());
}

void TvxnCustomNFe::LoadDanfeSettings(bool semLogotipo) {
  TDanfeSettings& d = *danfeSettings_;
  // A model that was never configured is looked for under its shipped file
  // name.
  auto modelo = [this](std::string_view rotulo, std::string valor, std::string_view padrao) {
    return ObterNomeCompletoArquivoDANFE(rotulo, valor.empty() ? std::string(padrao) : valor);
  };
  danfeParams_.Clear();
  danfeParams_.Add("QtdeCopias=" + std::to_string(d.GetQtdeCopias()));
  danfeParams_.Add("Versao=" + VersaoManualToStr(versaoManual_));
  danfeParams_.Add("ModeloRetrato=" + modelo("Modelo Retrato", d.GetModeloRetrato(), "retrato.rtm"));
  danfeParams_.Add("ModeloPaisagem=" + modelo("Modelo Paisagem", d.GetModeloPaisagem(), "paisagem.rtm"));
  danfeParams_.Add("ModeloRetratoCancelamento=" +
                   modelo("Modelo Cancelamento", d.GetModeloRetratoCancelamento(), "RetratoCanc.rtm"));
  danfeParams_.Add("ModeloDanfeXmlResumo=" +
                   modelo("Modelo Resumo", d.GetModeloDanfeXmlResumo(), "resumo.rtm"));
  danfeParams_.Add("LogotipoEmitente=" + (semLogotipo ? std::string() : d.GetLogotipoEmitente()));
  danfeParams_.Add("FraseContingencia=" + d.GetFraseContingencia());
  danfeParams_.Add("FraseHomologacao=" + d.GetFraseHomologacao());
  danfeParams_.Add("VersaoManual=" + VersaoManualToStr(versaoManual_));
  danfeParams_.Add("LineDelimiter=" + d.GetLineDelimiter());
  danfeParams_.Add("InfCplMaxCol=" + std::to_string(d.GetInfCplMaxCol()));
  danfeParams_.Add("InfCplMaxRow=" + std::to_string(d.GetInfCplMaxRow()));
  danfeParams_.Add("InfCplQuebrarLinhaAut=" + BoolParam(d.GetInfCplQuebrarLinhaAut()));
  danfeParams_.Add("ImprimirVolume=" + BoolParam(d.GetImprimirVolume()));
  danfeParams_.Add("ImprimirDuplicata=" + BoolParam(d.GetImprimirDuplicata()));
  danfeParams_.Add("MensagemPartilhaAutomatica=" + BoolParam(d.GetMensagemPartilhaAutomatica()));
  danfeParams_.Add("MensagemFCP=" + BoolParam(d.GetMensagemFCP()));
  danfeParams_.Add("ImprimirUnidadeTributada=" + BoolParam(d.GetImprimirUnidadeTributada()));
  danfeParams_.Add("ModeloRTMCCe=" + d.GetModeloRTMCCe());
  danfeParams_.Add("ImprimirObsCont=" + BoolParam(d.GetImprimirObsCont()));
  danfeParams_.Add("ImprimirFrenteVerso=" + ImprimirFrenteVersoToStr(d.GetImprimirFrenteVerso()));
  danfeParams_.Add("ImprimirLocalRetiradaEntrega=" + BoolParam(d.GetImprimirLocalRetiradaEntrega()));
  danfeParams_.Add("ConfigTextoRodapeEsq=" + d.GetConfigTextoRodapeEsq());
  danfeParams_.Add("ConfigTextoRodapeDir=" + d.GetConfigTextoRodapeDir());
  danfeParams_.Add("MensagemIcmsDesonerado=" + BoolParam(d.GetMensagemIcmsDesonerado()));
}

void TvxnCustomNFe::CheckConfig() {
  std::string logDir = GetDiretorioLogErro();
  if (uf_.empty())
    throw EvxnNFeException("O campo UF está vazio.", logDir);
  if (cnpj_.empty())
    throw EvxnNFeException("O campo CNPJ está vazio.", logDir);
  std::size_t n = Utf8Length(cnpj_);
  if (n != 11 && n != 14)
    throw EvxnNFeException("CNPJ deve conter 14 dígitos ou 11 dígitos quando for CPF. %s", {cnpj_}, logDir);
  std::string log = GetDiretorioLog();
  if (!DirectoryExists(log) && !CriarDiretorioUmNivel(log))
    throw EvxnNFeException("O diretório para salvar os Logs, é inválido. %s", {log}, logDir);
  std::string hom = GetArquivoServidoresHom();
  if (!FileExists(hom))
    throw EvxnNFeException("Caminho dos servidores de Homologação inválido. %s", {hom}, logDir);
  std::string prod = GetArquivoServidoresProd();
  if (ambiente_ == akProducao && !FileExists(prod))
    throw EvxnNFeException("Caminho dos servidores de Produção inválido. %s", {prod}, logDir);
}

// ---- TvxnNFe
// ----------------------------------------------------------------------------------------

TvxnNFe::TvxnNFe() {
  SetAnexarDanfePDF(true);
  SetAtualizarArquivoServidores(true);
  SetDiagnosticMode(true);
}

TvxnNFe::~TvxnNFe() = default;

void TvxnNFe::SetVersaoManual(TVersaoManual v) {
  TvxnCustomNFe::SetVersaoManual(v);
  UpdateNFeData();
}

void TvxnNFe::SetDiretorioTemplates(std::string_view v) {
  TvxnCustomNFe::SetDiretorioTemplates(v);
  UpdateNFeData();
}

void TvxnNFe::CheckConfig() {
  TvxnCustomNFe::CheckConfig();
  std::string dest = GetDiretorioXmlDestinatario();
  if (!DirectoryExists(dest) && !CriarDiretorioUmNivel(dest))
    throw EvxnNFeCheckParams("O caminho configurado para salvar o XMLDestinatario é inválido. %s", {dest},
                             GetDiretorioLogErro());
  if (maxSizeLoteEnvio_ < 1)
    throw EvxnNFeCheckParams("O tamanho máximo para o lote está com valor menor que um.",
                             GetDiretorioLogErro());
}

void TvxnNFe::UpdateNFeData() {
  TNFeData& d = NFeData();
  d.ArquivoServidoresHom = GetArquivoServidoresHom();
  d.ArquivoServidoresProd = GetArquivoServidoresProd();
  const std::string& atual = GetAmbiente() == akProducao ? d.ArquivoServidoresProd : d.ArquivoServidoresHom;
  d.ServersIni = FileExists(atual) ? &AbrirArquivoServidores() : nullptr;
  d.Ambiente = GetAmbiente();
  d.AmbienteStr = GetTipoAmbiente(GetAmbiente());
  d.DiretorioLog = GetDiretorioLog();
  d.ValidarEsquemaAntesEnvio = GetValidarEsquemaAntesEnvio();
  d.IgnoreInvalidCertificates = GetIgnoreInvalidCertificates();
  d.TimeOut = GetTimeOut();
  d.DiretorioEsquemas = GetDiretorioEsquemas();
  d.DiretorioTemplates = GetDiretorioTemplates();
  d.NomeCeritificado = NomeCertificadoTexto();
  d.VersaoManual = GetVersaoManual();
  d.LocalCode = GetLocalCode();
  d.UF = GetUF();
  d.CNPJ = GetCNPJ();
  d.ModoOperacao = GetModoOperacao();
}

} // namespace vxn
