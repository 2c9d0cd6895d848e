// The online probe against the stand-in public-address service: real WinHTTP, real TLS with
// the build tree's test CA, one site of the stand-in per kind of reply.
#include "system/online_win.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include "standin_win.h"

namespace swiftlane {
namespace {

using standin::HostPort;
using standin::Records;

// Probes a site and checks that the stand-in saw a plain GET of /myip from it.
bool Probe(const char* site) {
  const std::u16string hostPort = HostPort(site);
  EXPECT_FALSE(hostPort.empty()) << "the stand-in serves no site " << site;
  return IsOnlineAt(hostPort);
}

std::string LastRecord(const char* site) {
  const std::vector<std::string> records = Records(site);
  return records.empty() ? std::string() : records.back();
}

TEST(IsOnline, ReplyWithTheKeyIsOnline) {
  EXPECT_TRUE(Probe("myip-ok"));
  const std::string record = LastRecord("myip-ok");
  EXPECT_NE(record.find("\"method\":\"GET\",\"path\":\"/myip\""), std::string::npos) << record;
  EXPECT_NE(record.find("\"body\":\"\""), std::string::npos) << record;
  // No header of the program's own: only what WinHTTP sends by itself (its default
  // User-Agent included), none of the update check's "User-..." headers.
  std::string others = record;
  for (size_t at; (at = others.find("\"User-Agent\"")) != std::string::npos;) others.erase(at, 12);
  EXPECT_EQ(others.find("\"User-"), std::string::npos) << record;
}

TEST(IsOnline, ErrorStatusWhoseBodyHoldsTheKeyIsOnline) { EXPECT_TRUE(Probe("myip-error-with-key")); }

TEST(IsOnline, BodyWithoutTheQuotedLowerCaseKeyIsOffline) {
  EXPECT_FALSE(Probe("myip-no-key"));
  EXPECT_FALSE(Probe("myip-empty"));
  // "ip" is there, but the body is no UTF-8 as it declares: a decoding error is no reply.
  EXPECT_FALSE(Probe("myip-bad-utf8"));
}

TEST(IsOnline, ServerThatClosesWithoutReplyIsOffline) {
  EXPECT_FALSE(Probe("myip-close"));
  EXPECT_FALSE(Records("myip-close").empty()) << "the request never reached the stand-in";
}

TEST(IsOnline, NothingListeningIsOffline) {
  // A socket bound but not listening holds a free port that refuses connections.
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(s, INVALID_SOCKET);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
  int len = sizeof(addr);
  ASSERT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const std::string port = std::to_string(ntohs(addr.sin_port));
  EXPECT_FALSE(IsOnlineAt(u"localhost:" + std::u16string(port.begin(), port.end())));
  closesocket(s);
  WSACleanup();
}

TEST(IsOnline, CertificateNotFromTheTrustedCaIsOffline) {
  EXPECT_FALSE(Probe("myip-untrusted"));
  // The client refused the certificate: whatever the stand-in recorded, no request came.
  for (const std::string& r : Records("myip-untrusted"))
    EXPECT_EQ(r.find("\"event\":\"request\""), std::string::npos) << r;
}

TEST(IsOnline, FiveRedirectsAreFollowedMoreAreNot) {
  EXPECT_TRUE(Probe("myip-redirect-5"));
  EXPECT_EQ(Records("myip-redirect-5").size(), 6u);
  EXPECT_FALSE(Probe("myip-redirect-6"));
}

TEST(IsOnline, BodyUpToTheBoundIsReadOnePastItIsOffline) {
  EXPECT_TRUE(Probe("myip-at-bound"));
  EXPECT_FALSE(Probe("myip-past-bound"));
  EXPECT_FALSE(Probe("myip-past-bound-chunked"));  // no length announced: caught while reading
}

TEST(IsOnline, BodyIsDecodedByItsDeclaredCharset) {
  EXPECT_TRUE(Probe("myip-utf16"));  // read as bytes, UTF-16 has a zero between the letters
  EXPECT_TRUE(Probe("myip-koi8"));
  EXPECT_TRUE(Probe("myip-unknown-charset"));  // read as UTF-8
}

}  // namespace
}  // namespace swiftlane
