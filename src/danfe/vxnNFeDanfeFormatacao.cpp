#include "vxnNFeDanfeFormatacao.h"

#include "vxnText.h"
#include "vxnXmlLightTree.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vxn {

const TvxnXmlLightElement& ElementoVazio() {
  static const TvxnXmlLightElement vazio;
  return vazio;
}

const TvxnXmlLightElement& Filho(const TvxnXmlLightElement* pai, std::string_view nome) {
  const TvxnXmlLightElement* filho = pai ? pai->Child(nome) : nullptr;
  return filho ? *filho : ElementoVazio();
}

namespace {

constexpr std::string_view kContinuacao = "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES";

// "1234567" -> "1.234.567"; the digits only, no sign.
std::string AgruparMilhares(std::string_view digitos) {
  std::string out;
  out.reserve(digitos.size() + digitos.size() / 3);
  const std::size_t primeiro = digitos.size() % 3 == 0 ? 3 : digitos.size() % 3;
  out.append(digitos.substr(0, primeiro));
  for (std::size_t i = primeiro; i < digitos.size(); i += 3) {
    out.push_back('.');
    out.append(digitos.substr(i, 3));
  }
  return out;
}

// A decimal text of the XML split into sign, integer digits and decimal digits.
struct Decimal {
  bool negativo = false;
  std::string inteiro;
  std::string fracao;
};

bool LerDecimal(std::string_view s, Decimal& d) {
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    d.negativo = s.front() == '-';
    s.remove_prefix(1);
  }
  const std::size_t ponto = s.find('.');
  d.inteiro = std::string(s.substr(0, ponto));
  d.fracao = ponto == std::string_view::npos ? std::string() : std::string(s.substr(ponto + 1));
  if (d.inteiro.empty() && d.fracao.empty())
    return false;
  const auto digitos = [](const std::string& t) {
    return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return digitos(d.inteiro) && digitos(d.fracao);
}

// Adds one unit in the last place of a run of digits; true when it carries out of the first digit.
bool Incrementar(std::string& digitos) {
  for (auto it = digitos.rbegin(); it != digitos.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return false;
    }
    *it = '0';
  }
  return true;
}

} // namespace

std::string VirgulaDecimal(std::string_view valor) {
  if (valor.empty())
    return "0,00";
  std::string texto = ReplaceAll(valor, ".", ",");
  const std::size_t virgula = texto.find(',');
  if (virgula == std::string::npos)
    return texto;
  std::string_view inteiro = std::string_view(texto).substr(0, virgula);
  std::string sinal;
  if (!inteiro.empty() && inteiro.front() == '-') {
    sinal = "-";
    inteiro.remove_prefix(1);
  }
  return sinal + AgruparMilhares(inteiro) + texto.substr(virgula);
}

std::string FormatarDecimal(std::string_view valor, int casas) {
  Decimal d;
  if (!LerDecimal(valor, d))
    return std::string(valor);
  const std::size_t n = static_cast<std::size_t>(std::max(casas, 0));
  std::string inteiro = d.inteiro.empty() ? "0" : d.inteiro;
  std::string fracao = d.fracao;
  const bool arredondar = fracao.size() > n && fracao[n] >= '5';
  fracao.resize(n, '0');
  if (arredondar && Incrementar(fracao) && Incrementar(inteiro))
    inteiro.insert(inteiro.begin(), '1');
  inteiro.erase(0, std::min(inteiro.find_first_not_of('0'), inteiro.size() - 1));
  const bool zero = inteiro == "0" && fracao.find_first_not_of('0') == std::string::npos;
  std::string out = d.negativo && !zero ? "-" : "";
  out += AgruparMilhares(inteiro);
  if (n > 0)
    out += "," + fracao;
  return out;
}

void TvxnDanfeSoma::Somar(std::string_view valor) {
  Decimal d;
  somou_ = true;
  if (!LerDecimal(valor, d))
    return;
  std::string fracao = d.fracao.substr(0, std::min<std::size_t>(d.fracao.size(), 6));
  fracao.resize(6, '0');
  const long long parte =
      std::atoll(d.inteiro.empty() ? "0" : d.inteiro.c_str()) * 1000000 + std::atoll(fracao.c_str());
  total_ += d.negativo ? -parte : parte;
}

