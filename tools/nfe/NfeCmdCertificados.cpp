// nfe certificados: the certificates of the configured store or token.
#include "NfeCommands.h"
#include "NfeExitCodes.h"
#include "vxnStringList.h"

#include <iostream>

namespace vxn::tool {

namespace {

int RunCertificados(TNfeSession& session) {
  TvxnStringList nomes;
  session.ParaListarCertificados().ListarCertificados(&nomes);
  for (std::size_t i = 0; i < nomes.Count(); ++i)
    std::cout << nomes[i] << "\n";
  return nomes.Count() > 0 ? kExitOk : kExitRecusado;
}

} // namespace

void AddCertificadosCommand(CLI::App& app, TNfeCommandLine& cl) {
  CLI::App* cmd = app.add_subcommand(
      "certificados", "List the certificates of the configured store, file or smart card or token");
  cmd->footer("Prints one certificate name (the holder's common name) per line: the names NomeCertificado\n"
              "selects. On a token (TipoCertificado=SMARTCARD) the holders' certificates of every token of\n"
              "the module, not the authorities'. Exit code 0 when one or more are listed, 1 when none.");
  cmd->callback([&cl] { cl.Acao = [](TNfeSession& s) { return RunCertificados(s); }; });
}

} // namespace vxn::tool
