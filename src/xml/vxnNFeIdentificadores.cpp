#include "xml/vxnNFeIdentificadores.h"

#include "vxnCnpj.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <array>
#include <ctime>

namespace vxn {

TvxnNFeIdentificadores::TvxnNFeIdentificadores(TVersaoManual versao, std::string_view codigoUF,
                                               std::string_view diretorioLogErro)
    : versao_(versao), codigoUF_(codigoUF), logDir_(diretorioLogErro) {}

std::string TvxnNFeIdentificadores::CalculaChaveNFe(std::string_view dEmi, std::string_view cUF,
                                                    std::string_view CNPJ, std::string_view Modelo,
                                                    std::string_view Serie, std::string_view nNF,
                                                    std::string_view cNF, std::string_view tpEmis) const {
  if (versao_ == vm202a || versao_ == vm30)
    return CalculaChave(dEmi, cUF, CNPJ, Modelo, Serie, nNF, cNF, TvxnLogDir{logDir_});
  return CalculaChave(dEmi, cUF, CNPJ, Modelo, Serie, nNF, tpEmis, cNF, TvxnLogDir{logDir_});
}

int TvxnNFeIdentificadores::AnoAtualDoisDigitos() {
  std::time_t agora = std::time(nullptr);
  std::tm local{};
  localtime_r(&agora, &local);
  return (local.tm_year + 1900) % 100;
}

std::string TvxnNFeIdentificadores::CalculaChaveInutilizacao(std::string_view Ano, std::string_view CNPJ,
                                                             std::string_view Modelo, std::string_view Serie,
                                                             std::string_view nNFIni,
                                                             std::string_view nNFFin) const {
  return CalculaChaveInutilizacao(Ano, CNPJ, Modelo, Serie, nNFIni, nNFFin, AnoAtualDoisDigitos());
}

std::string TvxnNFeIdentificadores::CalculaChaveInutilizacao(std::string_view Ano, std::string_view CNPJ,
                                                             std::string_view Modelo, std::string_view Serie,
                                                             std::string_view nNFIni, std::string_view nNFFin,
                                                             int anoAtual) const {
  if (Ano.empty() || CNPJ.empty() || Modelo.empty() || Serie.empty() || nNFIni.empty() || nNFFin.empty())
    throw EvxnNFeCheckParams(
        "Os Campos: Ano de inutilização = %s \rCNPJ/CPF do Emitente = %s \rCódigo do Modelo do "
        "Documento Fiscal = %s \rSérie do Documento Fiscal = %s\rNúmero da Nota Fiscal Inicial "
        "= %s\rNúmero da Nota Fiscal Final = %s\rsão campos obrigatórios para o cálculo da "
        "chave de inutilização.",
        {Ano, CNPJ, Modelo, Serie, nNFIni, nNFFin}, logDir_);

  struct Numero {
    std::string_view value;
    const char* message;
  };
  const std::array<Numero, 6> numeros{{
      {Ano, "O Ano da Inutilização \"%s\" deve ser um número Inteiro."},
      {CNPJ, "O CNPJ/CPF do Emitente \"%s\" deve ser um número Inteiro."},
      {Modelo, "O Código do Modelo do Documento Fiscal \"%s\" deve ser um número Inteiro."},
      {Serie, "A Série do Documento Fiscal \"%s\" deve ser um número Inteiro."},
      {nNFIni, "O Número da Nota Fiscal Inicial \"%s\" deve ser um número Inteiro."},
      {nNFFin, "O Número da Nota Fiscal Final \"%s\" deve ser um número Inteiro."},
  }};
  for (std::size_t i = 0; i < numeros.size(); ++i) {
    // An alphanumeric CNPJ goes into the Id as it is.
    if (i == 1 && FormaCnpj(CNPJ))
      continue;
    if (!IsInt64(numeros[i].value))
      throw EvxnNFeCheckParams(numeros[i].message, {numeros[i].value}, logDir_);
  }

  // The year is compared as a number, so "2024" is out of range just as "05" is.
  long long ano = 0;
  TryStrToInt64(Ano, ano);
  if (ano < 6 || ano > anoAtual)
    throw EvxnNFeCheckParams("O Ano da Inutilização deve ser entre %s e %s",
                             {"06", Format("%2.2d", {anoAtual})}, logDir_);
  if (Utf8Length(Serie) >= 4)
    throw EvxnCheckParams("A Série do Documento Fiscal não pode ser maior que 999", logDir_);

  std::string documento = Utf8Length(CNPJ) == 11 ? "000" + std::string(CNPJ) : std::string(CNPJ);
  std::string faixa = std::string(Modelo) + Utf8PadLeft(Serie, 3, '0') + Utf8PadLeft(nNFIni, 9, '0') +
                      Utf8PadLeft(nNFFin, 9, '0');
  switch (versao_) {
  case vm40:
  case vm50:
  case vm50a:
  case vm60:
    if (Utf8Length(Ano) != 2)
      throw EvxnNFeIDInutilizacao("O Ano informado na Inutilização deve possuir exatamente 2 dígitos.",
                                  logDir_);
    return codigoUF_ + std::string(Ano) + Utf8PadLeft(documento, 14, '0') + faixa;
  case vm202a:
  case vm30:
    return codigoUF_ + documento + faixa;
  }
  throw EvxnNFeIDInutilizacao("Cálculo da ID de Inutilização não foi implementada para a versão (%s).",
                              {VersaoManualToStr(versao_)}, logDir_);
}

std::string TvxnNFeIdentificadores::GerarIdCCe(std::string_view chave, int sequencia) const {
  if (Utf8Length(chave) != 44)
    throw EvxnNFeGerarIdCCeException("Chave inválida para Gerar ID da CCe.", logDir_);
  if (sequencia < 1)
    throw EvxnNFeGerarIdCCeException("Sequência Evento inválida para Gerar ID da CCe.", logDir_);
  return Format("ID%s%s%2.2d", {"110110", chave, sequencia});
}

std::string TvxnNFeIdentificadores::CalcularHashCSRT(std::string_view chave, std::string_view CSRT,
                                                     const TvxnGovUtils& utils) const {
  if (CSRT.empty() || Utf8Length(CSRT) != 36)
    throw EvxnNFeCheckParams("aCSRT inválida para gerar a HashCSRT.", logDir_);
  return utils.HashSha1Base64(std::string(CSRT) + std::string(chave));
}

} // namespace vxn
