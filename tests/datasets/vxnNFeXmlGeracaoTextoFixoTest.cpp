// The exact text of generated documents, byte for byte, against files kept in tests/data: the
// benchmark's 10-item document, a second document built after it on the same dataset, and the complete
// document of vxnNFeXmlGeracaoDocumentoTest. The element comparisons of the other tests allow
// differences that a host would still see (attribute order, an empty element written short); these
// do not, so that any change to the fill or the emission code that alters a single byte shows here.
// On a difference the generated text is written next to the test program as <file>.actual.
#include "support/NFeDocumentFiller.h"

#include "datasets/vxnNFeDataSets.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace vxn {
namespace {

std::string DataFile(const std::string& name) {
  return std::string(QVX_SOURCE_DIR) + "/tests/data/" + name;
}

// Every entry of the lot, one per line (the entries hold no line breaks).
std::string LotText(TvxnNFeDataSets& ds) {
  std::string text;
  for (const std::string& entry : ds.GetLoteNFe()) {
    EXPECT_EQ(entry.find('\n'), std::string::npos);
    text += entry;
    text += '\n';
  }
  return text;
}

void ExpectSameText(const std::string& expectedFile, const std::string& actual) {
  const std::string expected = ReadWholeFile(DataFile(expectedFile));
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

TEST(XmlTextoFixoTest, TheBenchmarkDocumentsKeepTheirExactText) {
  TvxnNFeDataSets ds;
  ds.SetXMLDicionario(test::ShippedDictionary());
  test::FillDocument(ds, 1, 10);
  ds.Salvar();
  // The next document reuses every part: handles go on counting, nothing of the first one may remain.
  test::FillDocument(ds, 2, 3);
  ds.Salvar();
  ASSERT_EQ(ds.GetLoteNFe().Count(), 2u);
  ExpectSameText("nfe-xmlgen-10-itens-texto.txt", LotText(ds));
}

} // namespace
} // namespace vxn
