// A complete 4.00 document filled through the dataset as a host fills it: its infNFe must match,
// element by element, the document written by hand in tests/data, and, wrapped in NFe and signed with
// a development certificate, validate against the official schema and pass xmlsec1. Its exact text, and
// that of the benchmark's 10-item document with a second one built after it on the same dataset, are
// compared byte for byte with files in tests/data, so that any change to the fill or the emission code
// that alters a single byte shows (on a difference the text is written beside the program as .actual).
#include "support/DevPki.h"
#include "support/NFeDocumentFiller.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"

#include "datasets/vxnNFeDataSets.h"
#include "support/SignedNFeDocument.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace vxn {
namespace {

// Runs the fill of tests/datasets/data/nfe-completa-preenchimento.txt on the dataset.
void Fill(TvxnNFeDataSets& ds) {
  for (const std::string& line : test::Lines(ReadWholeFile(
           std::string(QVX_SOURCE_DIR) + "/tests/datasets/data/nfe-completa-preenchimento.txt"))) {
    const std::size_t eq = line.find('=');
    const std::string part =
        line.substr(line.find(' ') == std::string::npos ? line.size() : line.find(' ') + 1);
    if (line.empty() || line[0] == '#')
      continue;
    if (eq != std::string::npos)
      ds.Campo(line.substr(0, eq)).SetAsString(line.substr(eq + 1));
    else if (line.starts_with("IncluirPart "))
      ds.IncluirPart(part);
    else if (line.starts_with("SalvarPart "))
      ds.SalvarPart(part);
    else if (line == "IncluirItem")
      ds.IncluirItem();
    else if (line == "SalvarItem")
      ds.SalvarItem();
    else if (line == "IncluirCobranca")
      ds.IncluirCobranca();
    else if (line == "SalvarCobranca")
      ds.SalvarCobranca();
    else
      ADD_FAILURE() << "unknown fill line: " << line;
  }
}

std::string ReadData(const std::string& name) {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/" + name);
}

void ExpectSameText(const std::string& expectedFile, const std::string& actual) {
  const std::string expected = ReadData(expectedFile);
  ASSERT_FALSE(expected.empty()) << expectedFile;
  if (expected == actual)
    return;
  WriteFileAtomic(expectedFile + ".actual", actual);
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
    ++at;
  const std::size_t from = at > 60 ? at - 60 : 0;
  ADD_FAILURE() << expectedFile << " differs at byte " << at << "\n expected: ..."
                << expected.substr(from, 120) << "\n actual:   ..." << actual.substr(from, 120);
}

class XmlDocumentoCompletoTest : public ::testing::Test {
protected:
  void SetUp() override {
    ds.SetXMLDicionario(test::ShippedDictionary());
    ds.SetValidaRegrasNegocioQuorvant(true);
    ds.Incluir();
    Fill(ds);
    ds.Salvar();
    ASSERT_EQ(ds.GetLoteNFe().Count(), 1u);
    infNFe = ds.GetLoteNFe()[0];
  }

  TvxnNFeDataSets ds;
  std::string infNFe;
};

TEST_F(XmlDocumentoCompletoTest, MatchesTheDocumentWrittenFromTheLayout) {
  EXPECT_TRUE(infNFe.starts_with("<infNFe Id=\"NFe"));
  EXPECT_TRUE(infNFe.ends_with("</infNFe>"));
  // Nothing between elements, no declaration and no namespace in the text itself.
  EXPECT_EQ(infNFe.find('\n'), std::string::npos);
  EXPECT_EQ(infNFe.find("xmlns"), std::string::npos);
  EXPECT_EQ(test::XmlCanonicalForm(ReadData("nfe-xmlgen-completa-v4.00.xml")),
            test::XmlCanonicalForm(infNFe));
}

// Byte for byte: the comparison above ignores attribute order and how an empty element is written.
TEST_F(XmlDocumentoCompletoTest, KeepsItsExactText) {
  ExpectSameText("nfe-xmlgen-completa-texto.txt", infNFe + "\n");
}

// Every entry of the lot, one per line (the entries hold no line breaks). The next document reuses
// every part: handles go on counting, nothing of the first one may remain.
TEST(XmlTextoFixoTest, TheBenchmarkDocumentsKeepTheirExactText) {
  TvxnNFeDataSets ds;
  ds.SetXMLDicionario(test::ShippedDictionary());
  test::FillDocument(ds, 1, 10);
  ds.Salvar();
  test::FillDocument(ds, 2, 3);
  ds.Salvar();
  ASSERT_EQ(ds.GetLoteNFe().Count(), 2u);
  std::string text;
  for (const std::string& entry : ds.GetLoteNFe()) {
    EXPECT_EQ(entry.find('\n'), std::string::npos);
    text += entry + '\n';
  }
  ExpectSameText("nfe-xmlgen-10-itens-texto.txt", text);
}

TEST_F(XmlDocumentoCompletoTest, SignedItValidatesAgainstTheOfficialSchemaAndXmlsec1) {
  const test::DevPki& pki = test::SharedPki();
  const std::string signed_ = test::SignedInfNFe(infNFe, pki.ValidClientFile(), "1234");
  EXPECT_EQ(test::XmlSchemaErrors(signed_, test::FindSchema("nfe_v4.00.xsd")), "");
  EXPECT_EQ(test::XmlSec1VerifyErrors(signed_, pki.CaFile()), "");
}

TEST_F(XmlDocumentoCompletoTest, KeyFieldsAreWrittenBackToTheDataset) {
  ds.A()->First();
  ds.B()->First();
  const std::string id = ds.Campo("Id_A03").AsString();
  EXPECT_EQ(id.size(), 47u);
  EXPECT_EQ(ds.Campo("cNF_B03").AsString(), "01234567");
  EXPECT_EQ(ds.Campo("cDV_B23").AsString(), id.substr(46));
  // The key carries the zero-filled cNF and the document's number, series and issue type.
  EXPECT_EQ(id.substr(3 + 22, 3), "001");
  EXPECT_EQ(id.substr(3 + 25, 9), "000004321");
  EXPECT_EQ(id.substr(3 + 34, 1), "1");
  EXPECT_EQ(id.substr(3 + 35, 8), "01234567");
}

} // namespace
} // namespace vxn
