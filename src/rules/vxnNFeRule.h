// The common frame of the business rules: a rule reads (and a corrective rule writes) fields of the
// current document through the version dataset, and reports a failure as EvxnNFeRuleException with
// the rejection code and text of the tax authority and the field to correct.
#pragma once

#include "vxnGovUtils.h"
#include "vxnNFeType.h"
#include "vxnRelogio.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace vxn {

class TvxnXMLDataSetNFe;
class TXmlDataSetNFe;
class TXmlFieldNFe;

class TvxnRule {
public:
  TvxnRule() = default;
  virtual ~TvxnRule() = default;
  TvxnRule(const TvxnRule&) = delete;
  TvxnRule& operator=(const TvxnRule&) = delete;

  bool GetEnabled() const { return enabled_; }
  void SetEnabled(bool on) { enabled_ = on; }
  // The version dataset whose current document is checked (borrowed).
  TvxnXMLDataSetNFe* GetDataSet() const { return dataSet_; }
  void SetDataSet(TvxnXMLDataSetNFe* dataSet) { dataSet_ = dataSet; }
  // The rule id ("GB09.1").
  const std::string& GetName() const { return name_; }
  void SetName(std::string_view name) { name_ = name; }
  // The field named in the failure message ("dEmi_B09"); may be empty.
  const std::string& GetFieldName() const { return fieldName_; }
  void SetFieldName(std::string_view name) { fieldName_ = name; }

  // The clock of the rules that compare dates with the moment of receipt; empty: the system clock.
  const TvxnRelogio& GetRelogio() const { return relogio_; }
  void SetRelogio(TvxnRelogio relogio) { relogio_ = std::move(relogio); }
  std::chrono::system_clock::time_point Agora() const;

  virtual void execute() = 0;

private:
  TvxnRelogio relogio_;
  bool enabled_ = true;
  TvxnXMLDataSetNFe* dataSet_ = nullptr;
  std::string name_;
  std::string fieldName_;
};

class TvxnNFeRule : public TvxnRule {
public:
  TvxnNFeRule(std::string_view aName, std::string_view aFieldName, std::string_view aCodMensagem,
              std::string_view aMensagem);
  TvxnNFeRule(std::string_view aName, std::string_view aFieldName, std::string_view aCodMensagem,
              std::string_view aMensagem, TVersaoManual aVersaoManual);

  // The authority's rejection code ("228") or a technical-note reference.
  const std::string& GetCodMensagem() const { return codMensagem_; }
  void SetCodMensagem(std::string_view v) { codMensagem_ = v; }
  const std::string& GetMensagem() const { return mensagem_; }
  void SetMensagem(std::string_view v) { mensagem_ = v; }
  TVersaoManual GetVersaoManual() const { return versaoManual_; }
  void SetVersaoManual(TVersaoManual v) { versaoManual_ = v; }
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view dir) { diretorioLogErro_ = dir; }

  // Fails when no dataset is set; every rule's own execute calls it first.
  void execute() override;

  // Raises the rule's failure: "[Name]: CodMensagem - Mensagem.\r\nVerifique o Campo: FieldName".
  [[noreturn]] void FalharValidacao() const;
  // True when the current record of the named part holds a value in a visible field other than the
  // link fields.
  bool PossuiCampoPreenchido(std::string_view part) const;
  // True when the layout date (or date-time) aData is strictly earlier than aDataLimite.
  bool VerificaDataAnterior(std::string_view aData, std::string_view aDataLimite) const;

protected:
  // The field of the current document (Campo of the version dataset).
  TXmlFieldNFe& Campo(std::string_view name) const;
  TXmlDataSetNFe& Parte(std::string_view name) const;
  // The field's text read with the point as decimal separator; an empty text counts as 0.
  double ValorDecimal(std::string_view name) const;
  // Stores a value, putting the field's part in edit state when it is not being edited.
  void Atribuir(std::string_view name, std::string_view value) const;
  // The field's text without surrounding blanks.
  std::string Valor(std::string_view name) const;
  // True when the field holds a text other than blanks.
  bool Preenchido(std::string_view name) const { return !Valor(name).empty(); }
  // True when the dictionary of the current document declares a field of that name.
  bool ExisteCampo(std::string_view name) const;
  // True when the dictionary declares the part and its current record holds data.
  bool PartePreenchida(std::string_view part) const;
  // The number of records of the part under its master's current record (0 for a part not declared).
  std::size_t Ocorrencias(std::string_view part) const;
  // Walks the records of the part (under its master's current record) until the test holds; false when
  // it holds for none or the part is not declared. Walking items is walking part H.
  bool AlgumRegistro(std::string_view part, const std::function<bool()>& teste) const;
  // The issue date (dhEmi_B09 of the layouts with an offset, dEmi_B09 before them).
  std::string DataEmissao() const;
  const TvxnGovUtils& Utils() const { return utils_; }

private:
  TvxnGovUtils utils_;
  std::string codMensagem_;
  std::string mensagem_;
  TVersaoManual versaoManual_ = vm50;
  std::string diretorioLogErro_;
};

// A rule checked once per item: execute walks the items and fails at the first one for which
// ExpressaoDeValidacao is false.
class TvxnNFeTemplateItem : public TvxnNFeRule {
public:
  using TvxnNFeRule::TvxnNFeRule;

  void execute() override;
  // True when the current item passes.
  virtual bool ExpressaoDeValidacao() = 0;

protected:
  // The item part I, set by execute.
  TXmlDataSetNFe* DS = nullptr;
};

} // namespace vxn
