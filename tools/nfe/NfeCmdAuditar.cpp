// nfe auditar: documents audited by the validation control, through the component's AuditarXml.
#include "NfeCommands.h"
#include "NfeExitCodes.h"
#include "NfeInput.h"
#include "auditor/vxnValidadorClientX.h"
#include "auditor/vxnValidadorLocal.h"
#include "vxnPaths.h"

#include <iostream>
#include <memory>

namespace vxn::tool {

namespace {

struct TAuditarOptions {
  std::vector<std::string> Arquivos;
  std::string Excecoes;
  std::string Html;
  bool Regras = false;
  bool Json = false;
};

// Per file: its name, one line per finding and the number of rejections the component counted in the
// control's verdict (or, with --json, the verdict itself).
int RunAuditar(TNfeSession& session, const TAuditarOptions& o) {
  TvxnNFe& nfe = session.Componente();
  TvxnValidadorLocal* controle = nullptr;
  TvxnValidadorClientX auditor([&controle] {
    auto c = std::make_unique<TvxnValidadorLocal>();
    controle = c.get();
    return c;
  });
  nfe.SetComponenteAuditor(&auditor);
  bool rejeitado = false;
  for (const std::string& arquivo : o.Arquivos) {
    const std::string texto = ReadInput(arquivo);
    if (!o.Html.empty())
      auditor.Controle().SetProperty(idValidador::ArquivoHtml, IncludeTrailingPathDelimiter(o.Html) +
                                                                   ExtractFileName(arquivo) + ".html");
    const std::string verdito =
        nfe.AuditarXml(texto, o.Excecoes, auditor.GetServidor(), o.Regras ? -1 : 0, o.Html.empty() ? 0 : -1);
    if (o.Json) {
      std::cout << verdito;
    } else {
      std::cout << arquivo << "\n";
      for (const TvxnValidadorLocal::TAchado& a : controle->GetAchados())
        std::cout << "  " << TvxnValidadorLocal::Linha(a) << "\n";
      if (o.Regras)
        for (const std::string& regra : controle->GetRegrasVerificadas())
          std::cout << "  verificada: " << regra << "\n";
      std::cout << "  rejeições: " << auditor.GetTotalRejeicao() << "\n";
    }
    rejeitado = rejeitado || auditor.GetTotalRejeicao() != "0";
  }
  nfe.SetComponenteAuditor(nullptr);
  return rejeitado ? kExitRecusado : kExitOk;
}

} // namespace

void AddAuditarCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TAuditarOptions>();
  CLI::App* cmd = app.add_subcommand(
      "auditar", "Audit NF-e XML against the official schemas and the tax authority's rejection rules");
  cmd->footer(
      "Each file (NFe, nfeProc or enviNFe XML) is checked against the schema of its layout and, once\n"
      "that passes, against the rejection rules of the rule catalogue (a 4.00 document against the\n"
      "3.10 list, less the rules 4.00 changed). Printed per file: its name, one line per finding\n"
      "(\"Rejeição CODE [RULE] FIELD: text (chave KEY)\") and \"rejeições: N\". Exit code 0 when no\n"
      "file has a rejection, 1 when one has; 3 a file cannot be read; 5 the text is no NF-e of a\n"
      "layout the validator audits.");
  cmd->add_option("arquivos", o->Arquivos, "NF-e XML files to audit (- for standard input)")->required();
  cmd->add_option("--excecoes", o->Excecoes, "Rule ids to leave out (\"GB09 GW16\")");
  cmd->add_flag("--regras", o->Regras, "Also list the rules that were run");
  cmd->add_option("--html", o->Html, "Write each file's HTML report to this folder as <file>.html");
  cmd->add_flag("--json", o->Json, "Print the control's JSON verdict instead of the lines");
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunAuditar(s, *o); }; });
}

} // namespace vxn::tool
