// The rule controller: loads the rule set of one kind (the system's corrective rules, or the tax
// authority's rejection rules of the manual version of the layout), runs it over the current document
// and frees it. It lives for one AplicarRegrasDeNegocio call.
#pragma once

#include "vxnNFeRule.h"
#include "vxnNFeType.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnXMLDataSetNFe;

class TvxnControllerRulesNFe {
public:
  TvxnControllerRulesNFe() = default;
  virtual ~TvxnControllerRulesNFe() = default;
  TvxnControllerRulesNFe(const TvxnControllerRulesNFe&) = delete;
  TvxnControllerRulesNFe& operator=(const TvxnControllerRulesNFe&) = delete;

  // The registered rules, in registration order (owned).
  const std::vector<std::unique_ptr<TvxnRule>>& GetListRules() const { return listRules_; }
  TvxnXMLDataSetNFe* GetNFeDataSet() const { return nfeDataSet_; }
  void SetNFeDataSet(TvxnXMLDataSetNFe* dataSet) { nfeDataSet_ = dataSet; }
  // Rule names to skip: any rule whose name occurs in this text (case-sensitive) is exempt.
  const std::string& GetExcecoesDeRegras() const { return excecoesDeRegras_; }
  void SetExcecoesDeRegras(std::string_view v) { excecoesDeRegras_ = v; }
  TVersaoEsquema GetVersaoEsquema() const { return versaoEsquema_; }
  void SetVersaoEsquema(TVersaoEsquema v) { versaoEsquema_ = v; }

  // Loads the rules of the kind, runs them, frees them. The first failing rule raises.
  void AplicarRegras(TTipoRegraKind kind);
  // Appends a rule to the list.
  void RegistrarRegra(std::unique_ptr<TvxnRule> rule);
  // Runs the registered rules in order, skipping the exempt ones.
  void ExecuteRules();
  // Runs every registered rule that is not exempt and returns the message of each failure, in order
  // (ExecuteRules stops at the first one). Other exceptions pass through.
  std::vector<std::string> ListarFalhas();
  // The clock handed to every rule before it runs (empty: the system clock).
  const TvxnRelogio& GetRelogio() const { return relogio_; }
  void SetRelogio(TvxnRelogio relogio) { relogio_ = std::move(relogio); }
  bool EstaNaListaDeExcecoes(std::string_view name) const;
  void FreeRules() { listRules_.clear(); }

  // The rejection rules of the manual version of VersaoEsquema.
  virtual void LoadRulesWebSefaz();
  // "Quorvant1" to "Quorvant4".
  virtual void LoadRulesQuorvant();

protected:
  // The rule sets of each manual version (the first layouts have none); vxnNFeRegrasCatalogo.cpp.
  virtual void LoadRulesVM30() {}
  virtual void LoadRulesVM40();
  virtual void LoadRulesVM50();
  virtual void LoadRulesVM50a();

private:
  std::vector<std::unique_ptr<TvxnRule>> listRules_;
  TvxnXMLDataSetNFe* nfeDataSet_ = nullptr;
  std::string excecoesDeRegras_;
  TVersaoEsquema versaoEsquema_ = pl_009g;
  TvxnRelogio relogio_;
};

} // namespace vxn
