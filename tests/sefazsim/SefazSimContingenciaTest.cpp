// The local server as the authorisers of a contingency: a state's own authoriser paralysed (108, 109),
// the national contingency authorisers SVC-AN and SVC-RS taking the state's documents while it is, and
// the rules of the issue type and of the entry into contingency on both sides. Documents are built by the
// input dataset and signed by the library; every reply is checked against the official schema.
#include "datasets/vxnNFeDataSets.h"
#include "sefaz-sim/SefazSim.h"
#include "support/HttpsTestClient.h"
#include "support/NFeDocumentFiller.h"
#include "support/SignedNFeDocument.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnFormat.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace vxn {
namespace {

using test::Between;
using test::Tag;

// The entry into contingency of the documents below, 25 minutes before their issue (10:00).
constexpr const char* kEntrada = "2026-12-05T09:35:00-03:00";
constexpr const char* kMotivo = "Autorizador da SEFAZ de origem paralisado";

struct Caso {
  const char* nome;
  const char* secao;      // where the lot goes
  const char* paralisada; // the state whose authoriser is paralysed ("" none), with 109
  const char* cUF;
  const char* tpEmis;
  const char* dhCont; // "" leaves it out
  const char* xJust;  // "" leaves it out
  const char* cStatLote;
  const char* cStatNota; // "" when the lot is refused as a whole
};

// The xMotivo of each code the cases expect: the document's, or the lot's when it is refused whole.
const std::map<std::string, std::string> kMotivos = {
    {"100", "Autorizado o uso da NF-e"},
    {"109", "Servico Paralisado sem Previsao"},
    {"114", "Rejeicao: SVC desabilitada pela SEFAZ Origem"},
    {"225", "Rejeicao: Falha no Schema XML do lote de NFe"},
    {"226", "Rejeicao: Codigo da UF do Emitente diverge da UF autorizadora"},
    {"556", "Rejeicao: Justificativa de entrada em contingencia nao deve ser informada para tipo de emissao "
            "normal"},
    {"557", "Rejeicao: A Justificativa de entrada em contingencia deve ser informada"},
    {"558", "Rejeicao: Data de entrada em contingencia posterior a data de emissao"},
    {"570", "Rejeicao: Tipo de Emissao 3, 6 ou 7 so e valido nas contingencias SCAN/SVC"},
    {"713", "Rejeicao: Tipo de Emissao diferente de 6 ou 7 para contingencia da SVC acessada"},
};

const Caso kCasos[] = {
    {"paralysed_state_takes_nothing", "SP", "SP", "35", "1", "", "", "109", ""},
    {"svcan_takes_sp_while_paralysed", "SVCAN", "SP", "35", "6", kEntrada, kMotivo, "104", "100"},
    {"svcrs_takes_pr_while_paralysed", "SVCRS", "PR", "41", "7", kEntrada, kMotivo, "104", "100"},
    {"svcan_refuses_a_state_in_operation", "SVCAN", "", "35", "6", kEntrada, kMotivo, "114", ""},
    {"svcan_refuses_another_states_paralysis", "SVCAN", "MG", "35", "6", kEntrada, kMotivo, "114", ""},
    {"svcrs_refuses_a_state_of_svcan", "SVCRS", "SP", "35", "7", kEntrada, kMotivo, "104", "226"},
    {"svcan_refuses_the_type_of_svcrs", "SVCAN", "SP", "35", "7", kEntrada, kMotivo, "104", "713"},
    {"svcrs_refuses_the_type_of_svcan", "SVCRS", "PR", "41", "6", kEntrada, kMotivo, "104", "713"},
    {"svcan_refuses_a_normal_issue", "SVCAN", "SP", "35", "1", "", "", "104", "713"},
    {"state_refuses_the_type_of_svcan", "SP", "", "35", "6", kEntrada, kMotivo, "104", "570"},
    {"state_refuses_the_type_of_scan", "SP", "", "35", "3", kEntrada, kMotivo, "104", "570"},
    {"state_takes_epec_with_its_entry", "SP", "", "35", "4", kEntrada, kMotivo, "104", "100"},
    {"normal_issue_with_an_entry", "SP", "", "35", "1", kEntrada, kMotivo, "104", "556"},
    {"contingency_without_entry", "SVCAN", "SP", "35", "6", "", "", "104", "557"},
    // The schema takes the time and the justification together or not at all.
    {"entry_without_justification", "SVCAN", "SP", "35", "6", kEntrada, "", "225", ""},
    {"entry_after_the_issue", "SVCAN", "SP", "35", "6", "2026-12-05T10:00:01-03:00", kMotivo, "104", "558"},
    // The same moment in another zone is not later.
    {"entry_at_the_issue_in_another_zone", "SVCAN", "SP", "35", "6", "2026-12-05T11:00:00-02:00", kMotivo,
     "104", "100"},
};

class SefazSimContingenciaTest : public ::testing::TestWithParam<Caso> {
protected:
  void SetUp() override {
    sim_.Start();
    WriteFileAtomic(signer_, sim_.Authority().IssueClientPkcs12({}));
  }

