#include "update/install_id.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace swiftlane {
namespace {

TEST(InstallId, FormatPutsThePartsInOrder) {
  EXPECT_EQ(FormatInstallId({0x7FFFFFFE, {2026, 1, 2}, 0xFFFE, {13, 4, 5}, 0}),
            u"7FFFFFFE260102FFFE13040500000000");
  EXPECT_EQ(FormatInstallId({0xA, {1999, 12, 31}, 0x1, {0, 0, 59}, 0x0BCDEF12}),
            u"0000000A9912310001000059" u"0BCDEF12");
}

TEST(InstallId, RandomPartsStayInRangeAndFollowTheSeed) {
  SeedRandom(20261210);
  const std::u16string a = MakeInstallIdAt({2026, 12, 10}, {11, 22, 33});
  SeedRandom(20261210);
  const std::u16string b = MakeInstallIdAt({2026, 12, 10}, {11, 22, 33});
  EXPECT_EQ(a, b);
  ASSERT_EQ(a.size(), 32u);
  EXPECT_EQ(a.substr(8, 6), u"261210");
  EXPECT_EQ(a.substr(18, 6), u"112233");

  // The generator is shared by all threads: a seed set here decides the draws of another.
  SeedRandom(20261210);
  std::u16string fromThread;
  std::thread([&] { fromThread = MakeInstallIdAt({2026, 12, 10}, {11, 22, 33}); }).join();
  EXPECT_EQ(fromThread, a);

  std::set<std::u16string> seen;
  for (int i = 0; i < 2000; ++i) {
    const std::u16string id = MakeInstallIdAt({2026, 1, 1}, {0, 0, 0});
    ASSERT_EQ(id.size(), 32u);
    EXPECT_GE(id[0], u'0');
    EXPECT_LE(id[0], u'7');
    EXPECT_LE(id[24], u'7');
    EXPECT_NE(id.substr(14, 4), u"FFFF");
    for (char16_t c : id) EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'));
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 2000u);
}

TEST(InstallId, RandomBelowCoversSmallRangesEvenly) {
  SeedRandom(1);
  int counts[3] = {};
  for (int i = 0; i < 30000; ++i) ++counts[RandomBelow(3)];
  for (int c : counts) EXPECT_NEAR(c, 10000, 600);
  EXPECT_EQ(RandomBelow(1), 0u);
}

}  // namespace
}  // namespace swiftlane
