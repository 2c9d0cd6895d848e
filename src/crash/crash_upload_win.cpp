#include "crash/crash_upload_win.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>
#include <winhttp.h>

#include <memory>
#include <new>
#include <vector>

#include "crash/crash_config.h"
#include "crash/crash_gather_win.h"
#include "crash/report_file.h"
#include "crash/text_codec.h"
#include "crash/upload_rules.h"
#include "system/win_handles_win.h"

namespace swiftlane::crash {

using win::U;
using win::W;

namespace {

struct HInternetTraits {
  static HINTERNET invalid() { return nullptr; }
  static void close(HINTERNET h) { WinHttpCloseHandle(h); }
};
using unique_hinternet = win::unique_resource<HINTERNET, HInternetTraits>;

struct GlobalFreeTraits {
  static HGLOBAL invalid() { return nullptr; }
  static void close(HGLOBAL h) { GlobalFree(h); }
};
using unique_hglobal = win::unique_resource<HGLOBAL, GlobalFreeTraits>;
// WinHTTP hands out proxy texts that the caller frees with GlobalFree.
unique_hglobal Owned(LPWSTR s) { return unique_hglobal(static_cast<HGLOBAL>(s)); }

constexpr wchar_t kUserAgent[] = L"Swiftlane-CrashReporter/1.0";

std::u16string ExeStem() {
  std::u16string name = FileNameOf(ExecutablePath());
  size_t dot = name.rfind(u'.');
  return dot == std::u16string::npos ? name : name.substr(0, dot);
}

std::u16string ExeFolder() {
  std::u16string exe = ExecutablePath();
  size_t slash = exe.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : exe.substr(0, slash + 1);
}

std::u16string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::u16string out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path) out = U(path);
  CoTaskMemFree(path);
  return out;
}

std::u16string UserAppDataReportFile() {
  std::u16string appData = KnownFolder(FOLDERID_RoamingAppData);
  if (appData.empty()) return {};
  return appData + u"\\" + ExeStem() + u"\\" + TCrashConfig::kBugRepFile;
}

bool FileExists(const std::u16string& path) {
  DWORD a = GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Report-file rules on one file: opened without sharing, created when missing, the new
// report merged in and the file cut after it. Returns the file's new contents.
std::optional<std::string> WriteReportFile(const std::u16string& path, const std::string& report) {
  win::unique_handle f(CreateFileW(W(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
  if (f.get() == INVALID_HANDLE_VALUE) {
    f.release();
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.get(), &size) || size.QuadPart > (256 << 20)) return std::nullopt;
  std::string old(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!old.empty() && (!ReadFile(f.get(), old.data(), static_cast<DWORD>(old.size()), &got, nullptr) || got != old.size()))
    return std::nullopt;
  std::string updated = ApplyReportFileRules(std::move(old), report, TReportFileSettings{});
  LARGE_INTEGER zero{};
  DWORD written = 0;
  if (!SetFilePointerEx(f.get(), zero, nullptr, FILE_BEGIN) ||
      !WriteFile(f.get(), updated.data(), static_cast<DWORD>(updated.size()), &written, nullptr) ||
      written != updated.size() || !SetEndOfFile(f.get()))
    return std::nullopt;
  return updated;
}

bool IsTlsFailure(DWORD error) {
  switch (error) {
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
    case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
      return true;
  }
  return false;
}

DWORD WINAPI ShellOpenThread(void* param) noexcept {
  std::unique_ptr<std::u16string> location(static_cast<std::u16string*>(param));
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ShellExecuteW(nullptr, L"open", W(*location), nullptr, nullptr, SW_SHOWNORMAL);
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

// Hands the address to the shell on a thread of its own and waits a bounded time: the
// shell may talk to windows of a thread that is blocked by the crash, and the process
// must still come to its end.
void OpenLocation(const std::u16string& location) {
  auto* copy = new (std::nothrow) std::u16string(location);
  if (!copy) return;
  win::unique_handle thread(CreateThread(nullptr, 0, ShellOpenThread, copy, 0, nullptr));
  if (!thread) {
    delete copy;
    return;
  }
  WaitForSingleObject(thread.get(), 5000);
}

// kRejected: the service answered, with a status that is no success; only a request that
// got no answer at all (and not for TLS reasons) is tried again through a proxy.
enum class TSendResult { kSuccess, kFailure, kTlsFailure, kRejected };

std::u16string QueryLocation(HINTERNET request) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0 || size > 65536) return {};
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &size,
                           WINHTTP_NO_HEADER_INDEX))
    return {};
  return U(buffer.data(), size / sizeof(wchar_t));
}