  // A signed document of the dataset with its identification changed before the key is computed.
  std::string Documento(const Caso& c) {
    static int nNF = 5000;
    TvxnNFeDataSets ds;
    ds.SetXMLDicionario(test::ShippedDictionary());
    test::FillDocument(ds, ++nNF, 1);
    ds.Campo("cUF_B02").SetAsString(c.cUF);
    ds.Campo("tpEmis_B22").SetAsString(c.tpEmis);
    if (*c.dhCont)
      ds.Campo("dhCont_B28").SetAsString(c.dhCont);
    if (*c.xJust)
      ds.Campo("xJust_B29").SetAsString(c.xJust);
    ds.Salvar();
    return test::SignedInfNFe(ds.GetLoteNFe()[0], signer_, "1234");
  }

  test::HttpsTestReply Post(const std::string& section, const std::string& wsdl, const std::string& operation,
                            const std::string& message) {
    return test::PostSoap(
        {sim_.Port(), sim_.Authority().CertificatePem(), client_.CertificatePem, client_.PrivateKeyPem},
        section, wsdl, operation, message);
  }

  std::string Status(const std::string& section, const std::string& cUF) {
    const std::string cons =
        Format(R"(<consStatServ xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00">)"
               R"(<tpAmb>2</tpAmb><cUF>%s</cUF><xServ>STATUS</xServ></consStatServ>)",
               {cUF});
    const test::HttpsTestReply reply = Post(section, "NFeStatusServico4", "nfeStatusServicoNF", cons);
    const std::string ret = Between(reply.Body, "<retConsStatServ", "</retConsStatServ>");
    EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retConsStatServ_v4.00.xsd")), "") << ret;
    return Tag(ret, "cStat");
  }

  test::TempDir dir_;
  sim::TSefazSim sim_{test::SimOptions()};
  dev::TvxnDevIdentity client_ = sim_.Authority().IssueClient({});
  std::string signer_ = dir_.File("assinatura.pfx");
};

TEST_P(SefazSimContingenciaTest, TheLotIsAnsweredAsTheAuthoriserOfItsSectionDoes) {
  const Caso& c = GetParam();
  if (*c.paralisada)
    sim_.SetStateParalysed(c.paralisada, 109);
  const test::HttpsTestReply reply =
      Post(c.secao, "NFeAutorizacao4", "nfeAutorizacaoLote", test::EnviNFeLot(Documento(c), true));
  ASSERT_EQ(reply.Status, 200) << reply.Error << reply.Body;
  const std::string ret = Between(reply.Body, "<retEnviNFe", "</retEnviNFe>");
  EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retEnviNFe_v4.00.xsd")), "") << ret;
  EXPECT_EQ(Tag(ret, "cStat"), c.cStatLote) << ret;
  const std::string prot = Between(ret, "<protNFe", "</protNFe>");
  const std::string& xMotivo = kMotivos.at(*c.cStatNota ? c.cStatNota : c.cStatLote);
  if (*c.cStatNota) {
    EXPECT_EQ(Tag(prot, "cStat"), c.cStatNota) << ret;
    EXPECT_EQ(Tag(prot, "xMotivo"), xMotivo) << ret;
    EXPECT_EQ(Tag(prot, "nProt").empty(), std::string(c.cStatNota) != "100") << ret;
  } else {
    EXPECT_EQ(prot, "") << ret;
    EXPECT_EQ(Tag(ret, "xMotivo"), xMotivo) << ret;
    EXPECT_EQ(ret.find("<nRec>"), std::string::npos) << ret;
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, SefazSimContingenciaTest, ::testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nome); });

// The status query of a paralysed state answers its code, the state's contingency authoriser stays in
// operation, and the state is in operation again when the switch is off. Another state is untouched.
TEST_F(SefazSimContingenciaTest, TheStatusOfAParalysedStateAnswersItsCodeUntilItIsBack) {
  sim_.SetStateParalysed("sp", 108);
  EXPECT_EQ(Status("SP", "35"), "108");
  EXPECT_EQ(Status("SVCAN", "35"), "107");
  EXPECT_EQ(Status("MG", "31"), "107");
  sim_.SetStateParalysed("SP", 109);
  EXPECT_EQ(Status("SP", "35"), "109");
  sim_.SetStateParalysed("SP", std::nullopt);
  EXPECT_EQ(Status("SP", "35"), "107");
  // Only a state's own authoriser can be paralysed, with one of the two codes.
  EXPECT_THROW(sim_.SetStateParalysed("SVCAN", 109), std::invalid_argument);
  EXPECT_THROW(sim_.SetStateParalysed("AN", 109), std::invalid_argument);
  EXPECT_THROW(sim_.SetStateParalysed("SP", 107), std::invalid_argument);
}

} // namespace
} // namespace vxn
