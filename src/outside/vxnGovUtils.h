// TvxnGovUtils: the utility object of the government-services library.
//
// Files, paths, XML (parsing, XPath 1.0, helpers), XML Schema validation, Base64/gzip, SHA-1, the
// stored-PIN cipher, CNPJ/CPF checks and the XML log writer. Each component creates its own object;
// it keeps only per-object state (the last validator error list, the log switch and callbacks), so
// two threads that each have an object can work at the same time. The compiled XML Schemas are
// shared by every object of the process (compiled once per file and modification time).
//
// Every XML text is parsed with network access off, no DTD loading and no entity substitution; a
// document that carries a document type declaration is refused (replies come from the network, and
// neither NF-e documents nor SOAP messages ever carry one).
//
// Failures raise exceptions of vxnNFeException.h carrying the error-log directory set with
// SetDiretorioLogErro.
#pragma once

#include "vxnNFeSettings.h"
#include "vxnStringList.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

// Namespace URIs of the standards the system speaks.
inline constexpr std::string_view kNFeNamespace = "http://www.portalfiscal.inf.br/nfe";
inline constexpr std::string_view kDSigNamespace = "http://www.w3.org/2000/09/xmldsig#";
inline constexpr std::string_view kSoap12Namespace = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr std::string_view kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// Kinds of GetSpecialDirectories.
enum class TvxnSpecialDirectory : int {
  Program = 0,   // the program directory (vxnPaths.h)
  Temporary = 1, // $TMPDIR, or /tmp/
  Home = 2,      // $HOME
  Config = 3,    // $XDG_CONFIG_HOME, or $HOME/.config/
};

class TvxnGovUtils {
public:
  TvxnGovUtils();

  // Directory that receives the error log of the exceptions this object raises ("" = program dir).
  void SetDiretorioLogErro(std::string_view dir) { logDirErro_ = dir; }
  const std::string& GetDiretorioLogErro() const { return logDirErro_; }

  // ---- Files (whole-file writes are atomic: temporary file in the same folder, then rename) ----
  void AppendToFile(std::string_view text, std::string_view path) const;
  // The file's text as UTF-8 without a leading BOM. A file that is not valid UTF-8 is taken as
  // Windows-1252 (ANSI files written by older hosts) and converted.
  std::string LoadFromFile(std::string_view path) const;
  // The file's bytes as UTF-8, without a leading BOM; no conversion.
  std::string LoadFromFileUTF8(std::string_view path) const;
  // Both write the UTF-8 text as given, without a BOM, creating missing parent folders.
  void SaveToFile(std::string_view text, std::string_view path) const;
  void SaveToFileUtf8(std::string_view text, std::string_view path) const;

  // ---- Paths ----
  std::string ExpandPath(std::string_view path) const;
  // "\" becomes "/" and a non-empty path gets a trailing "/".
  std::string FixSlash(std::string_view path) const;
  // The folder of the given kind (TvxnSpecialDirectory) with a trailing "/"; "" for an unknown kind.
  std::string GetSpecialDirectories(int kind) const;

  // ---- XML Schema ----
  // Validates xml against the schema file xsdPath. A non-empty namespaceUri must be the schema's
  // target namespace. Raises EvxnNFeSchemaNotFoundException when the file is missing and
  // EvxnNFeSchemaValidationException when the document is not valid (the message lists the
  // errors); Get_ValidatorErrors then holds one line per error.
  void ValidateSchema(std::string_view xml, std::string_view namespaceUri, std::string_view xsdPath);
  // Validates xml against the schema its xsi:schemaLocation (or xsi:noNamespaceSchemaLocation)
  // names, resolved against `directory`.
  void ValidateSchemaByDirectory(std::string_view xml, std::string_view directory);
  // The errors of the last validation: "Linha <n>: <message>", one per error.
  const TvxnStringList& Get_ValidatorErrors() const { return validatorErrors_; }
  // Forgets every compiled schema of the process; each is compiled again on its next use.
  static void ClearSchemaCache();

