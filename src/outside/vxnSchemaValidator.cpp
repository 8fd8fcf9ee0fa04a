// XML Schema validation of TvxnGovUtils, with the process-wide cache of compiled schemas.
//
// Compiling the NF-e schema set costs far more than validating one document against it, so every
// schema file is compiled once per path and modification time and the compiled form is shared by all
// objects and threads: libxml2 lets any number of validation contexts use one compiled schema at once.
#include "vxnGovUtils.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "vxnXmlParser.h"

#include <libxml/parserInternals.h>
#include <libxml/schemasInternals.h>
#include <libxml/xmlschemas.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unordered_map>

namespace vxn {

using namespace vxn::outside;

namespace {

struct CompiledSchema {
  timespec mtime{};
  XmlSchemaPtr schema;
  std::string targetNamespace;
};

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::string ErrorLine(const xmlError* err) {
  std::string message = err && err->message ? err->message : "erro desconhecido";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
    message.pop_back();
  return Format("Linha %d: %s", {err ? err->line : 0, message});
}

void CollectError(void* list, xmlError* err) {
  if (err && err->level >= XML_ERR_ERROR)
    static_cast<TvxnStringList*>(list)->Add(ErrorLine(err));
}

class SchemaCache {
public:
  static SchemaCache& Instance() {
    static SchemaCache cache;
    return cache;
  }

  // The compiled schema of the file at `path` (a canonical path), compiling it when it is not cached
  // or the file changed since. Compile errors go to `errors` and raise.
  std::shared_ptr<const CompiledSchema> Get(const std::string& path, const timespec& mtime,
                                            TvxnStringList& errors, const std::string& logDir) {
    std::shared_ptr<Slot> slot;
    {
      std::lock_guard lock(mutex_);
      auto& s = slots_[path];
      if (!s)
        s = std::make_shared<Slot>();
      slot = s;
    }
    // One compile per file at a time; other files compile in parallel.
    std::lock_guard lock(slot->mutex);
    if (slot->compiled && SameTime(slot->compiled->mtime, mtime))
      return slot->compiled;
    slot->compiled = Compile(path, mtime, errors, logDir);
    return slot->compiled;
  }

  void Clear() {
    std::lock_guard lock(mutex_);
    slots_.clear();
  }

private:
  struct Slot {
    std::mutex mutex;
    std::shared_ptr<const CompiledSchema> compiled;
  };

  static std::shared_ptr<const CompiledSchema> Compile(const std::string& path, const timespec& mtime,
                                                       TvxnStringList& errors, const std::string& logDir) {
    XmlSchemaParserCtxtPtr parser(xmlSchemaNewParserCtxt(path.c_str()));
    if (!parser)
      throw EvxnNFeSchemaValidationException("O esquema %s não pôde ser compilado.", {path}, logDir);
    xmlSchemaSetParserStructuredErrors(parser.get(), CollectError, &errors);
    auto compiled = std::make_shared<CompiledSchema>();
    compiled->mtime = mtime;
    compiled->schema.reset(xmlSchemaParse(parser.get()));
    if (!compiled->schema)
      throw EvxnNFeSchemaValidationException("O esquema %s não pôde ser compilado:\r\n%s",
                                             {path, errors.Join("\r\n")}, logDir);
    if (compiled->schema->targetNamespace)
      compiled->targetNamespace = reinterpret_cast<const char*>(compiled->schema->targetNamespace);
    return compiled;
  }

