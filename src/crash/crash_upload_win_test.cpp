#include "crash/crash_upload_win.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace swiftlane::crash {
namespace {

TEST(CrashWindowsAnsi, CharsetFollowsTheSystemCodePage) {
  EXPECT_EQ(WindowsAnsi(u"bug report"), std::optional<std::string>("bug report"));
  EXPECT_EQ(WindowsAnsi(u""), std::optional<std::string>(""));
  // Korean has no place in a Western code page, and no code page keeps a lone surrogate.
  if (GetACP() == 1252) {
    EXPECT_EQ(WindowsAnsi(u"caf\u00e9"), std::optional<std::string>("caf\xe9"));
    EXPECT_FALSE(WindowsAnsi(u"\ubc84\uadf8"));
  }
  EXPECT_FALSE(WindowsAnsi(std::u16string(1, u'\xd800')));
  EXPECT_EQ(EncodeValue(u"\ubc84\uadf8 \ubcf4\uace0\uc11c", WindowsAnsi).charset, "utf-8");
  EXPECT_EQ(EncodeValue(u"please find the bug report attached", WindowsAnsi).charset, "iso-8859-1");
}

TEST(CrashFiles, WorkingFolderIsCreatedInTheTemporaryFolder) {
  std::u16string folder = WorkingFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), u'\\');
  EXPECT_NE(folder.find(u".crashreport\\"), std::u16string::npos);
  DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(folder.c_str()));
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
}  // namespace swiftlane::crash
