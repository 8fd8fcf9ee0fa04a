// nfe: issues and manages NF-e from the command line with the Quorvant NFe library.
//
//   nfe [--config FILE] [-v] <subcommand> [options]      (nfe --help, nfe <subcommand> --help)
//
// Results go to standard output, diagnostics to standard error; the exit codes are those of
// NfeExitCodes.h (docs/nfe-tool.md). The tool never asks anything: it runs the same with or without a
// terminal.
#include "NfeCommands.h"
#include "NfeExitCodes.h"
#include "NfeToolError.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace vxn::tool;

// The layout versions the tool works with, by the names of TVersaoManual.
const std::vector<std::pair<std::string, vxn::TVersaoManual>>& VersoesManual() {
  static const std::vector<std::pair<std::string, vxn::TVersaoManual>> versoes{{"vm30", vxn::vm30},
                                                                               {"vm40", vxn::vm40},
                                                                               {"vm50", vxn::vm50},
                                                                               {"vm50a", vxn::vm50a},
                                                                               {"vm60", vxn::vm60}};
  return versoes;
}

std::vector<std::string> VersaoManualNames() {
  std::vector<std::string> nomes;
  for (const auto& [nome, versao] : VersoesManual())
    nomes.push_back(nome);
  return nomes;
}

std::optional<vxn::TVersaoManual> VersaoManualFromName(const std::string& nome) {
  for (const auto& [n, versao] : VersoesManual())
    if (n == nome)
      return versao;
  return std::nullopt;
}

// Failures of the configuration itself are told apart from failures of the operation.
int ExitCodeOf(const vxn::EvxnException& e) {
  if (dynamic_cast<const vxn::EvxnConfigINIException*>(&e) ||
      dynamic_cast<const vxn::EvxnNFeConfigException*>(&e))
    return kExitConfiguracao;
  return kExitFalha;
}

int Run(TNfeCommandLine& cl) {
  try {
    TNfeSession session(cl.Global);
    return cl.Acao(session);
  } catch (const ENfeToolError& e) {
    std::cerr << "nfe: " << e.what() << "\n";
    return e.Code();
  } catch (const vxn::EvxnException& e) {
    std::cerr << "nfe: " << e.ClassName() << ": " << e.Message() << "\n";
    return ExitCodeOf(e);
  } catch (const std::exception& e) {
    std::cerr << "nfe: std::exception: " << e.what() << "\n";
    return kExitFalha;
  }
}

} // namespace

int main(int argc, char** argv) {
  CLI::App app("nfe: issue and manage NF-e (Brazilian electronic invoices) with Quorvant NFe", "nfe");
  app.footer("Without --config, nfe runs on its embedded default: the local homologation server (sefaz-sim)\n"
             "started in-process on 127.0.0.1 and a test certificate kept in $XDG_DATA_HOME/quorvant-nfe\n"
             "(~/.local/share/quorvant-nfe). Nothing sent there reaches a tax authority.\n"
             "Exit codes: 0 done, 1 refused or not valid, 2 bad command line, 3 input file missing or\n"
             "unreadable, 4 configuration unusable, 5 operation failed, 6 lot still in processing.");
  // At most one subcommand; "none" and "unknown" are told apart after parsing, with clearer words than
  // the parser's own.
  app.require_subcommand(0, 1);
  app.fallthrough();
  app.set_version_flag("--version", [] { return "nfe " + vxn::TvxnNFe().GetVersao(); });

  TNfeCommandLine cl;
  app.add_option("-c,--config", cl.Global.ConfigFile,
                 "Component INI file (section NFE), or a folder holding nfeConfig.ini");
  app.add_flag("-v,--verbose", cl.Global.Verbose, "Tell on stderr every log file written and every request");
  app.add_flag("--destinatario", cl.Global.Destinatario,
               "Embedded default only: act as the examples' recipient (CNPJ 17444555000125, MG)");
  app.add_flag("--emitente-alfanumerico", cl.Global.EmitenteAlfanumerico,
               "Embedded default only: act as an issuer of alphanumeric CNPJ (12ABC34501DE35, SP)")
      ->excludes("--destinatario");
  app.add_option_function<std::string>(
         "--versao-manual",
         [&cl](const std::string& v) { cl.Global.VersaoManual = *VersaoManualFromName(v); },
         "Layout version: vm30 (1.10), vm40 or vm50 (2.00), vm50a (3.10), vm60 (4.00, the default)")
      ->check(CLI::IsMember(VersaoManualNames()));
  app.add_option_function<std::string>(
         "--modo",
         [&cl](const std::string& v) {
           cl.Global.ModoSVCDaUF = vxn::AsciiUpper(v) == "SVC";
           if (!cl.Global.ModoSVCDaUF)
             cl.Global.ModoOperacao = vxn::StrToModoOperacao(v);
         },
         "Operating mode: normal, svcan (SVC-AN, tpEmis 6), svcrs (SVC-RS, tpEmis 7), epec (tpEmis 4), or "
         "svc "
         "(the contingency authoriser of the configured state)")
      ->check(CLI::IsMember({"normal", "svcan", "svcrs", "epec", "svc"}, CLI::ignore_case));
  app.add_option_function<int>(
         "--uf-paralisada", [&cl](int codigo) { cl.Global.UfParalisada = codigo; },
         "Embedded default only: the local server's authoriser of the state is paralysed and answers "
         "108 or 109")
      ->check(CLI::IsMember({108, 109}));
  app.add_flag("--inseguro", cl.Global.Inseguro,
               "Do not verify the server's certificate and host name (says so on the first line)");
  AddStatusCommand(app, cl);
  AddEmitirCommand(app, cl);
  AddConsultarCommand(app, cl);
  AddReciboCommand(app, cl);
  AddInutilizarCommand(app, cl);
  AddCadastroCommand(app, cl);
  AddEventoCommand(app, cl);
  AddDpecCommand(app, cl);
  AddDFeCommand(app, cl);
  AddDanfeCommand(app, cl);
  AddCleCommand(app, cl);
  AddAssinarCommand(app, cl);
  AddValidarCommand(app, cl);
  AddConverterCommand(app, cl);
  AddRegrasCommand(app, cl);
  AddAuditarCommand(app, cl);
  AddCertificadosCommand(app, cl);
  // Set after the subcommands exist, so that they keep refusing what they do not know.
  app.allow_extras();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUso;
  }
  const auto extras = app.remaining();
  if (!cl.Acao || !extras.empty()) {
    if (!cl.Acao && extras.empty())
      std::cerr << "nfe: a subcommand is required\n";
    else if (!cl.Acao)
      std::cerr << "nfe: unknown subcommand: " << extras.front() << "\n";
    else
      std::cerr << "nfe: unexpected argument: " << extras.front() << "\n";
    std::cerr << "Run with --help for more information.\n";
    return kExitUso;
  }
  if (cl.Global.Inseguro)
    std::cerr << "nfe: --inseguro: the server's certificate and host name are NOT verified; anyone on the "
                 "way can read and change what is sent and answered\n";
  return Run(cl);
}
