#include "xml/vxnNFeTemplates.h"
#include "support/XmlCheck.h"
#include "vxnNFeType.h"
#include "vxnText.h"
#include "xml/vxnNFeTemplateVersaoUFEstados.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

namespace vxn {
namespace {

// One expected text of the data file.
struct Expected {
  TVersaoManual versao;
  std::string uf; // "*" for the base set
  std::string name;
  std::string text;
};

std::vector<Expected> ReadExpected() {
  std::ifstream in(std::string(QVX_SOURCE_DIR) + "/tests/xml/data/templates.tsv");
  std::vector<Expected> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#')
      continue;
    const auto cols = Split(line, '\t');
    if (cols.size() != 4)
      throw std::runtime_error("bad line in templates.tsv: " + line);
    rows.push_back({StrToVersaoManual(cols[0] == "vm50a" ? "5.0a" : "6.0"), cols[1], cols[2], cols[3]});
  }
  return rows;
}

const std::vector<Expected>& AllExpected() {
  static const std::vector<Expected> rows = ReadExpected();
  return rows;
}

std::string Tag(TVersaoManual v) {
  return v == vm50a ? "3.10" : "4.00";
}

TEST(TemplateStore, BaseSetTextsMatchThePublishedTexts) {
  for (const auto& e : AllExpected()) {
    if (e.uf != "*")
      continue;
    // The empty state, an unknown code and a lower-case code all take the base set.
    for (const char* uf : {"", "XX", "sp", "mg", "an"})
      EXPECT_EQ(TvxnNFeTemplates::LoadTemplate(e.versao, uf, e.name), e.text)
          << e.name << " " << Tag(e.versao) << " uf='" << uf << "'";
  }
}

TEST(TemplateStore, EveryStateGetsItsOverrideOrTheBaseText) {
  std::map<std::tuple<TVersaoManual, std::string, std::string>, std::string> byKey;
  for (const auto& e : AllExpected())
    byKey[{e.versao, e.uf, e.name}] = e.text;
  int overridden = 0;
  for (const auto& [uf, code] : kUFTable) {
    for (const auto& e : AllExpected()) {
      if (e.uf != "*")
        continue;
      const auto own = byKey.find({e.versao, std::string(uf), e.name});
      const std::string& expected = own != byKey.end() ? own->second : e.text;
      overridden += own != byKey.end();
      ASSERT_EQ(TvxnNFeTemplates::LoadTemplate(e.versao, uf, e.name), expected)
          << e.name << " " << Tag(e.versao) << " " << uf;
    }
  }
  // 12 headerless registry envelopes, MG's, and AN's three.
  EXPECT_EQ(overridden, 16);
}

TEST(TemplateStore, NamesMatchWithoutRegardToCase) {
  const std::string nota = TvxnNFeTemplates::LoadTemplate(vm60, "SP", "assinar_nota.xml");
  ASSERT_FALSE(nota.empty());
  EXPECT_EQ(TvxnNFeTemplates::LoadTemplate(vm60, "SP", "ASSINAR_NOTA.XML"), nota);
  EXPECT_EQ(TvxnNFeTemplates::LoadTemplate(vm60, "SP", "assinarEvento.xml"),
            TvxnNFeTemplates::LoadTemplate(vm60, "SP", "assinarevento.xml"));
  EXPECT_EQ(TvxnNFeTemplates::LoadTemplate(vm50a, "RS", "envioCCe.xml"),
            TvxnNFeTemplates::LoadTemplate(vm50a, "RS", "evento_envio.xml"));
  EXPECT_NE(TvxnNFeTemplates::LoadTemplate(vm60, "RS", "eventoCCe.xml").find("<tpEvento>110110</tpEvento>"),
            std::string::npos);
  EXPECT_EQ(TvxnNFeTemplates::LoadTemplate(vm60, "AN", "evento_downloadNFe.soap"),
            TvxnNFeTemplates::LoadTemplate(vm60, "AN", "evento_downloadnfe.soap"));
  EXPECT_FALSE(TvxnNFeTemplates::LoadTemplate(vm60, "", "resposta_eventoDownloadNFe.xml").empty());
}

TEST(TemplateStore, UnknownNamesGiveAnEmptyText) {
  // The names only the older layouts have on disk, the contingency ones among them.
  for (const char* name :
       {"pedido_cancelarnf.xml", "pedido_cancelarnf.soap", "pedido_enviarnfe.xml", "assinar_dpec.xml",
        "pedido_enviardpecnfe.soap", "pedido_consultadpecnfe.xml", "pedido_consultadpecnfe.soap",
        "pedido_consultadpecreg.xml", "", "pedido_status"}) {
    EXPECT_EQ(TvxnNFeTemplates::LoadTemplate(vm60, "SP", name), "") << name;
    EXPECT_EQ(TvxnNFeTemplates::LoadTemplate(vm50a, "", name), "") << name;
  }
}

TEST(TemplateStore, SetReportsItsVersionAndDocumentTag) {
  auto set = CreateTemplateVersaoUF("BA");
  set->setVersaoManual(vm50a);
  EXPECT_EQ(set->getVersaoXml(), "3.10");
  EXPECT_EQ(set->getTagDocumento(), "<CNPJ>%s</CNPJ>");
  set->setVersaoManual(vm60);
  EXPECT_EQ(set->getVersaoXml(), "4.00");
  EXPECT_EQ(set->getTagDocumento(), "%s");
  // Any layout other than 3.10 is treated as 4.00.
  set->setVersaoManual(vm40);
  EXPECT_EQ(set->getVersaoXml(), "4.00");
}

// Filling a template with plausible values gives well-formed XML: no marker, quote or tag was lost.
TEST(TemplateStore, FilledTemplatesAreWellFormed) {
  for (const auto& e : AllExpected()) {
    const std::string text = TvxnNFeTemplates::LoadTemplate(e.versao, e.uf == "*" ? "" : e.uf, e.name);
    if (text == "%s")
      continue; // the invalidation request is the signed document itself
    std::string filled = std::regex_replace(text, std::regex("%d"), "1");
    filled = std::regex_replace(filled, std::regex("%s"), "x");
    // Slots that take whole elements or documents get an element so that the result stays XML.
    if (e.name.starts_with("assinar") || e.name.ends_with("_dest.xml") ||
        e.name == "resposta_eventodownloadnfe.xml")
      filled = std::regex_replace(text, std::regex("%s"), "<a/>");
    EXPECT_EQ(test::XmlWellFormedError(filled), "") << e.name << " " << Tag(e.versao) << "\n" << filled;
  }
}

// (The status requests of both layouts against the official schemas: StatusDoServicoTest, from what the
// local server received.)

} // namespace
} // namespace vxn
