#include "crash/report_file.h"

#include <cstdlib>
#include <vector>

namespace swiftlane::crash {

namespace {
constexpr std::string_view kDateTime = "date/time";
constexpr std::string_view kReportSeparator = "\r\n\r\n";

bool AtLineStart(std::string_view s, size_t pos) { return pos == 0 || s[pos - 1] == '\n'; }

// Start of the report that holds 'pos': its "date/time" line, or the file's start.
size_t ReportStartBefore(std::string_view file, size_t pos) {
  size_t p = pos;
  while (true) {
    size_t hit = file.rfind(kDateTime, p);
    if (hit == std::string_view::npos) return 0;
    if (AtLineStart(file, hit)) return hit;
    if (hit == 0) return 0;
    p = hit - 1;
  }
}

// End of the report that holds 'pos': the next "\r\n" + "date/time" (its line break
// included), or the file's end.
size_t ReportEndAfter(std::string_view file, size_t pos) {
  size_t hit = file.find("\r\ndate/time", pos);
  return hit == std::string_view::npos ? file.size() : hit + 2;
}

std::vector<size_t> ReportStarts(std::string_view file) {
  std::vector<size_t> out;
  for (size_t p = file.find(kDateTime); p != std::string_view::npos; p = file.find(kDateTime, p + 1))
    if (AtLineStart(file, p)) out.push_back(p);
  return out;
}

// End of a report's header: the first blank line, or the report's end.
size_t HeaderEnd(std::string_view file, size_t from, size_t to) {
  size_t blank = file.find("\r\n\r\n", from);
  return blank == std::string_view::npos || blank > to ? to : blank;
}

// The line of 'name' in a header and where its value starts.
struct FieldLine {
  size_t lineStart = std::string_view::npos;
  size_t lineEnd = 0;
  size_t valueStart = 0;
};
FieldLine FindField(std::string_view file, size_t from, size_t to, std::string_view name) {
  size_t end = HeaderEnd(file, from, to);
  size_t line = from;
  while (line < end) {
    size_t eol = file.find('\n', line);
    if (eol == std::string_view::npos || eol > end) eol = end;
    std::string_view text = file.substr(line, eol - line);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.substr(0, name.size()) == name) {
      size_t i = name.size();
      while (i < text.size() && text[i] == ' ') ++i;
      // At least one blank pads the name; ": " then opens the value.
      if (i > name.size() && text.substr(i, 2) == ": ") return {line, line + text.size(), line + i + 2};
    }
    line = eol + 1;
  }
  return {};
}
}  // namespace

std::optional<std::string> ReportField(std::string_view file, size_t from, size_t to, std::string_view name) {
  FieldLine f = FindField(file, from, to, name);
  if (f.lineStart == std::string_view::npos) return std::nullopt;
  return std::string(file.substr(f.valueStart, f.lineEnd - f.valueStart));
}

std::string DuplicateKey(std::string_view report, const TReportFileSettings& settings) {
  auto crc = ReportField(report, 0, report.size(), "callstack crc");
  if (!crc || crc->size() != 31) return {};
  bool isException = ReportField(report, 0, report.size(), "exception class").has_value();
  bool merge = isException ? settings.noDupExcepts : settings.noDupFreezes;
  if (!merge) return {};
  int def = isException ? settings.dupExceptDef : settings.dupFreezeDef;
  size_t len = def == 0 ? 9 : def == 1 ? 20 : 31;
  return crc->substr(0, len);
}

std::string WithCountLine(std::string_view report, int count) {
  std::string out(report);
  FieldLine old = FindField(out, 0, out.size(), "count");
  if (old.lineStart != std::string_view::npos) {
    size_t eraseEnd = old.lineEnd;
    if (out.compare(eraseEnd, 2, "\r\n") == 0) eraseEnd += 2;
    out.erase(old.lineStart, eraseEnd - old.lineStart);
  }
  FieldLine crc = FindField(out, 0, out.size(), "callstack crc");
  if (crc.lineStart == std::string_view::npos) return out;
  // Align with the checksum line: the same column for ": ".
  size_t colon = crc.valueStart - 2 - crc.lineStart;
  std::string line = "count";
  line.append(colon > line.size() ? colon - line.size() : 1, ' ');
  line += ": " + std::to_string(count);
  out.insert(crc.lineEnd, "\r\n" + line);
  return out;
}

std::string ApplyReportFileRules(std::string file, std::string report, const TReportFileSettings& settings) {
  if (!settings.appendBugReps) return report + std::string(kReportSeparator);
  if (!file.empty()) {
    std::string key = DuplicateKey(report, settings);
    if (!key.empty()) {
      const std::string needle = ": " + key;
      auto same = [&](size_t from, size_t to, std::string_view name) {
        return ReportField(file, from, to, name) == ReportField(report, 0, report.size(), name);
      };
      size_t searchFrom = file.size();
      while (searchFrom > 0) {
        size_t hit = file.rfind(needle, searchFrom - 1);
        if (hit == std::string::npos) break;
        size_t from = ReportStartBefore(file, hit);
        size_t to = ReportEndAfter(file, hit);
        bool duplicate = same(from, to, "executable") && same(from, to, "current module") &&
                         same(from, to, "exception class") && same(from, to, "version");
        if (duplicate && ReportField(file, from, to, "version").value_or("").empty())
          duplicate = same(from, to, "exec. date/time") && same(from, to, "module date/time");
        if (duplicate) {
          int count = 1;
          if (auto c = ReportField(file, from, to, "count")) count = std::max(1, std::atoi(c->c_str()));
          report = WithCountLine(report, count + 1);
          file.erase(from, to - from);
          break;
        }
        searchFrom = hit;
      }
    }
    if (settings.bugRepFileSize != 0 && file.size() > settings.bugRepFileSize) {
      const size_t limit = settings.bugRepFileSize - settings.bugRepFileSize / 4;
      for (size_t start : ReportStarts(file)) {
        if (file.size() - start < limit) {
          file.erase(0, start);
          break;
        }
      }
    }
  }
  file += report;
  file += kReportSeparator;
  return file;
}

}  // namespace swiftlane::crash
