// XML Schema validation against the official NF-e schemas, the error list, and the compiled-schema cache.
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::TempDir;

const std::string kVm60 = std::string(QVX_SCHEMAS_DIR) + "/vm60/";

std::string ReadSample() {
  return test::ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml");
}

std::string Replace1(std::string s, const std::string& from, const std::string& to) {
  const std::size_t pos = s.find(from);
  EXPECT_NE(pos, std::string::npos) << from;
  return pos == std::string::npos ? s : s.replace(pos, from.size(), to);
}

// The sample naming its schema file in xsi:schemaLocation.
std::string Located(const std::string& sample) {
  return Replace1(sample, "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">",
                  "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
                  "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                  "xsi:schemaLocation=\"http://www.portalfiscal.inf.br/nfe nfe_v4.00.xsd\">");
}

std::vector<std::string> ListXsd(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string_view(e->d_name).ends_with(".xsd"))
        names.emplace_back(e->d_name);
    closedir(d);
  }
  return names;
}

std::size_t LineOf(const std::string& text, const std::string& needle) {
  const std::size_t pos = text.find(needle);
  return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<long>(pos), '\n'));
}

TEST(GovUtilsSchema, HandWrittenSampleIsValidAgainstTheOfficialSchema) {
  const std::string sample = ReadSample();
  ASSERT_NE(sample.find("<infNFe versao=\"4.00\""), std::string::npos);
  TvxnGovUtils u;
  EXPECT_NO_THROW(u.ValidateSchema(sample, kNFeNamespace, kVm60 + "nfe_v4.00.xsd"));
  EXPECT_TRUE(u.Get_ValidatorErrors().Empty());
  // A relative path is taken from the program directory, where the build copied data/.
  EXPECT_NO_THROW(u.ValidateSchema(sample, "", "Esquemas/vm60/nfe_v4.00.xsd"));
  EXPECT_NO_THROW(u.ValidateSchema(sample, "", "Esquemas\\vm60\\nfe_v4.00.xsd"));
}

