#include "xml/vxnNFeIdentificadores.h"

#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace vxn {
namespace {

using test::ReadFileOrEmpty;
using test::Refusal;
using test::RefusalOf;
using test::TempDir;

constexpr const char* kChave = "35240512345678000195550010000001231012345676";

// The current two-digit year of the local clock, read independently of the code under test.
std::string AnoCorrente() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[8];
  std::strftime(buf, sizeof buf, "%y", &tm);
  return buf;
}

TEST(CalculaChaveInutilizacao, ComposesTheIdentifierOfEachLayout) {
  EXPECT_EQ(TvxnNFeIdentificadores(vm60, "35", "")
                .CalculaChaveInutilizacao("24", "12345678000195", "55", "1", "1", "10"),
            "35241234567800019555001000000001000000010");
  // A CPF fills the 14 positions with leading zeros; numbers already at their width stay as they are.
  EXPECT_EQ(TvxnNFeIdentificadores(vm40, "43", "")
                .CalculaChaveInutilizacao("19", "12345678901", "65", "999", "123456789", "123456789"),
            "43190001234567890165999123456789123456789");
  // Before layout 4.0 the year is not part of it.
  EXPECT_EQ(TvxnNFeIdentificadores(vm30, "35", "")
                .CalculaChaveInutilizacao("24", "12345678000195", "55", "1", "1", "10"),
            "351234567800019555001000000001000000010");
  EXPECT_EQ(TvxnNFeIdentificadores(vm202a, "35", "")
                .CalculaChaveInutilizacao("6", "12345678901", "55", "1", "1", "1"),
            "350001234567890155001000000001000000001");
}

TEST(CalculaChaveInutilizacao, YearRangeEndsAtTheCurrentYear) {
  TvxnNFeIdentificadores ids(vm60, "35", "");
  const std::string faixa = "O Ano da Inutilização deve ser entre 06 e " + AnoCorrente();
  auto comAno = [&](std::string ano) {
    return RefusalOf([&] { ids.CalculaChaveInutilizacao(ano, "12345678000195", "55", "1", "1", "2"); });
  };
  EXPECT_EQ(comAno("05"), (Refusal{"EvxnNFeCheckParams", faixa}));
  EXPECT_EQ(comAno("2024"), (Refusal{"EvxnNFeCheckParams", faixa}));
  EXPECT_EQ(comAno(std::to_string(std::stoi(AnoCorrente()) + 1)), (Refusal{"EvxnNFeCheckParams", faixa}));
  EXPECT_EQ(comAno(AnoCorrente()), Refusal{});
  EXPECT_EQ(comAno("06"), Refusal{});
  // A year in range but not of two characters is refused afterwards, for the current layouts only.
  EXPECT_EQ(comAno("6"), (Refusal{"EvxnNFeIDInutilizacao",
                                  "O Ano informado na Inutilização deve possuir exatamente 2 dígitos."}));
  EXPECT_EQ(comAno("006").className, "EvxnNFeIDInutilizacao");
}

TEST(CalculaChaveInutilizacao, TheCurrentYearCanBeGiven) {
  TvxnNFeIdentificadores ids(vm60, "35", "");
  EXPECT_EQ(ids.CalculaChaveInutilizacao("09", "12345678000195", "55", "1", "1", "2", 9).substr(0, 4),
            "3509");
  EXPECT_EQ(RefusalOf([&] { ids.CalculaChaveInutilizacao("10", "12345678000195", "55", "1", "1", "2", 9); }),
            (Refusal{"EvxnNFeCheckParams", "O Ano da Inutilização deve ser entre 06 e 09"}));
}

TEST(CalculaChaveInutilizacao, EachRefusalComesInOrder) {
  TempDir dir;
  TvxnNFeIdentificadores ids(vm60, "35", dir.Path());
  const auto casos = test::ReadTable("xml/data/chave-inutilizacao-recusas.tsv");
  for (const auto& a : casos)
    EXPECT_EQ(RefusalOf([&] { ids.CalculaChaveInutilizacao(a.at(0), a[1], a[2], a[3], a[4], a[5]); }),
              (Refusal{a.at(6), ReplaceAll(a.at(7), "{ANO}", AnoCorrente())}));
  // Every refusal left its line in the component's error log.
  EXPECT_EQ(test::CountLines(ReadFileOrEmpty(dir.File("nfe_exception.log"))), casos.size());
}

