// Checks enveloped signatures: every Signature of the document must verify, its reference must point to
// the element it sits beside, and, when authorities are given, the signer's certificate must chain to
// one of them.
#include "vxnGovX.h"
#include "vxnXmlCanonicalizer.h"
#include "vxnXmlNodeWalk.h"
#include "vxnXmlSec.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <xmlsec/base64.h>
#include <xmlsec/keysmngr.h>
#include <xmlsec/openssl/app.h>
#include <xmlsec/openssl/evp.h>

#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace vxn {

using namespace vxn::outside;

namespace {

TvxnSignatureCheck Failed(std::string reason) {
  return {false, std::move(reason)};
}

void CollectSignatures(xmlNodePtr node, std::vector<xmlNodePtr>& out) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE)
      continue;
    if (xmlSecCheckNodeName(node, xmlSecNodeSignature, xmlSecDSigNs))
      out.push_back(node);
    else
      CollectSignatures(node->children, out);
  }
}

// The enveloped form: the reference names the Id of an element beside the signature, under the same parent.
// The element is the one the check digested, the first of that Id in the document (xmlSecAddIDs keeps the
// first): a copy of the signed element placed earlier under the same Id, with the one beside the signature
// changed, is refused.
bool ReferencesSibling(xmlNodePtr sig, const std::string& uri) {
  if (uri.size() < 2 || uri.front() != '#' || !sig->parent)
    return false;
  xmlAttrPtr registered = xmlGetID(sig->doc, BAD_CAST(uri.c_str() + 1));
  xmlNodePtr target = registered ? registered->parent : nullptr;
  return target && target != sig && target->type == XML_ELEMENT_NODE && target->parent == sig->parent;
}

XmlSecKeysMngrPtr MakeKeysManager(std::string_view trustedCaPem, std::string& error) {
  XmlSecKeysMngrPtr mngr(xmlSecKeysMngrCreate());
  if (!mngr || xmlSecOpenSSLAppDefaultKeysMngrInit(mngr.get()) < 0) {
    error = "gerenciador de chaves";
    return nullptr;
  }
  if (!trustedCaPem.empty() && xmlSecOpenSSLAppKeysMngrCertLoadMemory(
                                   mngr.get(), reinterpret_cast<const xmlSecByte*>(trustedCaPem.data()),
                                   static_cast<xmlSecSize>(trustedCaPem.size()), xmlSecKeyDataFormatPem,
                                   xmlSecKeyDataTypeTrusted) < 0) {
    error = "certificado da autoridade confiável inválido";
    return nullptr;
  }
  return mngr;
}

// The next element sibling of n, itself included (null when there is none).
xmlNodePtr ElementFrom(xmlNodePtr n) {
  while (n && n->type != XML_ELEMENT_NODE)
    n = n->next;
  return n;
}

// The only element child of parent, when it has exactly one and it is the DSig element `name`.
xmlNodePtr OnlyChild(xmlNodePtr parent, const xmlChar* name) {
  xmlNodePtr child = parent ? ElementFrom(parent->children) : nullptr;
  if (!child || ElementFrom(child->next) || !xmlSecCheckNodeName(child, name, xmlSecDSigNs))
    return nullptr;
  return child;
}

// The Base64 text of the certificate when the signature's KeyInfo has the form NF-e signers write,
// KeyInfo/X509Data/X509Certificate and nothing else, right after SignatureValue; "" for any other form.
std::string SignerCertificateText(xmlNodePtr sig) {
  xmlNodePtr n = ElementFrom(sig->children); // SignedInfo
  n = n ? ElementFrom(n->next) : nullptr;    // SignatureValue
  n = n ? ElementFrom(n->next) : nullptr;    // KeyInfo
  if (!n || !xmlSecCheckNodeName(n, xmlSecNodeKeyInfo, xmlSecDSigNs))
    return {};
  xmlNodePtr cert = OnlyChild(OnlyChild(n, xmlSecNodeX509Data), xmlSecNodeX509Certificate);
  XmlCharPtr text(cert ? xmlNodeGetContent(cert) : nullptr);
  return text ? reinterpret_cast<const char*>(text.get()) : "";
}

