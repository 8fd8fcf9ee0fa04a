#include "vxnNFeRulesQuorvant.h"

#include "datasets/vxnXmlDataSetNFe.h"
#include "vxnText.h"

namespace vxn {

void TvxnNFeQuorvant1::execute() {
  TvxnNFeRule::execute();
  if (Campo("UF_E12").Value() != "EX")
    return;
  Atribuir("CNPJ_E02", "");
  Atribuir("CPF_E03", "NULL");
}

void TvxnNFeQuorvant2::execute() {
  TvxnNFeRule::execute();
  const std::string_view cpf = Campo("CPF_E03").Value();
  if (!cpf.empty() && AsciiUpper(cpf) != "NULL")
    Atribuir("CNPJ_E02", "NULL");
}

void TvxnNFeQuorvant3::execute() {
  TvxnNFeRule::execute();
  const std::string_view cNF = Campo("cNF_B03").Value();
  if (cNF.empty() || cNF == "0")
    Atribuir("cNF_B03", std::string(Campo("nNF_B08").Value()));
}

void TvxnNFeQuorvant4::execute() {
  TvxnNFeRule::execute();
  if (Campo("verProc_B27").Value().empty())
    Atribuir("verProc_B27", "1.0");
}

} // namespace vxn
