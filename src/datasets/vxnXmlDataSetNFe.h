// Part datasets and the base of every version dataset: the dictionary that declares the parts and
// their fields, master-detail links, record handles, the record callbacks and field lookup.
#pragma once

#include "vxnDataSet.h"
#include "vxnNFeType.h"
#include "vxnStringList.h"
#include "vxnXmlElementTree.h"
#include "vxnXmlEmissao.h"
#include "vxnXmlFieldNFe.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vxn {

// One group of the layout, held in its own table. Its name is the part name.
class TXmlDataSetNFe : public TvxnDataSet {
public:
  using TvxnDataSet::TvxnDataSet;

  // Element name used when the whole part is written.
  const std::string& TagXML() const { return tagXML_; }
  void SetTagXML(std::string_view v) { tagXML_ = v; }
  // Name of the master part; empty for a root part.
  const std::string& XMLMasterSource() const { return masterSource_; }
  void SetXMLMasterSource(std::string_view v) { masterSource_ = v, ForgetLink(); }
  // Field of the master part that identifies the master record.
  const std::string& XMLMasterField() const { return masterField_; }
  void SetXMLMasterField(std::string_view v) { masterField_ = v, ForgetLink(); }
  // Field of this part that holds the master's value.
  const std::string& XMLKeyField() const { return keyField_; }
  void SetXMLKeyField(std::string_view v) { keyField_ = v, ForgetLink(); }

  TXmlFieldNFe& XmlField(std::size_t i) const { return static_cast<TXmlFieldNFe&>(*Fields()[i]); }

private:
  friend class TvxnXMLDataSetNFe;
  void ForgetLink() { linkKey_ = nullptr, linkMaster_ = nullptr; }

  std::string tagXML_;
  std::string masterSource_;
  std::string masterField_;
  std::string keyField_;
  // The fields every insert fills, found by name on the first insert (fields are declared only
  // before the part opens, so the answers hold): "handle", and the key field with the master's field
  // it copies.
  TvxnField* handleField_ = nullptr;
  TvxnField* linkKey_ = nullptr;
  const TvxnField* linkMaster_ = nullptr;
  // Index of this part's line in the container's Handles, found on its first record.
  mutable std::size_t handleLine_ = kSemLinha;
  // The line has been written as "name=counter" by this part, so its digits are the counter's.
  mutable bool handleLineEscrita_ = false;
  static constexpr std::size_t kSemLinha = static_cast<std::size_t>(-1);
};

using TListDataSets = std::vector<std::unique_ptr<TXmlDataSetNFe>>;

class TvxnXMLDataSetNFe {
public:
  TvxnXMLDataSetNFe() = default;
  virtual ~TvxnXMLDataSetNFe() = default;
  TvxnXMLDataSetNFe(const TvxnXMLDataSetNFe&) = delete;
  TvxnXMLDataSetNFe& operator=(const TvxnXMLDataSetNFe&) = delete;

  // Creates the field object of a part (the version datasets create their own field class).
  virtual std::unique_ptr<TXmlFieldNFe> CreateXmlField(TXmlDataSetNFe& part);
  // Reads the field attributes that follow the storage attributes (tpnode, enum, dica, display).
  virtual void GetAtributosComplementares(const TvxnXmlElement& node, TXmlFieldNFe& field);

  virtual TvxnDataSetState GetState() const { return state_; }
  virtual void SetState(TvxnDataSetState s) { state_ = s; }
  virtual bool GetActiveMasterSource() const { return activeMasterSource_; }
  virtual const TListDataSets& GetListDataSets() const { return listDataSets_; }
  virtual const std::string& GetXMLDicionario() const { return xmlDicionario_; }
  // Clears the parts, stores the path and loads the dictionary.
  virtual void SetXMLDicionario(std::string_view path);
  // Switches every part's master-detail link on or off.
  virtual void SetActiveMasterSource(bool on);
  virtual bool GetUsarDatasetExportacao() const { return usarDatasetExportacao_; }
  void SetUsarDatasetExportacao(bool on) { usarDatasetExportacao_ = on; }

  // Checks that the dictionary exists and reads it.
  virtual TvxnXmlElement LoadDicXML();
  virtual void AntesDeSalvar(TXmlDataSetNFe& part);
  virtual void AntesDeIncluir(TXmlDataSetNFe& part);
  virtual void DepoisDeIncluir(TXmlDataSetNFe& part);
  virtual void CreateListDataSets();
  // Cancels, empties, closes and reopens every part.
  virtual void ClearDataSets();
  // True when some visible field other than the link fields holds a value.
  virtual bool PossuiDadosCampo(const TXmlDataSetNFe& part) const;
  // The part's record counter; stores counter + 1 when increment is true.
  virtual long long GetHandle(const TXmlDataSetNFe& part, bool increment);
  virtual void VerificaCampoVerProc();
  virtual TXmlDataSetNFe& FindDataSet(std::string_view name) const;
  virtual void IncluirPart(std::string_view name);
  virtual void SalvarPart(std::string_view name);
  virtual void Incluir() {}
  // The first field, in part order, whose component name is part name + name (ASCII case ignored).
  virtual TXmlFieldNFe& Campo(std::string_view name);

