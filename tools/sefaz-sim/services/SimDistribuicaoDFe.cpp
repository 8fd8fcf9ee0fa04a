#include "sefaz-sim/services/SimDistribuicaoDFe.h"

#include "sefaz-sim/SimDFe.h"
#include "sefaz-sim/SimParties.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimSchemas.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "xml/vxnNFeNamespaces.h"

#include <cstdio>
#include <ctime>

namespace vxn::sim {

namespace {

constexpr int kLimite = 50; // documents in one answer

std::string Nsu(std::int64_t n) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%015lld", static_cast<long long>(n));
  return buf;
}

std::int64_t ParseNsu(const std::string& text) {
  return text.empty() ? 0 : std::stoll(text);
}

std::string Espera(int segundos) {
  if (segundos % 3600 == 0)
    return std::to_string(segundos / 3600) + (segundos == 3600 ? " hora" : " horas");
  return std::to_string(segundos) + " segundos";
}

} // namespace

std::string TSimDistribuicaoDFe::WsdlName() const {
  return "NFeDistribuicaoDFe";
}

std::vector<std::string> TSimDistribuicaoDFe::ServerKeys() const {
  // Two ways of posting the same request (envelopes of their own), one service.
  return {"nfeConsultaDFe", "nfeDistDFeInteresse"};
}

std::vector<std::string> TSimDistribuicaoDFe::Actions() const {
  const std::string ns = WsdlNamespace(WsdlName());
  // The published operation, and the service namespace alone, which clients also send as the action.
  return {ns + "/nfeDistDFeInteresse", ns};
}

std::string TSimDistribuicaoDFe::ResultElement() const {
  return "nfeDistDFeInteresseResponse";
}

std::string TSimDistribuicaoDFe::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::string& x = request.DataXml;
  if (!context.Schemas.Validate(x, "distDFeInt_v1.01.xsd").empty())
    return Reply(215, 0, 0, {}, 0);
  if (ElementText(x, "tpAmb") != "2") // this server is a homologation environment
    return Reply(252, 0, 0, {}, 0);
  std::string party = ElementText(x, "CNPJ");
  if (party.empty())
    party = ElementText(x, "CPF");
  // A party of another company than the certificate's, or a person, may not be asked for.
  if (!SameCompany(party, request.ClientCnpj))
    return Reply(593, 0, 0, {}, 0);

  const std::string dist = ElementText(x, "distNSU");
  if (!dist.empty())
    return PorNsu(party, dist, context);
  const std::int64_t max = context.DFe.MaxNsu(party);
  if (const std::string cons = ElementText(x, "consNSU"); !cons.empty()) {
    const std::int64_t nsu = ParseNsu(ElementText(cons, "NSU"));
    if (nsu > max)
      return Reply(589, nsu, max, {}, 0);
    const auto documento = context.DFe.At(party, nsu);
    return documento ? Reply(138, nsu, max, {*documento}, context.DFeDamagedNsu)
                     : Reply(137, nsu, max, {}, 0);
  }
  TSimDFeDocument documento;
  switch (context.DFe.PorChave(party, ElementText(x, "chNFe"), documento)) {
  case TSimDFe::TAcesso::Desconhecida:
    return Reply(217, max, max, {}, 0);
  case TSimDFe::TAcesso::SemPermissao:
    return Reply(640, max, max, {}, 0);
  case TSimDFe::TAcesso::Cancelada:
    return Reply(653, max, max, {}, 0);
  case TSimDFe::TAcesso::Documento:
    break;
  }
  return Reply(138, max, max, {documento}, context.DFeDamagedNsu);
}

std::string TSimDistribuicaoDFe::PorNsu(const std::string& party, const std::string& dist,
                                        const TSimContext& context) const {
  const std::int64_t agora = std::time(nullptr);
  const int espera = context.DFeWaitSeconds;
  const std::int64_t max = context.DFe.MaxNsu(party);
  if (espera > 0 && context.DFe.BlockedUntil(party) > agora) {
    // Asking during the wait starts it again.
    context.DFe.Block(party, agora + espera);
    return Reply(656, context.DFe.LastAnswered(party), max, {}, 0,
                 "Rejeicao: Consumo Indevido (Deve ser aguardado " + Espera(espera) +
                     " para efetuar nova solicitacao caso nao existam mais documentos a serem pesquisados)");
  }
  const std::vector<TSimDFeDocument> documentos =
      context.DFe.After(party, ParseNsu(ElementText(dist, "ultNSU")), kLimite);
  if (documentos.empty()) {
    if (espera > 0)
      context.DFe.Block(party, agora + espera);
    context.DFe.Answered(party, max);
    return Reply(137, max, max, {}, 0);
  }
  context.DFe.Answered(party, documentos.back().Nsu);
  return Reply(138, documentos.back().Nsu, max, documentos, context.DFeDamagedNsu);
}

std::string TSimDistribuicaoDFe::Reply(int cStat, std::int64_t ultNsu, std::int64_t maxNsu,
                                       const std::vector<TSimDFeDocument>& documents, long long damaged,
                                       const std::string& xMotivo) const {
  std::string lote;
  if (!documents.empty()) {
    const TvxnGovUtils utils;
    lote = "<loteDistDFeInt>";
    for (const TSimDFeDocument& d : documents)
      lote +=
          "<docZip" + (d.Nsu ? " NSU=\"" + Nsu(d.Nsu) + "\"" : std::string()) + " schema=\"" + d.Schema +
          "\">" +
          (damaged != 0 && d.Nsu == damaged ? std::string("bm90IGd6aXA=") : utils.CompressBase64Gz(d.Xml)) +
          "</docZip>"; // the damaged one: Base64 of "not gzip"
    lote += "</loteDistDFeInt>";
  }
  return "<nfeDistDFeInteresseResult>" +
         Format(R"(<retDistDFeInt xmlns="%s" versao="1.01"><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
                R"(<cStat>%d</cStat><xMotivo>%s</xMotivo><dhResp>%s</dhResp><ultNSU>%s</ultNSU>)"
                R"(<maxNSU>%s</maxNSU>%s</retDistDFeInt>)",
                {std::string(uri::kNFe), std::string(kVerAplic), cStat,
                 xMotivo.empty() ? MotivoOf(cStat) : xMotivo, NowBrasilia(), Nsu(ultNsu), Nsu(maxNsu),
                 lote}) +
         "</nfeDistDFeInteresseResult>";
}

} // namespace vxn::sim