// Reads the reply body to its end but keeps at most kMaxReplyBody bytes: past the bound
// the rest is dropped unread.
void DrainReply(HINTERNET request) {
  std::vector<char> chunk(16384);
  std::uint64_t total = 0;
  while (total < kMaxReplyBody) {
    DWORD got = 0;
    if (!WinHttpReadData(request, chunk.data(), static_cast<DWORD>(chunk.size()), &got) || got == 0) return;
    total += got;
  }
}

TSendResult SendOnce(HINTERNET session, const TServerAddress& target, const std::string& boundary,
                     const TMultipartBody& body, const std::u16string& proxy) {
  unique_hinternet connect(WinHttpConnect(session, W(target.host), target.port, 0));
  if (!connect) return TSendResult::kFailure;
  unique_hinternet request(WinHttpOpenRequest(connect.get(), L"POST", W(target.path), nullptr, WINHTTP_NO_REFERER,
                                              WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
  if (!request) return TSendResult::kFailure;
  // No redirect is followed: a 30x is judged by its status and Location alone.
  DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof(policy));
  if (!proxy.empty()) {
    WINHTTP_PROXY_INFO info{};
    info.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    info.lpszProxy = const_cast<LPWSTR>(W(proxy));
    WinHttpSetOption(request.get(), WINHTTP_OPTION_PROXY, &info, sizeof(info));
  }
  std::wstring header = L"Content-Type: multipart/form-data; boundary=" + std::wstring(boundary.begin(), boundary.end());
  BOOL sent = WinHttpSendRequest(request.get(), header.c_str(), static_cast<DWORD>(header.size()),
                                 const_cast<char*>(body.bytes.data()), static_cast<DWORD>(body.bytes.size()),
                                 static_cast<DWORD>(body.declaredLength), 0);
  if (!sent || !WinHttpReceiveResponse(request.get(), nullptr)) {
    DWORD error = GetLastError();
    return IsTlsFailure(error) ? TSendResult::kTlsFailure : TSendResult::kFailure;
  }
  DWORD status = 0, size = sizeof(status);
  if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
    return TSendResult::kRejected;
  std::u16string location = (status >= 301 && status <= 303) ? QueryLocation(request.get()) : std::u16string();
  switch (ClassifyReply(status, !location.empty())) {
    case TReplyOutcome::kSuccess:
      DrainReply(request.get());
      return TSendResult::kSuccess;
    case TReplyOutcome::kSuccessOpenLocation:
      // Only a web address goes to the shell; anything else (a file, a program) is not run.
      if (IsOpenableLocation(location)) OpenLocation(location);
      return TSendResult::kSuccess;
    case TReplyOutcome::kFailure:
      break;
  }
  return TSendResult::kRejected;
}

// The current user's proxy, or else one discovered for the address.
std::u16string FindProxy(HINTERNET session, const std::u16string& url) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie{};
  if (WinHttpGetIEProxyConfigForCurrentUser(&ie)) {
    auto a = Owned(ie.lpszAutoConfigUrl), p = Owned(ie.lpszProxy), b = Owned(ie.lpszProxyBypass);
    if (ie.lpszProxy && *ie.lpszProxy) return U(ie.lpszProxy);
  }
  WINHTTP_AUTOPROXY_OPTIONS options{};
  options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
  options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  options.fAutoLogonIfChallenged = FALSE;
  WINHTTP_PROXY_INFO info{};
  if (WinHttpGetProxyForUrl(session, W(url), &options, &info)) {
    auto p = Owned(info.lpszProxy), b = Owned(info.lpszProxyBypass);
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy && *info.lpszProxy)
      return U(info.lpszProxy);
  }
  return {};
}

}  // namespace

