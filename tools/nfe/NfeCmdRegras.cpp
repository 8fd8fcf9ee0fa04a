// nfe regras: the authority's rejection rules of a layout version, listed or run over documents.
#include "NfeCommands.h"
#include "NfeConversion.h"
#include "NfeExitCodes.h"
#include "NfeInput.h"
#include "NfeToolError.h"
#include "converters/vxnNFeConvTXTDataSet.h"
#include "rules/vxnNFeRules.h"
#include "vxnGovUtils.h"
#include "vxnNFeEsquemaPadrao.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <iostream>
#include <memory>

namespace vxn::tool {

namespace {

struct TRegrasOptions {
  std::string Arquivo;
  std::string Formato;
  std::string Recebimento;
};

// The moment of receipt the date rules compare with: the one given, or the system clock.
TvxnRelogio RelogioDe(const std::string& recebimento) {
  if (recebimento.empty())
    return {};
  std::chrono::system_clock::time_point momento;
  try {
    momento = TvxnGovUtils().XsdDateTimeToDateTime(recebimento);
  } catch (const EvxnException&) {
    throw ENfeToolError(kExitUso, "--recebimento " + recebimento +
                                      " is not a date-time (YYYY-MM-DDThh:mm:ss-03:00) or date");
  }
  return [momento] { return momento; };
}

// One line per rule: id|code|text.
int ListarRegras(TVersaoManual versao) {
  TvxnControllerRulesNFe controller;
  controller.SetVersaoEsquema(GetUltimoEsquemaDaVersaoManual(versao));
  controller.LoadRulesWebSefaz();
  for (const auto& regra : controller.GetListRules()) {
    const auto& r = dynamic_cast<const TvxnNFeRule&>(*regra);
    std::cout << r.GetName() << '|' << r.GetCodMensagem() << '|' << r.GetMensagem() << '\n';
  }
  return kExitOk;
}

// The documents of a command text: each from its INCLUIR to the line after it that stores it.
std::vector<std::string> DocumentosDoTexto(const std::string& comandos) {
  TvxnStringList linhas;
  linhas.SetText(comandos);
  std::vector<std::string> documentos;
  std::string atual;
  for (const std::string& linha : linhas) {
    const std::string comando = AsciiUpper(Trim(linha));
    if (comando == "INCLUIR")
      atual.clear();
    atual += linha + "\n";
    if (comando == "SALVAR") {
      documentos.push_back(atual);
      atual.clear();
    }
  }
  if (!Trim(atual).empty())
    documentos.push_back(atual); // the converter refuses it with its own message
  return documentos;
}

// Every failure of every document, one line each ("#N [id]: code - text. Verifique o Campo: field"), or
// "#N ok" for a document that passes every rule.
int VerificarRegras(TNfeSession& session, const TRegrasOptions& o) {
  const std::string texto = ReadInput(o.Arquivo);
  TvxnNFe& nfe = session.Componente();
  const TVersaoEsquema esquema = GetUltimoEsquemaDaVersaoManual(nfe.GetVersaoManual());
  // A layout without rules would pass every document: say so instead of printing "ok" for each.
  TvxnControllerRulesNFe regras;
  regras.SetVersaoEsquema(esquema);
  regras.LoadRulesWebSefaz();
  if (regras.GetListRules().empty())
    throw ENfeToolError(kExitUso, "layout " + VersaoManualToStr(nfe.GetVersaoManual()) +
                                      " has no rejection rules to check documents with (vm40, vm50 and vm50a "
                                      "have); nfe auditar checks documents of layout 4.00");
  const TNfeInputKind kind = InputKindOf(o.Arquivo, texto, o.Formato);
  // XML, pipe and REC text are read back into the input dataset as the command text that fills it.
  const std::string comandos =
      kind == TNfeInputKind::CommandText ? texto : ConvertToCommandText(nfe, texto, kind, esquema);
  const TvxnRelogio relogio = RelogioDe(o.Recebimento);
  int n = 0;
  bool falhou = false;
  for (const std::string& documento : DocumentosDoTexto(comandos)) {
    ++n;
    TvxnNFeConvTXTDataSet conv;
    conv.SetDiretorioLogErro(nfe.GetDiretorioLogErro());
    conv.SetXMLDicionario(nfe.GetDiretorioTemplates() + "Conversor/NFeDataSets.xml");
    conv.SetVersaoEsquema(esquema);
    conv.SetTXT(documento);
    conv.DataSets().SetRelogioRegras(relogio);
    TvxnNFeDataSets* ds = nullptr;
    conv.Converter(ds);
    const std::vector<std::string> falhas = ds->FalhasDasRegrasDeNegocio();
    for (const std::string& falha : falhas)
      std::cout << '#' << n << ' ' << ReplaceAll(falha, "\r\n", " ") << '\n';
    if (falhas.empty())
      std::cout << '#' << n << " ok\n";
    falhou = falhou || !falhas.empty();
  }
  return falhou ? kExitRecusado : kExitOk;
}

} // namespace

void AddRegrasCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TRegrasOptions>();
  CLI::App* cmd =
      app.add_subcommand("regras", "List the tax authority's rejection rules of a layout version, "
                                   "or check documents against them");
  cmd->footer("Without a file: one line per rule of the layout version (--versao-manual), in the order they\n"
              "run, as id|code|text (vm40, vm50 and vm50a have rules; vm30 and vm60 none). With a file\n"
              "(command text, pipe text, REC text or NF-e XML): every rule is run over each document and\n"
              "every failure printed as \"#N [id]: code - text. Verifique o Campo: field\", or \"#N ok\".\n"
              "Exit code 0 when no document fails a rule, 1 when one does, 2 when the layout has no rules.");
  cmd->add_option("arquivo", o->Arquivo, "Documents to check (- for standard input)");
  cmd->add_option("--formato", o->Formato, "Kind of the text instead of recognising it")
      ->check(CLI::IsMember({"xml", "comandos", "pipe", "rec"}));
  cmd->add_option(
      "--recebimento", o->Recebimento,
      "The moment of receipt the date rules compare with (YYYY-MM-DDThh:mm:ss-03:00); now by default");
  cmd->callback([&cl, o] {
    cl.Acao = [o, &cl](TNfeSession& s) {
      if (o->Arquivo.empty())
        return ListarRegras(cl.Global.VersaoManual.value_or(s.Componente().GetVersaoManual()));
      return VerificarRegras(s, *o);
    };
  });
}

} // namespace vxn::tool
