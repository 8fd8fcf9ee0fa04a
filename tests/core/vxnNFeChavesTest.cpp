#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace vxn {
namespace {

using test::ReadFileOrEmpty;
using test::Refusal;
using test::RefusalOf;
using test::TempDir;

constexpr const char* kChave = "35240512345678000195550010000001231012345676";

// A component in a program directory of its own, with its error log in a separate folder and every
// telemetry event recorded.
class NFeChavesTest : public test::ProgramHomeTest {
protected:
  void SetUp() override {
    nfe.SetUF("rs");
    nfe.SetDiretorioLogErro(logErro.Path());
    nfe.GetTelemetria().SetSink([this](const TvxnTelemetriaEvento& e) {
      if (e.Tipo == TvxnTelemetriaTipo::Ping)
        pings.push_back(e.Operacao);
    });
  }
  std::size_t ErrorLogLines() { return test::CountLines(ReadFileOrEmpty(logErro.File("nfe_exception.log"))); }

  TempDir logErro;
  TvxnNFe nfe;
  std::vector<std::string> pings;
};

// The facade passes its own state, layout version and arguments on, and pings each operation.
TEST_F(NFeChavesTest, KeysFollowTheComponentsLayoutAndState) {
  const auto chave = [&] {
    return nfe.CalculaChaveNFe("2024-05-10", "35", "12345678000195", "55", "1", "123", "1234567", "1");
  };
  EXPECT_EQ(chave(), kChave);
  EXPECT_EQ(nfe.CalculaChaveInutilizacao("24", "12345678000195", "55", "1", "1", "10"),
            "43241234567800019555001000000001000000010");
  EXPECT_EQ(nfe.GerarIdCCe(kChave, 1), std::string("ID110110") + kChave + "01");
  EXPECT_EQ(nfe.CalcularHashCSRT("41180678393592000146558900000006041028190697",
                                 "G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO"),
            "aWv6LeEM4X6u4+qBI2OYZ8grigw=");
  nfe.SetUF("SP");
  EXPECT_EQ(nfe.CalculaChaveInutilizacao("24", "12345678000195", "55", "1", "1", "10").substr(0, 4), "3524");
  EXPECT_EQ(pings, (std::vector<std::string>{"CalculaChaveNFe", "CalculaChaveInutilizacao", "GerarIdCCe",
                                             "CalcularHashCSRT", "CalculaChaveInutilizacao"}));
  // Each layout version computes the key in its own form (the older one has no issue type).
  for (TVersaoManual v : {vm202a, vm30, vm40, vm50, vm50a, vm60}) {
    nfe.SetVersaoManual(v);
    EXPECT_EQ(chave(), v <= vm30 ? "35240512345678000195550010000001230012345678" : kChave)
        << VersaoManualToStr(v);
  }
}

TEST_F(NFeChavesTest, RefusalsAreLoggedInTheComponentsErrorFolderAfterThePing) {
  EXPECT_EQ(
      RefusalOf([&] { nfe.CalculaChaveNFe("2024-05-10", "", "1", "55", "1", "1", "1", "1"); }).className,
      "EvxnNFeCheckParams");
  EXPECT_EQ(ErrorLogLines(), 2u); // the refusal and its wrapping
  EXPECT_EQ(RefusalOf([&] { nfe.CalculaChaveInutilizacao("05", "1", "55", "1", "1", "2"); }).className,
            "EvxnNFeCheckParams");
  EXPECT_EQ(RefusalOf([&] { nfe.GerarIdCCe("123", 1); }),
            (Refusal{"EvxnNFeGerarIdCCeException", "Chave inválida para Gerar ID da CCe."}));
  EXPECT_EQ(RefusalOf([&] { nfe.CalcularHashCSRT(kChave, "curta"); }),
            (Refusal{"EvxnNFeCheckParams", "aCSRT inválida para gerar a HashCSRT."}));
  EXPECT_EQ(ErrorLogLines(), 5u);
  EXPECT_EQ(pings, (std::vector<std::string>{"CalculaChaveNFe", "CalculaChaveInutilizacao", "GerarIdCCe",
                                             "CalcularHashCSRT"}));
}

} // namespace
} // namespace vxn
