// The files with which a component, the command-line tool or a person uses a running local server.
#include "sefaz-sim/SefazSim.h"

#include "vxnFiles.h"
#include "vxnPaths.h"

namespace vxn::sim {

namespace {

constexpr const char* kClientPassword = "1234";
constexpr const char* kClientCnpj = "11222333000181";

// The component INI file: homologation, layout 4.00, state SP, the simulator's servers file for both
// environments (it only answers homologation), the test certificate, logs beside the file, and no
// download of the published servers files over the local ones.
std::string ConfigIniText(const TSefazSimConfigFiles& f, const std::string& dir) {
  std::string ini = "[NFE]\r\n";
  auto add = [&ini](const std::string& key, const std::string& value) { ini += key + "=" + value + "\r\n"; };
  add("VersaoManual", "6.0");
  add("UF", "SP");
  add("Ambiente", "2");
  add("CNPJ", f.Cnpj);
  add("ModoOperacao", "NORMAL");
  add("ArquivoServidoresHom", f.ServersFile);
  add("ArquivoServidoresProd", f.ServersFile);
  add("AtualizarArquivoServidores", "0");
  add("TipoCertificado", "FILE");
  add("CaminhoCertificado", f.ClientCertificate);
  add("SenhaCertificado", f.ClientPassword);
  add("DiretorioLog", dir + "Log/");
  add("DiretorioLogErro", dir + "LogErro/");
  add("SalvarLogsEmDisco", "1");
  add("ValidarEsquema", "1");
  add("ConexaoSegura", "1");
  add("TimeOut", "30000");
  return ini;
}

} // namespace

TSefazSimConfigFiles TSefazSim::WriteConfig(const std::string& directory) const {
  const std::string dir = IncludeTrailingPathDelimiter(ExpandPath(directory));
  ForceDirectories(dir);
  TSefazSimConfigFiles f;
  f.ServersFile = dir + "nfeServidoresSim.ini";
  f.ConfigFile = dir + "nfeConfig.ini";
  f.ClientCertificate = dir + "cliente-teste.pfx";
  f.ClientPassword = kClientPassword;
  f.AuthorityCertificate = dir + "sefaz-sim-ca.pem";
  f.Cnpj = kClientCnpj;

  dev::TvxnDevClientOptions client;
  client.Cnpj = kClientCnpj;
  client.Password = kClientPassword;
  WriteFileAtomic(f.ClientCertificate, Authority().IssueClientPkcs12(client));
  WriteFileAtomic(f.AuthorityCertificate, Authority().CertificatePem());
  WriteFileAtomic(f.ServersFile, ServersIniText());
  WriteFileAtomic(f.ConfigFile, ConfigIniText(f, dir));
  return f;
}

} // namespace vxn::sim
