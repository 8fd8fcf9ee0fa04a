// The typed document model: a tree of typed objects (TNFe and everything under it) whose property
// setters write at once into the input dataset of their NotaFiscal, and the component
// TvxnNFeDataSetsTipado that creates the NotaFiscal objects and turns them into NF-e XML.
//
//   vxn::TvxnNFeDataSetsTipado tipado;
//   tipado.SetXmlDicionario(".../Templates/vm60/Conversor/NFeDataSets.xml");
//   vxn::NotaFiscal& nota = tipado.GetNotasFiscais().Add();
//   nota.GetNFe().GetIde().SetnNF(1001);
//   vxn::TDetCollectionItem& item = nota.GetNFe().GetDet().New();
//   item.GetProd().SetvProd(2500);
//   std::string xml = nota.GerarXML();
//
// The classes, their properties and the fields those write are declared once, in
// vxnNFeTipadoTabela.h; this header expands that table into the classes. A property `X` has GetX and
// SetX; an owned object or list `Y` has GetY (created on first use) and SetY (Assign from another).
// Every class has Assign, which sets each property the source was given through its setter (writing
// it again into the dataset) and assigns the owned objects and lists the same way.
#pragma once

#include "vxnNFeDataSets.h"
#include "vxnNFeTipadoObjeto.h"
#include "vxnNFeTipadoTabela.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

// ---- The members each table entry becomes. ----
#define VXN_TIPADO_MEMBRO_P(Tipo, Nome, Campo)                                                               \
public:                                                                                                      \
  TvxnTipo<tipado::Tipo>::Retorno Get##Nome() const {                                                        \
    return LerTipado<tipado::Tipo>(Nome##_);                                                                 \
  }                                                                                                          \
  void Set##Nome(TvxnTipo<tipado::Tipo>::Parametro valor) {                                                  \
    Escrever<tipado::Tipo>(#Nome, #Campo, valor, Nome##_);                                                   \
  }                                                                                                          \
                                                                                                             \
private:                                                                                                     \
  std::optional<TvxnTipo<tipado::Tipo>::Valor> Nome##_;

#define VXN_TIPADO_MEMBRO_C(Nome, CampoCNPJ, CampoCPF)                                                       \
public:                                                                                                      \
  const std::string& Get##Nome() const {                                                                     \
    return LerTipado<tipado::Texto>(Nome##_);                                                                \
  }                                                                                                          \
  void Set##Nome(std::string_view valor) {                                                                   \
    EscreverCnpjCpf(#Nome, #CampoCNPJ, #CampoCPF, valor, Nome##_);                                           \
  }                                                                                                          \
                                                                                                             \
private:                                                                                                     \
  std::optional<std::string> Nome##_;

// An owned object or list, created on first use by `criar`.
#define VXN_TIPADO_MEMBRO_DONO(Classe, Nome, criar)                                                          \
public:                                                                                                      \
  Classe& Get##Nome() {                                                                                      \
    return criar;                                                                                            \
  }                                                                                                          \
  const Classe& Get##Nome() const {                                                                          \
    return criar;                                                                                            \
  }                                                                                                          \
  void Set##Nome(const Classe& origem) {                                                                     \
    Get##Nome().Assign(origem);                                                                              \
  }                                                                                                          \
                                                                                                             \
private:                                                                                                     \
  mutable std::unique_ptr<Classe> Nome##_;
#define VXN_TIPADO_MEMBRO_O(Classe, Nome) VXN_TIPADO_MEMBRO_DONO(Classe, Nome, Filho(Nome##_))
#define VXN_TIPADO_MEMBRO_L(Classe, Nome) VXN_TIPADO_MEMBRO_DONO(Classe, Nome, FilhoLista(Nome##_, #Nome))