  // ---- XPath (evaluated with the prefixes tec and nfe bound to the NF-e namespace, ds to XML
  // Signature, soap and soap12 to SOAP 1.2, xsi to XML Schema instance; `namespaces` holds more
  // declarations, or overrides these, in the form xmlns:p="uri" xmlns:q='uri') ----
  //
  // Evaluates xpath at the document node. Found: `node` receives the XML of a selected element, the
  // value of an attribute or the text of another node, or the text of a string/number/boolean result.
  // With preserveWhitespace false, whitespace-only text between elements is dropped first.
  // Raises EvxnNFeException for text that is not XML or an invalid expression.
  bool XPathSelectSingleNode(std::string_view xml, std::string_view xpath, std::string& node,
                             std::string_view namespaces = {}, bool preserveWhitespace = true) const;
  // Evaluates xpath at the document element (so "*" gives the children of the root) and returns
  // each selected node as XPathSelectSingleNode would, in document order.
  std::vector<std::string> XPathSelectNodes(std::string_view xml, std::string_view xpath,
                                            std::string_view namespaces = {}) const;
  // The value of the first attribute named `attribute` (without namespace), in document order, of an
  // element whose local name is `element` (of any element when `element` is empty): the answer of
  // XPathSelectSingleNode for ".//*[local-name()=\"element\"]/@attribute" (or "//@attribute"), read
  // without building the tree. Raises the same EvxnNFeException for text that is not XML.
  bool FindAttribute(std::string_view xml, std::string_view element, std::string_view attribute,
                     std::string& value) const;
  // The values of the attribute `attribute` (without namespace) of every element `element` of the
  // namespace `namespaceUri` below the document element, in document order: what XPathSelectNodes gives
  // for ".//p:element/@attribute" with p bound to namespaceUri, read without building the tree. Raises the
  // same EvxnNFeException for text that is not XML.
  std::vector<std::string> FindAttributes(std::string_view xml, std::string_view namespaceUri,
                                          std::string_view element, std::string_view attribute) const;

  // ---- XML helpers ----
  // Text search, no parsing (works on fragments and joined documents): the content between the first
  // start tag of `tag` (with or without attributes or a namespace prefix) and the first end tag of the
  // same name after it; "" when absent or empty.
  std::string GetValueTag(std::string_view tag, std::string_view xml) const;
  // GetValueTag of `tag` inside the content of the first `parent` element.
  std::string GetValueTag(std::string_view parent, std::string_view tag, std::string_view xml) const;
  // Value of attribute `param` of the first start tag of `tag` (text search); "" when absent.
  std::string GetValueParam(std::string_view tag, std::string_view param, std::string_view xml) const;
  // Namespace URI of the document element; "" when none or when the text is not XML.
  std::string GetXMLNamespace(std::string_view xml) const;
  // Namespace URI of the first element whose local name is localName; "" when none.
  std::string GetNodeNamespaceURI(std::string_view xml, std::string_view localName) const;
  // Value of the index-th attribute (0-based, document order) of the first element whose local name
  // is localName (an empty name means the document element); "" when there is none.
  std::string GetXMLAttributeByIndex(std::string_view xml, std::string_view localName,
                                     std::size_t index) const;

  // Makes text safe to parse without touching well-formed markup: an "&" that does not begin an
  // entity or character reference becomes "&amp;", a "<" that cannot begin markup becomes "&lt;"
  // (also inside attribute values), and characters XML 1.0 forbids are dropped. CDATA sections,
  // comments and processing instructions pass unchanged. Idempotent.
  std::string Escape(std::string_view text) const;
  // Replaces the five predefined entities and numeric character references by their characters.
  std::string Unescape(std::string_view text) const;
  // Replaces accented Latin letters by their plain letters ("ç" -> "c", "Ã" -> "A", "º" -> "o").
  std::string RemoveAccents(std::string_view text) const;
  // Like RemoveAccents, for the characters listed in `chars` only.
  std::string DynamicRemoveAccents(std::string_view text, std::string_view chars) const;
  std::string RemoveBOM(std::string_view text) const;
  // True when the text is one well-formed XML document (no DTD).
  bool IsValidXml(std::string_view xml) const;

