#include "system/http_win.h"

#include <windows.h>
#include <winhttp.h>

#include "system/win_handles_win.h"

namespace swiftlane {
namespace {

struct HInternetTraits {
  static HINTERNET invalid() { return nullptr; }
  static void close(HINTERNET h) { WinHttpCloseHandle(h); }
};
using unique_hinternet = win::unique_resource<HINTERNET, HInternetTraits>;

constexpr wchar_t kUserAgent[] = L"Swiftlane";
constexpr UINT kUtf8 = CP_UTF8;
constexpr UINT kUtf16Le = 1200;  // not a MultiByteToWideChar code page: decoded by hand
constexpr UINT kUtf16Be = 1201;

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::u16string_view Trim(std::u16string_view s) {
  const auto space = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

// Charset names as replies spell them, and the code pages that decode them.
struct CharsetRow {
  std::u16string_view name;
  UINT codePage;
};
constexpr CharsetRow kCharsets[] = {
    {u"utf-8", kUtf8},           {u"utf8", kUtf8},
    {u"utf-16", kUtf16Le},       {u"utf-16le", kUtf16Le},      {u"utf-16be", kUtf16Be},
    {u"us-ascii", 20127},        {u"ascii", 20127},
    {u"iso-8859-1", 28591},      {u"latin1", 28591},           {u"iso_8859-1", 28591},
    {u"iso-8859-2", 28592},      {u"iso-8859-3", 28593},       {u"iso-8859-4", 28594},
    {u"iso-8859-5", 28595},      {u"iso-8859-6", 28596},       {u"iso-8859-7", 28597},
    {u"iso-8859-8", 28598},      {u"iso-8859-9", 28599},       {u"iso-8859-13", 28603},
    {u"iso-8859-15", 28605},
    {u"windows-1250", 1250},     {u"windows-1251", 1251},      {u"windows-1252", 1252},
    {u"windows-1253", 1253},     {u"windows-1254", 1254},      {u"windows-1255", 1255},
    {u"windows-1256", 1256},     {u"windows-1257", 1257},      {u"windows-1258", 1258},
    {u"koi8-r", 20866},          {u"koi8-u", 21866},           {u"ibm866", 866},
    {u"shift_jis", 932},         {u"shift-jis", 932},          {u"windows-31j", 932},
    {u"euc-jp", 20932},          {u"iso-2022-jp", 50220},
    {u"euc-kr", 949},            {u"ks_c_5601-1987", 949},     {u"cp949", 949},
    {u"gb2312", 936},            {u"gbk", 936},                {u"gb18030", 54936},
    {u"big5", 950},              {u"utf-7", 65000},
};

std::u16string QueryContentType(HINTERNET request) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &size, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, buf.data(), &size,
                           WINHTTP_NO_HEADER_INDEX))
    return {};
  return win::U(buf.data(), size / sizeof(wchar_t));
}

bool QueryStatus(HINTERNET request, std::uint32_t& status) {
  DWORD value = 0, size = sizeof(value);
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &value, &size, WINHTTP_NO_HEADER_INDEX))
    return false;
  status = value;
  return true;
}

// The whole body, or false when reading fails or the body grows past the bound.
bool ReadBody(HINTERNET request, std::string& body) {
  DWORD length = 0, size = sizeof(length);
  if (WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &length, &size, WINHTTP_NO_HEADER_INDEX) &&
      length > kHttpMaxBodyBytes)
    return false;  // announced too long: do not even start
  char buf[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!WinHttpReadData(request, buf, sizeof(buf), &got)) return false;
    if (got == 0) return true;
    if (got > kHttpMaxBodyBytes - body.size()) return false;
    body.append(buf, got);
  }
}

