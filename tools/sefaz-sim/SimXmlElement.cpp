#include "sefaz-sim/SimXmlElement.h"

#include "vxnOutsideHandles.h"

#include <cstring>

namespace vxn::sim {

std::string StandaloneElementXml(const xmlNode* element) {
  outside::XmlBufferPtr buffer(xmlBufferCreate());
  xmlNodeDump(buffer.get(), element->doc, const_cast<xmlNode*>(element), 0, 0);
  return StandaloneElementXml(element, reinterpret_cast<const char*>(xmlBufferContent(buffer.get())));
}

std::string StandaloneElementXml(const xmlNode* element, std::string_view written) {
  std::string xml(written);
  // An element whose namespace is declared by an ancestor gets the declaration on itself. Nothing else
  // is added or rewritten: a signed document inside must keep the exact namespaces it was signed with.
  const xmlNs* ns = element->ns;
  if (!ns || !ns->href)
    return xml;
  for (const xmlNs* d = element->nsDef; d; d = d->next)
    if (d == ns)
      return xml;
  const std::string prefix = ns->prefix ? reinterpret_cast<const char*>(ns->prefix) : "";
  const std::string declaration = (prefix.empty() ? std::string(" xmlns=\"") : " xmlns:" + prefix + "=\"") +
                                  reinterpret_cast<const char*>(ns->href) + "\"";
  const std::size_t nameEnd = 1 + (prefix.empty() ? 0 : prefix.size() + 1) +
                              std::strlen(reinterpret_cast<const char*>(element->name));
  xml.insert(nameEnd, declaration);
  return xml;
}

} // namespace vxn::sim
