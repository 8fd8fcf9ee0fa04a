#include "vxnXmlSigner.h"

#include "vxnDataSignature.h"

#include "vxnNFeException.h"
#include "vxnXmlCanonicalizer.h"
#include "vxnXmlEscape.h"
#include "vxnXmlSec.h"
#include "vxnXmlSigningScan.h"
#include "vxnXmlWriter.h"

#include <openssl/sha.h>
#include <xmlsec/openssl/evp.h>
#include <xmlsec/openssl/x509.h>
#include <xmlsec/strings.h>
#include <xmlsec/templates.h>

namespace vxn::outside {

struct TvxnXmlSigner::KeyHolder {
  XmlSecKeyPtr key;
  // What the direct path needs: the RSA private key (null for another kind of key, which goes through
  // xmlsec1) and the signer's certificate in base64 on one line, as KeyInfo carries it.
  EVP_PKEY* rsaKey = nullptr;
  std::string certificateBase64;
};

struct TvxnXmlSigner::ParserContext {
  XmlParserCtxtPtr context;
};

TvxnXmlSigner::TvxnXmlSigner()
    : parser_(std::make_unique<ParserContext>()), scan_(std::make_unique<TvxnXmlSigningScan>()) {}
TvxnXmlSigner::~TvxnXmlSigner() = default;

namespace {

// Room for the Signature element with a 2048-bit signature and its certificate.
constexpr std::size_t kSignatureSize = 4096;
constexpr std::string_view kDeclaration = "<?xml version=\"1.0\"?>";

[[noreturn]] void Fail(std::string_view logDir, std::string_view format,
                       std::initializer_list<FormatArg> args) {
  throw EvxnSignatureException(format, args, logDir);
}

// The xmlsec key for a certificate: the private key plus, for KeyInfo, the signer's certificate alone
// (the rest of the chain stays out of the signed document, as the NF-e standard wants).
XmlSecKeyPtr MakeKey(const TvxnLoadedCertificate& cert, std::string_view logDir) {
  TvxnXmlErrorCapture errors;
  EVP_PKEY_up_ref(cert.PrivateKey.get());
  xmlSecKeyDataPtr value = xmlSecOpenSSLEvpKeyAdopt(cert.PrivateKey.get());
  if (!value) {
    EVP_PKEY_free(cert.PrivateKey.get());
    Fail(logDir, "Chave privada do certificado %s não pode ser usada: %s", {cert.Name, errors.Text()});
  }
  XmlSecKeyPtr key(xmlSecKeyCreate());
  if (!key || xmlSecKeySetValue(key.get(), value) < 0) {
    xmlSecKeyDataDestroy(value);
    Fail(logDir, "Chave privada do certificado %s não pode ser usada: %s", {cert.Name, errors.Text()});
  }
  xmlSecKeyDataPtr x509 = xmlSecKeyEnsureData(key.get(), xmlSecOpenSSLKeyDataX509Id);
  X509* keyCert = X509_dup(cert.Certificate.get());
  if (!x509 || !keyCert || xmlSecOpenSSLKeyDataX509AdoptKeyCert(x509, keyCert) < 0) {
    X509_free(keyCert);
    Fail(logDir, "Certificado %s não pode ser usado na assinatura: %s", {cert.Name, errors.Text()});
  }
  X509* listed = X509_dup(cert.Certificate.get());
  if (!listed || xmlSecOpenSSLKeyDataX509AdoptCert(x509, listed) < 0) {
    X509_free(listed);
    Fail(logDir, "Certificado %s não pode ser usado na assinatura: %s", {cert.Name, errors.Text()});
  }
  return key;
}

std::string Base64(const unsigned char* data, std::size_t size) {
  std::string out(4 * ((size + 2) / 3), '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data, static_cast<int>(size));
  out.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return out;
}

std::string CertificateBase64(X509* cert) {
  const int size = i2d_X509(cert, nullptr);
  if (size <= 0)
    return {};
  std::string der(static_cast<std::size_t>(size), '\0');
  auto* p = reinterpret_cast<unsigned char*>(der.data());
  i2d_X509(cert, &p);
  return Base64(reinterpret_cast<const unsigned char*>(der.data()), der.size());
}

// xmlsec lays its template out with line breaks; the NF-e form has none, and SignedInfo is signed as
// it stands, so they go before signing.
void RemoveBlankText(xmlNodePtr node) {
  for (xmlNodePtr child = node->children; child;) {
    xmlNodePtr next = child->next;
    if (child->type == XML_TEXT_NODE && xmlIsBlankNode(child)) {
      xmlUnlinkNode(child);
      xmlFreeNode(child);
    } else if (child->type == XML_ELEMENT_NODE) {
      RemoveBlankText(child);
    }
    child = next;
  }
}

// Base64 values outside SignedInfo are not covered by the signature, so their line breaks can go.
void CompactBase64(xmlNodePtr node) {
  for (xmlNodePtr child = node->children; child; child = child->next) {
    if (child->type != XML_ELEMENT_NODE)
      continue;
    std::string_view name = reinterpret_cast<const char*>(child->name);
    if (name == "SignatureValue" || name == "X509Certificate") {
      XmlCharPtr content(xmlNodeGetContent(child));
      std::string compact;
      for (const char* p = reinterpret_cast<const char*>(content.get()); p && *p; ++p)
        if (*p != '\n' && *p != '\r' && *p != ' ' && *p != '\t')
          compact += *p;
      xmlNodeSetContent(child, BAD_CAST compact.c_str());
    } else {
      CompactBase64(child);
    }
  }
}

// The signature follows the signed element; in an NFC-e the supplementary block (infNFeSupl, QR code)
// comes between them, as the NF-e schema orders the children of NFe.
xmlNodePtr PlaceForSignature(xmlNodePtr target) {
  xmlNodePtr after = target;
  for (xmlNodePtr n = target->next; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE)
      continue;
    if (std::string_view(reinterpret_cast<const char*>(n->name)) != "infNFeSupl")
      break;
    after = n;
  }
  return after;
}

xmlNodePtr BuildTemplate(xmlDocPtr doc, xmlNodePtr target, const std::string& uri, int options) {
  xmlNodePtr sig =
      xmlSecTmplSignatureCreate(doc, xmlSecTransformInclC14NId, xmlSecTransformRsaSha1Id, nullptr);
  if (!sig)
    return nullptr;
  if (!xmlAddNextSibling(PlaceForSignature(target), sig)) {
    xmlFreeNode(sig);
    return nullptr;
  }
  xmlNodePtr ref =
      xmlSecTmplSignatureAddReference(sig, xmlSecTransformSha1Id, nullptr, BAD_CAST uri.c_str(), nullptr);
  if (!ref || !xmlSecTmplReferenceAddTransform(ref, xmlSecTransformEnvelopedId) ||
      !xmlSecTmplReferenceAddTransform(ref, xmlSecTransformInclC14NId))
    return nullptr;
  if (options & TvxnSignerSettings::kIncludeCertificate) {
    xmlNodePtr keyInfo = xmlSecTmplSignatureEnsureKeyInfo(sig, nullptr);
    xmlNodePtr x509 = keyInfo ? xmlSecTmplKeyInfoAddX509Data(keyInfo) : nullptr;
    if (!x509 || !xmlSecTmplX509DataAddCertificate(x509))
      return nullptr;
  }
  RemoveBlankText(sig);
  return sig;
}

xmlNodePtr DSigChild(xmlNodePtr parent, const xmlChar* name) {
  return parent ? xmlSecFindChild(parent, name, xmlSecDSigNs) : nullptr;
}

// Fills the template's DigestValue, SignatureValue and X509Certificate without xmlsec1: the reference is
// the canonical form of the signed element (the enveloped-signature transform removes nothing, since the
// signature is not inside it), SignedInfo is canonicalised the same way and signed with RSA-SHA1. The
// bytes are those xmlsec1 writes (RSA PKCS#1 v1.5 is deterministic), at a fraction of its cost: xmlsec1
// walks the whole document twice testing every node against node sets. False, with the template left
// as it was, for whatever this path does not cover; xmlsec1 then signs.
bool SignDirectly(xmlDocPtr doc, xmlNodePtr target, xmlNodePtr sig, const std::string& id, EVP_PKEY* rsaKey,
                  const std::string& certificateBase64, int options, std::string& canonical) {
  // Without one-line base64 xmlsec1's own line layout is kept; a DTD may declare IDs or entities.
  if (!rsaKey || !(options & TvxnSignerSettings::kCompactBase64) || doc->intSubset || doc->extSubset)
    return false;
  // xmlsec1 resolves the reference through the ID table: another element registered under the same
  // Id would be the one it signs.
  if (xmlAttrPtr registered = xmlGetID(doc, BAD_CAST id.c_str()); registered && registered->parent != target)
    return false;
  xmlNodePtr signedInfo = DSigChild(sig, xmlSecNodeSignedInfo);
  xmlNodePtr digestValue = DSigChild(DSigChild(signedInfo, xmlSecNodeReference), xmlSecNodeDigestValue);
  xmlNodePtr signatureValue = DSigChild(sig, xmlSecNodeSignatureValue);
  xmlNodePtr certificate = nullptr;
  if (options & TvxnSignerSettings::kIncludeCertificate) {
    certificate = DSigChild(DSigChild(DSigChild(sig, xmlSecNodeKeyInfo), xmlSecNodeX509Data),
                            xmlSecNodeX509Certificate);
    if (!certificate || certificateBase64.empty())
      return false;
  }
  if (!digestValue || !signatureValue)
    return false;

  TvxnXmlCanonicalizer c14n;
  canonical.clear();
  if (!c14n.Canonicalize(target, canonical))
    return false;
  unsigned char digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(canonical.data()), canonical.size(), digest);
  xmlNodeSetContent(digestValue, BAD_CAST Base64(digest, sizeof digest).c_str());