bool Send(const std::u16string& Url, const HeaderList& Headers, BodyDecoding Decoding, HttpReply& Reply) {
  // Host, port and path from the address; only https is ever spoken.
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
  if (!WinHttpCrackUrl(win::W(Url), static_cast<DWORD>(Url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTPS || parts.dwHostNameLength == 0) return false;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  const unique_hinternet session(
      WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return false;
  // Name resolution keeps the platform's default (no limit of its own).
  if (!WinHttpSetTimeouts(session.get(), 0, kHttpTimeoutMs, kHttpTimeoutMs, kHttpTimeoutMs)) return false;
  const unique_hinternet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection) return false;
  const unique_hinternet request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    WINHTTP_FLAG_SECURE));
  if (!request) return false;
  DWORD redirects = kHttpMaxRedirects;
  if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof(redirects)))
    return false;
  for (const auto& [name, value] : Headers) {
    const std::u16string line = name + u": " + value;
    if (!WinHttpAddRequestHeaders(request.get(), win::W(line), static_cast<DWORD>(line.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD))
      return false;
  }
  if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
    return false;
  if (!WinHttpReceiveResponse(request.get(), nullptr)) return false;

  HttpReply reply;
  if (!QueryStatus(request.get(), reply.status)) return false;
  std::string bytes;
  if (!ReadBody(request.get(), bytes)) return false;
  const UINT codePage =
      Decoding == BodyDecoding::Utf8 ? kUtf8 : CodePageOfCharset(CharsetOfContentType(QueryContentType(request.get())));
  if (Decoding == BodyDecoding::DeclaredCharsetStrict) {
    if (!DecodeTextExactly(bytes, codePage, reply.body)) return false;
  } else {
    reply.body = DecodeText(bytes, codePage);
  }
  Reply = std::move(reply);
  return true;
}

}  // namespace

std::u16string CharsetOfContentType(std::u16string_view ContentType) {
  // media-type *( ";" parameter ); the media type itself is of no interest here.
  size_t at = ContentType.find(u';');
  while (at != std::u16string_view::npos) {
    const size_t next = ContentType.find(u';', at + 1);
    const std::u16string_view param = Trim(ContentType.substr(at + 1, next == std::u16string_view::npos ? next : next - at - 1));
    const size_t eq = param.find(u'=');
    if (eq != std::u16string_view::npos && EqualsNoCase(Trim(param.substr(0, eq)), u"charset")) {
      std::u16string_view value = Trim(param.substr(eq + 1));
      if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') value = value.substr(1, value.size() - 2);
      return std::u16string(Trim(value));
    }
    at = next;
  }
  return {};
}

std::uint32_t CodePageOfCharset(std::u16string_view Charset) {
  for (const CharsetRow& row : kCharsets)
    if (EqualsNoCase(row.name, Charset)) return row.codePage;
  return 0;
}

std::u16string DecodeText(std::string_view Bytes, std::uint32_t CodePage) {
  if (Bytes.empty()) return {};
  if (CodePage == kUtf16Le || CodePage == kUtf16Be) {
    std::u16string text(Bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      const auto lo = static_cast<unsigned char>(Bytes[2 * i + (CodePage == kUtf16Be ? 1 : 0)]);
      const auto hi = static_cast<unsigned char>(Bytes[2 * i + (CodePage == kUtf16Be ? 0 : 1)]);
      text[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    if (Bytes.size() % 2) text += u'\xFFFD';  // a dangling last byte
    return text;
  }
  UINT cp = CodePage != 0 && IsValidCodePage(CodePage) ? CodePage : kUtf8;
  const int size = static_cast<int>(Bytes.size());
  int n = MultiByteToWideChar(cp, 0, Bytes.data(), size, nullptr, 0);
  if (n <= 0 && cp != kUtf8) n = MultiByteToWideChar(cp = kUtf8, 0, Bytes.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n), L'\0');
  n = MultiByteToWideChar(cp, 0, Bytes.data(), size, text.data(), n);
  return win::U(text.data(), static_cast<size_t>(n > 0 ? n : 0));
}

bool DecodeTextExactly(std::string_view Bytes, std::uint32_t CodePage, std::u16string& Text) {
  if (Bytes.empty()) {
    Text.clear();
    return true;
  }
  if (CodePage == kUtf16Le || CodePage == kUtf16Be) {
    if (Bytes.size() % 2) return false;
    Text = DecodeText(Bytes, CodePage);
    return true;
  }
  const UINT cp = CodePage != 0 && IsValidCodePage(CodePage) ? CodePage : kUtf8;
  const int size = static_cast<int>(Bytes.size());
  int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, Bytes.data(), size, nullptr, 0);
  if (n <= 0) return false;
  std::wstring text(static_cast<size_t>(n), L'\0');
  n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, Bytes.data(), size, text.data(), n);
  if (n <= 0) return false;
  Text = win::U(text.data(), static_cast<size_t>(n));
  return true;
}

bool HttpGet(const std::u16string& Url, const HeaderList& Headers, BodyDecoding Decoding, HttpReply& Reply) {
  try {
    return Send(Url, Headers, Decoding, Reply);
  } catch (...) {  // allocation failure: the same as no reply
    return false;
  }
}

}  // namespace swiftlane
