#include "NFeSchemaLeaves.h"

#include "vxnFiles.h"
#include "vxnText.h"

#include <algorithm>
#include <stdexcept>

namespace vxn::test {

namespace {

constexpr std::string_view kXs = R"(xmlns:xs="http://www.w3.org/2001/XMLSchema")";

std::size_t Mul(std::size_t a, std::size_t b) {
  return a == kUnbounded || b == kUnbounded ? kUnbounded : a * b;
}
std::size_t Add(std::size_t a, std::size_t b) {
  return a == kUnbounded || b == kUnbounded ? kUnbounded : a + b;
}

// Recursive descent over alternation, sequence, atom and quantifier.
class PatternParser {
public:
  explicit PatternParser(std::string_view p) : p_(p) {}
  std::size_t Alternation() {
    std::size_t best = Sequence();
    while (pos_ < p_.size() && p_[pos_] == '|') {
      ++pos_;
      best = std::max(best, Sequence());
    }
    return best;
  }

private:
  std::size_t Sequence() {
    std::size_t total = 0;
    while (pos_ < p_.size() && p_[pos_] != '|' && p_[pos_] != ')')
      total = Add(total, Quantified(Atom()));
    return total;
  }
  std::size_t Atom() {
    const char c = p_[pos_];
    if (c == '(') {
      ++pos_;
      const std::size_t inner = Alternation();
      ++pos_; // ')'
      return inner;
    }
    if (c == '[') {
      for (int depth = 0; pos_ < p_.size();) {
        if (p_[pos_] == '\\') {
          pos_ += 2;
          continue;
        }
        depth += p_[pos_] == '[' ? 1 : p_[pos_] == ']' ? -1 : 0;
        ++pos_;
        if (depth == 0)
          break;
      }
      return 1;
    }
    pos_ += c == '\\' ? 2 : 1;
    return 1;
  }
  std::size_t Quantified(std::size_t atom) {
    if (pos_ >= p_.size())
      return atom;
    switch (p_[pos_]) {
    case '?':
      ++pos_;
      return atom;
    case '*':
    case '+':
      ++pos_;
      return atom == 0 ? 0 : kUnbounded;
    case '{': {
      const std::size_t end = p_.find('}', pos_);
      const std::string body(p_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      const std::size_t comma = body.find(',');
      if (comma == std::string::npos)
        return Mul(atom, std::stoul(body));
      const std::string hi = body.substr(comma + 1);
      return hi.empty() ? kUnbounded : Mul(atom, std::stoul(hi));
    }
    default:
      return atom;
    }
  }

  std::string_view p_;
  std::size_t pos_ = 0;
};

} // namespace

std::size_t PatternMaxLength(std::string_view pattern) {
  return PatternParser(pattern).Alternation();
}

NFeSchemaLeaves::NFeSchemaLeaves(const std::string& folder, const std::string& versao) {
  for (const std::string& file : {"tiposBasico_v" + versao + ".xsd", std::string("DFeTiposBasicos_v1.00.xsd"),
                                  "leiauteNFe_v" + versao + ".xsd"}) {
    if (!FileExists(folder + file))
      continue; // the basic types of the tax reform exist from its package on
    const std::string xsd = ReadWholeFile(folder + file);
    for (const std::string& type : Nodes(xsd, "xs:simpleType"))
      simpleTypes_.emplace(Str(type, "string(/*/@name)"), type);
    for (const std::string& type : Nodes(xsd, "xs:complexType"))
      complexTypes_.emplace(Str(type, "string(/*/@name)"), type);
  }
  infNFe_ = ChildComplexType(complexTypes_.at("TNFe"), "infNFe");
}

std::string NFeSchemaLeaves::Str(std::string_view xml, std::string_view xpath) const {
  std::string out;
  utils_.XPathSelectSingleNode(xml, xpath, out, kXs);
  return out;
}

std::vector<std::string> NFeSchemaLeaves::Nodes(std::string_view xml, std::string_view xpath) const {
  return utils_.XPathSelectNodes(xml, xpath, kXs);
}

std::size_t NFeSchemaLeaves::NamedSimpleMax(const std::string& name) {
  if (auto it = simpleMax_.find(name); it != simpleMax_.end())
    return it->second;
  auto type = simpleTypes_.find(name);
  const std::size_t max = type == simpleTypes_.end() ? 0 : SimpleMax(type->second);
  simpleMax_.emplace(name, max);
  return max;
}

// The tightest of the type's own facets and those of the type it restricts.
std::size_t NFeSchemaLeaves::SimpleMax(const std::string& typeXml) {
  const std::string base = Str(typeXml, "string(/*/xs:restriction/@base)");
  std::vector<std::size_t> bounds;
  const std::vector<std::string> patterns = Nodes(typeXml, "xs:restriction/xs:pattern/@value");
  if (!patterns.empty()) {
    std::size_t widest = 0;
    for (const std::string& pattern : patterns)
      widest = std::max(widest, PatternMaxLength(pattern));
    bounds.push_back(widest);
  }
  for (const char* facet : {"maxLength", "length"}) {
    const std::string value = Str(typeXml, std::string("string(/*/xs:restriction/xs:") + facet + "/@value)");
    if (!value.empty())
      bounds.push_back(std::stoul(value));
  }
  const std::vector<std::string> values = Nodes(typeXml, "xs:restriction/xs:enumeration/@value");
  if (!values.empty()) {
    std::size_t longest = 0;
    for (const std::string& value : values)
      longest = std::max(longest, Utf8Length(value));
    bounds.push_back(longest);
  }
  if (!base.empty() && !base.starts_with("xs:"))
    bounds.push_back(NamedSimpleMax(base));
  else if (base == "xs:gYearMonth" && bounds.empty())
    return 7; // a month of a year without a time zone: "AAAA-MM"
  else if (base != "xs:string" && bounds.empty())
    return 0;
  return bounds.empty() ? kUnbounded : *std::min_element(bounds.begin(), bounds.end());
}

std::vector<std::string> NFeSchemaLeaves::Enumeration(const std::string& typeXml) {
  std::vector<std::string> values = Nodes(typeXml, "xs:restriction/xs:enumeration/@value");
  const std::string base = Str(typeXml, "string(/*/xs:restriction/@base)");
  if (values.empty() && simpleTypes_.contains(base))
    return Enumeration(simpleTypes_.at(base));
  return values;
}

NFeSchemaLeaves::Leaf NFeSchemaLeaves::MakeLeaf(const std::string& path, const std::string& typeXml,
                                                bool attribute) {
  return {path, SimpleMax(typeXml), attribute, Enumeration(typeXml)};
}

std::string NFeSchemaLeaves::ComplexTypeOfElement(const std::string& elementXml) const {
  const std::string type = Str(elementXml, "string(/*/@type)");
  if (!type.empty()) {
    auto it = complexTypes_.find(type);
    return it == complexTypes_.end() ? std::string() : it->second;
  }
  std::string inlineType;
  utils_.XPathSelectSingleNode(elementXml, "/*/xs:complexType", inlineType, kXs);
  return inlineType;
}

std::string NFeSchemaLeaves::ChildComplexType(const std::string& ctXml, const std::string& name) const {
  for (const std::string& child : Nodes(ctXml, "*")) {
    const std::string kind = LocalName(child);
    if (kind == "element") {
      if (Str(child, "string(/*/@name)") == name)
        return ComplexTypeOfElement(child);
    } else if (kind != "annotation" && kind != "attribute") {
      std::string found = ChildComplexType(child, name);
      if (!found.empty())
        return found;
    }
  }
  return {};
}

void NFeSchemaLeaves::Walk(const std::string& ctXml, const std::string& prefix, std::vector<Leaf>& out) {
  for (const std::string& child : Nodes(ctXml, "*")) {
    const std::string kind = LocalName(child);
    if (kind == "annotation")
      continue;
    if (kind != "element" && kind != "attribute") {
      Walk(child, prefix, out);
      continue;
    }
    const std::string path = prefix + "/" + Str(child, "string(/*/@name)");
    const std::string type = Str(child, "string(/*/@type)");
    std::string inlineSimple;
    utils_.XPathSelectSingleNode(child, "/*/xs:simpleType", inlineSimple, kXs);
    if (!inlineSimple.empty())
      out.push_back(MakeLeaf(path, inlineSimple, kind == "attribute"));
    else if (simpleTypes_.contains(type))
      out.push_back(MakeLeaf(path, simpleTypes_.at(type), kind == "attribute"));
    else if (const std::string complex = ComplexTypeOfElement(child); !complex.empty())
      Walk(complex, path, out);
    else
      out.push_back({path, type == "xs:string" ? kUnbounded : 0, kind == "attribute", {}});
  }
}

const std::vector<NFeSchemaLeaves::Leaf>& NFeSchemaLeaves::Leaves(const std::string& group) {
  if (auto it = leaves_.find(group); it != leaves_.end())
    return it->second;
  std::string ct = infNFe_;
  for (const std::string& name : Split(group, '/'))
    if (!name.empty() && !ct.empty())
      ct = ChildComplexType(ct, name);
  if (ct.empty())
    throw std::runtime_error("no group " + group + " under infNFe");
  std::vector<Leaf> leaves;
  if (group.empty()) // infNFe's own attributes, not the whole document
    for (const std::string& attribute : Nodes(ct, "xs:attribute"))
      Walk("<xs:complexType " + std::string(kXs) + ">" + attribute + "</xs:complexType>", "", leaves);
  else
    Walk(ct, "", leaves);
  return leaves_.emplace(group, std::move(leaves)).first->second;
}

} // namespace vxn::test
