#include "vxnXmlElementTree.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnOutsideHandles.h"
#include "vxnXmlParser.h"

#include <string>

namespace vxn {

const std::string* TvxnXmlElement::Attribute(std::string_view attributeName) const {
  for (const auto& [key, value] : attributes)
    if (key == attributeName)
      return &value;
  return nullptr;
}

namespace {

std::string ToString(const xmlChar* s) {
  return s ? std::string(reinterpret_cast<const char*>(s)) : std::string();
}

TvxnXmlElement Convert(const xmlNode* node) {
  TvxnXmlElement element;
  element.name = ToString(node->name);
  for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
    outside::XmlCharPtr value(xmlNodeListGetString(node->doc, attr->children, 1));
    element.attributes.emplace_back(ToString(attr->name), ToString(value.get()));
  }
  for (const xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE)
      element.children.push_back(Convert(child));
    else if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content)
      element.text += reinterpret_cast<const char*>(child->content);
  }
  return element;
}

} // namespace

TvxnXmlElement ReadXmlElementTree(std::string_view path, std::string_view logDir) {
  const outside::XmlDocPtr doc = outside::ParseXmlOrThrow(ReadWholeFile(path), logDir, false);
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root)
    throw EvxnNFeException("XML inválido: %s", {std::string(path)}, logDir);
  return Convert(root);
}

TvxnXmlElement ParseXmlElementTree(std::string_view xml, std::string_view logDir) {
  const outside::XmlDocPtr doc = outside::ParseXmlOrThrow(xml, logDir, false);
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root)
    throw EvxnNFeException("XML inválido: %s", {std::string("sem elemento raiz")}, logDir);
  return Convert(root);
}

} // namespace vxn
