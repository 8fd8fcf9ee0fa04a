// Text and XPath helpers of the events engine: counting and taking the infEvento elements of a batch,
// reading tag values by text search, unwrapping a SOAP reply, escaping, and the mask test of the event
// date-time. All operations are class-level; none keeps state.
#pragma once

#include <string>
#include <string_view>

namespace vxn {

class TvxnEventosXMLUtils {
public:
  // Number of elements whose local name is infEvento; 0 when the text is not XML.
  static int ObterNumEventos(std::string_view xml);
  // The outer XML of the index-th (from 0) infEvento element; "" when out of range.
  static std::string ObterEvento(std::string_view xml, int index);
  // The index-th node of ".//tec:" + tag, the prefix bound to the NF-e namespace; "" when absent.
  static std::string getNotaXPath(int index, std::string_view tag, std::string_view xml);
  // Text between the first opening tag of that name and the first closing tag of that name (plain
  // search); "" when either is missing.
  static std::string GetValueTag(std::string_view tag, std::string_view xml);
  static std::string GetValueTagFilho(std::string_view parent, std::string_view child, std::string_view xml);
  // The document element without the XML declaration.
  static std::string RemoveHeaderXml(std::string_view xml);
  // The first element inside soap:Envelope/soap:Body/*; the input unchanged when there is none.
  static std::string Eventos_DesenveloparSOAP(std::string_view xml);
  // "&", "<", ">", double quote and "'" replaced by their entities, in that order.
  static std::string EscapeXml(std::string_view text);
  // The reverse, "&apos;" first and "&amp;" last.
  static std::string UnEscapeXml(std::string_view text);
  // The content of a CDATA section, else the escaped XML from the first "&lt;" un-escaped, else the
  // text unchanged.
  static std::string ExtractEscapedContent(std::string_view text);
  // True when the text has a Signature with a SignatureValue.
  static bool IsSignedXml(std::string_view xml);
  // True when the text has the mask's length and every position matches: "#" a digit, "&" a lower-case
  // letter, "@" an upper-case letter, any other character itself.
  static bool SeguePadrao(std::string_view text, std::string_view mask);
};

} // namespace vxn
