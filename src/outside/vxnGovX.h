// TvxnGovX: the crypto and transport half of the government-services library.
//
// Certificates (PKCS#12 files and folders of them), the enveloped XML signature of NF-e documents and
// events, SOAP 1.2 over HTTPS with a client certificate, and resource downloads. The component fills the
// settings objects and calls the operations; every failure is an exception of the NF-e hierarchy with a
// clear reason and never with a password or PIN in it.
//
// This header includes no third-party header: the work is done in vxnCertificateStore, vxnXmlSigner and
// vxnSoapClient behind a private implementation.
#pragma once

#include "vxnNFeSettings.h"
#include "vxnNFeType.h"
#include "vxnReportEngine.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlNode; // libxml2's element

namespace vxn {

// Where a certificate comes from. ckFile: one PKCS#12 file at CertificatePath opened with
// CertificatePassword. The store kinds (ckMemory, ckLocalMachine, ckActiveDiretory) are folders of
// PKCS#12 files: CertificatePath names the folder when it is a directory, else the environment variable
// QUORVANT_NFE_CERTS, else "Certificados/" in the program directory; CertificateName selects a
// certificate by its subject. ckSmartCard: a certificate on a smart card or token, reached through the
// PKCS#11 module at Pkcs11Module (empty: the first of the usual Debian paths) and opened with PinCode;
// CertificateName selects it (vxnPkcs11Token.h). The key stays on the token.
struct TvxnCertificateSettings {
  TCertificadoKind CertificateKind = ckFile;
  std::string CertificatePath;
  std::string CertificateName;
  std::string CertificatePassword;
  std::string PinCode;
  std::string Pkcs11Module;
};

// Transport settings of PostSOAP and UpdateResource.
struct TvxnHttpSettings : TvxnCertificateSettings {
  std::string Proxy;                      // "host:port" or a URL; empty for a direct connection
  std::string User;                       // proxy credentials, used only with a proxy
  std::string Password;                   //
  bool IgnoreInvalidCertificates = false; // do not verify the server's certificate and host name
  bool SecureConnection = false;          // refuse plain http and TLS below 1.2
  int TimeOut = 0;                        // whole request, milliseconds; 0 means no limit
  // Whom a server's certificate must chain to when it is verified (vxnTrustStore.h). TrustedCAFile: this
  // PEM file alone. Empty: the system's CA bundle (left out with ShippedRootsOnly), the roots of
  // ShippedRootsDir ("*.pem") and AdditionalCAFile. Read once and kept while these stay the same.
  std::string TrustedCAFile;
  std::string ShippedRootsDir;
  std::string AdditionalCAFile;
  bool ShippedRootsOnly = false;
};

// Told after each post whether the request reached the server: false when the connection or the TLS
// handshake failed (nothing was sent), with the reason.
using TOnDeliveryEvent =
    std::function<void(bool delivered, const std::string& url, const std::string& reason)>;

// Signature settings of SignXmlById.
struct TvxnSignerSettings : TvxnCertificateSettings {
  // Bit 1: the signer's certificate goes into KeyInfo/X509Data/X509Certificate.
  // Bit 2: base64 values (SignatureValue, X509Certificate) are written on one line.
  // The component sets 3, the form of the NF-e standard.
  static constexpr int kIncludeCertificate = 1;
  static constexpr int kCompactBase64 = 2;
  int Options = kIncludeCertificate | kCompactBase64;
  // Local name of the element that carries the Id ("infNFe", "infEvento"); empty accepts any element.
  std::string ElementName;
  // File of elements allowed in signed documents; stored for the component, not read on Linux.
  std::string AllowedElementsFile;
};

// Report engine settings: what PrintReport, PreviewReport and ExportReport produce and where it goes.
struct TvxnPrintSettings {
  std::string Params;      // name=value lines of the print settings
  std::string DataSources; // serialized print tables (SerializeTDataSourceList)
  std::string ReportFile;  // the .rtm model
  std::string Logo;        // the issuer's logo (JPEG or PNG), "" for none
  std::string Printer;     // CUPS queue; "" for the default destination
  int Copies = 1;
  int Duplex = 0;       // 0 off, 1 vertical (long edge), 2 horizontal (short edge)
  std::string SaveAs;   // output of ExportReport: a PDF file, or a directory for PNG
  int ExportFormat = 1; // 1 and 2: PDF; 3: one PNG per page in the SaveAs directory
  std::string Title;    // PDF title and print job name
  // Preview: the host receives the finished PDF file (it may keep or delete it); without a handler the
  // file is opened with xdg-open.
  std::function<void(const std::string& pdf)> OnPreview;
  // Printing: a stand-in for CUPS (tests); without one the PDF goes to CUPS.
  TvxnEnviarImpressao OnPrint;
};

// Outcome of one signature check: ok, or why it failed.
struct TvxnSignatureCheck {
  bool Ok = false;
  std::string Reason;
  explicit operator bool() const { return Ok; }
};

class TvxnGovX {
public:
  TvxnGovX();
  ~TvxnGovX();
  TvxnGovX(const TvxnGovX&) = delete;
  TvxnGovX& operator=(const TvxnGovX&) = delete;
  TvxnGovX(TvxnGovX&&) noexcept;
  TvxnGovX& operator=(TvxnGovX&&) noexcept;

