#include "crash/upload_rules.h"

#include <gtest/gtest.h>

namespace swiftlane::crash {
namespace {

TEST(CrashUploadRules, ServerUrlSplit) {
  struct Case {
    std::u16string url, host, path;
    std::uint16_t port;
    bool valid;
  } cases[] = {
      {u"https://report.example/except.php", u"report.example", u"/except.php", 443, true},
      {u"https://localhost:8443/except.php", u"localhost", u"/except.php", 8443, true},
      {u"https://host.example", u"host.example", u"/", 443, true},
      {u"https://host:0/x", u"", u"/x", 443, false},
      {u"https://host:99999/x", u"", u"/x", 443, false},
      {u"https://host:8a/x", u"", u"/x", 443, false},
      {u"https:///x", u"", u"/x", 443, false},
  };
  for (const auto& c : cases) {
    TServerAddress a = SplitServerUrl(c.url, 443);
    EXPECT_EQ(a.valid, c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(a.host, c.host);
    EXPECT_EQ(a.port, c.port);
    EXPECT_EQ(a.path, c.path);
  }
}

TEST(CrashUploadRules, OnlyAbsoluteWebLocationsAreOpened) {
  struct Case {
    std::u16string location;
    bool open;
  } cases[] = {
      {u"https://www.example/thanks", true},
      {u"HTTP://www.example/", true},
      {u"/thanks.html", false},
      {u"file:///C:/Windows/System32/calc.exe", false},
      {u"C:\\Windows\\notepad.exe", false},
      {u"javascript:alert(1)", false},
      {u"https://", false},
      {u"https:///path", false},
      {u"https://host/a b", false},
      {u"https://host/\r\nx", false},
      {u"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsOpenableLocation(c.location), c.open) << c.location.size();
}

TEST(CrashUploadRules, ReplyStatuses) {
  EXPECT_EQ(ClassifyReply(200, false), TReplyOutcome::kSuccess);
  for (std::uint32_t s : {301u, 302u, 303u}) {
    EXPECT_EQ(ClassifyReply(s, true), TReplyOutcome::kSuccessOpenLocation);
    EXPECT_EQ(ClassifyReply(s, false), TReplyOutcome::kFailure);
  }
  for (std::uint32_t s : {201u, 204u, 304u, 307u, 401u, 407u, 500u, 503u})
    EXPECT_EQ(ClassifyReply(s, true), TReplyOutcome::kFailure) << s;
}

}  // namespace
}  // namespace swiftlane::crash
