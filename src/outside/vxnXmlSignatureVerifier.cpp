// Checks enveloped signatures: every Signature of the document must verify, its reference must point to
// the element it sits beside, and, when authorities are given, the signer's certificate must chain to
// one of them.
#include "vxnGovX.h"
#include "vxnXmlSec.h"

#include <xmlsec/keysmngr.h>
#include <xmlsec/openssl/app.h>

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

TvxnSignatureCheck VerifyOne(xmlNodePtr sig, XmlSecKeysMngrPtr& mngr, bool checkChain,
                             const TvxnXmlErrorCapture& errors) {
  XmlSecDSigCtxPtr ctx(xmlSecDSigCtxCreate(mngr.get()));
  if (!ctx)
    return Failed("não foi possível criar o contexto de verificação: " + errors.Text());
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
  std::string error; // why the keys manager could not be made
  bool checkChain = false;
  std::mutex mutex;
};

TvxnXmlSignatureVerifier::TvxnXmlSignatureVerifier(std::string_view trustedCaPem)
    : impl_(std::make_unique<Impl>()) {
  EnsureXmlSecInitialised();
  TvxnXmlErrorCapture errors;
  impl_->checkChain = !trustedCaPem.empty();
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
  if (!impl_->mngr)
    return Failed(impl_->error);
  std::lock_guard lock(impl_->mutex);
  for (xmlNodePtr sig : signatures)
    if (TvxnSignatureCheck r = VerifyOne(sig, impl_->mngr, impl_->checkChain, errors); !r.Ok)
      return r;
  return {true, {}};
}

TvxnSignatureCheck VerifyXmlSignature(std::string_view xml, std::string_view trustedCaPem) {
  return TvxnXmlSignatureVerifier(trustedCaPem).Verify(xml);
}

} // namespace vxn
