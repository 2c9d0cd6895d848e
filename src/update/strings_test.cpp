#include "update/strings.h"

#include <gtest/gtest.h>

namespace swiftlane {
namespace {

struct BetweenCase {
  const char* what;
  std::u16string source, start, end, expected;
};

const std::u16string kUpdate = u"\"update\":\"";

TEST(GetBetween, Table) {
  const BetweenCase cases[] = {
      {"plain value", u"{\"update\":\"https://a/b\"}", kUpdate, u"\"", u"https://a/b"},
      {"key in another case", u"{\"Update\":\"x\"}", kUpdate, u"\"", u"x"},
      {"key in upper case", u"{\"UPDATE\":\"x\"}", kUpdate, u"\"", u"x"},
      {"value keeps its case", u"{\"update\":\"MiXeD\"}", kUpdate, u"\"", u"MiXeD"},
      {"escaped quotes stay inside", u"{\"update\":\"say \\\"hi\\\" now\",\"k\":\"v\"}", kUpdate, u"\"",
       u"say \\\"hi\\\" now"},
      {"escaped backslash before the quote runs on", u"{\"update\":\"a\\\\\",\"k\":\"v\"}", kUpdate, u"\"",
       u"a\\\\\","},
      // Masking looks at the source: the quote behind a masked one still closes the value.
      {"quote right after an escaped quote closes", u"{\"update\":\"a\\\"\",\"k\":\"v\"}", kUpdate, u"\"",
       u"a\\\""},
      {"first occurrence wins", u"\"update\":\"one\",\"update\":\"two\"", kUpdate, u"\"", u"one"},
      {"start marker missing", u"{\"other\":\"x\"}", kUpdate, u"\"", u""},
      {"end marker missing", u"{\"update\":\"open", kUpdate, u"\"", u""},
      {"blank after the colon", u"{\"update\": \"x\"}", kUpdate, u"\"", u""},
      {"empty value", u"{\"update\":\"\"}", kUpdate, u"\"", u""},
      {"empty source", u"", kUpdate, u"\"", u""},
      {"object ends at first brace, no masking", u"{\"info\":{\"text\":\"a}b\",\"style\":\"hold\"}}",
       u"\"info\":{", u"}", u"\"text\":\"a"},
      {"object with escaped quote", u"\"info\":{\"a\":\"\\\"\"}", u"\"info\":{", u"}", u"\"a\":\"\\\"\""},
      // Only ASCII letters fold: a non-ASCII key must match exactly.
      {"non-ASCII letters match exactly", u"\"\u00e9t\u00e9\":\"v\"", u"\"\u00c9T\u00c9\":\"", u"\"", u""},
      {"non-ASCII letters same case", u"\"\u00e9t\u00e9\":\"v\"", u"\"\u00e9T\u00e9\":\"", u"\"", u"v"},
      // ASCII folding must not reach the other characters between letters: '{' and '['.
      {"no folding beyond a-z", u"\"k\":\"[x]\"", u"\"K\":\"{", u"\"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetBetween(c.source, c.start, c.end), c.expected) << c.what;
  }
}

TEST(GetBetween, NestedValueFromInfoObject) {
  const std::u16string reply =
      u"{\"update\":\"https://dl/x\",\"info\":{\"style\":\"note\",\"text\":\"Read \\\"this\\\"\",\"url\":\"https://n/\"}}";
  const std::u16string info = GetBetween(reply, ObjectStartMarker(u"info"), u"}");
  EXPECT_EQ(GetBetween(info, StringStartMarker(u"style"), u"\""), u"note");
  EXPECT_EQ(JsonUnescape(GetBetween(info, StringStartMarker(u"text"), u"\"")), u"Read \"this\"");
  EXPECT_EQ(GetBetween(info, StringStartMarker(u"url"), u"\""), u"https://n/");
  EXPECT_EQ(StringStartMarker(u"update").size(), 10u);
}

struct UnescapeCase {
  const char* what;
  std::u16string text;
  std::u16string expected;
};

TEST(JsonUnescape, Table) {
  const UnescapeCase cases[] = {
      {"plain", u"abc", u"abc"},
      {"empty", u"", u""},
      {"quote", u"\\\"", u"\""},
      {"apostrophe", u"\\'", u"'"},
      {"slash", u"https:\\/\\/x", u"https://x"},
      {"backslash", u"a\\\\b", u"a\\b"},
      {"b f n r t", u"\\b\\f\\n\\r\\t", u"\u0008\u000c\u000a\u000d\u0009"},
      {"codes are case sensitive", u"\\N\\T", u""},
      {"unknown code dropped", u"a\\qb", u"ab"},
      {"trailing backslash dropped", u"ab\\", u"ab"},
      {"u lower hex", u"\\u00e9", u"\u00e9"},
      {"u upper hex", u"\\u00E9t\\u00C9", u"\u00e9t\u00c9"},
      {"u reads only four", u"\\u00411", u"A1"},
      {"u with three left", u"\\u041", u"\u0041"},
      {"u with one left", u"x\\u7", u"x\u0007"},
      {"u zero", u"\\u0000", std::u16string(1, u'\0')},
      {"surrogate pair", u"\\ud83d\\ude00", u"\U0001F600"},
      {"escaped backslash then u", u"\\\\u0041", u"\\u0041"},
  };
  for (const auto& c : cases) {
    const auto got = JsonUnescape(c.text);
    ASSERT_TRUE(got.has_value()) << c.what;
    EXPECT_EQ(*got, c.expected) << c.what;
  }
}

TEST(JsonUnescape, ConversionErrors) {
  const std::u16string bad[] = {
      u"\\u",        // nothing follows
      u"a\\u00g1",   // not hex
      u"\\u 041",    // blank inside
      u"\\u-041",    // sign
      u"\\u12\\n",   // the escape's four characters include the backslash
      u"\\u\uff10\uff10\uff10\uff10",  // full-width digits are not hex
      u"ok \\u00e9 then \\uzzzz",
  };
  for (const auto& t : bad) EXPECT_FALSE(JsonUnescape(t).has_value());
}

}  // namespace
}  // namespace swiftlane
