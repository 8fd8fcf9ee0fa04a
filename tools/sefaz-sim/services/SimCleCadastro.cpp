#include "sefaz-sim/services/SimCleCadastro.h"

#include "events/vxnEventosXMLUtils.h"
#include "sefaz-sim/SimEvents.h"
#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimStates.h"
#include "vxnFormat.h"
#include "xml/vxnNFeNamespaces.h"
#include "xml/vxnNFeUtils.h"

#include <functional>

namespace vxn::sim {

namespace {

constexpr const char* kSchema = "cle_v1.00.xsd";

std::string Rejection(int cStat, std::string_view cUF) {
  return Format(R"(<retCadCLe xmlns="%s" versao="1.00"><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
                R"(<cStat>%d</cStat><xMotivo>%s</xMotivo><cUF>%s</cUF><dhRecbto>%s</dhRecbto></retCadCLe>)",
                {std::string(uri::kNFe), std::string(kVerAplic), cStat, MotivoOf(cStat), std::string(cUF),
                 NowBrasilia()});
}

} // namespace

std::string TSimCleCadastro::WsdlName() const {
  return "CleCadastro";
}

std::vector<std::string> TSimCleCadastro::ServerKeys() const {
  return {"CleCadastro"};
}

std::vector<std::string> TSimCleCadastro::Actions() const {
  return {WsdlNamespace("CleCadastro") + "/cleCadastroLote"};
}

std::string TSimCleCadastro::ResultElement() const {
  return "cleCadastroLoteResponse";
}

std::string TSimCleCadastro::Handle(const TSimRequest& request, const TSimContext& context) const {
  return "<cleCadastroLoteResult>" + TvxnEventosXMLUtils::EscapeXml(Reply(request, context)) +
         "</cleCadastroLoteResult>";
}

std::string TSimCleCadastro::Reply(const TSimRequest& request, const TSimContext& context) const {
  const std::string& xml = request.DataXml;
  const std::string cUFOrig = ElementText(xml, "cUFOrig");
  const std::string cUF = context.States.ReplyCode(request.Section, cUFOrig);
  // The schema declares the reply too: only a request is a request.
  if (xml.find("<enviCLe") == std::string::npos || !context.Schemas.Validate(xml, kSchema).empty())
    return Rejection(215, cUF);
  if (ElementText(xml, "tpAmb") != "2") // this server is a homologation environment
    return Rejection(252, cUF);
  // The lot goes to the authority of its state of origin.
  if (!context.States.Serves(request.Section, cUFOrig))
    return Rejection(226, cUF);
  const std::vector<std::string> keys = ElementTexts(xml, "chvAcesso");
  for (const std::string& key : keys) {
    if (CalculaDigitoModulo11(key.substr(0, 43)) != key[43])
      return Rejection(236, cUF);
    if (!context.Lots.Authorised(key))
      return Rejection(217, cUF);
    if (context.Events.Cancellation(key))
      return Rejection(218, cUF);
  }

  // The key of the CL-e: the state of origin, year and month, the carrier's CNPJ (or CPF padded to 14
  // digits), a 15-digit number of this server, an 8-digit code of the lot and the modulus-11 check digit.
  const std::string now = NowBrasilia();
  std::string carrier = ElementText(xml, "CNPJ");
  if (carrier.empty())
    carrier = std::string(3, '0') + ElementText(xml, "CPF");
  const std::string code = Format("%08d", {static_cast<int>(std::hash<std::string>{}(xml) % 100000000)});
  const std::string base =
      cUFOrig + now.substr(2, 2) + now.substr(5, 2) + carrier + context.Lots.NewProtocol(cUFOrig) + code;
  const std::string chvCLe = base + CalculaDigitoModulo11(base);
  return Format(R"(<retCadCLe xmlns="%s" versao="1.00"><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
                R"(<cStat>129</cStat><xMotivo>%s</xMotivo><cUF>%s</cUF><dhRecbto>%s</dhRecbto>)"
                R"(<chvCLe>%s</chvCLe><dEmi>%s</dEmi><qChaves>%d</qChaves></retCadCLe>)",
                {std::string(uri::kNFe), std::string(kVerAplic), MotivoOf(129), cUF, now, chvCLe,
                 now.substr(0, 10), static_cast<int>(keys.size())});
}

} // namespace vxn::sim
