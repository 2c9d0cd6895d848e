#include "crash/report_text.h"

#include <array>

#include "crash/text_codec.h"

namespace swiftlane::crash {

namespace {
void Add(std::vector<THeaderField>& out, const char* name, const std::optional<std::u16string>& value) {
  if (value) out.push_back({Ascii16(name), *value});
}

std::u16string Utf16Number(int n) { return Ascii16(std::to_string(n)); }

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table;
}

std::uint32_t StackCrc(const std::vector<std::u16string>& frames, std::uint32_t previous) {
  std::uint32_t crc = previous;
  for (const auto& f : frames) crc = Crc32(ToUtf8(f) + '\n', crc);
  return crc;
}

std::u16string Dollar(std::uint32_t v) { return u"$" + Hex(v, 8); }
}  // namespace

std::vector<THeaderField> HeaderFields(const TReportFacts& f) {
  std::vector<THeaderField> out;
  Add(out, "date/time", f.dateTime);
  Add(out, "computer name", f.computerName);
  Add(out, "wts client name", f.wtsClientName);
  Add(out, "user name", f.userName);
  Add(out, "registered owner", f.registeredOwner);
  Add(out, "operating system", f.operatingSystem);
  Add(out, "system language", f.systemLanguage);
  Add(out, "system up time", f.systemUpTime);
  Add(out, "program up time", f.programUpTime);
  Add(out, f.processorCount > 1 ? "processors" : "processor", f.processor);
  Add(out, "physical memory", f.physicalMemory);
  Add(out, "system resources", f.systemResources);
  Add(out, "free disk space", f.freeDiskSpace);
  Add(out, "display mode", f.displayMode);
  Add(out, "process id", f.processId);
  Add(out, "allocated memory", f.allocatedMemory);
  Add(out, "largest free block", f.largestFreeBlock);
  Add(out, "command line", f.commandLine);
  Add(out, "executable", f.executable);
  Add(out, "current module", f.currentModule);
  Add(out, "exec. date/time", f.execDateTime);
  Add(out, "module date/time", f.moduleDateTime);
  Add(out, "version", f.version);
  Add(out, "callstack crc", f.callstackCrc ? f.callstackCrc : std::u16string(u"will be calculated soon"));
  Add(out, "exception number", Utf16Number(f.exceptionNumber));
  Add(out, "exception class", f.exceptionClass);
  // The message is worth a line only when it says more than the class name.
  if (f.exceptionMessage && FoldValue(*f.exceptionMessage) != FoldValue(f.exceptionClass.value_or(u"")))
    Add(out, "exception message", f.exceptionMessage);
  return out;
}

std::u16string FoldValue(std::u16string_view value) {
  std::u16string out;
  out.reserve(value.size());
  for (char16_t c : value) {
    if (c == u'\r' || c == u'\n') c = u' ';
    if (c == u' ' && !out.empty() && out.back() == u' ') continue;
    out += c;
  }
  return out;
}

std::u16string FormatHeader(const std::vector<THeaderField>& fields) {
  size_t width = 0;
  for (const auto& f : fields) width = std::max(width, f.name.size());
  std::u16string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += u"\r\n";
    out += fields[i].name;
    out.append(width + 1 - fields[i].name.size(), u' ');
    out += u": ";
    out += FoldValue(fields[i].value);
  }
  return out;
}

std::u16string FormatBugReport(const TReportFacts& facts, const std::vector<TReportSection>& sections) {
  std::u16string out = FormatHeader(HeaderFields(facts));
  for (const auto& s : sections) {
    out += u"\r\n\r\n";
    out += s.name;
    out += u':';
    for (const auto& line : s.lines) {
      out += u"\r\n";
      out += line;
    }
  }
  return out;
}

std::uint32_t Crc32(std::string_view bytes, std::uint32_t previous) {
  const auto& t = CrcTable();
  std::uint32_t c = ~previous;
  for (char b : bytes) c = t[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
  return ~c;
}

std::u16string CallstackCrc(const std::vector<std::u16string>& crashingFrames,
                            const std::vector<std::vector<std::u16string>>& otherThreads) {
  std::uint32_t first = crashingFrames.empty() ? 0 : StackCrc({crashingFrames.front()}, 0);
  std::uint32_t second = StackCrc(crashingFrames, 0);
  std::uint32_t third = second;
  for (const auto& t : otherThreads) third = StackCrc(t, third);
  return Dollar(first) + u", " + Dollar(second) + u", " + Dollar(third);
}

std::u16string Hex(std::uint64_t value, int digits) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string out(static_cast<size_t>(digits), u'0');
  for (int i = digits - 1; i >= 0 && value; --i, value >>= 4) out[static_cast<size_t>(i)] = kDigits[value & 15];
  return out;
}

}  // namespace swiftlane::crash
