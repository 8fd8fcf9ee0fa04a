// The few values the DANFE print data formats itself. Every number is rendered in the Brazilian form
// of the printed DANFE ("." groups thousands, "," separates decimals) from the XML's own text, never
// through the process locale or a floating-point round trip, so the output is the same on every
// machine and no digit of the document is lost.
#pragma once

#include <string>
#include <string_view>

namespace vxn {

struct TvxnXmlLightElement;

// An element with nothing in it: what an absent group of the XML reads as (its fields print as blanks).
const TvxnXmlLightElement& ElementoVazio();
// The child of that name of `pai` (which may be null), or the empty element.
const TvxnXmlLightElement& Filho(const TvxnXmlLightElement* pai, std::string_view nome);

// "1234567.89" -> "1.234.567,89"; "" -> "0,00"; a value without a decimal point ("1234") is returned
// as it is. The decimal places are kept as the XML has them.
std::string VirgulaDecimal(std::string_view valor);

// A decimal text of the XML ("-1234.5") with exactly `casas` decimals, rounded half away from zero,
// in the Brazilian form with thousands grouped: "#,##0.00" is FormatarDecimal(v, 2) ("1.234,50"),
// "#,##0" is FormatarDecimal(v, 0). A text that is not a decimal number is returned as it is.
std::string FormatarDecimal(std::string_view valor, int casas);

// Sums decimal texts exactly (as integers of millionths), for the item totals and volume sums: their
// fields have at most four decimals. Texts that are not decimal numbers count as zero. The result is a plain
// decimal text with `casas` decimals
// ("1234.50"), ready for FormatarDecimal.
class TvxnDanfeSoma {
public:
  void Somar(std::string_view valor);
  std::string Texto(int casas) const;
  bool Vazia() const { return !somou_; }

private:
  long long total_ = 0; // millionths

  bool somou_ = false;
};

// Unwraps CDATA sections that reached the text as characters ("<![CDATA[" and "]]>" removed).
std::string TratarCDATA(std::string_view texto);

// The text of an XML value prepared for printing: CDATA markers unwrapped, "&#xD;" and carriage
// returns dropped, and the line delimiter turned into a line break (CR LF).
std::string GetValueTagTratado(std::string_view texto, std::string_view lineDelimiter);

// Breaks every line of the text (lines end in LF, with or without CR) that is longer than `maxCol`
// characters at the last blank within the limit (or at the limit itself when the line has no blank
// there). Lines are joined with CR LF.
std::string RetornarInfCplQuebraLinhaAutomatica(std::string_view texto, int maxCol);

// The complementary information split for the DANFE's box: what fits in `maxRow` lines of `maxCol`
// characters goes to `caixa`; the rest, when there is any, to `continuacao` as
// "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES" CR LF followed by the text. A line longer than maxCol
// takes as many rows as the box needs to show it. Characters are counted, never bytes, and no
// character is ever split.
struct TvxnObservacoesSeparadas {
  std::string caixa;
  std::string continuacao;
};
TvxnObservacoesSeparadas SeparaObservacoes(std::string_view texto, int maxCol, int maxRow,
                                           bool quebrarLinhaAut);

} // namespace vxn
