// The supplementary block of an NFC-e of layout 4.00 (infNFeSupl): the text of its QR code and the
// address of the consultation by access key, in the published QR code versions.
//
// Version 3 (the default): "<address>?p=<key>|3|<tpAmb>" for a document issued normally; a contingency
// NFC-e (tpEmis 9) adds "|<day of dhEmi>|<vNF>|<recipient kind>|<recipient id>|<signature>", the
// signature being the RSA-SHA1 of the parameters before it, made with the certificate that signs the
// document, in Base64. The recipient kind is 1 (CNPJ), 2 (CPF) or 3 (foreign id), both empty without one.
// Version 2: "<address>?p=<key>|2|<tpAmb>|<CSC id>|<hash>", a contingency NFC-e with
// "|<day>|<vNF>|<DigestValue in hexadecimal>" before the CSC id; the hash is the SHA-1, in hexadecimal,
// of the parameters before it followed by the CSC. The CSC id is written without leading zeros.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vxn {

struct TvxnNFCeQRCodeConfig {
  int Versao = 3;
  std::string IdCSC; // version 2: the id of the CSC, as the state gave it ("000001")
  std::string CSC;   // version 2: the taxpayer's security code
  std::string URLQRCode;
  std::string URLConsulta;
};

class TvxnNFCeQRCode {
public:
  // `assinar` signs bytes with the document's certificate (RSA-SHA1, Base64); `logDir` is where the
  // refusals are logged. The configuration is checked here: a version other than 2 or 3, a version 2
  // without CSC or with a CSC id that is not digits, and a missing address are refused.
  TvxnNFCeQRCode(TvxnNFCeQRCodeConfig config, std::function<std::string(std::string_view)> assinar,
                 std::string logDir);

  // The signed NFe with its infNFeSupl just before its Signature. A document that already has one (the
  // host wrote it) is returned as it is.
  std::string Suplementar(std::string nfe) const;

  // The qrCode text of a signed NFC-e.
  std::string QRCode(std::string_view nfe) const;

  // The parameters of the QR code (what follows "?p=") of a signed NFC-e.
  std::string Parametros(std::string_view nfe) const;

  // Whether a document (an NFe or infNFe text) is an NFC-e (mod 65).
  static bool EhNFCe(std::string_view nfe);

private:
  TvxnNFCeQRCodeConfig config_;
  std::function<std::string(std::string_view)> assinar_;
  std::string logDir_;
};

} // namespace vxn
