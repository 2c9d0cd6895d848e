#include "system/online_win.h"

#include "service_hosts.h"
#include "system/http_win.h"

namespace swiftlane {

bool IsOnlineAt(const std::u16string& hostPort) {
  try {
    HttpReply reply;
    if (!HttpGet(u"https://" + hostPort + u"/myip", {}, BodyDecoding::DeclaredCharset, reply)) return false;
    // The status is not looked at: an error page that names the key counts as online.
    return reply.body.find(u"\"ip\"") != std::u16string::npos;
  } catch (...) {
    return false;
  }
}

bool IsOnline() { return IsOnlineAt(build::kMyIpHost); }

}  // namespace swiftlane
