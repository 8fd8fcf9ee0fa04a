#include "services/vxnNFE60Intf.h"

#include "vxnFormat.h"
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

std::string TvxnNFE60Intf::NFe_DesenveloparSOAP(std::string_view reply) const {
  return Desenvelopar(reply, {R"(//*[local-name()="retConsStatServ"])",
                              R"(//*[local-name()="retConsReciNFe"])", R"(//*[local-name()="retConsSitNFe"])",
                              R"(//*[local-name()="retEnviNFe"])", R"(//*[local-name()="retInutNFe"])",
                              R"(//*[local-name()="retConsCad"])", "./soap:Envelope/soap:Body/*"});
}

} // namespace vxn
