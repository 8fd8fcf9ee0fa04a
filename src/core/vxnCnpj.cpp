#include "vxnCnpj.h"

#include <algorithm>

namespace vxn {

namespace {

bool Digito(char c) {
  return c >= '0' && c <= '9';
}

} // namespace

int ValorCaractereCnpj(char c) {
  if (Digito(c) || (c >= 'A' && c <= 'Z'))
    return c - '0';
  return -1;
}

int DigitoModulo11Alfanumerico(std::string_view texto) {
  int soma = 0;
  int peso = 2;
  for (auto it = texto.rbegin(); it != texto.rend(); ++it) {
    const int valor = ValorCaractereCnpj(*it);
    if (valor < 0)
      return -1;
    soma += valor * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  const int resto = soma % 11;
  return resto < 2 ? 0 : 11 - resto;
}

bool FormaCnpj(std::string_view cnpj) {
  return cnpj.size() == 14 &&
         std::all_of(cnpj.begin(), cnpj.begin() + 12, [](char c) { return ValorCaractereCnpj(c) >= 0; }) &&
         Digito(cnpj[12]) && Digito(cnpj[13]);
}

std::string CalculaDigitosCnpj(std::string_view raiz) {
  if (raiz.size() != 12 || DigitoModulo11Alfanumerico(raiz) < 0)
    return {};
  std::string cnpj(raiz);
  cnpj += static_cast<char>('0' + DigitoModulo11Alfanumerico(cnpj));
  cnpj += static_cast<char>('0' + DigitoModulo11Alfanumerico(cnpj));
  return cnpj.substr(12);
}

bool CnpjValido(std::string_view cnpj) {
  if (!FormaCnpj(cnpj) || cnpj.find_first_not_of(cnpj[0]) == std::string_view::npos)
    return false;
  return CalculaDigitosCnpj(cnpj.substr(0, 12)) == cnpj.substr(12);
}

bool FormaChaveAcesso(std::string_view chave) {
  if (chave.size() != 44)
    return false;
  for (std::size_t i = 0; i < chave.size(); ++i) {
    const bool letraPermitida = i >= 6 && i < 18;
    if (!Digito(chave[i]) && !(letraPermitida && ValorCaractereCnpj(chave[i]) >= 0))
      return false;
  }
  return true;
}

bool ChaveAcessoConfere(std::string_view chave) {
  return FormaChaveAcesso(chave) && DigitoModulo11Alfanumerico(chave.substr(0, 43)) == chave[43] - '0';
}

} // namespace vxn
