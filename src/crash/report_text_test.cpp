#include "crash/report_text.h"

#include <gtest/gtest.h>

#include "crash/text_codec.h"

namespace swiftlane::crash {
namespace {

std::string Utf8(const std::u16string& s) { return ToUtf8(s); }

TEST(CrashReportHeader, FieldsInOrderPaddedToLongestNamePlusOne) {
  TReportFacts f;
  f.dateTime = u"2026-12-10, 11:00:00:000";
  f.executable = u"swiftlane.exe";
  f.version = u"1.5.7.0";
  f.exceptionClass = u"EAccessViolation";
  f.exceptionMessage = u"Access violation at address 0000000140001234";
  std::string text = Utf8(FormatHeader(HeaderFields(f)));
  // Longest name is "exception message" (17), so names are padded to 18.
  EXPECT_EQ(text,
            "date/time         : 2026-12-10, 11:00:00:000\r\n"
            "executable        : swiftlane.exe\r\n"
            "version           : 1.5.7.0\r\n"
            "callstack crc     : will be calculated soon\r\n"
            "exception number  : 1\r\n"
            "exception class   : EAccessViolation\r\n"
            "exception message : Access violation at address 0000000140001234");
}

TEST(CrashReportHeader, MessageLeftOutWhenItEqualsTheClassAndProcessorsPlural) {
  TReportFacts f;
  f.processor = u"2x Example CPU";
  f.processorCount = 2;
  f.callstackCrc = u"$00000001, $00000002, $00000003";
  f.exceptionNumber = 3;
  f.exceptionClass = u"std::bad_alloc";
  f.exceptionMessage = u"std::bad_alloc";
  auto fields = HeaderFields(f);
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(fields[0].name, u"processors");
  EXPECT_EQ(fields[1].value, u"$00000001, $00000002, $00000003");
  EXPECT_EQ(fields[2].value, u"3");
  EXPECT_EQ(fields[3].name, u"exception class");
}

TEST(CrashReportHeader, ValuesLoseLineBreaksAndDoubleBlanks) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"one\r\ntwo", u"one two"},
      {u"a\nb\rc", u"a b c"},
      {u"x  y   z", u"x y z"},
      {u"end \r\n next", u"end next"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(FoldValue(c.in), c.out) << Utf8(c.in);
  TReportFacts f;
  f.exceptionClass = u"E";
  f.exceptionMessage = u"line one\r\nline  two";
  EXPECT_NE(Utf8(FormatHeader(HeaderFields(f))).find("exception message : line one line two"), std::string::npos);
}

TEST(CrashReportText, SectionsFollowTheHeaderAfterBlankLines) {
  TReportFacts f;
  f.dateTime = u"now";
  std::vector<TReportSection> sections = {{u"main thread ($10)", {u"frame 1", u"frame 2"}}, {u"modules", {u"m"}}};
  EXPECT_EQ(Utf8(FormatBugReport(f, sections)),
            "date/time        : now\r\n"
            "callstack crc    : will be calculated soon\r\n"
            "exception number : 1\r\n"
            "\r\n"
            "main thread ($10):\r\nframe 1\r\nframe 2\r\n"
            "\r\n"
            "modules:\r\nm");
}

TEST(CrashCallstackCrc, ThirtyOneCharactersStableAndSensitiveToEachStack) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);  // the standard check value
  std::vector<std::u16string> crash = {u"a.exe+10", u"a.exe+20"};
  std::vector<std::vector<std::u16string>> others = {{u"k.dll+5"}};
  std::u16string crc = CallstackCrc(crash, others);
  ASSERT_EQ(crc.size(), 31u);
  EXPECT_EQ(crc[0], u'$');
  EXPECT_EQ(crc.substr(9, 3), u", $");
  EXPECT_EQ(crc, CallstackCrc(crash, others));
  // Another thread changes only the third; another caller only the second and third;
  // another fault location all three.
  std::u16string otherThread = CallstackCrc(crash, {{u"k.dll+6"}});
  EXPECT_EQ(otherThread.substr(0, 20), crc.substr(0, 20));
  EXPECT_NE(otherThread, crc);
  std::u16string otherCaller = CallstackCrc({u"a.exe+10", u"a.exe+30"}, others);
  EXPECT_EQ(otherCaller.substr(0, 9), crc.substr(0, 9));
  EXPECT_NE(otherCaller.substr(11, 9), crc.substr(11, 9));
  EXPECT_NE(CallstackCrc({u"a.exe+11", u"a.exe+20"}, others).substr(0, 9), crc.substr(0, 9));
  for (char16_t c : crc.substr(1, 8)) EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'));
}

}  // namespace
}  // namespace swiftlane::crash
