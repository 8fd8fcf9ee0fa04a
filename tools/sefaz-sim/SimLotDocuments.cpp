#include "sefaz-sim/SimLotDocuments.h"

#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimXmlElement.h"
#include "vxnCnpj.h"
#include "vxnOutsideHandles.h"
#include "xml/vxnNFeNamespaces.h"

#include <cstring>
#include <optional>

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

TSimLotDocument Examine(const xmlNode* nfe, std::optional<std::string_view> received) {
  TSimLotDocument d;
  d.Xml = received ? StandaloneElementXml(nfe, *received) : StandaloneElementXml(nfe);
  d.Node = nfe;
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
  d.DhCont = ElementText(ide, "dhCont");
  d.XJust = ElementText(ide, "xJust");
  const std::string emit = ElementText(d.Xml, "emit");
  d.EmitCnpj = ElementText(emit, "CNPJ");
  d.EmitCpf = ElementText(emit, "CPF");
  d.DigestValue = ElementText(d.Xml, "DigestValue");
  return d;
}

std::string LeftPad(std::string_view s, std::size_t width) {
  return s.size() >= width ? std::string(s) : std::string(width - s.size(), '0') + std::string(s);
}

} // namespace

outside::XmlDocPtr ParseLot(std::string_view enviNFe) {
  return outside::XmlDocPtr(xmlReadMemory(enviNFe.data(), static_cast<int>(enviNFe.size()), "request.xml",
                                          nullptr,
                                          XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

std::vector<TSimLotDocument> LotDocuments(const xmlNode* lot, const std::vector<std::string_view>& received) {
  std::vector<TSimLotDocument> out;
  std::size_t element = 0;
  for (const xmlNode* c = lot ? lot->children : nullptr; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE)
      continue;
    if (std::strcmp(reinterpret_cast<const char*>(c->name), "NFe") == 0)
      out.push_back(Examine(c, element < received.size() ? std::optional(received[element]) : std::nullopt));
    ++element;
  }
  return out;
}

int KeyCheckDigit(std::string_view first43) {
  return DigitoModulo11Alfanumerico(first43);
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
  return FormaChaveAcesso(key) ? key : "";
}

} // namespace vxn::sim
