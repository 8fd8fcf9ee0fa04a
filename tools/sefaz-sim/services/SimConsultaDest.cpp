#include "sefaz-sim/services/SimConsultaDest.h"

#include "sefaz-sim/SimDFe.h"
#include "sefaz-sim/SimEvents.h"
#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimParties.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimSchemas.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn::sim {

namespace {

constexpr int kLimite = 50;

std::string Cabecalho(const TSimRequest& request, const char* versaoDados) {
  return Format(R"(<nfeCabecMsg xmlns="%s"><cUF>91</cUF><versaoDados>%s</versaoDados></nfeCabecMsg>)",
                {request.BodyNamespace, versaoDados});
}

std::string PartyElement(const std::string& party) {
  return party.size() == 11 ? "<CPF>" + party + "</CPF>" : "<CNPJ>" + party + "</CNPJ>";
}

// The recipient's manifestation of a document, as the legacy query codes it: 0 none, 1 confirmed,
// 2 not recognised, 3 not performed, 4 aware.
int SituacaoManifestacao(const std::vector<TSimEvent>& events, const std::string& dest) {
  int situacao = 0;
  for (const TSimEvent& e : events) {
    if (!SameParty(e.Author, dest))
      continue;
    if (e.TpEvento == "210200")
      situacao = 1;
    else if (e.TpEvento == "210220")
      situacao = 2;
    else if (e.TpEvento == "210240")
      situacao = 3;
    else if (e.TpEvento == "210210" && situacao == 0)
      situacao = 4;
  }
  return situacao;
}

// The summary of a document (resNFe) or of its cancellation (resCanc), "" when the filters leave it out.
std::string ResumoNFe(const std::string& nsu, const TSimAuthorisation& a,
                      const std::vector<TSimEvent>& events, const std::string& party, int indNFe, int indEmi,
                      bool cancelamento) {
  const std::string issuer = PartyOf(a.NFe, "emit");
  const int conf = SituacaoManifestacao(events, party);
  if ((indNFe == 1 && conf == 1) || (indNFe == 2 && conf != 0) || (indEmi == 1 && SameCompany(issuer, party)))
    return {};
  const std::string emit = ElementText(a.NFe, "emit");
  const std::string tag = cancelamento ? "resCanc" : "resNFe";
  const std::string digVal = ElementText(a.ProtNFe, "digVal");
  return "<ret><" + tag + " NSU=\"" + nsu + "\"><chNFe>" + ElementText(a.ProtNFe, "chNFe") + "</chNFe>" +
         PartyElement(issuer) + "<xNome>" + ElementText(emit, "xNome") + "</xNome><IE>" +
         ElementText(emit, "IE") + "</IE><dEmi>" + ElementText(a.NFe, "dhEmi").substr(0, 10) +
         "</dEmi><tpNF>" + ElementText(a.NFe, "tpNF") + "</tpNF><vNF>" +
         ElementText(ElementText(a.NFe, "ICMSTot"), "vNF") + "</vNF><digVal>" + digVal +
         "</digVal><dhRecbto>" + a.DhRecbto + "</dhRecbto><cSitNFe>" + (cancelamento ? "3" : "1") +
         "</cSitNFe><cSitConf>" + std::to_string(conf) + "</cSitConf></" + tag + "></ret>";
}

std::string ResumoCCe(const std::string& nsu, const TSimEvent& e, const std::string& nfe) {
  return "<ret><resCCe NSU=\"" + nsu + "\"><chNFe>" + e.ChNFe + "</chNFe><dhEvento>" +
         ElementText(e.Evento, "dhEvento") + "</dhEvento><tpEvento>110110</tpEvento><nSeqEvento>" +
         std::to_string(e.NSeqEvento) + "</nSeqEvento><descEvento>Carta de Correcao</descEvento><xCorrecao>" +
         ElementText(e.Evento, "xCorrecao") + "</xCorrecao><tpNF>" + ElementText(nfe, "tpNF") +
         "</tpNF><dhRecbto>" + e.DhRegEvento + "</dhRecbto></resCCe></ret>";
}

std::string Reply(const char* root, const char* versao, int cStat, const std::string& content) {
  return Format(R"(<%s xmlns="%s" versao="%s"><tpAmb>2</tpAmb><verAplic>%s</verAplic><cStat>%d</cStat>)"
                R"(<xMotivo>%s</xMotivo><dhResp>%s</dhResp>%s</%s>)",
                {root, std::string(uri::kNFe), versao, std::string(kVerAplic), cStat, MotivoOf(cStat),
                 NowBrasilia(), content, root});
}

} // namespace

// ---- NfeConsultaDest
// ---------------------------------------------------------------------------------------

std::string TSimConsultaDest::ReplyHeader(const TSimRequest& request) const {
  return Cabecalho(request, "1.01");
}

