#include "NfeReplies.h"

namespace vxn::tool {

namespace {

// Position just after the start tag <tag> or <tag ...> found from `from`, or npos.
std::size_t AfterStartTag(std::string_view xml, std::string_view tag, std::size_t from) {
  const std::string open = "<" + std::string(tag);
  for (std::size_t p = xml.find(open, from); p != std::string_view::npos; p = xml.find(open, p + 1)) {
    const std::size_t after = p + open.size();
    if (after < xml.size() && (xml[after] == '>' || xml[after] == ' ')) {
      const std::size_t close = xml.find('>', after);
      return close == std::string_view::npos ? close : close + 1;
    }
  }
  return std::string_view::npos;
}

} // namespace

std::string ElementText(std::string_view xml, std::string_view tag) {
  const std::size_t begin = AfterStartTag(xml, tag, 0);
  if (begin == std::string_view::npos)
    return {};
  const std::size_t end = xml.find("</" + std::string(tag) + ">", begin);
  if (end == std::string_view::npos)
    return {};
  return std::string(xml.substr(begin, end - begin));
}

TNfeStatus ReplyStatus(std::string_view reply) {
  return {ElementText(reply, "cStat"), ElementText(reply, "xMotivo")};
}

std::vector<TNfeProtocolo> ReplyProtocols(std::string_view reply) {
  std::vector<TNfeProtocolo> result;
  std::size_t from = 0;
  while ((from = AfterStartTag(reply, "protNFe", from)) != std::string_view::npos) {
    const std::size_t end = reply.find("</protNFe>", from);
    if (end == std::string_view::npos)
      break;
    const std::string_view prot = reply.substr(from, end - from);
    result.push_back({ElementText(prot, "chNFe"), ElementText(prot, "cStat"), ElementText(prot, "xMotivo"),
                      ElementText(prot, "nProt")});
    from = end;
  }
  return result;
}

bool IsAuthorised(std::string_view cStat) {
  return cStat == "100" || cStat == "150";
}

std::vector<std::string> SplitNFeDocuments(std::string_view text) {
  std::vector<std::string> docs;
  constexpr std::string_view kClose = "</NFe>";
  std::size_t from = 0;
  while (true) {
    std::size_t start = std::string_view::npos;
    for (std::size_t p = text.find("<NFe", from); p != std::string_view::npos; p = text.find("<NFe", p + 1)) {
      const std::size_t after = p + 4;
      if (after < text.size() && (text[after] == '>' || text[after] == ' ')) {
        start = p;
        break;
      }
    }
    if (start == std::string_view::npos)
      break;
    const std::size_t end = text.find(kClose, start);
    if (end == std::string_view::npos)
      break;
    docs.emplace_back(text.substr(start, end + kClose.size() - start));
    from = end + kClose.size();
  }
  return docs;
}

} // namespace vxn::tool
