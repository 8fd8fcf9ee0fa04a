#include "vxnNFeTipadoValores.h"

#include "vxnNFeException.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace vxn {

TvxnConfiguracaoTipada& ConfiguracaoTipada() {
  static TvxnConfiguracaoTipada configuracao;
  return configuracao;
}

namespace {

constexpr int kDigitosSignificativos = 15;

const std::string& LogErro() {
  return ConfiguracaoTipada().diretorioLogErro;
}

[[noreturn]] void Recusar(std::string_view formato, std::string_view valor, const TvxnAlvoTipado& alvo) {
  throw EvxnNFeCheckParams(formato, {valor, alvo.campo, alvo.propriedade}, LogErro());
}

// The shortest text that reads back as the value, for messages.
std::string TextoCurto(double valor) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, valor);
  return std::string(buf, r.ptr);
}

std::size_t Significativos(std::string_view texto) {
  std::size_t n = 0;
  bool inicio = true;
  for (char c : texto) {
    if (c == '.' || (inicio && c == '0'))
      continue;
    inicio = false;
    ++n;
  }
  return n;
}

// The value rounded to 15 significant digits, without trailing zeros, in plain notation.
std::size_t Com15Digitos(double valor, TvxnTextoValor& buf) {
  char cientifico[64];
  const auto r = std::to_chars(cientifico, cientifico + sizeof cientifico, valor,
                               std::chars_format::scientific, kDigitosSignificativos - 1);
  const std::string_view texto(cientifico, r.ptr);
  const std::size_t e = texto.find('e');
  std::string digitos;
  for (char c : texto.substr(0, e))
    if (c != '.')
      digitos += c;
  while (digitos.size() > 1 && digitos.back() == '0')
    digitos.pop_back();
  int expoente = 0;
  const std::string_view textoExpoente = texto.substr(e + (texto[e + 1] == '+' ? 2 : 1));
  std::from_chars(textoExpoente.data(), textoExpoente.data() + textoExpoente.size(), expoente);

  std::string plano;
  if (expoente >= 0) {
    const auto inteiros = static_cast<std::size_t>(expoente) + 1;
    if (digitos.size() <= inteiros)
      plano = digitos + std::string(inteiros - digitos.size(), '0');
    else
      plano = digitos.substr(0, inteiros) + "." + digitos.substr(inteiros);
  } else {
    plano = "0." + std::string(static_cast<std::size_t>(-expoente - 1), '0') + digitos;
  }
  std::memcpy(buf.data(), plano.data(), plano.size());
  return plano.size();
}

// Powers of ten, each exact in a double.
constexpr double kPotencias[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13};

// The shortest text of the value when it has at most `limite` decimals and 15 significant digits (0
// when it has not), found without writing out the double. For k decimals the only candidate is the
// integer N nearest to v * 10^k: a decimal N / 10^k of up to 15 digits that reads back as v lies within
// half an ulp of v, so v * 10^k, even rounded, is within 0.2 of N. The candidate is checked by dividing
// back, N and 10^k being exact doubles and the division correctly rounded: it reads back as v exactly
// when N / 10^k == v. No two decimals of 15 digits read back as the same double, so the first k that
// passes gives the text that the digits of v rounded to 15 places give.
std::size_t TextoCurtoRapido(double valor, int limite, TvxnTextoValor& buf) {
  for (int k = 0; k <= limite; ++k) {
    const double escalado = valor * kPotencias[k];
    if (escalado >= 1e15)
      return 0;
    const double n = std::nearbyint(escalado);
    if (n / kPotencias[k] != valor)
      continue;
    char digitos[24] = {};
    const auto r = std::to_chars(digitos, digitos + sizeof digitos, static_cast<std::uint64_t>(n));
    std::string_view texto(digitos, static_cast<std::size_t>(r.ptr - digitos));
    const auto casas = static_cast<std::size_t>(k);
    char* destino = buf.data();
    if (casas == 0) {
      std::memcpy(destino, texto.data(), texto.size());
      return texto.size();
    }
    // At least one digit before the point: "0.05".
    const std::size_t zeros = texto.size() <= casas ? casas + 1 - texto.size() : 0;
    std::memset(destino, '0', zeros);
    std::memcpy(destino + zeros, texto.data(), texto.size());
    const std::size_t total = zeros + texto.size();
    std::memmove(destino + total - casas + 1, destino + total - casas, casas);
    destino[total - casas] = '.';
    return total + 1;
  }
  return 0;
}

// Pads or rounds the plain decimal text buf[0, n) to between `minimo` and `maximo` decimals.
std::size_t AjustarCasas(TvxnTextoValor& buf, std::size_t n, int minimo, int maximo) {
  char* const texto = buf.data();
  const auto* ponto = static_cast<const char*>(std::memchr(texto, '.', n));
  const std::size_t posPonto = ponto ? static_cast<std::size_t>(ponto - texto) : n;
  const std::size_t casas = ponto ? n - posPonto - 1 : 0;
  const auto min = static_cast<std::size_t>(minimo);
  const auto max = static_cast<std::size_t>(maximo);
  if (casas < min) {
    if (!ponto)
      texto[n++] = '.';
    std::memset(texto + n, '0', min - casas);
    return n + min - casas;
  }
  if (casas <= max)
    return n;
  const bool sobe = texto[posPonto + 1 + max] >= '5';
  n = max == 0 ? posPonto : posPonto + 1 + max;
  if (!sobe)
    return n;
  for (std::size_t i = n; i-- > 0;) {
    if (texto[i] == '.')
      continue;
    if (texto[i] != '9') {
      ++texto[i];
      return n;
    }
    texto[i] = '0';
  }
  // Every digit was a 9: one more integer digit in front.
  std::memmove(texto + 1, texto, n);
  texto[0] = '1';
  return n + 1;
}

