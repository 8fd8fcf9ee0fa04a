// Building blocks of the XML text that the version datasets write: fixed lists of field names and
// templates with field references, each resolved against the loaded dictionary once and then reused
// for every document.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TXmlFieldNFe;
class TXmlDataSetNFe;

// Field names of one part, written in the given order (ConvertFieldsParaXML). Builders keep them in
// static objects, so the object's address identifies the list in the dataset's cache.
struct TvxnListaCampos {
  std::string_view parte;
  std::vector<std::string_view> nomes;
};

// A template: literal text with references "@p(field)" (p is the one-letter part name, "*" stands for
// the whole part). Builders keep them in static objects, as the lists above.
struct TvxnModeloXml {
  std::string_view texto;
};

// One piece of a parsed template: literal text, one field, or the whole current record of a part.
struct TvxnTrechoModelo {
  std::string literal;
  const TXmlFieldNFe* campo = nullptr;
  const TXmlDataSetNFe* parte = nullptr;
};

} // namespace vxn