std::string TvxnDanfeSoma::Texto(int casas) const {
  const bool negativo = total_ < 0;
  const long long abs = negativo ? -total_ : total_;
  std::string fracao = std::to_string(abs % 1000000);
  fracao.insert(0, 6 - fracao.size(), '0');
  const std::string texto = (negativo ? "-" : "") + std::to_string(abs / 1000000) + "." + fracao;
  // Rounded to the wanted places by the same rule as the printed values.
  std::string out = FormatarDecimal(texto, casas);
  out = ReplaceAll(out, ".", "");
  return ReplaceAll(out, ",", ".");
}

std::string TratarCDATA(std::string_view texto) {
  return ReplaceAll(ReplaceAll(texto, "<![CDATA[", ""), "]]>", "");
}

std::string GetValueTagTratado(std::string_view texto, std::string_view lineDelimiter) {
  std::string t = ReplaceAll(TratarCDATA(texto), "&#xD;", "");
  t = ReplaceAll(t, "\r", "");
  if (!lineDelimiter.empty())
    t = ReplaceAll(t, lineDelimiter, "\n");
  return ReplaceAll(t, "\n", "\r\n");
}

namespace {

// The lines of a text whose lines end in LF (CR before it dropped).
std::vector<std::string> Linhas(std::string_view texto) {
  std::vector<std::string> linhas = Split(texto, '\n');
  for (std::string& linha : linhas)
    if (!linha.empty() && linha.back() == '\r')
      linha.pop_back();
  return linhas;
}

std::string Juntar(const std::vector<std::string>& linhas, std::size_t de, std::size_t ate) {
  std::string out;
  for (std::size_t i = de; i < ate; ++i) {
    if (i > de)
      out += "\r\n";
    out += linhas[i];
  }
  return out;
}

// Rows a line takes in a box `maxCol` characters wide (an empty line takes one).
std::size_t Linhas(std::string_view linha, std::size_t maxCol) {
  const std::size_t n = Utf8Length(linha);
  return n == 0 ? 1 : (n + maxCol - 1) / maxCol;
}

} // namespace

std::string RetornarInfCplQuebraLinhaAutomatica(std::string_view texto, int maxCol) {
  if (maxCol <= 0)
    return std::string(texto);
  const std::size_t largura = static_cast<std::size_t>(maxCol);
  std::vector<std::string> saida;
  for (const std::string& linha : Linhas(texto)) {
    std::u32string resto = Utf8ToU32(linha);
    while (resto.size() > largura) {
      std::size_t corte = resto.rfind(U' ', largura);
      std::size_t pular = 1;
      if (corte == std::u32string::npos || corte == 0)
        corte = largura, pular = 0;
      saida.push_back(U32ToUtf8(resto.substr(0, corte)));
      resto.erase(0, corte + pular);
    }
    saida.push_back(U32ToUtf8(resto));
  }
  return Juntar(saida, 0, saida.size());
}

TvxnObservacoesSeparadas SeparaObservacoes(std::string_view texto, int maxCol, int maxRow,
                                           bool quebrarLinhaAut) {
  TvxnObservacoesSeparadas out;
  if (maxCol <= 0 || maxRow <= 0) {
    out.caixa = std::string(texto);
    return out;
  }
  const std::string quebrado =
      quebrarLinhaAut ? RetornarInfCplQuebraLinhaAutomatica(texto, maxCol) : std::string(texto);
  const std::vector<std::string> linhas = Linhas(quebrado);
  const std::size_t largura = static_cast<std::size_t>(maxCol);
  const std::size_t limite = static_cast<std::size_t>(maxRow);
  std::size_t usadas = 0;
  std::size_t i = 0;
  for (; i < linhas.size(); ++i) {
    const std::size_t precisa = Linhas(linhas[i], largura);
    if (usadas + precisa > limite) {
      // The part of this line that still fits stays in the box, whole characters only.
      const std::size_t cabe = (limite - usadas) * largura;
      std::vector<std::string> caixa(linhas.begin(), linhas.begin() + static_cast<std::ptrdiff_t>(i));
      std::string resto = linhas[i];
      if (cabe > 0) {
        caixa.push_back(Utf8Left(resto, cabe));
        resto = Utf8Mid(resto, cabe);
      }
      out.caixa = Juntar(caixa, 0, caixa.size());
      std::vector<std::string> continuacao{resto};
      continuacao.insert(continuacao.end(), linhas.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                         linhas.end());
      out.continuacao = std::string(kContinuacao) + "\r\n" + Juntar(continuacao, 0, continuacao.size());
      return out;
    }
    usadas += precisa;
  }
  out.caixa = Juntar(linhas, 0, linhas.size());
  return out;
}

} // namespace vxn
