// Watches the window of class "TFrmSwiftlane" from outside: every 50 ms a WM_NULL round trip
// with SMTO_ABORTIFHUNG and a 100 ms limit, and a look at every visible top-level window of
// the same process. Runs until STOPFILE exists (at most 180 s), then prints what it saw:
//
//   startup_ms=X    the first round trip after the window was shown
//   samples=N       round trips tried while the window existed
//   failed=K        round trips that timed out, were refused as hung, or took over 100 ms
//   worst_ms=X      the slowest round trip
//   max_frames=M    the most windows of that class seen at one time
//   other=CLASS|TITLE   once per distinct other visible window of the process
//   slow=MS@S       each round trip of 40 ms or more, S seconds after the first one
//
// It writes "ready" first, once it is watching.
//   hang_probe.exe STOPFILE OUTFILE
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

struct Look {
  HWND main = nullptr;
  DWORD pid = 0;
  int frames = 0;
  std::set<std::wstring>* others = nullptr;
};

BOOL CALLBACK LookAt(HWND hwnd, LPARAM param) {
  Look& look = *reinterpret_cast<Look*>(param);
  wchar_t cls[256] = {};
  GetClassNameW(hwnd, cls, 256);
  if (std::wstring(cls) == L"TFrmSwiftlane") {
    ++look.frames;
    return TRUE;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (look.pid != 0 && pid == look.pid && IsWindowVisible(hwnd)) {
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    look.others->insert(std::wstring(cls) + L"|" + title);
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: hang_probe.exe STOPFILE OUTFILE\n");
    return 2;
  }
  FILE* out = _wfopen(argv[2], L"w");
  if (out == nullptr) return 2;
  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  long samples = 0, failed = 0, maxFrames = 0;
  double worst = 0, startup = -1;
  std::set<std::wstring> others;
  std::string slow;
  LARGE_INTEGER first = {};
  // The probe's own first cross-process call sets up its message queue in Wine and is slow;
  // pay for that on the desktop window, not on the window under watch.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  DWORD_PTR warm = 0;
  for (int i = 0; i < 3; ++i) SendMessageTimeoutW(GetDesktopWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &warm);
  std::fprintf(out, "ready\n");
  std::fflush(out);
  const ULONGLONG end = GetTickCount64() + 180000;
  while (GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < end) {
    HWND hwnd = FindWindowW(L"TFrmSwiftlane", nullptr);
    if (hwnd != nullptr && IsWindowVisible(hwnd)) {
      LARGE_INTEGER t0, t1;
      DWORD_PTR result = 0;
      QueryPerformanceCounter(&t0);
      LRESULT ok = SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result);
      QueryPerformanceCounter(&t1);
      double ms = double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart);
      // The window may have closed between the look-up and the call: not a hang.
      if (ok == 0 && !IsWindow(hwnd)) continue;
      if (startup < 0) {
        startup = ms;
        if (ok == 0) startup = -1;  // not answered yet: still starting
        Sleep(50);
        continue;
      }
      if (samples == 0) first = t0;
      ++samples;
      if (ms >= 40.0) {
        char line[64];
        std::snprintf(line, sizeof line, "slow=%.1f@%.2f\n", ms,
                      double(t0.QuadPart - first.QuadPart) / double(freq.QuadPart));
        slow += line;
      }
      if (ok == 0 || ms > 100.0) ++failed;
      if (ms > worst) worst = ms;
      Look look;
      look.main = hwnd;
      GetWindowThreadProcessId(hwnd, &look.pid);
      look.others = &others;
      EnumWindows(LookAt, reinterpret_cast<LPARAM>(&look));
      if (look.frames > maxFrames) maxFrames = look.frames;
    }
    Sleep(50);
  }
  std::fprintf(out, "startup_ms=%.1f\n", startup);
  std::fprintf(out, "samples=%ld\nfailed=%ld\nworst_ms=%.1f\nmax_frames=%ld\n", samples, failed, worst, maxFrames);
  for (const std::wstring& o : others) std::fprintf(out, "other=%ls\n", o.c_str());
  std::fprintf(out, "%s", slow.c_str());
  std::fclose(out);
  return 0;
}
