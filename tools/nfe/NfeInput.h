// Input files of the commands: read whole ("-" is standard input), and what kind of text they hold.
#pragma once

#include <string>
#include <string_view>

namespace vxn::tool {

// The content of the file, or of standard input for "-". A missing or unreadable file is an
// ENfeToolError with kExitEntrada that names it.
std::string ReadInput(const std::string& path);

enum class TNfeInputKind {
  Xml,         // NF-e XML: NFe documents, infNFe elements or an enviNFe lot
  CommandText, // the line-per-command text (INCLUIR, field=value lines, SALVAR)
  PipeText,    // the pipe-delimited text with C|, D| and R| blocks
  RecText,     // the free issuer's TXT layout (REC): NOTAFISCAL|, A|, B|, ... records
};

// XML when the first non-blank character is "<"; pipe text when the first non-blank line begins with a
// block marker ("C|", "D|", "R|"); REC when it begins with "NOTAFISCAL|", "NOTA FISCAL|" or "A|" (the
// header and the first record of that layout); the command text otherwise.
TNfeInputKind DetectInputKind(std::string_view text);
const char* InputKindName(TNfeInputKind kind);

// The name of the root element of an XML text (prefix removed), skipping the declaration, comments and
// blanks; "" when there is none.
std::string RootElementName(std::string_view xml);

} // namespace vxn::tool
