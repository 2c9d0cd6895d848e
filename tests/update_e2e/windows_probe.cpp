// Tells what swiftlane.exe shows: each of its top-level windows with class, caption,
// screen rectangle and that of its client area, whether it is on top and whether it answers a message within two
// seconds; for dialogs also the default button and every child control (id, class,
// rectangle, check state, text). Written as UTF-8 to the file named on the command line.
//   windows_probe.exe OUTFILE
#include <windows.h>

#include <string>

namespace {

std::wstring ImageName(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return L"";
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  const BOOL ok = QueryFullProcessImageNameW(process, 0, path, &size);
  CloseHandle(process);
  if (!ok) return L"";
  std::wstring p(path, size);
  const size_t slash = p.find_last_of(L"\\/");
  return slash == std::wstring::npos ? p : p.substr(slash + 1);
}

std::wstring Text(HWND hwnd) {
  wchar_t buffer[1024] = {};
  // WM_GETTEXT with a time-out: a hung window must not hang the probe.
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &got))
    return L"";
  return std::wstring(buffer, got);
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buffer[256] = {};
  const int n = GetClassNameW(hwnd, buffer, 256);
  return std::wstring(buffer, n > 0 ? n : 0);
}

std::wstring Rect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right - r.left) + L" " +
         std::to_wstring(r.bottom - r.top);
}

std::wstring ClientRect(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  return std::to_wstring(origin.x) + L" " + std::to_wstring(origin.y) + L" " + std::to_wstring(r.right) + L" " +
         std::to_wstring(r.bottom);
}

struct Output {
  std::wstring text;
};

BOOL CALLBACK Child(HWND hwnd, LPARAM lp) {
  auto* out = reinterpret_cast<Output*>(lp);
  if (GetParent(hwnd) != GetAncestor(hwnd, GA_PARENT)) return TRUE;
  DWORD_PTR checked = 0;
  SendMessageTimeoutW(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &checked);
  out->text += L"control " + std::to_wstring(GetDlgCtrlID(hwnd)) + L" " + ClassOf(hwnd) + L" " + Rect(hwnd) +
               L" checked=" + std::to_wstring(ClassOf(hwnd) == L"Button" ? static_cast<int>(checked) : 0) +
               L" visible=" + std::to_wstring(IsWindowVisible(hwnd) ? 1 : 0) + L" text=" + Text(hwnd) + L"\n";
  return TRUE;
}

BOOL CALLBACK TopLevel(HWND hwnd, LPARAM lp) {
  auto* out = reinterpret_cast<Output*>(lp);
  if (!IsWindowVisible(hwnd)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (_wcsicmp(ImageName(pid).c_str(), L"swiftlane.exe") != 0) return TRUE;
  DWORD_PTR ignored = 0;
  const bool responsive = SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0;
  const bool topmost = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  const std::wstring cls = ClassOf(hwnd);
  out->text += L"window " + cls + L" " + Rect(hwnd) + L" client " + ClientRect(hwnd) + L" topmost=" + std::to_wstring(topmost ? 1 : 0) +
               L" responsive=" + std::to_wstring(responsive ? 1 : 0) + L" caption=" + Text(hwnd) + L"\n";
  if (cls == L"#32770") {
    DWORD_PTR def = 0;
    SendMessageTimeoutW(hwnd, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000, &def);
    out->text += L"defid " + std::to_wstring(HIWORD(def) == DC_HASDEFID ? LOWORD(def) : 0) + L"\n";
    EnumChildWindows(hwnd, Child, lp);
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  Output out;
  EnumWindows(TopLevel, reinterpret_cast<LPARAM>(&out));
  const int size = WideCharToMultiByte(CP_UTF8, 0, out.text.data(), static_cast<int>(out.text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, out.text.data(), static_cast<int>(out.text.size()), bytes.data(), size, nullptr,
                      nullptr);
  HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
