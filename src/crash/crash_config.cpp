#include "crash/crash_config.h"

#include <algorithm>

namespace swiftlane::crash {

std::u16string ReplacePlaceholders(const std::u16string& text, const TPlaceholders& values) {
  struct Hit {
    size_t pos;
    size_t len;
    const std::u16string* value;
  };
  std::vector<Hit> hits;
  for (const auto& [name, value] : values) {
    if (name.empty()) continue;
    size_t from = 0;
    // The first occurrence that does not overlap one already taken.
    // Named here: older clang cannot capture a structured binding in a lambda.
    const size_t len = name.size();
    while ((from = text.find(name, from)) != std::u16string::npos) {
      bool overlaps = std::any_of(hits.begin(), hits.end(), [&](const Hit& h) {
        return from < h.pos + h.len && h.pos < from + len;
      });
      if (!overlaps) {
        hits.push_back({from, name.size(), &value});
        break;
      }
      ++from;
    }
  }
  std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.pos < b.pos; });
  std::u16string out;
  size_t at = 0;
  for (const Hit& h : hits) {
    out.append(text, at, h.pos - at);
    out += *h.value;
    at = h.pos + h.len;
  }
  out.append(text, at, std::u16string::npos);
  return out;
}

std::u16string ErrorBoxMessage(const std::u16string& exceptionMessage) {
  return exceptionMessage.empty() ? std::u16string(TCrashConfig::kUnknownMessage) : exceptionMessage;
}

}  // namespace swiftlane::crash
