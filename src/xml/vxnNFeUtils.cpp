#include "xml/vxnNFeUtils.h"

#include "vxnCnpj.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <exception>

namespace vxn {
namespace {

// The NF-e namespace declaration as it closes a start tag; GetValueTag drops it so that
// "<tag xmlns=...>" is found as the plain start tag "<tag>".
const std::string& NFeNamespaceClose() {
  static const std::string texto = " xmlns=\"" + std::string(kNFeNamespace) + "\">";
  return texto;
}

// Municipality codes that the tax authorities accept although their last digit is not the computed
// check digit (municipalities created after their codes had been handed out).
constexpr std::array<std::string_view, 9> kMunicipiosSemDV{
    "2201919", "2201988", "2202251", "2611533", "3117836", "3152131", "4305871", "5203939", "5203962"};

// Weights of the GTIN check: a GTIN of length n uses the last n - 1 of them.
constexpr std::string_view kPesosGTIN = "31313131313131313";

std::string ZeroPad(std::string_view s, std::size_t width) {
  return Utf8PadLeft(s, width, '0');
}

// "AAMM" of a key: characters 3-4 (year) and 6-7 (month) of the issue date.
std::string AnoMes(std::string_view dEmi) {
  return Utf8Mid(dEmi, 2, 2) + Utf8Mid(dEmi, 5, 2);
}

bool DataEmissaoValida(std::string_view dEmi) {
  std::size_t n = Utf8Length(dEmi);
  return n == 10 || n == 25;
}

// The checks of the current key form, in their fixed order; each refusal is wrapped by the caller.
void ChecarCamposChave(std::string_view dEmi, std::string_view cUF, std::string_view CNPJ,
                       std::string_view Modelo, std::string_view Serie, std::string_view nNF,
                       std::string_view tpEmis, std::string_view cNF, std::string_view logDir) {
  if (Utf8Length(cNF) >= 9)
    throw EvxnCheckParams("O Código da nota(cNF) \"%s\", excede o máximo de 8 dígitos (Manual 4.01)", {cNF},
                          logDir);
  if (Utf8Length(Serie) >= 4)
    throw EvxnCheckParams("A série não pode ser maior que 999", logDir);
  if (Utf8Length(tpEmis) != 1)
    throw EvxnCheckParams("O valor do tipo de emissão(tpEmis) \"%s\" é inesperado.", {tpEmis}, logDir);
  if (!DataEmissaoValida(dEmi))
    throw EvxnNFeCheckParams("%s Data de Emissão no Formato inválido.Utilizar YYYY-MM-DD para NF-e 2.0 ou "
                             "YYYY-MM-DDTHH:mm:ssTZD para NF-e 3.10 e 4.00",
                             {dEmi}, logDir);
  if (cUF.empty() || CNPJ.empty() || Modelo.empty() || nNF.empty() || cNF.empty() || tpEmis.empty())
    throw EvxnNFeCheckParams(
        "Os Campos: Código da UF Emitente = %s \rCNPJ/CPF do Emitente = %s \rCódigo do Modelo "
        "do Documento Fiscal = %s \rNúmero da Nota Fiscal = %s\rTipo de Emissão = %s\rCódigo "
        "(controle do sistema) Nota Fiscal = %s\rsão campos obrigatórios para o cálculo do "
        "dígito verificador.",
        {cUF, CNPJ, Modelo, nNF, tpEmis, cNF}, logDir);

  struct Numero {
    std::string_view value;
    const char* message;
  };
  const std::array<Numero, 6> numeros{{
      {cUF, "O Código da UF Emitente \"%s\" deve ser um número Inteiro."},
      {CNPJ, "O CNPJ/CPF do Emitente \"%s\" deve ser um número Inteiro."},
      {Modelo, "O Código do Modelo do Documento Fiscal \"%s\" deve ser um número Inteiro."},
      {nNF, "O Número da Nota Fiscal \"%s\" deve ser um número Inteiro."},
      {cNF, "O Código (controle do sistema) Nota Fiscal \"%s\" deve ser um número Inteiro."},
      {tpEmis, "O Tipo de Emissão \"%s\" deve ser um número Inteiro."},
  }};
  for (std::size_t i = 0; i < numeros.size(); ++i) {
    // The series may be empty; when given it is checked between the model and the number.
    if (i == 3 && !Serie.empty() && !IsInt64(Serie))
      throw EvxnNFeCheckParams("A Série do Documento Fiscal \"%s\" deve ser um número Inteiro.", {Serie},
                               logDir);
    // An alphanumeric CNPJ takes the key's fourteen CNPJ positions as it is.
    if (i == 1 && FormaCnpj(CNPJ))
      continue;
    if (!IsInt64(numeros[i].value))
      throw EvxnNFeCheckParams(numeros[i].message, {numeros[i].value}, logDir);
  }
}

std::string CompoeChaveAtual(std::string_view dEmi, std::string_view cUF, std::string_view CNPJ,
                             std::string_view Modelo, std::string_view Serie, std::string_view nNF,
                             std::string_view tpEmis, std::string_view cNF, std::string_view logDir) {
  // A CPF issuer fills the 14 positions of the CNPJ with three leading zeros.
  std::string documento = Utf8Length(CNPJ) == 11 ? "000" + std::string(CNPJ) : std::string(CNPJ);
  ChecarCamposChave(dEmi, cUF, documento, Modelo, Serie, nNF, tpEmis, cNF, logDir);
  std::string chave = ZeroPad(cUF, 2) + AnoMes(dEmi) + documento + std::string(Modelo) + ZeroPad(Serie, 3) +
                      ZeroPad(nNF, 9) + std::string(tpEmis) + ZeroPad(cNF, 8);
  return chave + CalculaDigitoModulo11(chave, TvxnLogDir{logDir});
}

// The digit of a municipality code, or a conversion failure for anything but 0-9.
int Digito(char c, std::string_view texto, std::string_view logDir) {
  if (c < '0' || c > '9')
    throw EvxnNFeCheckParams("\"%s\" não é um número inteiro válido.", {texto}, logDir);
  return c - '0';
}

// The characters that follow the first occurrence of `abertura`, at most `quantos` of them.
std::string Apos(std::string_view xml, std::string_view abertura, std::size_t quantos) {
  std::size_t p = xml.find(abertura);
  if (p == std::string_view::npos)
    return {};
  return Utf8Left(xml.substr(p + abertura.size()), quantos);
}

} // namespace

bool TryStrToInt64(std::string_view s, long long& value) {
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == '-')
      return false;
  }
  long long v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || ptr != s.data() + s.size())
    return false;
  value = v;
  return true;
}