// ---- What Assign does for each entry: only what the source was given. ----
#define VXN_TIPADO_COPIA_P(Tipo, Nome, Campo)                                                                \
  if (origem.Nome##_)                                                                                        \
    Set##Nome(*origem.Nome##_);
#define VXN_TIPADO_COPIA_C(Nome, CampoCNPJ, CampoCPF)                                                        \
  if (origem.Nome##_)                                                                                        \
    Set##Nome(*origem.Nome##_);
#define VXN_TIPADO_COPIA_O(Classe, Nome)                                                                     \
  if (origem.Nome##_)                                                                                        \
    Get##Nome().Assign(*origem.Nome##_);
#define VXN_TIPADO_COPIA_L VXN_TIPADO_COPIA_O

#define VXN_TIPADO_MEMBROS(Tabela)                                                                           \
  Tabela(VXN_TIPADO_MEMBRO_P, VXN_TIPADO_MEMBRO_C, VXN_TIPADO_MEMBRO_O, VXN_TIPADO_MEMBRO_L)
#define VXN_TIPADO_COPIAS(Tabela)                                                                            \
  Tabela(VXN_TIPADO_COPIA_P, VXN_TIPADO_COPIA_C, VXN_TIPADO_COPIA_O, VXN_TIPADO_COPIA_L)

#define VXN_TIPADO_OBJETO(Classe, parte, ...)                                                                \
  class Classe : public TvxnObjetoTipado {                                                                   \
  public:                                                                                                    \
    Classe(const TvxnObjetoTipado* dono, TvxnNFeDataSets& ds) : TvxnObjetoTipado(dono, ds, parte) {}         \
    void Assign([[maybe_unused]] const Classe& origem) {                                                     \
      if (&origem != this) {                                                                                 \
        VXN_TIPADO_COPIAS(VXN_TIPADO_##Classe)                                                               \
      }                                                                                                      \
    }                                                                                                        \
    __VA_ARGS__                                                                                              \
    VXN_TIPADO_MEMBROS(VXN_TIPADO_##Classe)                                                                  \
  };

#define VXN_TIPADO_LISTA(Lista, Item, Tabela, abertura)                                                      \
  class Lista : public TvxnListaTipada<Item> {                                                               \
  public:                                                                                                    \
    Lista(const TvxnObjetoTipado* dono, TvxnNFeDataSets& ds, std::string_view nome)                          \
        : TvxnListaTipada<Item>(dono, ds, nome, abertura) {}                                                 \
    void Assign([[maybe_unused]] const Lista& origem) {                                                      \
      if (&origem != this) {                                                                                 \
        VXN_TIPADO_COPIAS(Tabela)                                                                            \
        TvxnListaTipada<Item>::Assign(origem);                                                               \
      }                                                                                                      \
    }                                                                                                        \
    VXN_TIPADO_MEMBROS(Tabela)                                                                               \
  };

VXN_CLASSES_TIPADAS(VXN_TIPADO_OBJETO, VXN_TIPADO_LISTA)

// One property of the table: the class, the property and the field it writes (both fields of a CNPJ
// or CPF). For listings and checks of the table against a dictionary.
struct TvxnPropriedadeTipada {
  std::string_view classe;
  std::string_view propriedade;
  std::string_view campo;
  std::string_view campoCPF;
};
const std::vector<TvxnPropriedadeTipada>& PropriedadesTipadas();

class TvxnNFeDataSetsTipado;

// A dataset with its dictionary loaded, and the modification time of the dictionary file it loaded.
struct TvxnDataSetCarregado {
  std::unique_ptr<TvxnNFeDataSets> ds;
  std::int64_t modificacao = 0;
};

// One NF-e: its TNFe and the input dataset its objects write into, created with the document started
// (Incluir) and given back to the component when the NotaFiscal is freed.
class NotaFiscal {
public:
  ~NotaFiscal();
  NotaFiscal(const NotaFiscal&) = delete;
  NotaFiscal& operator=(const NotaFiscal&) = delete;

  TNFe& GetNFe() { return *nfe_; }
  const TNFe& GetNFe() const { return *nfe_; }
  // Stores the document (Salvar) and returns the text of the dataset's lot. Once stored, later calls
  // return the same text without storing again.
  std::string GerarXML();
  // The input dataset of this document, for what the typed objects do not cover.
  TvxnNFeDataSets& GetDataSets() { return *ds_; }
  // Writes the text into the field of that name of this document's dataset.
  void SetCampo(std::string_view nome, std::string_view valor);

private:
  friend class TNotasFiscais;
  NotaFiscal(TvxnNFeDataSetsTipado& componente, TvxnDataSetCarregado carregado);

  TvxnNFeDataSetsTipado* componente_;
  std::unique_ptr<TvxnNFeDataSets> ds_;
  std::int64_t modificacao_;
  std::unique_ptr<TNFe> nfe_;
  bool gerado_ = false;
};

// The component's NotaFiscal objects, in order.
class TNotasFiscais {
public:
  TNotasFiscais(const TNotasFiscais&) = delete;
  TNotasFiscais& operator=(const TNotasFiscais&) = delete;

  // A new NotaFiscal at the end (Add) or at `indice` (Insert, 0 to Count), with its document started.
  // Refused, and nothing added, when the process-wide schema version is below pl_009 or the dictionary
  // path is empty or names no file.
  NotaFiscal& Add();
  NotaFiscal& Insert(int indice);
  NotaFiscal& Items(int indice);
  int Count() const { return static_cast<int>(notas_.size()); }
  // Frees one NotaFiscal, or all of them.
  void Delete(int indice);
  void Clear();
  // The GerarXML texts of every NotaFiscal, in order, joined with nothing between them.
  std::string GerarXml();

private:
  friend class TvxnNFeDataSetsTipado;
  explicit TNotasFiscais(TvxnNFeDataSetsTipado& componente) : componente_(&componente) {}
  std::size_t Posicao(int indice, std::size_t limite) const;

  TvxnNFeDataSetsTipado* componente_;
  std::vector<std::unique_ptr<NotaFiscal>> notas_;
};

class TvxnNFeDataSetsTipado {
public:
  TvxnNFeDataSetsTipado();
  ~TvxnNFeDataSetsTipado();
  TvxnNFeDataSetsTipado(const TvxnNFeDataSetsTipado&) = delete;
  TvxnNFeDataSetsTipado& operator=(const TvxnNFeDataSetsTipado&) = delete;

  TNotasFiscais& GetNotasFiscais() { return notas_; }

  // Each setter also stores the value process-wide, where every NotaFiscal created afterwards and
  // every date-time setter read it.
  TVersaoEsquema GetVersaoEsquema() const { return versaoEsquema_; }
  void SetVersaoEsquema(TVersaoEsquema v);
  // The zone appended to date-times ("-03:00"); checked when a date-time is written.
  const std::string& GetFusoHorario() const { return fusoHorario_; }
  void SetFusoHorario(std::string_view fuso);
  const std::string& GetXmlDicionario() const { return xmlDicionario_; }
  void SetXmlDicionario(std::string_view caminho);
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view diretorio);

  // Writes the text into the field of that name of the dataset of the NotaFiscal created last.
  void SetCampo(std::string_view nome, std::string_view valor);

private:
  friend class NotaFiscal;
  friend class TNotasFiscais;
  // A dataset for a new NotaFiscal: one given back by a freed NotaFiscal when it was made for the same
  // schema version and the same, unchanged, dictionary file (loading a dictionary costs far more than
  // filling a document), otherwise a new one.
  TvxnDataSetCarregado NovoDataSet();
  void Devolver(TvxnDataSetCarregado carregado);
  void Criada(NotaFiscal& nota) { ultima_ = &nota; }
  void Liberada(const NotaFiscal& nota);

  std::vector<TvxnDataSetCarregado> reserva_;
  TNotasFiscais notas_{*this};
  TVersaoEsquema versaoEsquema_ = pl_009;
  std::string fusoHorario_ = "-03:00";
  std::string xmlDicionario_;
  std::string diretorioLogErro_;
  NotaFiscal* ultima_ = nullptr;
};

} // namespace vxn
