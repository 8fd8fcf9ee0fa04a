#include "services/vxnNFE60Intf.h"

#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn {

std::string TvxnNFE60Intf::StatusDoServico() {
  const std::string address = GetWSAddress("NfeStatusServico4", true);
  // The status request goes into the envelope as it is: it carries nothing that needs escaping.
  const std::string envelope = Format(LoadTemplate("pedido_status.soap"), {GetPedido_Status()});
  const std::string ns = WsdlNamespace("NfeStatusServico4");
  return NFe_DesenveloparSOAP(
      Gov().PostSOAP(address, envelope, ns + "/nfeStatusServicoNF", "nfeStatusServicoNFResult", ns));
}

std::string TvxnNFE60Intf::ConsultarNF(std::string_view chave) {
  return NFe_DesenveloparSOAP(ChamarServico(
      "NfeConsulta4", "pedido_consultanf.soap", false, [&] { return Escape(GetPedido_ConsultarNF(chave)); },
      "NfeConsulta4", "nfeConsultaNFResult", "nfeConsultaNF"));
}

std::string TvxnNFE60Intf::InutilizarNF(std::string_view x) {
  return NFe_DesenveloparSOAP(ChamarServico(
      "NfeInutilizacao4", "pedido_inutilizarnf.soap", false,
      [&] { return Escape(GetPedido_InutilizarNF(x)); }, "NfeInutilizacao4", "nfeInutilizacaoNFResult",
      "nfeInutilizacaoNF"));
}

std::string TvxnNFE60Intf::ConsultarCadastro(std::string_view a, std::string_view b) {
  return NFe_DesenveloparSOAP(ChamarServico(
      "CadConsulta4", "pedido_consultacadastro.soap", false,
      [&] { return Escape(GetPedido_ConsultaCadastro(a, b)); }, "CadConsultaCadastro4",
      "consultaCadastro2Result", "consultaCadastro"));
}

std::string TvxnNFE60Intf::Enviar(std::string_view xml, bool compactar, bool sincrono) {
  const std::string address = GetWSAddress("NfeRecepcao4", true);
  const std::string ns = WsdlNamespace("NfeAutorizacao4");
  if (!compactar) {
    const std::string envelope = Format(LoadTemplate("pedido_enviarnfe.soap"), {Escape(xml)});
    return NFe_DesenveloparSOAP(
        Gov().PostSOAP(address, envelope, ns + "/NfeAutorizacaoLote", "nfeAutorizacaoLoteResult", ns));
  }
  const std::string envelope = Format(LoadTemplate("pedido_enviarnfezip.soap"), {CompactaLote(Escape(xml))});
  // The two ways of sending name the compressed operation differently, down to its case.
  const std::string action = ns + (sincrono ? "/NfeAutorizacaoLoteZip" : "/nfeAutorizacaoLoteZIP");
  const std::string result = sincrono ? "nfeAutorizacaoLoteZipResult" : "nfeAutorizacaoLoteZIPResult";
  return NFe_DesenveloparSOAP(Gov().PostSOAP(address, envelope, action, result, ns));
}

std::string TvxnNFE60Intf::ConsultarRecibo(std::string_view recibo) {
  const std::string address = GetWSAddress("NfeRetRecepcao4", true);
  const std::string envelope =
      Format(LoadTemplate("pedido_consultarecibo.soap"), {Escape(GetPedido_ConsultaRecibo(recibo))});
  const std::string ns = WsdlNamespace("NFeRetAutorizacao4");
  return NFe_DesenveloparSOAP(
      Gov().PostSOAP(address, envelope, ns + "/NFeRetAutorizacao4", "nfeConsultaNFResult", ns));
}

std::string TvxnNFE60Intf::CompactaLote(std::string_view xml) const {
  return Utils().CompressBase64Gz(xml);
}

std::string TvxnNFE60Intf::NFe_DesenveloparSOAP(std::string_view reply) const {
  return Desenvelopar(reply, {R"(//*[local-name()="retConsStatServ"])",
                              R"(//*[local-name()="retConsReciNFe"])", R"(//*[local-name()="retConsSitNFe"])",
                              R"(//*[local-name()="retEnviNFe"])", R"(//*[local-name()="retInutNFe"])",
                              R"(//*[local-name()="retConsCad"])", "./soap:Envelope/soap:Body/*"});
}

} // namespace vxn
