#include "crash/multipart.h"

#include <gtest/gtest.h>

#include "crash/text_codec.h"

namespace swiftlane::crash {
namespace {

// A Latin-1 code page that, like code page 1252, has no "ÿ" round trip here, to show the
// second half of the rule: a value that does not survive the code page goes as UTF-8.
std::optional<std::string> FakeAnsi(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c > 0xFE) return std::nullopt;
    out += static_cast<char>(c);
  }
  return out;
}

TEST(CrashMultipart, BodyByteForByteWithDeclaredLengthEqualToIt) {
  auto fields = ReportFormFields(u"", u"bug report", u"please find the bug report attached", u"");
  TMultipartBody body = BuildMultipartBody("123", fields, {{u"BugReport", u"bugreport.txt", "R\r\n"}}, FakeAnsi);
  EXPECT_EQ(body.bytes,
            "\r\n--123\r\n"
            "Content-Disposition: form-data; name=\"MailSubject\"\r\n"
            "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
            "\r\n"
            "bug report"
            "\r\n--123\r\n"
            "Content-Disposition: form-data; name=\"MailBody\"\r\n"
            "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
            "\r\n"
            "please find the bug report attached"
            "\r\n--123\r\n"
            "Content-Disposition: form-data; name=\"BugReport\"; filename=\"bugreport.txt\"\r\n"
            "Content-Type: application/octet-stream\r\n"
            "\r\n"
            "R\r\n"
            "\r\n--123--\r\n");
  EXPECT_EQ(body.declaredLength, body.bytes.size());
}

TEST(CrashMultipart, DeclaredLengthHoldsForEncodedNamesAndNoParts) {
  std::vector<TAttachment> att = {{u"필드", u"보고서.txt", std::string(1000, 'x')}, {u"B", u"b.txt", ""}};
  TMultipartBody withNames = BuildMultipartBody("4242", {{u"이름", u"값"}}, att, FakeAnsi);
  EXPECT_EQ(withNames.declaredLength, withNames.bytes.size());
  TMultipartBody empty = BuildMultipartBody("4242", {}, {}, FakeAnsi);
  EXPECT_EQ(empty.bytes, "\r\n--4242--\r\n");
  EXPECT_EQ(empty.declaredLength, empty.bytes.size());
}

TEST(CrashMultipart, CharsetRule) {
  struct Case {
    std::u16string value;
    std::string charset, bytes;
  } cases[] = {
      {u"plain ascii", "iso-8859-1", "plain ascii"},
      {u"caf\u00e9", "iso-8859-1", "caf\xe9"},          // fits the code page: sent in it
      {u"\ubc84\uadf8", "utf-8", "\xeb\xb2\x84\xea\xb7\xb8"},  // Korean: above U+00FF
      {u"\u00ff", "utf-8", "\xc3\xbf"},                  // does not survive the code page
      {u"", "iso-8859-1", ""},
  };
  for (const auto& c : cases) {
    TEncodedValue v = EncodeValue(c.value, FakeAnsi);
    EXPECT_EQ(v.charset, c.charset) << ToUtf8(c.value);
    EXPECT_EQ(v.bytes, c.bytes) << ToUtf8(c.value);
  }
  EXPECT_EQ(EncodeName(u"BugReport", FakeAnsi), "BugReport");
  EXPECT_EQ(EncodeName(u"\ubc84\uadf8.txt", FakeAnsi), "=?UTF-8?B?" + Base64("\xeb\xb2\x84\xea\xb7\xb8.txt") + "?=");
  EXPECT_EQ(Base64("bugreport.txt"), "YnVncmVwb3J0LnR4dA==");
}

TEST(CrashMultipart, FormFieldsOnlyWhenNotEmptyInOrder) {
  auto all = ReportFormFields(u"a", u"b", u"c", u"d");
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].name, u"MailFrom");
  EXPECT_EQ(all[1].name, u"MailSubject");
  EXPECT_EQ(all[2].name, u"MailBody");
  EXPECT_EQ(all[3].name, u"MailAddr");
  auto some = ReportFormFields(u"", u"", u"c", u"");
  ASSERT_EQ(some.size(), 1u);
  EXPECT_EQ(some[0].name, u"MailBody");
}

TEST(CrashMultipart, BoundaryIsThreeDecimalNumbersBelowTwoToThirty) {
  std::mt19937 fixed(7);
  std::mt19937 again(7);
  std::string b = MakeBoundary(fixed);
  EXPECT_EQ(b, MakeBoundary(again));
  std::mt19937 check(7);
  std::uniform_int_distribution<std::uint32_t> pick(0, (1u << 30) - 1);
  std::string expected;
  for (int i = 0; i < 3; ++i) {
    std::uint32_t n = pick(check);
    EXPECT_LT(n, 1u << 30);
    expected += std::to_string(n);
  }
  EXPECT_EQ(b, expected);
  EXPECT_NE(b.front(), '0');
  EXPECT_EQ(&ProcessBoundary(), &ProcessBoundary());
  EXPECT_EQ(ContentTypeHeader("9"), "multipart/form-data; boundary=9");
}

}  // namespace
}  // namespace swiftlane::crash
