#include "services/vxnNFEInterface.h"

#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "xml/vxnNFeNamespaces.h"
#include "xml/vxnNFeTemplateFiles.h"

namespace vxn {

namespace {

[[noreturn]] void AbstractCall() {
  throw EvxnException("Abstract Error");
}

} // namespace

TvxnNFEInterface::TvxnNFEInterface(TNFeData& nfeData, TvxnGovX& gov, TvxnGovUtils& utils)
    : nfeData_(&nfeData), gov_(&gov), utils_(&utils) {}

std::string TvxnNFEInterface::GetPedido_Status() {
  return Format(LoadTemplate("pedido_status.xml"), {NFeData().AmbienteStr, NFeData().LocalCode});
}

std::string TvxnNFEInterface::GetPedido_CancelarNF(std::string_view x) {
  return LimparXML(Format(LoadTemplate("pedido_cancelarnf.xml"), {x}));
}

std::string TvxnNFEInterface::GetPedido_ConsultarNF(std::string_view chave) {
  return Format(LoadTemplate("pedido_consultanf.xml"), {NFeData().AmbienteStr, chave});
}

std::string TvxnNFEInterface::GetPedido_ConsultaRecibo(std::string_view recibo) {
  return Format(LoadTemplate("pedido_consultarecibo.xml"), {NFeData().AmbienteStr, recibo});
}

std::string TvxnNFEInterface::GetPedido_InutilizarNF(std::string_view x) {
  return LimparXML(Format(LoadTemplate("pedido_inutilizarnf.xml"), {x}));
}

std::string TvxnNFEInterface::GetPedido_ConsultaCadastro(std::string_view a, std::string_view b) {
  return Format(LoadTemplate("pedido_consultacadastro.xml"), {a, b});
}

std::string TvxnNFEInterface::CalculaChaveNFe(std::string_view, std::string_view, std::string_view,
                                              std::string_view, std::string_view, std::string_view,
                                              std::string_view, std::string_view) {
  AbstractCall();
}
std::string TvxnNFEInterface::StatusDoServico() {
  AbstractCall();
}
std::string TvxnNFEInterface::CancelarNF(std::string_view) {
  AbstractCall();
}
std::string TvxnNFEInterface::ConsultarNF(std::string_view) {
  AbstractCall();
}
std::string TvxnNFEInterface::InutilizarNF(std::string_view) {
  AbstractCall();
}
std::string TvxnNFEInterface::EnviarNF(std::string_view, std::string_view, bool) {
  AbstractCall();
}
std::string TvxnNFEInterface::EnviarNFSincrono(std::string_view, std::string_view, bool) {
  AbstractCall();
}
std::string TvxnNFEInterface::ConsultarRecibo(std::string_view) {
  AbstractCall();
}
std::string TvxnNFEInterface::ConsultarCadastro(std::string_view, std::string_view) {
  AbstractCall();
}

std::string TvxnNFEInterface::ChamarServico(std::string_view chave, std::string_view envelope, bool comUF,
                                            const std::function<std::string()>& dados, std::string_view wsdl,
                                            std::string_view resultado, std::string_view operacao) const {
  const std::string address = GetWSAddress(chave, true);
  const std::string modelo = LoadTemplate(envelope);
  const std::string soap = comUF ? Format(modelo, {NFeData().LocalCode, dados()}) : Format(modelo, {dados()});
  const std::string ns = WsdlNamespace(wsdl);
  const std::string action = operacao.empty() ? ns : ns + "/" + std::string(operacao);
  return Gov().PostSOAP(address, soap, action, resultado, ns);
}

std::string TvxnNFEInterface::LoadTemplate(std::string_view name) const {
  return LoadTemplateInterface(NFeData().VersaoManual, NFeData().UF, NFeData().DiretorioTemplates, name,
                               Utils(), diretorioLogErro_);
}

std::string TvxnNFEInterface::ArquivoServidores() const {
  if (NFeData().ServersIni && !NFeData().ServersIni->FileName().empty())
    return NFeData().ServersIni->FileName();
  return NFeData().Ambiente == akProducao ? NFeData().ArquivoServidoresProd : NFeData().ArquivoServidoresHom;
}

std::string TvxnNFEInterface::GetWSAddress(std::string_view service, bool mustExist) const {
  std::string section;
  switch (NFeData().ModoOperacao) {
  case moNormal:
    section = NFeData().UF;
    break;
  case moSVCAN:
    section = "SVCAN";
    break;
  case moSVCRS:
    section = "SVCRS";
    break;
  case moEPEC:
    break; // the EPEC mode has no address of its own
  }
  std::string address;
  if (!section.empty() && NFeData().ServersIni)
    address = NFeData().ServersIni->ReadString(section, service, "");
  if (address.empty() && mustExist)
    throw EvxnNFeAddressException("Servidor para %s não definido no arquivo: %s",
                                  {service, ArquivoServidores()}, diretorioLogErro_);
  return address;
}

std::string TvxnNFEInterface::LimparXML(std::string_view xml) {
  std::string s(xml);
  constexpr std::string_view kDeclaracao = "<?xml version=\"1.0\"?>";
  if (const std::size_t p = s.find(kDeclaracao); p != std::string::npos)
    s.erase(p, kDeclaracao.size());
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      ++i;
      continue;
    }
    out += s[i];
  }
  return out;
}

std::string TvxnNFEInterface::Escape(std::string_view text) const {
  return Utils().Escape(text);
}

std::string TvxnNFEInterface::GetSignatureInfo() const {
  return LoadTemplate("signature_info.xml");
}

} // namespace vxn
