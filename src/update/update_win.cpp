#include "update/update_win.h"

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "system/win_handles_win.h"
#include "update/install_id_win.h"
#include "update/shell_win.h"
#include "update/version_win.h"

namespace swiftlane {
namespace {

struct HInternetTraits {
  static HINTERNET invalid() { return nullptr; }
  static void close(HINTERNET h) { WinHttpCloseHandle(h); }
};
using unique_hinternet = win::unique_resource<HINTERNET, HInternetTraits>;

// Never destroyed: a detached worker may still read it while the process ends.
std::u16string& ServiceUrlStore() {
  static auto* url = new std::u16string();
  return *url;
}
std::atomic<std::int32_t> g_rowOffset{0};

constexpr DWORD kTimeoutMs = 60000;
constexpr DWORD kMaxRedirects = 5;

// A header line must stay one line: line breaks and other control characters in a
// stored value (the identity comes from the registry) are left out.
std::wstring HeaderLine(const std::u16string& name, const std::u16string& value) {
  std::wstring line;
  auto append = [&line](const std::u16string& s) {
    for (char16_t c : s)
      if (c >= 0x20 && c != 0x7F) line.push_back(static_cast<wchar_t>(c));
  };
  append(name);
  line += L": ";
  append(value);
  return line;
}

std::u16string DecodeUtf8(const std::vector<char>& body) {
  if (body.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, body.data(), static_cast<int>(body.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string text(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, body.data(), static_cast<int>(body.size()), reinterpret_cast<wchar_t*>(text.data()),
                      n);
  return text;
}

}  // namespace

std::u16string ServiceURL() { return ServiceUrlStore(); }
std::int32_t RowOffset() { return g_rowOffset.load(); }

bool SendUpdateRequest(const std::u16string& Url, const HeaderList& Headers, std::u16string& Reply) {
  std::wstring url(win::W(Url));
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTPS && parts.nScheme != INTERNET_SCHEME_HTTP) return false;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath ? std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) : std::wstring());
  if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  // A client of its own for this one request.
  unique_hinternet session(WinHttpOpen(L"Swiftlane", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return false;
  if (!WinHttpSetTimeouts(session.get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs)) return false;
  unique_hinternet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection) return false;
  const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  unique_hinternet request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                              WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!request) return false;
  DWORD redirects = kMaxRedirects;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof(redirects));

  for (const auto& [name, value] : Headers) {
    const std::wstring line = HeaderLine(name, value);
    // An empty value (no identity) is still worth a try, but never worth the request.
    if (!WinHttpAddRequestHeaders(request.get(), line.c_str(), static_cast<DWORD>(line.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD) &&
        !value.empty())
      return false;
  }

  if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
    return false;
  if (!WinHttpReceiveResponse(request.get(), nullptr)) return false;

  std::vector<char> body;
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request.get(), &available)) return false;
    if (available == 0) break;
    if (body.size() + available > kMaxReplyBytes + 1) available = static_cast<DWORD>(kMaxReplyBytes + 1 - body.size());
    const size_t at = body.size();
    body.resize(at + available);
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), body.data() + at, available, &read)) return false;
    body.resize(at + read);
    if (body.size() > kMaxReplyBytes) return false;
    if (read == 0) break;
  }
  Reply = DecodeUtf8(body);
  return true;
}

bool SendUpdateRequest(const HeaderList& Headers, std::u16string& Reply) {
  return SendUpdateRequest(ServiceURL(), Headers, Reply);
}

void CheckUpdate(const std::u16string& ServiceURL, UpdateCallback Callback, std::int32_t RowOffset,
                 UpdateCheckHooks Hooks) {
  ServiceUrlStore() = ServiceURL;
  g_rowOffset.store(RowOffset);

  // Everything the worker touches is its own copy, so nothing it uses is destroyed under
  // it when the process ends while it still runs.
  struct Work {
    std::u16string url;
    UpdateCallback callback;
    UpdateCheckHooks hooks;
  };
  auto work = std::make_shared<Work>(Work{ServiceURL, std::move(Callback), std::move(Hooks)});
  if (!work->hooks.shellOpen) work->hooks.shellOpen = [](const std::u16string& t) { ShellOpen(t); };
  if (!work->hooks.sleep) work->hooks.sleep = [](std::uint32_t ms) { ::Sleep(ms); };
  if (!work->hooks.send) {
    work->hooks.send = [url = work->url](const HeaderList& h, std::u16string& reply) {
      return SendUpdateRequest(url, h, reply);
    };
  }
  if (!work->hooks.dialog) work->hooks.dialog = [](const std::u16string&, const UpdateInfo&) { return false; };

  try {
    std::thread([work] {
      try {
        const HeaderList headers =
            UpdateCheckHeaders(GetVersionString(u"%d.%d.%d.%d"), work->hooks.language, GetInstallId());
        std::u16string reply;
        if (!FetchUpdateReply(headers, work->hooks.send, work->hooks.sleep, work->hooks.closing, reply)) return;
        if (!work->hooks.runOnWindowThread) return;
        // The window thread runs the handling, the modal notice and the callback while
        // this thread waits; nothing may escape into its message loop.
        work->hooks.runOnWindowThread([work, reply] {
          try {
            HandleUpdateReply(reply, work->hooks.dialog, work->hooks.shellOpen, work->callback);
          } catch (...) {
          }
        });
      } catch (...) {
      }
    }).detach();
  } catch (...) {
    // No thread could be started: the program simply runs without the update check.
  }
}

}  // namespace swiftlane
