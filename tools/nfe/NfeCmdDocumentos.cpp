// Commands that work on documents without the tax authority: nfe assinar, nfe validar.
#include "NfeCommands.h"
#include "NfeConversion.h"
#include "NfeExitCodes.h"
#include "NfeInput.h"
#include "NfeOutput.h"
#include "NfeToolError.h"
#include "datasets/vxnNFeDataSets.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <iostream>
#include <map>
#include <memory>

namespace vxn::tool {

namespace {

constexpr const char* kNFeNamespace = "http://www.portalfiscal.inf.br/nfe";

void RequireXml(const std::string& texto, const std::string& arquivo) {
  if (DetectInputKind(texto) != TNfeInputKind::Xml)
    throw ENfeToolError(kExitEntrada, arquivo + " is not XML (it looks like " +
                                          InputKindName(DetectInputKind(texto)) + ")");
}

// ---- assinar ------------------------------------------------------------------------------------------

struct TAssinarOptions {
  std::string Arquivo;
  std::string Saida;
};

int RunAssinar(TNfeSession& session, const TAssinarOptions& o) {
  const std::string texto = ReadInput(o.Arquivo);
  RequireXml(texto, o.Arquivo);
  const std::string assinado = session.ComCertificado().AssinarNota(texto);
  WriteOutput(o.Saida, assinado);
  return kExitOk;
}

// ---- validar ------------------------------------------------------------------------------------------

struct TValidarOptions {
  std::string Arquivo;
  std::string Comando;
};

// The command of the schema mapping that fits a document by its root element.
std::string ComandoDoDocumento(const std::string& raiz) {
  static const std::map<std::string, std::string> kComandos = {
      {"enviNFe", "ENVIO"},
      {"NFe", "ENVIO"},
      {"nfeProc", "XMLDESTINATARIO"},
      {"consStatServ", "STATUS"},
      {"consSitNFe", "CONSULTANF"},
      {"consReciNFe", "CONSULTARECIBO"},
      {"ConsCad", "CONSULTACADASTRO"},
      {"inutNFe", "INUTILIZACAO"},
  };
  const auto it = kComandos.find(raiz);
  if (it == kComandos.end())
    throw ENfeToolError(kExitUso, "no schema is known for the root element <" + raiz +
                                      ">; name the schema's command with --comando");
  return it->second;
}

// A lone NFe has no schema command of its own: it is validated as the one document of a lot, which is
// what the authority receives.
std::string ComoLote(std::string_view nfe) {
  if (nfe.starts_with("<?xml")) {
    const std::size_t end = nfe.find("?>");
    nfe.remove_prefix(end == std::string_view::npos ? nfe.size() : end + 2);
  }
  return std::string("<enviNFe xmlns=\"") + kNFeNamespace + "\" versao=\"4.00\"><idLote>1</idLote>" +
         "<indSinc>0</indSinc>" + Trim(nfe) + "</enviNFe>";
}

int RunValidar(TNfeSession& session, const TValidarOptions& o) {
  const std::string texto = ReadInput(o.Arquivo);
  RequireXml(texto, o.Arquivo);
  const std::string raiz = RootElementName(texto);
  const std::string comando = o.Comando.empty() ? ComandoDoDocumento(raiz) : AsciiUpper(o.Comando);
  TvxnNFe& nfe = session.Componente();
  const std::string xml = (raiz == "NFe" && o.Comando.empty()) ? ComoLote(texto) : texto;
  try {
    nfe.ValidarXMLNFe(xml, comando);
  } catch (const EvxnSchemaValidationException& e) {
    std::cout << o.Arquivo << ": invalid (" << comando << ")\n";
    // The message already lists the validator's errors, one per line.
    std::cerr << "nfe: " << e.ClassName() << ": " << e.Message() << "\n";
    return kExitRecusado;
  }
  std::cout << o.Arquivo << ": valid (" << comando << ")\n";
  return kExitOk;
}

// ---- converter ----------------------------------------------------------------------------------------

struct TConverterOptions {
  std::string Arquivo;
  std::string Saida;
  std::string Formato;
  std::string Para = "xml";
};

int RunConverter(TNfeSession& session, const TConverterOptions& o) {
  const std::string texto = ReadInput(o.Arquivo);
  const TNfeInputKind kind = InputKindOf(o.Arquivo, texto, o.Formato);
  TvxnNFe& nfe = session.Componente();
  if (o.Para == "comandos") {
    // Any document read back into the input dataset, written as the command text that fills it again.
    WriteOutput(o.Saida, ConvertToCommandText(nfe, texto, kind, pl_009g));
    return kExitOk;
  }
  if (kind == TNfeInputKind::Xml)
    throw ENfeToolError(kExitEntrada,
                        o.Arquivo + " is XML already; converter reads command text, pipe text or REC text "
                                    "(--para comandos writes XML as command text)");
  WriteOutput(o.Saida, ConvertToNFeXml(nfe, texto, kind));
  return kExitOk;
}

} // namespace

void AddConverterCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TConverterOptions>();
  CLI::App* cmd =
      app.add_subcommand("converter", "Convert command text, pipe text or REC text into NF-e XML, or back");
  cmd->footer("The kind of text is recognised by its first line (<: XML; C|, D| or R|: pipe text;\n"
              "NOTAFISCAL| or A|: REC text; otherwise command text). Prints the infNFe of every document,\n"
              "one per line, or writes them to --saida. With --para comandos, the documents (XML, an\n"
              "nfeProc, an enviNFe lot, or any text) are written as the command text that fills them.");
  cmd->add_option("arquivo", o->Arquivo, "Text file to convert (- for standard input)")->required();
  cmd->add_option("-o,--saida", o->Saida, "Write the XML to this file (atomically) instead of stdout");
  cmd->add_option("--formato", o->Formato, "Kind of the text instead of recognising it")
      ->check(CLI::IsMember({"xml", "comandos", "pipe", "rec"}));
  cmd->add_option("--para", o->Para, "What to write: xml (default) or comandos (command text)")
      ->check(CLI::IsMember({"xml", "comandos"}));
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunConverter(s, *o); }; });
}

void AddAssinarCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TAssinarOptions>();
  CLI::App* cmd =
      app.add_subcommand("assinar", "Sign NF-e XML (NFe documents, infNFe elements or an enviNFe lot)");
  cmd->footer("Prints the signed NFe documents (or writes them to --saida). On the embedded default the\n"
              "test certificate of the user's data folder signs; with --config, the configured one.");
  cmd->add_option("arquivo", o->Arquivo, "XML file to sign (- for standard input)")->required();
  cmd->add_option("-o,--saida", o->Saida, "Write the signed XML to this file (atomically) instead of stdout");
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunAssinar(s, *o); }; });
}

void AddValidarCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TValidarOptions>();
  CLI::App* cmd = app.add_subcommand("validar", "Validate an XML document against the official NF-e schemas");
  cmd->footer("The schema follows from the root element (NFe and enviNFe: the lot schema, nfeProc: the\n"
              "distribution schema, consStatServ, consSitNFe, consReciNFe, ConsCad, inutNFe: their own).\n"
              "Exit code 0 when the document is valid, 1 when it is not (the errors go to stderr).");
  cmd->add_option("arquivo", o->Arquivo, "XML file to validate (- for standard input)")->required();
  cmd->add_option("--comando", o->Comando,
                  "Command of the schema mapping (Esquemas/<layout>/Mapping.txt) to validate against, "
                  "e.g. ENVIO, XMLDESTINATARIO");
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunValidar(s, *o); }; });
}

} // namespace vxn::tool
