#include "vxnXmlSigner.h"

#include "vxnNFeException.h"
#include "vxnXmlSec.h"

#include <xmlsec/openssl/evp.h>
#include <xmlsec/openssl/x509.h>
#include <xmlsec/templates.h>

namespace vxn::outside {

struct TvxnXmlSigner::KeyHolder {
  XmlSecKeyPtr key;
};

TvxnXmlSigner::TvxnXmlSigner() = default;
TvxnXmlSigner::~TvxnXmlSigner() = default;

namespace {

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

} // namespace

std::string TvxnXmlSigner::Sign(std::string_view xml, std::string_view id, const TvxnSignerSettings& settings,
                                const std::shared_ptr<const TvxnLoadedCertificate>& cert,
                                std::string_view logDir) {
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
    key_ = std::move(holder);
    cert_ = cert;
  }

  TvxnXmlErrorCapture errors;
  XmlDocPtr doc = ParseUntrustedXml(xml);
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
  // xmlsec resolves "#id" through the document's ID table.
  xmlAttrPtr idAttr = xmlHasProp(target, BAD_CAST "Id");
  std::string idText(id);
  if (xmlGetID(doc.get(), BAD_CAST idText.c_str()) == nullptr)
    xmlAddID(nullptr, doc.get(), BAD_CAST idText.c_str(), idAttr);

  xmlNodePtr sig = BuildTemplate(doc.get(), target, "#" + idText, settings.Options);
  if (!sig)
    Fail(logDir, "Não foi possível montar a assinatura: %s", {errors.Text()});

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
