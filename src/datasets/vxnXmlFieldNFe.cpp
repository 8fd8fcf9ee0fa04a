#include "vxnXmlFieldNFe.h"

#include "vxnNFeEscape.h"
#include "vxnNFeException.h"
#include "vxnText.h"

namespace vxn {

namespace {
// The recipient's name may hold "&" only up to this position (counted from 1).
constexpr std::size_t kUltimaPosicaoEComercialXNome = 55;
} // namespace

void TXmlFieldNFe::EscaparValor() {
  if (escapouValor_) { // our own store below
    escapouValor_ = false;
    return;
  }
  // Text with no TAB and nothing that escaping touches comes out as it went in, unless it is longer
  // than the layout size; then there is nothing to store again.
  const std::string_view atual = Value();
  if (atual.find_first_of("\t'\"<>&") == std::string_view::npos && atual.size() <= tamanhoMapeado_)
    return;
  const std::string text =
      atual.find('\t') == std::string_view::npos ? std::string(atual) : ReplaceAll(atual, "\t", "");
  if (SameText(FieldName(), "xNome_E04")) {
    const std::size_t pos = Utf8Find(text, "&");
    if (pos != std::string::npos && pos + 1 > kUltimaPosicaoEComercialXNome)
      throw EvxnNFeDataSetException("O campo não suporta o caracter & a partir da posição 55 da String",
                                    diretorioLogErro_);
  }
  const std::string escaped = EscaparTextoXML(text);
  const bool keepWhole =
      (escaped != text || ContemEntidadeXML(escaped)) && Utf8Length(escaped) > tamanhoMapeado_;
  const std::string final = keepWhole ? escaped : Utf8Left(escaped, tamanhoMapeado_);
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

void TXmlFieldNFe::ValidarConteudo() const {
  if (enum_.Empty())
    return;
  const std::string_view value = Value();
  if (value.empty())
    return;
  for (const std::string& permitted : enum_)
    if (permitted == value)
      return;
  throw EvxnDataSetException("Conteúdo %s é inválido para o campo %s [%s].%s",
                             {value, FieldName(), DisplayLabel(), TextoDica()}, diretorioLogErro_);
}

} // namespace vxn
