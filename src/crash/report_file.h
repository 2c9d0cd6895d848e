// Rules for writing a report into a report file: duplicate merge, size cap, append.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace swiftlane::crash {

struct TReportFileSettings {
  bool appendBugReps = true;
  std::uint32_t bugRepFileSize = 100000;
  bool noDupExcepts = true;
  int dupExceptDef = 1;
  bool noDupFreezes = true;
  int dupFreezeDef = 2;
};

// The value of a header line "name<blanks>: value" of the report that starts at 'from',
// searched up to the report's end; nothing when the report has no such line.
std::optional<std::string> ReportField(std::string_view file, size_t from, size_t to, std::string_view name);

// The duplicate key of a report (UTF-8), or an empty text when duplicates are not merged.
std::string DuplicateKey(std::string_view report, const TReportFileSettings& settings);

// Inserts or replaces the "count" line directly after "callstack crc", aligned with it.
std::string WithCountLine(std::string_view report, int count);

// The new contents of a report file that held 'file' once 'report' (UTF-8) is written
// into it: a duplicate older report is merged into the new one's "count" line, the
// oldest whole reports are cut beyond the size cap, and the new report follows, ended
// by "\r\n\r\n". Without appending, the file holds the new report only.
std::string ApplyReportFileRules(std::string file, std::string report, const TReportFileSettings& settings);

}  // namespace swiftlane::crash
