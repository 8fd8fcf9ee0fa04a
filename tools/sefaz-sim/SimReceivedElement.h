// An element of a received message taken from the bytes it was parsed from, instead of written out of
// its tree again, when both give the same text.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string_view>
#include <vector>

namespace vxn::sim {

struct TSimReceivedElement {
  std::string_view Text;                  // the element, from its start tag to its end tag
  std::vector<std::string_view> Children; // each of its element children, in order
};

// The bytes of `body` that `element` of `body`'s parsed tree was read from, with those of its element
// children, when xmlNodeDump of the element (and of each child) gives exactly those bytes: start tags
// with one space before each attribute, namespace declarations first, double quotes, no space before
// '>' or "/>"; no element written <a></a> (written out <a/>); no comment, processing instruction or
// CDATA section; no escape but "&amp;", "&lt;", "&gt;" (and "&quot;" in an attribute's value), no '>'
// or carriage return anywhere, no character outside printable ASCII in a tag, no control character in
// the text, and text outside ASCII only in a body read as UTF-8. Nothing
// otherwise: the caller writes the element out of the tree as before. The element's document must have
// no DTD (no entity may add elements the body's start tags do not show).
std::optional<TSimReceivedElement> ReceivedElement(std::string_view body, const xmlNode* element);

} // namespace vxn::sim
