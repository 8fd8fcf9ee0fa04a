#include "sefaz-sim/services/SimRecepcaoEvento.h"

#include "sefaz-sim/SimEvents.h"
#include "sefaz-sim/SimLotDocuments.h"
#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimReplySigner.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimStates.h"
#include "sefaz-sim/SimXmlElement.h"
#include "vxnFormat.h"
#include "vxnGovX.h"
#include "vxnOutsideHandles.h"
#include "xml/vxnNFeNamespaces.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace vxn::sim {

struct TSimRecepcaoEvento::TEvento {
  std::string Xml; // the evento element as a document of its own
  std::string Id, COrgao, TpAmb, Author, ChNFe, DhEvento, TpEvento, NSeq, DetEvento, DescEvento;
};

namespace {

// The events the national environment receives: recipient manifestation, EPEC, delivery proof and its
// cancellation, interested party.
bool Nacional(std::string_view tp) {
  return tp.starts_with("2102") || tp == "110140" || tp == "110130" || tp == "110131" || tp == "110150";
}

bool Manifestacao(std::string_view tp) {
  return tp.starts_with("2102");
}

// Events only the issuer may send (the reform's 1121xx among them).
bool DoEmitente(std::string_view tp) {
  return tp == "110110" || tp == "110111" || tp == "110112" || tp == "110130" || tp == "110131" ||
         tp.starts_with("1115") || tp == "110140" || tp.starts_with("1121");
}

std::string LeftPad14(const std::string& s) {
  return s.size() >= 14 ? s : std::string(14 - s.size(), '0') + s;
}

const xmlNode* Child(const xmlNode* parent, const char* localName) {
  for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(c->name), localName) == 0)
      return c;
  return nullptr;
}

std::string Attribute(const xmlNode* n, const char* name) {
  outside::XmlCharPtr value(n ? xmlGetProp(n, BAD_CAST name) : nullptr);
  return value ? reinterpret_cast<const char*>(value.get()) : "";
}

std::vector<TSimRecepcaoEvento::TEvento> LotEvents(std::string_view envEvento) {
  std::vector<TSimRecepcaoEvento::TEvento> out;
  outside::XmlDocPtr doc(xmlReadMemory(envEvento.data(), static_cast<int>(envEvento.size()), "lot.xml",
                                       nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  for (const xmlNode* c = root ? root->children : nullptr; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE || std::strcmp(reinterpret_cast<const char*>(c->name), "evento") != 0)
      continue;
    TSimRecepcaoEvento::TEvento e;
    e.Xml = StandaloneElementXml(c);
    const xmlNode* inf = Child(c, "infEvento");
    e.Id = Attribute(inf, "Id");
    const xmlNode* det = Child(inf, "detEvento");
    e.DetEvento = det ? StandaloneElementXml(det) : "";
    const std::string head = e.Xml.substr(0, e.Xml.find("<detEvento"));
    e.COrgao = ElementText(head, "cOrgao");
    e.TpAmb = ElementText(head, "tpAmb");
    e.Author = ElementText(head, "CNPJ");
    if (e.Author.empty())
      e.Author = ElementText(head, "CPF");
    e.ChNFe = ElementText(head, "chNFe");
    e.DhEvento = ElementText(head, "dhEvento");
    e.TpEvento = ElementText(head, "tpEvento");
    e.NSeq = ElementText(head, "nSeqEvento");
    e.DescEvento = ElementText(e.DetEvento, "descEvento");
    out.push_back(std::move(e));
  }
  return out;
}

// The CNPJ or CPF of the recipient of a signed NFe ("" when it names none).
std::string Destinatario(const std::string& nfe) {
  const std::string dest = ElementText(nfe, "dest");
  const std::string cnpj = ElementText(dest, "CNPJ");
  return cnpj.empty() ? ElementText(dest, "CPF") : cnpj;
}

// Seconds from a "2026-12-05T10:00:00-03:00" time to now, the clock `adiantado` seconds ahead (0 for a
// time the server cannot read).
long long SegundosDesde(const std::string& dh, long long adiantado) {
  std::tm tm{};
  if (dh.size() < 19 || !strptime(dh.substr(0, 19).c_str(), "%Y-%m-%dT%H:%M:%S", &tm))
    return 0;
  const std::time_t local = timegm(&tm) + 3 * 3600; // the server stamps Brasilia time, -03:00
  return std::time(nullptr) + adiantado - local;
}

constexpr long long kHora = 3600;

} // namespace

