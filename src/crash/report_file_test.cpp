#include "crash/report_file.h"

#include <gtest/gtest.h>

#include "crash/report_text.h"
#include "crash/text_codec.h"

namespace swiftlane::crash {
namespace {

struct ReportSpec {
  std::u16string when = u"2026-12-10, 10:00:00:000";
  std::u16string crc = u"$11111111, $22222222, $33333333";
  std::u16string version = u"1.5.7.0";
  std::u16string cls = u"EAccessViolation";
  std::u16string module = u"swiftlane.exe";
  std::u16string body = u"frame";
};

std::string Report(const ReportSpec& s) {
  TReportFacts f;
  f.dateTime = s.when;
  f.executable = u"C:\\app\\swiftlane.exe";
  f.currentModule = s.module;
  f.version = s.version;
  f.callstackCrc = s.crc;
  f.exceptionClass = s.cls;
  f.exceptionMessage = u"Access violation";
  return ToUtf8(FormatBugReport(f, {{u"main thread ($1)", {s.body}}}));
}

const TReportFileSettings kSettings;

TEST(CrashReportFile, AppendsToAnEmptyFileWithSeparator) {
  std::string r = Report({});
  EXPECT_EQ(ApplyReportFileRules("", r, kSettings), r + "\r\n\r\n");
  TReportFileSettings overwrite;
  overwrite.appendBugReps = false;
  EXPECT_EQ(ApplyReportFileRules("old stuff\r\n\r\n", r, overwrite), r + "\r\n\r\n");
}

TEST(CrashReportFile, DuplicateIsCutAndCountedAfterTheChecksumLine) {
  ReportSpec older;
  older.when = u"2026-12-09, 09:00:00:000";
  older.crc = u"$11111111, $22222222, $99999999";  // differs only in the third checksum
  ReportSpec other;
  other.when = u"2026-12-09, 09:30:00:000";
  other.crc = u"$aaaaaaaa, $bbbbbbbb, $cccccccc";
  std::string file = Report(older) + "\r\n\r\n" + Report(other) + "\r\n\r\n";
  std::string out = ApplyReportFileRules(file, Report({}), kSettings);
  EXPECT_EQ(out.find("2026-12-09, 09:00"), std::string::npos) << out;
  ASSERT_NE(out.find("2026-12-09, 09:30"), std::string::npos);
  EXPECT_EQ(out.find("date/time"), 0u);
  EXPECT_NE(out.find("callstack crc     : $11111111, $22222222, $33333333\r\n"
                     "count             : 2\r\n"
                     "exception number"),
            std::string::npos)
      << out;
  // The same crash once more counts on from the merged report.
  std::string again = ApplyReportFileRules(out, Report({}), kSettings);
  EXPECT_NE(again.find("count             : 3\r\n"), std::string::npos) << again;
  EXPECT_EQ(again.find("count             : 2"), std::string::npos);
  EXPECT_EQ(again.size(), out.size());
}

TEST(CrashReportFile, NotADuplicateWhenAnIdentityFieldDiffers) {
  struct Case {
    const char* what;
    ReportSpec old;
  } cases[] = {
      {"version", [] { ReportSpec s; s.version = u"1.5.6.0"; return s; }()},
      {"class", [] { ReportSpec s; s.cls = u"EDivByZero"; return s; }()},
      {"module", [] { ReportSpec s; s.module = u"other.dll"; return s; }()},
      {"second checksum", [] { ReportSpec s; s.crc = u"$11111111, $22222223, $33333333"; return s; }()},
  };
  for (const auto& c : cases) {
    std::string file = Report(c.old) + "\r\n\r\n";
    std::string out = ApplyReportFileRules(file, Report({}), kSettings);
    EXPECT_EQ(out, file + Report({}) + "\r\n\r\n") << c.what;
  }
}

TEST(CrashReportFile, SearchGoesOnBackwardsPastAHitThatIsNoDuplicate) {
  ReportSpec dup;
  dup.when = u"2026-12-01, 01:00:00:000";
  ReportSpec newerOtherVersion;
  newerOtherVersion.when = u"2026-12-02, 02:00:00:000";
  newerOtherVersion.version = u"1.0.0.0";
  std::string file = Report(dup) + "\r\n\r\n" + Report(newerOtherVersion) + "\r\n\r\n";
  std::string out = ApplyReportFileRules(file, Report({}), kSettings);
  EXPECT_EQ(out.find("2026-12-01"), std::string::npos);
  EXPECT_EQ(out.find("date/time"), out.find("date/time         : 2026-12-02"));
  EXPECT_NE(out.find("count             : 2"), std::string::npos);
}

TEST(CrashReportFile, ReportWithoutValidChecksumIsNeverMerged) {
  ReportSpec s;
  s.crc = u"will be calculated soon";
  std::string file = Report(s) + "\r\n\r\n";
  EXPECT_EQ(DuplicateKey(Report(s), kSettings), "");
  EXPECT_EQ(ApplyReportFileRules(file, Report(s), kSettings), file + Report(s) + "\r\n\r\n");
  EXPECT_EQ(DuplicateKey(Report({}), kSettings), "$11111111, $22222222");
}

TEST(CrashReportFile, CapCutsWholeOldestReportsBelowThreeQuarters) {
  // 120 reports of about 1,000 bytes each, all distinct.
  std::string file;
  std::vector<size_t> starts;
  for (int i = 0; i < 120; ++i) {
    ReportSpec s;
    s.crc = u"$" + Hex(i, 8) + u", $00000000, $00000000";
    s.body = std::u16string(800, u'a' + i % 26);
    starts.push_back(file.size());
    file += Report(s) + "\r\n\r\n";
  }
  ASSERT_GT(file.size(), 100000u);
  std::string fresh = Report({});
  std::string out = ApplyReportFileRules(file, fresh, kSettings);
  std::string kept = out.substr(0, out.size() - fresh.size() - 4);
  EXPECT_LT(kept.size(), 75000u);
  // What stays is a tail of whole reports: the largest one under the limit.
  size_t cut = file.size() - kept.size();
  EXPECT_NE(std::find(starts.begin(), starts.end(), cut), starts.end());
  EXPECT_EQ(file.substr(cut), kept);
  auto previous = std::find(starts.begin(), starts.end(), cut) - 1;
  EXPECT_GE(file.size() - *previous, 75000u);
}

TEST(CrashReportFile, CapLeavesAFileWithoutAQualifyingReportStart) {
  std::string file = "date/time : x\r\n" + std::string(110000, 'z') + "\r\n\r\n";
  std::string out = ApplyReportFileRules(file, Report({}), kSettings);
  EXPECT_EQ(out.substr(0, file.size()), file);
}

TEST(CrashReportFile, CountLineReplacedNotDuplicated) {
  std::string withCount = WithCountLine(Report({}), 5);
  std::string twice = WithCountLine(withCount, 6);
  EXPECT_EQ(twice.find("count             : 5"), std::string::npos);
  EXPECT_NE(twice.find("count             : 6"), std::string::npos);
  EXPECT_EQ(twice.size(), withCount.size());
}

}  // namespace
}  // namespace swiftlane::crash
