#include "vxnXmlLightTree.h"

#include "vxnXmlParser.h"

#include <libxml/xmlreader.h>

#include <climits>
#include <memory>

namespace vxn {

const std::string* TvxnXmlLightElement::Attribute(std::string_view attributeName) const {
  for (const auto& [key, value] : attributes)
    if (key == attributeName)
      return &value;
  return nullptr;
}

const TvxnXmlLightElement* TvxnXmlLightElement::Child(std::string_view childName) const {
  for (const TvxnXmlLightElement& child : children)
    if (child.name == childName)
      return &child;
  return nullptr;
}

std::string_view TvxnXmlLightElement::ChildText(std::string_view childName) const {
  const TvxnXmlLightElement* child = Child(childName);
  return child ? std::string_view(child->text) : std::string_view();
}

const TvxnXmlLightElement* TvxnXmlLightElement::Find(std::string_view elementName) const {
  for (const TvxnXmlLightElement& child : children) {
    if (child.name == elementName)
      return &child;
    if (const TvxnXmlLightElement* found = child.Find(elementName))
      return found;
  }
  return nullptr;
}

void TvxnXmlLightElement::FindAll(std::string_view elementName,
                                  std::vector<const TvxnXmlLightElement*>& found) const {
  for (const TvxnXmlLightElement& child : children) {
    if (child.name == elementName)
      found.push_back(&child);
    child.FindAll(elementName, found);
  }
}

namespace {

using XmlTextReaderPtr = std::unique_ptr<xmlTextReader, outside::CFree<xmlFreeTextReader>>;

const char* Chars(const xmlChar* s) {
  return s ? reinterpret_cast<const char*>(s) : "";
}

// The first error the reader reports; later ones follow from it.
void KeepFirstError(void* arg, xmlError* error) {
  auto* message = static_cast<std::string*>(arg);
  if (message->empty() && error && error->message) {
    *message = error->message;
    while (!message->empty() && (message->back() == '\n' || message->back() == ' '))
      message->pop_back();
    *message += " (linha " + std::to_string(error->line) + ")";
  }
}

void ReadAttributes(xmlTextReader* reader, TvxnXmlLightElement& element) {
  while (xmlTextReaderMoveToNextAttribute(reader) == 1)
    if (xmlTextReaderIsNamespaceDecl(reader) != 1)
      element.attributes.emplace_back(Chars(xmlTextReaderConstLocalName(reader)),
                                      Chars(xmlTextReaderConstValue(reader)));
  xmlTextReaderMoveToElement(reader);
}

} // namespace

bool ReadXmlLightTree(std::string_view text, TvxnXmlLightElement& root, std::string& error) {
  root = {};
  error.clear();
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    error = "documento grande demais";
    return false;
  }
  outside::EnsureLibxml();
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS |
                      XML_PARSE_BIG_LINES | XML_PARSE_NOCDATA;
  XmlTextReaderPtr reader(
      xmlReaderForMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr, options));
  if (!reader) {
    error = "não foi possível ler o documento";
    return false;
  }
  xmlTextReaderSetStructuredErrorHandler(reader.get(), KeepFirstError, &error);

  // The open elements, root first. A pointer stays valid while its element is open: only the
  // children vector of the innermost open element grows, and that element is not among them.
  std::vector<TvxnXmlLightElement*> open;
  bool sawRoot = false;
  int rc = 0;
  while ((rc = xmlTextReaderRead(reader.get())) == 1) {
    switch (xmlTextReaderNodeType(reader.get())) {
    case XML_READER_TYPE_ELEMENT: {
      TvxnXmlLightElement* element = &root;
      if (!open.empty())
        element = &open.back()->children.emplace_back();
      sawRoot = true;
      element->name = Chars(xmlTextReaderConstLocalName(reader.get()));
      const bool empty = xmlTextReaderIsEmptyElement(reader.get()) == 1;
      if (xmlTextReaderHasAttributes(reader.get()) == 1)
        ReadAttributes(reader.get(), *element);
      if (!empty)
        open.push_back(element);
      break;
    }
    case XML_READER_TYPE_END_ELEMENT:
      if (!open.empty())
        open.pop_back();
      break;
    case XML_READER_TYPE_TEXT:
    case XML_READER_TYPE_CDATA:
    case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
      if (!open.empty())
        open.back()->text += Chars(xmlTextReaderConstValue(reader.get()));
      break;
    case XML_READER_TYPE_DOCUMENT_TYPE:
      error = "documento com declaração de tipo (DOCTYPE) recusado";
      return false;
    default:
      break;
    }
  }
  if (rc != 0 || !sawRoot) {
    if (error.empty())
      error = sawRoot ? "documento XML malformado" : "documento vazio";
    root = {};
    return false;
  }
  return true;
}

} // namespace vxn
