// The printed form of the correction letter: the CC-e's distribution XML goes to the DANFE printer
// (TvxnNFeDanfe), which recognises the event and fills the correction-letter tables, with the model,
// copies, logo and line delimiter of the CC-e print settings. Only an event the authority registered
// (135, or 136 when it could not be linked to the document) is printed.
#include "danfe/vxnNFeDanfe.h"
#include "events/vxnNFeEventos.h"
#include "vxnNFeException.h"
#include "vxnNFeType.h"
#include "vxnPaths.h"
#include "vxnStringList.h"
#include "vxnText.h"

namespace vxn {

namespace {

// The cStat of the authority's reply to the event (inside retEvento), "" when there is none.
std::string CStatRetorno(std::string_view xml) {
  const std::size_t ret = xml.find("<retEvento");
  if (ret == std::string_view::npos)
    return {};
  const std::size_t inicio = xml.find("<cStat>", ret);
  if (inicio == std::string_view::npos)
    return {};
  const std::size_t fim = xml.find('<', inicio + 7);
  return std::string(Trim(xml.substr(inicio + 7, fim == std::string_view::npos ? 0 : fim - inicio - 7)));
}

} // namespace

TvxnNFeEventos::TvxnNFeEventos(TvxnGovX& gov, TvxnGovUtils& utils, TvxnEmailSettings& emailSettings)
    : TvxnEventos(gov, utils, emailSettings) {}

TvxnNFeEventos::~TvxnNFeEventos() = default;

std::string TvxnImpressaoCCeSettings::GetParams() const {
  return "ModeloRTM=" + ModeloRTM + "\r\nLogotipoEmitente=" + LogotipoEmitente +
         "\r\nQtdeCopias=" + std::to_string(QtdeCopias) + "\r\n";
}

std::string ModeloCCePadrao(std::string_view diretorioTemplates) {
  std::string pasta(diretorioTemplates);
  RemoveVersaoManualDoPath(pasta);
  return IncludeTrailingPathDelimiter(pasta) + "cce/Impressao/ModeloCCe.rtm";
}

std::string TvxnNFeEventos::LoadImpressaoCCeSettings() const {
  const std::string& modelo = impressaoCCe_.ModeloRTM;
  TvxnStringList p;
  p.Add("QtdeCopias=" + std::to_string(impressaoCCe_.QtdeCopias));
  p.Add("ArquivoRtm=" + (modelo.empty() ? ModeloCCePadrao(GetDiretorioTemplates()) : modelo));
  p.Add("LogotipoEmitente=" + impressaoCCe_.LogotipoEmitente);
  p.Add("LineDelimiter=" + impressaoCCe_.LineDelimiter);
  return p.Text();
}

TvxnNFeDanfe& TvxnNFeEventos::Danfe() {
  if (danfe_)
    return *danfe_;
  if (!danfeProprio_)
    danfeProprio_ = std::make_unique<TvxnNFeDanfe>(Gov());
  danfeProprio_->SetVersao(GetVersaoManual());
  return *danfeProprio_;
}

void TvxnNFeEventos::ExecutarCCe(std::string_view xml, std::string_view extras,
                                 void (TvxnNFeDanfe::*operacao)()) {
  const std::string texto = TextoXmlOuArquivo(xml);
  if (Trim(texto).empty())
    throw EvxnCCeReportException("XML para impressão da CCe está vazio.", GetDiretorioLogErro());
  const std::string cStat = CStatRetorno(texto);
  if (cStat != "135" && cStat != "136")
    throw EvxnCCeReportException("A CCe não está Autorizada.", GetDiretorioLogErro());
  TvxnNFeDanfe& danfe = Danfe();
  danfe.SetDiretorioLogErro(GetDiretorioLogErro());
  danfe.SetXML(texto);
  danfe.SetParams(LoadImpressaoCCeSettings() + std::string(extras));
  (danfe.*operacao)();
}

void TvxnNFeEventos::ImprimirCCe(std::string_view xml, std::string_view impressora) {
  const std::string fila = impressora.empty() ? impressaoCCe_.Impressora : std::string(impressora);
  ExecutarCCe(xml, "Impressora=" + fila + "\r\n", &TvxnNFeDanfe::Imprimir);
}

void TvxnNFeEventos::VisualizarCCe(std::string_view xml) {
  ExecutarCCe(xml, {}, &TvxnNFeDanfe::Visualizar);
}

void TvxnNFeEventos::ExportarCCe(std::string_view xml, std::string_view arquivo, int formato) {
  // No save dialog on a library for Linux: the caller names the file.
  const std::string saida = arquivo.empty() ? impressaoCCe_.SalvarComo : std::string(arquivo);
  if (Trim(saida).empty())
    throw EvxnCCeReportException("Nome do arquivo de exportação não informado.", GetDiretorioLogErro());
  ExecutarCCe(xml, "FormatoExportacao=" + std::to_string(formato) + "\r\nSalvarComo=" + saida + "\r\n",
              &TvxnNFeDanfe::Exportar);
}

void TvxnNFeEventos::EditarModeloCCe(std::string_view xml) {
  ExecutarCCe(xml, {}, &TvxnNFeDanfe::Editar);
}

} // namespace vxn
