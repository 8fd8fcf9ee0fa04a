// The test certificate of the embedded default: a test authority (which the in-process local server
// trusts) and an e-CNPJ style client certificate issued by it, as PKCS#12. Created on first use in the
// user's data folder and reused afterwards, so that documents signed on one run and the distribution XML
// of another carry the same certificate.
#pragma once

#include <string>

namespace vxn::tool {

struct TNfeTestCertificate {
  std::string AuthorityCertificatePem;
  std::string AuthorityPrivateKeyPem;
  std::string AuthorityCertificatePath; // the same certificate as a PEM file
  std::string ClientPkcs12Path;
  std::string ClientPassword;
  std::string Cnpj;
  // The local server's TLS certificate (for 127.0.0.1 and localhost) issued by the test authority, and
  // its key: kept beside the authority so that starting the server makes no key.
  std::string ServerCertificatePem;
  std::string ServerPrivateKeyPem;
  // true when this call made the files (first use, or the client certificate was about to expire).
  bool Created = false;
};

// The certificate kept under dataDir + "certificado-teste/" (a folder only its owner can enter), made
// there when missing; likewise the local server's certificate. Concurrent first uses are serialised by a lock
// file, and every file is written atomically, so a half-made certificate is never seen.
TNfeTestCertificate NfeTestCertificate(const std::string& dataDir);

// The certificate of the examples' recipient (CNPJ 17444555000125, the other side of the example sale),
// issued by the same test authority and kept beside the client certificate
// ("certificado-teste/destinatario-teste.pfx", password 1234); issued again when missing, older than the
// authority or about to expire. The result names it as the client certificate.
TNfeTestCertificate NfeRecipientCertificate(const std::string& dataDir);

// Likewise the certificate of an issuer whose CNPJ is alphanumeric (12ABC34501DE35, "EMPRESA ALFANUMERICA
// DE TESTE LTDA"), kept as "certificado-teste/emitente-alfanumerico-teste.pfx".
TNfeTestCertificate NfeAlphanumericIssuerCertificate(const std::string& dataDir);

} // namespace vxn::tool
