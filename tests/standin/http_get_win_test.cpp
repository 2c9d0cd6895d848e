// The HTTPS client against the stand-in: request headers in order, replies of any status,
// and the two ways of decoding a body.
#include "system/http_win.h"

#include <gtest/gtest.h>

#include <cstring>

#include "standin_win.h"

namespace swiftlane {
namespace {

std::u16string Url(const char* path) { return u"https://" + standin::HostPort("http-client") + std::u16string(path, path + strlen(path)); }

TEST(HttpGet, SendsTheExtraHeadersInListOrder) {
  HttpReply reply;
  const HeaderList headers = {{u"User-Version", u"1.5.7.0"}, {u"User-Language", u"ko"}, {u"User-Debug", u"false"},
                              {u"User-Union", u"0123456789abcdef"}};
  ASSERT_TRUE(HttpGet(Url("/plain?order"), headers, BodyDecoding::Utf8, reply));
  const std::vector<std::string> records = standin::Records("http-client");
  ASSERT_FALSE(records.empty());
  const std::string& r = records.back();
  ASSERT_NE(r.find("\"path\":\"/plain?order\""), std::string::npos) << r;
  EXPECT_TRUE(standin::HasHeadersInOrder(r, {{"User-Version", "1.5.7.0"},
                                             {"User-Language", "ko"},
                                             {"User-Debug", "false"},
                                             {"User-Union", "0123456789abcdef"}}));
}

TEST(HttpGet, AnyStatusIsAReply) {
  HttpReply reply;
  ASSERT_TRUE(HttpGet(Url("/not-found-body"), {}, BodyDecoding::DeclaredCharset, reply));
  EXPECT_EQ(reply.status, 404u);
  EXPECT_EQ(reply.body, u"gone");
  ASSERT_TRUE(HttpGet(Url("/no-such-route"), {}, BodyDecoding::DeclaredCharset, reply));
  EXPECT_EQ(reply.status, 404u);
}

TEST(HttpGet, DeclaredCharsetOrUtf8) {
  HttpReply reply;
  ASSERT_TRUE(HttpGet(Url("/plain"), {}, BodyDecoding::DeclaredCharset, reply));  // none declared
  EXPECT_EQ(reply.body, u"caf\u00e9 \u20ac");
  ASSERT_TRUE(HttpGet(Url("/latin1"), {}, BodyDecoding::DeclaredCharset, reply));
  EXPECT_EQ(reply.body, u"caf\u00e9");
  ASSERT_TRUE(HttpGet(Url("/utf16"), {}, BodyDecoding::DeclaredCharset, reply));
  EXPECT_EQ(reply.body, u"caf\u00e9");
  ASSERT_TRUE(HttpGet(Url("/eucjp"), {}, BodyDecoding::DeclaredCharset, reply));
  EXPECT_EQ(reply.body, u"\u65e5\u672c");
}

TEST(HttpGet, Utf8WhateverTheReplyDeclares) {
  HttpReply reply;
  ASSERT_TRUE(HttpGet(Url("/latin1"), {}, BodyDecoding::Utf8, reply));
  EXPECT_EQ(reply.body, u"caf\uFFFD");  // the lone Latin-1 byte is no UTF-8
  ASSERT_TRUE(HttpGet(Url("/utf16"), {}, BodyDecoding::Utf8, reply));
  // UTF-16 bytes read as UTF-8: the zero bytes stay, the lone 0xE9 is no character
  // (whether the zero after it survives is the decoder's business).
  EXPECT_EQ(reply.body.substr(0, 7), std::u16string(u"c\0a\0f\0\uFFFD", 7));
}

TEST(HttpGet, FailureLeavesTheReplyAsItWas) {
  HttpReply reply;
  reply.status = 7;
  reply.body = u"before";
  EXPECT_FALSE(HttpGet(u"https://" + standin::HostPort("myip-close") + u"/myip", {}, BodyDecoding::Utf8, reply));
  EXPECT_FALSE(HttpGet(u"https://" + standin::HostPort("myip-untrusted") + u"/myip", {}, BodyDecoding::Utf8, reply));
  EXPECT_FALSE(HttpGet(u"http://" + standin::HostPort("http-client") + u"/plain", {}, BodyDecoding::Utf8, reply));
  EXPECT_FALSE(HttpGet(u"not an address", {}, BodyDecoding::Utf8, reply));
  EXPECT_EQ(reply.status, 7u);
  EXPECT_EQ(reply.body, u"before");
}

TEST(HttpGet, EachRequestIsAFreshExchange) {
  // The route answers 503 first and then 200: two calls, two requests, in turn.
  HttpReply first, second;
  ASSERT_TRUE(HttpGet(Url("/sequence"), {}, BodyDecoding::Utf8, first));
  ASSERT_TRUE(HttpGet(Url("/sequence"), {}, BodyDecoding::Utf8, second));
  EXPECT_EQ(first.status, 503u);
  EXPECT_EQ(first.body, u"first");
  EXPECT_EQ(second.status, 200u);
  EXPECT_EQ(second.body, u"second");
}

}  // namespace
}  // namespace swiftlane
