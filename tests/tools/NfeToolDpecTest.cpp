// nfe dpec on the embedded default: a lot of two documents issued in contingency is declared to the
// local server's national environment, and the declaration is found in a later run by either key and by
// its registration number; a file without documents and a value of neither length end with their codes.
#include "NfeEmitirFixture.h"
#include "NfeProcess.h"
#include "support/AccessKeyDigit.h"
#include "support/TempDir.h"
#include "vxnFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vxn::test {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

// A key of the embedded default's issuer, layout 2.00, issued in DPEC contingency (tpEmis 4).
std::string Chave(const std::string& nNF) {
  return DpecKey(nNF, "87654321");
}

std::string Nota(const std::string& chave) {
  return "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe versao=\"2.00\" Id=\"NFe" + chave +
         "\"><ide><tpEmis>4</tpEmis></ide><emit><CNPJ>11222333000181</CNPJ><IE>111222333444</IE></emit>"
         "<dest><CNPJ>17444555000125</CNPJ><enderDest><UF>MG</UF></enderDest></dest><total><ICMSTot>"
         "<vICMS>18.00</vICMS><vST>0.00</vST><vNF>118.00</vNF></ICMSTot></total></infNFe></NFe>";
}

TEST(NfeToolDpec, ALotIsDeclaredAndFoundInALaterRunByKeyAndByNumber) {
  TempDir home;
  const NfeRunOptions o = InHome(home);
  const std::string lote = home.File("lote-dpec.xml");
  WriteFileAtomic(lote, Nota(Chave("000000301")) + Nota(Chave("000000302")));

  const NfeRunResult declarar = RunNfe({"dpec", "declarar", lote}, o);
  ASSERT_EQ(declarar.exitCode, 0) << declarar.err << declarar.out;
  EXPECT_THAT(declarar.out,
              MatchesRegex("124 DPEC recebido pelo Sistema de Contingencia Eletronica\n"
                           "registro 91[0-9]{13} [0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}-03:00\n"));
  const std::string registro = declarar.out.substr(declarar.out.find("registro ") + 9, 15);

  for (const std::string& valor : {Chave("000000302"), registro}) {
    const NfeRunResult r = RunNfe({"dpec", "consultar", valor}, o);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("125 DPEC localizado\nregistro " + registro + " ")) << valor;
  }
  const NfeRunResult outra = RunNfe({"dpec", "consultar", Chave("000000303")}, o);
  EXPECT_EQ(outra.exitCode, 1);
  EXPECT_EQ(outra.out, "127 Inexiste DPEC para a chave de acesso da NF-e informada\n");
  // Declared again, the documents are refused.
  EXPECT_EQ(RunNfe({"dpec", "declarar", lote}, o).exitCode, 1);
}

TEST(NfeToolDpec, AFileWithoutDocumentsAndAValueOfNeitherLengthEndWithTheirCodes) {
  TempDir home;
  const NfeRunOptions o = InHome(home);
  const std::string vazio = home.File("vazio.xml");
  WriteFileAtomic(vazio, "<enviNFe/>");
  const NfeRunResult r = RunNfe({"dpec", "declarar", vazio}, o);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_THAT(r.err, HasSubstr("holds no NF-e (infNFe) to declare"));
  const NfeRunResult c = RunNfe({"dpec", "consultar", "1234"}, o);
  EXPECT_EQ(c.exitCode, 2);
  EXPECT_THAT(c.err, HasSubstr("is neither an access key (44 characters) nor a registration number (15)"));
  EXPECT_EQ(RunNfe({"dpec"}, o).exitCode, 2);
}

} // namespace
} // namespace vxn::test
