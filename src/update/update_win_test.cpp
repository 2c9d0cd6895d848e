#include "update/update_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "update/install_id_win.h"
#include "update/update_dialog_win.h"
#include "update/shell_win.h"

namespace swiftlane {
namespace {

// A plain HTTP server on 127.0.0.1 inside the test process: it records every request
// and answers each from the test's responder, one connection per request.
class LoopbackServer {
 public:
  using Responder = std::function<std::string(const std::string& request)>;

  explicit LoopbackServer(Responder responder) : responder_(std::move(responder)) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    int len = sizeof(addr);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(listener_, 16);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    stop_ = true;
    thread_.join();
    closesocket(listener_);
    WSACleanup();
  }
  int port() const { return port_; }
  std::u16string url(const std::string& path) const {
    const std::string u = "http://127.0.0.1:" + std::to_string(port_) + path;
    return std::u16string(u.begin(), u.end());
  }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    while (!stop_) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(listener_, &set);
      timeval tv{0, 20000};
      if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
      SOCKET s = accept(listener_, nullptr, nullptr);
      if (s == INVALID_SOCKET) continue;
      std::string request;
      char buf[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = recv(s, buf, sizeof(buf), 0);
        if (n <= 0) break;
        request.append(buf, n);
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
      }
      const std::string response = responder_(request);
      size_t sent = 0;
      while (sent < response.size()) {
        const int n = send(s, response.data() + sent, static_cast<int>(std::min<size_t>(response.size() - sent, 65536)), 0);
        if (n <= 0) break;
        sent += n;
      }
      shutdown(s, SD_SEND);
      // Let the client read to the end before the socket goes.
      while (recv(s, buf, sizeof(buf), 0) > 0) {
      }
      closesocket(s);
    }
  }

  Responder responder_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

std::string Response(const std::string& status, const std::string& body, const std::string& extra = "") {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" +
         extra + "\r\n" + body;
}

std::string PathOf(const std::string& request) {
  const size_t a = request.find(' ');
  const size_t b = request.find(' ', a + 1);
  return request.substr(a + 1, b - a - 1);
}

const HeaderList kHeaders = UpdateCheckHeaders(u"1.5.7.0", u"ko", u"");

TEST(SendUpdateRequest, HeadersInOrderAndAnyStatusIsAReply) {
  LoopbackServer server([](const std::string&) { return Response("500 Internal Server Error", "{\"error\":1}"); });
  std::u16string reply = u"before";
  ASSERT_TRUE(SendUpdateRequest(server.url("/api.init.php"), kHeaders, reply));
  EXPECT_EQ(reply, u"{\"error\":1}");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string& r = requests[0];
  EXPECT_EQ(r.rfind("GET /api.init.php HTTP/1.1\r\n", 0), 0u) << r;
  const size_t version = r.find("\r\nUser-Version: 1.5.7.0\r\n");
  const size_t language = r.find("\r\nUser-Language: ko\r\n");
  const size_t debug = r.find("\r\nUser-Debug: false\r\n");
  const size_t unionId = r.find("\r\nUser-Union:");
  ASSERT_NE(version, std::string::npos) << r;
  ASSERT_NE(language, std::string::npos) << r;
  ASSERT_NE(debug, std::string::npos) << r;
  ASSERT_NE(unionId, std::string::npos) << r;  // sent even when the identity is empty
  EXPECT_LT(version, language);
  EXPECT_LT(language, debug);
  EXPECT_LT(debug, unionId);
}

TEST(SendUpdateRequest, BodyIsUtf8WhateverTheDeclaredCharset) {
  LoopbackServer server([](const std::string&) {
    return Response("200 OK", "{\"update\":\"\xED\x95\x9C \xC3\xA9\"}", "Content-Type: text/plain; charset=iso-8859-1\r\n");
  });
  std::u16string reply;
  ASSERT_TRUE(SendUpdateRequest(server.url("/"), kHeaders, reply));
  EXPECT_EQ(reply, u"{\"update\":\"\ud55c \u00e9\"}");
}

