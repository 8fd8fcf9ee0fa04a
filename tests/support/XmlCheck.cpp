#include "support/XmlCheck.h"

#include "support/Process.h"
#include "support/TempDir.h"
#include "vxnFiles.h"

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <filesystem>
#include <memory>

namespace vxn::test {

namespace {

void CollectError(void* ctx, xmlErrorPtr error) {
  auto* out = static_cast<std::string*>(ctx);
  if (error && error->message)
    *out += error->message;
}

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

Doc Parse(std::string_view xml, std::string& errors, int options = 0) {
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) {
    errors = "out of memory";
    return nullptr;
  }
  Doc doc(xmlCtxtReadMemory(ctxt, xml.data(), static_cast<int>(xml.size()), "check.xml", nullptr,
                            XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | options));
  if (!doc) {
    const xmlError* e = xmlCtxtGetLastError(ctxt);
    errors = e && e->message ? e->message : "not XML";
  }
  xmlFreeParserCtxt(ctxt);
  return doc;
}

} // namespace

std::string XmlWellFormedError(std::string_view xml) {
  std::string errors;
  Doc doc = Parse(xml, errors);
  return doc ? std::string() : errors;
}

std::string XmlCanonicalForm(std::string_view xml) {
  std::string errors;
  Doc doc = Parse(xml, errors, XML_PARSE_NOBLANKS);
  xmlChar* text = nullptr;
  const int size = doc ? xmlC14NDocDumpMemory(doc.get(), nullptr, XML_C14N_1_0, nullptr, 0, &text) : -1;
  std::string out = size >= 0
                        ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
                        : "not XML: " + errors;
  xmlFree(text);
  return out;
}

std::string XmlSchemaErrors(std::string_view xml, const std::string& xsdPath) {
  std::string errors;
  Doc doc = Parse(xml, errors);
  if (!doc)
    return "not well-formed: " + errors;
  xmlSchemaParserCtxtPtr pctxt = xmlSchemaNewParserCtxt(xsdPath.c_str());
  xmlSchemaPtr schema = pctxt ? xmlSchemaParse(pctxt) : nullptr;
  xmlSchemaFreeParserCtxt(pctxt);
  if (!schema)
    return "cannot load schema " + xsdPath;
  xmlSchemaValidCtxtPtr vctxt = xmlSchemaNewValidCtxt(schema);
  xmlSchemaSetValidStructuredErrors(vctxt, CollectError, &errors);
  const int rc = xmlSchemaValidateDoc(vctxt, doc.get());
  xmlSchemaFreeValidCtxt(vctxt);
  xmlSchemaFree(schema);
  if (rc != 0 && errors.empty())
    errors = "invalid (" + std::to_string(rc) + ")";
  return rc == 0 ? std::string() : errors;
}

std::string FindSchema(const std::string& fileName) {
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(QVX_SCHEMAS_DIR, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->is_regular_file() && it->path().filename() == fileName)
      return it->path().string();
  }
  return {};
}

std::string XmlSec1VerifyErrors(std::string_view xml, const std::string& caFile,
                                const std::string& idElement) {
  TempDir dir;
  const std::string file = dir.File("signed.xml");
  WriteFileAtomic(file, std::string(xml));
  ProcessOptions o;
  o.stderrToStdout = true;
  const ProcessResult r = RunProcess(
      {"/usr/bin/xmlsec1", "--verify", "--trusted-pem", caFile, "--id-attr:Id", idElement, file}, o);
  if (r.exitCode == 0)
    return {};
  return r.out.empty() ? "xmlsec1 exited with " + std::to_string(r.exitCode) : r.out;
}

} // namespace vxn::test
