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
#include <optional>
#include <sys/stat.h>
#include <unordered_map>

namespace vxn {

using namespace vxn::outside;

namespace {

using XmlParserCtxtPtr = std::unique_ptr<xmlParserCtxt, CFree<xmlFreeParserCtxt>>;

// A parser and a validator for one compiled schema. Making both anew costs every call their
// allocations and a parser dictionary filled again with the same names, so after a validation that
// went well they are kept for the next one. A session serves one validation at a time.
struct ValidationSession {
  XmlParserCtxtPtr parser;
  XmlSchemaValidCtxtPtr validator;
};

// The idle sessions of one compiled schema. Threads take one each, so no two validations ever share
// a parser or a validator; only the compiled schema is shared, which libxml2 allows.
class SessionPool {
public:
  std::unique_ptr<ValidationSession> Take() {
    std::lock_guard lock(mutex_);
    if (idle_.empty())
      return nullptr;
    std::unique_ptr<ValidationSession> session = std::move(idle_.back());
    idle_.pop_back();
    return session;
  }

  void Give(std::unique_ptr<ValidationSession> session) {
    std::lock_guard lock(mutex_);
    if (idle_.size() < kMaxIdle)
      idle_.push_back(std::move(session));
  }

private:
  // More threads than this validating at once still work; their extra sessions are freed after use.
  static constexpr std::size_t kMaxIdle = 8;

  std::mutex mutex_;
  std::vector<std::unique_ptr<ValidationSession>> idle_;
};

struct CompiledSchema {
  timespec mtime{};
  XmlSchemaPtr schema;
  std::string targetNamespace;
  // Declared after `schema` so that it is destroyed first: its validators point into the schema.
  // Mutable: taking and giving back sessions does not change the compiled schema itself.
  mutable SessionPool sessions;
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

  // The canonical form of `path`, whose stat() is `st`. realpath() costs a readlink() per path
  // component, so the answer is remembered per path and asked again only when the path names
  // another file than last time (another device or inode: a moved link, a file renamed into place).
  std::string CanonicalPath(const std::string& path, const struct stat& st) {
    {
      std::lock_guard lock(mutex_);
      const auto it = canonical_.find(path);
      if (it != canonical_.end() && it->second.dev == st.st_dev && it->second.ino == st.st_ino)
        return it->second.canonical;
    }
    std::unique_ptr<char, CFree<std::free>> real(realpath(path.c_str(), nullptr));
    Resolved resolved{st.st_dev, st.st_ino, real ? real.get() : path};
    std::lock_guard lock(mutex_);
    if (canonical_.size() >= kMaxRememberedPaths)
      canonical_.clear();
    return canonical_.insert_or_assign(path, std::move(resolved)).first->second.canonical;
  }

