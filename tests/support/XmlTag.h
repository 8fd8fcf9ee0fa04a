// Reading one value out of a reply in a test, by plain text search: the tests that check what came back
// from a server need the text of an element, not a parsed document.
#pragma once

#include <string>

namespace vxn::test {

// The text from the first `open` (at `from` or after) to the end of the first `close` after it, both
// included ("" when either is missing): a whole element with its tags.
inline std::string Between(const std::string& s, const std::string& open, const std::string& close,
                           std::size_t from = 0) {
  const auto a = s.find(open, from);
  const auto b = s.find(close, a == std::string::npos ? 0 : a);
  if (a == std::string::npos || b == std::string::npos)
    return {};
  return s.substr(a, b + close.size() - a);
}

// The text of the first element `name` of `s` at `from` or after ("" when there is none).
inline std::string Tag(const std::string& s, const std::string& name, std::size_t from = 0) {
  const auto a = s.find("<" + name + ">", from);
  const auto b = s.find("</" + name + ">", a == std::string::npos ? 0 : a);
  if (a == std::string::npos || b == std::string::npos)
    return {};
  return s.substr(a + name.size() + 2, b - a - name.size() - 2);
}

} // namespace vxn::test
