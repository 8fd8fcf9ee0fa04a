// nfe dpec: the declaration of documents issued in contingency (DPEC, tpEmis 4) of the layouts before
// 3.10 to the national environment, and its query by access key or registration number. The DPEC
// component takes the session's issuer, certificate, servers file, trust and folders.
#include "NfeCommands.h"
#include "NfeExitCodes.h"
#include "NfeInput.h"
#include "NfeReplies.h"
#include "NfeToolError.h"
#include "contingency/vxnNFeDPEC.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <iostream>
#include <memory>

namespace vxn::tool {

namespace {

struct TDpecOptions {
  std::string Lote;  // declarar: the NF-e lot file ("-": standard input)
  std::string Valor; // consultar: a key (44 characters) or a registration number (15)
  bool Xml = false;
};

// The DPEC component configured as the session's NF-e component. Its layout is the session's when it is
// one of those DPEC served (up to 2.00), otherwise 2.00 (vm50). No schemas of the declaration are
// shipped: the authority judges the message.
std::unique_ptr<TvxnNFeDPEC> ComponenteDPEC(TvxnNFe& n) {
  auto d = std::make_unique<TvxnNFeDPEC>();
  d->SetDiretorioLogErro(n.GetDiretorioLogErro());
  d->SetVersaoManual(n.GetVersaoManual() <= vm50 ? n.GetVersaoManual() : vm50);
  d->SetUF(n.GetUF());
  d->SetCNPJ(n.GetCNPJ());
  d->SetAmbiente(n.GetAmbiente());
  d->SetTipoCertificado(n.GetTipoCertificado());
  d->SetCaminhoCertificado(n.GetCaminhoCertificado());
  d->SetSenhaCertificado(n.GetSenhaCertificado());
  d->SetNomeCertificado(n.GetNomeCertificado().Text());
  d->SetPinCode(n.GetPinCode());
  d->SetModuloPKCS11(n.GetModuloPKCS11());
  d->SetArquivoServidoresHom(n.GetArquivoServidoresHom());
  d->SetArquivoServidoresProd(n.GetArquivoServidoresProd());
  d->SetAtualizarArquivoServidores(n.GetAtualizarArquivoServidores());
  d->SetArquivoCAAdicional(n.GetArquivoCAAdicional());
  d->SetArquivoCAExclusivo(n.GetArquivoCAExclusivo());
  d->SetSomenteRaizesICPBrasil(n.GetSomenteRaizesICPBrasil());
  d->SetIgnoreInvalidCertificates(n.GetIgnoreInvalidCertificates());
  d->SetConexaoSegura(n.GetConexaoSegura());
  d->SetTimeOut(n.GetTimeOut());
  d->SetProxy(n.GetProxy());
  d->SetUsuario(n.GetUsuario());
  d->SetSenha(n.GetSenha());
  d->SetDiretorioLog(n.GetDiretorioLog());
  d->SetSalvarLogsEmDisco(n.GetSalvarLogsEmDisco());
  d->SetDiretorioTemplates(n.GetDiretorioTemplatesConfigurado());
  d->SetDiretorioEsquemas(n.GetDiretorioEsquemasConfigurado());
  d->SetValidarEsquemaAntesEnvio(false);
  d->SetOnLog(n.GetOnLog());
  return d;
}

// The status line, the registration when the reply has one, or the whole reply.
int Imprimir(const std::string& resposta, bool xml, std::string_view aceito) {
  const TNfeStatus status = ReplyStatus(resposta);
  if (xml) {
    std::cout << resposta << "\n";
  } else {
    std::cout << status.CStat << " " << status.XMotivo << "\n";
    if (const std::string nReg = GetValueTag("nRegDPEC", resposta); !nReg.empty())
      std::cout << "registro " << nReg << " " << GetValueTag("dhRegDPEC", resposta) << "\n";
  }
  return status.CStat == aceito ? kExitOk : kExitRecusado;
}

int RunDeclarar(TNfeSession& session, const TDpecOptions& o) {
  const std::string lote = ReadInput(o.Lote);
  if (FindBytes(lote, "<infNFe") == std::string::npos)
    throw ENfeToolError(kExitEntrada, o.Lote + ": holds no NF-e (infNFe) to declare");
  auto dpec = ComponenteDPEC(session.Conectado());
  std::string resposta;
  dpec->EnviarDPEC(dpec->AssinarDPEC(dpec->MontarDPEC(lote)), resposta);
  return Imprimir(resposta, o.Xml, "124");
}

int RunConsultar(TNfeSession& session, const TDpecOptions& o) {
  const std::size_t tamanho = Utf8Length(o.Valor);
  if (tamanho != 44 && tamanho != 15)
    throw ENfeToolError(kExitUso, "dpec consultar: '" + o.Valor +
                                      "' is neither an access key (44 characters) nor a registration "
                                      "number (15)");
  auto dpec = ComponenteDPEC(session.Conectado());
  const TParamConsDPEC tipo = tamanho == 15 ? pcRegDpec : pcChaveNFe;
  return Imprimir(dpec->ConsultarDPEC(tipo, o.Valor), o.Xml, "125");
}

} // namespace

void AddDpecCommand(CLI::App& app, TNfeCommandLine& cl) {
  auto o = std::make_shared<TDpecOptions>();
  CLI::App* cmd = app.add_subcommand(
      "dpec",
      "Declare documents issued in contingency (DPEC, layouts up to 2.00) to the national environment");
  cmd->require_subcommand(1);
  cmd->footer("The documents carry tpEmis 4; their DANFE may be printed once the declaration is registered.\n"
              "Layout: the session's when it is 2.00 or older, otherwise 2.00 (vm50).");

  CLI::App* declarar = cmd->add_subcommand("declarar", "Build, sign and send the declaration of an NF-e lot");
  declarar->footer("Prints the status (124 when registered) and 'registro NUMBER DATE-TIME'.\n"
                   "Exit code 0 for 124, 1 for a refusal, 3 for a file without NF-e.");
  declarar->add_option("lote", o->Lote, "NF-e lot XML (infNFe or NFe elements); - for standard input")
      ->required();
  declarar->add_flag("--xml", o->Xml, "Print the whole reply (retDPEC)");
  declarar->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunDeclarar(s, *o); }; });

  CLI::App* consultar =
      cmd->add_subcommand("consultar", "Query a declaration by access key (44) or registration number (15)");
  consultar->footer("Prints the status (125 when found) and the registration. Exit code 0 for 125, 1 for\n"
                    "another status, 2 for a value of neither length.");
  consultar->add_option("valor", o->Valor, "Access key or registration number")->required();
  consultar->add_flag("--xml", o->Xml, "Print the whole reply (retConsDPEC)");
  consultar->callback([&cl, o] { cl.Acao = [o](TNfeSession& s) { return RunConsultar(s, *o); }; });
}

} // namespace vxn::tool
