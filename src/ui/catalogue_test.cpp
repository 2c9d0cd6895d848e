#include "ui/catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace swiftlane::ui {
namespace {

// The source tree: from the environment when a harness sets it, else from this file's path.
std::string SourceDir() {
  if (const char* dir = std::getenv("SWIFTLANE_SOURCE_DIR"); dir && *dir) return dir;
  std::string here = __FILE__;
  for (int up = 0; up < 3; ++up) here = here.substr(0, here.find_last_of("/\\"));
  return here;
}

std::string ReadShippedCatalogue() {
  std::ifstream in(SourceDir() + "/resources/translate.txt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ShippedCatalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string bytes = ReadShippedCatalogue();
    ASSERT_FALSE(bytes.empty()) << "resources/translate.txt not found under " << SourceDir();
    ASSERT_TRUE(catalogue.LoadFromUtf8(bytes));
  }
  TCatalogue catalogue;
};

TEST_F(ShippedCatalogue, HasSixteenBlocksOfSevenLanguages) {
  const auto& lines = catalogue.Lines();
  ASSERT_EQ(lines.size(), 127u);
  const std::u16string codes[] = {u"ko", u"en", u"ja", u"zh", u"ru", u"it", u"fr"};
  for (size_t block = 0; block < 16; ++block) {
    for (size_t k = 0; k < 7; ++k) {
      const std::u16string& line = lines[block * 8 + k];
      EXPECT_EQ(line.substr(0, 3), codes[k] + u"=") << "block " << block + 1 << " line " << k;
    }
    if (block < 15) EXPECT_TRUE(lines[block * 8 + 7].empty()) << "after block " << block + 1;
  }
  // The byte-order mark is not part of the first line.
  EXPECT_EQ(lines.front(), u"ko=스위프트레인");
  EXPECT_EQ(lines.back(), u"fr=Indice de limitation réseau");
}

TEST_F(ShippedCatalogue, Lookups) {
  const struct {
    std::u16string source, code, current, expected;
  } cases[] = {
      {u"", u"", u"ja", u""},
      {u"Realtek PCIe GbE Family Controller", u"", u"ja", u"Realtek PCIe GbE Family Controller"},
      {u"TcpNoDelay", u"", u"fr", u"TcpNoDelay"},
      {u"Card1", u"", u"ko", u"Card1"},
      {u"실행하기", u"", u"ja", u"実行する"},
      {u"실행하기", u"", u"de", u"Run"},  // a language outside the seven gets English
      {u"실행하기", u"", u"ko", u"실행하기"},
      {u"실행하기", u"", u"zh", u"运行"},
      {u"Swiftlane", u"", u"ja", u"スウィフトレーン"},  // the English line finds block 1
      {u"스위프트레인", u"en", u"ja", u"Swiftlane"},  // an explicit code beats the current one
      {u"스위프트레인", u"en", u"ko", u"Swiftlane"},
      {u"Rapidella", u"", u"ru", u"Свифтлейн"},
      {u"home", u"", u"fr", u"Accueil"},  // A-Z without regard to case
      {u"HOME", u"", u"ja", u"ホーム"},
      {u"ГЛАВНАЯ", u"", u"en", u"ГЛАВНАЯ"},  // other letters compare exactly
      {u"главная", u"", u"en", u"главная"},
      {u"EXÉCUTER", u"", u"en", u"EXÉCUTER"},
      {u"exécuter", u"", u"en", u"Run"},
      {u" Run", u"", u"ja", u" Run"},  // no trimming
      {u"Run ", u"", u"ja", u"Run "},
      {u"후원하기", u"", u"it", u"Dona"},  // the line with the lone LF
      {u"후원하기", u"", u"fr", u"Donner"},
      {u"Dona", u"", u"ko", u"후원하기"},
      {u"실행하기", u"KO", u"ja", u"Run"},  // codes are case-sensitive
      {u"a\\nb", u"", u"ko", u"a\rb"},
      {u"a\\Nb", u"", u"ko", u"a\\Nb"},
      {u"Version", u"", u"fr", u"Version"},
      {u"Version", u"", u"ja", u"バージョン"},  // block 2 holds the first "Version" line
      {u"Config", u"", u"it", u"Configura"},
      {u"<B>게임 반응 속도</B>를 손쉽게 향상 시킵니다.", u"", u"en", u"Easily improve <B>game responsiveness</B>."},
      {u"Minimize <B>latency</B> with an optimized network.", u"", u"ko", u"최적화된 네트워크로 <B>지연 시간을 최소화</B>합니다."},
      {u"네트워크 쓰로틀링", u"", u"fr", u"Indice de limitation réseau"},  // the last line of the list
      {u"스위프트레인", u"", u"", u"Swiftlane"},  // no language at all: English
      {u"ko=스위프트레인", u"", u"en", u"ko=스위프트레인"},  // whole lines are not keys
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_EQ(catalogue.Translate(c.source, c.code, c.current), c.expected) << "case " << i;
  }
}

TEST(Catalogue, LineEndsAndByteOrderMark) {
  TCatalogue c;
  ASSERT_TRUE(c.LoadFromUtf8("\xEF\xBB\xBFko=a\r\nen=b\nja=c\rzh=d\r\n\r\nko=e\r\n"));
  const std::vector<std::u16string> expected = {u"ko=a", u"en=b", u"ja=c", u"zh=d", u"", u"ko=e"};
  EXPECT_EQ(c.Lines(), expected);

  TCatalogue noFinalBreak;
  ASSERT_TRUE(noFinalBreak.LoadFromUtf8("ko=a\r\nen=b"));
  EXPECT_EQ(noFinalBreak.Lines(), (std::vector<std::u16string>{u"ko=a", u"en=b"}));

  // A mark anywhere but at the start is text; two LFs after CR are two line ends.
  TCatalogue c2;
  ASSERT_TRUE(c2.LoadFromUtf8("a\r\n\n\xEF\xBB\xBF" "b"));
  EXPECT_EQ(c2.Lines(), (std::vector<std::u16string>{u"a", u"", u"\uFEFFb"}));

  TCatalogue empty;
  EXPECT_TRUE(empty.LoadFromUtf8(""));
  EXPECT_TRUE(empty.Lines().empty());
  EXPECT_EQ(empty.Translate(u"실행하기", u"", u"en"), u"실행하기");
}

TEST(Catalogue, MalformedBytesKeepTheLinesBeforeThem) {
  const char* bad[] = {
      "ko=a\r\nen=b\r\nja=\xFF" "c\r\nzh=d\r\n",      // invalid lead byte
      "ko=a\r\nen=b\r\nja=\xE3\x82\r\nzh=d\r\n",      // cut short
      "ko=a\r\nen=b\r\nja=\xC0\xAF\r\n",              // overlong "/"
      "ko=a\r\nen=b\r\nja=\xED\xA0\x80\r\n",          // encoded surrogate
      "ko=a\r\nen=b\r\nja=\xF4\x90\x80\x80\r\n",      // beyond U+10FFFF
      "ko=a\r\nen=b\r\nja=\xE3",                      // ends inside a sequence
  };
  for (const char* bytes : bad) {
    TCatalogue c;
    EXPECT_FALSE(c.LoadFromUtf8(bytes));
    EXPECT_EQ(c.Lines(), (std::vector<std::u16string>{u"ko=a", u"en=b"}));
    EXPECT_EQ(c.Translate(u"a", u"", u"en"), u"b");
  }
}

TEST(Catalogue, FourByteSequencesBecomeSurrogatePairs) {
  TCatalogue c;
  ASSERT_TRUE(c.LoadFromUtf8("ko=\xF0\x9F\x98\x80\r\nen=smile\r\n"));
  EXPECT_EQ(c.Lines()[0], u"ko=\U0001F600");
  EXPECT_EQ(c.Translate(u"\U0001F600", u"", u"en"), u"smile");
}

TEST(Catalogue, BlockEdgesAndOddLines) {
  TCatalogue c;
  // A text may hold "="; a line without "=" has an empty code and text; the first key
  // line wins; a block without the wanted code nor "en" gives the source back.
  ASSERT_TRUE(c.LoadFromUtf8(
      "ko=x=y\r\nen=x equals y\r\n\r\n"
      "ko=same\r\nen=first\r\n\r\n"
      "ko=same\r\nen=second\r\n\r\n"
      "ko=lonely\r\nfr=seul\r\n\r\n"
      "ko=escaped\r\nen=line\\none\\n\r\nnoequals\r\n"));
  EXPECT_EQ(c.Translate(u"x=y", u"en", u"ko"), u"x equals y");
  EXPECT_EQ(c.Translate(u"same", u"en", u"ko"), u"first");
  EXPECT_EQ(c.Translate(u"lonely", u"ja", u"ko"), u"lonely");
  EXPECT_EQ(c.Translate(u"lonely", u"fr", u"ko"), u"seul");
  EXPECT_EQ(c.Translate(u"escaped", u"en", u"ko"), u"line\rone\r");
  EXPECT_EQ(c.Translate(u"line\\none\\n", u"ko", u"ko"), u"escaped");  // keys keep escapes
  EXPECT_EQ(c.Translate(u"noequals", u"en", u"ko"), u"noequals");
  // The line without "=" has the empty code: an empty current language finds it.
  EXPECT_EQ(c.Translate(u"escaped", u"", u""), u"");
}

TEST(Catalogue, ExpandLineBreaks) {
  EXPECT_EQ(ExpandLineBreaks(u"\\n\\\\n\\"), u"\r\\\r\\");
  EXPECT_EQ(ExpandLineBreaks(u"no escapes"), u"no escapes");
}

}  // namespace
}  // namespace swiftlane::ui
