// The rule frame and the controller: registration order, exemption by substring, the first failure
// only, the failure message and its log folder, the rule sets by layout version, the per-item rules,
// and the corrective rules seen through the XML they leave.
#include "support/NFeDocumentFiller.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"

#include "datasets/vxnNFeDataSets.h"
#include "rules/vxnNFeRules.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

// A rule that records that it ran and fails when told to.
class RegraDeTeste : public TvxnNFeRule {
public:
  RegraDeTeste(std::string_view name, std::vector<std::string>& log, bool falha)
      : TvxnNFeRule(name, "campo_" + std::string(name), "999", "Falha de " + std::string(name), vm60),
        log_(log), falha_(falha) {}
  void execute() override {
    TvxnNFeRule::execute();
    log_.push_back(GetName());
    if (falha_)
      FalharValidacao();
  }

private:
  std::vector<std::string>& log_;
  bool falha_;
};

class RulesTest : public ::testing::Test {
protected:
  void SetUp() override {
    ds.SetDiretorioLogErro(dir.File("erros"));
    ds.SetXMLDicionario(test::ShippedDictionary());
    controller.SetNFeDataSet(&ds.DataSet());
  }
  void Registrar(std::string_view name, bool falha = false) {
    controller.RegistrarRegra(std::make_unique<RegraDeTeste>(name, log, falha));
  }

  test::TempDir dir;
  TvxnNFeDataSets ds;
  TvxnControllerRulesNFe controller;
  std::vector<std::string> log;
};

TEST_F(RulesTest, RunsInRegistrationOrderSkippingExemptionsBySubstring) {
  for (const char* name : {"GB10", "GB09.1", "GB09", "GA01"})
    Registrar(name);
  controller.SetExcecoesDeRegras("GB09.1");
  controller.ExecuteRules();
  EXPECT_EQ(log, (std::vector<std::string>{"GB10", "GA01"}));
  // GB09 alone does not exempt GB09.1; the test is case-sensitive and has no separator syntax.
  log.clear();
  controller.SetExcecoesDeRegras("gb10;GB09");
  controller.ExecuteRules();
  EXPECT_EQ(log, (std::vector<std::string>{"GB10", "GB09.1", "GA01"}));
  log.clear();
  controller.SetExcecoesDeRegras("GA01GB10");
  controller.ExecuteRules();
  EXPECT_EQ(log, (std::vector<std::string>{"GB09.1", "GB09"}));
  // Every rule was handed the controller's dataset.
  for (const auto& rule : controller.GetListRules())
    EXPECT_EQ(rule->GetDataSet(), &ds.DataSet());
}

TEST_F(RulesTest, OnlyTheFirstFailureIsReportedWithItsMessage) {
  Registrar("GB01");
  Registrar("GB09.1", true);
  Registrar("GB10", true);
  Registrar("GB11");
  EXPECT_EQ(RefusalOf([&] { controller.ExecuteRules(); }),
            (Refusal{"EvxnNFeRuleException",
                     "[GB09.1]: 999 - Falha de GB09.1.\r\nVerifique o Campo: campo_GB09.1"}));
  // The dataset's error folder receives the log line.
  EXPECT_NE(
      test::ReadFileOrEmpty(dir.File("erros/nfe_exception.log")).find("EvxnNFeRuleException : [GB09.1]"),
      std::string::npos);
  EXPECT_EQ(log, (std::vector<std::string>{"GB01", "GB09.1"}));
  controller.FreeRules();
  EXPECT_TRUE(controller.GetListRules().empty());
}

TEST_F(RulesTest, RuleWithoutDatasetFails) {
  RegraDeTeste rule("GB01", log, false);
  rule.SetDiretorioLogErro(dir.Path());
  EXPECT_EQ(RefusalOf([&] { rule.execute(); }),
            (Refusal{"EvxnNFeRuleException", "DataSet não configurado para validação da NFe."}));
  EXPECT_TRUE(log.empty());
}