  canonical.clear();
  std::string value;
  if (!c14n.Canonicalize(signedInfo, canonical) || (value = RsaSha1Base64(rsaKey, canonical)).empty()) {
    xmlNodeSetContent(digestValue, BAD_CAST "");
    ERR_clear_error();
    return false;
  }
  xmlNodeSetContent(signatureValue, BAD_CAST value.c_str());
  if (certificate)
    xmlNodeSetContent(certificate, BAD_CAST certificateBase64.c_str());
  return true;
}

// SignedInfo as the Signature element holds it, in the form the writer gives the template xmlsec1 builds
// (empty elements closed in their start tag), or, with the bindings in force at the signature, in
// canonical form (the namespaces declared, every end tag written).
void AppendSignedInfo(std::string& out, std::string_view id, std::string_view digest,
                      const std::vector<TvxnXmlSigningScan::Binding>* canonicalScope) {
  const bool canonical = canonicalScope != nullptr;
  const auto text = [](const xmlChar* s) { return std::string_view(reinterpret_cast<const char*>(s)); };
  const auto method = [&](std::string_view name, const xmlChar* algorithm) {
    out.append("<").append(name).append(" Algorithm=\"").append(text(algorithm));
    if (canonical)
      out.append("\"></").append(name).append(">");
    else
      out.append("\"/>");
  };
  out += "<SignedInfo";
  if (canonical) {
    out.append(" xmlns=\"").append(text(xmlSecDSigNs)).append("\"");
    for (const auto& [prefix, uri] : *canonicalScope)
      out.append(" xmlns:").append(prefix).append("=\"").append(uri).append("\"");
  }
  out += '>';
  method("CanonicalizationMethod", xmlSecHrefC14N);
  method("SignatureMethod", xmlSecHrefRsaSha1);
  out += "<Reference URI=\"";
  const std::string uri = "#" + std::string(id);
  if (canonical)
    AppendCanonicalAttribute(out, uri);
  else
    AppendWrittenAttribute(out, uri);
  out += "\"><Transforms>";
  method("Transform", xmlSecHrefEnveloped);
  method("Transform", xmlSecHrefC14N);
  out += "</Transforms>";
  method("DigestMethod", xmlSecHrefSha1);
  out.append("<DigestValue>").append(digest).append("</DigestValue></Reference></SignedInfo>");
}

// The signed document as SerializeDocument writes it, through the faster writer when it covers the tree.
std::string WriteSigned(xmlDocPtr doc, std::size_t unsignedSize) {
  std::string out(kDeclaration);
  out.reserve(kDeclaration.size() + unsignedSize + kSignatureSize);
  if (TvxnXmlWriter::WriteRoot(doc, out))
    return out;
  return SerializeDocument(doc);
}

} // namespace