  // Settings objects: the component writes into them before each operation.
  TvxnHttpSettings& Get_HttpSettings();
  TvxnSignerSettings& Get_SignerSettings();
  TvxnPrintSettings& Get_PrintSettings();
  TvxnEmailSettings& Get_EmailSettings();

  // Named options ("HttpLibs" and any other): stored; libcurl is the only transport here.
  void Configure(std::string_view name, std::string_view value);
  std::string Get_Configuration(std::string_view name) const;
  void Set_DiagnosticMode(bool on);
  bool Get_DiagnosticMode() const;
  // Directory of the error log that this object's exceptions write to ("" is the program directory).
  void Set_ErrorLogDirectory(std::string_view dir);
  const std::string& Get_ErrorLogDirectory() const;

  // Raised before a certificate is loaded, with the configured name; the host may change it.
  TOnCheckCertificateEventNFe OnCheckCertificate;
  // Raised after every PostSOAP attempt.
  TOnDeliveryEvent OnDelivery;

  // Certificates of the signer settings.
  std::vector<std::string> ListCertificates();
  // Raises EvxnNFeCertificationException when the certificate is missing, cannot be opened with the
  // password, has no private key, has expired or is not yet valid.
  void CheckCertificate();
  std::chrono::system_clock::time_point CertificateExpiration();
  std::chrono::system_clock::time_point CertificateValidFrom();
  // Deletes the certificate of that name from the store folder; false when there is none.
  bool RemoveCertificate(std::string_view name);

  // The document with an enveloped signature over the element whose Id attribute is `id` (a leading
  // "#" is accepted). Raises EvxnSignatureException on failure.
  std::string SignXmlById(std::string_view xml, std::string_view id);
  // RSA-SHA1 signature of the bytes of `data` with the signer's certificate, in Base64 (the signed
  // parameters of an NFC-e QR code in contingency). Raises what CheckCertificate raises, and
  // EvxnSignatureException when the key cannot sign.
  std::string SignDataSha1Base64(std::string_view data);

  // HTTPS POST of a SOAP 1.2 envelope with the client certificate of the HTTP settings; returns the
  // whole reply. Raises EvxnSoapException with the cause (HTTP status and SOAP fault when present).
  std::string PostSOAP(std::string_view url, std::string_view envelope, std::string_view soapAction,
                       std::string_view resultElement, std::string_view serviceNamespace);

  // Mails the files (paths, one per line) to the recipient (one or more addresses separated by ";" or
  // ","), with the server, credentials, sender, subject, body, CC, BCC and time-out of the mail settings
  // (vxnSmtpClient.h). Raises EvxnNFeException with the reason when the mail cannot be sent.
  void SendEmail(std::string_view recipient, std::string_view attachments);

  // The report operations on the print settings (vxnReportEngine.h). ExportReport writes SaveAs
  // atomically; PrintReport sends a PDF to the printer; PreviewReport makes a PDF for the host or a
  // viewer; EditReport raises EvxnNFeReportException: models are text files edited outside.
  void ExportReport();
  void PrintReport();
  void PreviewReport();
  [[noreturn]] void EditReport();

  // Downloads url into file (atomically; a ZIP archive is unpacked to its first entry). True on success.
  bool UpdateResource(std::string_view url, std::string_view file);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Checks enveloped signatures with one xmlsec1 keys manager and trust store, made when the verifier is
// made: building them reads the system's certificate bundle, which costs far more than checking one
// document, so whoever checks many documents keeps one verifier. Verify may be called from several
// threads; the calls take turns.
class TvxnXmlSignatureVerifier {
public:
  // trustedCaPem: PEM text of the authorities the signer's certificate must chain to; empty checks the
  // signature with the certificate it carries only.
  explicit TvxnXmlSignatureVerifier(std::string_view trustedCaPem = {});
  ~TvxnXmlSignatureVerifier();
  TvxnXmlSignatureVerifier(const TvxnXmlSignatureVerifier&) = delete;
  TvxnXmlSignatureVerifier& operator=(const TvxnXmlSignatureVerifier&) = delete;

  // Every Signature of the document must verify and reference the element it sits beside.
  TvxnSignatureCheck Verify(std::string_view xml) const;

  // Whether every Signature of `element` verifies where it stands in a larger tree, as Verify finds on
  // the element's own text (written out with its namespace declared on it). True only when it does;
  // false says nothing (a form this check does not read, a verifier with authorities): Verify the text.
  // Spares parsing again a document already read inside a larger one.
  bool VerifiesInPlace(const _xmlNode* element) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// One check with a verifier of its own (TvxnXmlSignatureVerifier), for a single document.
TvxnSignatureCheck VerifyXmlSignature(std::string_view xml, std::string_view trustedCaPem = {});

} // namespace vxn
