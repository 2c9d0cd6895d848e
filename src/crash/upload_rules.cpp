#include "crash/upload_rules.h"

namespace swiftlane::crash {

namespace {
std::u16string Lower(std::u16string s) {
  for (auto& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return s;
}
}  // namespace

TServerAddress SplitServerUrl(const std::u16string& url, std::uint16_t defaultPort) {
  TServerAddress out;
  size_t scheme = url.find(u"://");
  size_t hostStart = scheme == std::u16string::npos ? 0 : scheme + 3;
  size_t slash = url.find(u'/', hostStart);
  std::u16string host = url.substr(hostStart, slash == std::u16string::npos ? std::u16string::npos : slash - hostStart);
  out.path = slash == std::u16string::npos ? u"/" : url.substr(slash);
  out.port = defaultPort;
  size_t colon = host.rfind(u':');
  if (colon != std::u16string::npos && host.find(u']') == std::u16string::npos) {
    std::u16string digits = host.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return out;
    std::uint32_t port = 0;
    for (char16_t c : digits) {
      if (c < u'0' || c > u'9') return out;
      port = port * 10 + (c - u'0');
    }
    if (port == 0 || port > 65535) return out;
    out.port = static_cast<std::uint16_t>(port);
    host.resize(colon);
  }
  out.host = host;
  out.valid = !host.empty();
  return out;
}

bool IsOpenableLocation(const std::u16string& location) {
  std::u16string lower = Lower(location);
  size_t hostStart;
  if (lower.rfind(u"http://", 0) == 0) hostStart = 7;
  else if (lower.rfind(u"https://", 0) == 0) hostStart = 8;
  else return false;
  if (hostStart >= location.size() || location[hostStart] == u'/') return false;
  for (char16_t c : location)
    if (c < 0x20 || c == 0x7F || c == u' ' || c == u'"') return false;
  return true;
}

TReplyOutcome ClassifyReply(std::uint32_t status, bool hasLocation) {
  if (status == 200) return TReplyOutcome::kSuccess;
  if (status >= 301 && status <= 303)
    return hasLocation ? TReplyOutcome::kSuccessOpenLocation : TReplyOutcome::kFailure;
  return TReplyOutcome::kFailure;
}

}  // namespace swiftlane::crash
