// Starts a program, waits until its first top-level window is visible, lets it settle and
// prints the memory counters the system keeps for it, then closes it.
//
//   mem_report.exe SETTLE_MS PROGRAM.exe
//
// Output, one "name=value" a line: window_ms (CreateProcess to a visible window, polled
// every millisecond), then the PROCESS_MEMORY_COUNTERS_EX fields in bytes.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Handle {
  HANDLE h = nullptr;
  explicit Handle(HANDLE v) : h(v) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h) CloseHandle(h);
  }
};

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid && IsWindowVisible(hwnd)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND VisibleWindowOf(DWORD pid) {
  Search s{pid, nullptr};
  EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: mem_report SETTLE_MS PROGRAM.exe\n");
    return 2;
  }
  const DWORD settle = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
  std::wstring cmd = L"\"" + std::wstring(argv[2]) + L"\"";

  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "mem_report: CreateProcess failed, error %lu\n", GetLastError());
    return 1;
  }
  Handle process(pi.hProcess);
  Handle thread(pi.hThread);

  HWND window = nullptr;
  for (int i = 0; i < 60000 && !window; ++i) {
    window = VisibleWindowOf(pi.dwProcessId);
    if (!window) {
      if (WaitForSingleObject(process.h, 1) == WAIT_OBJECT_0) break;
    }
  }
  QueryPerformanceCounter(&t1);
  if (!window) {
    std::fprintf(stderr, "mem_report: no window appeared\n");
    TerminateProcess(process.h, 1);
    return 1;
  }
  std::printf("window_ms=%.1f\n", 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) /
                                      static_cast<double>(freq.QuadPart));
  Sleep(settle);

  PROCESS_MEMORY_COUNTERS_EX pmc = {};
  pmc.cb = sizeof(pmc);
  if (!GetProcessMemoryInfo(process.h, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc))) {
    std::fprintf(stderr, "mem_report: GetProcessMemoryInfo failed, error %lu\n", GetLastError());
    TerminateProcess(process.h, 1);
    return 1;
  }
  std::printf("PeakWorkingSetSize=%llu\n", static_cast<unsigned long long>(pmc.PeakWorkingSetSize));
  std::printf("WorkingSetSize=%llu\n", static_cast<unsigned long long>(pmc.WorkingSetSize));
  std::printf("PrivateUsage=%llu\n", static_cast<unsigned long long>(pmc.PrivateUsage));
  std::printf("PagefileUsage=%llu\n", static_cast<unsigned long long>(pmc.PagefileUsage));
  std::printf("PeakPagefileUsage=%llu\n", static_cast<unsigned long long>(pmc.PeakPagefileUsage));
  std::fflush(stdout);

  // Ask the window to close as its close box would; a program that does not end is ended.
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.h, 10000) != WAIT_OBJECT_0) TerminateProcess(process.h, 1);
  return 0;
}