bool IsInt64(std::string_view s) {
  long long ignorado = 0;
  return TryStrToInt64(s, ignorado);
}

char CalculaDigitoModulo11(std::string_view digits, TvxnLogDir logDir) {
  // The capital letters of an alphanumeric CNPJ count as their ASCII code minus 48, as in the CNPJ's own
  // check digits.
  for (char c : digits)
    if (ValorCaractereCnpj(c) < 0)
      throw EvxnNFeCheckParams("O caractere \"%s\" de \"%s\" não é um dígito.", {std::string(1, c), digits},
                               logDir.path);
  return static_cast<char>('0' + DigitoModulo11Alfanumerico(digits));
}

std::string CalculaChave(std::string_view dEmi, std::string_view cUF, std::string_view CNPJ,
                         std::string_view Modelo, std::string_view Serie, std::string_view nNF,
                         std::string_view tpEmis, std::string_view cNF, TvxnLogDir logDir) {
  try {
    return CompoeChaveAtual(dEmi, cUF, CNPJ, Modelo, Serie, nNF, tpEmis, cNF, logDir.path);
  } catch (const std::exception& e) {
    throw EvxnNFeCheckParams("Falha ao montar chave da NFe - Motivo: %s", {e.what()}, logDir.path);
  }
}

std::string CalculaChave(std::string_view dEmi, std::string_view cUF, std::string_view CNPJ,
                         std::string_view Modelo, std::string_view Serie, std::string_view nNF,
                         std::string_view cNF, TvxnLogDir logDir) {
  if (!DataEmissaoValida(dEmi))
    throw EvxnNFeCheckParams("%s Data de Emissão no Formato inválido. Utilizar YYYY-MM-DD para NF-e 2.0 ou "
                             "YYYY-MM-DDTHH:mm:ssTZD para NF-e 3.10 e 4.00",
                             {dEmi}, logDir.path);
  if (cUF.empty() || CNPJ.empty() || Modelo.empty() || nNF.empty() || cNF.empty())
    throw EvxnNFeCheckParams(
        "Os Campos: Código da UF Emitente =  %s\rCNPJ/CPF do Emitente = %s \rCódigo do Modelo "
        "do Documento Fiscal = %s \rNúmero da Nota Fiscal = %s\rCódigo (controle do sistema) "
        "Nota Fiscal = %s\rsão campos obrigatórios para o cálculo do dígito verificador.",
        {cUF, CNPJ, Modelo, nNF, cNF}, logDir.path);
  if (!IsInt64(CNPJ))
    throw EvxnNFeCheckTXT("O campo CNPJ/CPF: %s deve ser um número Inteiro", {CNPJ}, logDir.path);
  std::string chave = ZeroPad(cUF, 2) + AnoMes(dEmi) + std::string(CNPJ) + std::string(Modelo) +
                      ZeroPad(Serie, 3) + ZeroPad(nNF, 9) + ZeroPad(cNF, 9);
  return chave + CalculaDigitoModulo11(chave, logDir);
}

