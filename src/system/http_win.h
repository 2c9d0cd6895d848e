// HTTPS GET over WinHTTP, shared by the online probe and the update check. Every request
// gets a session of its own, released before the call returns; nothing is kept between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace swiftlane {

// Request headers as (name, value) pairs, sent in list order.
using HeaderList = std::vector<std::pair<std::u16string, std::u16string>>;

enum class BodyDecoding {
  DeclaredCharset,        // the charset of the reply's Content-Type; UTF-8 when none or unknown
  DeclaredCharsetStrict,  // the same, but bytes that are no text in it make the reply fail
  Utf8,                   // UTF-8 whatever the reply declares
};

inline constexpr std::uint32_t kHttpTimeoutMs = 60000;  // connect, send and receive each
inline constexpr std::uint32_t kHttpMaxRedirects = 5;
// A reply body past this many bytes counts as no reply, so a hostile or broken server
// cannot make the program buffer without end.
inline constexpr std::size_t kHttpMaxBodyBytes = 4u * 1024u * 1024u;

struct HttpReply {
  std::uint32_t status = 0;
  std::u16string body;
};

// GET Url ("https://host[:port]/path[?query]", no body) with the extra Headers. True when
// any reply arrived, whatever its status, and its whole body was read within
// kHttpMaxBodyBytes; Reply is then filled. False on every error (address, name resolution,
// connection, TLS, time-out, more than kHttpMaxRedirects redirects, a body past the bound),
// and Reply is left as it was.
bool HttpGet(const std::u16string& Url, const HeaderList& Headers, BodyDecoding Decoding, HttpReply& Reply);

// The pieces of body decoding, open to tests.

// The charset parameter of a Content-Type value, unquoted; empty when there is none.
std::u16string CharsetOfContentType(std::u16string_view ContentType);
// The Windows code page of a charset name (letter case ignored), or 0 when unknown.
std::uint32_t CodePageOfCharset(std::u16string_view Charset);
// Bytes to text by a code page; invalid sequences become U+FFFD. A code page that is 0 or
// not available on this system decodes as UTF-8.
std::u16string DecodeText(std::string_view Bytes, std::uint32_t CodePage);
// The same, but false when the bytes hold an invalid sequence for the code page.
bool DecodeTextExactly(std::string_view Bytes, std::uint32_t CodePage, std::u16string& Text);

}  // namespace swiftlane
