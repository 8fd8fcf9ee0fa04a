#include "vxnNFeRule.h"

#include "datasets/vxnXmlDataSetNFe.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <charconv>

namespace vxn {

TvxnNFeRule::TvxnNFeRule(std::string_view aName, std::string_view aFieldName, std::string_view aCodMensagem,
                         std::string_view aMensagem)
    : codMensagem_(aCodMensagem), mensagem_(aMensagem) {
  SetName(aName);
  SetFieldName(aFieldName);
}

TvxnNFeRule::TvxnNFeRule(std::string_view aName, std::string_view aFieldName, std::string_view aCodMensagem,
                         std::string_view aMensagem, TVersaoManual aVersaoManual)
    : TvxnNFeRule(aName, aFieldName, aCodMensagem, aMensagem) {
  versaoManual_ = aVersaoManual;
}

std::chrono::system_clock::time_point TvxnRule::Agora() const {
  return relogio_ ? relogio_() : std::chrono::system_clock::now();
}

void TvxnNFeRule::execute() {
  if (!GetDataSet())
    throw EvxnNFeRuleException("DataSet não configurado para validação da NFe.", diretorioLogErro_);
}

void TvxnNFeRule::FalharValidacao() const {
  throw EvxnNFeRuleException("[%s]: %s - %s.\r\nVerifique o Campo: %s",
                             {GetName(), codMensagem_, mensagem_, GetFieldName()},
                             GetDataSet() ? GetDataSet()->GetDiretorioLogErro() : diretorioLogErro_);
}

bool TvxnNFeRule::PossuiCampoPreenchido(std::string_view part) const {
  const TXmlDataSetNFe& p = Parte(part);
  for (const auto& field : p.Fields())
    if (!field->IsNull() && !field->Value().empty() && field->Visible() &&
        !SameText(field->FieldName(), "handle") && !SameText(field->FieldName(), p.XMLMasterField()))
      return true;
  return false;
}

bool TvxnNFeRule::VerificaDataAnterior(std::string_view aData, std::string_view aDataLimite) const {
  return utils_.XsdDateTimeToDateTime(aData) < utils_.XsdDateTimeToDateTime(aDataLimite);
}

TXmlFieldNFe& TvxnNFeRule::Campo(std::string_view name) const {
  return GetDataSet()->Campo(name);
}

TXmlDataSetNFe& TvxnNFeRule::Parte(std::string_view name) const {
  return GetDataSet()->FindDataSet(name);
}

double TvxnNFeRule::ValorDecimal(std::string_view name) const {
  const std::string texto = Trim(Campo(name).Value());
  double valor = 0;
  if (texto.empty())
    return valor;
  const auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
  if (erro != std::errc() || fim != texto.data() + texto.size())
    throw EvxnNFeRuleException("\"%s\" não é um valor decimal válido para o campo %s.", {texto, name},
                               GetDataSet()->GetDiretorioLogErro());
  return valor;
}

void TvxnNFeRule::Atribuir(std::string_view name, std::string_view value) const {
  TXmlFieldNFe& field = Campo(name);
  TvxnDataSet* part = field.DataSet();
  if (part->State() != dsEdit && part->State() != dsInsert)
    part->Edit();
  field.SetAsString(value);
}

// "NULL" keeps a field out of the XML: for the rules such a field is not filled.
std::string TvxnNFeRule::Valor(std::string_view name) const {
  std::string valor = Trim(Campo(name).Value());
  if (SameText(valor, "NULL"))
    valor.clear();
  return valor;
}

bool TvxnNFeRule::AlgumRegistro(std::string_view part, const std::function<bool()>& teste) const {
  TXmlDataSetNFe* p = GetDataSet()->FindPart(part);
  if (!p)
    return false;
  for (p->First(); !p->Eof(); p->Next())
    if (teste())
      return true;
  return false;
}

bool TvxnNFeRule::ExisteCampo(std::string_view name) const {
  for (const auto& part : GetDataSet()->GetListDataSets())
    for (const auto& field : part->Fields())
      if (SameText(field->FieldName(), name))
        return true;
  return false;
}

bool TvxnNFeRule::PartePreenchida(std::string_view part) const {
  return GetDataSet()->FindPart(part) && PossuiCampoPreenchido(part);
}

std::size_t TvxnNFeRule::Ocorrencias(std::string_view part) const {
  const TXmlDataSetNFe* p = GetDataSet()->FindPart(part);
  return p ? p->RecordCount() : 0;
}

std::string TvxnNFeRule::DataEmissao() const {
  return Valor(ExisteCampo("dhEmi_B09") ? "dhEmi_B09" : "dEmi_B09");
}

void TvxnNFeTemplateItem::execute() {
  TvxnNFeRule::execute();
  DS = &Parte("I");
  TXmlDataSetNFe& itens = Parte("H");
  for (itens.First(); !itens.Eof(); itens.Next())
    if (!ExpressaoDeValidacao())
      FalharValidacao();
}

} // namespace vxn
