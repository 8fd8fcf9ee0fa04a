// The example program that issues the example sale through the typed document model: its XML is the
// XML of the same sale in command text, and the local server authorises it.
#include "NfeEmitirFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vxn::test {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

const std::string kEmitirTipado = std::string(QVX_BIN_DIR) + "/emitir-tipado";

TEST_F(NfeToolEmitirWithConfig, TypedExampleWritesTheXmlOfTheCommandTextExample) {
  const NfeRunResult tipado = RunProgram(kEmitirTipado, {"--xml"}, InHome(dir_));
  ASSERT_EQ(tipado.exitCode, 0) << tipado.err;
  const NfeRunResult convertido = Nfe({"converter", kComandos});
  ASSERT_EQ(convertido.exitCode, 0) << convertido.err;
  EXPECT_EQ(tipado.out, convertido.out);
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
}

TEST_F(NfeToolEmitirWithConfig, TypedExampleIsAuthorisedByTheLocalServer) {
  const NfeRunResult r = RunProgram(kEmitirTipado, {files_.ConfigFile}, InHome(dir_));
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_THAT(r.out, HasSubstr("key: " + kChaveComandos + "\n"));
  EXPECT_THAT(r.out, HasSubstr("status: 100 Autorizado o uso da NF-e\n"));
  EXPECT_THAT(r.out, MatchesRegex("(.|\n)*protocol: [0-9]{15}\n"));
  EXPECT_EQ(Recebidas("enviNFe"), 1u);
}

} // namespace
} // namespace vxn::test
