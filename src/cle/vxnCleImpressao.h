// The print data of the CL-e form: the request (enviCLe) and the authority's reply (retCadCLe) read into
// two tables that the report model (Templates/Cle/Impressao/ModeloCLe.rtm) prints.
#pragma once

#include "danfe/vxnDadosImpressao.h"

#include <string>
#include <string_view>

namespace vxn {

// "Dados" (one row): ChaveCLe (chvCLe of the reply), TraNome, TraCNPJ, TraCPF, Modalidade ("RODOVIARIO"
// or "OUTRO"), Situacao (xMotivo), Quantidade (number of keys), VeicPlaca, VeicCarreta, VeicCarreta2
// (each the state and the plate joined by " / "), UFOrigDest (origin " / " destination), DataEmi (dEmi),
// and IdentTransporte (for another modality: its code, state and identification joined by " / ").
// "DadosChaves" (one row per access key, linked by ChaveCLe): ChaveCLe, ChaveAcesso.
class TvxnCLeDadosImpressao : public TvxnDadosImpressao {
public:
  TvxnCLeDadosImpressao();
  // The reply; the request is the inherited XML.
  const std::string& GetRetorno() const { return retorno_; }
  void SetRetorno(std::string_view v) { retorno_ = v; }
  // EvxnCLeException: "XML para impressão da CLe está vazio.", "XML de envio inválido", "XML de retorno
  // inválido", "A CLe não está Autorizada." (a reply whose cStat is not 129).
  void PopulaDataSet() override;

private:
  std::string retorno_;
};

} // namespace vxn