// The public key of a certificate given as the Base64 text of its DER form, as xmlsec1 reads it from
// X509Certificate; null when the text is not such a certificate.
XmlSecKeyPtr KeyOfCertificate(const std::string& base64) {
  std::vector<xmlSecByte> der(base64.size());
  xmlSecSize size = 0;
  if (xmlSecBase64Decode_ex(reinterpret_cast<const xmlChar*>(base64.c_str()), der.data(),
                            static_cast<xmlSecSize>(der.size()), &size) < 0)
    return nullptr;
  const unsigned char* p = der.data();
  X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(size)));
  EvpPkeyPtr pkey(cert ? X509_get_pubkey(cert.get()) : nullptr);
  if (!pkey || p != der.data() + size)
    return nullptr;
  XmlSecKeyPtr key(xmlSecKeyCreate());
  xmlSecKeyDataPtr value = key ? xmlSecOpenSSLEvpKeyAdopt(pkey.get()) : nullptr;
  if (!value)
    return nullptr;
  pkey.release(); // adopted by value
  if (xmlSecKeySetValue(key.get(), value) < 0) {
    xmlSecKeyDataDestroy(value);
    return nullptr;
  }
  return key;
}

// Keys of the certificates seen, by their Base64 text: a signer signs many documents with one
// certificate, and decoding it (the certificate, then its key through OpenSSL's decoders) costs more
// than checking the signature. Bounded, as a server meets any number of signers.
class TvxnSignerKeys {
public:
  // The key kept for the text (owned here, valid until the next call); null when the text is no certificate.
  xmlSecKeyPtr For(const std::string& base64) {
    auto it = keys_.find(base64);
    if (it == keys_.end()) {
      XmlSecKeyPtr key = KeyOfCertificate(base64);
      if (!key)
        return nullptr;
      if (keys_.size() >= kMaxKeys)
        keys_.clear();
      it = keys_.emplace(base64, std::move(key)).first;
    }
    return it->second.get();
  }

private:
  static constexpr std::size_t kMaxKeys = 256;
  std::map<std::string, XmlSecKeyPtr, std::less<>> keys_;
};

// The element after n (skipping text and comments); null when there is none.
xmlNodePtr NextElement(xmlNodePtr n) {
  return n ? ElementFrom(n->next) : nullptr;
}

bool IsDSig(xmlNodePtr n, const xmlChar* name) {
  return n && xmlSecCheckNodeName(n, name, xmlSecDSigNs);
}

// A method element of the one form: its only attribute is Algorithm, with this value, and it holds no
// element.
bool IsMethod(xmlNodePtr n, const xmlChar* name, const xmlChar* algorithm) {
  if (!IsDSig(n, name) || ElementFrom(n->children) || !n->properties || n->properties->next)
    return false;
  XmlCharPtr value(xmlGetNoNsProp(n, BAD_CAST "Algorithm"));
  return value && xmlStrEqual(value.get(), algorithm);
}

// The text of an element that holds text only; false when it holds anything else.
bool TextOf(xmlNodePtr n, std::string& text) {
  text.clear();
  if (n->properties)
    return false;
  for (xmlNodePtr c = n->children; c; c = c->next) {
    if (c->type != XML_TEXT_NODE)
      return false;
    text += reinterpret_cast<const char*>(c->content);
  }
  return true;
}

bool DecodeBase64(const std::string& text, std::vector<xmlSecByte>& out) {
  out.resize(text.size());
  xmlSecSize size = 0;
  if (xmlSecBase64Decode_ex(reinterpret_cast<const xmlChar*>(text.c_str()), out.data(),
                            static_cast<xmlSecSize>(out.size()), &size) < 0)
    return false;
  out.resize(size);
  return true;
}

// An Id as NF-e documents write them: letters, digits and . _ -, which a reference names without escaping.
bool PlainId(std::string_view id) {
  if (id.empty())
    return false;
  for (const char c : id)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-'))
      return false;
  return true;
}

