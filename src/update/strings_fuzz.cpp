// Fuzzes GetBetween and JsonUnescape with reply-like input.
//
// Input bytes become code units one to one (so text seeds stay readable); an input that
// starts with the bytes FF FE is read as UTF-16LE instead, to reach surrogates. Code unit
// 0x01 splits it into source, start marker and end marker; without a split the update
// reply's own markers are used.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "update/strings.h"

using swiftlane::GetBetween;
using swiftlane::JsonUnescape;

namespace {

std::u16string Decode(const uint8_t* data, size_t size) {
  std::u16string out;
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    for (size_t i = 2; i + 1 < size; i += 2) out.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    for (size_t i = 0; i < size; ++i) out.push_back(static_cast<char16_t>(data[i]));
  }
  return out;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

void Between(const std::u16string& source, const std::u16string& start, const std::u16string& end) {
  const std::u16string value = GetBetween(source, start, end);
  Check(value.size() <= source.size());
  if (!value.empty()) Check(source.find(value) != std::u16string::npos);
  if (const auto text = JsonUnescape(value)) Check(text->size() <= value.size());
}

// Every text written as \uXXXX escapes must come back unchanged, surrogates included.
void RoundTrip(const std::u16string& text) {
  static const char16_t kHex[] = u"0123456789abcdef";
  std::u16string escaped;
  for (char16_t c : text) {
    escaped += u"\\u";
    for (int shift = 12; shift >= 0; shift -= 4) escaped.push_back(kHex[(c >> shift) & 0xF]);
  }
  const auto back = JsonUnescape(escaped);
  Check(back.has_value() && *back == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string input = Decode(data, size);

  std::vector<std::u16string> parts(1);
  for (char16_t c : input) {
    if (c == 0x01 && parts.size() < 3) parts.emplace_back();
    else parts.back().push_back(c);
  }
  if (parts.size() == 3) {
    Between(parts[0], parts[1], parts[2]);
  } else {
    Between(input, u"\"update\":\"", u"\"");
    const std::u16string info = GetBetween(input, u"\"info\":{", u"}");
    for (const char16_t* key : {u"\"style\":\"", u"\"text\":\"", u"\"flag\":\"", u"\"url\":\""}) Between(info, key, u"\"");
  }

  // Text without a backslash passes unchanged.
  if (input.find(u'\\') == std::u16string::npos) {
    const auto same = JsonUnescape(input);
    Check(same.has_value() && *same == input);
  } else {
    (void)JsonUnescape(input);
  }
  RoundTrip(input.substr(0, 256));
  return 0;
}