std::optional<std::string> WindowsAnsi(const std::u16string& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, W(text), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::nullopt;
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, W(text), static_cast<int>(text.size()), ansi.data(), n, nullptr, nullptr);
  int m = MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, nullptr, 0);
  if (m <= 0) return std::nullopt;
  std::wstring back(static_cast<size_t>(m), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, back.data(), m);
  if (U(back.c_str(), back.size()) != text) return std::nullopt;
  return ansi;
}

bool SendMultipart(const std::u16string& serverUrl, const std::string& boundary, const TMultipartBody& body) {
  TServerAddress target = SplitServerUrl(serverUrl, TCrashConfig::kHttpPort);
  if (!target.valid) return false;
  // The length declared up front must be the body's, or the service would read a cut or
  // run-on request; the formula and the body are built together, so this never differs.
  if (body.declaredLength != body.bytes.size() || body.bytes.size() > 0xFFFFFFFFu) return false;
  unique_hinternet session(
      WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return false;
  // TLS 1.2 or newer only; certificates are validated by WinHTTP (no error is ignored).
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | 0x00002000 /* TLS 1.3 */;
  if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) {
    protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) return false;
  }
  TSendResult result = SendOnce(session.get(), target, boundary, body, {});
  if (result == TSendResult::kFailure) {
    std::u16string proxy = FindProxy(session.get(), serverUrl);
    if (!proxy.empty()) result = SendOnce(session.get(), target, boundary, body, proxy);
  }
  return result == TSendResult::kSuccess;
}

std::u16string LocalReportFile() {
  std::u16string beside = ExeFolder() + TCrashConfig::kBugRepFile;
  if (FileExists(beside)) return beside;
  std::u16string name = TCrashConfig::kBugRepFile;
  if (name.find(u'\\') == std::u16string::npos) {
    std::u16string appData = UserAppDataReportFile();
    if (!appData.empty() && FileExists(appData)) return appData;
  }
  return {};
}

std::u16string WorkingFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) return {};
  std::u16string folder = U(temp, n) + ExeStem() + u"." + TCrashConfig::kWorkFolderSuffix;
  CreateDirectoryW(W(folder), nullptr);
  return folder + u"\\";
}

bool UploadReport(const std::string& reportUtf8, const std::u16string& serverUrl) {
  std::u16string work = WorkingFolder();
  if (work.empty()) return false;
  std::u16string uploadFile = work + TCrashConfig::kBugRepFile;
  std::u16string local = LocalReportFile();
  bool copiedLocal = false;
  if (!local.empty()) {
    copiedLocal = CopyFileW(W(local), W(uploadFile), FALSE) != 0;
    if (!copiedLocal) DeleteFileW(W(uploadFile));  // then the upload file holds only this report
  } else {
    DeleteFileW(W(uploadFile));
  }
  std::optional<std::string> contents = WriteReportFile(uploadFile, reportUtf8);
  // A file that cannot be opened moves to the user's application-data folder (when the
  // configured name is a bare file name), and then to a name of its own.
  if (!contents && std::u16string(TCrashConfig::kBugRepFile).find(u'\\') == std::u16string::npos) {
    const std::u16string appData = UserAppDataReportFile();
    if (!appData.empty()) {
      CreateDirectoryW(W(appData.substr(0, appData.rfind(u'\\'))), nullptr);
      contents = WriteReportFile(appData, reportUtf8);
    }
  }
  if (!contents) {
    std::u16string fallback = work + Ascii16(std::to_string(GetTickCount64())) +
                              TCrashConfig::kBugRepFile;
    contents = WriteReportFile(fallback, reportUtf8);
    if (!contents) return false;
  }
  TAnsiConverter ansi = WindowsAnsi;
  auto fields = ReportFormFields(u"", TCrashConfig::kMailSubj, TCrashConfig::kMailBody, u"");
  TMultipartBody body = BuildMultipartBody(ProcessBoundary(), fields,
                                           {{TCrashConfig::kBugRepField, TCrashConfig::kBugRepSendAs, *contents}}, ansi);
  if (!SendMultipart(serverUrl, ProcessBoundary(), body)) return false;
  if (copiedLocal) {
    SetFileAttributesW(W(local), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(W(local));
  }
  return true;
}

}  // namespace swiftlane::crash