// The value of an attribute made of text only (null when it holds anything else).
bool AttributeText(const xmlAttr* a, std::string& value) {
  value.clear();
  for (const xmlNode* c = a->children; c; c = c->next) {
    if (c->type != XML_TEXT_NODE)
      return false;
    value += reinterpret_cast<const char*>(c->content);
  }
  return true;
}

// The element of `top` (itself included) that xmlSecAddIDs would register for the Id `id` on `top` as a
// document of its own: the first, in document order, with an attribute named Id of that value.
xmlNodePtr FirstWithId(const xmlNode* top, std::string_view id) {
  std::string value;
  const xmlNode* found = nullptr;
  WalkNodes(top, [&](const xmlNode* n) {
    if (n->type == XML_ELEMENT_NODE)
      for (const xmlAttr* a = n->properties; a; a = a->next)
        if (xmlStrEqual(a->name, BAD_CAST "Id") && AttributeText(a, value) && value == id)
          found = n;
    return found == nullptr;
  });
  return const_cast<xmlNodePtr>(found);
}

// Whether `top`, written out as a document of its own (its namespace declared on it) and parsed again,
// gives the tree it has here: no entity reference, no identifier the parser registers (xml:id), and
// every namespace its elements and attributes use declared inside it, or its own.
bool ReadsAsItsOwnText(const xmlNode* top) {
  std::vector<const xmlNode*> elements;
  std::unordered_set<const xmlNs*> declared{top->ns};
  // The xml prefix is bound everywhere.
  const auto isXml = [](const xmlNs* ns) { return xmlStrEqual(ns->href, XML_XML_NAMESPACE); };
  const bool noEntity = WalkNodes(top, [&](const xmlNode* n) {
    if (n->type == XML_ENTITY_REF_NODE)
      return false;
    if (n->type == XML_ELEMENT_NODE) {
      elements.push_back(n);
      for (const xmlNs* d = n->nsDef; d; d = d->next)
        declared.insert(d);
    }
    return true;
  });
  if (!noEntity)
    return false;
  for (const xmlNode* e : elements) {
    if (e->ns && !declared.count(e->ns) && !isXml(e->ns))
      return false;
    for (const xmlAttr* a = e->properties; a; a = a->next) {
      if (a->ns && !declared.count(a->ns) && !isXml(a->ns))
        return false;
      if (a->ns && isXml(a->ns) && xmlStrEqual(a->name, BAD_CAST "id"))
        return false;
      for (const xmlNode* c = a->children; c; c = c->next)
        if (c->type != XML_TEXT_NODE)
          return false;
    }
  }
  return true;
}

// The Signature elements of `top` itself and inside it, in document order.
void CollectSignaturesOf(xmlNodePtr top, std::vector<xmlNodePtr>& out) {
  if (xmlSecCheckNodeName(top, xmlSecNodeSignature, xmlSecDSigNs))
    out.push_back(top);
  else
    CollectSignatures(top->children, out);
}

