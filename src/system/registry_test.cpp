#include "system/registry.h"

#include <gtest/gtest.h>

namespace swiftlane {
namespace {

TEST(RootKeyByName, EveryTableNameGivesItsPredefinedValue) {
  const struct { const char16_t* name; std::uint32_t value; } cases[] = {
      {u"HKEY_CLASSES_ROOT", 0x80000000u},     {u"HKEY_CURRENT_USER", 0x80000001u},
      {u"HKEY_LOCAL_MACHINE", 0x80000002u},    {u"HKEY_USERS", 0x80000003u},
      {u"HKEY_PERFORMANCE_DATA", 0x80000004u}, {u"HKEY_CURRENT_CONFIG", 0x80000005u},
      {u"HKEY_DYN_DATA", 0x80000006u},
  };
  for (const auto& c : cases) EXPECT_EQ(RootKeyByName(c.name), c.value);
}

TEST(RootKeyByName, OnlyExactWholeNamesMatch) {
  for (const char16_t* name : {u"", u"hkey_local_machine", u"HKEY_Local_Machine", u"HKLM", u"HKCU",
                               u"HKEY_LOCAL_MACHINE ", u" HKEY_LOCAL_MACHINE", u"HKEY_LOCAL", u"HKEY_LOCAL_MACHINEX",
                               u"HKEY_LOCAL_MACHINE\\SOFTWARE"})
    EXPECT_EQ(RootKeyByName(name), 0u) << std::u16string(name).size();
}

TEST(SplitRegPath, SplitsAtTheFirstBackslash) {
  RegPathParts p = SplitRegPath(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSMQ\\Parameters");
  EXPECT_EQ(p.root, u"HKEY_LOCAL_MACHINE");
  EXPECT_EQ(p.subKey, u"SOFTWARE\\Microsoft\\MSMQ\\Parameters");

  p = SplitRegPath(u"HKEY_CURRENT_USER\\");
  EXPECT_EQ(p.root, u"HKEY_CURRENT_USER");
  EXPECT_EQ(p.subKey, u"");

  p = SplitRegPath(u"\\SOFTWARE");
  EXPECT_EQ(p.root, u"");
  EXPECT_EQ(p.subKey, u"SOFTWARE");

  p = SplitRegPath(u"HKEY_CURRENT_USER\\\\Software");
  EXPECT_EQ(p.root, u"HKEY_CURRENT_USER");
  EXPECT_EQ(p.subKey, u"\\Software");
}

TEST(SplitRegPath, WithoutBackslashTheRootIsEmptyAndTheSubkeyIsThePath) {
  RegPathParts p = SplitRegPath(u"HKEY_LOCAL_MACHINE");
  EXPECT_EQ(p.root, u"");
  EXPECT_EQ(p.subKey, u"HKEY_LOCAL_MACHINE");

  p = SplitRegPath(u"");
  EXPECT_EQ(p.root, u"");
  EXPECT_EQ(p.subKey, u"");
}

}  // namespace
}  // namespace swiftlane
