// The enveloped XML signature of the NF-e standard (xmlsec1 with its OpenSSL backend) and its check.
//
// Form: Signature in the XML Signature namespace as the next sibling of the signed element; SignedInfo
// with inclusive C14N 1.0 and RSA-SHA1; one Reference to "#" + Id with the enveloped-signature and C14N
// transforms and a SHA-1 digest; KeyInfo/X509Data/X509Certificate with the signer's certificate.
#pragma once

#include "vxnCertificateStore.h"
#include "vxnGovX.h"

#include <memory>
#include <string>
#include <string_view>

namespace vxn::outside {

class TvxnXmlSigningScan;

class TvxnXmlSigner {
public:
  TvxnXmlSigner();
  ~TvxnXmlSigner();
  TvxnXmlSigner(const TvxnXmlSigner&) = delete;
  TvxnXmlSigner& operator=(const TvxnXmlSigner&) = delete;

  // Signs the element whose Id is `id` (local name `elementName` unless empty). The signing key is
  // prepared once per certificate and reused. Raises EvxnSignatureException with the reason.
  std::string Sign(std::string_view xml, std::string_view id, const TvxnSignerSettings& settings,
                   const std::shared_ptr<const TvxnLoadedCertificate>& cert, std::string_view logDir);

  // Signatures are computed directly (canonical form, SHA-1 and RSA with the loaded key) whenever the
  // document allows, and by xmlsec1 otherwise; both give the same bytes. With false, xmlsec1 signs every
  // document (tests compare the two ways).
  void SetDirectSigning(bool enabled) { direct_ = enabled; }
  // Whether the last successful Sign computed the signature directly.
  bool LastSignedDirectly() const { return lastDirect_; }
  // A direct signature is computed in one pass of the parser without a tree (TvxnXmlSigningScan) when
  // the document allows, else from the parsed tree. With false, the tree is always built (tests compare).
  void SetOnePassSigning(bool enabled) { onePass_ = enabled; }
  // Whether the last successful Sign computed the signature in one pass.
  bool LastSignedInOnePass() const { return lastOnePass_; }

private:
  // The signature computed during one pass over the document; false when the pass does not cover it.
  bool SignInOnePass(std::string_view xml, std::string_view id, const TvxnSignerSettings& settings,
                     std::string& signedXml);

  struct KeyHolder;
  std::shared_ptr<const TvxnLoadedCertificate> cert_;
  std::unique_ptr<KeyHolder> key_;
  // Kept between documents: its dictionary already holds the element names of the next one.
  struct ParserContext;
  std::unique_ptr<ParserContext> parser_;
  // The canonical form of the signed element, kept with its capacity from one document to the next.
  std::string canonical_;
  std::unique_ptr<TvxnXmlSigningScan> scan_;
  bool direct_ = true;
  bool onePass_ = true;
  bool lastDirect_ = false;
  bool lastOnePass_ = false;
};

} // namespace vxn::outside
