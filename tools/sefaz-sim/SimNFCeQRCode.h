// The check of an NFC-e's supplementary block (infNFeSupl) as the authorisation service makes it: the
// addresses of the state, and the QR code's parameters against the document, with the hash of version 2
// (the CSC registered for the issuer) or the signature of version 3 in contingency (the certificate that
// signed the document).
#pragma once

#include "sefaz-sim/SimLotDocuments.h"

#include <string>

namespace vxn::sim {

// The CSC this server knows (one for every issuer of the homologation environment it plays).
struct TSimCsc {
  std::string Id;   // as the state hands it out ("000001"); compared without leading zeros
  std::string Code; // the security code itself
};

// 0 when the block is right; otherwise the rejection: 394 without infNFeSupl, 395 for a QR code
// address that is not the state's, 878 for a consultation address that is not the state's, 396 for a
// missing parameter, 397 for a parameter that differs from the
// document, 462 for a CSC id it does not know, 464 for a hash (version 2) or a signature (version 3)
// that differs from the one calculated.
int CheckNFCeQRCode(const TSimLotDocument& document, const TSimCsc& csc);

// The text of a QR code refusal for the version it concerns: 464 of version 3 names the signature.
std::string MotivoQRCode(int cStat, const TSimLotDocument& document);

// The servers-file addresses of the QR code and of the consultation by key of a section of this server
// (its base address followed by "/<section>/nfce/qrcode" and "/<section>/nfce/consulta").
std::string NFCeQRCodePath(const std::string& section);
std::string NFCeConsultaPath(const std::string& section);

} // namespace vxn::sim
