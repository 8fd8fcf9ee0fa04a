#include "vxnIniFile.h"
#include "support/TempDir.h"
#include "vxnNFeException.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::ReadFileOrEmpty;
using test::TempDir;

TEST(IniFileTest, NamesCompareWithoutCaseAndValuesKeepTheirBytes) {
  TvxnIniFile ini;
  ini.SetText("[nfe]\nuf=rs\nCaracteres=áçÕº\n");
  EXPECT_EQ(ini.ReadString("NFE", "UF", "SP"), "rs");
  EXPECT_EQ(ini.ReadString("Nfe", "CARACTERES", ""), "áçÕº");
  EXPECT_EQ(ini.ReadString("NFE", "Ausente", "padrão"), "padrão");
  EXPECT_TRUE(ini.SectionExists("NFE"));
  EXPECT_TRUE(ini.ValueExists("NFE", "Uf"));
  EXPECT_FALSE(ini.ValueExists("MAIL", "UF"));
  // Writing under another case replaces the existing key instead of adding a second one.
  ini.WriteString("NFE", "UF", "SP");
  EXPECT_EQ(ini.ReadSection("nfe"), (std::vector<std::string>{"uf", "Caracteres"}));
  EXPECT_EQ(ini.ReadString("nfe", "uf", ""), "SP");
}

TEST(IniFileTest, BooleansAreOneAndZeroAndIntegersFallBackOnGarbage) {
  TvxnIniFile ini;
  ini.WriteBool("S", "Sim", true);
  ini.WriteBool("S", "Nao", false);
  ini.WriteInteger("S", "N", -42);
  ini.WriteString("S", "Texto", "abc");
  ini.WriteString("S", "Dois", "2");
  EXPECT_EQ(ini.GetText(), "[S]\nSim=1\nNao=0\nN=-42\nTexto=abc\nDois=2\n");
  EXPECT_TRUE(ini.ReadBool("S", "Sim", false));
  EXPECT_FALSE(ini.ReadBool("S", "Nao", true));
  // Any integer other than 0 is true; text that is no integer gives the default.
  EXPECT_TRUE(ini.ReadBool("S", "Dois", false));
  EXPECT_TRUE(ini.ReadBool("S", "Texto", true));
  EXPECT_FALSE(ini.ReadBool("S", "Texto", false));
  EXPECT_EQ(ini.ReadInteger("S", "N", 0), -42);
  EXPECT_EQ(ini.ReadInteger("S", "Texto", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "Ausente", 30000), 30000);
}

TEST(IniFileTest, KeysAndSectionsKeepTheOrderOfFirstWrite) {
  TvxnIniFile ini;
  ini.WriteString("B", "z", "1");
  ini.WriteString("A", "y", "2");
  ini.WriteString("B", "a", "3");
  ini.WriteString("B", "z", "4");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"B", "A"}));
  EXPECT_EQ(ini.GetText(), "[B]\nz=4\na=3\n\n\n[A]\ny=2\n");
  EXPECT_EQ(ini.ReadSectionValues("B").Text(), "z=4\r\na=3\r\n");
  ini.DeleteKey("b", "Z");
  ini.EraseSection("a");
  EXPECT_EQ(ini.GetText(), "[B]\na=3\n");
}

TEST(IniFileTest, FileBackedObjectPersistsEveryWriteAndReadsBack) {
  TempDir dir;
  std::string path = dir.File("sub/config.ini");
  {
    TvxnIniFile ini(path);
    EXPECT_TRUE(ini.IsFileBacked());
    EXPECT_FALSE(std::filesystem::exists(path)); // nothing written yet
    ini.WriteString("NFE", "UF", "RS");
    EXPECT_EQ(ReadFileOrEmpty(path), "[NFE]\nUF=RS\n");
    ini.WriteBool("NFE", "ValidarEsquema", true);
    EXPECT_EQ(ReadFileOrEmpty(path), "[NFE]\nUF=RS\nValidarEsquema=1\n");
  }
  // Rewriting a value unchanged leaves the file alone.
  auto stamp = std::filesystem::last_write_time(path);
  std::filesystem::last_write_time(path, stamp - std::chrono::hours(1));
  {
    TvxnIniFile same(path);
    same.WriteString("NFE", "UF", "RS");
  }
  EXPECT_EQ(std::filesystem::last_write_time(path), stamp - std::chrono::hours(1));
  TvxnIniFile again(path);
  EXPECT_EQ(again.ReadString("nfe", "uf", ""), "RS");
  EXPECT_TRUE(again.ReadBool("NFE", "ValidarEsquema", false));
}

