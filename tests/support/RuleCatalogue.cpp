#include "RuleCatalogue.h"

#include <fstream>
#include <map>
#include <stdexcept>
#include <string_view>

namespace vxn::test {

namespace {

// "12. `TvxnNFeGB20e` GB20e (550, `CPF_B20e`): "text"" or "12. `TvxnNFeGB20e`".
RuleEntry ParseLine(const std::string& line, bool& classOnly) {
  auto fail = [&] { return std::runtime_error("unreadable catalogue line: " + line); };
  const auto open = line.find('`');
  const auto close = line.find('`', open + 1);
  if (open == std::string::npos || close == std::string::npos)
    throw fail();
  RuleEntry e;
  e.className = line.substr(open + 1, close - open - 1);
  std::string_view rest = std::string_view(line).substr(close + 1);
  classOnly = rest.empty();
  if (classOnly)
    return e;
  // " ID (CODE, `FIELD`): "TEXT"" or " ID (CODE, no field): "TEXT""; CODE may hold parentheses.
  const auto paren = rest.find(" (", 1);
  const auto colon = rest.find("): \"");
  if (rest.front() != ' ' || paren == std::string_view::npos || colon == std::string_view::npos ||
      rest.back() != '"')
    throw fail();
  e.id = std::string(rest.substr(1, paren - 1));
  const std::string_view inside = rest.substr(paren + 2, colon - paren - 2);
  const auto comma = inside.rfind(", ");
  if (comma == std::string_view::npos)
    throw fail();
  e.code = std::string(inside.substr(0, comma));
  const std::string_view field = inside.substr(comma + 2);
  if (field != "no field") {
    if (field.size() < 2 || field.front() != '`' || field.back() != '`')
      throw fail();
    e.field = std::string(field.substr(1, field.size() - 2));
  }
  e.text = std::string(rest.substr(colon + 4, rest.size() - colon - 5));
  return e;
}

struct Catalogue {
  std::map<std::string, std::vector<std::pair<RuleEntry, bool>>> lists;
};

Catalogue Read() {
  const std::string path = std::string(QVX_SOURCE_DIR) + "/tests/rules/data/catalogo-regras.txt";
  std::ifstream in(path);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  Catalogue c;
  std::string line, current;
  while (std::getline(in, line)) {
    if (line.empty() || line.front() == '#')
      continue;
    if (line.front() == '[') {
      current = line.substr(1, line.size() - 2);
      continue;
    }
    bool classOnly = false;
    RuleEntry e = ParseLine(line, classOnly);
    c.lists[current].emplace_back(std::move(e), classOnly);
  }
  return c;
}

} // namespace

std::vector<RuleEntry> PublishedRules(const std::string& versao) {
  const Catalogue c = Read();
  std::map<std::string, RuleEntry> full;
  for (const auto& [e, classOnly] : c.lists.at("vm50a"))
    full.emplace(e.className, e);
  std::vector<RuleEntry> rules;
  for (const auto& [e, classOnly] : c.lists.at(versao))
    rules.push_back(classOnly ? full.at(e.className) : e);
  return rules;
}

} // namespace vxn::test
