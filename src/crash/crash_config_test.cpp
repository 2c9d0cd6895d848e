#include "crash/crash_config.h"

#include <gtest/gtest.h>

namespace swiftlane::crash {
namespace {

TEST(CrashPlaceholders, FirstOccurrenceOfEachAndValuesAreNotExpandedAgain) {
  TPlaceholders values = {{u"%appname%", u"swiftlane.exe"}, {u"%exceptMsg%", u"bad %appname% value"}, {u"%LF%", u"\r\n"}};
  EXPECT_EQ(ReplacePlaceholders(u"%appname%", values), u"swiftlane.exe");
  EXPECT_EQ(ReplacePlaceholders(u"%appname% and %appname%", values), u"swiftlane.exe and %appname%");
  EXPECT_EQ(ReplacePlaceholders(u"%exceptMsg%%LF%%appname%", values), u"bad %appname% value\r\nswiftlane.exe");
  EXPECT_EQ(ReplacePlaceholders(u"no placeholders %x%", values), u"no placeholders %x%");
  EXPECT_EQ(ReplacePlaceholders(TCrashConfig::kBitFaultMsg, {{u"%modname%", u"a.exe"}}),
            u"The file \"a.exe\" seems to be corrupt!");
}

TEST(CrashPlaceholders, EmptyMessageShowsUnknown) {
  EXPECT_EQ(ErrorBoxMessage(u""), u"Unknown");
  EXPECT_EQ(ErrorBoxMessage(u"boom"), u"boom");
}

}  // namespace
}  // namespace swiftlane::crash
