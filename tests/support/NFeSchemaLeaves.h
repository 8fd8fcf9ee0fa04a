// The leaves (simple-content elements and attributes) of the official NF-e schema of a layout below a group
// of infNFe, with the maximum length each one's type allows. Read through TvxnGovUtils XPath, for the
// test that checks the shipped dataset dictionaries against the schema.
#pragma once

#include "vxnGovUtils.h"

#include <cstddef>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vxn::test {

inline constexpr std::size_t kUnbounded = std::numeric_limits<std::size_t>::max();

// Longest text a regular expression of XML Schema can match (kUnbounded for "*", "+" and "{n,}").
std::size_t PatternMaxLength(std::string_view pattern);

class NFeSchemaLeaves {
public:
  struct Leaf {
    std::string path;      // below the group, "/ICMS00/orig"
    std::size_t maxLength; // kUnbounded when the type does not limit it, 0 when not a text type
    bool attribute;
    std::vector<std::string> enumeration; // permitted values; empty when any value of the type passes
  };

  // Reads leiauteNFe_v<versao>.xsd and tiposBasico_v<versao>.xsd (and DFeTiposBasicos_v1.00.xsd when it
  // is there) from the folder.
  explicit NFeSchemaLeaves(const std::string& folder, const std::string& versao = "4.00");

  // Leaves below the group given as a path of element names under infNFe ("det/prod"); "" gives
  // infNFe's own attributes.
  const std::vector<Leaf>& Leaves(const std::string& group);

private:
  std::string Str(std::string_view xml, std::string_view xpath) const;
  std::vector<std::string> Nodes(std::string_view xml, std::string_view xpath) const;
  std::string LocalName(std::string_view xml) const { return Str(xml, "local-name(/*)"); }
  std::size_t SimpleMax(const std::string& typeXml);
  std::size_t NamedSimpleMax(const std::string& name);
  // The enumeration of the type, or of the type it restricts when it has none of its own.
  std::vector<std::string> Enumeration(const std::string& typeXml);
  Leaf MakeLeaf(const std::string& path, const std::string& typeXml, bool attribute);
  std::string ComplexTypeOfElement(const std::string& elementXml) const;
  std::string ChildComplexType(const std::string& ctXml, const std::string& name) const;
  void Walk(const std::string& ctXml, const std::string& prefix, std::vector<Leaf>& out);

  TvxnGovUtils utils_;
  std::map<std::string, std::string> simpleTypes_, complexTypes_;
  std::map<std::string, std::size_t> simpleMax_;
  std::map<std::string, std::vector<Leaf>> leaves_;
  std::string infNFe_;
};

} // namespace vxn::test
