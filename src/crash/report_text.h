// The plain-text bug report: header lines, call-stack checksums and sections.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace swiftlane::crash {

// Machine, process and exception facts. An empty optional means the field does not apply
// and its line is left out.
struct TReportFacts {
  std::optional<std::u16string> dateTime, computerName, wtsClientName, userName, registeredOwner,
      operatingSystem, systemLanguage, systemUpTime, programUpTime;
  std::optional<std::u16string> processor;  // with processorCount > 1 the line reads "processors"
  int processorCount = 1;
  std::optional<std::u16string> physicalMemory, systemResources, freeDiskSpace, displayMode, processId,
      allocatedMemory, largestFreeBlock, commandLine, executable, currentModule, execDateTime,
      moduleDateTime, version;
  std::optional<std::u16string> callstackCrc;  // empty: the stacks are not walked yet
  int exceptionNumber = 1;
  std::optional<std::u16string> exceptionClass, exceptionMessage;
};

struct THeaderField {
  std::u16string name;
  std::u16string value;
};

struct TReportSection {
  std::u16string name;                // e.g. "main thread ($1a4)", "cpu registers"
  std::vector<std::u16string> lines;  // the section's body
};

// Header fields in report order, each where it applies.
std::vector<THeaderField> HeaderFields(const TReportFacts& facts);

// Line breaks become blanks, then runs of blanks fold to one.
std::u16string FoldValue(std::u16string_view value);

// "name<pad>: value" lines, names padded to one more than the longest; CR LF after each
// line but the last.
std::u16string FormatHeader(const std::vector<THeaderField>& fields);

// The whole report: the header, then each section after a blank line, opened by "name:".
// Lines are separated by CR LF; the text does not end in a line break.
std::u16string FormatBugReport(const TReportFacts& facts, const std::vector<TReportSection>& sections);

// CRC-32 (the zip polynomial), continuing from a previous value.
std::uint32_t Crc32(std::string_view bytes, std::uint32_t previous = 0);

// The "callstack crc" value: "$xxxxxxxx, $xxxxxxxx, $xxxxxxxx" (31 characters).
// A frame is an address-independent text such as "swiftlane.exe+1a2b". The first checksum
// covers the fault location (the crashing thread's first frame), the second the crashing
// thread's whole stack, the third folds the other threads' stacks into the second.
std::u16string CallstackCrc(const std::vector<std::u16string>& crashingFrames,
                            const std::vector<std::vector<std::u16string>>& otherThreads);

// Hex helpers for the report's sections.
std::u16string Hex(std::uint64_t value, int digits);

}  // namespace swiftlane::crash