  void Clear() {
    std::lock_guard lock(mutex_);
    slots_.clear();
    canonical_.clear();
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

  struct Resolved {
    dev_t dev;
    ino_t ino;
    std::string canonical;
  };
  // Callers name their schemas by a handful of paths; the bound only keeps a caller that makes up
  // new paths without end from growing the table.
  static constexpr std::size_t kMaxRememberedPaths = 256;

  std::mutex mutex_;
  std::unordered_map<std::string, std::shared_ptr<Slot>> slots_;
  std::unordered_map<std::string, Resolved> canonical_;
};

// What the root's start tag says about the document's schema: the root's namespace and its
// xsi:schemaLocation and xsi:noNamespaceSchemaLocation attributes.
struct RootSchemaHints {
  std::string rootNamespace;
  std::string schemaLocation;
  std::string noNamespaceSchemaLocation;
};

RootSchemaHints HintsOf(const xmlNode* root) {
  const auto attr = [root](const char* name) {
    XmlCharPtr v(xmlGetNsProp(root, BAD_CAST name, BAD_CAST std::string(kXsiNamespace).c_str()));
    return v ? std::string(reinterpret_cast<const char*>(v.get())) : std::string{};
  };
  return {root->ns && root->ns->href ? reinterpret_cast<const char*>(root->ns->href) : "",
          attr("schemaLocation"), attr("noNamespaceSchemaLocation")};
}

// Location of the schema named by the document's xsi:schemaLocation ("namespace file" pairs: the pair
// of the root's namespace, or the first) or xsi:noNamespaceSchemaLocation; the namespace it is for.
std::pair<std::string, std::string> SchemaLocationOf(const RootSchemaHints& hints) {
  std::vector<std::string> tokens;
  for (const std::string& t :
       Split(ReplaceAll(ReplaceAll(ReplaceAll(hints.schemaLocation, "\t", " "), "\r", " "), "\n", " "), ' '))
    if (!t.empty())
      tokens.push_back(t);
  for (std::size_t i = 0; i + 1 < tokens.size(); i += 2)
    if (tokens[i] == hints.rootNamespace)
      return {tokens[i + 1], tokens[i]};
  if (tokens.size() >= 2)
    return {tokens[1], tokens[0]};
  return {hints.noNamespaceSchemaLocation, ""};
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

// Parser options of every validation: no network, libxml2's own error output off (errors are
// collected through the handlers), line numbers past 65535 kept.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES;

// A parser dictionary holds the text of every name a document used, and libxml2 refuses a document
// once its dictionary has grown past 10 MB. A session whose dictionary holds more than this (a
// document with unusually many or long names) is not kept, so that names never add up from one
// document to the next towards that limit.
constexpr std::size_t kMaxKeptDictionaryBytes = 256 * 1024;

struct RootReading {
  bool sawDoctype = false;
  bool sawRoot = false;
  bool plainValues = true; // no reference in the values read (a tree would hold them decoded)
  RootSchemaHints hints;
};

void StopAtDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
  static_cast<RootReading*>(ctxt->_private)->sawDoctype = true;
  xmlStopParser(ctxt);
}

void ReadRootAndStop(void* ctx, const xmlChar*, const xmlChar*, const xmlChar* uri, int, const xmlChar**,
                     int nbAttributes, int, const xmlChar** attributes) {
  auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
  auto* reading = static_cast<RootReading*>(ctxt->_private);
  reading->sawRoot = true;
  reading->hints.rootNamespace = uri ? reinterpret_cast<const char*>(uri) : "";
  // Five pointers per attribute: local name, prefix, namespace, start and end of the value.
  for (int i = 0; i < nbAttributes; ++i) {
    const xmlChar* const* a = attributes + 5 * i;
    if (!a[2] || reinterpret_cast<const char*>(a[2]) != kXsiNamespace)
      continue;
    const std::string value(reinterpret_cast<const char*>(a[3]), static_cast<std::size_t>(a[4] - a[3]));
    if (value.find('&') != std::string::npos)
      reading->plainValues = false;
    const std::string_view name = reinterpret_cast<const char*>(a[0]);
    if (name == "schemaLocation")
      reading->hints.schemaLocation = value;
    else if (name == "noNamespaceSchemaLocation")
      reading->hints.noNamespaceSchemaLocation = value;
  }
  xmlStopParser(ctxt);
}

// The schema hints of the root, read by parsing no further than the root's start tag (with the
// rules of every parse here); nothing when the text does not get that far cleanly.
std::optional<RootSchemaHints> ReadRootSchemaHints(std::string_view xml) {
  if (xml.empty() || xml.size() > static_cast<std::size_t>(INT_MAX))
    return std::nullopt;
  std::unique_ptr<xmlParserCtxt, CFree<xmlFreeParserCtxt>> ctxt(
      xmlCreateMemoryParserCtxt(xml.data(), static_cast<int>(xml.size())));
  if (!ctxt)
    return std::nullopt;
  xmlCtxtUseOptions(ctxt.get(), kParseOptions);
  std::memset(ctxt->sax, 0, sizeof(xmlSAXHandler));
  ctxt->sax->initialized = XML_SAX2_MAGIC;
  ctxt->sax->internalSubset = StopAtDoctype;
  ctxt->sax->startElementNs = ReadRootAndStop;
  ctxt->sax->serror = IgnoreParserError;
  RootReading reading;
  ctxt->_private = &reading;
  xmlParseDocument(ctxt.get());
  if (reading.sawDoctype || !reading.sawRoot || !reading.plainValues || !ctxt->wellFormed)
    return std::nullopt;
  return reading.hints;
}

std::unique_ptr<ValidationSession> NewSession(xmlSchema* schema) {
  auto session = std::make_unique<ValidationSession>();
  session->parser.reset(xmlNewParserCtxt());
  session->validator.reset(xmlSchemaNewValidCtxt(schema));
  if (!session->parser || !session->validator)
    return nullptr;
  xmlParserCtxt* ctxt = session->parser.get();
  xmlCtxtUseOptions(ctxt, kParseOptions);
  // Only the validator listens: the handler of the parser itself builds nothing.
  std::memset(ctxt->sax, 0, sizeof(xmlSAXHandler));
  ctxt->sax->initialized = XML_SAX2_MAGIC;
  ctxt->sax->internalSubset = RefuseDoctypeWhileStreaming;
  ctxt->sax->serror = IgnoreParserError;
  return session;
}

// A session of the compiled schema for one validation: an idle one when there is one, else a new
// one. It goes back to the schema's idle sessions only when Keep() was called, that is after a
// validation that went well; after any failure it is freed, so no state of a failed parse carries
// over.
class SessionLease {
public:
  explicit SessionLease(const CompiledSchema& compiled)
      : compiled_(compiled), session_(compiled.sessions.Take()) {
    if (!session_)
      session_ = NewSession(compiled.schema.get());
  }
  SessionLease(const SessionLease&) = delete;
  SessionLease& operator=(const SessionLease&) = delete;
  ~SessionLease() {
    if (keep_ && session_) {
      // An idle session must not point at the error list of the object that used it last.
      xmlSchemaSetValidStructuredErrors(session_->validator.get(), nullptr, nullptr);
      compiled_.sessions.Give(std::move(session_));
    }
  }

