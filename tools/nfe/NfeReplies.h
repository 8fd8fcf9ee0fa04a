// What the tool reads out of the tax authority's replies and of lot texts. Replies are the unwrapped
// service answers the component returns (retConsStatServ, retEnviNFe, retConsReciNFe, ...), written by
// the authority with plain child elements, so a text search is enough and never depends on prefixes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vxn::tool {

// The content of the first <tag>...</tag> of the text (a start tag with attributes counts too); "" when
// there is none.
std::string ElementText(std::string_view xml, std::string_view tag);

// The status of a reply: its first cStat and xMotivo (the lot's or the service's status).
struct TNfeStatus {
  std::string CStat;
  std::string XMotivo;
};
TNfeStatus ReplyStatus(std::string_view reply);

// One document's result inside a reply (protNFe/infProt).
struct TNfeProtocolo {
  std::string Chave;
  std::string CStat;
  std::string XMotivo;
  std::string NProt; // empty when the document was not authorised
};
// Every protNFe of the reply, in the reply's order.
std::vector<TNfeProtocolo> ReplyProtocols(std::string_view reply);

// Authorised use: 100, and 150 (authorised late).
bool IsAuthorised(std::string_view cStat);

// Every NFe element of a text (from "<NFe" through its "</NFe>"), in order.
std::vector<std::string> SplitNFeDocuments(std::string_view text);

} // namespace vxn::tool
