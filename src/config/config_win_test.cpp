#include "config/config_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/reg_query_win.h"

namespace swiftlane {
namespace {

using ::testing::HasSubstr;

constexpr wchar_t kTestKey[] = L"Software\\SwiftlaneTest\\Config";
const std::u16string kTestPath = u"SwiftlaneTest\\Config";

class TConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::RegDeleteTree(HKEY_CURRENT_USER, kTestKey); }
  void TearDown() override { testing::RegDeleteTree(HKEY_CURRENT_USER, kTestKey); }
  static std::string Query(const wchar_t* value) {
    return testing::RegQuery(std::wstring(L"HKCU\\") + kTestKey + L" /v " + value);
  }
};

TEST_F(TConfigTest, FirstUseCreatesTheKeyAndReadsDefaults) {
  {
    TConfig config(kTestPath);
    EXPECT_EQ(config.ReadInteger(u"status", 0), 0);
    EXPECT_EQ(config.ReadInteger(u"status", 42), 42);
    EXPECT_TRUE(config.ReadBoolean(u"tcpnodelay", true));
    EXPECT_FALSE(config.ReadBoolean(u"tcpnodelay", false));
    EXPECT_EQ(config.ReadString(u"name", u"dflt"), u"dflt");
  }
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(TConfigTest, ValuesAreStoredAsDwordsAndTextAsAnotherReaderSeesThem) {
  {
    TConfig config(kTestPath);
    EXPECT_TRUE(config.WriteBoolean(u"flag", true));
    EXPECT_FALSE(config.WriteBoolean(u"off", false));
    EXPECT_EQ(config.WriteInteger(u"minus", -1), -1);
    EXPECT_EQ(config.WriteString(u"text", u"네트워크"), u"네트워크");
  }
  EXPECT_THAT(Query(L"flag"), HasSubstr("REG_DWORD    0x1"));
  EXPECT_THAT(Query(L"off"), HasSubstr("REG_DWORD    0x0"));
  EXPECT_THAT(Query(L"minus"), HasSubstr("REG_DWORD    0xffffffff"));
  EXPECT_THAT(Query(L"text"), HasSubstr("REG_SZ"));

  TConfig again(kTestPath);
  EXPECT_EQ(again.ReadInteger(u"minus", 0), -1);
  EXPECT_TRUE(again.ReadBoolean(u"flag", false));
  EXPECT_FALSE(again.ReadBoolean(u"off", true));
  EXPECT_EQ(again.ReadString(u"text", u""), u"네트워크");
}

TEST_F(TConfigTest, AnyNonZeroNumberReadsTrue) {
  const std::wstring cmd = std::wstring(L"reg add HKCU\\") + kTestKey + L" /v seven /t REG_DWORD /d 7 /f >NUL 2>NUL";
  ASSERT_EQ(_wsystem(cmd.c_str()), 0);
  TConfig config(kTestPath);
  EXPECT_TRUE(config.ReadBoolean(u"seven", false));
  EXPECT_EQ(config.ReadInteger(u"seven", 0), 7);
}

TEST_F(TConfigTest, ValueOfAnotherTypeReadsAsTheDefault) {
  {
    TConfig config(kTestPath);
    config.WriteString(u"status", u"1");
    config.WriteInteger(u"number", 5);
  }
  TConfig config(kTestPath);
  EXPECT_EQ(config.ReadInteger(u"status", 0), 0);
  EXPECT_TRUE(config.ReadBoolean(u"status", true));
  EXPECT_EQ(config.ReadString(u"number", u"none"), u"none");
}

TEST_F(TConfigTest, TwoStoresSeeEachOthersWritesAndOutsideDeletes) {
  TConfig first(kTestPath);
  TConfig second(kTestPath);
  first.WriteInteger(u"status", 1);
  EXPECT_EQ(second.ReadInteger(u"status", 0), 1);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegDeleteValueW(key, L"status");
  RegCloseKey(key);
  EXPECT_EQ(TConfig(kTestPath).ReadInteger(u"status", 9), 9);
}

TEST_F(TConfigTest, AKeyThatCannotBeOpenedGivesDefaultsAndSilentWrites) {
  // Key names are limited to 255 characters: this one cannot be created.
  TConfig broken(u"SwiftlaneTest\\" + std::u16string(300, u'x'));
  EXPECT_EQ(broken.WriteInteger(u"status", 3), 3);
  EXPECT_EQ(broken.ReadInteger(u"status", 7), 7);
}

}  // namespace
}  // namespace swiftlane
