#include "vxnCnpj.h"

#include "vxnGovUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace vxn {
namespace {

// The published example of the alphanumeric CNPJ: 12.ABC.345/01DE-35. Its first digit comes from the
// sum 459 (A=17, B=18, C=19, D=20, E=21), its second from 424: a letter valued any other way (as a
// base-36 digit, say) gives other digits.
TEST(CnpjAlfanumerico, ThePublishedExampleHasCheckDigits35) {
  EXPECT_EQ(CalculaDigitosCnpj("12ABC34501DE"), "35");
  EXPECT_TRUE(CnpjValido("12ABC34501DE35"));
  EXPECT_TRUE(TvxnGovUtils().ValidateCNPJ("12.ABC.345/01DE-35"));
}

TEST(CnpjAlfanumerico, NumericCnpjsKeepTheirDigits) {
  EXPECT_EQ(CalculaDigitosCnpj("112223330001"), "81");
  EXPECT_EQ(CalculaDigitosCnpj("123456780001"), "95");
  EXPECT_TRUE(TvxnGovUtils().ValidateCNPJ("11.222.333/0001-81"));
}

TEST(CnpjAlfanumerico, WhatIsRefused) {
  struct Caso {
    const char* cnpj;
    const char* porque;
  };
  const Caso casos[] = {
      {"12ABC34501DE36", "second check digit wrong"},
      {"12ABC34501DE25", "first check digit wrong"},
      {"12ABD34501DE35", "one letter changed"},
      {"12abc34501de35", "lower-case letters"},
      {"12ABC34501D-35", "a character of no value"},
      {"12ABC34501DEA5", "a letter as check digit"},
      {"12ABC34501DE3", "thirteen characters"},
      {"AAAAAAAAAAAAAA", "all equal"},
      {"00000000000000", "all zeros"},
  };
  for (const Caso& c : casos) {
    EXPECT_FALSE(CnpjValido(c.cnpj)) << c.cnpj << ": " << c.porque;
    EXPECT_FALSE(TvxnGovUtils().ValidateCNPJ(c.cnpj)) << c.cnpj << ": " << c.porque;
  }
  EXPECT_EQ(CalculaDigitosCnpj("12abc34501de"), "");
  EXPECT_EQ(CalculaDigitosCnpj("12ABC34501D"), "");
}

// Letters are allowed only where the issuer's CNPJ root and order stand (characters 7 to 18).
TEST(ChaveAlfanumerica, LettersOnlyInTheCnpjRootAndOrder) {
  const std::string chave = "35261212ABC34501DE35550010000010011173015586";
  EXPECT_TRUE(FormaChaveAcesso(chave));
  EXPECT_TRUE(ChaveAcessoConfere(chave));
  EXPECT_FALSE(ChaveAcessoConfere("35261212ABC34501DE35550010000010011173015584"));
  std::string letraNoDigitoDoCnpj = chave;
  letraNoDigitoDoCnpj[18] = 'A';
  EXPECT_FALSE(FormaChaveAcesso(letraNoDigitoDoCnpj));
  std::string letraNaUf = chave;
  letraNaUf[0] = 'A';
  EXPECT_FALSE(FormaChaveAcesso(letraNaUf));
  std::string letraNoNumero = chave;
  letraNoNumero[30] = 'A';
  EXPECT_FALSE(FormaChaveAcesso(letraNoNumero));
  EXPECT_FALSE(FormaChaveAcesso(chave.substr(0, 43)));
}

} // namespace
} // namespace vxn
