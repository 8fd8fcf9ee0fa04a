// The DANFE operations of the component: each prepares the print parameters from the DANFE settings
// and the document (PreparaImpressao) and hands the XML and the parameters to the DANFE printer
// (TvxnNFeDanfe), which drives the report engine.
#include "vxnNFe.h"

#include "danfe/vxnNFeDanfe.h"
#include "events/vxnNFeEventos.h"
#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnStringList.h"
#include "vxnTelemetriaOperacao.h"
#include "vxnText.h"

#include <algorithm>
#include <filesystem>

namespace vxn {
namespace {

constexpr std::string_view kCancelamento = "<tpEvento>110111</tpEvento>";

// The value of the first element of that name ("" when absent).
std::string Tag(std::string_view xml, std::string_view nome) {
  const std::string abre = "<" + std::string(nome) + ">";
  const std::size_t p = xml.find(abre);
  if (p == std::string_view::npos)
    return {};
  const std::size_t fim = xml.find('<', p + abre.size());
  return std::string(xml.substr(p + abre.size(), fim == std::string_view::npos ? 0 : fim - p - abre.size()));
}

} // namespace

TvxnNFeDanfe& TvxnNFe::GetDanfe() {
  if (!danfe_)
    danfe_ = std::make_unique<TvxnNFeDanfe>(GetGov());
  danfe_->SetVersao(GetVersaoManual());
  danfe_->SetDiretorioLogErro(GetDiretorioLogErro());
  return *danfe_;
}

std::string TvxnNFe::GetParametroArquivoModeloRTM(std::string_view modelo, std::string_view xml,
                                                  TvxnStringList& params) {
  std::string nome(modelo);
  if (!nome.empty() && !FileExists(nome) && FileExists(GetDiretorioTemplates() + "Danfe/" + nome))
    nome = GetDiretorioTemplates() + "Danfe/" + nome;
  if (GetDanfeSimplificado()) {
    const std::string tpEmis = Tag(xml, "tpEmis");
    if (tpEmis != "1" && tpEmis != "3")
      throw EvxnNFeException("Uso do Modelo RTM Danfe Simplificado apenas para NFe em modo Normal ou Scan.",
                             GetDiretorioLogErro());
    if (nome.empty())
      nome = GetDanfeSettings().GetModeloDanfeSimplificado();
  }
  if (!nome.empty()) {
    params.SetValue("ModeloRetrato", nome);
    params.SetValue("ModeloPaisagem", nome);
  }
  return nome;
}

TvxnStringList TvxnNFe::PreparaImpressao(std::string_view xml, std::string_view modelo) {
  LoadDanfeSettings(false);
  TvxnStringList params = GetDanfeParams();
  const std::string dado = GetParametroArquivoModeloRTM(modelo, xml, params);
  const bool temNota = xml.find("<infNFe") != std::string_view::npos;
  const bool cancelamento = xml.find(kCancelamento) != std::string_view::npos;
  // The document together with its cancellation event: the DANFE with the cancelled banner (the event
  // stays beside the document: the banner is printed when the event of its key is there).
  if (temNota && cancelamento)
    params.SetValue("ImprimirTarjaCancelada", "1");
  if (!temNota && cancelamento && dado.empty())
    params.SetValue("ModeloRetrato", GetDanfeSettings().GetModeloRetratoCancelamento());
  const std::string cStat = Tag(
      xml.substr(std::min(xml.size(), xml.find("<infProt") == std::string_view::npos ? xml.size()
                                                                                     : xml.find("<infProt"))),
      "cStat");
  if (cStat == "301" || cStat == "302")
    params.SetValue("ImprimirTarjaDenegada", "1");
  if (xml.find("<resNFe") != std::string_view::npos && dado.empty())
    params.SetValue("ModeloRetrato", GetDanfeSettings().GetModeloDanfeXmlResumo());
  // A correction letter given to a DANFE operation prints its own form.
  const std::string cce = GetDanfeSettings().GetModeloRTMCCe();
  params.SetValue("ArquivoRtm", cce.empty() ? ModeloCCePadrao(GetDiretorioTemplates()) : cce);
  return params;
}

void TvxnNFe::ExecutarDanfe(std::string_view xml, const TvxnStringList& params,
                            void (TvxnNFeDanfe::*operacao)()) {
  TvxnNFeDanfe& danfe = GetDanfe();
  danfe.SetXML(xml);
  danfe.SetParams(params.Text());
  (danfe.*operacao)();
}

void TvxnNFe::ImprimirDanfe(std::string_view xml, std::string_view modelo, std::string_view impressora) {
  ComTelemetria(GetTelemetria(), "ImprimirDanfe", [&] {
    const std::string texto = TextoXmlOuArquivo(xml);
    TvxnStringList params = PreparaImpressao(texto, modelo);
    params.SetValue("Impressora", impressora);
    ExecutarDanfe(texto, params, &TvxnNFeDanfe::Imprimir);
  });
}

void TvxnNFe::VisualizarDanfe(std::string_view xml, std::string_view modelo) {
  ComTelemetria(GetTelemetria(), "VisualizarDanfe", [&] {
    const std::string texto = TextoXmlOuArquivo(xml);
    ExecutarDanfe(texto, PreparaImpressao(texto, modelo), &TvxnNFeDanfe::Visualizar);
  });
}

void TvxnNFe::EditarModeloDanfe(std::string_view xml, std::string_view modelo) {
  ComTelemetria(GetTelemetria(), "EditarModeloDanfe", [&] {
    const std::string texto = TextoXmlOuArquivo(xml);
    ExecutarDanfe(texto, PreparaImpressao(texto, modelo), &TvxnNFeDanfe::Editar);
  });
}

// A document not yet authorised: checks off, marked as a preview, under one root in the NF-e namespace.
std::string TvxnNFe::XmlPrevia(std::string_view xml) {
  std::string texto = TextoXmlOuArquivo(xml);
  std::string corpo;
  for (std::size_t p = 0; p < texto.size();) {
    const std::size_t d = texto.find("<?xml", p);
    if (d == std::string::npos) {
      corpo.append(texto, p);
      break;
    }
    corpo.append(texto, p, d - p);
    const std::size_t fim = texto.find("?>", d);
    p = fim == std::string::npos ? texto.size() : fim + 2;
  }
  return "<root xmlns=\"" + GetURIEsquema() + "\">" + corpo + "</root>";
}

void TvxnNFe::PreverDanfe(std::string_view xml, std::string_view modelo) {
  ComTelemetria(GetTelemetria(), "PreverDanfe", [&] {
    const std::string texto = XmlPrevia(xml);
    TvxnStringList params = PreparaImpressao(texto, modelo);
    params.SetValue("ValidarRegrasNegocio", "0");
    ExecutarDanfe(texto, params, &TvxnNFeDanfe::Visualizar);
  });
}

void TvxnNFe::ExportarDanfe(std::string_view xml, std::string_view modelo, std::string_view arquivo,
                            int formato) {
  ComTelemetria(GetTelemetria(), "ExportarDanfe", [&] {
    // No save dialog on a library for Linux: the caller names the file.
    if (Trim(arquivo).empty())
      throw EvxnNFeReportException("Nome do arquivo de exportação não informado.", GetDiretorioLogErro());
    const std::string texto = TextoXmlOuArquivo(xml);
    TvxnStringList params = PreparaImpressao(texto, modelo);
    params.SetValue("FormatoExportacao", std::to_string(formato));
    params.SetValue("SalvarComo", arquivo);
    ExecutarDanfe(texto, params, &TvxnNFeDanfe::Exportar);
  });
}

void TvxnNFe::ExportarPreverDanfe(std::string_view xml, std::string_view modelo, std::string_view arquivo,
                                  int formato) {
  ComTelemetria(GetTelemetria(), "ExportarPreverDanfe", [&] {
    try {
      if (Trim(arquivo).empty())
        throw EvxnNFeReportException("Nome do arquivo de exportação não informado.", GetDiretorioLogErro());
      const std::string texto = XmlPrevia(xml);
      TvxnStringList params = PreparaImpressao(texto, modelo);
      params.SetValue("ValidarRegrasNegocio", "0");
      params.SetValue("FormatoExportacao", std::to_string(formato));
      params.SetValue("SalvarComo", arquivo);
      ExecutarDanfe(texto, params, &TvxnNFeDanfe::Exportar);
    } catch (const EvxnException& e) {
      throw EvxnNFeExportarPreverDanfeException("Falha ao Exportar o PDF de previsão: " + e.Message(),
                                                GetDiretorioLogErro());
    }
  });
}

TvxnStringList TvxnNFe::PreparaImpressaoEPEC(std::string_view xml, std::string_view protocolo,
                                             std::string_view dataHora, std::string_view modelo,
                                             std::string& texto) {
  if (Trim(protocolo).empty())
    throw EvxnCheckParams("Número de Protocolo do EPEC não foi informado", GetDiretorioLogErro());
  if (Trim(dataHora).empty())
    throw EvxnCheckParams("Data Hora do EPEC não foi informado", GetDiretorioLogErro());
  texto = TextoXmlOuArquivo(xml);
  if (Trim(texto).empty())
    throw EvxnCheckParams("O XML informado de EPEC está vazio", GetDiretorioLogErro());
  if (texto.find("<infNFe") == std::string::npos)
    throw EvxnCheckParams("O XML informado de EPEC é inválido", GetDiretorioLogErro());
  TvxnStringList params = PreparaImpressao(texto, modelo);
  params.SetValue("ProtocoloEPEC", protocolo);
  params.SetValue("DataHoraEPEC", dataHora);
  return params;
}

void TvxnNFe::ImprimirEPEC(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                           std::string_view modelo, std::string_view impressora) {
  ComTelemetria(GetTelemetria(), "ImprimirEPEC", [&] {
    std::string texto;
    TvxnStringList params = PreparaImpressaoEPEC(xml, protocolo, dataHora, modelo, texto);
    params.SetValue("Impressora", impressora);
    ExecutarDanfe(texto, params, &TvxnNFeDanfe::Imprimir);
  });
}

void TvxnNFe::VisualizarEPEC(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                             std::string_view modelo) {
  ComTelemetria(GetTelemetria(), "VisualizarEPEC", [&] {
    std::string texto;
    const TvxnStringList params = PreparaImpressaoEPEC(xml, protocolo, dataHora, modelo, texto);
    ExecutarDanfe(texto, params, &TvxnNFeDanfe::Visualizar);
  });
}

void TvxnNFe::ExportarEPEC(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                           std::string_view modelo, std::string_view arquivo, int formato) {
  ComTelemetria(GetTelemetria(), "ExportarEPEC", [&] {
    std::string texto;
    TvxnStringList params = PreparaImpressaoEPEC(xml, protocolo, dataHora, modelo, texto);
    if (Trim(arquivo).empty())
      throw EvxnNFeReportException("Nome do arquivo de exportação não informado.", GetDiretorioLogErro());
    params.SetValue("FormatoExportacao", std::to_string(formato));
    params.SetValue("SalvarComo", arquivo);
    ExecutarDanfe(texto, params, &TvxnNFeDanfe::Exportar);
  });
}

void TvxnNFe::ImprimirDanfeXmlDiretorio(std::string_view diretorio, std::string_view saida,
                                        std::string_view impressora) {
  ComTelemetria(GetTelemetria(), "ImprimirDanfeXmlDiretorio", [&] {
    if (diretorio.empty() || !DirectoryExists(diretorio))
      throw EvxnNFeException("Diretório inválido ou inexistente.", GetDiretorioLogErro());
    std::vector<std::filesystem::path> arquivos;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(diretorio)))
      if (e.is_regular_file() && e.path().extension() == ".xml")
        arquivos.push_back(e.path());
    std::sort(arquivos.begin(), arquivos.end());
    std::string pasta(saida);
    if (!pasta.empty() && !pasta.ends_with('/'))
      pasta += '/';
    std::string falhas;
    for (const auto& arquivo : arquivos) {
      try {
        if (!FileExists(arquivo.string()))
          throw EvxnNFeException("Arquivo inválido ou inexistente.", GetDiretorioLogErro());
        const std::string texto = ReadWholeFile(arquivo.string());
        TvxnStringList params = PreparaImpressao(texto, {});
        if (pasta.empty()) {
          params.SetValue("Impressora", impressora);
          ExecutarDanfe(texto, params, &TvxnNFeDanfe::Imprimir);
        } else {
          params.SetValue("FormatoExportacao", "1");
          params.SetValue("SalvarComo", pasta + arquivo.stem().string() + ".pdf");
          ExecutarDanfe(texto, params, &TvxnNFeDanfe::Exportar);
        }
      } catch (const EvxnException& e) {
        falhas +=
            Format("Arquivo %s com problema(s): %s", {arquivo.filename().string(), e.Message()}) + "\r\n";
      }
    }
    // Every file is tried; the failures are reported together.
    if (!falhas.empty())
      throw EvxnNFeReportException(TrimRight(falhas), GetDiretorioLogErro());
  });
}

} // namespace vxn
