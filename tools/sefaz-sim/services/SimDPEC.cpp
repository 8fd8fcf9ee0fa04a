#include "sefaz-sim/services/SimDPEC.h"

#include "sefaz-sim/SimDpec.h"
#include "sefaz-sim/SimLotDocuments.h"
#include "sefaz-sim/SimParties.h"
#include "sefaz-sim/SimReplies.h"
#include "vxnFormat.h"
#include "vxnGovX.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn::sim {

namespace {

bool ValidKey(const std::string& chave) {
  if (chave.size() != 44 || chave.find_first_not_of("0123456789") != std::string::npos)
    return false;
  return KeyCheckDigit(std::string_view(chave).substr(0, 43)) == chave[43] - '0';
}

std::string RetDPEC(int cStat, const std::string& dhReg, const std::string& nReg,
                    const std::vector<std::string>& chaves) {
  std::string registro;
  if (!nReg.empty()) {
    registro = "<dhRegDPEC>" + dhReg + "</dhRegDPEC><nRegDPEC>" + nReg + "</nRegDPEC>";
    for (const std::string& chave : chaves)
      registro += "<chNFe>" + chave + "</chNFe>";
  }
  return Format(R"(<retDPEC versao="1.01" xmlns="%s"><infDPECReg><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
                R"(<cStat>%d</cStat><xMotivo>%s</xMotivo>%s</infDPECReg></retDPEC>)",
                {uri::kNFe, kVerAplic, cStat, MotivoOf(cStat), registro});
}

} // namespace

// ---- Reception ------------------------------------------------------------------------------------------

int TSimRecepcaoDPEC::Check(const TSimRequest& request, const TSimContext& context,
                            const std::vector<std::string>& chaves) const {
  const std::string& xml = request.DataXml;
  if (!xml.starts_with("<envDPEC") || ElementText(xml, "infDPEC").empty() || chaves.empty())
    return 215;
  if (!context.Verifier.Verify(xml))
    return 297;
  if (ElementText(xml, "tpAmb") != "2") // this server is a homologation environment
    return 252;
  if (!SameCompany(ElementText(ElementText(xml, "ideDec"), "CNPJ"), request.ClientCnpj))
    return 213;
  for (const std::string& chave : chaves)
    if (!ValidKey(chave))
      return 236;
  return 124;
}

std::string TSimRecepcaoDPEC::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::vector<std::string> chaves = ElementTexts(request.DataXml, "chNFe");
  int cStat = Check(request, context, chaves);
  if (cStat != 124)
    return RetDPEC(cStat, {}, {}, {});
  TSimDpecRegistro r{context.Dpec.NewNumber(), NowBrasilia(), request.DataXml, {}};
  r.RetDPEC = RetDPEC(124, r.DhRegDPEC, r.NRegDPEC, chaves);
  // A key declared before keeps its first declaration: the new one is refused as a duplicate.
  if (!context.Dpec.Register(r, chaves))
    return RetDPEC(204, {}, {}, {});
  return r.RetDPEC;
}

// ---- Query ----------------------------------------------------------------------------------------------

std::string TSimConsultaDPEC::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::string& xml = request.DataXml;
  const std::string chave = ElementText(xml, "chNFe");
  const std::string nReg = ElementText(xml, "nRegDPEC");
  int cStat = 125;
  std::optional<TSimDpecRegistro> found;
  if (!xml.starts_with("<consDPEC") || chave.empty() == nReg.empty())
    cStat = 215;
  else if (ElementText(xml, "tpAmb") != "2")
    cStat = 252;
  else if (!chave.empty() && !(found = context.Dpec.ByKey(chave)))
    cStat = 127;
  else if (!nReg.empty() && !(found = context.Dpec.ByNumber(nReg)))
    cStat = 126;
  return Format(R"(<retConsDPEC versao="1.01" xmlns="%s"><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
                R"(<cStat>%d</cStat><xMotivo>%s</xMotivo>%s</retConsDPEC>)",
                {uri::kNFe, kVerAplic, cStat, MotivoOf(cStat), found ? found->RetDPEC : std::string()});
}

} // namespace vxn::sim