TEST(SendUpdateRequest, HeaderValuesStayOneLine) {
  LoopbackServer server([](const std::string&) { return Response("200 OK", "ok"); });
  std::u16string reply;
  ASSERT_TRUE(SendUpdateRequest(server.url("/"), UpdateCheckHeaders(u"1", u"en", u"AB\r\nX-Injected: 1"), reply));
  const std::string r = server.requests().at(0);
  EXPECT_EQ(r.find("\r\nX-Injected"), std::string::npos) << r;
  EXPECT_NE(r.find("User-Union: ABX-Injected: 1\r\n"), std::string::npos) << r;
}

// /hop/N redirects to /hop/N-1; /hop/0 answers.
std::string Hops(const std::string& request) {
  const std::string path = PathOf(request);
  const int n = std::stoi(path.substr(5));
  if (n == 0) return Response("200 OK", "arrived");
  return Response("302 Found", "", "Location: /hop/" + std::to_string(n - 1) + "\r\n");
}

TEST(SendUpdateRequest, FollowsUpToFiveRedirects) {
  LoopbackServer server(Hops);
  std::u16string reply;
  ASSERT_TRUE(SendUpdateRequest(server.url("/hop/5"), kHeaders, reply));
  EXPECT_EQ(reply, u"arrived");
  EXPECT_EQ(server.requests().size(), 6u);
  const std::string last = server.requests().back();
  EXPECT_NE(last.find("User-Version: 1.5.7.0"), std::string::npos) << last;

  // A sixth redirect is one too many: the request fails and the reply stays.
  reply = u"keep";
  EXPECT_FALSE(SendUpdateRequest(server.url("/hop/6"), kHeaders, reply));
  EXPECT_EQ(reply, u"keep");
}

TEST(SendUpdateRequest, TransportErrorLeavesTheReply) {
  int port = 0;
  { LoopbackServer gone([](const std::string&) { return std::string(); }); port = gone.port(); }
  const std::string u = "http://127.0.0.1:" + std::to_string(port) + "/api.init.php";
  std::u16string reply = u"keep";
  EXPECT_FALSE(SendUpdateRequest(std::u16string(u.begin(), u.end()), kHeaders, reply));
  EXPECT_EQ(reply, u"keep");
  EXPECT_FALSE(SendUpdateRequest(u"not a url", kHeaders, reply));
  EXPECT_FALSE(SendUpdateRequest(u"ftp://127.0.0.1/x", kHeaders, reply));
  EXPECT_EQ(reply, u"keep");
}

TEST(SendUpdateRequest, BodyBeyondTheBoundFails) {
  LoopbackServer server([](const std::string& request) {
    const size_t size = PathOf(request) == "/over" ? kMaxReplyBytes + 1 : kMaxReplyBytes;
    return Response("200 OK", std::string(size, 'a'));
  });
  std::u16string reply = u"keep";
  EXPECT_FALSE(SendUpdateRequest(server.url("/over"), kHeaders, reply));
  EXPECT_EQ(reply, u"keep");
  ASSERT_TRUE(SendUpdateRequest(server.url("/fits"), kHeaders, reply));
  EXPECT_EQ(reply.size(), kMaxReplyBytes);
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
        pending_ = [&] { call(); done.set_value(); };
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
  const std::string body = "{\"update\":\"https:\\/\\/x\\/setup.exe\",\"info\":{\"style\":\"hold\"}}";
  LoopbackServer server([&](const std::string&) { return Response("200 OK", body); });
  FakeWindowThread window;
  std::vector<std::u16string> opened;
  std::u16string dialogStyle;
  std::atomic<int> callbacks{0};
  bool accepted = false;
  std::u16string callbackReply;
  const DWORD windowThread = GetCurrentThreadId();

  UpdateCheckHooks hooks;
  hooks.language = u"de";
  hooks.runOnWindowThread = window.runner();
  hooks.dialog = [&](const std::u16string&, const UpdateInfo& info) {
    EXPECT_EQ(GetCurrentThreadId(), windowThread);
    dialogStyle = info.style;
    return true;
  };
  hooks.shellOpen = [&](const std::u16string& t) { opened.push_back(t); };
  CheckUpdate(server.url("/api.init.php"),
              [&](bool a, const std::u16string& r) {
                accepted = a;
                callbackReply = r;
                ++callbacks;
              },
              10, std::move(hooks));
  EXPECT_EQ(ServiceURL(), server.url("/api.init.php"));
  EXPECT_EQ(RowOffset(), 10);

  ASSERT_TRUE(window.RunOne(std::chrono::seconds(20)));
  EXPECT_EQ(callbacks.load(), 1);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(callbackReply, std::u16string(body.begin(), body.end()));
  EXPECT_EQ(opened, std::vector<std::u16string>{u"https://x/setup.exe"});
  EXPECT_EQ(dialogStyle, u"hold");

  const std::string r = server.requests().at(0);
  const std::u16string id = GetInstallId();
  ASSERT_EQ(id.size(), 32u);
  EXPECT_NE(r.find("User-Version: 1.5.7.0\r\nUser-Language: de\r\nUser-Debug: false\r\nUser-Union: " +
                   std::string(id.begin(), id.end()) + "\r\n"),
            std::string::npos)
      << r;
}

