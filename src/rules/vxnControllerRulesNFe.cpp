#include "vxnControllerRulesNFe.h"

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
    if (EstaNaListaDeExcecoes(rule->GetName()))
      continue;
    rule->execute();
  }
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

// The rejection rules of the catalogue are registered here by manual version; none are yet.
void TvxnControllerRulesNFe::LoadRulesVM40() {}
void TvxnControllerRulesNFe::LoadRulesVM50() {}
void TvxnControllerRulesNFe::LoadRulesVM50a() {}

} // namespace vxn