TEST(CalculaChaveInutilizacao, UnknownLayoutIsRefusedAfterTheChecks) {
  TvxnNFeIdentificadores ids(static_cast<TVersaoManual>(17), "35", "");
  EXPECT_EQ(RefusalOf([&] { ids.CalculaChaveInutilizacao("24", "12345678000195", "55", "1", "1", "2"); }),
            (Refusal{"EvxnNFeIDInutilizacao",
                     "Cálculo da ID de Inutilização não foi implementada para a versão ()."}));
  EXPECT_EQ(
      RefusalOf([&] { ids.CalculaChaveInutilizacao("", "12345678000195", "55", "1", "1", "2"); }).className,
      "EvxnNFeCheckParams");
}

TEST(GerarIdCCe, JoinsEventTypeKeyAndSequence) {
  TvxnNFeIdentificadores ids(vm60, "35", "");
  EXPECT_EQ(ids.GerarIdCCe(kChave, 1), std::string("ID110110") + kChave + "01");
  EXPECT_EQ(ids.GerarIdCCe(kChave, 20), std::string("ID110110") + kChave + "20");
  EXPECT_EQ(ids.GerarIdCCe(kChave, 100), std::string("ID110110") + kChave + "100");
  // The key's characters are not inspected, only counted.
  EXPECT_EQ(ids.GerarIdCCe(std::string(43, 'x') + "é", 2), "ID110110" + std::string(43, 'x') + "é02");
}

TEST(GerarIdCCe, RefusesKeyLengthThenSequence) {
  TempDir dir;
  TvxnNFeIdentificadores ids(vm60, "35", dir.Path());
  const Refusal chave{"EvxnNFeGerarIdCCeException", "Chave inválida para Gerar ID da CCe."};
  const Refusal sequencia{"EvxnNFeGerarIdCCeException", "Sequência Evento inválida para Gerar ID da CCe."};
  EXPECT_EQ(RefusalOf([&] { ids.GerarIdCCe(std::string(kChave).substr(1), 1); }), chave);
  EXPECT_EQ(RefusalOf([&] { ids.GerarIdCCe(std::string(kChave) + "1", 1); }), chave);
  EXPECT_EQ(RefusalOf([&] { ids.GerarIdCCe("", 0); }), chave);
  EXPECT_EQ(RefusalOf([&] { ids.GerarIdCCe(kChave, 0); }), sequencia);
  EXPECT_EQ(RefusalOf([&] { ids.GerarIdCCe(kChave, -3); }), sequencia);
  EXPECT_EQ(test::CountLines(ReadFileOrEmpty(dir.File("nfe_exception.log"))), 5u);
}

TEST(CalcularHashCSRT, HashesTheCsrtFollowedByTheKey) {
  TvxnGovUtils utils;
  TvxnNFeIdentificadores ids(vm60, "41", "");
  // The example published with the responsible-technician fields of the layout.
  EXPECT_EQ(ids.CalcularHashCSRT("41180678393592000146558900000006041028190697",
                                 "G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO", utils),
            "aWv6LeEM4X6u4+qBI2OYZ8grigw=");
  // The key is not checked: without one the CSRT alone is hashed.
  EXPECT_EQ(ids.CalcularHashCSRT("", "G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO", utils),
            "LPCy+U8zfeRCn4/dt2gZdGZYMlE=");
  // 36 characters, not bytes: the accented letter takes two bytes.
  EXPECT_EQ(ids.CalcularHashCSRT("", "G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPé", utils),
            "4NAjhb3hSQYxPK0yMiEluI9QlHs=");
}

TEST(CalcularHashCSRT, RefusesACsrtThatIsNotThirtySixCharacters) {
  TempDir dir;
  TvxnGovUtils utils;
  TvxnNFeIdentificadores ids(vm60, "41", dir.Path());
  const Refusal invalida{"EvxnNFeCheckParams", "aCSRT inválida para gerar a HashCSRT."};
  for (const std::string csrt :
       {"", "G8063VRTNDMO886SFNK5LDUDEI24XJ22YIP", "G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPOO"})
    EXPECT_EQ(RefusalOf([&] { ids.CalcularHashCSRT(kChave, csrt, utils); }), invalida) << csrt;
  EXPECT_EQ(test::CountLines(ReadFileOrEmpty(dir.File("nfe_exception.log"))), 3u);
}

} // namespace
} // namespace vxn
