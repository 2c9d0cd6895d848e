// The update worker's own road without the network; the exchange with a service is
// tested against the stand-in (tests/standin/update_win_test.cpp).
#include "update/update_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "update/shell_win.h"

namespace swiftlane {
namespace {

TEST(CheckUpdate, ClosingDuringTheWaitsEndsWithoutCallback) {
  std::atomic<int> sleeps{0}, sends{0}, callbacks{0}, handOvers{0};
  UpdateCheckHooks hooks;
  hooks.runOnWindowThread = [&](std::function<void()> call) {
    ++handOvers;
    call();
    return true;
  };
  hooks.closing = [&] { return sleeps.load() >= 150; };
  hooks.sleep = [&](std::uint32_t ms) {
    EXPECT_EQ(ms, 10u);
    ++sleeps;
  };
  hooks.send = [&](const HeaderList&, std::u16string&) {
    ++sends;
    return false;  // the service cannot be reached
  };
  CheckUpdate(u"https://localhost:1/api.init.php", [&](bool, const std::u16string&) { ++callbacks; }, 10,
              std::move(hooks));
  EXPECT_EQ(ServiceURL(), u"https://localhost:1/api.init.php");
  EXPECT_EQ(RowOffset(), 10);
  // 150 steps of a fake clock: the worker is done long before this.
  for (int i = 0; i < 100 && sleeps.load() < 150; ++i) Sleep(20);
  Sleep(200);
  EXPECT_EQ(sleeps.load(), 150);
  EXPECT_EQ(sends.load(), 2);
  EXPECT_EQ(handOvers.load(), 0);
  EXPECT_EQ(callbacks.load(), 0);
}

TEST(CheckUpdate, WindowGoneMeansNoCallback) {
  std::atomic<int> callbacks{0}, handOvers{0};
  UpdateCheckHooks hooks;
  hooks.runOnWindowThread = [&](std::function<void()>) {
    ++handOvers;
    return false;  // the window has gone: the call is not run
  };
  hooks.send = [](const HeaderList&, std::u16string& reply) {
    reply = u"{\"update\":\"\"}";
    return true;
  };
  CheckUpdate(u"https://localhost:1/api.init.php", [&](bool, const std::u16string&) { ++callbacks; }, 10,
              std::move(hooks));
  for (int i = 0; i < 100 && handOvers.load() == 0; ++i) Sleep(20);
  Sleep(100);
  EXPECT_EQ(handOvers.load(), 1);
  EXPECT_EQ(callbacks.load(), 0);
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
