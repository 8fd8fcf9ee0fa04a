// The documents of an enviNFe lot as the authorisation service examines them: each NFe element as a
// standalone document (for its signature) and the fields its access key is made of.
#pragma once

#include "vxnOutsideHandles.h"

#include <string>
#include <string_view>
#include <vector>

namespace vxn::sim {

struct TSimLotDocument {
  std::string Xml; // the NFe element as a document of its own
  // The NFe element in the lot's tree it was read from (valid while that tree is).
  const xmlNode* Node = nullptr;
  std::string Id; // Id of infNFe: "NFe" and the 44-digit key
  std::string CUF, CNF, Mod, Serie, NNF, DhEmi, TpEmis, CDV, TpAmb;
  std::string DhCont, XJust; // the entry into contingency: "" when the document carries none
  std::string EmitCnpj;      // "" when the issuer is a person
  std::string EmitCpf;       // "" when the issuer is a company
  std::string DigestValue;   // of the signature; "" when unsigned
};

// The lot text parsed once for everything the service reads of it (its documents, its schema check);
// null when it is not well-formed.
outside::XmlDocPtr ParseLot(std::string_view enviNFe);

// The NFe children of the lot's element, in order; none for a lot that is not well-formed (null).
// `received`: the text of each element child of the lot as xmlNodeDump writes it (the bytes received,
// TSimRequest::DataChildren), or empty to write each document out of the tree.
std::vector<TSimLotDocument> LotDocuments(const xmlNode* lot,
                                          const std::vector<std::string_view>& received = {});

// The key's check digit over its first 43 characters (modulo 11, weights 2 to 9 from the right, the
// letters of an alphanumeric CNPJ worth their ASCII code minus 48); -1 for a character of no value.
int KeyCheckDigit(std::string_view first43);

// The 44-digit key the document's fields make (the check digit taken from cDV); "" when a field has
// the wrong shape.
std::string KeyFromFields(const TSimLotDocument& document);

} // namespace vxn::sim