TEST(IniFileTest, CommentsOfAHandWrittenFileSurviveAWrite) {
  TvxnIniFile ini;
  ini.SetText("; configuração da filial\n[NFE]\n; estado\nUF=SP\n");
  ini.WriteString("NFE", "UF", "PR");
  EXPECT_EQ(ini.GetText(), "; configuração da filial\n\n\n[NFE]\n\n; estado\nUF=PR\n");
}

TEST(IniFileTest, ReadsWindowsLineEndsAndAByteOrderMark) {
  TempDir dir;
  std::string path = dir.File("win.ini");
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("\xEF\xBB\xBF[NFE]\r\nUF=MG\r\nCNPJ=12345678000195\r\n", f);
    std::fclose(f);
  }
  TvxnIniFile ini(path);
  EXPECT_EQ(ini.ReadString("NFE", "UF", ""), "MG");
  EXPECT_EQ(ini.ReadString("NFE", "CNPJ", ""), "12345678000195");
}

// A section line missing its "]" names the section by the rest of its line (ended by LF, CR LF or a lone
// CR, as SimpleIni ends lines): the keys after it, and the sections after them, stay where they are
// written and survive a save, instead of vanishing into a section name that runs on to the next "]".
TEST(IniFileTest, ASectionLineWithoutItsBracketEndsAtTheLineEnd) {
  for (const char* text : {"[NFE]\r\nUF=SP\r\n[DANFE\r\nFrenteVerso=1\r\n[MAIL]\nPorta=587\n",
                           "[NFE]\nUF=SP\n[DANFE\rFrenteVerso=1\n[MAIL]\nPorta=587\n"}) {
    TvxnIniFile ini;
    ini.SetText(text);
    for (int pass = 0; pass < 2; ++pass) {
      SCOPED_TRACE(testing::Message() << "pass " << pass << " of " << testing::PrintToString(text));
      EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"NFE", "DANFE", "MAIL"}));
      EXPECT_EQ(ini.ReadString("NFE", "UF", ""), "SP");
      EXPECT_EQ(ini.ReadString("DANFE", "FrenteVerso", ""), "1");
      EXPECT_EQ(ini.ReadString("MAIL", "Porta", ""), "587");
      ini.SetText(ini.GetText());
    }
  }
}

TEST(IniFileTest, BatchWritesTheFileOnceAtTheEnd) {
  TempDir dir;
  std::string path = dir.File("batch.ini");
  TvxnIniFile ini(path);
  {
    TvxnIniFile::UpdateBatch batch(ini);
    ini.WriteString("A", "x", "1");
    ini.WriteString("A", "y", "2");
    EXPECT_FALSE(std::filesystem::exists(path));
    batch.Commit();
  }
  EXPECT_EQ(ReadFileOrEmpty(path), "[A]\nx=1\ny=2\n");
  // A batch ended by an exception still persists what was written before it.
  try {
    TvxnIniFile::UpdateBatch batch(ini);
    ini.WriteString("A", "z", "3");
    throw std::runtime_error("falha");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(ReadFileOrEmpty(path), "[A]\nx=1\ny=2\nz=3\n");
}

TEST(IniFileTest, AFileThatCannotBeWrittenRaises) {
  TempDir dir;
  std::string blocker = dir.File("arquivo");
  {
    std::FILE* f = std::fopen(blocker.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  // The parent "folder" is a file: the write cannot succeed and must say so.
  TvxnIniFile ini(blocker + "/config.ini");
  EXPECT_THROW(ini.WriteString("A", "x", "1"), EvxnException);
}

} // namespace
} // namespace vxn
