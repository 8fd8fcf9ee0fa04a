// The base of the typed objects and of their lists: every property setter converts its value and
// writes it at once into the named field of the document's input dataset, and only then keeps it.
#pragma once

#include "vxnNFeTipadoValores.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnNFeDataSets;

class TvxnObjetoTipado {
public:
  TvxnObjetoTipado(const TvxnObjetoTipado&) = delete;
  TvxnObjetoTipado& operator=(const TvxnObjetoTipado&) = delete;

  // The dataset this object writes into (that of its NotaFiscal).
  TvxnNFeDataSets& DataSets() const { return *ds_; }

protected:
  // `parte`: a group that no document operation opens, opened on the first write into this object or
  // below it (the sugar-cane group).
  TvxnObjetoTipado(const TvxnObjetoTipado* dono, TvxnNFeDataSets& ds, const char* parte = nullptr)
      : dono_(dono), ds_(&ds), parte_(parte), item_(dono ? dono->item_ : nullptr),
        comParte_(parte  ? this
                  : dono ? dono->comParte_
                         : nullptr) {}
  ~TvxnObjetoTipado() = default;

  // Converts the value, writes its text into the field and keeps the value. A value that has no text,
  // a number with more integer digits than the field's layout allows or a field that refuses the text
  // leaves field and property as they were.
  template <class K>
  void Escrever(std::string_view propriedade, std::string_view campo, typename TvxnTipo<K>::Parametro valor,
                std::optional<typename TvxnTipo<K>::Valor>& guardado) {
    const TvxnAlvoTipado alvo{propriedade, campo};
    VerificarEmEdicao();
    TvxnTextoValor buf;
    Gravar(alvo, TvxnTipo<K>::Texto(valor, buf, alvo), TvxnTipo<K>::kCasas);
    guardado = typename TvxnTipo<K>::Valor(valor);
  }
  // A CNPJ or CPF: a text of 11 characters goes to the CPF field, any other to the CNPJ field; the
  // other field of the pair is emptied.
  void EscreverCnpjCpf(std::string_view propriedade, std::string_view campoCNPJ, std::string_view campoCPF,
                       std::string_view valor, std::optional<std::string>& guardado);

  // An owned object, created on first use.
  template <class T> T& Filho(std::unique_ptr<T>& filho) const {
    if (!filho)
      filho = std::make_unique<T>(this, *ds_);
    return *filho;
  }
  template <class T> T& FilhoLista(std::unique_ptr<T>& filho, std::string_view nome) const {
    if (!filho)
      filho = std::make_unique<T>(this, *ds_, nome);
    return *filho;
  }

  // Refuses a write into an item of a list after a later item was opened: the dataset's current
  // record is then the later item's, and the value would land there.
  void VerificarEmEdicao() const {
    for (const TvxnObjetoTipado* item = item_; item; item = item->dono_->item_)
      if (item->fechado_)
        RecusarFechado(*item);
  }
  // Opens the groups of this object and the objects above it that wait for their first write.
  void AbrirPendentes() const {
    if (comParte_ && !comParte_->parteAberta_)
      comParte_->AbrirParte();
  }

private:
  friend class TvxnListaTipadaBase;
  // `casas`: the most decimals of a number's text (-1 for other texts).
  void Gravar(const TvxnAlvoTipado& alvo, std::string_view texto, int casas);
  [[noreturn]] static void RecusarFechado(const TvxnObjetoTipado& item);
  // Opens this object's group, after those of the objects above it.
  void AbrirParte() const;

  const TvxnObjetoTipado* dono_;
  TvxnNFeDataSets* ds_;
  const char* parte_;
  mutable bool parteAberta_ = false;
  // The nearest list item at or above this object (every write checks the chain of items), and the
  // nearest object at or above it with a group of its own to open.
  const TvxnObjetoTipado* item_;
  const TvxnObjetoTipado* comParte_;
  // Items of a list: the list's name, the item's index, and whether a later item was opened.
  std::string_view lista_;
  int indice_ = -1;
  bool fechado_ = false;
};

// How a list opens the group of a new item in the dataset.
struct TvxnAberturaGrupo {
  bool item = false;               // IncluirItem
  std::string_view partes[2] = {}; // IncluirPart of each, in order
};
constexpr TvxnAberturaGrupo AbreItem() {
  return {true, {}};
}
constexpr TvxnAberturaGrupo AbrePartes(std::string_view primeira, std::string_view segunda = {}) {
  return {false, {primeira, segunda}};
}
// The item has no group of its own: its fields are those of the record already open.
constexpr TvxnAberturaGrupo SemGrupo() {
  return {};
}

class TvxnListaTipadaBase : public TvxnObjetoTipado {
public:
  int Count() const { return static_cast<int>(quantos_); }
  const std::string& Nome() const { return nome_; }

protected:
  TvxnListaTipadaBase(const TvxnObjetoTipado* dono, TvxnNFeDataSets& ds, std::string_view nome,
                      TvxnAberturaGrupo abertura)
      : TvxnObjetoTipado(dono, ds), nome_(nome), abertura_(abertura) {}

  // Opens the group of item number `quantos_` in the dataset; `anterior` (the last item) stops
  // being edited.
  void AbrirGrupo(TvxnObjetoTipado* anterior);
  void Registrar(TvxnObjetoTipado& item);
  // The index as a position, or EvxnNFeIndexException.
  std::size_t Posicao(int indice) const;

private:
  std::string nome_;
  TvxnAberturaGrupo abertura_;
  std::size_t quantos_ = 0;
};

// A list of items of one class. `New` opens the item's group in the dataset before the item exists.
template <class Item> class TvxnListaTipada : public TvxnListaTipadaBase {
public:
  Item& New() {
    AbrirGrupo(itens_.empty() ? nullptr : itens_.back().get());
    itens_.push_back(std::make_unique<Item>(this, DataSets()));
    Registrar(*itens_.back());
    return *itens_.back();
  }
  Item& Items(int indice) { return *itens_[Posicao(indice)]; }
  const Item& Items(int indice) const { return *itens_[Posicao(indice)]; }
  // Sets the item's properties from `origem` (Assign).
  void SetItems(int indice, const Item& origem) { Items(indice).Assign(origem); }

  // Appends one item per item of `origem`, each opened with New and assigned from its source.
  void Assign(const TvxnListaTipada& origem) {
    if (&origem == this)
      return;
    for (const auto& item : origem.itens_)
      New().Assign(*item);
  }

protected:
  using TvxnListaTipadaBase::TvxnListaTipadaBase;

private:
  std::vector<std::unique_ptr<Item>> itens_;
};

} // namespace vxn