bool FusoValido(std::string_view fuso) {
  auto digito = [](char c) { return c >= '0' && c <= '9'; };
  return fuso.size() == 6 && (fuso[0] == '+' || fuso[0] == '-') && digito(fuso[1]) && digito(fuso[2]) &&
         fuso[3] == ':' && digito(fuso[4]) && digito(fuso[5]);
}

void Digitos(char* destino, unsigned valor, int largura) {
  for (int i = largura - 1; i >= 0; --i, valor /= 10)
    destino[i] = static_cast<char>('0' + valor % 10);
}

// "YYYY-MM-DD" into buf; false when the date has no such text.
bool EscreverData(std::chrono::year_month_day data, char* destino) {
  const int ano = static_cast<int>(data.year());
  if (!data.ok() || ano < 1 || ano > 9999)
    return false;
  Digitos(destino, static_cast<unsigned>(ano), 4);
  destino[4] = '-';
  Digitos(destino + 5, static_cast<unsigned>(data.month()), 2);
  destino[7] = '-';
  Digitos(destino + 8, static_cast<unsigned>(data.day()), 2);
  return true;
}

[[noreturn]] void RecusarData(std::chrono::year_month_day data, const TvxnAlvoTipado& alvo) {
  const std::string texto =
      Format("%d-%2.2d-%2.2d", {static_cast<int>(data.year()), static_cast<unsigned>(data.month()),
                                static_cast<unsigned>(data.day())});
  Recusar("Data %s inválida para o campo %s (propriedade %s).", texto, alvo);
}

} // namespace

std::string_view TextoDecimal(double valor, int minimo, int maximo, TvxnTextoValor& buf,
                              const TvxnAlvoTipado& alvo) {
  if (!std::isfinite(valor))
    Recusar("Valor %s não é um número finito e não cabe no campo %s (propriedade %s).", TextoCurto(valor),
            alvo);
  if (valor == 0)
    valor = 0; // -0 is written as 0
  if (valor < 0)
    Recusar("Valor %s negativo não cabe no campo %s (propriedade %s).", TextoCurto(valor), alvo);
  // Decimals beyond the maximum are rounded away; two more than it are enough for the usual values.
  std::size_t n = TextoCurtoRapido(valor, maximo + 2, buf);
  if (n == 0) {
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), valor, std::chars_format::fixed);
    n = static_cast<std::size_t>(r.ptr - buf.data());
    // The shortest text reads back as the value; with 15 significant digits or fewer it is also the
    // value's text to 15 digits (no two such texts read back as the same double).
    if (Significativos(std::string_view(buf.data(), n)) > kDigitosSignificativos)
      n = Com15Digitos(valor, buf);
  }
  return {buf.data(), AjustarCasas(buf, n, minimo, maximo)};
}

std::string_view TextoInteiro(std::int64_t valor, TvxnTextoValor& buf, const TvxnAlvoTipado& alvo) {
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), valor);
  const std::string_view texto(buf.data(), static_cast<std::size_t>(r.ptr - buf.data()));
  if (valor < 0)
    Recusar("Valor %s negativo não cabe no campo %s (propriedade %s).", texto, alvo);
  return texto;
}

std::string_view TextoData(std::chrono::year_month_day valor, TvxnTextoValor& buf,
                           const TvxnAlvoTipado& alvo) {
  if (!EscreverData(valor, buf.data()))
    RecusarData(valor, alvo);
  return {buf.data(), 10};
}

std::string_view TextoDataHora(std::chrono::local_seconds valor, TvxnTextoValor& buf,
                               const TvxnAlvoTipado& alvo) {
  const std::string& fuso = ConfiguracaoTipada().fusoHorario;
  if (!FusoValido(fuso))
    throw EvxnNFeEventosFusoHorarioInvalidException(
        "Fuso Horário inválido. Configure o fuso na propriedade FusoHorario com o formato -HH:MM", LogErro());
  const auto dia = std::chrono::floor<std::chrono::days>(valor);
  const std::chrono::year_month_day data{dia};
  if (!EscreverData(data, buf.data()))
    RecusarData(data, alvo);
  const std::chrono::hh_mm_ss hora{valor - dia};
  char* t = buf.data() + 10;
  t[0] = 'T';
  Digitos(t + 1, static_cast<unsigned>(hora.hours().count()), 2);
  t[3] = ':';
  Digitos(t + 4, static_cast<unsigned>(hora.minutes().count()), 2);
  t[6] = ':';
  Digitos(t + 7, static_cast<unsigned>(hora.seconds().count()), 2);
  std::memcpy(t + 9, fuso.data(), fuso.size());
  return {buf.data(), 19 + fuso.size()};
}

void RecusarEnum(std::string_view enumeracao, long long valor, const TvxnAlvoTipado& alvo) {
  throw EvxnNFeCheckParams("Valor %d fora da enumeração %s: não cabe no campo %s (propriedade %s).",
                           {valor, enumeracao, alvo.campo, alvo.propriedade}, LogErro());
}

void RecusarTamanho(std::string_view texto, std::size_t inteiros, const TvxnAlvoTipado& alvo) {
  throw EvxnNFeCheckParams(
      "Valor %s não cabe no formato do campo %s: até %d dígitos inteiros (propriedade %s).",
      {texto, alvo.campo, inteiros, alvo.propriedade}, LogErro());
}

} // namespace vxn
