// Selecting nodes by XPath together with an attribute found inside each of them, read from the tree of
// the selection: a lot log's documents with the Id of their infNFe, without parsing each document's XML
// again to find it.
#pragma once

#include "vxnGovUtils.h"

#include <string>
#include <string_view>
#include <vector>

namespace vxn {

// A selected node: its XML and the value of the attribute found in it.
struct TvxnSelectedNode {
  std::string Xml;
  std::string Attribute; // "" when none was found
};

// utils.XPathSelectNodes(xml, xpath), each node with what utils.FindAttribute(node's XML, element,
// attribute, value) gives for it; the same exceptions.
std::vector<TvxnSelectedNode> XPathSelectNodesWithAttribute(const TvxnGovUtils& utils, std::string_view xml,
                                                            std::string_view xpath, std::string_view element,
                                                            std::string_view attribute);

} // namespace vxn