TvxnDecodeChaveNFe DecodeChave(std::string_view chave, TVersaoManual versao, TvxnLogDir logDir) {
  if (Utf8Length(chave) != 44)
    throw EvxnCheckParams("A Chave da NFe %s deve possuir exatamente 44 dígitos.", {chave}, logDir.path);
  TvxnDecodeChaveNFe d;
  d.cUF = Utf8Mid(chave, 0, 2);
  d.AAMM = Utf8Mid(chave, 2, 4);
  d.CNPJ = Utf8Mid(chave, 6, 14);
  d.Modelo = Utf8Mid(chave, 20, 2);
  d.Serie = Utf8Mid(chave, 22, 3);
  d.nNF = Utf8Mid(chave, 25, 9);
  d.cDV = Utf8Mid(chave, 43, 1);
  switch (versao) {
  case vm202a:
  case vm30:
    d.cNF = Utf8Mid(chave, 34, 9);
    break;
  case vm40:
  case vm50:
  case vm50a:
  case vm60:
    d.tpEmis = Utf8Mid(chave, 34, 1);
    d.cNF = Utf8Mid(chave, 35, 8);
    break;
  default:
    throw EvxnChaveNFeException("Versão de Manual não suportada para decodificação.", logDir.path);
  }
  return d;
}

bool ValidaAutenticidadeDV(std::string_view chave, TVersaoManual versao, TvxnLogDir logDir) {
  TvxnDecodeChaveNFe d = DecodeChave(chave, versao, logDir);
  // The key holds only year and month; any day gives the same key.
  std::string dEmi = "20" + Utf8Left(d.AAMM, 2) + "-" + Utf8Mid(d.AAMM, 2, 2) + "-01";
  std::string recalculada =
      versao == vm202a || versao == vm30
          ? CalculaChave(dEmi, d.cUF, d.CNPJ, d.Modelo, d.Serie, d.nNF, d.cNF, logDir)
          : CalculaChave(dEmi, d.cUF, d.CNPJ, d.Modelo, d.Serie, d.nNF, d.tpEmis, d.cNF, logDir);
  return Utf8Mid(recalculada, 43, 1) == d.cDV;
}

std::string CalculaDadosDaNFe(std::string_view cUF, std::string_view tpEmis, std::string_view CNPJ,
                              std::string_view vNF, std::string_view icmsProprio, std::string_view icmsST,
                              std::string_view diaEmissao, TvxnLogDir logDir) {
  if (!IsInt64(CNPJ))
    throw EvxnNFeCheckTXT("O campo CNPJ: %s deve ser um número Inteiro", {CNPJ}, logDir.path);
  std::string dados = ZeroPad(cUF, 2) + std::string(tpEmis) + std::string(CNPJ) + ZeroPad(vNF, 14) +
                      std::string(icmsProprio) + std::string(icmsST) + std::string(diaEmissao);
  return dados + CalculaDigitoModulo11(dados, logDir);
}

std::string GetCodeUF(std::string_view uf) {
  for (const auto& [sigla, codigo] : kUFTable)
    if (SameText(sigla, uf))
      return std::string(codigo);
  return {};
}

std::string GetUF(std::string_view cUF) {
  for (const auto& [sigla, codigo] : kUFTable)
    if (codigo == cUF)
      return std::string(sigla);
  return {};
}

bool ValidaCodigoMunicipio(std::string_view codigo, TvxnLogDir logDir) {
  if (!IsInt64(codigo))
    throw EvxnNFeCheckParams("\"%s\" não é um número inteiro válido.", {codigo}, logDir.path);
  if (std::find(kMunicipiosSemDV.begin(), kMunicipiosSemDV.end(), codigo) != kMunicipiosSemDV.end())
    return true;
  if (codigo.size() < 7)
    return false;
  return CalcDigVerificadorCodMunicipio(codigo.substr(0, 6), logDir) == codigo.substr(6, 1);
}

std::string CalcDigVerificadorCodMunicipio(std::string_view seisDigitos, TvxnLogDir logDir) {
  int soma = 0;
  for (std::size_t i = 0; i < seisDigitos.size(); ++i) {
    int produto = Digito(seisDigitos[i], seisDigitos, logDir.path) * (i % 2 == 0 ? 1 : 2);
    soma += produto > 9 ? produto / 10 + produto % 10 : produto;
  }
  int resto = soma % 10;
  return std::string(1, static_cast<char>('0' + (resto == 0 ? 0 : 10 - resto)));
}

