#include "ui/catalogue.h"

#include <cstdint>

namespace swiftlane::ui {
namespace {

// Decodes one UTF-8 sequence at bytes[i]; returns the code point and advances i, or
// returns -1 for a malformed, overlong, surrogate or out-of-range sequence.
long DecodeOne(std::string_view bytes, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
  const std::uint8_t b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra;
  long cp;
  long minimum;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, minimum = 0x10000;
  } else {
    return -1;
  }
  if (bytes.size() - i <= static_cast<size_t>(extra)) return -1;
  for (int k = 1; k <= extra; ++k) {
    const std::uint8_t b = byte(i + k);
    if ((b & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  i += extra + 1;
  return cp;
}

void AppendCodePoint(std::u16string& s, long cp) {
  if (cp < 0x10000) {
    s.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    s.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    s.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// A line splits at its first "="; a line without one has an empty code and text.
std::u16string_view CodeOf(const std::u16string& line) {
  const size_t eq = line.find(u'=');
  return eq == std::u16string::npos ? std::u16string_view() : std::u16string_view(line).substr(0, eq);
}
std::u16string_view TextOf(const std::u16string& line) {
  const size_t eq = line.find(u'=');
  return eq == std::u16string::npos ? std::u16string_view() : std::u16string_view(line).substr(eq + 1);
}

}  // namespace

bool TCatalogue::LoadFromUtf8(std::string_view bytes) {
  size_t i = 0;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  std::u16string line;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines_.push_back(std::move(line));
      line.clear();
      ++i;
      if (c == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
      continue;
    }
    const long cp = DecodeOne(bytes, i);
    if (cp < 0) return false;  // the line under way is dropped; the complete ones stay
    AppendCodePoint(line, cp);
  }
  if (!line.empty()) lines_.push_back(std::move(line));
  return true;
}

std::u16string TCatalogue::Translate(const std::u16string& Source, const std::u16string& Code,
                                     const std::u16string& CurrentLanguage) const {
  if (Source.empty()) return {};
  const std::u16string& wanted = Code.empty() ? CurrentLanguage : Code;

  size_t key = 0;
  while (key < lines_.size() && !SameTextAscii(TextOf(lines_[key]), Source)) ++key;
  if (key == lines_.size()) return ExpandLineBreaks(Source);

  size_t first = key;
  while (first > 0 && !lines_[first - 1].empty()) --first;

  // The wanted language, then English; codes compare exactly.
  for (const std::u16string_view want : {std::u16string_view(wanted), std::u16string_view(u"en")}) {
    for (size_t k = first; k < lines_.size() && !lines_[k].empty(); ++k) {
      if (CodeOf(lines_[k]) == want) return ExpandLineBreaks(std::u16string(TextOf(lines_[k])));
    }
  }
  return ExpandLineBreaks(Source);
}

std::u16string ExpandLineBreaks(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\\' && i + 1 < text.size() && text[i + 1] == u'n') {
      out.push_back(u'\r');
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace swiftlane::ui
