// The emission primitives of the input datasets: fields, field lists, whole records and templates
// turned into XML text by concatenation.
#include "vxnNFeException.h"
#include "vxnText.h"
#include "vxnXmlDataSetNFe.h"

#include <algorithm>

namespace vxn {

namespace {

// The tag a field writes: its name up to the first "_", or the whole name.
std::string_view Tag(const TXmlFieldNFe& field) {
  std::string_view name = field.FieldName();
  return name.substr(0, name.find('_'));
}

bool IsNullText(std::string_view v) {
  return v.size() == 4 && SameText(v, "NULL");
}

bool HasVisibleValue(const TXmlDataSetNFe& part, std::span<const std::optional<std::string>> record) {
  for (const auto& field : part.Fields())
    if (field->Visible() && !field->ValueIn(record).empty())
      return true;
  return false;
}

// Holds no CNPJ, CPF or idEstrangeiro element: the recipient must still be identified.
bool SemIdentificacao(std::string_view texto) {
  return texto.find("<CNPJ>") == std::string_view::npos && texto.find("<CPF>") == std::string_view::npos &&
         texto.find("<idEstrangeiro>") == std::string_view::npos;
}

constexpr std::string_view kIdEstrangeiro = "idEstrangeiro_E03a";

} // namespace

void TvxnXMLDataSetNFe::AppendFieldXML(std::string& out, const TXmlFieldNFe& field) {
  if (field.Visible())
    AppendValueXML(out, field, field.Value());
}

void TvxnXMLDataSetNFe::WriteValueXML(std::string& out, const TXmlFieldNFe& field, std::string_view value) {
  if (IsNullText(value))
    return;
  const std::string_view tag = Tag(field);
  // The output grows once per field; the pieces are then copied into place.
  const std::size_t at = out.size();
  char* p;
  const auto copiar = [&p](std::string_view s) { p = std::copy(s.begin(), s.end(), p); };
  if (field.Elemento()) {
    out.resize(at + 2 * tag.size() + value.size() + 5);
    p = out.data() + at;
    copiar("<"), copiar(tag), copiar(">"), copiar(value), copiar("</"), copiar(tag), copiar(">");
  } else {
    out.resize(at + tag.size() + value.size() + 3);
    p = out.data() + at;
    copiar(tag), copiar("=\""), copiar(value), copiar("\"");
  }
}

void TvxnXMLDataSetNFe::AppendPartXML(std::string& out, const TXmlDataSetNFe& part) {
  const auto record = part.CurrentRecord();
  if (!HasVisibleValue(part, record))
    return;
  const std::string& tag = part.TagXML();
  if (!tag.empty()) {
    out += '<';
    out += tag;
    out += '>';
  }
  for (std::size_t i = 0; i < part.Fields().size(); ++i) {
    const TXmlFieldNFe& field = part.XmlField(i);
    AppendValueXML(out, field, field.ValueIn(record));
  }
  if (!tag.empty()) {
    out += "</";
    out += tag;
    out += '>';
  }
}

std::string TvxnXMLDataSetNFe::ConvertFieldParaXML(const TXmlFieldNFe& field) {
  std::string out;
  AppendFieldXML(out, field);
  return out;
}

std::string TvxnXMLDataSetNFe::ConvertFieldParaXML(const TXmlDataSetNFe& part, std::string_view name) {
  return ConvertFieldParaXML(static_cast<const TXmlFieldNFe&>(part.FieldByName(name)));
}

std::string TvxnXMLDataSetNFe::ConvertFieldsParaXML(const TXmlDataSetNFe& part,
                                                    std::span<const std::string_view> names) {
  std::string out;
  for (std::string_view name : names) {
    out += ConvertFieldParaXML(part, name);
    if (name == kIdEstrangeiro && SemIdentificacao(out))
      out += "<idEstrangeiro/>";
  }
  return out;
}

std::string TvxnXMLDataSetNFe::ConvertDataSetParaXML(const TXmlDataSetNFe& part) {
  std::string out;
  AppendPartXML(out, part);
  return out;
}

void TvxnXMLDataSetNFe::AppendFields(std::string& out, const TvxnListaCampos& lista) {
  auto it = listasResolvidas_.find(&lista);
  if (it == listasResolvidas_.end()) {
    const TXmlDataSetNFe& part = FindDataSet(lista.parte);
    std::vector<const TXmlFieldNFe*> campos;
    campos.reserve(lista.nomes.size());
    for (std::string_view name : lista.nomes)
      campos.push_back(&static_cast<const TXmlFieldNFe&>(part.FieldByName(name)));
    it = listasResolvidas_.emplace(&lista, std::move(campos)).first;
  }
  if (it->second.empty())
    return;
  // Every field of a list belongs to the same part: its record is found once.
  const auto record = it->second.front()->DataSet()->CurrentRecord();
  const std::size_t inicio = out.size();
  for (const TXmlFieldNFe* campo : it->second) {
    AppendValueXML(out, *campo, campo->ValueIn(record));
    if (campo->FieldName() == kIdEstrangeiro && SemIdentificacao(std::string_view(out).substr(inicio)))
      out += "<idEstrangeiro/>";
  }
}

// Reads the template character by character: "@", the part letter, "(", the field name, ")".
std::vector<TvxnTrechoModelo> TvxnXMLDataSetNFe::ParseModelo(std::string_view modelo) const {
  std::vector<TvxnTrechoModelo> trechos;
  std::string literal;
  std::size_t i = 0;
  while (i < modelo.size()) {
    const bool referencia = modelo[i] == '@' && i + 2 < modelo.size() && modelo[i + 2] == '(';
    const std::size_t fecha = referencia ? modelo.find(')', i + 3) : std::string_view::npos;
    if (fecha == std::string_view::npos) {
      literal += modelo[i++];
      continue;
    }
    if (!literal.empty())
      trechos.push_back({std::move(literal), nullptr, nullptr});
    literal.clear();
    const TXmlDataSetNFe& part = FindDataSet(modelo.substr(i + 1, 1));
    const std::string_view campo = modelo.substr(i + 3, fecha - i - 3);
    if (campo == "*")
      trechos.push_back({{}, nullptr, &part});
    else
      trechos.push_back({{}, &static_cast<const TXmlFieldNFe&>(part.FieldByName(campo)), nullptr});
    i = fecha + 1;
  }
  if (!literal.empty())
    trechos.push_back({std::move(literal), nullptr, nullptr});
  return trechos;
}

std::string TvxnXMLDataSetNFe::ParserConverter(std::string_view modelo) {
  std::string out;
  for (const TvxnTrechoModelo& t : ParseModelo(modelo)) {
    if (t.campo)
      out += ConvertFieldParaXML(*t.campo);
    else if (t.parte)
      out += ConvertDataSetParaXML(*t.parte);
    else
      out += t.literal;
  }
  return out;
}

void TvxnXMLDataSetNFe::AppendTemplate(std::string& out, const TvxnModeloXml& modelo) {
  auto it = modelosResolvidos_.find(&modelo);
  if (it == modelosResolvidos_.end())
    it = modelosResolvidos_.emplace(&modelo, ParseModelo(modelo.texto)).first;
  // The references of a template are mostly to one part: its record is found again only when the
  // part changes.
  const TvxnDataSet* parte = nullptr;
  std::span<const std::optional<std::string>> record;
  for (const TvxnTrechoModelo& t : it->second) {
    if (t.campo) {
      if (t.campo->DataSet() != parte) {
        parte = t.campo->DataSet();
        record = parte->CurrentRecord();
      }
      AppendValueXML(out, *t.campo, t.campo->ValueIn(record));
    } else if (t.parte) {
      AppendPartXML(out, *t.parte);
    } else {
      out += t.literal;
    }
  }
}

} // namespace vxn
