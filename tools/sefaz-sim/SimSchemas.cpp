#include "sefaz-sim/SimSchemas.h"

#include "vxnOutsideHandles.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>

namespace vxn::sim {

using outside::XmlDocPtr;
using outside::XmlSchemaParserCtxtPtr;
using outside::XmlSchemaPtr;
using outside::XmlSchemaValidCtxtPtr;

struct TSimSchemas::Impl {
  std::string directory;
  mutable std::mutex mutex;
  mutable std::map<std::string, XmlSchemaPtr, std::less<>> compiled;

  std::string Search(std::string_view fileName) const {
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(directory, ec), end; !ec && it != end;
         it.increment(ec))
      if (it->is_regular_file() && it->path().filename() == fileName)
        return it->path().string();
    return {};
  }

  std::string Find(std::string_view fileName) const {
    std::string path = Search(fileName);
    if (path.empty())
      throw std::runtime_error("schema not found: " + std::string(fileName) + " under " + directory);
    return path;
  }

  // The compiled schema; compiling happens once, under the lock. A compiled xmlSchema is read-only and
  // may be used by several validation contexts at the same time.
  xmlSchema* Get(std::string_view fileName) const {
    std::lock_guard lock(mutex);
    if (auto it = compiled.find(fileName); it != compiled.end())
      return it->second.get();
    const std::string path = Find(fileName);
    XmlSchemaParserCtxtPtr parser(xmlSchemaNewParserCtxt(path.c_str()));
    XmlSchemaPtr schema(parser ? xmlSchemaParse(parser.get()) : nullptr);
    if (!schema)
      throw std::runtime_error("schema cannot be compiled: " + path);
    return compiled.emplace(std::string(fileName), std::move(schema)).first->second.get();
  }
};

TSimSchemas::TSimSchemas(std::string directory) : impl_(std::make_unique<Impl>()) {
  // libxml2 initialises itself lazily on first use, which is not safe when the first uses come from
  // several request threads at once.
  xmlInitParser();
  impl_->directory = std::move(directory);
}

TSimSchemas::~TSimSchemas() = default;

namespace {

void AppendError(void* ctx, xmlErrorPtr error) {
  auto* out = static_cast<std::string*>(ctx);
  if (!error || !error->message)
    return;
  if (!out->empty())
    *out += "; ";
  *out += error->message;
  while (!out->empty() && out->back() == '\n')
    out->pop_back();
}

} // namespace

bool TSimSchemas::Has(std::string_view fileName) const {
  {
    std::lock_guard lock(impl_->mutex);
    if (impl_->compiled.find(fileName) != impl_->compiled.end())
      return true;
  }
  return !impl_->Search(fileName).empty();
}

std::string TSimSchemas::Validate(std::string_view xml, std::string_view fileName) const {
  impl_->Get(fileName); // a missing schema is the server's fault, whatever the text
  XmlDocPtr doc(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "request.xml", nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  return Validate(doc.get(), fileName);
}

namespace {

// "" when `validate` (one of libxml2's, given a validation context) passes, otherwise its errors.
template <class Validate> std::string Verdict(xmlSchema* schema, Validate validate) {
  std::string errors;
  XmlSchemaValidCtxtPtr validator(xmlSchemaNewValidCtxt(schema));
  xmlSchemaSetValidStructuredErrors(validator.get(), AppendError, &errors);
  const int rc = validate(validator.get());
  if (rc != 0 && errors.empty())
    errors = "invalid";
  return rc == 0 ? std::string() : errors;
}

} // namespace

std::string TSimSchemas::Validate(const xmlDoc* doc, std::string_view fileName) const {
  xmlSchema* schema = impl_->Get(fileName);
  if (!doc)
    return "not well-formed";
  // Validation reads the tree only; the parameter is not const in libxml2's declaration.
  return Verdict(schema,
                 [&](xmlSchemaValidCtxt* v) { return xmlSchemaValidateDoc(v, const_cast<xmlDoc*>(doc)); });
}

std::string TSimSchemas::Validate(const xmlNode* element, std::string_view fileName) const {
  xmlSchema* schema = impl_->Get(fileName);
  if (!element)
    return "not well-formed";
  return Verdict(schema, [&](xmlSchemaValidCtxt* v) {
    return xmlSchemaValidateOneElement(v, const_cast<xmlNode*>(element));
  });
}

} // namespace vxn::sim
