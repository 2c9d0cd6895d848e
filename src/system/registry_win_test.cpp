// Registry path access against the Wine prefix's real registry, read back with Wine's own
// reg.exe so that the check does not share code with what it checks.
#include "system/registry_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace swiftlane {
namespace {

constexpr wchar_t kTestSub[] = L"Software\\SwiftlaneTest\\Registry";
const std::u16string kHklm = u"HKEY_LOCAL_MACHINE\\Software\\SwiftlaneTest\\Registry";
const std::u16string kHkcu = u"HKEY_CURRENT_USER\\Software\\SwiftlaneTest\\Registry";

struct RegRun {
  int exitCode = -1;
  std::string output;
};

// Runs "reg.exe <args>" through the command interpreter and collects what it prints.
RegRun Reg(const std::wstring& args) {
  RegRun run;
  const std::wstring command = L"reg.exe " + args + L" 2>&1";
  FILE* pipe = _wpopen(command.c_str(), L"rb");
  if (!pipe) return run;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0) run.output.append(buf, n);
  run.exitCode = _pclose(pipe);
  return run;
}

bool KeyExists(const std::wstring& key) { return Reg(L"query \"" + key + L"\"").exitCode == 0; }

// The data text of one value as reg.exe prints it ("REG_DWORD    0xffffffff" gives
// "REG_DWORD 0xffffffff"), or empty when the value does not exist.
std::string ValueOf(const std::wstring& key, const std::wstring& name) {
  const RegRun run = Reg(L"query \"" + key + L"\" /v \"" + name + L"\"");
  if (run.exitCode != 0) return {};
  const size_t type = run.output.find("REG_");
  if (type == std::string::npos) return {};
  std::string line = run.output.substr(type, run.output.find_first_of("\r\n", type) - type);
  std::string words;
  for (size_t i = 0; i < line.size();) {
    const size_t start = line.find_first_not_of(" \t", i);
    if (start == std::string::npos) break;
    const size_t end = std::min(line.find_first_of(" \t", start), line.size());
    if (!words.empty()) words += ' ';
    words += line.substr(start, end - start);
    i = end;
  }
  return words;
}

// Number of values listed under a key: the lines that reg.exe prints with a REG_ type.
int ValueCount(const std::wstring& key) {
  const RegRun run = Reg(L"query \"" + key + L"\"");
  int count = 0;
  size_t start = 0;
  while (start < run.output.size()) {
    size_t end = run.output.find('\n', start);
    if (end == std::string::npos) end = run.output.size();
    if (run.output.substr(start, end - start).find(" REG_") != std::string::npos) ++count;
    start = end + 1;
  }
  return count;
}

std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

class RegistryPathAccess : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestSub);
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestSub);
  }
};

TEST_F(RegistryPathAccess, WritesDwordUnderBothRoots) {
  WriteRegValue(kHklm + u"\\Write", u"TcpAckFrequency", 1);
  WriteRegValue(kHkcu + u"\\Write", u"Other", 20);
  EXPECT_EQ(ValueOf(W(kHklm) + L"\\Write", L"TcpAckFrequency"), "REG_DWORD 0x1");
  EXPECT_EQ(ValueOf(W(kHkcu) + L"\\Write", L"Other"), "REG_DWORD 0x14");
}

TEST_F(RegistryPathAccess, MinusOneReadsBackAsFFFFFFFF) {
  WriteRegValue(kHklm + u"\\Multimedia\\SystemProfile", u"NetworkThrottlingIndex", static_cast<std::uint32_t>(-1));
  EXPECT_EQ(ValueOf(W(kHklm) + L"\\Multimedia\\SystemProfile", L"NetworkThrottlingIndex"), "REG_DWORD 0xffffffff");
}

TEST_F(RegistryPathAccess, WriteCreatesMissingKeysAndReplacesAnExistingValue) {
  const std::u16string deep = kHklm + u"\\A\\B\\C";
  WriteRegValue(deep, u"V", 0);
  EXPECT_EQ(ValueOf(W(deep), L"V"), "REG_DWORD 0x0");
  ASSERT_EQ(Reg(L"add \"" + W(deep) + L"\" /v S /t REG_SZ /d text /f").exitCode, 0);
  WriteRegValue(deep, u"S", 10);
  EXPECT_EQ(ValueOf(W(deep), L"S"), "REG_DWORD 0xa");
}

