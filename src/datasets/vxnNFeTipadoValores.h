// The kinds of value of the typed document model's properties and how each value becomes the text of
// its field: text as it is, integers in decimal digits, dates and date-times in the layout's form,
// decimals with their number of decimals, enumerations by their code. A value that has no such text
// is refused with an exception, before anything is written.
#pragma once

#include "vxnNFeTipadoEnumeracoes.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace vxn {

// The process-wide settings of the typed document model: the last values given to the properties of
// the same name of any TvxnNFeDataSetsTipado.
struct TvxnConfiguracaoTipada {
  TVersaoEsquema versaoEsquema = pl_009;
  std::string fusoHorario = "-03:00";
  std::string xmlDicionario;
  std::string diretorioLogErro;
};
TvxnConfiguracaoTipada& ConfiguracaoTipada();

// The property being written, for the messages of a refusal.
struct TvxnAlvoTipado {
  std::string_view propriedade;
  std::string_view campo;
};

// Room for the text of any value: a double written out in full takes up to about 330 characters.
using TvxnTextoValor = std::array<char, 512>;

// The kinds named in the property tables.
namespace tipado {
struct Texto {};
struct Inteiro {};
struct Data {};
struct DataHora {};
template <int Minimo, int Maximo> struct Decimal {
  static_assert(0 <= Minimo && Minimo <= Maximo && Maximo <= 10);
};
using Dec2 = Decimal<2, 2>;
using Dec3 = Decimal<3, 3>;
using Dec4 = Decimal<4, 4>;
using Dec10 = Decimal<10, 10>;
using Dec2a4 = Decimal<2, 4>;
using Dec0a4 = Decimal<0, 4>;
using Dec0a10 = Decimal<0, 10>;
// An enumeration is its own kind.
#define VXN_TIPADO_USA_ENUM(Tipo) using vxn::Tipo;
VXN_ENUMERACOES_TIPADAS(VXN_TIPADO_USA_ENUM)
#undef VXN_TIPADO_USA_ENUM
using vxn::TTipoEmissao;
} // namespace tipado

// The decimal text of a value with at least `minimo` and at most `maximo` decimals: the shortest text
// of the value (up to 15 significant digits), padded with zeros to `minimo` decimals or rounded half up,
// on its digits, to `maximo`. "." whatever the locale. A value that is not a finite number or is
// negative is refused (EvxnNFeCheckParams).
std::string_view TextoDecimal(double valor, int minimo, int maximo, TvxnTextoValor& buf,
                              const TvxnAlvoTipado& alvo);
// Decimal digits without leading zeros; a negative value is refused.
std::string_view TextoInteiro(std::int64_t valor, TvxnTextoValor& buf, const TvxnAlvoTipado& alvo);
// "YYYY-MM-DD"; an invalid date or a year outside 1 to 9999 is refused.
std::string_view TextoData(std::chrono::year_month_day valor, TvxnTextoValor& buf,
                           const TvxnAlvoTipado& alvo);
// "YYYY-MM-DDTHH:MM:SS" followed by the process-wide time zone, which must be a sign, two digits, a
// colon and two digits (EvxnNFeEventosFusoHorarioInvalidException otherwise).
std::string_view TextoDataHora(std::chrono::local_seconds valor, TvxnTextoValor& buf,
                               const TvxnAlvoTipado& alvo);
[[noreturn]] void RecusarEnum(std::string_view enumeracao, long long valor, const TvxnAlvoTipado& alvo);
// A number with more integer digits than the field's layout allows.
[[noreturn]] void RecusarTamanho(std::string_view texto, std::size_t inteiros, const TvxnAlvoTipado& alvo);

// Per kind: the value kept by the object (Valor), what the setter takes (Parametro) and the getter
// gives (Retorno), its text, and, for a number, how many decimals its text has at most (kCasas; -1 for
// the kinds that are not numbers): the field's layout size less those decimals and the point is the
// number of integer digits the layout allows.
template <class K> struct TvxnTipo;

template <> struct TvxnTipo<tipado::Texto> {
  using Valor = std::string;
  using Parametro = std::string_view;
  using Retorno = const std::string&;
  static constexpr int kCasas = -1;
  static std::string_view Texto(std::string_view v, TvxnTextoValor&, const TvxnAlvoTipado&) { return v; }
};

template <> struct TvxnTipo<tipado::Inteiro> {
  using Valor = std::int64_t;
  using Parametro = std::int64_t;
  using Retorno = std::int64_t;
  static constexpr int kCasas = 0;
  static std::string_view Texto(std::int64_t v, TvxnTextoValor& buf, const TvxnAlvoTipado& alvo) {
    return TextoInteiro(v, buf, alvo);
  }
};

template <> struct TvxnTipo<tipado::Data> {
  using Valor = std::chrono::year_month_day;
  using Parametro = std::chrono::year_month_day;
  using Retorno = std::chrono::year_month_day;
  static constexpr int kCasas = -1;
  static std::string_view Texto(Parametro v, TvxnTextoValor& buf, const TvxnAlvoTipado& alvo) {
    return TextoData(v, buf, alvo);
  }
};

template <> struct TvxnTipo<tipado::DataHora> {
  using Valor = std::chrono::local_seconds;
  using Parametro = std::chrono::local_seconds;
  using Retorno = std::chrono::local_seconds;
  static constexpr int kCasas = -1;
  static std::string_view Texto(Parametro v, TvxnTextoValor& buf, const TvxnAlvoTipado& alvo) {
    return TextoDataHora(v, buf, alvo);
  }
};

template <int Minimo, int Maximo> struct TvxnTipo<tipado::Decimal<Minimo, Maximo>> {
  using Valor = double;
  using Parametro = double;
  using Retorno = double;
  static constexpr int kCasas = Maximo;
  static std::string_view Texto(double v, TvxnTextoValor& buf, const TvxnAlvoTipado& alvo) {
    return TextoDecimal(v, Minimo, Maximo, buf, alvo);
  }
};

template <class E>
requires std::is_enum_v<E>
struct TvxnTipo<E> {
  using Valor = E;
  using Parametro = E;
  using Retorno = E;
  static constexpr int kCasas = -1;
  static std::string_view Texto(E v, TvxnTextoValor&, const TvxnAlvoTipado& alvo) {
    if (const std::string_view* codigo = CodigoEnum(v))
      return *codigo;
    RecusarEnum(TvxnCodigosEnum<E>::kNome, static_cast<long long>(v), alvo);
  }
};

// The value a property keeps, or the kind's default when it was never given one.
template <class K>
typename TvxnTipo<K>::Retorno LerTipado(const std::optional<typename TvxnTipo<K>::Valor>& v) {
  static const typename TvxnTipo<K>::Valor kPadrao{};
  return v ? *v : kPadrao;
}

} // namespace vxn