  // ---- Encodings ----
  std::string EncodeBase64(std::string_view data) const;
  // Decoded bytes; whitespace is ignored. Raises EvxnNFeException for text that is not Base64.
  std::string DecodeBase64(std::string_view text) const;
  // gzip (RFC 1952) of the bytes.
  std::string GZipString(std::string_view data) const;
  std::string CompressBase64Gz(std::string_view data) const;
  // Base64 decode and gunzip; "" for anything that is not Base64 of gzip data (never raises).
  std::string DecompressBase64Gz(std::string_view text) const noexcept;
  // Base64 of the SHA-1 digest of the bytes.
  std::string HashSha1Base64(std::string_view data) const;

  // ---- The stored PIN (AES-256-GCM under a key built into the library: it keeps the PIN from
  // casual reading of the INI file, nothing more) ----
  std::string Encrypt(std::string_view text) const;
  // Raises EvxnNFeConfigException when the text is not something Encrypt produced.
  std::string Decrypt(std::string_view text) const;

  // ---- Identifiers and values ----
  // Digits only, or the usual punctuation (". / -"); all-equal digit runs are refused. A CNPJ may be
  // alphanumeric: twelve digits or capital letters, then its two check digits (vxnCnpj.h).
  bool ValidateCNPJ(std::string_view cnpj) const;
  bool ValidateCPF(std::string_view cpf) const;
  // Left-pads with zeros to `width` characters; a longer text is returned unchanged.
  std::string Czro(std::string_view value, std::size_t width) const;
  // xs:dateTime ("2024-05-10T10:20:30-03:00", fractions and "Z" allowed) or xs:date. A value
  // without an offset is local time. Raises EvxnNFEConvertDateException for anything else.
  std::chrono::system_clock::time_point XsdDateTimeToDateTime(std::string_view text) const;

  // ---- XML logs ----
  // id + "-" + name + ".xml"; an empty id is replaced by the local time with microseconds
  // ("20261205181502123456"), so logs without an id do not overwrite each other.
  std::string GetLogFileName(std::string_view name, std::string_view id) const;
  // Records one log: the file name is `fileName`, or GetLogFileName(name, id) when it is empty. With
  // SaveLogToFile on, writes the content as text lines (CR LF after every line) to directory + file
  // name, replacing an existing file, and calls OnLog(name, id, full path); a directory that is empty
  // or cannot be created raises EvxnLogException. OnLogContent(name, id, file name, content) is always
  // called. Returns the full path written, or the file name when nothing was written.
  std::string Log(std::string_view content, std::string_view name, std::string_view id,
                  std::string_view directory, std::string_view fileName = {});
  // After a request was posted: when it never reached the server (`entregue` false), writes beside the
  // last log written since the previous post (the request's) a file of the same name ending
  // "-nao-entregue.txt" that says so, with the address and the reason.
  void MarcarUltimoLog(bool entregue, std::string_view url, std::string_view motivo);
  bool GetSaveLogToFile() const { return saveLogToFile_; }
  void SetSaveLogToFile(bool on) { saveLogToFile_ = on; }
  void SetOnLog(TOnLogEventNFe handler) { onLog_ = std::move(handler); }
  void SetOnLogContent(TOnLogContentEventNFe handler) { onLogContent_ = std::move(handler); }

private:
  void ValidateAgainst(std::string_view xml, std::string_view namespaceUri, const std::string& xsdPath);

  std::string logDirErro_;
  TvxnStringList validatorErrors_;
  bool saveLogToFile_ = true;
  std::string ultimoLog_; // the last log file written since the last post
  TOnLogEventNFe onLog_;
  TOnLogContentEventNFe onLogContent_;
};

} // namespace vxn
