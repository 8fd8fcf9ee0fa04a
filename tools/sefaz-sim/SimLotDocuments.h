// The documents of an enviNFe lot as the authorisation service examines them: each NFe element as a
// standalone document (for its signature) and the fields its access key is made of.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vxn::sim {

struct TSimLotDocument {
  std::string Xml; // the NFe element as a document of its own
  std::string Id;  // Id of infNFe: "NFe" and the 44-digit key
  std::string CUF, CNF, Mod, Serie, NNF, DhEmi, TpEmis, CDV, TpAmb;
  std::string EmitCnpj;    // "" when the issuer is a person
  std::string EmitCpf;     // "" when the issuer is a company
  std::string DigestValue; // of the signature; "" when unsigned
};

// The NFe children of the lot's root element, in order. The lot has passed the schema already, so a
// text that is not XML yields no document.
std::vector<TSimLotDocument> LotDocuments(std::string_view enviNFe);

// The key's check digit over its first 43 digits (modulo 11, weights 2 to 9 from the right).
int KeyCheckDigit(std::string_view first43);

// The 44-digit key the document's fields make (the check digit taken from cDV); "" when a field has
// the wrong shape.
std::string KeyFromFields(const TSimLotDocument& document);

} // namespace vxn::sim