// Checks one signature of the form NF-e signers write without xmlsec1: SignedInfo in inclusive C14N 1.0
// with RSA-SHA1, one reference by Id to an element beside the signature with the enveloped-signature and
// C14N transforms and SHA-1, and the key of its certificate. The reference is the canonical form of that
// element (the enveloped transform removes nothing, the signature being outside it) written in one pass
// from the tree, where xmlsec1 tests every node of the document against node sets; SignedInfo is
// canonicalised the same way and its value checked with OpenSSL. True only when the signature verifies.
// Anything else (another form, a tree the canonical writer does not cover, a digest or value that does not
// match) answers false and goes to xmlsec1, whose check and reason stand: a signature is never accepted
// here that xmlsec1 would refuse, and every refusal is xmlsec1's.
//
// With `top`, the document is `top` as it stands inside a larger tree, checked as its own text would be
// once parsed again (see TvxnXmlSignatureVerifier::VerifiesInPlace): the reference is the first element
// of `top` with that Id, and both canonical forms are taken within `top`.
class TvxnDirectCheck {
public:
  bool Verifies(xmlDocPtr doc, xmlNodePtr sig, xmlSecKeyPtr key, const xmlNode* top = nullptr) {
    // A DTD may declare IDs or entities, which xmlsec1 resolves its own way.
    if (!key || doc->intSubset || doc->extSubset)
      return false;
    EVP_PKEY* pkey = xmlSecOpenSSLEvpKeyDataGetEvp(xmlSecKeyGetValue(key));
    if (!pkey || EVP_PKEY_get_base_id(pkey) != EVP_PKEY_RSA)
      return false;

    xmlNodePtr signedInfo = ElementFrom(sig->children);
    xmlNodePtr signatureValue = NextElement(signedInfo);
    xmlNodePtr keyInfo = NextElement(signatureValue);
    if (!IsDSig(signedInfo, xmlSecNodeSignedInfo) || !IsDSig(signatureValue, xmlSecNodeSignatureValue) ||
        !IsDSig(keyInfo, xmlSecNodeKeyInfo) || NextElement(keyInfo) || signedInfo->properties)
      return false;
    xmlNodePtr c14nMethod = ElementFrom(signedInfo->children);
    xmlNodePtr signatureMethod = NextElement(c14nMethod);
    xmlNodePtr reference = NextElement(signatureMethod);
    if (!IsMethod(c14nMethod, xmlSecNodeCanonicalizationMethod, xmlSecHrefC14N) ||
        !IsMethod(signatureMethod, xmlSecNodeSignatureMethod, xmlSecHrefRsaSha1) ||
        !IsDSig(reference, xmlSecNodeReference) || NextElement(reference))
      return false;

    xmlNodePtr transforms = ElementFrom(reference->children);
    xmlNodePtr digestMethod = NextElement(transforms);
    xmlNodePtr digestValue = NextElement(digestMethod);
    if (!IsDSig(transforms, xmlSecNodeTransforms) || transforms->properties ||
        !IsMethod(digestMethod, xmlSecNodeDigestMethod, xmlSecHrefSha1) ||
        !IsDSig(digestValue, xmlSecNodeDigestValue) || NextElement(digestValue))
      return false;
    xmlNodePtr enveloped = ElementFrom(transforms->children);
    xmlNodePtr c14n = NextElement(enveloped);
    if (!IsMethod(enveloped, xmlSecNodeTransform, xmlSecHrefEnveloped) ||
        !IsMethod(c14n, xmlSecNodeTransform, xmlSecHrefC14N) || NextElement(c14n))
      return false;

    // The reference: its only attribute URI="#Id", the element xmlsec1 finds under that Id beside the
    // signature.
    if (!reference->properties || reference->properties->next)
      return false;
    XmlCharPtr uri(xmlGetNoNsProp(reference, BAD_CAST "URI"));
    const std::string_view uriText = uri ? reinterpret_cast<const char*>(uri.get()) : "";
    if (uriText.size() < 2 || uriText.front() != '#' || !PlainId(uriText.substr(1)))
      return false;
    xmlNodePtr target = nullptr;
    if (top) {
      target = FirstWithId(top, uriText.substr(1));
    } else if (xmlAttrPtr registered = xmlGetID(doc, uri.get() + 1)) {
      target = registered->parent;
    }
    if (!target || target == sig || target->type != XML_ELEMENT_NODE || target->parent != sig->parent)
      return false;

    // The digest of the element.
    if (!TextOf(digestValue, text_) || !DecodeBase64(text_, bytes_) || bytes_.size() != SHA_DIGEST_LENGTH)
      return false;
    canonical_.clear();
    if (!Canonical(target, top))
      return false;
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(canonical_.data()), canonical_.size(), digest);
    if (std::memcmp(digest, bytes_.data(), SHA_DIGEST_LENGTH) != 0)
      return false;

