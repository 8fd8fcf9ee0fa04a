// Turns an input file's text into NF-e XML with the component's converters: the command text and the
// pipe text are converted, XML is taken as it is.
#pragma once

#include "NfeInput.h"
#include "vxnNFe.h"

#include <optional>
#include <string>

namespace vxn::tool {

// "xml", "comandos", "pipe" or "rec" (as --formato takes them); nullopt for anything else.
std::optional<TNfeInputKind> InputKindFromName(std::string_view name);

// The NF-e XML of the text: the text itself when it is XML, otherwise the converter's output for the
// schema package of the component's layout version (the newest one the version accepts).
std::string ConvertToNFeXml(TvxnNFe& nfe, const std::string& text, TNfeInputKind kind);

// The command text that fills the input dataset with the documents of the text, read back with the XML
// reader for the schema package `esquema`: XML as it is; any other text converted to XML first, its
// infNFe lines read as the documents of one enviNFe.
std::string ConvertToCommandText(TvxnNFe& nfe, const std::string& text, TNfeInputKind kind,
                                 TVersaoEsquema esquema);

// The kind of the text: the forced one (--formato) or the one recognised. A forced kind that differs
// from what the text recognisably is (XML, pipe or REC text) is an ENfeToolError naming the kind found.
TNfeInputKind InputKindOf(const std::string& arquivo, const std::string& text, const std::string& formato);

} // namespace vxn::tool
