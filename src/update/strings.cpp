#include "update/strings.h"

#include <algorithm>

namespace swiftlane {
namespace {

std::u16string AsciiUpper(const std::u16string& s) {
  std::u16string out(s);
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
  return out;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

std::u16string GetBetween(const std::u16string& Source, const std::u16string& StartMarker,
                          const std::u16string& EndMarker) {
  std::u16string search = AsciiUpper(Source);
  const std::u16string start = AsciiUpper(StartMarker);
  const std::u16string end = AsciiUpper(EndMarker);

  // Mask escaped quotes: the quote of each backslash-quote pair of the source becomes a
  // backslash. The copy keeps its length, so positions stay those of the source.
  if (end == u"\"") {
    for (size_t i = 0; i + 1 < Source.size(); ++i)
      if (Source[i] == u'\\' && Source[i + 1] == u'"') search[i + 1] = u'\\';
  }

  const size_t at = search.find(start);
  if (at == std::u16string::npos) return {};
  const size_t first = at + start.size();
  const size_t stop = search.find(end, first);
  if (stop == std::u16string::npos) return {};
  return Source.substr(first, stop - first);
}

std::optional<std::u16string> JsonUnescape(const std::u16string& Text) {
  std::u16string out;
  out.reserve(Text.size());
  size_t i = 0;
  while (i < Text.size()) {
    const char16_t c = Text[i];
    if (c != u'\\') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 >= Text.size()) break;  // a backslash that ends the text is dropped
    const char16_t code = Text[i + 1];
    i += 2;
    switch (code) {
      case u'"': out.push_back(u'"'); break;
      case u'\'': out.push_back(u'\''); break;
      case u'/': out.push_back(u'/'); break;
      case u'\\': out.push_back(u'\\'); break;
      case u'b': out.push_back(u'\b'); break;
      case u'f': out.push_back(u'\f'); break;
      case u'n': out.push_back(u'\n'); break;
      case u'r': out.push_back(u'\r'); break;
      case u't': out.push_back(u'\t'); break;
      case u'u': {
        // Up to four characters, fewer when the text ends sooner; at least one must be
        // there and every one must be a hexadecimal digit.
        const size_t n = std::min<size_t>(4, Text.size() - i);
        if (n == 0) return std::nullopt;
        unsigned value = 0;
        for (size_t k = 0; k < n; ++k) {
          const int d = HexDigit(Text[i + k]);
          if (d < 0) return std::nullopt;
          value = value * 16 + static_cast<unsigned>(d);
        }
        out.push_back(static_cast<char16_t>(value));
        i += n;
        break;
      }
      default: break;  // unknown escape: backslash and code are both dropped
    }
  }
  return out;
}

std::u16string StringStartMarker(const std::u16string& Key) { return u"\"" + Key + u"\":\""; }
std::u16string ObjectStartMarker(const std::u16string& Key) { return u"\"" + Key + u"\":{"; }

}  // namespace swiftlane