    // The value of SignedInfo.
    if (!TextOf(signatureValue, text_) || !DecodeBase64(text_, bytes_) || bytes_.empty())
      return false;
    canonical_.clear();
    if (!Canonical(signedInfo, top))
      return false;
    EvpMdCtxPtr ctx(EVP_MD_CTX_new());
    const bool ok =
        ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha1(), nullptr, pkey) == 1 &&
        EVP_DigestVerify(ctx.get(), bytes_.data(), bytes_.size(),
                         reinterpret_cast<const unsigned char*>(canonical_.data()), canonical_.size()) == 1;
    if (!ok)
      ERR_clear_error();
    return ok;
  }

private:
  bool Canonical(const xmlNode* element, const xmlNode* top) {
    return top ? c14n_.CanonicalizeWithin(element, top, canonical_) : c14n_.Canonicalize(element, canonical_);
  }

  TvxnXmlCanonicalizer c14n_;
  std::string canonical_;
  std::string text_;
  std::vector<xmlSecByte> bytes_;
};

TvxnSignatureCheck VerifyOne(xmlNodePtr sig, xmlSecKeysMngrPtr mngr, xmlSecKeyPtr signerKey, bool checkChain,
                             const TvxnXmlErrorCapture& errors) {
  XmlSecKeyPtr key(signerKey);
  XmlSecDSigCtxPtr ctx(xmlSecDSigCtxCreate(mngr));
  if (!ctx)
    return Failed("não foi possível criar o contexto de verificação: " + errors.Text());
  // A key given beforehand is the one checked; KeyInfo is then not read again.
  ctx->signKey = key.release();
  if (!checkChain)
    ctx->keyInfoReadCtx.flags |= XMLSEC_KEYINFO_FLAGS_X509DATA_DONT_VERIFY_CERTS;
  // Only what the NF-e form uses is accepted: no retrieval of remote references.
  ctx->enabledReferenceUris = xmlSecTransformUriTypeEmpty | xmlSecTransformUriTypeSameDocument;
  if (xmlSecDSigCtxVerify(ctx.get(), sig) < 0) {
    std::string detail = errors.Text();
    if (detail.find("cert") != std::string::npos || detail.find("key") != std::string::npos)
      return Failed("certificado do assinante ausente ou não confiável: " + detail);
    return Failed("assinatura malformada: " + detail);
  }
  if (ctx->status == xmlSecDSigStatusSucceeded) {
    auto* ref = static_cast<xmlSecDSigReferenceCtxPtr>(xmlSecPtrListGetItem(&ctx->signedInfoReferences, 0));
    std::string uri = ref && ref->uri ? reinterpret_cast<const char*>(ref->uri) : "";
    if (xmlSecPtrListGetSize(&ctx->signedInfoReferences) != 1 || !ReferencesSibling(sig, uri))
      return Failed("a referência " + uri + " não aponta para o elemento assinado ao lado da assinatura");
    return {true, {}};
  }
  for (xmlSecSize i = 0; i < xmlSecPtrListGetSize(&ctx->signedInfoReferences); ++i) {
    auto* ref = static_cast<xmlSecDSigReferenceCtxPtr>(xmlSecPtrListGetItem(&ctx->signedInfoReferences, i));
    if (ref && ref->status != xmlSecDSigStatusSucceeded)
      return Failed(std::string("o resumo (DigestValue) da referência ") +
                    (ref->uri ? reinterpret_cast<const char*>(ref->uri) : "") +
                    " não confere: o conteúdo assinado foi alterado");
  }
  return Failed("o valor da assinatura (SignatureValue) não confere com o certificado");
}

} // namespace

struct TvxnXmlSignatureVerifier::Impl {
  XmlSecKeysMngrPtr mngr;
  bool mngrMade = false;
  std::string error; // why the keys manager could not be made
  bool checkChain = false;
  TvxnSignerKeys signerKeys; // without authorities: the keys of the certificates seen
  TvxnDirectCheck direct;    // the usual form checked without xmlsec1's node-set walk
  std::mutex mutex;

