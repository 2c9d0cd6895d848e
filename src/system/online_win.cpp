#include "system/online_win.h"

#include "service_hosts.h"
#include "system/http_win.h"

namespace swiftlane {

bool IsOnlineAt(const std::u16string& hostPort) {
  try {
    HttpReply reply;
    // A body that is no text in its declared character set is a failed probe.
    if (!HttpGet(u"https://" + hostPort + u"/myip", {}, BodyDecoding::DeclaredCharsetStrict, reply)) return false;
    // The status is not looked at: an error page that names the key counts as online.
    return reply.body.find(u"\"ip\"") != std::u16string::npos;
  } catch (...) {
    return false;
  }
}

bool IsOnline() { return IsOnlineAt(build::kMyIpHost); }

}  // namespace swiftlane