bool ValidaEAN(std::string_view gtin) {
  if (gtin.empty())
    return true;
  std::size_t n = gtin.size();
  if (n != 8 && n != 12 && n != 13 && n != 14 && n != 18)
    return false;
  if (std::all_of(gtin.begin(), gtin.end(), [](char c) { return c == '0'; }))
    return false;
  // Letters have no check digit: such a text is simply not a GTIN.
  if (!IsDigits(gtin))
    return false;
  std::string_view pesos = kPesosGTIN.substr(kPesosGTIN.size() - (n - 1));
  int soma = 0;
  for (std::size_t i = 0; i + 1 < n; ++i)
    soma += (gtin[i] - '0') * (pesos[i] - '0');
  int digito = 10 - soma % 10;
  if (digito == 10)
    digito = 0;
  return gtin.back() - '0' == digito;
}

std::string ObterNotaID(std::string_view xml) {
  return Apos(xml, "<infNFe Id=\"NFe", 44);
}
std::string ObterChaveNota(std::string_view xml) {
  return Apos(xml, "<chNFe>", 44);
}
std::string ObterNumRecibo(std::string_view xml) {
  return GetValueTag("nRec", xml);
}
std::string ObterNumProt(std::string_view xml) {
  return Apos(xml, "<nProt>", 15);
}
std::string ObterTpAmb(std::string_view xml) {
  return Apos(xml, "<tpAmb>", 1);
}
std::string ObtercStat(std::string_view xml) {
  return Apos(xml, "<cStat>", 3);
}

namespace {

// GetValueTag on a copy of the whole text with the NF-e namespace declarations dropped.
std::string ValueTagInCopy(std::string_view tag, std::string_view xml) {
  std::string texto = ReplaceAll(xml, NFeNamespaceClose(), ">");
  std::string abre = "<" + std::string(tag) + ">";
  std::string fecha = "</" + std::string(tag) + ">";
  std::size_t s = texto.find(abre);
  std::size_t e = texto.find(fecha);
  // Without a plain start tag the content is taken to start where it would after a start tag at the very
  // beginning: character length(tag) + 2, counted from 1.
  std::size_t inicio = s != std::string::npos ? s + abre.size() : Utf8Offset(texto, Utf8Length(tag) + 1);
  if (e == std::string::npos || e <= inicio)
    return {};
  return texto.substr(inicio, e - inicio);
}

// Where "<tag>" (marca "<tag") or "</tag>" (marca "</tag") first appears in the text as ValueTagInCopy
// reads it: the marca followed by ">" or by the NF-e namespace declaration that the copy turns into ">".
// `fim` is just past that ">" or declaration.
struct Marca {
  std::size_t pos = std::string_view::npos;
  std::size_t fim = std::string_view::npos;
};

Marca PrimeiraMarca(std::string_view xml, std::string_view marca) {
  const std::string& fecho = NFeNamespaceClose();
  for (std::size_t p = FindBytes(xml, marca); p != std::string_view::npos; p = FindBytes(xml, marca, p + 1)) {
    const std::size_t q = p + marca.size();
    if (q < xml.size() && xml[q] == '>')
      return {p, q + 1};
    if (xml.substr(q).starts_with(fecho))
      return {p, q + fecho.size()};
  }
  return {};
}

} // namespace

std::string GetValueTag(std::string_view tag, std::string_view xml) {
  // Documents are read this way several times each while a lot is signed; rather than copying the whole
  // text without its NF-e namespace declarations, the tags are found in the text itself and only the
  // content is copied so. A tag name that could take part in such a declaration, and a text without the
  // start tag, go the plain way.
  if (tag.empty() || tag.find_first_of(" <>=\"") != std::string_view::npos)
    return ValueTagInCopy(tag, xml);
  const Marca abre = PrimeiraMarca(xml, "<" + std::string(tag));
  if (abre.pos == std::string_view::npos)
    return ValueTagInCopy(tag, xml);
  const Marca fecha = PrimeiraMarca(xml, "</" + std::string(tag));
  if (fecha.pos == std::string_view::npos || fecha.pos <= abre.fim)
    return {};
  return ReplaceAll(xml.substr(abre.fim, fecha.pos - abre.fim), NFeNamespaceClose(), ">");
}

std::string GetValueTagFilho(std::string_view pai, std::string_view filho, std::string_view xml) {
  return GetValueTag(filho, GetValueTag(pai, xml));
}

} // namespace vxn
