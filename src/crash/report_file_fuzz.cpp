// Fuzzes the report-file rules with any prior file contents, since a local report file
// can hold anything. The input is the old file; the byte 0x01 splits off a new report
// (else a fixed one is used). Checks: no crash, the file always ends in "\r\n\r\n", it
// never grows by more than the report and a count line, and an unmergeable report ends it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "crash/report_file.h"

namespace {

const char kReport[] =
    "date/time         : 2026-12-10, 10:00:00:000\r\n"
    "executable        : swiftlane.exe\r\n"
    "current module    : swiftlane.exe\r\n"
    "version           : 1.5.7.0\r\n"
    "callstack crc     : $11111111, $22222222, $33333333\r\n"
    "exception number  : 1\r\n"
    "exception class   : EAccessViolation\r\n"
    "\r\n"
    "main thread ($1):\r\nframe";

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string file = input, report = kReport;
  size_t split = input.find('\x01');
  if (split != std::string::npos) {
    file = input.substr(0, split);
    report = input.substr(split + 1);
  }
  swiftlane::crash::TReportFileSettings settings;
  settings.bugRepFileSize = 4000;  // small, so the cap is reached often
  std::string out = swiftlane::crash::ApplyReportFileRules(file, report, settings);
  Check(out.size() >= 4 && out.compare(out.size() - 4, 4, "\r\n\r\n") == 0);
  Check(out.size() <= file.size() + report.size() + 64);
  // A report without a checksum line is never merged, so it is written unchanged.
  if (report.find("callstack crc") == std::string::npos)
    Check(out.size() >= report.size() + 4 && out.compare(out.size() - 4 - report.size(), report.size(), report) == 0);
  return 0;
}
