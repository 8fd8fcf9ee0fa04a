// The NF-e input dataset component: the host fills its parts (one per group of the layout), adds
// documents, items and repeated groups, and stores them. Every document operation goes to the
// version dataset of the configured schema package.
#pragma once

#include "vxnDataSet.h"
#include "vxnNFeCustomDataSet.h"
#include "vxnNFeEscape.h"
#include "vxnNFeType.h"
#include "vxnNFeVersionDataSets.h"
#include "vxnRelogio.h"
#include "vxnXmlDataSetNFe.h"
#include "vxnXmlFieldNFe.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnNFeDataSets {
public:
  // Creates the pl_009g version dataset (no parts until a dictionary is set).
  TvxnNFeDataSets();
  TvxnNFeDataSets(const TvxnNFeDataSets&) = delete;
  TvxnNFeDataSets& operator=(const TvxnNFeDataSets&) = delete;

  TVersaoEsquema GetVersaoEsquema() const { return versaoEsquema_; }
  // Replaces the version dataset, and with it every part, record and the lot list.
  void SetVersaoEsquema(TVersaoEsquema v);
  const std::string& GetXMLDicionario() const { return xmlDicionario_; }
  // Re-creates the version dataset and loads the dictionary into it.
  void SetXMLDicionario(std::string_view path);
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  // Stores the directory and creates it (with its parents) when it does not exist.
  void SetDiretorioLogErro(std::string_view dir);
  bool GetUsarDatasetExportacao() const { return usarDatasetExportacao_; }
  void SetUsarDatasetExportacao(bool on);
  bool GetValidaRegrasNegocio() const { return validaRegrasNegocio_; }
  void SetValidaRegrasNegocio(bool on) { validaRegrasNegocio_ = on; }
  bool GetValidaRegrasNegocioQuorvant() const { return validaRegrasNegocioQuorvant_; }
  void SetValidaRegrasNegocioQuorvant(bool on) { validaRegrasNegocioQuorvant_ = on; }
  const std::string& GetExcecoesDeRegras() const { return excecoesDeRegras_; }
  void SetExcecoesDeRegras(std::string_view v) { excecoesDeRegras_ = v; }
  // The clock of the rules that compare dates with the moment of receipt (empty: the system clock).
  const TvxnRelogio& GetRelogioRegras() const { return relogioRegras_; }
  void SetRelogioRegras(TvxnRelogio relogio) { relogioRegras_ = std::move(relogio); }

  TvxnStringList& GetLoteNFe() { return dataSet_->LoteNFe(); }
  // Hands the host's own list to the version dataset (borrowed); nullptr returns to its own list.
  void SetLoteNFe(TvxnStringList* list) { dataSet_->SetLoteNFe(list); }
  TvxnDataSetState GetState() const { return dataSet_->GetState(); }
  TvxnDataSetState GetStateItem() const { return dataSet_->GetStateItem(); }
  const TListDataSets& GetListDataSets() const { return dataSet_->GetListDataSets(); }
  TvxnNFeCustomDataSet& DataSet() const { return *dataSet_; }

  void Incluir();
  // Stores the document and appends its XML to LoteNFe, with the corrective rules before
  // (ValidaRegrasNegocioQuorvant) and the authority's rules after (ValidaRegrasNegocio).
  void Salvar();
  void Cancelar();
  void IncluirItem() { dataSet_->IncluirItem(); }
  void SalvarItem() { dataSet_->SalvarItem(); }
  void IncluirCobranca() { IncluirPart("DUP"); }
  void SalvarCobranca() { SalvarPart("DUP"); }
  void IncluirPart(std::string_view name) { dataSet_->IncluirPart(name); }
  void SalvarPart(std::string_view name) { dataSet_->SalvarPart(name); }
  // The field of that name, searched in all parts.
  TXmlFieldNFe& Campo(std::string_view name) { return dataSet_->Campo(name); }
  // The field whose Rec holds the entry for that group and position.
  TvxnNFeXMLField& Campo(std::string_view group, int position);
  TXmlDataSetNFe& FindDataSet(std::string_view name) const { return dataSet_->FindDataSet(name); }
  // Runs the business rules of that kind over the current document.
  void AplicarRegrasDeNegocio(TTipoRegraKind kind);
  // Runs every rejection rule of the layout version over the current document (the exempt ones aside)
  // and returns the message of each failure in registration order, where Salvar stops at the first.
  std::vector<std::string> FalhasDasRegrasDeNegocio();

  // The part of that name, or nullptr when no dictionary declared it.
  TXmlDataSetNFe* A() const { return dataSet_->Part('A'); }
  TXmlDataSetNFe* B() const { return dataSet_->Part('B'); }
  TXmlDataSetNFe* C() const { return dataSet_->Part('C'); }
  TXmlDataSetNFe* D() const { return dataSet_->Part('D'); }
  TXmlDataSetNFe* E() const { return dataSet_->Part('E'); }
  TXmlDataSetNFe* F() const { return dataSet_->Part('F'); }
  TXmlDataSetNFe* G() const { return dataSet_->Part('G'); }
  TXmlDataSetNFe* H() const { return dataSet_->Part('H'); }
  TXmlDataSetNFe* I() const { return dataSet_->Part('I'); }
  TXmlDataSetNFe* I80() const { return dataSet_->FindPart("I80"); }
  TXmlDataSetNFe* J() const { return dataSet_->Part('J'); }
  TXmlDataSetNFe* K() const { return dataSet_->Part('K'); }
  TXmlDataSetNFe* L() const { return dataSet_->Part('L'); }
  TXmlDataSetNFe* M() const { return dataSet_->Part('M'); }
  TXmlDataSetNFe* N() const { return dataSet_->Part('N'); }
  TXmlDataSetNFe* NA() const { return dataSet_->FindPart("NA"); }
  TXmlDataSetNFe* O() const { return dataSet_->Part('O'); }
  TXmlDataSetNFe* P() const { return dataSet_->Part('P'); }
  TXmlDataSetNFe* Q() const { return dataSet_->Part('Q'); }
  TXmlDataSetNFe* R() const { return dataSet_->Part('R'); }
  TXmlDataSetNFe* S() const { return dataSet_->Part('S'); }
  TXmlDataSetNFe* T() const { return dataSet_->Part('T'); }
  TXmlDataSetNFe* U() const { return dataSet_->Part('U'); }
  TXmlDataSetNFe* V() const { return dataSet_->Part('V'); }
  TXmlDataSetNFe* W() const { return dataSet_->Part('W'); }
  TXmlDataSetNFe* X() const { return dataSet_->Part('X'); }
  TXmlDataSetNFe* Y() const { return dataSet_->Part('Y'); }
  TXmlDataSetNFe* YA() const { return dataSet_->FindPart("YA"); }
  TXmlDataSetNFe* YA01() const { return dataSet_->FindPart("YA01"); }
  TXmlDataSetNFe* Z() const { return dataSet_->Part('Z'); }

private:
  void CreateDataSet();

  std::unique_ptr<TvxnNFeCustomDataSet> dataSet_;
  TVersaoEsquema versaoEsquema_ = pl_009g;
  std::string xmlDicionario_;
  std::string diretorioLogErro_;
  bool usarDatasetExportacao_ = false;
  bool validaRegrasNegocio_ = false;
  bool validaRegrasNegocioQuorvant_ = false;
  std::string excecoesDeRegras_;
  TvxnRelogio relogioRegras_;
};

} // namespace vxn
