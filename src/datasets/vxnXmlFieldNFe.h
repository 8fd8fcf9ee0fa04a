// The string fields of the NF-e part datasets.
#pragma once

#include "vxnDataSet.h"
#include "vxnStringList.h"

#include <string>
#include <string_view>

namespace vxn {

class TXmlFieldNFe : public TvxnField {
public:
  // Component name: the part name followed by the field name, the key by which Campo finds it.
  const std::string& Name() const { return name_; }
  void SetName(std::string_view name) { name_ = name; }

  // Permitted values; an empty list permits any value.
  TvxnStringList& Enum() { return enum_; }
  const TvxnStringList& Enum() const { return enum_; }
  // "elemento" makes the field an XML element; anything else an attribute of the enclosing element.
  const std::string& TpNode() const { return tpNode_; }
  void SetTpNode(std::string_view v) { tpNode_ = v, elemento_ = v == "elemento"; }
  bool Elemento() const { return elemento_; }
  const std::string& TagXml() const { return tagXml_; }
  void SetTagXml(std::string_view v) { tagXml_ = v; }
  bool GeraTagVazia() const { return geraTagVazia_; }
  void SetGeraTagVazia(bool on) { geraTagVazia_ = on; }
  // Hint appended to validation messages.
  const std::string& Dica() const { return dica_; }
  void SetDica(std::string_view v) { dica_ = v; }
  const std::string& DiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view v) {
    if (diretorioLogErro_ != v) // handed again to every field with every new document
      diretorioLogErro_ = v;
  }
  // Layout size in characters (the storage size may leave room for escaping).
  std::size_t TamanhoMapeadoDataSet() const { return tamanhoMapeado_; }
  void SetTamanhoMapeadoDataSet(std::size_t v) { tamanhoMapeado_ = v; }
  bool PermiteEscapar() const { return permiteEscapar_; }
  void SetPermiteEscapar(bool on) { permiteEscapar_ = on; }
  bool EscapouValor() const { return escapouValor_; }

  // The value-change handler of escaping fields: removes TABs, escapes the text for XML and stores it
  // cut to the layout size, except that escaped text longer than the size is kept whole.
  void EscaparValor();
  // Fails when the value is not empty and not one of the permitted values.
  void ValidarConteudo() const { ValidarValor(Value()); }
  // The same for a value already read from the current record.
  void ValidarValor(std::string_view value) const;
  // " Dica: <hint>" when the field has a hint, else "".
  std::string TextoDica() const;

private:
  std::string name_;
  TvxnStringList enum_;
  std::string tpNode_;
  bool elemento_ = false;
  std::string tagXml_;
  bool geraTagVazia_ = false;
  std::string dica_;
  std::string diretorioLogErro_;
  std::size_t tamanhoMapeado_ = 0;
  bool permiteEscapar_ = false;
  bool escapouValor_ = false;
};

// The field of the version datasets: adds where the field sits in the REC format.
class TvxnNFeXMLField : public TXmlFieldNFe {
public:
  // Comma-separated "group=position" entries.
  const std::string& Rec() const { return rec_; }
  void SetRec(std::string_view v) { rec_ = v; }

private:
  std::string rec_;
};

} // namespace vxn