bool TvxnXmlSigner::SignInOnePass(std::string_view xml, std::string_view id,
                                  const TvxnSignerSettings& settings, std::string& signedXml) {
  // What SignDirectly leaves to xmlsec1 is left to the tree path, which hands it on.
  const bool withCertificate = (settings.Options & TvxnSignerSettings::kIncludeCertificate) != 0;
  if (!key_->rsaKey || !(settings.Options & TvxnSignerSettings::kCompactBase64) ||
      (withCertificate && key_->certificateBase64.empty()))
    return false;
  if (!scan_->Scan(xml, id, settings.ElementName))
    return false;

  unsigned char digest[SHA_DIGEST_LENGTH];
  const std::string& reference = scan_->Canonical();
  SHA1(reinterpret_cast<const unsigned char*>(reference.data()), reference.size(), digest);
  const std::string digestValue = Base64(digest, sizeof digest);
  canonical_.clear();
  AppendSignedInfo(canonical_, id, digestValue, &scan_->SignatureScope());
  const std::string value = RsaSha1Base64(key_->rsaKey, canonical_);
  if (value.empty()) {
    ERR_clear_error();
    return false;
  }

  std::string signature;
  signature.reserve(kSignatureSize);
  signature.append("<Signature xmlns=\"").append(reinterpret_cast<const char*>(xmlSecDSigNs)).append("\">");
  AppendSignedInfo(signature, id, digestValue, nullptr);
  signature.append("<SignatureValue>").append(value).append("</SignatureValue>");
  if (withCertificate)
    signature.append("<KeyInfo><X509Data><X509Certificate>")
        .append(key_->certificateBase64)
        .append("</X509Certificate></X509Data></KeyInfo>");
  signature += "</Signature>";
  signedXml = std::move(scan_->Document());
  signedXml.insert(scan_->SignatureOffset(), signature);
  return true;
}

