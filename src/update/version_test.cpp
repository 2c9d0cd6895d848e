#include "update/version.h"

#include <gtest/gtest.h>

namespace swiftlane {
namespace {

TEST(FormatVersion, Table) {
  const VersionNumbers v{1, 5, 7, 0};
  const struct {
    std::u16string format, expected;
  } cases[] = {
      {u"%d.%d.%d.%d", u"1.5.7.0"},
      {u"v%d.%d", u"v1.5"},
      {u"%d.%d.%d.%d.%d", u"1.5.7.0."},  // a fifth conversion has no number
      {u"%02d-%3u|%x", u"01-  5|7"},
      {u"100%% %s %", u"100% %s %"},      // unknown conversions stand as they are
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatVersion(c.format, v), c.expected);
  EXPECT_EQ(FormatVersion(u"%d.%d.%d.%d", {65535, 0, 65535, 1}), u"65535.0.65535.1");
  EXPECT_EQ(FormatVersion(u"%X", {0xABC, 0, 0, 0}), u"ABC");
}

}  // namespace
}  // namespace swiftlane
