#include "sefaz-sim/services/SimAutorizacao.h"

#include "sefaz-sim/SimIssueRules.h"
#include "sefaz-sim/SimLotDocuments.h"
#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimNFCeQRCode.h"
#include "sefaz-sim/SimParties.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimStates.h"
#include "vxnFormat.h"
#include "vxnGovX.h"
#include "xml/vxnNFeNamespaces.h"

#include <chrono>

namespace vxn::sim {

std::string ProtNFeXml(std::string_view versao, std::string_view chNFe, std::string_view dhRecbto,
                       std::string_view nProt, std::string_view digVal, int cStat, std::string_view xMotivo) {
  std::string xml =
      Format(R"(<protNFe versao="%s"><infProt><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
             R"(<chNFe>%s</chNFe><dhRecbto>%s</dhRecbto>)",
             {std::string(versao), std::string(kVerAplic), std::string(chNFe), std::string(dhRecbto)});
  if (!nProt.empty())
    xml += "<nProt>" + std::string(nProt) + "</nProt>";
  if (!digVal.empty())
    xml += "<digVal>" + std::string(digVal) + "</digVal>";
  xml += Format("<cStat>%d</cStat><xMotivo>%s</xMotivo></infProt></protNFe>", {cStat, std::string(xMotivo)});
  return xml;
}

namespace {

// The clock of the issue-date rules: the real one, or ahead of it as a test asked.
std::chrono::system_clock::time_point IssueClock(const TSimContext& context) {
  return std::chrono::system_clock::now() + std::chrono::seconds(context.EmissaoAdiantadaSegundos);
}

} // namespace

TSimAutorizacao::TSimAutorizacao(std::string versao) : TSimLayoutService(std::move(versao)) {}

std::string TSimAutorizacao::WsdlName() const {
  return Is400() ? "NFeAutorizacao4" : "NfeAutorizacao";
}

std::vector<std::string> TSimAutorizacao::ServerKeys() const {
  return {Is400() ? "NfeRecepcao4" : "NfeRecepcao3"};
}

std::vector<std::string> TSimAutorizacao::Actions() const {
  const std::string ns = WsdlNamespace(WsdlName());
  // Clients differ in the case of the compressed operation ("ZIP" or "Zip"); actions are compared
  // without regard to case.
  return {ns + "/nfeAutorizacaoLote", ns + "/nfeAutorizacaoLoteZip"};
}

std::string TSimAutorizacao::ResultElement() const {
  return Is400() ? "nfeResultMsg" : "nfeAutorizacaoLoteResult";
}

std::string TSimAutorizacao::ResultElementOf(const TSimRequest& request) const {
  return !Is400() && request.Compressed ? "nfeAutorizacaoLoteZipResult" : ResultElement();
}

std::string TSimAutorizacao::Handle(const TSimRequest& request, const TSimContext& context) const {
  // The lot where it stands in the envelope when it reads the same there; its text parsed otherwise.
  const outside::XmlDocPtr parsed = request.DataElement ? nullptr : ParseLot(request.DataXml);
  const xmlNode* lot =
      request.DataElement ? request.DataElement : (parsed ? xmlDocGetRootElement(parsed.get()) : nullptr);
  const std::vector<TSimLotDocument> documents =
      LotDocuments(lot, request.DataElement ? request.DataChildren : std::vector<std::string_view>{});
  const std::string cUF = context.States.ReplyCode(
      request.Section, documents.empty() ? request.HeaderCUF : documents.front().CUF);
  // A paralysed authoriser takes nothing in.
  if (const int paralysed = context.ParalysedCode(request.Section))
    return Reply(paralysed, cUF, {});
  if (!context.Schemas.Validate(lot, "enviNFe_v" + Versao() + ".xsd").empty())
    return Reply(225, cUF, {});
  // A contingency authoriser takes a state's documents only while the state's own is paralysed.
  if (TSimStates::IsContingency(request.Section) && !documents.empty() &&
      context.States.Serves(request.Section, documents.front().CUF) &&
      !context.ParalysedCode(TSimStates::UfOfCode(documents.front().CUF)))
    return Reply(114, cUF, {});
  const bool synchronous = ElementText(request.DataXml, "indSinc") == "1";
  if (synchronous && documents.size() > 1)
    return Reply(452, cUF, {});
  if (!synchronous && documents.size() == 1 && context.SingleDocumentSynchronous)
    return Reply(452, "Rejeicao: Solicitada resposta assincrona para Lote com somente 1 (uma) NF-e", cUF, {});
  // The checks first, outside the store; then the lot's authorisations and its receipt in one
  // transaction: a server stopped (or failing) before the lot is recorded keeps none of its documents,
  // so the client, which got no receipt, may send them again and have them authorised.
  std::vector<int> checks;
  for (const TSimLotDocument& document : documents)
    checks.push_back(Check(document, request, context));
  std::vector<std::string> protocols;
  std::string nRec;
  context.Lots.Atomically([&] {
    for (std::size_t i = 0; i < documents.size(); ++i)
      protocols.push_back(Protocol(documents[i], checks[i], context));
    if (!synchronous) {
      nRec = context.Lots.NewReceipt(cUF);
      context.Lots.Store(nRec, cUF, protocols);
    }
  });
  if (synchronous)
    return Reply(104, cUF, protocols.front());
  return Reply(103, cUF, "<infRec><nRec>" + nRec + "</nRec><tMed>1</tMed></infRec>");
}

int TSimAutorizacao::Check(const TSimLotDocument& d, const TSimRequest& request,
                           const TSimContext& context) const {
  // The signature checked on the lot's tree, which spares parsing the document's text again; the text
  // when that check cannot tell.
  if (!(d.Node && context.Verifier.VerifiesInPlace(d.Node)) && !context.Verifier.Verify(d.Xml))
    return 297;
  const std::string key = d.Id.size() == 47 ? d.Id.substr(3) : "";
  if (key.size() != 44 || KeyCheckDigit(std::string_view(key).substr(0, 43)) != key[43] - '0')
    return 253;
  if (KeyFromFields(d) != key)
    return 502;
  if (d.TpAmb != "2") // this server is a homologation environment
    return 252;
  if (!context.States.Serves(request.Section, d.CUF))
    return 226;
  if (const int issueType = CheckIssueType(d, request.Section))
    return issueType;
  if (const int entry = CheckContingencyEntry(d))
    return entry;
  if (!d.EmitCnpj.empty() && !SameCompany(d.EmitCnpj, request.ClientCnpj))
    return 213;
  if (Is400() && d.Mod == "65")
    if (const int qrCode = CheckNFCeQRCode(d, context.Csc))
      return qrCode;
  if (const int ie = CheckRecipientIe(d))
    return ie;
  if (context.IssueDateDelay && IssueDateDelay(d, IssueClock(context)) == 228)
    return 228;
  return 0;
}

std::string TSimAutorizacao::Protocol(const TSimLotDocument& d, int cStat, const TSimContext& context) const {
  const std::string key = d.Id.size() == 47 ? d.Id.substr(3) : d.Id;
  const std::string now = NowBrasilia();
  if (cStat)
    return ProtNFeXml(Versao(), key, now, {}, d.DigestValue, cStat, MotivoQRCode(cStat, d));
  // Authorised, late (150) when the issue date is past the delay the rules allow without remark.
  const int cStatConcedido =
      context.IssueDateDelay && IssueDateDelay(d, IssueClock(context)) == 150 ? 150 : 100;
  TSimAuthorisation granted{context.Lots.NewProtocol(d.CUF), now, {}, d.Xml};
  granted.ProtNFe =
      ProtNFeXml(Versao(), key, now, granted.NProt, d.DigestValue, cStatConcedido, MotivoOf(cStatConcedido));
  if (!context.Lots.Authorise(key, granted)) {
    const TSimAuthorisation first = context.Lots.Authorised(key).value_or(TSimAuthorisation{});
    const std::string motivo = MotivoOf(204) + " [nProt:" + first.NProt + "][dhAut: " + first.DhRecbto + "]";
    return ProtNFeXml(Versao(), key, now, {}, d.DigestValue, 204, motivo);
  }
  return granted.ProtNFe;
}

std::string TSimAutorizacao::Reply(int cStat, std::string_view cUF, std::string_view content) const {
  return Reply(cStat, MotivoOf(cStat), cUF, content);
}

std::string TSimAutorizacao::Reply(int cStat, std::string_view xMotivo, std::string_view cUF,
                                   std::string_view content) const {
  return Format(
      R"(<retEnviNFe versao="%s" xmlns="%s"><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
      R"(<cStat>%d</cStat><xMotivo>%s</xMotivo><cUF>%s</cUF><dhRecbto>%s</dhRecbto>%s</retEnviNFe>)",
      {Versao(), std::string(uri::kNFe), std::string(kVerAplic), cStat, std::string(xMotivo),
       std::string(cUF), NowBrasilia(), std::string(content)});
}

} // namespace vxn::sim
