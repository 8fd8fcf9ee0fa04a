#include "events/vxnEventosXMLUtils.h"

#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <cctype>
#include <vector>

namespace vxn {

namespace {

constexpr std::string_view kInfEvento = R"(//*[local-name()="infEvento"])";

std::vector<std::string> Eventos(std::string_view xml) {
  try {
    return TvxnGovUtils().XPathSelectNodes(xml, kInfEvento);
  } catch (const EvxnException&) {
    return {};
  }
}

} // namespace

int TvxnEventosXMLUtils::ObterNumEventos(std::string_view xml) {
  return static_cast<int>(Eventos(xml).size());
}

std::string TvxnEventosXMLUtils::ObterEvento(std::string_view xml, int index) {
  const std::vector<std::string> eventos = Eventos(xml);
  return index >= 0 && index < static_cast<int>(eventos.size()) ? eventos[static_cast<std::size_t>(index)]
                                                                : std::string();
}

std::string TvxnEventosXMLUtils::getNotaXPath(int index, std::string_view tag, std::string_view xml) {
  const std::vector<std::string> nodes = TvxnGovUtils().XPathSelectNodes(xml, ".//tec:" + std::string(tag));
  return index >= 0 && index < static_cast<int>(nodes.size()) ? nodes[static_cast<std::size_t>(index)]
                                                              : std::string();
}

std::string TvxnEventosXMLUtils::GetValueTag(std::string_view tag, std::string_view xml) {
  const std::string open = "<" + std::string(tag) + ">";
  const std::string close = "</" + std::string(tag) + ">";
  const std::size_t start = xml.find(open);
  if (start == std::string_view::npos)
    return {};
  const std::size_t end = xml.find(close, start + open.size());
  return end == std::string_view::npos
             ? std::string()
             : std::string(xml.substr(start + open.size(), end - start - open.size()));
}

std::string TvxnEventosXMLUtils::GetValueTagFilho(std::string_view parent, std::string_view child,
                                                  std::string_view xml) {
  return GetValueTag(child, GetValueTag(parent, xml));
}

std::string TvxnEventosXMLUtils::RemoveHeaderXml(std::string_view xml) {
  std::string root;
  TvxnGovUtils().XPathSelectSingleNode(xml, "/*", root);
  return root;
}

std::string TvxnEventosXMLUtils::Eventos_DesenveloparSOAP(std::string_view xml) {
  try {
    TvxnGovUtils utils;
    const std::string ns = utils.GetXMLNamespace(xml);
    std::string node;
    if (utils.XPathSelectSingleNode(xml, "./soap:Envelope/soap:Body/*/*", node,
                                    "xmlns:soap=\"" + ns + "\"") &&
        !node.empty())
      return node;
  } catch (const EvxnException&) {
  }
  return std::string(xml);
}

std::string TvxnEventosXMLUtils::EscapeXml(std::string_view text) {
  std::string s = ReplaceAll(text, "&", "&amp;");
  s = ReplaceAll(s, "<", "&lt;");
  s = ReplaceAll(s, ">", "&gt;");
  s = ReplaceAll(s, "\"", "&quot;");
  return ReplaceAll(s, "'", "&apos;");
}

std::string TvxnEventosXMLUtils::UnEscapeXml(std::string_view text) {
  std::string s = ReplaceAll(text, "&apos;", "'");
  s = ReplaceAll(s, "&quot;", "\"");
  s = ReplaceAll(s, "&gt;", ">");
  s = ReplaceAll(s, "&lt;", "<");
  return ReplaceAll(s, "&amp;", "&");
}

std::string TvxnEventosXMLUtils::ExtractEscapedContent(std::string_view text) {
  if (const std::size_t cdata = text.find("<![CDATA["); cdata != std::string_view::npos) {
    const std::size_t from = cdata + 9;
    const std::size_t end = text.find("]]>", from);
    return std::string(
        text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
  }
  if (const std::size_t lt = text.find("&lt;"); lt != std::string_view::npos) {
    const std::size_t end = text.find('<', lt);
    return UnEscapeXml(text.substr(lt, end == std::string_view::npos ? std::string_view::npos : end - lt));
  }
  return std::string(text);
}

bool TvxnEventosXMLUtils::IsSignedXml(std::string_view xml) {
  try {
    std::string value;
    return TvxnGovUtils().XPathSelectSingleNode(xml, "//ds:Signature/ds:SignatureValue", value) &&
           !Trim(value).empty();
  } catch (const EvxnException&) {
    return false;
  }
}

bool TvxnEventosXMLUtils::SeguePadrao(std::string_view text, std::string_view mask) {
  if (text.size() != mask.size())
    return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (mask[i]) {
    case '#':
      if (!std::isdigit(c))
        return false;
      break;
    case '&':
      if (c < 'a' || c > 'z')
        return false;
      break;
    case '@':
      if (c < 'A' || c > 'Z')
        return false;
      break;
    default:
      if (text[i] != mask[i])
        return false;
    }
  }
  return true;
}

} // namespace vxn