  explicit operator bool() const { return session_ != nullptr; }
  ValidationSession& operator*() const { return *session_; }

  void Keep() { keep_ = xmlDictGetUsage(session_->parser->dict) <= kMaxKeptDictionaryBytes; }

private:
  const CompiledSchema& compiled_;
  std::unique_ptr<ValidationSession> session_;
  bool keep_ = false;
};

// Points the session's parser at the text, as a fresh parser of that text would start.
bool StartInput(xmlParserCtxt* ctxt, std::string_view xml) {
  xmlCtxtReset(ctxt);
  xmlParserInputBufferPtr buffer =
      xmlParserInputBufferCreateMem(xml.data(), static_cast<int>(xml.size()), XML_CHAR_ENCODING_NONE);
  if (!buffer)
    return false;
  xmlParserInputPtr input = xmlNewIOInputStream(ctxt, buffer, XML_CHAR_ENCODING_NONE);
  if (!input) {
    xmlFreeParserInputBuffer(buffer);
    return false;
  }
  return inputPush(ctxt, input) >= 0;
}

// Parses the text with the validator plugged into the parser's event stream: no tree is built, so a
// validation costs one pass over the text. The parse follows the rules of every parse here (no
// network, no DTD, no entity substitution).
StreamResult ValidateWhileParsing(ValidationSession& session, std::string_view xml) {
  StreamResult r;
  if (xml.size() > static_cast<std::size_t>(INT_MAX)) {
    r.error = "documento grande demais";
    return r;
  }
  if (xml.empty()) {
    r.error = "documento vazio";
    return r;
  }
  xmlParserCtxt* ctxt = session.parser.get();
  if (!StartInput(ctxt, xml)) {
    r.error = "sem memória para o analisador XML";
    return r;
  }
  bool sawDoctype = false;
  ctxt->_private = &sawDoctype;
  xmlSchemaValidCtxt* validator = session.validator.get();
  xmlSchemaSAXPlugPtr plug = xmlSchemaSAXPlug(validator, &ctxt->sax, &ctxt->userData);
  if (!plug) {
    r.error = "falha ao ligar o validador ao analisador";
    return r;
  }
  xmlSchemaValidateSetLocator(validator, ParserLine, ctxt);
  xmlParseDocument(ctxt);
  xmlSchemaSAXUnplug(plug);
  ctxt->_private = nullptr;
  if (sawDoctype) {
    r.error = "documento com declaração de tipo (DOCTYPE) não é aceito";
    r.line = ctxt->input ? ctxt->input->line : 0;
    return r;
  }
  if (!ctxt->wellFormed) {
    const xmlError* err = xmlCtxtGetLastError(ctxt);
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

// Only the file name of a location is used: a schema is never fetched from where the document
// says, only read from the local schema directory.
std::string SchemaPathIn(std::string_view directory, const std::string& location) {
  return IncludeTrailingPathDelimiter(vxn::ExpandPath(directory)) + ExtractFileName(ToNativePath(location));
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
  // Usually the document names a schema that is there, and the root's start tag is all that has to
  // be read before the validation reads the whole text. Whatever else (no location, no such file, a
  // root that cannot be read) goes through the full parse below, so that its checks and messages
  // come in the same order as always. A fault past the start tag is found by the validation's own
  // parse, with the same message.
  if (const std::optional<RootSchemaHints> hints = ReadRootSchemaHints(xml)) {
    const auto [location, ns] = SchemaLocationOf(*hints);
    if (!location.empty()) {
      const std::string path = SchemaPathIn(directory, location);
      struct stat st {};
      if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        ValidateAgainst(xml, ns, path);
        return;
      }
    }
  }
  XmlParseResult parsed = ParseXml(xml);
  if (!parsed.doc) {
    validatorErrors_.Add(Format("Linha %d: %s", {parsed.line, parsed.error}));
    throw EvxnNFeSchemaValidationException("XML inválido: %s (linha %d)", {parsed.error, parsed.line},
                                           logDirErro_);
  }
  const auto [location, ns] = SchemaLocationOf(HintsOf(xmlDocGetRootElement(parsed.doc.get())));
  if (location.empty())
    throw EvxnNFeSchemaValidationException("O XML não indica o seu esquema (schemaLocation).", logDirErro_);
  ValidateAgainst(xml, ns, SchemaPathIn(directory, location));
}

void TvxnGovUtils::ValidateAgainst(std::string_view xml, std::string_view namespaceUri,
                                   const std::string& xsdPath) {
  struct stat st {};
  if (xsdPath.empty() || stat(xsdPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    throw EvxnNFeSchemaNotFoundException("Arquivo de esquema não encontrado: %s", {xsdPath}, logDirErro_);
  const std::string canonical = SchemaCache::Instance().CanonicalPath(xsdPath, st);

  const auto compiled = SchemaCache::Instance().Get(canonical, st.st_mtim, validatorErrors_, logDirErro_);
  if (!namespaceUri.empty() && compiled->targetNamespace != namespaceUri)
    throw EvxnNFeSchemaValidationException("O esquema %s não é do namespace %s (e sim de \"%s\").",
                                           {xsdPath, std::string(namespaceUri), compiled->targetNamespace},
                                           logDirErro_);

  SessionLease session(*compiled);
  if (!session)
    throw EvxnNFeSchemaValidationException("Falha ao criar o validador do esquema %s.", {xsdPath},
                                           logDirErro_);
  xmlSchemaValidCtxt* validator = (*session).validator.get();
  xmlSchemaSetValidStructuredErrors(validator, CollectError, &validatorErrors_);
  const StreamResult parsed = ValidateWhileParsing(*session, xml);
  if (!parsed.wellFormed) {
    // A document that is not XML: its first fault is the only error worth reporting.
    validatorErrors_.Clear();
    validatorErrors_.Add(Format("Linha %d: %s", {parsed.line, parsed.error}));
    throw EvxnNFeSchemaValidationException("XML inválido: %s (linha %d)", {parsed.error, parsed.line},
                                           logDirErro_);
  }
  const int rc = xmlSchemaIsValid(validator) == 1 ? 0 : 1;
  if (rc != 0) {
    if (validatorErrors_.Empty())
      validatorErrors_.Add(Format("Linha 0: falha interna do validador (código %d)", {rc}));
    throw EvxnNFeSchemaValidationException("XML não é válido segundo o esquema %s:\r\n%s",
                                           {ExtractFileName(xsdPath), validatorErrors_.Join("\r\n")},
                                           logDirErro_);
  }
  session.Keep();
}

} // namespace vxn