std::string TvxnXmlSigner::Sign(std::string_view xml, std::string_view id, const TvxnSignerSettings& settings,
                                const std::shared_ptr<const TvxnLoadedCertificate>& cert,
                                std::string_view logDir) {
  lastDirect_ = false;
  lastOnePass_ = false;
  EnsureXmlSecInitialised();
  if (xml.empty())
    Fail(logDir, "XML informado está vazio ou inválido", {});
  if (!id.empty() && id.front() == '#')
    id.remove_prefix(1);
  if (id.empty())
    Fail(logDir, "Id do elemento a assinar não informado", {});
  if (!cert || !cert->PrivateKey)
    Fail(logDir, "Certificado sem chave privada para assinar", {});
  if (cert != cert_ || !key_) {
    auto holder = std::make_unique<KeyHolder>();
    holder->key = MakeKey(*cert, logDir);
    if (EVP_PKEY_get_base_id(cert->PrivateKey.get()) == EVP_PKEY_RSA)
      holder->rsaKey = cert->PrivateKey.get();
    holder->certificateBase64 = CertificateBase64(cert->Certificate.get());
    key_ = std::move(holder);
    cert_ = cert;
  }

  TvxnXmlErrorCapture errors;
  if (direct_ && onePass_) {
    std::string signedXml;
    if (SignInOnePass(xml, id, settings, signedXml)) {
      lastDirect_ = lastOnePass_ = true;
      return signedXml;
    }
  }
  // The tree: for a document the single pass does not cover, and for the errors the parse reports.
  XmlDocPtr doc = ParseUntrustedXml(xml, parser_->context);
  if (!doc || !xmlDocGetRootElement(doc.get()))
    Fail(logDir, "XML a assinar não é válido: %s", {errors.Text()});
  xmlNodePtr target = FindElementById(xmlDocGetRootElement(doc.get()), id, settings.ElementName);
  if (!target) {
    if (settings.ElementName.empty())
      Fail(logDir, "Elemento com Id %s não encontrado no XML", {id});
    Fail(logDir, "Elemento %s com Id %s não encontrado no XML", {settings.ElementName, id});
  }
  if (!target->parent || target->parent->type != XML_ELEMENT_NODE)
    Fail(logDir, "O elemento com Id %s deve estar dentro de outro elemento para receber a assinatura", {id});
  const std::string idText(id);
  xmlNodePtr sig = BuildTemplate(doc.get(), target, "#" + idText, settings.Options);
  if (!sig)
    Fail(logDir, "Não foi possível montar a assinatura: %s", {errors.Text()});
  if (direct_ && SignDirectly(doc.get(), target, sig, idText, key_->rsaKey, key_->certificateBase64,
                              settings.Options, canonical_)) {
    lastDirect_ = true;
    return WriteSigned(doc.get(), xml.size());
  }

  // xmlsec1 takes an RSA key for a private one only when it holds the private exponent, which a key on a
  // token never gives out: such a key signs on the direct path alone.
  if (cert->Holder)
    Fail(
        logDir,
        "A assinatura do elemento %s com a chave do cartão ou token exige base64 em uma linha, documento sem "
        "DTD e Id único",
        {idText});

  // xmlsec resolves "#id" through the document's ID table.
  if (xmlGetID(doc.get(), BAD_CAST idText.c_str()) == nullptr)
    xmlAddID(nullptr, doc.get(), BAD_CAST idText.c_str(), xmlHasProp(target, BAD_CAST "Id"));

  XmlSecDSigCtxPtr ctx(xmlSecDSigCtxCreate(nullptr));
  if (!ctx)
    Fail(logDir, "Não foi possível montar a assinatura: %s", {errors.Text()});
  // The prepared key is lent to the context rather than copied: a copy decodes the certificates again,
  // which costs more than the RSA operation itself. It is taken back before the context is destroyed.
  ctx->signKey = key_->key.get();
  struct KeyLoan {
    xmlSecDSigCtx* ctx;
    ~KeyLoan() { ctx->signKey = nullptr; }
  } loan{ctx.get()};
  if (xmlSecDSigCtxSign(ctx.get(), sig) < 0)
    Fail(logDir, "Falha ao assinar o elemento %s: %s", {idText, errors.Text()});
  if (settings.Options & TvxnSignerSettings::kCompactBase64)
    CompactBase64(sig);
  return SerializeDocument(doc.get());
}

} // namespace vxn::outside
