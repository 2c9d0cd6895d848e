#include "update/install_id_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "system/win_handles_win.h"
#include "update/install_id.h"

namespace swiftlane {
namespace {

// Runs a command line and returns what it printed; Wine's reg.exe is the independent reader.
std::string RunAndCapture(std::wstring command) {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  win::unique_handle readEnd, writeEnd;
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &sa, 0)) return {};
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd.get();
  si.hStdError = writeEnd.get();
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return {};
  win::unique_handle process(pi.hProcess), thread(pi.hThread);
  writeEnd.reset();
  std::string out;
  char buf[512];
  DWORD n = 0;
  while (ReadFile(readEnd.get(), buf, sizeof(buf), &n, nullptr) && n > 0) out.append(buf, n);
  WaitForSingleObject(process.get(), 10000);
  return out;
}

std::string RegQuery() { return RunAndCapture(L"reg.exe query HKCU\\Software\\Tarnwick /v TUID"); }

class InstallIdTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteValue(); }
  void TearDown() override { DeleteValue(); }
  static void DeleteValue() { RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Tarnwick", L"TUID"); }
  static void SetRaw(DWORD type, const void* data, DWORD bytes) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Tarnwick", L"TUID", type, data, bytes), ERROR_SUCCESS);
  }
};

bool IsUpperHex(const std::u16string& s) {
  for (char16_t c : s)
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
  return true;
}

TEST_F(InstallIdTest, MadeOnceStoredAndKept) {
  SYSTEMTIME before{};
  GetLocalTime(&before);
  const std::u16string id = GetInstallId();
  ASSERT_EQ(id.size(), 32u);
  EXPECT_TRUE(IsUpperHex(id.substr(0, 8)) && IsUpperHex(id.substr(14, 4)) && IsUpperHex(id.substr(24, 8)));
  EXPECT_LE(id[0], u'7');
  EXPECT_LE(id[24], u'7');
  wchar_t date[8];
  swprintf(date, 8, L"%02d%02d%02d", before.wYear % 100, before.wMonth, before.wDay);
  EXPECT_EQ(id.substr(8, 6), win::U(date));

  EXPECT_EQ(GetInstallId(), id);
  const std::string shown = RegQuery();
  EXPECT_NE(shown.find("REG_SZ"), std::string::npos) << shown;
  EXPECT_NE(shown.find(std::string(id.begin(), id.end())), std::string::npos) << shown;

  DeleteValue();
  const std::u16string renewed = GetInstallId();
  EXPECT_EQ(renewed.size(), 32u);
  EXPECT_NE(renewed, id);
}

TEST_F(InstallIdTest, EmptyValueIsReturnedAndNotReplaced) {
  SetRaw(REG_SZ, L"", sizeof(wchar_t));
  EXPECT_EQ(GetInstallId(), u"");
  const std::string shown = RegQuery();
  EXPECT_NE(shown.find("REG_SZ"), std::string::npos) << shown;
  EXPECT_EQ(GetInstallId(), u"");
}

TEST_F(InstallIdTest, ValueOfAnotherTypeGivesEmptyAndStays) {
  const DWORD number = 1234;
  SetRaw(REG_DWORD, &number, sizeof(number));
  EXPECT_EQ(GetInstallId(), u"");
  const std::string shown = RegQuery();
  EXPECT_NE(shown.find("REG_DWORD"), std::string::npos) << shown;
}

TEST_F(InstallIdTest, TextWithoutTerminatorReadsWhole) {
  SetRaw(REG_SZ, L"ABCD", 4 * sizeof(wchar_t));
  EXPECT_EQ(GetInstallId(), u"ABCD");
}

// The identity is made on the update worker: the seed set at start-up must reach it.
TEST(MakeInstallId, SeedFromTheStartingThreadReachesAWorker) {
  SeedRandom(77);
  const std::u16string here = MakeInstallId();
  SeedRandom(77);
  std::u16string there;
  std::thread([&] { there = MakeInstallId(); }).join();
  EXPECT_EQ(here.substr(0, 8), there.substr(0, 8));
  EXPECT_EQ(here.substr(14, 4), there.substr(14, 4));
  EXPECT_EQ(here.substr(24, 8), there.substr(24, 8));
  SeedRandomFromClock();
  EXPECT_NE(MakeInstallId().substr(0, 8), here.substr(0, 8));
}

}  // namespace
}  // namespace swiftlane