std::string TSimConsultaDest::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::string& x = request.DataXml;
  if (!context.Schemas.Validate(x, "consNFeDest_v1.01.xsd").empty())
    return Reply("retConsNFeDest", "1.01", 215, {});
  if (ElementText(x, "tpAmb") != "2") // this server is a homologation environment
    return Reply("retConsNFeDest", "1.01", 252, {});
  const std::string party = ElementText(x, "CNPJ");
  if (!SameCompany(party, request.ClientCnpj))
    return Reply("retConsNFeDest", "1.01", 593, {});
  const int indNFe = std::stoi(ElementText(x, "indNFe"));
  const int indEmi = std::stoi(ElementText(x, "indEmi"));
  const std::vector<TSimDFeEntry> entries =
      context.DFe.Entries(party, std::stoll(ElementText(x, "ultNSU")), kLimite);
  std::string rets;
  for (const TSimDFeEntry& e : entries) {
    const auto a = context.Lots.Authorised(e.ChNFe);
    if (!a)
      continue;
    const std::string nsu = std::to_string(e.Nsu);
    const std::vector<TSimEvent> events = context.Events.OfKey(e.ChNFe);
    if (e.Kind == "resNFe") {
      rets += ResumoNFe(nsu, *a, events, party, indNFe, indEmi, false);
    } else if (e.Kind == "resEvento" || e.Kind == "procEventoNFe") {
      const auto ev = context.Events.Find(e.EventId);
      if (ev && ev->TpEvento == "110111")
        rets += ResumoNFe(nsu, *a, events, party, indNFe, indEmi, true);
      else if (ev && ev->TpEvento == "110110")
        rets += ResumoCCe(nsu, *ev, a->NFe);
    }
  }
  if (entries.empty())
    return Reply("retConsNFeDest", "1.01", 137, "<indCont>0</indCont>");
  const std::int64_t max = context.DFe.MaxNsu(party);
  return Reply("retConsNFeDest", "1.01", 138,
               "<indCont>" + std::string(entries.back().Nsu < max ? "1" : "0") + "</indCont><ultNSU>" +
                   std::to_string(entries.back().Nsu) + "</ultNSU>" + rets);
}

// ---- NfeDownloadNF ---------------------------------------------------------------------------------------

std::string TSimDownloadNF::ReplyHeader(const TSimRequest& request) const {
  return Cabecalho(request, "1.00");
}

std::string TSimDownloadNF::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::string& x = request.DataXml;
  if (!context.Schemas.Validate(x, "downloadNFe_v1.00.xsd").empty())
    return Reply("retDownloadNFe", "1.00", 215, {});
  if (ElementText(x, "tpAmb") != "2") // this server is a homologation environment
    return Reply("retDownloadNFe", "1.00", 252, {});
  const std::string party = ElementText(x, "CNPJ");
  if (!SameCompany(party, request.ClientCnpj))
    return Reply("retDownloadNFe", "1.00", 593, {});
  const TvxnGovUtils utils;
  std::string rets;
  for (std::size_t p = x.find("<chNFe>"); p != std::string::npos; p = x.find("<chNFe>", p + 1)) {
    const std::string chNFe = ElementText(x.substr(p), "chNFe");
    const auto a = context.Lots.Authorised(chNFe);
    int cStat = 140;
    if (!a) {
      cStat = 217;
    } else {
      const std::string dest = PartyOf(a->NFe, "dest");
      const bool issuer = SameParty(party, PartyOf(a->NFe, "emit"));
      const std::vector<TSimEvent> events = context.Events.OfKey(chNFe);
      bool liberado = issuer, cancelado = false;
      for (const TSimEvent& e : events) {
        liberado = liberado || (SameParty(e.Author, dest) && TSimDFe::ReleasesDocument(e.TpEvento));
        cancelado = cancelado || e.TpEvento == "110111" || e.TpEvento == "110112";
      }
      if (!issuer && !SameParty(party, dest))
        cStat = 640;
      else if (cancelado)
        cStat = 653;
      else if (!liberado)
        cStat = 633;
    }
    rets += "<retNFe><chNFe>" + chNFe + "</chNFe><cStat>" + std::to_string(cStat) + "</cStat><xMotivo>" +
            MotivoOf(cStat) + "</xMotivo>";
    if (cStat == 140)
      rets += "<procNFeGrupoZip><NFeZip>" + utils.CompressBase64Gz(a->NFe) + "</NFeZip><protNFeZip>" +
              utils.CompressBase64Gz(a->ProtNFe) + "</protNFeZip></procNFeGrupoZip>";
    rets += "</retNFe>";
  }
  return Reply("retDownloadNFe", "1.00", 139, rets);
}

} // namespace vxn::sim
