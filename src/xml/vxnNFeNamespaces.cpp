#include "xml/vxnNFeNamespaces.h"

#include <array>
#include <utility>

namespace vxn {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kMarkers{{
    {"{NFE-NS}", uri::kNFe},
    {"{SOAP12-NS}", uri::kSoap12},
    {"{XSI-NS}", uri::kXsi},
    {"{XSD-NS}", uri::kXsd},
    {"{DSIG-NS}", uri::kDSig},
    {"{C14N}", uri::kC14N},
    {"{RSA-SHA1}", uri::kRsaSha1},
    {"{ENVELOPED}", uri::kEnveloped},
    {"{SHA1}", uri::kSha1},
}};

constexpr std::string_view kWsdlMarker = "{WSDL:";

// Expands the marker that starts at text[pos] (a "{"); returns the number of characters consumed, or 0
// when no marker starts there.
std::size_t ExpandMarkerAt(std::string_view text, std::size_t pos, std::string& out) {
  const std::string_view rest = text.substr(pos);
  for (const auto& [marker, uri] : kMarkers) {
    if (rest.starts_with(marker)) {
      out += uri;
      return marker.size();
    }
  }
  if (rest.starts_with(kWsdlMarker)) {
    const std::size_t close = rest.find('}');
    if (close != std::string_view::npos) {
      out += WsdlNamespace(rest.substr(kWsdlMarker.size(), close - kWsdlMarker.size()));
      return close + 1;
    }
  }
  return 0;
}

} // namespace

std::string WsdlNamespace(std::string_view service) {
  std::string ns(uri::kNFe);
  ns += "/wsdl/";
  ns += service;
  return ns;
}

std::string ExpandNamespaceMarkers(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 256);
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '{') {
      if (const std::size_t used = ExpandMarkerAt(text, i, out)) {
        i += used;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

} // namespace vxn
