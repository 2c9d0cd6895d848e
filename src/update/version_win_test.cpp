#include "update/version_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "system/win_handles_win.h"

namespace swiftlane {
namespace {

// The test program carries the product's version block, file version 1.5.7.0 (product 1.5.6.0).
TEST(GetVersionString, ReadsTheRunningFilesFileVersion) {
  EXPECT_EQ(GetVersionString(u"%d.%d.%d.%d"), u"1.5.7.0");
  EXPECT_EQ(GetVersionString(u"v%d.%d"), u"v1.5");
}

TEST(GetVersionString, UnreadableVersionIsZerosWhateverTheFormat) {
  wchar_t dir[MAX_PATH];
  ASSERT_NE(GetTempPathW(MAX_PATH, dir), 0u);
  const std::u16string plain = win::U(dir) + u"swiftlane_no_version.txt";
  {
    std::ofstream f(reinterpret_cast<const wchar_t*>(plain.c_str()));
    f << "no version block here";
  }
  EXPECT_EQ(GetFileVersionString(plain, u"%d"), u"0.0.0.0");
  EXPECT_EQ(GetFileVersionString(win::U(dir) + u"missing\\nothing.exe", u"%d.%d.%d.%d"), u"0.0.0.0");
  EXPECT_EQ(GetFileVersionString(u"", u"%d.%d.%d.%d"), u"0.0.0.0");
  DeleteFileW(win::W(plain));
}

}  // namespace
}  // namespace swiftlane
