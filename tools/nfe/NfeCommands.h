// The subcommands of `nfe`. Each Add...Command declares its subcommand, options and help on the parser;
// when the subcommand is chosen, its callback stores in TNfeCommandLine::Acao the work to run once the
// whole command line has been parsed. The work returns the exit code (NfeExitCodes.h).
#pragma once

#include "NfeSession.h"

#include <CLI/CLI.hpp>

#include <functional>

namespace vxn::tool {

struct TNfeCommandLine {
  TNfeGlobalOptions Global;
  std::function<int(TNfeSession&)> Acao;
};

void AddStatusCommand(CLI::App& app, TNfeCommandLine& cl);
void AddAssinarCommand(CLI::App& app, TNfeCommandLine& cl);
void AddValidarCommand(CLI::App& app, TNfeCommandLine& cl);
void AddConverterCommand(CLI::App& app, TNfeCommandLine& cl);
void AddEmitirCommand(CLI::App& app, TNfeCommandLine& cl);
void AddConsultarCommand(CLI::App& app, TNfeCommandLine& cl);
void AddReciboCommand(CLI::App& app, TNfeCommandLine& cl);
void AddInutilizarCommand(CLI::App& app, TNfeCommandLine& cl);
void AddCadastroCommand(CLI::App& app, TNfeCommandLine& cl);
void AddEventoCommand(CLI::App& app, TNfeCommandLine& cl);
void AddDFeCommand(CLI::App& app, TNfeCommandLine& cl);
void AddDanfeCommand(CLI::App& app, TNfeCommandLine& cl);
void AddCertificadosCommand(CLI::App& app, TNfeCommandLine& cl);
void AddCleCommand(CLI::App& app, TNfeCommandLine& cl);
void AddRegrasCommand(CLI::App& app, TNfeCommandLine& cl);
void AddDpecCommand(CLI::App& app, TNfeCommandLine& cl);
void AddAuditarCommand(CLI::App& app, TNfeCommandLine& cl);

} // namespace vxn::tool
