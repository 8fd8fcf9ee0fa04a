#include "datasets/vxnMapaNomes.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace vxn {
namespace {

// Two names the comparison takes as equal must hash alike, or a lookup in another case would miss:
// every pair of byte values, at each position of an eight-byte word and in the last, partial one, and
// in names shorter than a word (read in halves, or byte by byte below four bytes).
TEST(MapaNomesTest, HashAgreesWithTheComparisonForEveryByteAtEveryPosition) {
  const TvxnNomeHash hash;
  const TvxnNomeIgual igual;
  for (auto [length, pos] : {std::pair<std::size_t, std::size_t>{13, 0},
                             {13, 3},
                             {13, 7},
                             {13, 8},
                             {13, 12},
                             {5, 0},
                             {5, 2},
                             {5, 4},
                             {3, 0},
                             {3, 1},
                             {3, 2},
                             {1, 0}}) {
    std::string a(length, 'q'), b(length, 'Q');
    for (int x = 0; x < 256; ++x)
      for (int y = 0; y < 256; ++y) {
        a[pos] = static_cast<char>(x);
        b[pos] = static_cast<char>(y);
        const bool same = SameText(a, b);
        ASSERT_EQ(igual(a, b), same) << length << ' ' << pos << ' ' << x << ' ' << y;
        if (same) {
          ASSERT_EQ(hash(a), hash(b)) << length << ' ' << pos << ' ' << x << ' ' << y;
        }
      }
  }
  // Bytes next to the letter ranges and UTF-8 letters are not folded.
  EXPECT_FALSE(igual("A@", "A`"));
  EXPECT_FALSE(igual("x[", "x{"));
  EXPECT_FALSE(igual("ação", "AÇÃO"));
  EXPECT_TRUE(igual("ação", "AçãO"));
}

TEST(MapaNomesTest, FindsInAnyCaseKeepsTheFirstEntryAndSurvivesGrowth) {
  TvxnMapaNomes<int> mapa;
  EXPECT_EQ(mapa.find("x"), mapa.end());
  for (int i = 0; i < 1000; ++i)
    EXPECT_TRUE(mapa.try_emplace("CAMPO_" + std::to_string(i), i).second);
  EXPECT_FALSE(mapa.try_emplace("campo_7", -1).second);
  EXPECT_FALSE(mapa.emplace("Campo_7", -2).second);
  EXPECT_EQ(mapa.size(), 1000u);
  for (int i = 0; i < 1000; ++i) {
    const auto* entry = mapa.find("campo_" + std::to_string(i));
    ASSERT_NE(entry, mapa.end()) << i;
    EXPECT_EQ(entry->second, i);
    EXPECT_EQ(entry->first, "CAMPO_" + std::to_string(i));
  }
  EXPECT_EQ(mapa.find("campo_1000"), mapa.end());
  EXPECT_EQ(mapa.find("campo_"), mapa.end());
  EXPECT_EQ(mapa.find(""), mapa.end());
  mapa.clear();
  EXPECT_EQ(mapa.find("campo_1"), mapa.end());
  EXPECT_TRUE(mapa.try_emplace("", 5).second);
  EXPECT_EQ(mapa.find("")->second, 5);
}

} // namespace
} // namespace vxn
