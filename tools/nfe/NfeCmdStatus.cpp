// nfe status: is the tax authority's service in operation?
#include "NfeCommands.h"
#include "NfeExitCodes.h"
#include "NfeReplies.h"

#include <iostream>
#include <memory>

namespace vxn::tool {

namespace {

struct TStatusOptions {
  bool Xml = false;
};

int RunStatus(TNfeSession& session, const TStatusOptions& o) {
  const std::string reply = session.Conectado().StatusDoServico();
  const TNfeStatus status = ReplyStatus(reply);
  if (o.Xml)
    std::cout << reply << "\n";
  else
    std::cout << status.CStat << " " << status.XMotivo << "\n";
  return status.CStat == "107" ? kExitOk : kExitRecusado;
}

} // namespace

void AddStatusCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TStatusOptions>();
  CLI::App* cmd =
      app.add_subcommand("status", "Ask the tax authority whether its NF-e service is in operation");
  cmd->footer("Prints the status code and text of the reply (107 Servico em Operacao when it is).\n"
              "Exit code 0 for 107, 1 for any other status (108 and 109: service paused).");
  cmd->add_flag("--xml", o->Xml, "Print the whole reply (retConsStatServ) instead of the status line");
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunStatus(s, *o); }; });
}

} // namespace vxn::tool
