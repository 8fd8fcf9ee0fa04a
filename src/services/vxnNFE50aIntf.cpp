#include "services/vxnNFE50aIntf.h"

#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn {

std::string TvxnNFE50aIntf::StatusDoServico() {
  const std::string address = GetWSAddress("NfeStatusServico3", true);
  const std::string envelope =
      Format(LoadTemplate("pedido_status.soap"), {NFeData().LocalCode, GetPedido_Status()});
  const std::string ns = WsdlNamespace("NfeStatusServico3");
  return NFe_DesenveloparSOAP(
      Gov().PostSOAP(address, envelope, ns + "/nfeStatusServicoNF", "nfeStatusServicoNFResult", ns));
}

std::string TvxnNFE50aIntf::ConsultarNF(std::string_view chave) {
  return NFe_DesenveloparSOAP(ChamarServico(
      "NfeConsulta3", "pedido_consultanf.soap", true, [&] { return Escape(GetPedido_ConsultarNF(chave)); },
      "NfeConsulta3", "nfeConsultaNFResult", "nfeConsultaNF"));
}

std::string TvxnNFE50aIntf::InutilizarNF(std::string_view x) {
  return NFe_DesenveloparSOAP(ChamarServico(
      "NfeInutilizacao3", "pedido_inutilizarnf.soap", true, [&] { return Escape(GetPedido_InutilizarNF(x)); },
      "NfeInutilizacao3", "nfeInutilizacaoNFResult", "nfeInutilizacaoNF"));
}

std::string TvxnNFE50aIntf::ConsultarCadastro(std::string_view a, std::string_view b) {
  return NFe_DesenveloparSOAP(ChamarServico(
      "CadConsulta3", "pedido_consultacadastro.soap", true,
      [&] { return Escape(GetPedido_ConsultaCadastro(a, b)); }, "CadConsultaCadastro2",
      "consultaCadastro2Result", "consultaCadastro2"));
}

std::string TvxnNFE50aIntf::EnviarNF(std::string_view, std::string_view xml, bool compactar) {
  return Enviar(xml, compactar, false);
}

std::string TvxnNFE50aIntf::EnviarNFSincrono(std::string_view, std::string_view xml, bool compactar) {
  return Enviar(xml, compactar, true);
}

std::string TvxnNFE50aIntf::Enviar(std::string_view xml, bool compactar, bool sincrono) {
  const std::string address = GetWSAddress("NfeRecepcao3", true);
  const std::string ns = WsdlNamespace("NfeAutorizacao");
  if (!compactar) {
    const std::string envelope =
        Format(LoadTemplate("pedido_enviarnfe.soap"), {NFeData().LocalCode, Escape(xml)});
    return NFe_DesenveloparSOAP(
        Gov().PostSOAP(address, envelope, ns + "/NfeAutorizacaoLote", "nfeAutorizacaoLoteResult", ns));
  }
  const std::string envelope =
      Format(LoadTemplate("pedido_enviarnfezip.soap"), {NFeData().LocalCode, CompactaLote(Escape(xml))});
  const std::string action = ns + (sincrono ? "/NfeAutorizacaoLoteZip" : "/nfeAutorizacaoLoteZip");
  return NFe_DesenveloparSOAP(Gov().PostSOAP(address, envelope, action, "nfeAutorizacaoLoteZipResult", ns));
}

std::string TvxnNFE50aIntf::ConsultarRecibo(std::string_view recibo) {
  const std::string address = GetWSAddress("NfeRetRecepcao3", true);
  const std::string envelope = Format(LoadTemplate("pedido_consultarecibo.soap"),
                                      {NFeData().LocalCode, Escape(GetPedido_ConsultaRecibo(recibo))});
  const std::string ns = WsdlNamespace("NfeRetAutorizacao");
  return NFe_DesenveloparSOAP(
      Gov().PostSOAP(address, envelope, ns + "/NfeRetAutorizacaoLote", "NfeRetAutorizacaoLoteResult", ns));
}

std::string TvxnNFE50aIntf::CompactaLote(std::string_view xml) const {
  return Utils().EncodeBase64(Utils().GZipString(xml));
}

std::string TvxnNFE50aIntf::NFe_DesenveloparSOAP(std::string_view reply) const {
  return Desenvelopar(reply, {R"(//*[local-name()="retConsReciNFe"])", R"(//*[local-name()="retConsSitNFe"])",
                              R"(//*[local-name()="retEnviNFe"])", R"(//*[local-name()="retInutNFe"])",
                              "./soap:Envelope/soap:Body/*"});
}

std::string TvxnNFE50aIntf::Desenvelopar(std::string_view reply,
                                         std::initializer_list<std::string_view> xpaths) const {
  try {
    const std::string declaration = Format("xmlns:soap=\"%s\"", {Utils().GetXMLNamespace(reply)});
    std::string node;
    for (std::string_view xpath : xpaths) {
      if (Utils().XPathSelectSingleNode(reply, xpath, node, declaration))
        return node;
    }
  } catch (const std::exception&) {
    // A reply that cannot be read as XML goes back to the caller as it came.
  }
  return std::string(reply);
}

} // namespace vxn
