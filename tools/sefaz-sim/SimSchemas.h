// The official XML Schemas the local server validates requests against, compiled once per file and
// shared by every request thread.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct _xmlDoc;
struct _xmlNode;

namespace vxn::sim {

class TSimSchemas {
public:
  // `directory` holds the schema files, directly or in subfolders (one per layout).
  explicit TSimSchemas(std::string directory);
  ~TSimSchemas();
  TSimSchemas(const TSimSchemas&) = delete;
  TSimSchemas& operator=(const TSimSchemas&) = delete;

  // "" when `xml` is valid against the schema file `fileName` ("consStatServ_v4.00.xsd"), otherwise the
  // validator's errors. A schema that cannot be found or compiled throws std::runtime_error: that is
  // the server's own fault, not the client's.
  std::string Validate(std::string_view xml, std::string_view fileName) const;
  // The same for a request already parsed with the options Validate uses (null: not well-formed).
  std::string Validate(const _xmlDoc* doc, std::string_view fileName) const;
  // The same for an element of a parsed document and what it holds, validated where it stands (null:
  // not well-formed).
  std::string Validate(const _xmlNode* element, std::string_view fileName) const;
  // Whether a schema file of that name is in the folder.
  bool Has(std::string_view fileName) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

} // namespace vxn::sim
