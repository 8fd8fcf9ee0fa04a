// nfe cle: sends a CL-e (the lot of the access keys of NF-e carried together, with the carrier, the
// transport and the states) described by an INI file, and prints the authority's reply; optionally exports
// the printed form of the registered CL-e to PDF.
#include "NfeCommands.h"
#include "NfeExitCodes.h"
#include "NfeToolError.h"
#include "cle/vxnCle.h"
#include "cle/vxnCleException.h"
#include "events/vxnEventosXMLUtils.h"
#include "vxnIniFile.h"
#include "vxnNFe.h"
#include "vxnText.h"

#include <filesystem>
#include <iostream>
#include <memory>

namespace vxn::tool {

namespace {

namespace fs = std::filesystem;

struct TCleOptions {
  std::string Arquivo;
  std::string Pdf;
  bool Xml = false;
};

// The CL-e component takes the party, certificate, servers file and folders of the NF-e component the
// session configured (the embedded default or --config).
void ConfigurarDaSessao(TvxnCle& cle, TNfeSession& session) {
  TvxnNFe& nfe = session.Conectado();
  cle.SetCNPJ(nfe.GetCNPJ());
  cle.SetAmbiente(nfe.GetAmbiente());
  cle.SetArquivoServidoresHom(nfe.GetArquivoServidoresHom());
  cle.SetArquivoServidoresProd(nfe.GetArquivoServidoresProd());
  cle.SetTipoCertificado(nfe.GetTipoCertificado());
  cle.SetCaminhoCertificado(nfe.GetCaminhoCertificado());
  cle.SetSenhaCertificado(nfe.GetSenhaCertificado());
  cle.SetNomeCertificado(Trim(nfe.GetNomeCertificado().Text()));
  cle.SetModuloPKCS11(nfe.GetModuloPKCS11());
  cle.SetPinCode(nfe.GetPinCode());
  cle.SetArquivoCAExclusivo(nfe.GetArquivoCAExclusivo());
  cle.SetIgnoreInvalidCertificates(nfe.GetIgnoreInvalidCertificates());
  cle.SetConexaoSegura(nfe.GetConexaoSegura());
  cle.SetTimeOut(nfe.GetTimeOut());
  cle.SetDiretorioLog(nfe.GetDiretorioLog());
  cle.SetDiretorioLogErro(nfe.GetDiretorioLogErro());
  cle.SetValidarEsquemaAntesEnvio(true);
  // With --verbose the session tells of every log written; the CL-e's logs are told the same way.
  if (const TOnLogEventNFe& avisar = nfe.GetOnLog())
    cle.SetOnLog([avisar](const std::string& nome, const std::string& id, const std::string& arquivo,
                          const std::string&) { avisar(nome, id, arquivo); });
}

// The lot of the file: sections Transportador, Rodoviario or Outro, and Lote (UFOrigem, UFDestino, Chaves).
std::string LerLote(TvxnCle& cle, const TvxnIniFile& ini) {
  TvxnCleTransportador& t = cle.Transportador();
  t.SetCNPJ(ini.ReadString("Transportador", "CNPJ", ""));
  t.SetCPF(ini.ReadString("Transportador", "CPF", ""));
  t.SetNome(ini.ReadString("Transportador", "Nome", ""));
  t.SetFantasia(ini.ReadString("Transportador", "Fantasia", ""));
  TvxnCleModRodoviario& r = cle.Modalidade().Rodoviario();
  r.SetPlacaVeiculo(ini.ReadString("Rodoviario", "PlacaVeiculo", ""));
  r.SetUFVeiculo(ini.ReadString("Rodoviario", "UFVeiculo", ""));
  r.SetPlacaCarreta(ini.ReadString("Rodoviario", "PlacaCarreta", ""));
  r.SetUFCarreta(ini.ReadString("Rodoviario", "UFCarreta", ""));
  r.SetPlacaCarreta2(ini.ReadString("Rodoviario", "PlacaCarreta2", ""));
  r.SetUFCarreta2(ini.ReadString("Rodoviario", "UFCarreta2", ""));
  TvxnCleModOutro& o = cle.Modalidade().Outro();
  o.SetModalidade(ini.ReadString("Outro", "Modalidade", ""));
  o.SetUFTransporte(ini.ReadString("Outro", "UFTransporte", ""));
  o.SetIdentMeioTransporte(ini.ReadString("Outro", "IdentMeioTransporte", ""));
  cle.SetUFOrigem(ini.ReadString("Lote", "UFOrigem", cle.GetUFOrigem()));
  cle.SetUFDestino(ini.ReadString("Lote", "UFDestino", ""));
  return ini.ReadString("Lote", "Chaves", "");
}

int RunCle(TNfeSession& session, const TCleOptions& o) {
  const fs::path arquivo = fs::absolute(fs::path(o.Arquivo));
  if (!fs::is_regular_file(arquivo))
    throw ENfeToolError(kExitEntrada, "file not found: " + arquivo.string());
  const TvxnIniFile ini(arquivo.string());
  TvxnCle cle;
  // A file with a section CLE carries its own configuration; otherwise the session's is used.
  try {
    if (ini.SectionExists("CLE")) {
      cle.LoadConfig(arquivo.string());
      cle.CheckCertificate();
    } else {
      ConfigurarDaSessao(cle, session);
    }
  } catch (const EvxnCLeConfigException& e) {
    throw ENfeToolError(kExitConfiguracao, e.ClassName() + ": " + e.Message());
  } catch (const EvxnCLeCertificadoException& e) {
    throw ENfeToolError(kExitConfiguracao, e.ClassName() + ": " + e.Message());
  }
  const std::string chaves = LerLote(cle, ini);
  const std::string pedido = cle.MontarXmlCLe(chaves);
  const std::string retorno = cle.EnviarCLe(pedido);
  const std::string cStat = TvxnEventosXMLUtils::GetValueTag("cStat", retorno);
  if (o.Xml)
    std::cout << retorno << "\n";
  else {
    std::cout << cStat << " " << TvxnEventosXMLUtils::GetValueTag("xMotivo", retorno) << "\n";
    if (cStat == "129")
      std::cout << "chvCLe " << TvxnEventosXMLUtils::GetValueTag("chvCLe", retorno) << "\n";
  }
  if (cStat != "129")
    return kExitRecusado;
  if (!o.Pdf.empty()) {
    const std::string pdf = fs::absolute(fs::path(o.Pdf)).string();
    cle.ExportarCLe(pedido, retorno, pdf);
    std::cerr << "nfe: CL-e form written to " << pdf << "\n";
  }
  return kExitOk;
}

} // namespace

void AddCleCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TCleOptions>();
  CLI::App* cmd = app.add_subcommand(
      "cle", "Send a CL-e: the access keys of NF-e carried together, with the carrier and the transport");
  cmd->footer("ARQUIVO.ini holds the lot: [Transportador] CNPJ or CPF, Nome, Fantasia; [Rodoviario]\n"
              "PlacaVeiculo, UFVeiculo, PlacaCarreta, UFCarreta, PlacaCarreta2, UFCarreta2, or [Outro]\n"
              "Modalidade, UFTransporte, IdentMeioTransporte; [Lote] UFOrigem, UFDestino, Chaves (comma-\n"
              "separated). A section [CLE] makes the file the CL-e configuration too (docs/cle.md);\n"
              "otherwise the party, certificate and servers of the session are used.\n"
              "Prints the status of the reply (129 when the CL-e is registered) and the CL-e key.\n"
              "Exit code 0 for 129, 1 for a rejection, 3 no such file, 4 unusable configuration,\n"
              "5 a refused lot (its message) or a failed send.");
  cmd->add_option("ARQUIVO", o->Arquivo, "INI file of the lot")->required();
  cmd->add_option("--pdf", o->Pdf, "Export the printed form of the registered CL-e to this PDF file");
  cmd->add_flag("--xml", o->Xml, "Print the whole reply (retCadCLe) instead of the status lines");
  cmd->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunCle(s, *o); }; });
}

} // namespace vxn::tool