  std::mutex mutex_;
  std::unordered_map<std::string, std::shared_ptr<Slot>> slots_;
};

// Location of the schema named by the document's xsi:schemaLocation ("namespace file" pairs: the pair
// of the root's namespace, or the first) or xsi:noNamespaceSchemaLocation; the namespace it is for.
std::pair<std::string, std::string> SchemaLocationOf(const xmlNode* root) {
  const auto attr = [root](const char* name) {
    XmlCharPtr v(xmlGetNsProp(root, BAD_CAST name, BAD_CAST std::string(kXsiNamespace).c_str()));
    return v ? std::string(reinterpret_cast<const char*>(v.get())) : std::string{};
  };
  const std::string rootNs = root->ns && root->ns->href ? reinterpret_cast<const char*>(root->ns->href) : "";
  std::vector<std::string> tokens;
  for (const std::string& t : Split(
           ReplaceAll(ReplaceAll(ReplaceAll(attr("schemaLocation"), "\t", " "), "\r", " "), "\n", " "), ' '))
    if (!t.empty())
      tokens.push_back(t);
  for (std::size_t i = 0; i + 1 < tokens.size(); i += 2)
    if (tokens[i] == rootNs)
      return {tokens[i + 1], tokens[i]};
  if (tokens.size() >= 2)
    return {tokens[1], tokens[0]};
  return {attr("noNamespaceSchemaLocation"), ""};
}

struct StreamResult {
  bool wellFormed = false;
  std::string error;
  int line = 0;
};

void IgnoreParserError(void*, xmlError*) {}

void RefuseDoctypeWhileStreaming(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
  *static_cast<bool*>(ctxt->_private) = true;
  xmlStopParser(ctxt);
}

// Tells the validator the line the parser is on: without a tree, that is where an error is.
int ParserLine(void* ctx, const char** file, unsigned long* line) {
  const auto* ctxt = static_cast<const xmlParserCtxt*>(ctx);
  if (file)
    *file = nullptr;
  if (line)
    *line = ctxt->input ? static_cast<unsigned long>(ctxt->input->line) : 0;
  return 0;
}

// Parses the text with the validator plugged into the parser's event stream: no tree is built, so a
// validation costs one pass over the text. The parse follows the rules of every parse here (no
// network, no DTD, no entity substitution).
StreamResult ValidateWhileParsing(xmlSchemaValidCtxt* validator, std::string_view xml) {
  StreamResult r;
  if (xml.size() > static_cast<std::size_t>(INT_MAX)) {
    r.error = "documento grande demais";
    return r;
  }
  std::unique_ptr<xmlParserCtxt, CFree<xmlFreeParserCtxt>> ctxt(
      xmlCreateMemoryParserCtxt(xml.data(), static_cast<int>(xml.size())));
  if (!ctxt) {
    r.error = xml.empty() ? "documento vazio" : "sem memória para o analisador XML";
    return r;
  }
  xmlCtxtUseOptions(ctxt.get(),
                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES);
  // Only the validator listens: the handler of the parser itself builds nothing.
  std::memset(ctxt->sax, 0, sizeof(xmlSAXHandler));
  ctxt->sax->initialized = XML_SAX2_MAGIC;
  ctxt->sax->internalSubset = RefuseDoctypeWhileStreaming;
  ctxt->sax->serror = IgnoreParserError;
  bool sawDoctype = false;
  ctxt->_private = &sawDoctype;
  xmlSchemaSAXPlugPtr plug = xmlSchemaSAXPlug(validator, &ctxt->sax, &ctxt->userData);
  if (!plug) {
    r.error = "falha ao ligar o validador ao analisador";
    return r;
  }
  xmlSchemaValidateSetLocator(validator, ParserLine, ctxt.get());
  xmlParseDocument(ctxt.get());
  xmlSchemaSAXUnplug(plug);
  if (sawDoctype) {
    r.error = "documento com declaração de tipo (DOCTYPE) não é aceito";
    r.line = ctxt->input ? ctxt->input->line : 0;
    return r;
  }
  if (!ctxt->wellFormed) {
    const xmlError* err = xmlCtxtGetLastError(ctxt.get());
    std::string message = err && err->message ? err->message : "documento mal formado";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
      message.pop_back();
    r.error = message;
    r.line = err ? err->line : 0;
    return r;
  }
  r.wellFormed = true;
  return r;
}

} // namespace

void TvxnGovUtils::ClearSchemaCache() {
  SchemaCache::Instance().Clear();
}

void TvxnGovUtils::ValidateSchema(std::string_view xml, std::string_view namespaceUri,
                                  std::string_view xsdPath) {
  validatorErrors_.Clear();
  ValidateAgainst(xml, namespaceUri, vxn::ExpandPath(xsdPath));
}

void TvxnGovUtils::ValidateSchemaByDirectory(std::string_view xml, std::string_view directory) {
  validatorErrors_.Clear();
  XmlParseResult parsed = ParseXml(xml);
  if (!parsed.doc) {
    validatorErrors_.Add(Format("Linha %d: %s", {parsed.line, parsed.error}));
    throw EvxnNFeSchemaValidationException("XML inválido: %s (linha %d)", {parsed.error, parsed.line},
                                           logDirErro_);
  }
  const auto [location, ns] = SchemaLocationOf(xmlDocGetRootElement(parsed.doc.get()));
  if (location.empty())
    throw EvxnNFeSchemaValidationException("O XML não indica o seu esquema (schemaLocation).", logDirErro_);
  // Only the file name is used: a schema is never fetched from where the document says, only read
  // from the local schema directory.
  const std::string path =
      IncludeTrailingPathDelimiter(vxn::ExpandPath(directory)) + ExtractFileName(ToNativePath(location));
  ValidateAgainst(xml, ns, path);
}

void TvxnGovUtils::ValidateAgainst(std::string_view xml, std::string_view namespaceUri,
                                   const std::string& xsdPath) {
  struct stat st {};
  if (xsdPath.empty() || stat(xsdPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    throw EvxnNFeSchemaNotFoundException("Arquivo de esquema não encontrado: %s", {xsdPath}, logDirErro_);
  std::unique_ptr<char, CFree<std::free>> real(realpath(xsdPath.c_str(), nullptr));
  const std::string canonical = real ? real.get() : xsdPath;

  const auto compiled = SchemaCache::Instance().Get(canonical, st.st_mtim, validatorErrors_, logDirErro_);
  if (!namespaceUri.empty() && compiled->targetNamespace != namespaceUri)
    throw EvxnNFeSchemaValidationException("O esquema %s não é do namespace %s (e sim de \"%s\").",
                                           {xsdPath, std::string(namespaceUri), compiled->targetNamespace},
                                           logDirErro_);

  XmlSchemaValidCtxtPtr validator(xmlSchemaNewValidCtxt(compiled->schema.get()));
  if (!validator)
    throw EvxnNFeSchemaValidationException("Falha ao criar o validador do esquema %s.", {xsdPath},
                                           logDirErro_);
  xmlSchemaSetValidStructuredErrors(validator.get(), CollectError, &validatorErrors_);
  const StreamResult parsed = ValidateWhileParsing(validator.get(), xml);
  if (!parsed.wellFormed) {
    // A document that is not XML: its first fault is the only error worth reporting.
    validatorErrors_.Clear();
    validatorErrors_.Add(Format("Linha %d: %s", {parsed.line, parsed.error}));
    throw EvxnNFeSchemaValidationException("XML inválido: %s (linha %d)", {parsed.error, parsed.line},
                                           logDirErro_);
  }
  const int rc = xmlSchemaIsValid(validator.get()) == 1 ? 0 : 1;
  if (rc != 0) {
    if (validatorErrors_.Empty())
      validatorErrors_.Add(Format("Linha 0: falha interna do validador (código %d)", {rc}));
    throw EvxnNFeSchemaValidationException("XML não é válido segundo o esquema %s:\r\n%s",
                                           {ExtractFileName(xsdPath), validatorErrors_.Join("\r\n")},
                                           logDirErro_);
  }
}

} // namespace vxn
