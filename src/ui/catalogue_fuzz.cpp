// Fuzzes the catalogue loader and Translate. The input is the resource's bytes; the texts
// looked up are taken from the lines that loaded (as written, in other letter cases, with
// a space added) and the language codes from a fixed list and from the lines themselves.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ui/catalogue.h"

using swiftlane::ui::ExpandLineBreaks;
using swiftlane::ui::SameTextAscii;
using swiftlane::ui::TCatalogue;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::u16string TextPart(const std::u16string& line) {
  const size_t eq = line.find(u'=');
  return eq == std::u16string::npos ? std::u16string() : line.substr(eq + 1);
}

std::u16string Upper(std::u16string s) {
  for (auto& c : s) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  return s;
}

// The lines encoded back to UTF-8, each ended with CR LF.
std::string Encode(const std::vector<std::u16string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    for (size_t i = 0; i < line.size(); ++i) {
      char32_t c = line[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < line.size()) {
        c = 0x10000 + ((c - 0xD800) << 10) + (line[++i] - 0xDC00);
      }
      if (c < 0x80) {
        out.push_back(static_cast<char>(c));
      } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      }
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TCatalogue catalogue;
  const bool complete = catalogue.LoadFromUtf8(bytes);
  const auto& lines = catalogue.Lines();
  for (const auto& line : lines) Check(line.find_first_of(u"\r\n") == std::u16string::npos);

  // What loaded reloads to the same lines.
  if (complete) {
    TCatalogue again;
    Check(again.LoadFromUtf8(Encode(lines)));
    Check(again.Lines() == lines);
  }

  std::vector<std::u16string> codes = {u"", u"en", u"ko", u"ja", u"KO", u"de"};
  std::vector<std::u16string> sources = {u"", u"실행하기", u"a\\nb"};
  for (size_t i = 0; i < lines.size() && i < 64; ++i) {
    const std::u16string text = TextPart(lines[i]);
    sources.push_back(text);
    sources.push_back(Upper(text));
    sources.push_back(u" " + text);
    const size_t eq = lines[i].find(u'=');
    if (eq != std::u16string::npos && codes.size() < 12) codes.push_back(lines[i].substr(0, eq));
  }

  for (const auto& source : sources) {
    bool held = false;
    for (const auto& line : lines) held = held || (!source.empty() && SameTextAscii(TextPart(line), source));
    for (const auto& code : codes) {
      const std::u16string result = catalogue.Translate(source, code, u"ja");
      if (source.empty()) Check(result.empty());
      // A text the catalogue does not hold comes back with its escapes replaced.
      if (!held) Check(result == ExpandLineBreaks(source));
      Check(result.find(u'\n') == std::u16string::npos || source.find(u'\n') != std::u16string::npos);
    }
  }
  return 0;
}