TSimRecepcaoEvento::TSimRecepcaoEvento(std::string versao) : TSimLayoutService(std::move(versao)) {}

std::string TSimRecepcaoEvento::WsdlName() const {
  return Is400() ? "NFeRecepcaoEvento4" : "RecepcaoEvento";
}

std::vector<std::string> TSimRecepcaoEvento::ServerKeys() const {
  if (Is400())
    return {"nfeRecepcaoEvento4"};
  return {"nfeRecepcaoEvento", "nfeRecepcaoEvento3"};
}

std::vector<std::string> TSimRecepcaoEvento::Actions() const {
  const std::string ns = WsdlNamespace(WsdlName());
  // The published operation, and the service's own name, which some clients send as the operation.
  return {ns + "/nfeRecepcaoEvento", ns + "/nfeRecepcaoEventoNF", ns + "/" + WsdlName()};
}

std::string TSimRecepcaoEvento::ResultElement() const {
  return Is400() ? "nfeResultMsg" : "nfeRecepcaoEventoResult";
}

std::string TSimRecepcaoEvento::Handle(const TSimRequest& request, const TSimContext& context) const {
  // The lot number is answered back as sent, unless it is not one (the reply must keep to its schema).
  std::string idLote = ElementText(request.DataXml, "idLote");
  if (idLote.empty() || idLote.size() > 15 || idLote.find_first_not_of("0123456789") != std::string::npos)
    idLote = "0";
  const std::string sectionCode = request.Section == "AN" ? "91" : context.States.CodeOf(request.Section);
  const std::string cOrgao =
      sectionCode.empty() ? context.States.ReplyCode(request.Section, request.HeaderCUF) : sectionCode;
  if (!context.Schemas.Validate(request.DataXml, "envEvento_v1.00.xsd").empty())
    return Reply(215, idLote, cOrgao, {});
  std::string answers;
  for (const TEvento& e : LotEvents(request.DataXml))
    answers += Answer(e, request, context);
  return Reply(128, idLote, cOrgao, answers);
}

int TSimRecepcaoEvento::Check(const TEvento& e, const TSimRequest& request,
                              const TSimContext& context) const {
  const std::string schema = "e" + e.TpEvento + "_v1.00.xsd";
  if (!context.Schemas.Has(schema))
    return 491;
  if (!context.Schemas.Validate(e.DetEvento, schema).empty())
    return 493;
  if (!context.Verifier.Verify(e.Xml))
    return 297;
  char seq[8];
  std::snprintf(seq, sizeof seq, "%02d", std::atoi(e.NSeq.c_str()));
  if (e.Id != "ID" + e.TpEvento + e.ChNFe + seq)
    return 572;
  if (e.TpAmb != "2") // this server is a homologation environment
    return 252;
  if (e.ChNFe.size() != 44 || KeyCheckDigit(std::string_view(e.ChNFe).substr(0, 43)) != e.ChNFe[43] - '0')
    return 236;
  const bool nacional = Nacional(e.TpEvento);
  if (nacional ? (request.Section != "AN" || e.COrgao != "91")
               : (e.COrgao != e.ChNFe.substr(0, 2) || !context.States.Serves(request.Section, e.COrgao)))
    return 250;
  if (std::atoi(e.NSeq.c_str()) > 20)
    return 594;
  if (context.Events.Find(e.Id))
    return 573;
  const std::string issuer = e.ChNFe.substr(6, 14);
  const auto document = context.Lots.Authorised(e.ChNFe);
  if (e.TpEvento == "110140") // EPEC: the document is issued in contingency and not yet known
    return LeftPad14(e.Author) == issuer ? 136 : 574;
  if (Manifestacao(e.TpEvento)) {
    if (!document)
      return 136;
    return LeftPad14(Destinatario(document->NFe)) == LeftPad14(e.Author) ? 135 : 575;
  }
  if (!document)
    return 494;
  if (DoEmitente(e.TpEvento) && LeftPad14(e.Author) != issuer)
    return 574;
  if (e.TpEvento == "110150" && LeftPad14(e.Author) != issuer &&
      LeftPad14(e.Author) != LeftPad14(Destinatario(document->NFe)))
    return 574;
  if (context.Events.Cancellation(e.ChNFe))
    return 580;
  const long long idade = SegundosDesde(document->DhRecbto, context.PrazoAdiantadoSegundos);
  if (e.TpEvento == "110111") {
    if (ElementText(e.DetEvento, "nProt") != document->NProt)
      return 222;
    return idade > 24 * kHora ? 155 : 135;
  }
  if (e.TpEvento == "110112")
    return CheckSubstituicao(e, *document, idade, context);
  return 135;
}

