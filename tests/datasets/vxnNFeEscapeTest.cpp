#include "datasets/vxnNFeEscape.h"

#include <gtest/gtest.h>

namespace vxn {
namespace {

TEST(NFeEscapeTest, EscapesTheFiveCharacters) {
  EXPECT_EQ(EscaparTextoXML("a'b\"c<d>e&f"), "a&apos;b&quot;c&lt;d&gt;e&amp;f");
  EXPECT_EQ(EscaparTextoXML("sem nada"), "sem nada");
  EXPECT_EQ(EscaparTextoXML("ação & reação"), "ação &amp; reação");
}

TEST(NFeEscapeTest, AlreadyEscapedTextAndCharacterReferencesPassUnchanged) {
  for (const char* text : {"Tom &amp; Jerry", "&lt;b&gt;", "&apos;x&quot;", "caf&#233;", "&#x41;BC", "&AMP;"})
    EXPECT_EQ(EscaparTextoXML(EscaparTextoXML(text)), EscaparTextoXML(text)) << text;
  EXPECT_EQ(EscaparTextoXML("Tom &amp; Jerry"), "Tom &amp; Jerry");
  EXPECT_EQ(EscaparTextoXML("caf&#233; & ch&#xE1;"), "caf&#233; &amp; ch&#xE1;");
  // Only the lower-case entity names are predefined: "&AMP;" is an ampersand followed by text.
  EXPECT_EQ(EscaparTextoXML("&AMP;"), "&amp;AMP;");
}

TEST(NFeEscapeTest, EntityTestIgnoresCase) {
  EXPECT_TRUE(ContemEntidadeXML("a &AMP; b"));
  EXPECT_TRUE(ContemEntidadeXML("&quot;"));
  EXPECT_FALSE(ContemEntidadeXML("&#233; & ;amp"));
}

} // namespace
} // namespace vxn
