// The base of the NF-e version datasets: the document and item part lists, the lot list, the
// record-editing states of the document and of the current item, and the document operations.
#pragma once

#include "vxnXmlDataSetNFe.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vxn {

class TvxnNFeCustomDataSet : public TvxnXMLDataSetNFe {
public:
  TvxnNFeCustomDataSet();

  std::unique_ptr<TXmlFieldNFe> CreateXmlField(TXmlDataSetNFe& part) override;
  // Also reads "rec".
  void GetAtributosComplementares(const TvxnXmlElement& node, TXmlFieldNFe& field) override;
  void SetXMLDicionario(std::string_view path) override;
  // Loads the parts, then fills the direct part references and the two part lists.
  void CreateListDataSets() override;
  // Empties every part and appends one record to every document part.
  void Incluir() override;

  // Posts every item part being edited or inserted; needs a dictionary.
  virtual void SalvarItem();
  // Stores the current item when there is one, then appends one record to every item part.
  virtual void IncluirItem();
  // Stores the current document (the item, then every document part being edited or inserted).
  virtual void Salvar();
  // Discards the current document.
  virtual void Cancelar();

  // Fill the part lists of this layout (the names are looked up, so a missing part fails).
  virtual void AddDataSetsListaItemNFe();
  virtual void AddDataSetsListaNFE();

  const std::vector<TXmlDataSetNFe*>& PartsNFeItem() const { return partsNFeItem_; }
  const std::vector<TXmlDataSetNFe*>& PartsNFe() const { return partsNFe_; }
  TvxnDataSetState GetStateItem() const { return stateItem_; }
  void SetStateItem(TvxnDataSetState s) { stateItem_ = s; }

  // The list that receives the XML of every stored document. The host may hand its own list
  // (borrowed); nullptr returns to the dataset's own one.
  TvxnStringList& LoteNFe() { return *lote_; }
  void SetLoteNFe(TvxnStringList* list) { lote_ = list ? list : ownLote_.get(); }

  // Direct reference to part A ... Z by letter (nullptr before a dictionary is loaded).
  TXmlDataSetNFe* Part(char letter) const;

  // The field whose Rec holds "group=position" (ASCII case ignored), first in part and field order;
  // nullptr when none does.
  TvxnNFeXMLField* FindCampoRec(std::string_view group, int position);

protected:
  // Fill the lists from names, in order.
  void SetPartsNFe(std::initializer_list<std::string_view> names);
  void SetPartsNFeItem(std::initializer_list<std::string_view> names);
  void CheckDicionario() const;

private:
  std::vector<TXmlDataSetNFe*> partsNFeItem_;
  std::unique_ptr<TvxnStringList> ownLote_;
  TvxnStringList* lote_;
  TvxnDataSetState stateItem_ = dsInactive;
  std::vector<TXmlDataSetNFe*> partsNFe_;
  std::array<TXmlDataSetNFe*, 26> letters_{};
  std::unordered_map<std::string, TvxnNFeXMLField*> recIndex_;
  bool recIndexBuilt_ = false;
};

} // namespace vxn
