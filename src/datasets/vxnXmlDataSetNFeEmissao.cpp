// The emission primitives of the input datasets: fields, field lists, whole records and templates
// turned into XML text by concatenation.
#include "vxnNFeException.h"
#include "vxnText.h"
#include "vxnXmlDataSetNFe.h"

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

bool HasVisibleValue(const TXmlDataSetNFe& part) {
  for (const auto& field : part.Fields())
    if (field->Visible() && !field->Value().empty())
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
  if (!field.Visible())
    return;
  const std::string_view value = field.Value();
  if (IsNullText(value) || (value.empty() && !field.GeraTagVazia()))
    return;
  const std::string_view tag = Tag(field);
  if (field.TpNode() == "elemento") {
    out += '<';
    out += tag;
    out += '>';
    out += value;
    out += "</";
    out += tag;
    out += '>';
  } else {
    out += tag;
    out += "=\"";
    out += value;
    out += '"';
  }
}

void TvxnXMLDataSetNFe::AppendPartXML(std::string& out, const TXmlDataSetNFe& part) {
  if (!HasVisibleValue(part))
    return;
  const std::string& tag = part.TagXML();
  if (!tag.empty()) {
    out += '<';
    out += tag;
    out += '>';
  }
  for (std::size_t i = 0; i < part.Fields().size(); ++i)
    AppendFieldXML(out, part.XmlField(i));
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
  const std::size_t inicio = out.size();
  for (const TXmlFieldNFe* campo : it->second) {
    AppendFieldXML(out, *campo);
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

namespace {
void AppendTrechos(std::string& out, const std::vector<TvxnTrechoModelo>& trechos,
                   void (*campoXml)(std::string&, const TXmlFieldNFe&),
                   void (*parteXml)(std::string&, const TXmlDataSetNFe&)) {
  for (const TvxnTrechoModelo& t : trechos) {
    if (t.campo)
      campoXml(out, *t.campo);
    else if (t.parte)
      parteXml(out, *t.parte);
    else
      out += t.literal;
  }
}
} // namespace

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
  AppendTrechos(out, it->second, &AppendFieldXML, &AppendPartXML);
}

} // namespace vxn
