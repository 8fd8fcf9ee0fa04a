// The identifier operations that the NF-e component offers its host (access key, invalidation id,
// correction-letter event id, CSRT hash), worked out from what the component knows: its layout version,
// the code of its state and its error-log directory. The component refreshes its service data, reports
// the call to telemetry and then hands the call over to this class.
#pragma once

#include "vxnNFeType.h"

#include <string>
#include <string_view>

namespace vxn {

class TvxnGovUtils;

class TvxnNFeIdentificadores {
public:
  // codigoUF: the component's state code (GetLocalCode); diretorioLogErro: where the exceptions raised
  // here write their log line.
  TvxnNFeIdentificadores(TVersaoManual versao, std::string_view codigoUF, std::string_view diretorioLogErro);

  // The access key in the form of the layout version: with tpEmis from 4.0 on, without it before.
  std::string CalculaChaveNFe(std::string_view dEmi, std::string_view cUF, std::string_view CNPJ,
                              std::string_view Modelo, std::string_view Serie, std::string_view nNF,
                              std::string_view cNF, std::string_view tpEmis) const;

  // The identifier of an invalidation request (without the "ID" prefix and without a check digit). The
  // year is checked against the current year of the clock.
  std::string CalculaChaveInutilizacao(std::string_view Ano, std::string_view CNPJ, std::string_view Modelo,
                                       std::string_view Serie, std::string_view nNFIni,
                                       std::string_view nNFFin) const;
  // The same with the current two-digit year given.
  std::string CalculaChaveInutilizacao(std::string_view Ano, std::string_view CNPJ, std::string_view Modelo,
                                       std::string_view Serie, std::string_view nNFIni,
                                       std::string_view nNFFin, int anoAtual) const;

  // "ID110110" + key + sequence with at least two digits.
  std::string GerarIdCCe(std::string_view chave, int sequencia) const;

  // Base64 of the SHA-1 digest of the CSRT (36 characters) immediately followed by the key, computed by
  // the component's utility object. The key is not checked.
  std::string CalcularHashCSRT(std::string_view chave, std::string_view CSRT,
                               const TvxnGovUtils& utils) const;

  // Base64 of the SHA-1 digest of the CSRT (36 characters) followed by the key.
  std::string CalcularHashCSRT(std::string_view chave, std::string_view CSRT) const;

  // The current year of the local clock, two digits (0..99).
  static int AnoAtualDoisDigitos();

private:
  TVersaoManual versao_;
  std::string codigoUF_;
  std::string logDir_;
};

} // namespace vxn
