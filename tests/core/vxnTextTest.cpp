#include "vxnText.h"
#include "support/ProgramHome.h"
#include "vxnFormat.h"
#include "vxnPaths.h"
#include "vxnStringList.h"
#include "vxnStringListText.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace vxn {
namespace {

TEST(Utf8, CountsCutsAndPadsCharactersNotBytes) {
  const std::string s = "Ação ©€𝄞x"; // 2- 3- and 4-byte sequences
  EXPECT_EQ(Utf8Length(s), 9u);
  EXPECT_EQ(Utf8Left(s, 3), "Açã");
  EXPECT_EQ(Utf8Mid(s, 5, 2), "©€");
  EXPECT_EQ(Utf8Mid(s, 7), "𝄞x");
  EXPECT_EQ(Utf8Find(s, "€"), 6u);
  EXPECT_EQ(Utf8Find(s, "z"), std::string::npos);
  EXPECT_EQ(Utf8PadLeft("é", 3, '0'), "00é");
  EXPECT_EQ(Utf8PadRight("é", 3), "é  ");
  EXPECT_EQ(U32ToUtf8(Utf8ToU32(s)), s);
}

TEST(Utf8, BrokenSequencesNeverShortenTheCount) {
  std::string broken = "a\xC3"
                       "b\xE2\x82"; // truncated 2- and 3-byte sequences
  EXPECT_EQ(Utf8Length(broken), 5u);
  EXPECT_EQ(Utf8Left(broken, 2), "a\xC3");
}

TEST(TextHelpers, TrimCaseAndNumbers) {
  EXPECT_EQ(Trim("\t  x y \r\n"), "x y");
  EXPECT_EQ(AsciiUpper("svcan-é"), "SVCAN-é");
  EXPECT_TRUE(SameText("NfeStatusServico4", "nfestatusservico4"));
  EXPECT_EQ(StrToIntDef(" 42 ", -1), 42);
  EXPECT_EQ(StrToIntDef("4x2", -1), -1);
  EXPECT_EQ(StrToIntDef("", 7), 7);
  EXPECT_EQ(ReplaceAll("a&b&c", "&", "&amp;"), "a&amp;b&amp;c");
  EXPECT_EQ(Split("D|1||", '|').size(), 4u);
}

TEST(Format, PrintfSlotsAndMismatchesKeepTheMessage) {
  EXPECT_EQ(Format("%s-%d-%2.2d-%.2f", {"a", 5, 3, 1.5}), "a-5-03-1.50");
  std::string odd = Format("%d", {"texto"});
  EXPECT_NE(odd.find("texto"), std::string::npos);
}

TEST(StringList, TextIsCrLfJoinedAndRowsCompareWithoutCase) {
  TvxnStringList l;
  l.SetText("UF=RS\nAmbiente=2\r\nvazio\rfim");
  ASSERT_EQ(l.Count(), 4u);
  EXPECT_EQ(l.Text(), "UF=RS\r\nAmbiente=2\r\nvazio\r\nfim\r\n");
  EXPECT_EQ(l.Value("uf"), "RS");
  l.SetValue("AMBIENTE", "1");
  EXPECT_EQ(l[1], "AMBIENTE=1");
  l.SetValue("Novo", "x");
  EXPECT_EQ(l.Count(), 5u);
  l.SetValue("novo", "");
  EXPECT_EQ(l.Count(), 4u);
  EXPECT_EQ(l.IndexOf("VAZIO"), 2);
  EXPECT_EQ(l.Join("|"), "UF=RS|AMBIENTE=1|vazio|fim");
}

TEST(StringList, LinesTextIsTheTextOfTheListSetToIt) {
  for (const std::string_view t : {"", "a", "\n", "\r", "\r\n", "a\n", "a\r", "a\r\n", "a\n\n", "a\r\r\nb",
                                   "\r\n\r", "\n\r", "a\r\n\nb\rc\n\rd", "<x>é</x>\n\n\n", "sem fim\r\nx"}) {
    TvxnStringList l;
    l.SetText(t);
    EXPECT_EQ(StringListText(t), l.Text()) << t;
  }
  EXPECT_EQ(StringListText("a\rb\nc\r\n"), "a\r\nb\r\nc\r\n");
}

TEST(Paths, ProgramDirectoryAndExpansion) {
  {
    test::ProgramHome home; // QUORVANT_NFE_HOME names the program directory
    EXPECT_EQ(ProgramDirectory(), home.Path());
    EXPECT_EQ(ExpandPath("Templates\\vm60\\"), home.Path() + "Templates/vm60/");
  }
  EXPECT_EQ(ExpandPath("/a/b/../c/./d"), "/a/c/d");
  EXPECT_EQ(ExpandPath(""), "");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x"), "C:/x/");
  EXPECT_EQ(ExtractFileName("/a/b/c.xml"), "c.xml");
  EXPECT_EQ(ExtractFilePath("/a/b/c.xml"), "/a/b/");

  // Without it, the executable's folder.
  const std::string home = std::getenv("QUORVANT_NFE_HOME");
  ::unsetenv("QUORVANT_NFE_HOME");
  const std::string withoutHome = ProgramDirectory();
  ::setenv("QUORVANT_NFE_HOME", home.c_str(), 1);
  EXPECT_EQ(withoutHome, std::string(QVX_BIN_DIR) + "/");
}

} // namespace
} // namespace vxn
