#include "vxnControllerRulesNFe.h"

#include "vxnNFeException.h"
#include "vxnNFeRulesQuorvant.h"

namespace vxn {

void TvxnControllerRulesNFe::AplicarRegras(TTipoRegraKind kind) {
  if (kind == rkQuorvant)
    LoadRulesQuorvant();
  else
    LoadRulesWebSefaz();
  ExecuteRules();
  FreeRules();
}

void TvxnControllerRulesNFe::RegistrarRegra(std::unique_ptr<TvxnRule> rule) {
  listRules_.push_back(std::move(rule));
}

void TvxnControllerRulesNFe::ExecuteRules() {
  for (const auto& rule : listRules_) {
    rule->SetDataSet(nfeDataSet_);
    rule->SetRelogio(relogio_);
    if (EstaNaListaDeExcecoes(rule->GetName()))
      continue;
    rule->execute();
  }
}

std::vector<std::string> TvxnControllerRulesNFe::ListarFalhas() {
  std::vector<std::string> falhas;
  for (const auto& rule : listRules_) {
    rule->SetDataSet(nfeDataSet_);
    rule->SetRelogio(relogio_);
    if (EstaNaListaDeExcecoes(rule->GetName()))
      continue;
    try {
      rule->execute();
    } catch (const EvxnNFeRuleException& e) {
      falhas.emplace_back(e.what());
    }
  }
  return falhas;
}

// A plain substring test: the exception text has no separator syntax, so "GB09.1" also exempts "GB09".
bool TvxnControllerRulesNFe::EstaNaListaDeExcecoes(std::string_view name) const {
  return excecoesDeRegras_.find(name) != std::string::npos;
}

void TvxnControllerRulesNFe::LoadRulesWebSefaz() {
  switch (GetVersaoManualDoEsquema(versaoEsquema_)) {
  case vm30:
    LoadRulesVM30();
    break;
  case vm40:
    LoadRulesVM40();
    break;
  case vm50:
    LoadRulesVM50();
    break;
  case vm50a:
    LoadRulesVM50a();
    break;
  case vm60:
  case vm202a:
    break;
  }
}

void TvxnControllerRulesNFe::LoadRulesQuorvant() {
  RegistrarRegra(std::make_unique<TvxnNFeQuorvant1>());
  RegistrarRegra(std::make_unique<TvxnNFeQuorvant2>());
  RegistrarRegra(std::make_unique<TvxnNFeQuorvant3>());
  RegistrarRegra(std::make_unique<TvxnNFeQuorvant4>());
}

} // namespace vxn
