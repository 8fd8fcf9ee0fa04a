// The shipped dictionaries of layouts 4.00 and 3.10 checked against the official schema of their layout:
// every element field exists under the group its part stands for, with the schema's maximum length as its
// size and the schema's values.
#include "datasets/vxnNFeDataSets.h"
#include "vxnPaths.h"

#include "support/NFeDocumentFiller.h"
#include "support/NFeSchemaLeaves.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vxn {
namespace {

// The groups of infNFe each part stands for; a layout's own file names the parts whose groups differ.
std::map<std::string, std::vector<std::string>> PartGroups(const std::string& versao) {
  std::map<std::string, std::vector<std::string>> groups;
  for (const std::string& file : {std::string("partes-e-grupos.tsv"), "partes-e-grupos-" + versao + ".tsv"}) {
    if (file.ends_with("-4.00.tsv"))
      continue;
    for (const auto& row : test::ReadTable("datasets/data/" + file))
      groups[row.at(0)] = {row.begin() + 1, row.end()};
  }
  return groups;
}

struct Dictionary {
  std::string layout; // templates folder and schemas folder
  std::string versao; // of the schema files
  TVersaoEsquema esquema;
  bool exportacao;
};

std::string Tag(const std::string& fieldName) {
  return fieldName.substr(0, fieldName.find('_'));
}

std::string Describe(std::size_t n) {
  return n == test::kUnbounded ? "unbounded" : std::to_string(n);
}

class DictionarySchemaTest : public ::testing::TestWithParam<Dictionary> {
protected:
  static void TearDownTestSuite() { schemas.clear(); }
  static test::NFeSchemaLeaves& Schema(const Dictionary& d) {
    auto& schema = schemas[d.layout];
    if (!schema)
      schema = std::make_unique<test::NFeSchemaLeaves>(ProgramDirectory() + "Esquemas/" + d.layout + "/",
                                                       d.versao);
    return *schema;
  }
  static std::map<std::string, std::unique_ptr<test::NFeSchemaLeaves>> schemas;
};
std::map<std::string, std::unique_ptr<test::NFeSchemaLeaves>> DictionarySchemaTest::schemas;

TEST(NFeSchemaLeavesTest, PatternLengths) {
  EXPECT_EQ(test::PatternMaxLength("[0-9]{8}"), 8u);
  EXPECT_EQ(test::PatternMaxLength("0|0\\.[0-9]{2}|[1-9]{1}[0-9]{0,12}(\\.[0-9]{2})?"), 16u);
  EXPECT_EQ(test::PatternMaxLength("[!-\xC3\xBF]{1}[ -\xC3\xBF]*[!-\xC3\xBF]{1}|[!-\xC3\xBF]{1}"),
            test::kUnbounded);
  EXPECT_EQ(test::PatternMaxLength("SEM GTIN|[0-9]{0}|[0-9]{8}|[0-9]{12,14}"), 14u);
}

TEST_P(DictionarySchemaTest, EveryFieldIsInTheSchemaWithItsMaximumLengthAndValues) {
  const Dictionary& dictionary = GetParam();
  test::NFeSchemaLeaves& schema = Schema(dictionary);
  TvxnNFeDataSets ds;
  ds.SetVersaoEsquema(dictionary.esquema);
  ds.SetXMLDicionario(test::ShippedDictionary(dictionary.exportacao, dictionary.layout));
  const auto partGroups = PartGroups(dictionary.versao);
  int checked = 0;
  for (const auto& part : ds.GetListDataSets()) {
    auto groups = partGroups.find(part->Name());
    if (groups == partGroups.end()) {
      EXPECT_EQ(part->Name(), "MANAGER") << "part without a group of the layout";
      EXPECT_EQ(part->Fields().size(), 1u) << part->Name() << " declares fields of no group";
      continue;
    }
    for (std::size_t i = 0; i < part->Fields().size(); ++i) {
      const TXmlFieldNFe& field = part->XmlField(i);
      if (!field.Visible())
        continue;
      const bool element = field.TpNode() == "elemento";
      std::vector<std::string> found;
      bool sizeMatches = false;
      std::vector<std::string> permitted; // values some matching leaf of the schema permits
      for (const std::string& group : groups->second)
        for (const auto& leaf : schema.Leaves(group))
          if (leaf.attribute != element && leaf.path.ends_with("/" + Tag(field.FieldName()))) {
            found.push_back(group + leaf.path + " (" + Describe(leaf.maxLength) + ")");
            sizeMatches = sizeMatches || leaf.maxLength == field.TamanhoMapeadoDataSet();
            permitted.insert(permitted.end(), leaf.enumeration.begin(), leaf.enumeration.end());
          }
      EXPECT_FALSE(found.empty()) << part->Name() << "." << field.FieldName() << ": no "
                                  << (element ? "element" : "attribute") << " under its group";
      EXPECT_TRUE(found.empty() || sizeMatches)
          << part->Name() << "." << field.FieldName() << " tamanho " << field.TamanhoMapeadoDataSet()
          << ", schema: " << ::testing::PrintToString(found);
      // The declared values are the schema's.
      for (const std::string& value : field.Enum()) {
        EXPECT_NE(std::find(permitted.begin(), permitted.end(), value), permitted.end())
            << part->Name() << "." << field.FieldName() << ": " << value << " is not a value of the schema";
      }
      // Where one element of the schema matches, its whole enumeration is declared.
      if (found.size() == 1) {
        for (const std::string& value : permitted) {
          EXPECT_GE(field.Enum().IndexOf(value), 0)
              << part->Name() << "." << field.FieldName() << " lacks the schema's value " << value;
        }
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 380);
}

INSTANTIATE_TEST_SUITE_P(Dictionaries, DictionarySchemaTest,
                         ::testing::Values(Dictionary{"vm60", "4.00", pl_009g, false},
                                           Dictionary{"vm60", "4.00", pl_009g, true},
                                           Dictionary{"vm50a", "3.10", pl_008i2, false},
                                           Dictionary{"vm50a", "3.10", pl_008i2, true}),
                         [](const auto& info) {
                           return info.param.layout + (info.param.exportacao ? "Exportacao" : "Normal");
                         });

} // namespace
} // namespace vxn