// The cancellation by substitution: the protocol of the cancelled document, a substitute that is another
// document of the same issuer authorised here, and at most 168 hours since the authorisation of the
// cancelled one.
int TSimRecepcaoEvento::CheckSubstituicao(const TEvento& e, const TSimAuthorisation& document,
                                          long long idade, const TSimContext& context) const {
  if (ElementText(e.DetEvento, "nProt") != document.NProt)
    return 222;
  const std::string ref = ElementText(e.DetEvento, "chNFeRef");
  if (ref.size() != 44 || ref == e.ChNFe || ref.substr(6, 14) != e.ChNFe.substr(6, 14) ||
      !context.Lots.Authorised(ref) || context.Events.Cancellation(ref))
    return 217;
  return idade > 168 * kHora ? 501 : 135;
}

std::string TSimRecepcaoEvento::Answer(const TEvento& e, const TSimRequest& request,
                                       const TSimContext& context) const {
  int cStat = Check(e, request, context);
  const bool accepted = cStat == 135 || cStat == 136 || cStat == 155;
  const std::string now = NowBrasilia();
  const std::string nProt = accepted ? context.Lots.NewProtocol(e.COrgao == "91" ? "91" : e.COrgao) : "";
  auto build = [&](int code) {
    std::string inf =
        Format(R"(<tpAmb>2</tpAmb><verAplic>%s</verAplic><cOrgao>%s</cOrgao><cStat>%d</cStat>)"
               R"(<xMotivo>%s</xMotivo>)",
               {std::string(kVerAplic), e.COrgao.size() == 2 ? e.COrgao : "91", code, MotivoOf(code)});
    if (e.ChNFe.size() == 44)
      inf += "<chNFe>" + e.ChNFe + "</chNFe>";
    if (e.TpEvento.size() == 6)
      inf += "<tpEvento>" + e.TpEvento + "</tpEvento>";
    if (e.DescEvento.size() >= 5 && e.DescEvento.size() <= 60)
      inf += "<xEvento>" + e.DescEvento + "</xEvento>";
    if (!e.NSeq.empty() && e.NSeq.size() <= 2)
      inf += "<nSeqEvento>" + e.NSeq + "</nSeqEvento>";
    inf += "<dhRegEvento>" + now + "</dhRegEvento>";
    if (!nProt.empty() && (code == 135 || code == 136 || code == 155))
      return Format(
          R"(<retEvento versao="1.00" xmlns="%s"><infEvento Id="ID%s">%s<nProt>%s</nProt></infEvento>)"
          R"(</retEvento>)",
          {std::string(uri::kNFe), nProt, inf, nProt});
    return Format(R"(<retEvento versao="1.00" xmlns="%s"><infEvento>%s</infEvento></retEvento>)",
                  {std::string(uri::kNFe), inf});
  };
  if (!accepted)
    return build(cStat);
  std::string signedRet = context.Signer.Sign(build(cStat), "infEvento", "ID" + nProt);
  if (signedRet.starts_with("<?xml"))
    signedRet.erase(0, signedRet.find("?>") + 2);
  while (!signedRet.empty() && (signedRet.front() == '\n' || signedRet.front() == '\r'))
    signedRet.erase(0, 1);
  while (!signedRet.empty() && (signedRet.back() == '\n' || signedRet.back() == '\r'))
    signedRet.pop_back();
  // The registry has the last word on duplicates: two lots racing with one identifier register once.
  if (!context.Events.Register(TSimEvent{e.Id, e.ChNFe, e.TpEvento, std::atoi(e.NSeq.c_str()), e.Author,
                                         nProt, now, cStat, e.Xml, signedRet}))
    return build(573);
  return signedRet;
}

std::string TSimRecepcaoEvento::Reply(int cStat, std::string_view idLote, std::string_view cOrgao,
                                      std::string_view content) const {
  return Format(
      R"(<retEnvEvento versao="1.00" xmlns="%s"><idLote>%s</idLote><tpAmb>2</tpAmb>)"
      R"(<verAplic>%s</verAplic><cOrgao>%s</cOrgao><cStat>%d</cStat><xMotivo>%s</xMotivo>%s</retEnvEvento>)",
      {std::string(uri::kNFe), std::string(idLote), std::string(kVerAplic), std::string(cOrgao), cStat,
       MotivoOf(cStat), std::string(content)});
}

} // namespace vxn::sim
