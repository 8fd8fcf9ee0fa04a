// The exit codes of `nfe`, documented in docs/nfe-tool.md. Scripts rely on them: never renumber.
#pragma once

namespace vxn::tool {

enum TNfeExitCode : int {
  // The command did what was asked and the tax authority accepted it (107 in operation, 100 authorised,
  // 102 invalidation granted, ...), or an offline command (assinar, converter, validar) succeeded.
  kExitOk = 0,
  // The command ran, but the answer is "no": the authority refused or did not authorise a document, the
  // service is not in operation, the document is not valid against its schema.
  kExitRecusado = 1,
  // Bad command line: unknown subcommand or option, missing or malformed argument.
  kExitUso = 2,
  // An input file does not exist or cannot be read.
  kExitEntrada = 3,
  // The configuration is unusable: the --config file is missing or wrong, the user's data folder cannot
  // be written, the local server cannot start.
  kExitConfiguracao = 4,
  // The operation failed with an exception of the library (conversion, signing, schema, transport...).
  kExitFalha = 5,
  // A lot is still being processed after the receipt was queried as often as allowed.
  kExitPendente = 6,
};

} // namespace vxn::tool