  // The keys manager, made at the first call that needs it. Without authorities only a KeyInfo of
  // another form than the usual needs it, and making one loads the system's certificate bundle, which
  // such a check does not use.
  xmlSecKeysMngrPtr KeysManager(const TvxnXmlErrorCapture& errors) {
    if (!mngrMade) {
      mngrMade = true;
      mngr = MakeKeysManager({}, error);
      if (!mngr)
        error += ": " + errors.Text();
    }
    return mngr.get();
  }
};

TvxnXmlSignatureVerifier::TvxnXmlSignatureVerifier(std::string_view trustedCaPem)
    : impl_(std::make_unique<Impl>()) {
  EnsureXmlSecInitialised();
  impl_->checkChain = !trustedCaPem.empty();
  if (!impl_->checkChain)
    return;
  TvxnXmlErrorCapture errors;
  impl_->mngrMade = true;
  impl_->mngr = MakeKeysManager(trustedCaPem, impl_->error);
  if (!impl_->mngr)
    impl_->error += ": " + errors.Text();
}

TvxnXmlSignatureVerifier::~TvxnXmlSignatureVerifier() = default;

TvxnSignatureCheck TvxnXmlSignatureVerifier::Verify(std::string_view xml) const {
  TvxnXmlErrorCapture errors;
  XmlDocPtr doc = ParseUntrustedXml(xml);
  if (!doc || !xmlDocGetRootElement(doc.get()))
    return Failed("XML malformado: " + errors.Text());
  std::vector<xmlNodePtr> signatures;
  CollectSignatures(xmlDocGetRootElement(doc.get()), signatures);
  if (signatures.empty())
    return Failed("o documento não possui assinatura (Signature)");
  static const xmlChar* ids[] = {BAD_CAST "Id", nullptr};
  xmlSecAddIDs(doc.get(), xmlDocGetRootElement(doc.get()), ids);
  std::lock_guard lock(impl_->mutex);
  if (impl_->checkChain && !impl_->mngr)
    return Failed(impl_->error);
  for (xmlNodePtr sig : signatures) {
    xmlSecKeyPtr signerKey = nullptr;
    if (!impl_->checkChain) {
      if (const std::string cert = SignerCertificateText(sig); !cert.empty()) {
        xmlSecKeyPtr kept = impl_->signerKeys.For(cert);
        if (kept && impl_->direct.Verifies(doc.get(), sig, kept))
          continue;
        // The check owns and frees the key it is given.
        signerKey = kept ? xmlSecKeyDuplicate(kept) : nullptr;
      }
      if (!signerKey && !impl_->KeysManager(errors))
        return Failed(impl_->error);
    }
    // With a key known beforehand the check needs no keys manager.
    xmlSecKeysMngrPtr mngr = signerKey ? nullptr : impl_->mngr.get();
    if (TvxnSignatureCheck r = VerifyOne(sig, mngr, signerKey, impl_->checkChain, errors); !r.Ok)
      return r;
  }
  return {true, {}};
}

bool TvxnXmlSignatureVerifier::VerifiesInPlace(const _xmlNode* element) const {
  // The kept keys and the direct check serve the verifier without authorities only.
  if (impl_->checkChain || !element || element->type != XML_ELEMENT_NODE || !element->doc ||
      element->doc->intSubset || element->doc->extSubset || !ReadsAsItsOwnText(element))
    return false;
  auto* top = const_cast<xmlNodePtr>(element);
  std::vector<xmlNodePtr> signatures;
  CollectSignaturesOf(top, signatures);
  if (signatures.empty())
    return false;
  std::lock_guard lock(impl_->mutex);
  for (xmlNodePtr sig : signatures) {
    const std::string cert = SignerCertificateText(sig);
    xmlSecKeyPtr kept = cert.empty() ? nullptr : impl_->signerKeys.For(cert);
    if (!kept || !impl_->direct.Verifies(top->doc, sig, kept, top))
      return false;
  }
  return true;
}

TvxnSignatureCheck VerifyXmlSignature(std::string_view xml, std::string_view trustedCaPem) {
  return TvxnXmlSignatureVerifier(trustedCaPem).Verify(xml);
}

} // namespace vxn
