// The update exchange against the stand-in update service: the request as the service
// sees it, the reply as the program reads it, and the whole road of CheckUpdate.
#include "update/update_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>

#include "standin_win.h"
#include "update/install_id_win.h"
#include "update/update_dialog_win.h"
#include "update/version_win.h"

namespace swiftlane {
namespace {

std::u16string Url(const char* path) {
  return u"https://" + standin::HostPort("update") + std::u16string(path, path + strlen(path));
}

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out.push_back(static_cast<char>(c));
  return out;
}

// The stand-in's record of the last request to a path.
std::string LastRecord(const std::string& path) {
  const auto records = standin::Records("update");
  for (auto it = records.rbegin(); it != records.rend(); ++it)
    if (it->find("\"path\":" + standin::Quoted(path)) != std::string::npos) return *it;
  return {};
}

const HeaderList kHeaders = UpdateCheckHeaders(u"1.5.7.0", u"ko", u"");

TEST(SendUpdateRequest, HeadersInOrderEvenWithoutAnIdentity) {
  std::u16string reply;
  ASSERT_TRUE(SendUpdateRequest(Url("/api.init.php?empty-id"), kHeaders, reply));
  const std::string r = LastRecord("/api.init.php?empty-id");
  ASSERT_FALSE(r.empty());
  EXPECT_NE(r.find("\"method\":\"GET\""), std::string::npos) << r;
  EXPECT_TRUE(standin::HasHeadersInOrder(
      r, {{"User-Version", "1.5.7.0"}, {"User-Language", "ko"}, {"User-Debug", "false"}, {"User-Union", ""}}));
}

TEST(SendUpdateRequest, ReplyIsUtf8WhateverItDeclaresAndAnyStatusCounts) {
  std::u16string reply;
  ASSERT_TRUE(SendUpdateRequest(Url("/api.init.php"), kHeaders, reply));
  EXPECT_EQ(reply, u"{\"update\":\"https:\\/\\/x\\/setup.exe\",\"info\":{\"style\":\"hold\",\"text\":\"\uc608 caf\u00e9\"}}");
  ASSERT_TRUE(SendUpdateRequest(Url("/error"), kHeaders, reply));
  EXPECT_EQ(reply, u"<html>oops</html>");
}

TEST(SendUpdateRequest, HeaderValuesStayOneLine) {
  std::u16string reply;
  ASSERT_TRUE(SendUpdateRequest(Url("/hold?inject"), UpdateCheckHeaders(u"1", u"en", u"AB\r\nX-Injected: 1"), reply));
  const std::string r = LastRecord("/hold?inject");
  EXPECT_EQ(r.find("[\"X-Injected\""), std::string::npos) << r;
  EXPECT_NE(r.find("[\"User-Union\",\"ABX-Injected: 1\"]"), std::string::npos) << r;
}

TEST(SendUpdateRequest, RedirectsBodyBoundAndFailures) {
  std::u16string reply;
  ASSERT_TRUE(SendUpdateRequest(Url("/hop5"), kHeaders, reply));
  EXPECT_EQ(reply, u"arrived");
  ASSERT_TRUE(SendUpdateRequest(Url("/fits"), kHeaders, reply));
  EXPECT_EQ(reply.size(), 4u * 1024u * 1024u);

  reply = u"keep";
  EXPECT_FALSE(SendUpdateRequest(Url("/hop6"), kHeaders, reply));  // a sixth redirect
  EXPECT_FALSE(SendUpdateRequest(Url("/over"), kHeaders, reply));  // 4 MiB and one byte
  EXPECT_FALSE(SendUpdateRequest(u"https://" + standin::HostPort("myip-untrusted") + u"/myip", kHeaders, reply));
  EXPECT_FALSE(SendUpdateRequest(u"https://" + standin::HostPort("myip-close") + u"/myip", kHeaders, reply));
  EXPECT_EQ(reply, u"keep");
}

TEST(SendHoldCommand, SendsVersionAndCommand) {
  EXPECT_TRUE(SendHoldCommand(Url("/hold?command")));
  const std::string r = LastRecord("/hold?command");
  // This test program carries no version block of its own: whatever it reads is sent.
  const std::string version = Narrow(GetVersionString(u"%d.%d.%d.%d"));
  EXPECT_NE(r.find("[\"User-Version\"," + standin::Quoted(version) + "],[\"User-Command\",\"hold\"]"), std::string::npos)
      << r;
}

// Stands in for the window thread: runs each handed-over call on the test's own thread
// while the worker waits.
class FakeWindowThread {
 public:
  RunOnWindowThreadFn runner() {
    return [this](std::function<void()> call) {
      std::promise<void> done;
      {
        std::lock_guard<std::mutex> lock(m_);
        pending_ = [&] {
          call();
          done.set_value();
        };
      }
      cv_.notify_all();
      done.get_future().wait();
      return true;
    };
  }
  // Runs one handed-over call; false when none came in time.
  bool RunOne(std::chrono::milliseconds within) {
    std::unique_lock<std::mutex> lock(m_);
    if (!cv_.wait_for(lock, within, [&] { return static_cast<bool>(pending_); })) return false;
    auto call = std::move(pending_);
    pending_ = nullptr;
    lock.unlock();
    call();
    return true;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::function<void()> pending_;
};

TEST(CheckUpdate, WholeRoadFromRequestToCallback) {
  FakeWindowThread window;
  std::vector<std::u16string> opened;
  std::u16string dialogText;
  std::atomic<int> callbacks{0};
  bool accepted = false;
  std::u16string callbackReply;
  const DWORD windowThread = GetCurrentThreadId();

  UpdateCheckHooks hooks;
  hooks.language = u"de";
  hooks.runOnWindowThread = window.runner();
  hooks.dialog = [&](const std::u16string&, const UpdateInfo& info) {
    EXPECT_EQ(GetCurrentThreadId(), windowThread);
    dialogText = info.text;
    return true;
  };
  hooks.shellOpen = [&](const std::u16string& t) { opened.push_back(t); };
  CheckUpdate(Url("/api.init.php"),
              [&](bool a, const std::u16string& r) {
                accepted = a;
                callbackReply = r;
                ++callbacks;
              },
              10, std::move(hooks));
  EXPECT_EQ(ServiceURL(), Url("/api.init.php"));
  EXPECT_EQ(RowOffset(), 10);

  ASSERT_TRUE(window.RunOne(std::chrono::seconds(60)));
  EXPECT_EQ(callbacks.load(), 1);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(callbackReply,
            u"{\"update\":\"https:\\/\\/x\\/setup.exe\",\"info\":{\"style\":\"hold\",\"text\":\"\uc608 caf\u00e9\"}}");
  EXPECT_EQ(opened, std::vector<std::u16string>{u"https://x/setup.exe"});
  EXPECT_EQ(dialogText, u"\uc608 caf\u00e9");

  const std::u16string id = GetInstallId();
  ASSERT_EQ(id.size(), 32u);
  const std::string r = LastRecord("/api.init.php");
  const std::string version = Narrow(GetVersionString(u"%d.%d.%d.%d"));
  EXPECT_NE(r.find("[\"User-Version\"," + standin::Quoted(version) + "],[\"User-Language\",\"de\"],[\"User-Debug\",\"false\"],"
                   "[\"User-Union\"," + standin::Quoted(Narrow(id)) + "]"),
            std::string::npos)
      << r;
}

}  // namespace
}  // namespace swiftlane
