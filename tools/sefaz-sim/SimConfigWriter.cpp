// The files with which a component, the command-line tool or a person uses a running local server: the
// issuer's configuration in the folder, the recipient's (the other side of the examples' sale) in its
// subfolder "destinatario/", and an issuer of alphanumeric CNPJ in "alfanumerico/".
#include "sefaz-sim/SefazSim.h"

#include "vxnFiles.h"
#include "vxnPaths.h"

namespace vxn::sim {

namespace {

constexpr const char* kClientPassword = "1234";
constexpr const char* kClientCnpj = "11222333000181";
// The recipient of the examples (examples/venda-sp-mg-*.txt): a company in Belo Horizonte, MG.
constexpr const char* kRecipientCnpj = "17444555000125";
constexpr const char* kRecipientCompany = "COMERCIAL MINEIRA DE TESTE LTDA";
// An issuer registered after July 2026, whose CNPJ is alphanumeric (the published
// example 12.ABC.345/01DE-35).
constexpr const char* kAlphanumericCnpj = "12ABC34501DE35";
constexpr const char* kAlphanumericCompany = "EMPRESA ALFANUMERICA DE TESTE LTDA";

struct TParte {
  std::string Uf, Cnpj, Certificate, Password, CscId, Csc;
};

// A component INI file: homologation, layout 4.00, the party's state and CNPJ, the simulator's servers
// file for both environments (it only answers homologation), the party's test certificate, logs in
// `dir`, and no download of the published servers files over the local ones.
std::string ConfigIniText(const TParte& p, const std::string& servers, const std::string& authority,
                          const std::string& dir, bool pastasProprias) {
  std::string ini = "[NFE]\r\n";
  auto add = [&ini](const std::string& key, const std::string& value) { ini += key + "=" + value + "\r\n"; };
  add("VersaoManual", "6.0");
  add("UF", p.Uf);
  add("Ambiente", "2");
  add("CNPJ", p.Cnpj);
  add("ModoOperacao", "NORMAL");
  add("ArquivoServidoresHom", servers);
  add("ArquivoServidoresProd", servers);
  add("AtualizarArquivoServidores", "0");
  add("TipoCertificado", "FILE");
  add("CaminhoCertificado", p.Certificate);
  add("SenhaCertificado", p.Password);
  add("DiretorioLog", dir + "Log/");
  add("DiretorioLogErro", dir + "LogErro/");
  if (pastasProprias) {
    add("DiretorioXmlDestinatario", dir + "XmlDestinatario/");
    add("DiretorioDownloads", dir + "Downloads/");
  }
  add("SalvarLogsEmDisco", "1");
  add("ValidarEsquema", "1");
  add("ConexaoSegura", "1");
  // The server's certificate is verified, against the test authority alone.
  add("ArquivoCAExclusivo", authority);
  add("TimeOut", "30000");
  // The NFC-e QR code: version 3 needs nothing more; the CSC this server knows serves version 2.
  add("VersaoQRCode", "3");
  add("IdCSC", p.CscId);
  add("CSC", p.Csc);
  return ini;
}

// The CL-e component's INI file: the issuer's CNPJ and certificate, lots leaving SP, the same servers
// file (it holds the CleCadastro key), requests checked against the schema before they go.
std::string CleConfigIniText(const TParte& p, const std::string& servers, const std::string& authority,
                             const std::string& dir) {
  std::string ini = "[CLE]\r\n";
  auto add = [&ini](const std::string& key, const std::string& value) { ini += key + "=" + value + "\r\n"; };
  add("CNPJ", p.Cnpj);
  add("Ambiente", "2");
  add("UFOrigem", p.Uf);
  add("ArquivoServidoresHom", servers);
  add("ArquivoServidoresProd", servers);
  add("TipoCertificado", "FILE");
  add("CaminhoCertificado", p.Certificate);
  add("SenhaCertificado", p.Password);
  add("ArquivoCAExclusivo", authority);
  add("DiretorioLog", dir + "Log/");
  add("DiretorioLogErro", dir + "LogErro/");
  add("ValidarEsquema", "1");
  add("ConexaoSegura", "1");
  add("TimeOut", "30000");
  return ini;
}

} // namespace

TSefazSimConfigFiles TSefazSim::WriteConfig(const std::string& directory) const {
  const std::string dir = IncludeTrailingPathDelimiter(ExpandPath(directory));
  const std::string recipientDir = dir + "destinatario/";
  ForceDirectories(recipientDir);
  const std::string alphanumericDir = dir + "alfanumerico/";
  ForceDirectories(alphanumericDir);
  TSefazSimConfigFiles f;
  f.ServersFile = dir + "nfeServidoresSim.ini";
  f.ConfigFile = dir + "nfeConfig.ini";
  f.CleConfigFile = dir + "cleConfig.ini";
  f.ClientCertificate = dir + "cliente-teste.pfx";
  f.ClientPassword = kClientPassword;
  f.AuthorityCertificate = dir + "sefaz-sim-ca.pem";
  f.Cnpj = kClientCnpj;
  f.RecipientConfigFile = recipientDir + "nfeConfig.ini";
  f.RecipientCertificate = recipientDir + "destinatario-teste.pfx";
  f.RecipientCnpj = kRecipientCnpj;
  f.AlphanumericConfigFile = alphanumericDir + "nfeConfig.ini";
  f.AlphanumericCertificate = alphanumericDir + "emitente-alfanumerico-teste.pfx";
  f.AlphanumericCnpj = kAlphanumericCnpj;

  dev::TvxnDevClientOptions client;
  client.Cnpj = kClientCnpj;
  client.Password = kClientPassword;
  dev::TvxnDevClientOptions recipient;
  recipient.CompanyName = kRecipientCompany;
  recipient.Cnpj = kRecipientCnpj;
  recipient.Password = kClientPassword;
  WriteFileAtomic(f.ClientCertificate, Authority().IssueClientPkcs12(client));
  WriteFileAtomic(f.RecipientCertificate, Authority().IssueClientPkcs12(recipient));
  dev::TvxnDevClientOptions alphanumeric;
  alphanumeric.CompanyName = kAlphanumericCompany;
  alphanumeric.Cnpj = kAlphanumericCnpj;
  alphanumeric.Password = kClientPassword;
  WriteFileAtomic(f.AlphanumericCertificate, Authority().IssueClientPkcs12(alphanumeric));
  WriteFileAtomic(f.AuthorityCertificate, Authority().CertificatePem());
  WriteFileAtomic(f.ServersFile, ServersIniText());
  WriteFileAtomic(f.ConfigFile, ConfigIniText({"SP", kClientCnpj, f.ClientCertificate, kClientPassword,
                                               Options().NFCeCscId, Options().NFCeCsc},
                                              f.ServersFile, f.AuthorityCertificate, dir, false));
  WriteFileAtomic(f.CleConfigFile,
                  CleConfigIniText({"SP", kClientCnpj, f.ClientCertificate, kClientPassword, "", ""},
                                   f.ServersFile, f.AuthorityCertificate, dir));
  WriteFileAtomic(f.RecipientConfigFile,
                  ConfigIniText({"MG", kRecipientCnpj, f.RecipientCertificate, kClientPassword,
                                 Options().NFCeCscId, Options().NFCeCsc},
                                f.ServersFile, f.AuthorityCertificate, recipientDir, true));
  WriteFileAtomic(f.AlphanumericConfigFile,
                  ConfigIniText({"SP", kAlphanumericCnpj, f.AlphanumericCertificate, kClientPassword,
                                 Options().NFCeCscId, Options().NFCeCsc},
                                f.ServersFile, f.AuthorityCertificate, alphanumericDir, true));
  return f;
}

} // namespace vxn::sim
