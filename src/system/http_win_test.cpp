// Body decoding of the HTTPS client; the exchange itself is tested against the stand-in
// services (tests/standin).
#include "system/http_win.h"

#include <gtest/gtest.h>

namespace swiftlane {
namespace {

TEST(CharsetOfContentType, FindsTheParameterWhereverItStands) {
  const struct { const char16_t* contentType; const char16_t* charset; } table[] = {
      {u"application/json", u""},
      {u"", u""},
      {u"text/html; charset=utf-8", u"utf-8"},
      {u"text/html;charset=ISO-8859-1", u"ISO-8859-1"},
      {u"text/plain; format=flowed; CharSet = \"koi8-r\" ", u"koi8-r"},
      {u"text/plain; charset=\"\"", u""},
      {u"text/plain; charsetx=utf-16; charset=big5", u"big5"},
      {u"text/plain; charset", u""},
      {u"charset=utf-8", u""},  // no parameter: this is the media type
  };
  for (const auto& row : table)
    EXPECT_EQ(CharsetOfContentType(row.contentType), row.charset) << std::u16string(row.contentType).size();
}

TEST(CodePageOfCharset, KnownNamesInAnyCaseUnknownGiveZero) {
  EXPECT_EQ(CodePageOfCharset(u"utf-8"), 65001u);
  EXPECT_EQ(CodePageOfCharset(u"UTF-8"), 65001u);
  EXPECT_EQ(CodePageOfCharset(u"Windows-1252"), 1252u);
  EXPECT_EQ(CodePageOfCharset(u"iso-8859-1"), 28591u);
  EXPECT_EQ(CodePageOfCharset(u"EUC-KR"), 949u);
  EXPECT_EQ(CodePageOfCharset(u"Shift_JIS"), 932u);
  EXPECT_EQ(CodePageOfCharset(u"utf-16"), 1200u);
  EXPECT_EQ(CodePageOfCharset(u""), 0u);
  EXPECT_EQ(CodePageOfCharset(u"x-no-such-charset"), 0u);
  EXPECT_EQ(CodePageOfCharset(u"utf-8 "), 0u);
}

TEST(DecodeText, ByCodePage) {
  EXPECT_EQ(DecodeText("", 65001), u"");
  EXPECT_EQ(DecodeText("{\"ip\":\"1.2.3.4\"}", 65001), u"{\"ip\":\"1.2.3.4\"}");
  EXPECT_EQ(DecodeText("caf\xc3\xa9", 65001), u"caf\u00e9");
  EXPECT_EQ(DecodeText("caf\xe9", 28591), u"caf\u00e9");
  EXPECT_EQ(DecodeText("\x80", 1252), u"\u20ac");
  EXPECT_EQ(DecodeText("\xc7\xd1\xb1\xdb", 949), u"\ud55c\uae00");  // 한글
  EXPECT_EQ(DecodeText(std::string("i\0p\0", 4), 1200), u"ip");
  EXPECT_EQ(DecodeText(std::string("\0i\0p", 4), 1201), u"ip");
  EXPECT_EQ(DecodeText(std::string("i\0p", 3), 1200), u"i\uFFFD");
}

TEST(DecodeText, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(DecodeText("a\xff" "b", 65001), u"a\uFFFDb");
}

TEST(DecodeTextExactly, InvalidSequencesAreAnError) {
  std::u16string text = u"untouched";
  EXPECT_FALSE(DecodeTextExactly("a\xff" "b", 65001, text));
  EXPECT_FALSE(DecodeTextExactly(std::string("i\0p", 3), 1200, text));  // a dangling byte
  EXPECT_TRUE(DecodeTextExactly("caf\xc3\xa9", 65001, text));
  EXPECT_EQ(text, u"caf\u00e9");
  EXPECT_TRUE(DecodeTextExactly("caf\xe9", 1252, text));
  EXPECT_EQ(text, u"caf\u00e9");
}

TEST(DecodeText, UnknownOrUnavailableCodePageDecodesAsUtf8) {
  EXPECT_EQ(DecodeText("caf\xc3\xa9", 0), u"caf\u00e9");
  EXPECT_EQ(DecodeText("caf\xc3\xa9", 12345), u"caf\u00e9");
}

}  // namespace
}  // namespace swiftlane