TEST(GovUtilsSchema, BrokenDocumentListsEveryErrorWithItsLineAndElement) {
  const std::string sample = ReadSample();
  // Two faults: an issuer name over 60 characters and an item without its CFOP.
  std::string broken = Replace1(sample, "<xNome>PAPELARIA SÃO JOÃO LTDA</xNome>",
                                "<xNome>" + std::string(61, 'X') + "</xNome>");
  broken = Replace1(broken, "<CFOP>5102</CFOP>", "");
  TvxnGovUtils u;
  const Refusal r = RefusalOf([&] { u.ValidateSchema(broken, kNFeNamespace, kVm60 + "nfe_v4.00.xsd"); });
  EXPECT_EQ(r.className, "EvxnNFeSchemaValidationException");
  EXPECT_TRUE(r.message.starts_with("XML não é válido segundo o esquema nfe_v4.00.xsd:\r\n")) << r;
  EXPECT_NE(r.message.find("xNome"), std::string::npos);
  const TvxnStringList& errors = u.Get_ValidatorErrors();
  ASSERT_EQ(errors.Count(), 2u) << errors.Text();
  const std::string nameLine =
      Format("Linha %d: ", {static_cast<long long>(LineOf(broken, std::string(61, 'X')))});
  EXPECT_TRUE(errors[0].starts_with(nameLine + "Element '{http://www.portalfiscal.inf.br/nfe}xNome'"))
      << errors[0];
  EXPECT_NE(errors[0].find("maxLength"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("'{http://www.portalfiscal.inf.br/nfe}uCom'"), std::string::npos) << errors[1];
  EXPECT_NE(errors[1].find("CFOP"), std::string::npos) << errors[1];

  // The next validation starts with an empty list.
  EXPECT_NO_THROW(u.ValidateSchema(sample, kNFeNamespace, kVm60 + "nfe_v4.00.xsd"));
  EXPECT_TRUE(u.Get_ValidatorErrors().Empty());
}

TEST(GovUtilsSchema, MissingSchemaWrongNamespaceAndNotXml) {
  const std::string sample = ReadSample();
  TvxnGovUtils u;
  EXPECT_EQ(RefusalOf([&] { u.ValidateSchema(sample, kNFeNamespace, kVm60 + "nao_existe.xsd"); }),
            (Refusal{"EvxnNFeSchemaNotFoundException",
                     "Arquivo de esquema não encontrado: " + kVm60 + "nao_existe.xsd"}));
  EXPECT_THROW(u.ValidateSchema(sample, "urn:outro", kVm60 + "nfe_v4.00.xsd"),
               EvxnNFeSchemaValidationException);
  // A document of another kind: the root has no declaration in this schema.
  EXPECT_THROW(u.ValidateSchema(sample, kNFeNamespace, kVm60 + "consStatServ_v4.00.xsd"),
               EvxnNFeSchemaValidationException);
  EXPECT_EQ(u.Get_ValidatorErrors().Count(), 1u);
  const Refusal r =
      RefusalOf([&] { u.ValidateSchema("<NFe>\n<a></NFe>", kNFeNamespace, kVm60 + "nfe_v4.00.xsd"); });
  EXPECT_EQ(r.className, "EvxnNFeSchemaValidationException");
  EXPECT_TRUE(r.message.starts_with("XML inválido: ")) << r;
  ASSERT_EQ(u.Get_ValidatorErrors().Count(), 1u);
  EXPECT_TRUE(u.Get_ValidatorErrors()[0].starts_with("Linha 2: ")) << u.Get_ValidatorErrors()[0];
}

TEST(GovUtilsSchema, ByDirectoryUsesTheFileNamedInSchemaLocation) {
  const std::string sample = ReadSample();
  TvxnGovUtils u;
  const std::string located = Located(sample);
  EXPECT_NO_THROW(u.ValidateSchemaByDirectory(located, kVm60));
  EXPECT_NO_THROW(u.ValidateSchemaByDirectory(located, "Esquemas/vm60")); // no trailing separator, relative
  // Only the file name counts: a remote location is looked up in the local directory.
  EXPECT_NO_THROW(u.ValidateSchemaByDirectory(
      Replace1(located, "nfe nfe_v4.00.xsd", "nfe http://example.invalid/esquemas/nfe_v4.00.xsd"), kVm60));
  EXPECT_THROW(u.ValidateSchemaByDirectory(Replace1(located, "<CFOP>5102</CFOP>", ""), kVm60),
               EvxnNFeSchemaValidationException);
  EXPECT_FALSE(u.Get_ValidatorErrors().Empty());
  EXPECT_EQ(
      RefusalOf([&] { u.ValidateSchemaByDirectory(sample, kVm60); }),
      (Refusal{"EvxnNFeSchemaValidationException", "O XML não indica o seu esquema (schemaLocation)."}));
  EXPECT_THROW(u.ValidateSchemaByDirectory(Replace1(located, "nfe_v4.00.xsd\"", "nfe_v9.99.xsd\""), kVm60),
               EvxnNFeSchemaNotFoundException);
}

// By directory, only the root's start tag is read before the validation when the named schema is
// there; a document that is not well formed past that point is refused with the message and line the
// full parse gives (which is what a document naming a missing schema still goes through).
TEST(GovUtilsSchema, ByDirectoryReportsABrokenDocumentAsTheFullParseDoes) {
  const std::string sample = ReadSample();
  const std::string located = Located(sample);
  const auto outcome = [](const std::string& doc) {
    TvxnGovUtils u;
    try {
      u.ValidateSchemaByDirectory(doc, kVm60);
      return std::string("valid");
    } catch (const EvxnNFeException& e) {
      return e.Message() + "|" + u.Get_ValidatorErrors().Text();
    }
  };
  const std::vector<std::string> broken = {Replace1(located, "</emit>", "</emitente>"),
                                           Replace1(located, "<CFOP>5102</CFOP>", "<CFOP>5102</CFOP"),
                                           Replace1(located, "<xNome>", "<xNome a=\"1\" a=\"2\">"),
                                           Replace1(located, "</NFe>", ""),
                                           Replace1(located, "</NFe>", "</NFe><NFe/>"),
                                           Replace1(located, "BELA VISTA", "BELA & VISTA")};
  for (const std::string& doc : broken) {
    const std::string viaValidation = outcome(doc);
    EXPECT_TRUE(viaValidation.starts_with("XML inválido: ")) << viaValidation;
    EXPECT_EQ(viaValidation, outcome(Replace1(doc, "nfe nfe_v4.00.xsd\"", "nfe nfe_v9.99.xsd\"")));
  }
  // A location written with a character reference, and a document type declaration, take the full
  // parse: the first is valid, the second refused for its declaration.
  EXPECT_EQ(outcome(Replace1(located, "nfe nfe_v4.00.xsd", "nfe&#32;nfe_v4.00.xsd")), "valid");
  const std::string doctype = outcome("<!DOCTYPE NFe>\n" + located);
  EXPECT_NE(doctype.find("DOCTYPE"), std::string::npos) << doctype;
}

void WriteSchema(const std::string& path, int maxLength, time_t mtime) {
  std::ofstream(path, std::ios::binary)
      << "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" targetNamespace=\"urn:t\" "
         "elementFormDefault=\"qualified\"><xs:element name=\"a\"><xs:simpleType><xs:restriction "
         "base=\"xs:string\">"
         "<xs:maxLength value=\""
      << maxLength << "\"/></xs:restriction></xs:simpleType></xs:element></xs:schema>";
  const timespec times[2] = {{mtime, 0}, {mtime, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(GovUtilsSchema, ASchemaFileThatChangesIsCompiledAgain) {
  TempDir dir;
  const std::string xsd = dir.File("t.xsd");
  WriteSchema(xsd, 3, 1'700'000'000);
  TvxnGovUtils u;
  const std::string doc = "<a xmlns=\"urn:t\">abcd</a>";
  EXPECT_THROW(u.ValidateSchema(doc, "urn:t", xsd), EvxnNFeSchemaValidationException);
  WriteSchema(xsd, 5, 1'700'000'100);
  EXPECT_NO_THROW(u.ValidateSchema(doc, "urn:t", xsd));
  // Same modification time: the compiled form in the cache is used, the file is not read again.
  WriteSchema(xsd, 2, 1'700'000'100);
  EXPECT_NO_THROW(u.ValidateSchema(doc, "urn:t", xsd));
  TvxnGovUtils::ClearSchemaCache();
  EXPECT_THROW(u.ValidateSchema(doc, "urn:t", xsd), EvxnNFeSchemaValidationException);
  // A schema that does not compile raises with the compiler's errors.
  std::ofstream(xsd, std::ios::binary)
      << "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element/></xs:schema>";
  const Refusal r = RefusalOf([&] { u.ValidateSchema(doc, "", xsd); });
  EXPECT_EQ(r.className, "EvxnNFeSchemaValidationException");
  EXPECT_TRUE(r.message.starts_with("O esquema " + xsd + " não pôde ser compilado:")) << r;
  EXPECT_FALSE(u.Get_ValidatorErrors().Empty());
}

// The errors of `doc` against the NF-e schema, as one text ("" when valid).
std::string ErrorsOf(TvxnGovUtils& u, const std::string& doc) {
  try {
    u.ValidateSchema(doc, kNFeNamespace, kVm60 + "nfe_v4.00.xsd");
  } catch (const EvxnNFeSchemaValidationException&) {
    EXPECT_FALSE(u.Get_ValidatorErrors().Empty());
  }
  return u.Get_ValidatorErrors().Text();
}

// Parsers and validators are kept for the next call after a validation that went well. Whatever
// came before, a validation reports what a first validation in a new process reports.
TEST(GovUtilsSchema, AValidationAfterOthersReportsWhatAFirstOneReports) {
  const std::string sample = ReadSample();
  const std::string broken =
      Replace1(Replace1(sample, "<CFOP>5102</CFOP>", ""), "<UF>SP</UF>", "<UF>XX</UF>");
  TvxnGovUtils u;
  TvxnGovUtils::ClearSchemaCache();
  const std::string first = ErrorsOf(u, broken);
  ASSERT_EQ(u.Get_ValidatorErrors().Count(), 2u) << first;
  const std::string notWellFormed = Replace1(sample, "</emit>", "</emitente>");
  TvxnGovUtils::ClearSchemaCache();
  const std::string firstNotWellFormed = ErrorsOf(u, notWellFormed);
  ASSERT_TRUE(firstNotWellFormed.starts_with(
      Format("Linha %d: ", {static_cast<long long>(LineOf(notWellFormed, "</emitente>"))})))
      << firstNotWellFormed;

  // Valid documents, then a refused DOCTYPE, a document cut short and one that is not XML at all.
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(ErrorsOf(u, sample), "");
  EXPECT_NE(ErrorsOf(u, "<!DOCTYPE NFe [<!ENTITY e \"x\">]>\n" + sample), "");
  EXPECT_NE(ErrorsOf(u, sample.substr(0, sample.size() / 2)), "");
  EXPECT_NE(ErrorsOf(u, "texto"), "");
  EXPECT_EQ(ErrorsOf(u, sample), "");
  // Same errors on the same lines as the first time, twice in a row, and valid again after them.
  EXPECT_EQ(ErrorsOf(u, broken), first);
  EXPECT_EQ(ErrorsOf(u, sample), "");
  EXPECT_EQ(ErrorsOf(u, broken), first);
  EXPECT_EQ(ErrorsOf(u, notWellFormed), firstNotWellFormed);
  EXPECT_EQ(ErrorsOf(u, sample), "");
  // Another object gets the kept parser and validator with its own error list.
  TvxnGovUtils other;
  EXPECT_EQ(ErrorsOf(other, broken), first);
  EXPECT_EQ(u.Get_ValidatorErrors().Text(), "");
}

// Every name a document uses stays in the parser's dictionary, and libxml2 refuses a document once
// that dictionary has grown past 10 MB. Documents that each bring names of their own (here a long
// namespace prefix) must not add up in a parser kept from call to call.
TEST(GovUtilsSchema, KeptParsersDoNotAccumulateTheNamesOfEveryDocument) {
  const std::string sample = ReadSample();
  const std::string root = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
  TvxnGovUtils u;
  int refused = 0;
  for (int i = 0; i < 2000; ++i) {
    const std::string prefix = "p" + std::to_string(i) + std::string(10000, 'x');
    try {
      u.ValidateSchema(Replace1(sample, root, root + " xmlns:" + prefix + "=\"urn:p\""), kNFeNamespace,
                       kVm60 + "nfe_v4.00.xsd");
    } catch (const EvxnNFeSchemaValidationException& e) {
      if (++refused == 1)
        ADD_FAILURE() << "document " << i << ": " << e.Message();
    }
  }
  EXPECT_EQ(refused, 0);
}

// Threads validating at once, each with its own object and the compiled schema shared, each get the
// errors of their own document, never another's.
TEST(GovUtilsSchema, ThreadsValidatingAtOnceGetTheirOwnErrors) {
  const std::string sample = ReadSample();
  const std::vector<std::string> docs = {sample, Replace1(sample, "<CFOP>5102</CFOP>", ""),
                                         Replace1(sample, "<UF>SP</UF>", "<UF>XX</UF>"),
                                         Replace1(sample, "</emit>", "</emitente>")};
  std::vector<std::string> expected;
  {
    TvxnGovUtils u;
    for (const std::string& d : docs)
      expected.push_back(ErrorsOf(u, d));
  }
  ASSERT_EQ(expected[0], "");
  ASSERT_NE(expected[1], expected[2]);
  TvxnGovUtils::ClearSchemaCache(); // the threads compile the schema they share at once
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      TvxnGovUtils u;
      for (int i = 0; i < 40; ++i) {
        const std::size_t k = static_cast<std::size_t>(i + t) % docs.size();
        if (ErrorsOf(u, docs[k]) != expected[k])
          ++wrong;
      }
    });
  for (auto& th : threads)
    th.join();
  EXPECT_EQ(wrong.load(), 0);
}

} // namespace
} // namespace vxn

namespace vxn {
namespace {

// Every schema the shipped mapping files name exists and compiles (the validator gets as far as
// judging a document, and refuses one that is none of its documents).
TEST(GovUtilsSchema, EverySchemaOfTheShippedMappingsCompiles) {
  TvxnGovUtils u;
  int checked = 0;
  for (const char* version : {"vm60", "vm50a"}) {
    const std::string dir = std::string(QVX_SCHEMAS_DIR) + "/" + version + "/";
    TvxnStringList mapping;
    mapping.SetText(test::ReadFileOrEmpty(dir + "Mapping.txt"));
    ASSERT_GE(mapping.Count(), 8u) << dir;
    EXPECT_EQ(mapping[0], "[ValidarXML]");
    for (std::size_t i = 1; i < mapping.Count(); ++i) {
      const std::string xsd = dir + mapping.ValueFromIndex(i);
      try {
        u.ValidateSchema("<nada xmlns=\"http://www.portalfiscal.inf.br/nfe\"/>", kNFeNamespace, xsd);
        ADD_FAILURE() << xsd << " accepted a document it does not declare";
      } catch (const EvxnNFeSchemaValidationException& e) {
        EXPECT_TRUE(e.Message().starts_with("XML não é válido segundo o esquema "))
            << xsd << ": " << e.Message();
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 38); // 19 commands in each folder: requests, events and distribution
}

} // namespace
} // namespace vxn

namespace vxn {
namespace {

// Where the official packages sit beside the source tree (as they do for CI), the sample validates
// against both 4.00 layouts and every shipped copy is identical to its original: vm60 is the current
// package (PL_010), vm50a the 3.10 layout of PL_009.
TEST(GovUtilsSchema, ShippedSchemasAreTheOfficialOnes) {
  const std::string packages = std::string(QVX_SOURCE_DIR) + "/../shared/schemas/";
  const std::string pl009 = packages + "PL_009_V4/";
  const std::string pl010 = packages + "PL_010_V1.30/";
  if (test::ReadFileOrEmpty(pl010 + "nfe_v4.00.xsd").empty())
    GTEST_SKIP() << "no official schema packages beside the source tree";
  TvxnGovUtils u;
  EXPECT_NO_THROW(u.ValidateSchema(ReadSample(), kNFeNamespace, pl009 + "nfe_v4.00.xsd"));
  EXPECT_NO_THROW(u.ValidateSchema(ReadSample(), kNFeNamespace, pl010 + "nfe_v4.00.xsd"));
  int compared = 0;
  for (const auto& [version, official] : {std::pair{"vm60", pl010}, std::pair{"vm50a", pl009}}) {
    const std::string dir = std::string(QVX_SCHEMAS_DIR) + "/" + version + "/";
    for (const std::string& name : ListXsd(dir)) {
      EXPECT_EQ(test::ReadFileOrEmpty(dir + name), test::ReadFileOrEmpty(official + name))
          << version << "/" << name;
      ++compared;
    }
  }
  EXPECT_GT(compared, 40);
}

} // namespace
} // namespace vxn
