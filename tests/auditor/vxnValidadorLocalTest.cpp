// Our validation control over a distribution XML that the local server authorised (the example sale of
// examples/venda-sp-mg-comandos.txt): one table of single changes to it and the findings each one
// brings, and the control's answer forms, settings file and rule list.
#include "auditor/vxnValidadorLocal.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vxn {
namespace {

namespace id = idValidador;

const std::string kChave = "35261211222333000181550010000010011730155823";

std::string Autorizada() {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/auditor/data/venda-sp-mg-nfeProc.xml");
}

std::string Trocar(const std::string& xml, const std::string& de, const std::string& para) {
  EXPECT_NE(xml.find(de), std::string::npos) << de;
  return ReplaceAll(xml, de, para);
}

// "code [rule]" of each finding, in order.
std::vector<std::string> Codigos(const TvxnValidadorLocal& c) {
  std::vector<std::string> r;
  for (const auto& a : c.GetAchados())
    r.push_back(a.Tipo + " " + a.Codigo + " [" + a.Regra + "]");
  return r;
}

struct Caso {
  const char* nome;
  std::string xml;
  std::string excecoes;
  std::vector<std::string> achados;
};

TEST(ValidadorLocal, EachChangeToAnAuthorisedDocumentBringsItsFindings) {
  const std::string ok = Autorizada();
  const std::vector<Caso> casos = {
      {"authorised as it is", ok, "", {}},
      {"total of the NF-e off",
       Trocar(ok, "<vNF>6827.45</vNF>", "<vNF>6900.00</vNF>"),
       "",
       {"Rejeição 610 [GW16]"}},
      {"the same, rule GW16 left out", Trocar(ok, "<vNF>6827.45</vNF>", "<vNF>6900.00</vNF>"), "GW16", {}},
      {"state CFOP in an interstate sale to a taxpayer",
       Trocar(ok, "<CFOP>6101</CFOP>", "<CFOP>5101</CFOP>"),
       "",
       {"Rejeição 521 [GI08.3]", "Rejeição 733 [GI08.5]"}},
      {"incoming CFOP in an outgoing document",
       Trocar(ok, "<CFOP>6101</CFOP>", "<CFOP>2101</CFOP>"),
       "",
       {"Rejeição 518 [GI08]"}},
      {"products total off",
       Trocar(ok, "<vProd>6409.50</vProd><vFrete>", "<vProd>6509.50</vProd><vFrete>"),
       "",
       {"Rejeição 564 [GW07]", "Rejeição 610 [GW16]"}},
      {"not valid against the schema (the rules are not run)",
       Trocar(ok, "<mod>55</mod>", "<mod>5X</mod>"),
       "",
       {"Rejeição 225 [Esquema]"}},
      {"not well-formed", ok.substr(0, 500), "", {"Rejeição 243 [XML]"}},
  };
  for (const Caso& caso : casos) {
    TvxnValidadorLocal controle;
    controle.ValidarXml(caso.xml, caso.excecoes);
    EXPECT_EQ(Codigos(controle), caso.achados) << caso.nome;
    EXPECT_EQ(std::get<std::string>(controle.GetProperty(id::TotalRejeicao)),
              std::to_string(caso.achados.size()))
        << caso.nome;
  }
}

TEST(ValidadorLocal, AnswersOneEntryPerFindingAsTextOrJson) {
  const std::string xml = Trocar(Autorizada(), "<CFOP>6101</CFOP>", "<CFOP>5101</CFOP>");
  TvxnValidadorLocal controle;
  EXPECT_EQ(controle.ValidarXml(xml, ""),
            "Rejeição 521 [GI08.3] CFOP_I08: CFOP de Operação Estadual e UF do emitente difere da UF do "
            "destinatário para destinatário contribuinte do ICMS (chave " +
                kChave +
                ")\n"
                "Rejeição 733 [GI08.5] CFOP_I08: CFOP de operação interna e idDest <> 1 (chave " +
                kChave + ")\n");
  controle.SetProperty(id::TipoResposta, std::int32_t{1});
  const std::string json = controle.ValidarXml(xml, "GI08.3");
  EXPECT_EQ(
      json,
      "{\"leiaute\":\"4.00\",\"esquema\":\"procNFe_v4.00.xsd\",\"achados\":[\n"
      "{\"tipo\":\"Rejeição\",\"codigo\":\"733\",\"regra\":\"GI08.5\",\"campo\":\"CFOP_I08\",\"chave\":\"" +
          kChave + "\",\"mensagem\":\"CFOP de operação interna e idDest <> 1\"}]}\n");
  // With the rules shown, every rule run is listed; those layout 4.00 changed are not run.
  controle.SetProperty(id::ExibirRegrasValidacao, kVerdadeiro16);
  controle.ValidarXml(xml, "");
  const auto& regras = controle.GetRegrasVerificadas();
  EXPECT_GT(regras.size(), 150u);
  for (const char* regra : {"GA03", "GI08.5", "GW16"})
    EXPECT_NE(std::find(regras.begin(), regras.end(), regra), regras.end()) << regra;
  for (const char* regra : {"GI03", "GI12", "GL102a"})
    EXPECT_EQ(std::find(regras.begin(), regras.end(), regra), regras.end()) << regra;
}

TEST(ValidadorLocal, ShowHtmlWritesTheReportOfTheLastAnswerEscaped) {
  test::TempDir dir;
  TvxnValidadorLocal controle;
  controle.SetProperty(id::ArquivoHtml, dir.File("relatorio.html"));
  controle.SetProperty(id::WidthHtml, std::int32_t{640});
  const std::string resposta =
      controle.ValidarXml(Trocar(Autorizada(), "<CFOP>6101</CFOP>", "<CFOP>5101</CFOP>"), "");
  controle.ShowHtml(resposta);
  const std::string html = ReadWholeFile(dir.File("relatorio.html"));
  EXPECT_NE(html.find("width:640px"), std::string::npos);
  EXPECT_NE(html.find("<p>2 rejeições</p>"), std::string::npos);
  EXPECT_NE(html.find("<td>733</td><td>GI08.5</td><td>CFOP_I08</td><td>" + kChave +
                      "</td><td>CFOP de operação interna e idDest &lt;&gt; 1</td>"),
            std::string::npos)
      << html;
  // Any other text is shown as it is, escaped.
  controle.ShowHtml("<b>outro</b>");
  EXPECT_NE(ReadWholeFile(dir.File("relatorio.html")).find("<pre>&lt;b&gt;outro&lt;/b&gt;</pre>"),
            std::string::npos);
}

TEST(ValidadorLocal, RefusesWhatItCannotAudit) {
  TvxnValidadorLocal controle;
  try {
    controle.ValidarXml("<retConsStatServ/>", "");
    FAIL();
  } catch (const EvxnNFeValidadorClientOCXException& e) {
    EXPECT_EQ(e.Message(), "O validador audita NF-e (NFe, nfeProc, enviNFe), não <retConsStatServ>");
  }
  controle.SetProperty(id::ModoOperacao, std::int32_t{1});
  try {
    controle.ValidarXml(Autorizada(), "");
    FAIL();
  } catch (const EvxnNFeValidadorClientOCXException& e) {
    EXPECT_EQ(e.Message(), "O validador local não tem modo cliente: configure ModoOperacao local");
  }
}

TEST(ValidadorLocal, SettingsFileKeepsEveryKindOfValueAndTheRuleListIsWritten) {
  test::TempDir dir;
  TvxnValidadorLocal a;
  a.SetProperty(id::Login, std::string("usuario=1; [x]"));
  a.SetProperty(id::Timeout, std::int32_t{30000});
  a.SetProperty(id::ExibirRegrasValidacao, kVerdadeiro16);
  a.SetProperty(id::DiretorioRegras, dir.File("regras/novas"));
  a.SaveConfig(dir.File("validador.ini"));
  TvxnValidadorLocal b;
  b.LoadConfig(dir.File("validador.ini"));
  for (int p : {id::Login, id::Timeout, id::ExibirRegrasValidacao, id::DiretorioRegras})
    EXPECT_EQ(b.GetProperty(p), a.GetProperty(p)) << p;

  b.DownloadRegras();
  const std::string lista = ReadWholeFile(dir.File("regras/novas/regras-4.00.txt"));
  EXPECT_NE(lista.find("\nGW16|610|Rejeição: Total da NF difere"), std::string::npos);
  EXPECT_EQ(lista.find("GI03|"), std::string::npos);
}

} // namespace
} // namespace vxn