TEST_F(RegistryPathAccess, RootNamesInOtherCaseWriteNothing) {
  for (const char16_t* root : {u"hkey_current_user", u"Hkey_Current_User", u"HKEY_current_user"}) {
    WriteRegValue(std::u16string(root) + u"\\Software\\SwiftlaneTest\\Registry\\Case", u"V", 1);
    DeleteRegValue(std::u16string(root) + u"\\Software\\SwiftlaneTest\\Registry\\Case", u"V");
  }
  WriteRegValue(u"hkey_local_machine\\Software\\SwiftlaneTest\\Registry\\Case", u"V", 1);
  EXPECT_FALSE(KeyExists(W(kHkcu) + L"\\Case"));
  EXPECT_FALSE(KeyExists(W(kHklm) + L"\\Case"));
  EXPECT_FALSE(KeyExists(W(kHkcu)));
  EXPECT_FALSE(KeyExists(W(kHklm)));
}

TEST_F(RegistryPathAccess, AbbreviatedRootNamesWriteNothing) {
  WriteRegValue(u"HKCU\\Software\\SwiftlaneTest\\Registry\\Short", u"V", 1);
  WriteRegValue(u"HKLM\\Software\\SwiftlaneTest\\Registry\\Short", u"V", 1);
  WriteRegValue(u"HKEY_LOCAL\\Software\\SwiftlaneTest\\Registry\\Short", u"V", 1);
  DeleteRegValue(u"HKLM\\Software\\SwiftlaneTest\\Registry\\Short", u"V");
  EXPECT_FALSE(KeyExists(W(kHkcu)));
  EXPECT_FALSE(KeyExists(W(kHklm)));
}

TEST_F(RegistryPathAccess, PathWithoutBackslashWritesNothing) {
  WriteRegValue(u"HKEY_CURRENT_USER", u"SwiftlaneTestNoBackslash", 1);
  WriteRegValue(u"SwiftlaneTestNoBackslash", u"V", 1);
  DeleteRegValue(u"SwiftlaneTestNoBackslash", u"V");
  EXPECT_EQ(ValueOf(L"HKEY_CURRENT_USER", L"SwiftlaneTestNoBackslash"), "");
  EXPECT_FALSE(KeyExists(L"HKEY_CURRENT_USER\\HKEY_CURRENT_USER"));
  EXPECT_FALSE(KeyExists(L"HKEY_CURRENT_USER\\SwiftlaneTestNoBackslash"));
  EXPECT_FALSE(KeyExists(L"HKEY_LOCAL_MACHINE\\SwiftlaneTestNoBackslash"));
}

TEST_F(RegistryPathAccess, DeleteRemovesOnlyTheNamedValue) {
  const std::u16string key = kHklm + u"\\Interfaces\\{00000003-0000-0000-0000-4E6574446576}";
  WriteRegValue(key, u"TcpAckFrequency", 1);
  WriteRegValue(key, u"TCPNoDelay", 1);
  DeleteRegValue(key, u"TcpAckFrequency");
  EXPECT_EQ(ValueOf(W(key), L"TcpAckFrequency"), "");
  EXPECT_EQ(ValueOf(W(key), L"TCPNoDelay"), "REG_DWORD 0x1");
  DeleteRegValue(key, u"TcpAckFrequency");  // already gone: no error, nothing changes
  EXPECT_EQ(ValueCount(W(key)), 1);
}

TEST_F(RegistryPathAccess, DeleteUnderMissingKeyCreatesItEmpty) {
  ASSERT_FALSE(KeyExists(W(kHklm)));
  const std::u16string key = kHklm + u"\\MSMQ\\Parameters";
  DeleteRegValue(key, u"TCPNoDelay");
  EXPECT_TRUE(KeyExists(W(key)));
  EXPECT_EQ(ValueCount(W(key)), 0);
  EXPECT_EQ(ValueOf(W(key), L"TCPNoDelay"), "");
}

}  // namespace
}  // namespace swiftlane
