// Checks enveloped signatures: every Signature of the document must verify, its reference must point to
// the element it sits beside, and, when authorities are given, the signer's certificate must chain to
// one of them.
#include "vxnGovX.h"
#include "vxnXmlSec.h"

#include <xmlsec/base64.h>
#include <xmlsec/keysmngr.h>
#include <xmlsec/openssl/app.h>
#include <xmlsec/openssl/evp.h>

#include <map>
#include <mutex>
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
bool ReferencesSibling(xmlNodePtr sig, const std::string& uri) {
  if (uri.size() < 2 || uri.front() != '#' || !sig->parent)
    return false;
  std::string_view id = std::string_view(uri).substr(1);
  for (xmlNodePtr n = sig->parent->children; n; n = n->next) {
    if (n == sig || n->type != XML_ELEMENT_NODE)
      continue;
    XmlCharPtr value(xmlGetNoNsProp(n, BAD_CAST "Id"));
    if (value && id == reinterpret_cast<const char*>(value.get()))
      return true;
  }
  return false;
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
  // A copy of the key for one check (the check owns and frees it); null when the text is no certificate.
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
    return xmlSecKeyDuplicate(it->second.get());
  }

private:
  static constexpr std::size_t kMaxKeys = 256;
  std::map<std::string, XmlSecKeyPtr, std::less<>> keys_;
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
      if (const std::string cert = SignerCertificateText(sig); !cert.empty())
        signerKey = impl_->signerKeys.For(cert);
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

TvxnSignatureCheck VerifyXmlSignature(std::string_view xml, std::string_view trustedCaPem) {
  return TvxnXmlSignatureVerifier(trustedCaPem).Verify(xml);
}

} // namespace vxn
