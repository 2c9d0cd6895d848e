#include "standin_win.h"

#include <windows.h>

#include <cstdio>

namespace swiftlane::standin {
namespace {

std::string ReadFile(const std::wstring& path) {
  std::string text;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return text;
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
  fclose(f);
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::wstring RunDir() {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(L"SWIFTLANE_STANDIN_RUN", buf, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return {};
  // A Unix path from the Linux side; the prefix maps the Unix root to drive Z:.
  std::wstring path = buf;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path.size() > 1 && path[1] == L':' ? path : L"Z:" + path;
}

std::u16string HostPort(std::string_view site) {
  const std::wstring dir = RunDir();
  if (dir.empty()) return {};
  for (const std::string& line : Lines(ReadFile(dir + L"\\ports.txt"))) {
    const size_t space = line.find(' ');
    if (space == std::string::npos || std::string_view(line).substr(0, space) != site) continue;
    std::u16string hostPort = u"localhost:";
    for (char c : line.substr(space + 1))
      if (c >= '0' && c <= '9') hostPort += static_cast<char16_t>(c);
    return hostPort;
  }
  return {};
}

std::vector<std::string> Records(std::string_view site) {
  std::vector<std::string> records;
  const std::string tag = "{\"site\":" + Quoted(site) + ",";
  for (std::string& line : Lines(ReadFile(RunDir() + L"\\requests.jsonl")))
    if (line.compare(0, tag.size(), tag) == 0) records.push_back(std::move(line));
  return records;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

::testing::AssertionResult HasHeadersInOrder(const std::string& record,
                                             const std::vector<std::pair<std::string, std::string>>& headers) {
  size_t from = 0;
  for (const auto& [name, value] : headers) {
    const std::string entry = "[" + Quoted(name) + "," + Quoted(value) + "]";
    const size_t at = record.find(entry, from);
    if (at == std::string::npos)
      return ::testing::AssertionFailure() << entry << " missing or out of order in " << record;
    from = at + entry.size();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace swiftlane::standin
