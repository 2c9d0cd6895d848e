// A stand-in browser for the test prefix: registered as the shell's open command for http
// and https, it appends its arguments to opened.log beside itself, one line per start
// (UTF-8, arguments separated by tabs; an empty line for a start without any), and ends
// without a window. Started directly, as a document the shell ran, it logs that too.
//   open_log.exe ARG...
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return 2;
  wchar_t self[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring log(self, length);
  log = log.substr(0, log.find_last_of(L'\\') + 1) + L"opened.log";
  std::wstring line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += L'\t';
    line += argv[i];
  }
  line += L'\n';
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), size, nullptr, nullptr);
  // FILE_APPEND_DATA alone: every write lands at the end, even from two starts at once.
  HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  LocalFree(argv);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size() ? 0 : 1;
}