// Records which rule set of which manual version was asked for.
class ControllerRegistrador : public TvxnControllerRulesNFe {
public:
  std::vector<std::string> chamadas;

protected:
  void LoadRulesVM30() override { chamadas.push_back("VM30"); }
  void LoadRulesVM40() override { chamadas.push_back("VM40"); }
  void LoadRulesVM50() override { chamadas.push_back("VM50"); }
  void LoadRulesVM50a() override { chamadas.push_back("VM50a"); }
};

TEST(RulesControllerTest, RuleSetOfEachLayoutVersion) {
  const std::pair<TVersaoEsquema, std::vector<std::string>> casos[] = {
      {pl_005a, {"VM30"}}, {pl_005f, {"VM30"}}, {pl_006e, {"VM40"}},  {pl_006j, {"VM40"}},
      {pl_006m, {"VM50"}}, {pl_006v, {"VM50"}}, {pl_008a, {"VM50a"}}, {pl_008i2, {"VM50a"}},
      {pl_009, {}},        {pl_009g, {}}};
  for (const auto& [versao, esperado] : casos) {
    ControllerRegistrador c;
    c.SetVersaoEsquema(versao);
    c.LoadRulesWebSefaz();
    EXPECT_EQ(c.chamadas, esperado) << VersaoEsquemaToStr(versao);
  }
  TvxnControllerRulesNFe c;
  c.LoadRulesQuorvant();
  std::vector<std::string> nomes;
  for (const auto& rule : c.GetListRules())
    nomes.push_back(rule->GetName());
  EXPECT_EQ(nomes, (std::vector<std::string>{"Quorvant1", "Quorvant2", "Quorvant3", "Quorvant4"}));
}

// A per-item rule: the product code must not be "RUIM".
class ProdutoValido : public TvxnNFeTemplateItem {
public:
  ProdutoValido() : TvxnNFeTemplateItem("I02.1", "cProd_I02", "100", "Produto inválido", vm60) {}
  bool ExpressaoDeValidacao() override {
    vistos.push_back(DS->FieldByName("cProd_I02").AsString());
    return vistos.back() != "RUIM";
  }
  std::vector<std::string> vistos;
};

TEST_F(RulesTest, PerItemRuleWalksTheItemsAndStopsAtTheFirstFailure) {
  test::FillDocument(ds, 1, 3);
  ds.Salvar();
  ProdutoValido rule;
  rule.SetDataSet(&ds.DataSet());
  rule.execute();
  EXPECT_EQ(rule.vistos, (std::vector<std::string>{"PROD-1", "PROD-2", "PROD-3"}));

  test::FillDocument(ds, 2, 3);
  ds.H()->First();
  ds.H()->Next();
  ds.I()->Edit();
  ds.Campo("cProd_I02").SetAsString("RUIM");
  ds.I()->Post();
  ProdutoValido outra;
  outra.SetDataSet(&ds.DataSet());
  EXPECT_EQ(
      RefusalOf([&] { outra.execute(); }),
      (Refusal{"EvxnNFeRuleException", "[I02.1]: 100 - Produto inválido.\r\nVerifique o Campo: cProd_I02"}));
  EXPECT_EQ(outra.vistos, (std::vector<std::string>{"PROD-1", "RUIM"}));
}

// Exposes the helpers of the rule frame.
class RegraAuxiliar : public TvxnNFeRule {
public:
  RegraAuxiliar() : TvxnNFeRule("AUX", "", "", "") {}
  void execute() override {}
  using TvxnNFeRule::ValorDecimal;
};