TEST(CheckUpdate, ClosingDuringTheWaitsEndsWithoutCallback) {
  int port = 0;
  { LoopbackServer gone([](const std::string&) { return std::string(); }); port = gone.port(); }
  const std::string u = "http://127.0.0.1:" + std::to_string(port) + "/api.init.php";
  FakeWindowThread window;
  std::atomic<int> sleeps{0}, sends{0}, callbacks{0};

  UpdateCheckHooks hooks;
  hooks.runOnWindowThread = window.runner();
  hooks.closing = [&] { return sleeps.load() >= 150; };
  hooks.sleep = [&](std::uint32_t ms) {
    EXPECT_EQ(ms, 10u);
    ++sleeps;
  };
  hooks.send = [&, url = std::u16string(u.begin(), u.end())](const HeaderList& h, std::u16string& reply) {
    ++sends;
    return SendUpdateRequest(url, h, reply);  // refused: the port is closed
  };
  CheckUpdate(std::u16string(u.begin(), u.end()), [&](bool, const std::u16string&) { ++callbacks; }, 10,
              std::move(hooks));
  EXPECT_FALSE(window.RunOne(std::chrono::milliseconds(1500)));
  EXPECT_EQ(callbacks.load(), 0);
  EXPECT_EQ(sleeps.load(), 150);
  EXPECT_EQ(sends.load(), 2);
}

TEST(SendHoldCommand, SendsVersionAndCommand) {
  LoopbackServer server([](const std::string&) { return Response("200 OK", "{}"); });
  EXPECT_TRUE(SendHoldCommand(server.url("/api.init.php")));
  const std::string r = server.requests().at(0);
  EXPECT_NE(r.find("\r\nUser-Version: 1.5.7.0\r\nUser-Command: hold\r\n"), std::string::npos) << r;
}

TEST(ShellOpen, OpensADocumentWithItsOpenVerb) {
  wchar_t dir[MAX_PATH];
  ASSERT_NE(GetTempPathW(MAX_PATH, dir), 0u);
  const std::wstring script = std::wstring(dir) + L"swiftlane_open.cmd";
  const std::wstring marker = std::wstring(dir) + L"swiftlane_opened.txt";
  DeleteFileW(marker.c_str());
  {
    HANDLE f = CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    const std::string text = "@echo opened> \"" + std::string(marker.begin(), marker.end()) + "\"\r\n";
    DWORD n = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(f);
  }
  ShellOpen(std::u16string(script.begin(), script.end()));
  bool seen = false;
  for (int i = 0; i < 200 && !seen; ++i) {
    seen = GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!seen) Sleep(50);
  }
  EXPECT_TRUE(seen);
  DeleteFileW(marker.c_str());
  DeleteFileW(script.c_str());
}

}  // namespace
}  // namespace swiftlane
