// Element-by-element comparison of two XML documents for tests, read directly with libxml2: names,
// namespaces, attributes (in any order) and text, in document order. White space between elements is
// ignored, so an expected document may be written indented.
#pragma once

#include <string>
#include <string_view>

namespace vxn::test {

// "" when both documents have the same elements, attributes and texts; otherwise the path of the
// first difference and what differs.
std::string XmlElementDiff(std::string_view expected, std::string_view actual);

} // namespace vxn::test
