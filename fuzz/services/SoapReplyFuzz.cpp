// What comes back from a web service, taken apart as the component takes it: the result element of the
// NF-e services of layouts 3.10 and 4.00, the events' unwrapping, the SOAP fault's text and the escaped
// content of a result, and the values the component then reads from it (receipt, protocol, status).
#include "events/vxnEventosXMLUtils.h"
#include "services/vxnNFE50aIntf.h"
#include "services/vxnNFE60Intf.h"
#include "support/FuzzHome.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"
#include "vxnNFeSettings.h"
#include "vxnSoapClient.h"
#include "xml/vxnNFeUtils.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

struct Services {
  vxn::TNFeData data;
  vxn::TvxnGovX gov;
  vxn::TvxnGovUtils utils;
  vxn::TvxnNFE50aIntf v310{data, gov, utils};
  vxn::TvxnNFE60Intf v400{data, gov, utils};
};

Services& TheServices() {
  static Services services;
  return services;
}

// The readers the component applies to an unwrapped reply.
void ReadValues(const std::string& reply) {
  vxn::ObterNumRecibo(reply);
  vxn::ObterNumProt(reply);
  vxn::ObtercStat(reply);
  vxn::ObterTpAmb(reply);
  vxn::ObterChaveNota(reply);
  vxn::GetValueTagFilho("infProt", "xMotivo", reply);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vxn::fuzz::FuzzHome();
  TheServices();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  Services& s = TheServices();
  try {
    ReadValues(s.v400.NFe_DesenveloparSOAP(reply));
    ReadValues(s.v310.NFe_DesenveloparSOAP(reply));
    ReadValues(vxn::TvxnEventosXMLUtils::Eventos_DesenveloparSOAP(reply));
    vxn::outside::TvxnSoapClient::SoapFaultText(reply);
    vxn::TvxnEventosXMLUtils::ExtractEscapedContent(reply);
  } catch (const vxn::EvxnException&) {
  }
  return 0;
}