  // ---- XML text of the current records. Values are written as stored: they were escaped when they
  // were assigned. A field holding "NULL" (any case) or an invisible field writes nothing. ----
  //
  // The template with every reference "@p(field)" replaced by the text of that field (or, for "*",
  // of the whole current record of part p).
  virtual std::string ParserConverter(std::string_view modelo);
  // The whole current record wrapped in the part's TagXML (bare when it has none); "" when no visible
  // field holds a value.
  virtual std::string ConvertDataSetParaXML(const TXmlDataSetNFe& part);
  // "<tag>value</tag>" for an element, tag="value" for an attribute, or "".
  virtual std::string ConvertFieldParaXML(const TXmlFieldNFe& field);
  virtual std::string ConvertFieldParaXML(const TXmlDataSetNFe& part, std::string_view name);
  // The named fields in the given order. After idEstrangeiro_E03a, "<idEstrangeiro/>" is added when
  // the text so far holds no CNPJ, CPF or idEstrangeiro element.
  virtual std::string ConvertFieldsParaXML(const TXmlDataSetNFe& part,
                                           std::span<const std::string_view> names);

  // The part of that name, or nullptr.
  TXmlDataSetNFe* FindPart(std::string_view name) const;
  const TvxnStringList& Handles() const { return handles_; }
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  // Also hands the directory to every part and field.
  void SetDiretorioLogErro(std::string_view dir);
  TVersaoManual GetVersaoManual() const { return versaoManual_; }
  void SetVersaoManual(TVersaoManual v) { versaoManual_ = v; }

protected:
  // Removes every part and every name the container knows.
  void ClearParts();
  TListDataSets& ListDataSets() { return listDataSets_; }

  // The appending forms of the emission primitives used by the group builders. Lists and templates
  // are resolved against the dictionary on first use and kept until the dictionary is replaced.
  static void AppendFieldXML(std::string& out, const TXmlFieldNFe& field);
  // The same with the field's value already read (from its table's CurrentRecord).
  // Most fields a builder looks at are empty, so that case is decided here without a call.
  static void AppendValueXML(std::string& out, const TXmlFieldNFe& field, std::string_view value) {
    if (field.Visible() && (!value.empty() || field.GeraTagVazia()))
      WriteValueXML(out, field, value);
  }
  static void AppendPartXML(std::string& out, const TXmlDataSetNFe& part);
  void AppendFields(std::string& out, const TvxnListaCampos& lista);
  void AppendTemplate(std::string& out, const TvxnModeloXml& modelo);

private:
  // AppendValueXML for a visible field that writes something unless it holds "NULL".
  static void WriteValueXML(std::string& out, const TXmlFieldNFe& field, std::string_view value);
  void LoadPart(const TvxnXmlElement& partNode);
  void LoadField(TXmlDataSetNFe& part, const TvxnXmlElement& fieldNode);

  TvxnStringList handles_;
  TListDataSets listDataSets_;
  std::string xmlDicionario_;
  bool activeMasterSource_ = true;
  TvxnDataSetState state_ = dsInactive;
  std::string diretorioLogErro_;
  TVersaoManual versaoManual_ = vm60;
  bool usarDatasetExportacao_ = false;
  // Names of the container's components (parts and fields, upper case), for the duplicate rule.
  std::unordered_map<std::string, TXmlFieldNFe*> components_;
  TvxnMapaNomes<TXmlDataSetNFe*> partsByName_;
  // Campo(name) results, so that a name is looked up over the parts only once.
  TvxnMapaNomes<TXmlFieldNFe*> campoCache_;
  // The counter each line of handles_ holds (kept with the text, so that a new record does not parse
  // it); each part keeps the index of its own line.
  std::vector<long long> handleCounters_;
  // verProc_B27, found once per dictionary (it is checked on every post).
  TvxnField* verProc_ = nullptr;
  // Resolved field lists and parsed templates of the group builders, by the address of their static
  // definition.
  std::unordered_map<const TvxnListaCampos*, std::vector<const TXmlFieldNFe*>> listasResolvidas_;
  std::unordered_map<const TvxnModeloXml*, std::vector<TvxnTrechoModelo>> modelosResolvidos_;
  std::vector<TvxnTrechoModelo> ParseModelo(std::string_view modelo) const;
};

} // namespace vxn
