#include "update/update_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace swiftlane {
namespace {

TEST(UpdateCheckHeaders, FourHeadersInOrder) {
  const HeaderList h = UpdateCheckHeaders(u"1.5.7.0", u"ko", u"");
  const HeaderList expected = {
      {u"User-Version", u"1.5.7.0"}, {u"User-Language", u"ko"}, {u"User-Debug", u"false"}, {u"User-Union", u""}};
  EXPECT_EQ(h, expected);
  const HeaderList hold = {{u"User-Version", u"1.5.7.0"}, {u"User-Command", u"hold"}};
  EXPECT_EQ(HoldCommandHeaders(u"1.5.7.0"), hold);
}

// Drives the attempt loop with a scripted service and counts what it did.
struct LoopRun {
  int sends = 0;
  int sleeps = 0;
  std::uint32_t sleptMs = 0;
  bool handedOver = false;
  std::u16string reply = u"untouched";
};

LoopRun RunLoop(int succeedOnAttempt, int closingAfterSteps) {
  LoopRun run;
  const HeaderList headers = UpdateCheckHeaders(u"1.5.7.0", u"en", u"ID");
  run.handedOver = FetchUpdateReply(
      headers,
      [&](const HeaderList& h, std::u16string& reply) {
        EXPECT_EQ(h, headers);
        ++run.sends;
        if (run.sends == succeedOnAttempt) {
          reply = u"{\"update\":\"\"}";
          return true;
        }
        reply = u"half a body";  // a failed attempt that scribbled on its output
        return false;
      },
      [&](std::uint32_t ms) {
        ++run.sleeps;
        run.sleptMs += ms;
      },
      [&] { return closingAfterSteps >= 0 && run.sleeps >= closingAfterSteps; }, run.reply);
  return run;
}

TEST(FetchUpdateReply, AttemptsWaitsAndClosing) {
  const struct {
    const char* what;
    int succeedOn, closingAfter;
    int sends, sleeps;
    bool handedOver;
    std::u16string reply;
  } cases[] = {
      {"first attempt answers", 1, -1, 1, 0, true, u"{\"update\":\"\"}"},
      {"third attempt answers", 3, -1, 3, 200, true, u"{\"update\":\"\"}"},
      {"last attempt answers", 60, -1, 60, 5900, true, u"{\"update\":\"\"}"},
      {"service down the whole minute", 0, -1, 60, 6000, true, u""},
      {"closing at once", 0, 0, 1, 0, false, u"untouched"},
      {"closing mid-wait", 0, 150, 2, 150, false, u"untouched"},
  };
  for (const auto& c : cases) {
    const LoopRun run = RunLoop(c.succeedOn, c.closingAfter);
    EXPECT_EQ(run.sends, c.sends) << c.what;
    EXPECT_EQ(run.sleeps, c.sleeps) << c.what;
    EXPECT_EQ(run.sleptMs, c.sleeps * 10u) << c.what;
    EXPECT_EQ(run.handedOver, c.handedOver) << c.what;
    EXPECT_EQ(run.reply, c.reply) << c.what;
  }
}

TEST(IsOpenableUrl, Table) {
  const struct {
    std::u16string url;
    bool ok;
  } cases[] = {
      {u"https://x/setup.exe", true},
      {u"http://x", true},
      {u"HTTPS://X/a?b=c#d", true},
      {u"https://x/\ub2e4\uc6b4", true},
      {u"", false},
      {u"https://", false},
      {u"https:///path", false},
      {u"https://?q", false},
      {u"file:///C:/Windows/System32/calc.exe", false},
      {u"C:\\Windows\\System32\\cmd.exe", false},
      {u"\\\\server\\share\\x.exe", false},
      {u"javascript:alert(1)", false},
      {u"ftp://x/", false},
      {u" https://x/", false},
      {u"https://x/\r\nmore", false},
      {std::u16string(u"https://x/\0.exe", 15), false},
      {u"https://x/\u0085", false},
      {u"https://x/a b", false},
      {u"https://x/\" --flag", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsOpenableUrl(c.url), c.ok) << std::string(c.url.begin(), c.url.end());
}

// What the handling did with one reply.
struct Handled {
  bool result = false;
  std::optional<UpdateInfo> dialogInfo;
  std::vector<std::u16string> opened;
  int callbacks = 0;
  bool accepted = false;
  std::u16string callbackReply;
};

Handled Handle(const std::u16string& reply, bool answerYes) {
  Handled h;
  h.result = HandleUpdateReply(
      reply,
      [&](const std::u16string& r, const UpdateInfo& info) {
        EXPECT_EQ(r, reply);
        h.dialogInfo = info;
        return answerYes;
      },
      [&](const std::u16string& target) { h.opened.push_back(target); },
      [&](bool accepted, const std::u16string& r) {
        ++h.callbacks;
        h.accepted = accepted;
        h.callbackReply = r;
      });
  return h;
}

TEST(HandleUpdateReply, Table) {
  const struct {
    const char* what;
    std::u16string reply;
    bool yes;
    bool dialog;
    std::u16string opened;  // empty: nothing opened
    bool accepted;
  } cases[] = {
      {"empty reply (service down)", u"", true, false, u"", false},
      {"error page without the key", u"<html>502 Bad Gateway</html>", true, false, u"", false},
      {"empty update value", u"{\"update\":\"\"}", true, false, u"", false},
      {"accepted", u"{\"update\":\"https://x/s.exe\"}", true, true, u"https://x/s.exe", true},
      {"declined", u"{\"update\":\"https://x/s.exe\"}", false, true, u"", false},
      {"key in capitals, escaped slashes", u"{\"UPDATE\":\"https:\\/\\/x\\/s.exe\"}", true, true, u"https://x/s.exe",
       true},
      {"blank before the value reads as no update", u"{\"update\": \"https://x/\"}", true, false, u"", false},
      {"local program is not offered", u"{\"update\":\"C:\\\\Windows\\\\System32\\\\calc.exe\"}", true, false, u"",
       false},
      {"file address is not offered", u"{\"update\":\"file:///C:/x.exe\"}", true, false, u"", false},
      {"control character is not offered", u"{\"update\":\"https://x/\\u000a\"}", true, false, u"", false},
      {"bad escape in info without update", u"{\"update\":\"\",\"info\":{\"text\":\"\\uZZZZ\"}}", true, false, u"",
       false},
  };
  for (const auto& c : cases) {
    const Handled h = Handle(c.reply, c.yes);
    EXPECT_TRUE(h.result) << c.what;
    EXPECT_EQ(h.dialogInfo.has_value(), c.dialog) << c.what;
    EXPECT_EQ(h.opened, c.opened.empty() ? std::vector<std::u16string>{} : std::vector<std::u16string>{c.opened})
        << c.what;
    EXPECT_EQ(h.callbacks, 1) << c.what;
    EXPECT_EQ(h.accepted, c.accepted) << c.what;
    EXPECT_EQ(h.callbackReply, c.reply) << c.what;  // the whole reply, not the address
  }
}

TEST(HandleUpdateReply, MalformedEscapeEndsWithoutDialogOrCallback) {
  for (const std::u16string reply : {
           u"{\"update\":\"https://x/\\u12G4\"}",
           u"{\"update\":\"\\u\"}",
           u"{\"update\":\"https://x/\",\"info\":{\"style\":\"hold\",\"text\":\"\\uXYZW\"}}",
           u"{\"update\":\"https://x/\",\"info\":{\"url\":\"\\u\"}}",
       }) {
    const Handled h = Handle(reply, true);
    EXPECT_FALSE(h.result);
    EXPECT_FALSE(h.dialogInfo.has_value());
    EXPECT_TRUE(h.opened.empty());
    EXPECT_EQ(h.callbacks, 0);
  }
}

TEST(HandleUpdateReply, DialogGetsTheResolvedInfo) {
  const Handled h = Handle(
      u"{\"update\":\"https://x/\",\"info\":{\"style\":\"note\",\"text\":\"\\ub178\\ud2b8 \\\"1\\\"\","
      u"\"flag\":\"a,stayontop\",\"url\":\"https:\\/\\/x\\/n\"}}",
      false);
  ASSERT_TRUE(h.dialogInfo.has_value());
  EXPECT_EQ(h.dialogInfo->style, u"note");
  EXPECT_EQ(h.dialogInfo->text, u"\ub178\ud2b8 \"1\"");
  EXPECT_EQ(h.dialogInfo->flag, u"a,stayontop");
  EXPECT_EQ(h.dialogInfo->url, u"https://x/n");

  const Handled plain = Handle(u"{\"update\":\"https://x/\"}", false);
  ASSERT_TRUE(plain.dialogInfo.has_value());
  EXPECT_TRUE(plain.dialogInfo->style.empty() && plain.dialogInfo->text.empty() && plain.dialogInfo->flag.empty() &&
              plain.dialogInfo->url.empty());
}

TEST(OpenReplyAddress, OnlyOpenableAddressesReachTheShell) {
  std::vector<std::u16string> opened;
  const ShellOpenFn open = [&](const std::u16string& t) { opened.push_back(t); };
  OpenReplyAddress(u"https://x/n", open);
  OpenReplyAddress(u"cmd.exe", open);
  OpenReplyAddress(u"", open);
  EXPECT_EQ(opened, std::vector<std::u16string>{u"https://x/n"});
}

}  // namespace
}  // namespace swiftlane
