#include "sefaz-sim/SimLotDocuments.h"

#include "sefaz-sim/SimReplies.h"
#include "vxnOutsideHandles.h"
#include "xml/vxnNFeNamespaces.h"

#include <cstring>

namespace vxn::sim {

namespace {

std::string Attribute(const xmlNode* n, const char* name) {
  outside::XmlCharPtr value(xmlGetProp(n, BAD_CAST name));
  return value ? reinterpret_cast<const char*>(value.get()) : "";
}

const xmlNode* Child(const xmlNode* parent, const char* localName) {
  for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(c->name), localName) == 0)
      return c;
  return nullptr;
}

// The element as a document of its own, its text as the lot has it.
std::string Standalone(const xmlNode* element) {
  outside::XmlBufferPtr buffer(xmlBufferCreate());
  xmlNodeDump(buffer.get(), element->doc, const_cast<xmlNode*>(element), 0, 0);
  std::string xml = reinterpret_cast<const char*>(xmlBufferContent(buffer.get()));
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

TSimLotDocument Examine(const xmlNode* nfe) {
  TSimLotDocument d;
  d.Xml = Standalone(nfe);
  d.Id = Attribute(Child(nfe, "infNFe"), "Id");
  const std::string ide = ElementText(d.Xml, "ide");
  d.CUF = ElementText(ide, "cUF");
  d.CNF = ElementText(ide, "cNF");
  d.Mod = ElementText(ide, "mod");
  d.Serie = ElementText(ide, "serie");
  d.NNF = ElementText(ide, "nNF");
  d.DhEmi = ElementText(ide, "dhEmi");
  if (d.DhEmi.empty())
    d.DhEmi = ElementText(ide, "dEmi"); // layouts before 3.10
  d.TpEmis = ElementText(ide, "tpEmis");
  d.CDV = ElementText(ide, "cDV");
  d.TpAmb = ElementText(ide, "tpAmb");
  const std::string emit = ElementText(d.Xml, "emit");
  d.EmitCnpj = ElementText(emit, "CNPJ");
  d.EmitCpf = ElementText(emit, "CPF");
  d.DigestValue = ElementText(d.Xml, "DigestValue");
  return d;
}

bool AllDigits(std::string_view s) {
  return s.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string LeftPad(std::string_view s, std::size_t width) {
  return s.size() >= width ? std::string(s) : std::string(width - s.size(), '0') + std::string(s);
}

} // namespace

std::vector<TSimLotDocument> LotDocuments(std::string_view enviNFe) {
  std::vector<TSimLotDocument> out;
  outside::XmlDocPtr doc(xmlReadMemory(enviNFe.data(), static_cast<int>(enviNFe.size()), "lot.xml", nullptr,
                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  for (const xmlNode* c = root ? root->children : nullptr; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(c->name), "NFe") == 0)
      out.push_back(Examine(c));
  return out;
}

int KeyCheckDigit(std::string_view first43) {
  int sum = 0;
  int weight = 2;
  for (auto it = first43.rbegin(); it != first43.rend(); ++it) {
    sum += (*it - '0') * weight;
    weight = weight == 9 ? 2 : weight + 1;
  }
  const int rest = sum % 11;
  return rest < 2 ? 0 : 11 - rest;
}

std::string KeyFromFields(const TSimLotDocument& d) {
  // AAMM of the emission date "AAAA-MM-DD...".
  // A person's CPF fills the key's 14 digits from the right.
  const std::string issuer = d.EmitCnpj.empty() ? LeftPad(d.EmitCpf, 14) : d.EmitCnpj;
  if (d.DhEmi.size() < 7 || issuer.size() != 14)
    return {};
  const std::string yymm = d.DhEmi.substr(2, 2) + d.DhEmi.substr(5, 2);
  std::string key = d.CUF + yymm + issuer + LeftPad(d.Mod, 2) + LeftPad(d.Serie, 3) + LeftPad(d.NNF, 9) +
                    d.TpEmis + LeftPad(d.CNF, 8) + d.CDV;
  return key.size() == 44 && AllDigits(key) ? key : "";
}

} // namespace vxn::sim
