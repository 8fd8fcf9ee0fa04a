// The text of a parsed document's root element exactly as libxml2's xmlNodeDump writes it (no added
// formatting, UTF-8 as is), written straight into a std::string. Signing writes every document it
// signs; libxml2's writer goes through its output-buffer layer byte run by byte run, which costs more
// than the rest of the signature's XML work together.
#pragma once

#include "vxnOutsideHandles.h"

#include <string>

namespace vxn::outside {

class TvxnXmlWriter {
public:
  // Appends the root element of `doc` to `out`. False when the tree holds something this writer does
  // not render as libxml2 would (entity references, processing instructions, a document without a
  // declared encoding, quotes in a namespace URI); the caller then uses xmlNodeDump.
  static bool WriteRoot(const xmlDoc* doc, std::string& out);

private:
  static bool Element(const xmlNode* element, std::string& out);
};

} // namespace vxn::outside