TEST_F(RulesTest, HelpersOfTheRuleFrame) {
  RegraAuxiliar rule;
  rule.SetDataSet(&ds.DataSet());
  EXPECT_TRUE(rule.VerificaDataAnterior("2026-12-04", "2026-12-05T00:00:00-03:00"));
  EXPECT_TRUE(rule.VerificaDataAnterior("2026-12-05T10:00:00-03:00", "2026-12-05T10:00:01-03:00"));
  EXPECT_FALSE(rule.VerificaDataAnterior("2026-12-05T10:00:00-03:00", "2026-12-05T10:00:00-03:00"));
  // The same moment written in two offsets is not earlier.
  EXPECT_FALSE(rule.VerificaDataAnterior("2026-12-05T13:00:00+00:00", "2026-12-05T10:00:00-03:00"));
  EXPECT_TRUE(rule.VerificaDataAnterior("2026-12-05T12:59:59+00:00", "2026-12-05T10:00:00-03:00"));

  ds.Incluir();
  ds.IncluirCobranca();
  // Only the handle and the link to the master are set: nothing filled.
  EXPECT_FALSE(rule.PossuiCampoPreenchido("DUP"));
  ds.Campo("nDup_Y08").SetAsString("001");
  EXPECT_TRUE(rule.PossuiCampoPreenchido("dup"));
  EXPECT_FALSE(rule.PossuiCampoPreenchido("W"));
  EXPECT_EQ(rule.ValorDecimal("vDup_Y10"), 0.0);
  ds.Campo("vDup_Y10").SetAsString("1234.56");
  EXPECT_DOUBLE_EQ(rule.ValorDecimal("vDup_Y10"), 1234.56);
}

// ---------------------------------------------------------------- the corrective rules in Salvar

class QuorvantTest : public ::testing::Test {
protected:
  void SetUp() override {
    ds.SetXMLDicionario(test::ShippedDictionary());
    ds.SetValidaRegrasNegocioQuorvant(true);
    test::FillDocument(ds, 42, 1);
  }
  std::string Salvar() {
    ds.Salvar();
    return ds.GetLoteNFe()[ds.GetLoteNFe().Count() - 1];
  }
  std::string Dest(const std::string& xml) {
    const auto a = xml.find("<dest>");
    return xml.substr(a, xml.find("</dest>") - a);
  }
  TvxnNFeDataSets ds;
};

TEST_F(QuorvantTest, ForeignRecipientLosesCnpjAndCpf) {
  ds.Campo("UF_E12").SetAsString("EX");
  ds.Campo("CPF_E03").SetAsString("12345678909");
  const std::string xml = Salvar();
  ds.E()->First();
  EXPECT_TRUE(ds.Campo("CNPJ_E02").IsNull());
  EXPECT_EQ(ds.Campo("CPF_E03").AsString(), "NULL");
  EXPECT_EQ(Dest(xml).find("<CNPJ>"), std::string::npos);
  EXPECT_EQ(Dest(xml).find("<CPF>"), std::string::npos);
  EXPECT_NE(Dest(xml).find("<dest><idEstrangeiro/><xNome>"), std::string::npos) << Dest(xml);
}

TEST_F(QuorvantTest, RecipientWithCpfWritesNoCnpj) {
  ds.Campo("CPF_E03").SetAsString("12345678909");
  const std::string xml = Salvar();
  EXPECT_NE(Dest(xml).find("<dest><CPF>12345678909</CPF><xNome>"), std::string::npos) << Dest(xml);
  ds.E()->First();
  EXPECT_EQ(ds.Campo("CNPJ_E02").AsString(), "NULL");
}

TEST_F(QuorvantTest, ZeroCNFTakesTheNumberAndEmptyVerProcGetsADefault) {
  ds.Campo("cNF_B03").SetAsString("0");
  ds.Campo("verProc_B27").SetAsString("");
  const std::string xml = Salvar();
  EXPECT_NE(xml.find("<cNF>00000042</cNF>"), std::string::npos);
  EXPECT_NE(xml.find("<verProc>1.0</verProc>"), std::string::npos);
  // Without the corrective rules the stored-record default applies instead.
  ds.SetValidaRegrasNegocioQuorvant(false);
  test::FillDocument(ds, 43, 1);
  ds.Campo("verProc_B27").SetAsString("");
  EXPECT_NE(Salvar().find("<verProc>Versao Aplicativo9</verProc>"), std::string::npos);
}

} // namespace
} // namespace vxn
