// nfe danfe dados: the DANFE print tables of distribution XML as JSON, for people who build their own
// layouts. The form follows from the XML as the printer chooses it: a correction letter, a cancellation
// (unless --tarja-cancelada asks for the cancelled DANFE), a summary, or the DANFE.
#include "NfeCommands.h"
#include "NfeExitCodes.h"
#include "NfeInput.h"
#include "NfeToolError.h"
#include "danfe/vxnDadosImpressaoEventos.h"
#include "danfe/vxnNFeDanfeDados.h"
#include "vxnGovX.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <iostream>
#include <memory>

namespace vxn::tool {

namespace {

struct TDanfeDadosOptions {
  std::vector<std::string> Arquivos;
  bool Previa = false;
  bool TarjaCancelada = false;
  bool TarjaDenegada = false;
};

// The DANFE settings of the component (its configuration file, or the defaults) on the print data.
void Configurar(TvxnNFeDanfeDados& dados, TDanfeSettings& s) {
  dados.SetFraseContingencia(s.GetFraseContingencia());
  dados.SetFraseHomologacao(s.GetFraseHomologacao());
  dados.SetLineDelimiter(s.GetLineDelimiter());
  dados.SetInfCplMaxCol(s.GetInfCplMaxCol());
  dados.SetInfCplMaxRow(s.GetInfCplMaxRow());
  dados.SetInfCplQuebrarLinhaAut(s.GetInfCplQuebrarLinhaAut());
  dados.SetImprimirVolume(s.GetImprimirVolume());
  dados.SetImprimirDuplicata(s.GetImprimirDuplicata());
  dados.SetImprimirUnidadeTributada(s.GetImprimirUnidadeTributada());
  dados.SetMensagemPartilhaAutomatica(s.GetMensagemPartilhaAutomatica());
  dados.SetMensagemFCP(s.GetMensagemFCP());
  dados.SetMensagemIcmsDesonerado(s.GetMensagemIcmsDesonerado());
  dados.SetImprimirObsCont(s.GetImprimirObsCont());
  dados.SetImprimirFrenteVerso(s.GetImprimirFrenteVerso());
  dados.SetImprimirLocalRetiradaEntrega(s.GetImprimirLocalRetiradaEntrega());
  dados.SetConfigTextoRodapeEsq(s.GetConfigTextoRodapeEsq());
  dados.SetConfigTextoRodapeDir(s.GetConfigTextoRodapeDir());
}

int RunDanfeDados(TNfeSession& session, const TDanfeDadosOptions& o) {
  std::string xml;
  for (const std::string& arquivo : o.Arquivos)
    xml += ReadInput(arquivo);
  TvxnNFe& nfe = session.Componente();
  std::unique_ptr<TvxnDadosImpressao> dados;
  switch (TipoDadosImpressao(xml, o.TarjaCancelada, nfe.GetDiretorioLogErro())) {
  case TvxnTipoDadosImpressao::tdiCCe:
    dados = std::make_unique<TvxnCCeDadosImpressao>();
    break;
  case TvxnTipoDadosImpressao::tdiCancelamento:
    dados = std::make_unique<TvxnCancDadosImpressao>();
    break;
  case TvxnTipoDadosImpressao::tdiResumo:
    dados = std::make_unique<TvxnResumoDadosImpressao>();
    break;
  case TvxnTipoDadosImpressao::tdiDanfe: {
    auto danfe = CriarNFeDanfeDados(nfe.GetVersaoManual());
    Configurar(*danfe, nfe.GetDanfeSettings());
    danfe->SetValidarRegrasNegocio(!o.Previa);
    danfe->SetImprimirTarjaCancelada(o.TarjaCancelada);
    danfe->SetImprimirTarjaDenegada(o.TarjaDenegada);
    dados = std::move(danfe);
    break;
  }
  }
  dados->SetLineDelimiter(nfe.GetDanfeSettings().GetLineDelimiter());
  dados->SetDiretorioLogErro(nfe.GetDiretorioLogErro());
  dados->SetXml(xml);
  try {
    dados->PopulaDataSet();
  } catch (const EvxnNFeReportException& e) {
    // A document that may not be printed is an answer, not a failure of the tool.
    std::cerr << "nfe: " << e.ClassName() << ": " << e.Message() << "\n";
    return kExitRecusado;
  }
  std::cout << TabelasImpressaoParaJson(*dados);
  return kExitOk;
}

struct TDanfeOptions {
  std::vector<std::string> Arquivos;
  std::string Saida;
  std::string Png;
  std::string Impressora;
  bool Imprimir = false;
  bool Previa = false;
  std::string Modelo;
  std::string ProtocoloEpec;
  std::string DataHoraEpec;
};

// A correction letter goes through the CC-e operations, which print only a registered one.
int RunCCe(TvxnNFe& nfe, const TDanfeOptions& o, const std::string& xml) {
  if (!o.Png.empty())
    nfe.ExportarCCe(xml, o.Png, 3);
  else if (o.Imprimir)
    nfe.ImprimirCCe(xml, o.Impressora);
  else
    nfe.ExportarCCe(xml, o.Saida);
  if (!o.Imprimir)
    std::cout << (o.Png.empty() ? o.Saida : o.Png) << "\n";
  return kExitOk;
}

// A document issued in EPEC contingency, with the EPEC's protocol and registration time.
int RunEpec(TvxnNFe& nfe, const TDanfeOptions& o, const std::string& xml) {
  if (o.Imprimir) {
    nfe.ImprimirEPEC(xml, o.ProtocoloEpec, o.DataHoraEpec, o.Modelo, o.Impressora);
    return kExitOk;
  }
  const bool png = !o.Png.empty();
  nfe.ExportarEPEC(xml, o.ProtocoloEpec, o.DataHoraEpec, o.Modelo, png ? o.Png : o.Saida, png ? 3 : 1);
  std::cout << (png ? o.Png : o.Saida) << "\n";
  return kExitOk;
}

// nfe danfe FILE...: the DANFE (or the cancellation, CC-e or summary form) as a PDF, PNG pages or a print
// job. The files are read together, so that a document and its cancellation event give the DANFE
// with the CANCELADA banner.
int RunDanfe(TNfeSession& session, const TDanfeOptions& o) {
  const int destinos = !o.Saida.empty() + !o.Png.empty() + o.Imprimir;
  if (o.Arquivos.empty() || destinos != 1)
    throw ENfeToolError(kExitUso,
                        "nfe danfe: give the XML files and one of -o FILE.pdf, --png DIR, --imprimir QUEUE");
  const bool epec = !o.ProtocoloEpec.empty() || !o.DataHoraEpec.empty();
  if (epec && (o.ProtocoloEpec.empty() || o.DataHoraEpec.empty() || o.Previa))
    throw ENfeToolError(kExitUso,
                        "nfe danfe: --epec-protocolo and --epec-datahora go together, without --previa");
  std::string xml;
  for (const std::string& arquivo : o.Arquivos)
    xml += ReadInput(arquivo);
  TvxnNFe& nfe = session.Componente();
  try {
    if (epec)
      return RunEpec(nfe, o, xml);
    if (!o.Previa &&
        TipoDadosImpressao(xml, false, nfe.GetDiretorioLogErro()) == TvxnTipoDadosImpressao::tdiCCe)
      return RunCCe(nfe, o, xml);
    if (!o.Png.empty()) {
      if (o.Previa)
        nfe.ExportarPreverDanfe(xml, o.Modelo, o.Png, 3);
      else
        nfe.ExportarDanfe(xml, o.Modelo, o.Png, 3);
      std::cout << o.Png << "\n";
    } else if (o.Imprimir) {
      nfe.ImprimirDanfe(xml, o.Modelo, o.Impressora);
    } else if (o.Previa) {
      nfe.ExportarPreverDanfe(xml, o.Modelo, o.Saida);
      std::cout << o.Saida << "\n";
    } else {
      nfe.ExportarDanfe(xml, o.Modelo, o.Saida);
      std::cout << o.Saida << "\n";
    }
  } catch (const EvxnNFeReportException& e) {
    // A document that may not be printed, or a model that is missing, is an answer to the user.
    std::cerr << "nfe: " << e.ClassName() << ": " << e.Message() << "\n";
    return kExitRecusado;
  } catch (const EvxnNFeExportarPreverDanfeException& e) {
    std::cerr << "nfe: " << e.ClassName() << ": " << e.Message() << "\n";
    return kExitRecusado;
  } catch (const EvxnCCeReportException& e) {
    // A correction letter the authority did not register is not printed.
    std::cerr << "nfe: " << e.ClassName() << ": " << e.Message() << "\n";
    return kExitRecusado;
  }
  return kExitOk;
}

} // namespace

void AddDanfeCommand(CLI::App& app, TNfeCommandLine& cl) {
  CLI::App* danfe = app.add_subcommand("danfe", "DANFE as PDF, PNG or a print job; print data");
  danfe->require_subcommand(0, 1);
  auto d = std::make_shared<TDanfeOptions>();
  danfe->footer(
      "nfe danfe FILE... -o OUT.pdf | --png DIR | --imprimir [QUEUE]. Several files are read together (an\n"
      "nfeProc and its procEventoNFe: the DANFE with the CANCELADA banner). The form follows from the XML:\n"
      "a CC-e, a cancellation, a summary (resNFe) or the DANFE. The PDF is written whole or not at all.\n"
      "A CC-e is printed only when the authority registered it (cStat 135 or 136). With --epec-protocolo\n"
      "and --epec-datahora the document is printed as issued in EPEC contingency.\n"
      "Exit 0 when written, 1 when the document may not be printed or the model is missing.");
  danfe->add_option("arquivos", d->Arquivos, "Distribution XML files (- for standard input)");
  danfe->add_option("-o,--saida", d->Saida, "PDF file to write");
  danfe->add_option("--png", d->Png, "Directory for one PNG per page (KEY-1.png, ...)");
  danfe->add_option("--imprimir", d->Impressora, "Print on the CUPS queue (empty: the default printer)")
      ->expected(0, 1);
  danfe->add_flag("--previa", d->Previa,
                  "A signed document not yet authorised: \"PREVISÃO DE DANFE. SEM VALOR FISCAL\"");
  danfe->add_option("--modelo", d->Modelo, "Model file (.rtm) instead of the configured one");
  danfe->add_option("--epec-protocolo", d->ProtocoloEpec,
                    "A document issued in EPEC contingency: the EPEC's protocol (with --epec-datahora)");
  danfe->add_option("--epec-datahora", d->DataHoraEpec, "The EPEC's registration date-time (dhRegEvento)");
  danfe->callback([&cl, d, danfe] {
    if (!danfe->get_subcommands().empty())
      return;
    d->Imprimir = danfe->count("--imprimir") > 0;
    cl.Acao = [d](TNfeSession& s) { return RunDanfe(s, *d); };
  });
  auto o = std::make_shared<TDanfeDadosOptions>();
  CLI::App* cmd = danfe->add_subcommand("dados", "Print the DANFE print tables of distribution XML as JSON");
  cmd->footer(
      "Several files are read together (an nfeProc and its procEventoNFe). The form follows from the\n"
      "XML: a CC-e, a cancellation, a summary (resNFe) or the DANFE. Exit 0 when printed, 1 when the\n"
      "document may not be printed (not authorised, no protocol).");
  cmd->add_option("arquivos", o->Arquivos, "Distribution XML files (- for standard input)")->required();
  cmd->add_flag("--previa", o->Previa, "Preview: no checks, \"PREVISÃO DE DANFE. SEM VALOR FISCAL\"");
  cmd->add_flag("--tarja-cancelada", o->TarjaCancelada,
                "With the cancellation event among the files: the DANFE with the CANCELADA banner");
  cmd->add_flag("--tarja-denegada", o->TarjaDenegada,
                "The denied banner (NFe SEM VALOR FISCAL and the reason)");
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunDanfeDados(s, *o); }; });
}

} // namespace vxn::tool
