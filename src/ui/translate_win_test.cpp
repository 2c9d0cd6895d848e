#include "ui/translate_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "system/win_handles_win.h"
#include "ui/svg_win.h"

namespace swiftlane::ui {
namespace {

// Reads a file of the source tree; under Wine the Unix path is reached through drive Z:.
std::string ReadSourceFile(const std::string& relative) {
  const char* dir = std::getenv("SWIFTLANE_SOURCE_DIR");
  if (!dir || !*dir) return {};
  for (const std::string prefix : {std::string(), std::string("Z:")}) {
    std::FILE* f = std::fopen((prefix + dir + "/" + relative).c_str(), "rb");
    if (!f) continue;
    std::string bytes;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
    std::fclose(f);
    return bytes;
  }
  return {};
}

TEST(TranslateUnit, EmbeddedCatalogueIsTheShippedFileByteForByte) {
  const std::string file = ReadSourceFile("resources/translate.txt");
  ASSERT_FALSE(file.empty()) << "SWIFTLANE_SOURCE_DIR does not lead to resources/translate.txt";
  // Looked up with the lower-case name: resource names compare without regard to case.
  const std::string embedded = ReadRcData(GetModuleHandleW(nullptr), L"translate");
  EXPECT_EQ(embedded.size(), file.size());
  EXPECT_TRUE(embedded == file);
  EXPECT_EQ(embedded.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(ReadRcData(GetModuleHandleW(nullptr), L"NO_SUCH_RESOURCE"), "");
}

TEST(Resources, LogoIsEmbeddedAsItShips) {
  const std::string file = ReadSourceFile("resources/logo.svg");
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(ReadRcData(GetModuleHandleW(nullptr), L"LOGO") == file);
  const auto logo = LoadSvgResource(GetModuleHandleW(nullptr), L"logo");
  ASSERT_TRUE(logo);
  EXPECT_EQ(logo->viewWidth, 287.985);
  EXPECT_FALSE(logo->shapes.empty());
  EXPECT_FALSE(LoadSvgResource(GetModuleHandleW(nullptr), L"NO_SUCH_RESOURCE"));
  EXPECT_FALSE(LoadSvgResource(GetModuleHandleW(nullptr), L"TRANSLATE"));  // not SVG
}

TEST(TranslateUnit, LoadsTheCatalogueAtStartUp) {
  StartTranslateUnit();
  EXPECT_EQ(AppCatalogue().Lines().size(), 127u);
  const std::u16string saved = CurrentLanguage();
  CurrentLanguage() = u"ja";
  EXPECT_EQ(Translate(u"실행하기"), u"実行する");
  EXPECT_EQ(Translate(u"스위프트레인", u"en"), u"Swiftlane");
  CurrentLanguage() = u"de";
  EXPECT_EQ(Translate(u"실행하기"), u"Run");
  EXPECT_EQ(Translate(u"NetworkThrottlingIndex"), u"NetworkThrottlingIndex");
  CurrentLanguage() = saved;
}

TEST(TranslateUnit, LanguageComesFromTheUserLocale) {
  const std::u16string language = LanguageFromLocale();
  ASSERT_GE(language.size(), 1u);
  ASSERT_LE(language.size(), 2u);
  wchar_t name[16] = {};
  ASSERT_GT(GetLocaleInfoW(GetUserDefaultLCID(), LOCALE_SISO639LANGNAME, name, 16), 0);
  EXPECT_EQ(language, win::U(name).substr(0, 2));
}

}  // namespace
}  // namespace swiftlane::ui
