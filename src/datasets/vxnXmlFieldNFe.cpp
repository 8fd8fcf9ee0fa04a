#include "vxnXmlFieldNFe.h"

#include "vxnNFeEscape.h"
#include "vxnNFeException.h"
#include "vxnText.h"

namespace vxn {

namespace {
// The recipient's name may hold "&" only up to this position (counted from 1).
constexpr std::size_t kUltimaPosicaoEComercialXNome = 55;

// Holds a TAB or a character that escaping replaces. Runs on every value assigned to an escaping
// field, most of which hold none.
bool PrecisaEscapar(std::string_view text) {
  for (const char c : text)
    switch (c) {
    case '\t':
    case '\'':
    case '"':
    case '<':
    case '>':
    case '&':
      return true;
    default:
      break;
    }
  return false;
}
} // namespace

void TXmlFieldNFe::EscaparValor() {
  if (escapouValor_) { // our own store below
    escapouValor_ = false;
    return;
  }
  // Text with no TAB and nothing that escaping touches comes out as it went in, unless it is longer
  // than the layout size; then there is nothing to store again.
  const std::string_view atual = Value();
  if (atual.size() <= tamanhoMapeado_ && !PrecisaEscapar(atual))
    return;
  // The stored value stays unchanged until the store below, so it is read in place.
  std::string semTab;
  std::string_view text = atual;
  if (atual.find('\t') != std::string_view::npos)
    text = semTab = ReplaceAll(atual, "\t", "");
  if (SameText(FieldName(), "xNome_E04")) {
    const std::size_t pos = Utf8Find(text, "&");
    if (pos != std::string::npos && pos + 1 > kUltimaPosicaoEComercialXNome)
      throw EvxnNFeDataSetException("O campo não suporta o caracter & a partir da posição 55 da String",
                                    diretorioLogErro_);
  }
  std::string final = EscaparTextoXML(text);
  if (final == text && !ContemEntidadeXML(final)) {
    // Plain text: its first layout-size characters.
    final.resize(Utf8Offset(final, tamanhoMapeado_));
  } else if (ComprimentoSemEntidades(final) > tamanhoMapeado_ || Utf8Length(final) > Size()) {
    // Escaped text is stored whole or not at all: a cut could fall inside an entity.
    throw EvxnNFeDataSetException("Conteúdo do campo %s excede o tamanho de %d caracteres do leiaute.",
                                  {FieldName(), static_cast<int>(tamanhoMapeado_)}, diretorioLogErro_);
  }
  // Storing the stored text again would change nothing.
  if (final == Value())
    return;
  escapouValor_ = true;
  try {
    SetAsString(final);
  } catch (...) {
    escapouValor_ = false;
    throw;
  }
  escapouValor_ = false; // normally already cleared by the nested call of this handler
}

std::string TXmlFieldNFe::TextoDica() const {
  return dica_.empty() ? std::string() : " Dica: " + dica_;
}

void TXmlFieldNFe::ValidarValor(std::string_view value) const {
  if (enum_.Empty())
    return;
  if (value.empty())
    return;
  for (const std::string& permitted : enum_)
    if (permitted == value)
      return;
  throw EvxnDataSetException("Conteúdo %s é inválido para o campo %s [%s].%s",
                             {value, FieldName(), DisplayLabel(), TextoDica()}, diretorioLogErro_);
}

} // namespace vxn
