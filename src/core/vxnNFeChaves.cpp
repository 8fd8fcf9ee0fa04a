// The component's access-key and identifier operations: each refreshes the snapshot, reports the call
// and hands over to TvxnNFeIdentificadores with the component's layout version, UF code and error-log
// folder.
#include "vxnNFe.h"

#include "danfe/vxnNFeDanfeDados.h"
#include "xml/vxnNFeIdentificadores.h"

namespace vxn {
namespace {

TvxnNFeIdentificadores Identificadores(TvxnNFe& nfe, std::string_view operacao) {
  nfe.UpdateNFeData();
  nfe.GetTelemetria().Ping(operacao);
  return TvxnNFeIdentificadores(nfe.GetVersaoManual(), nfe.GetLocalCode(), nfe.GetDiretorioLogErro());
}

} // namespace

std::string TvxnNFe::CalculaChaveNFe(std::string_view dEmi, std::string_view cUF, std::string_view CNPJ,
                                     std::string_view Modelo, std::string_view Serie, std::string_view nNF,
                                     std::string_view cNF, std::string_view tpEmis) {
  return Identificadores(*this, "CalculaChaveNFe")
      .CalculaChaveNFe(dEmi, cUF, CNPJ, Modelo, Serie, nNF, cNF, tpEmis);
}

std::string TvxnNFe::CalculaChaveInutilizacao(std::string_view Ano, std::string_view CNPJ,
                                              std::string_view Modelo, std::string_view Serie,
                                              std::string_view nNFIni, std::string_view nNFFin) {
  return Identificadores(*this, "CalculaChaveInutilizacao")
      .CalculaChaveInutilizacao(Ano, CNPJ, Modelo, Serie, nNFIni, nNFFin);
}

std::string TvxnNFe::GerarIdCCe(std::string_view chave, int sequencia) {
  return Identificadores(*this, "GerarIdCCe").GerarIdCCe(chave, sequencia);
}

std::string TvxnNFe::CalcularHashCSRT(std::string_view chave, std::string_view CSRT) {
  return Identificadores(*this, "CalcularHashCSRT").CalcularHashCSRT(chave, CSRT, GetGovUtils());
}

std::string TvxnNFe::CalcularCodigoBarrasNFeOffline(std::string_view xml) {
  UpdateNFeData();
  GetTelemetria().Ping("CalcularCodigoBarrasNFeOffline");
  TvxnNFeDanfeDados30 dados;
  dados.SetDiretorioLogErro(GetDiretorioLogErro());
  dados.SetXml(xml);
  return dados.GetCodigoBarrasNFeOffline();
}

} // namespace vxn
