// Test-only program that carries the crash reporter and fails on purpose, in the way its
// first argument names: on the window thread, in a handler, or on a worker thread.
//   crash_probe.exe <av|divzero|overflow|cpp|empty|worker|workerav|long|slowreport|double|idle> <report url>
#include <windows.h>
#include <shellapi.h>

#include <stdexcept>
#include <string>
#include <thread>

#include "crash/crash_reporter_win.h"

namespace {

std::wstring gMode;
constexpr UINT kFail = WM_APP + 1;

#if defined(__GNUC__)
#define PROBE_NOINLINE __attribute__((noinline))
#else
#define PROBE_NOINLINE __declspec(noinline)
#endif

// Read at run time, so the compiler cannot see the null and drop the store.
int* volatile gNowhere = nullptr;

PROBE_NOINLINE void WriteThroughNull() { *gNowhere = 42; }

volatile int gSink = 0;

PROBE_NOINLINE void DivideByZero() {
  volatile int zero = 0;
  volatile int x = 7;
  gSink = x / zero;  // kept: the result is stored
}

PROBE_NOINLINE int Recurse(int depth) {
  volatile char pad[4096];
  pad[0] = static_cast<char>(depth);
  return Recurse(depth + 1) + pad[0];
}

PROBE_NOINLINE void HandlerThatThrows(const char* text) { throw std::runtime_error(text); }

// Many threads with deep stacks make the report slow to assemble, so that "Close" comes
// before it is complete.
PROBE_NOINLINE int SleepDeep(int depth) {
  if (depth == 0) {
    Sleep(INFINITE);
    return 0;
  }
  volatile int keep = depth;
  return SleepDeep(depth - 1) + keep;
}

void StartSleepers(int count) {
  for (int i = 0; i < count; ++i) std::thread([] { SleepDeep(60); }).detach();
  Sleep(500);
}

void Fail() {
  if (gMode == L"av") WriteThroughNull();
  else if (gMode == L"divzero") DivideByZero();
  else if (gMode == L"overflow") Recurse(0);
  else if (gMode == L"cpp") HandlerThatThrows("probe: a handler failed");
  else if (gMode == L"empty") HandlerThatThrows("");
  else if (gMode == L"worker") std::thread([] { throw std::logic_error("probe: a worker failed"); }).detach();
  else if (gMode == L"workerav") std::thread([] { WriteThroughNull(); }).detach();
  else if (gMode == L"long") HandlerThatThrows(std::string(60, 'x').append(" ").append(std::string(4000, 'y')).insert(0, "words ").c_str());
  else if (gMode == L"slowreport") {
    StartSleepers(100);
    HandlerThatThrows("probe: a slow report");
  } else if (gMode == L"double") {
    // Two threads fail at about the same moment: one report, no deadlock.
    std::thread([] { throw std::logic_error("probe: the second failure"); }).detach();
    WriteThroughNull();
  }
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  // The dispatch boundary: nothing crosses it, what it catches goes to the reporter.
  try {
    switch (msg) {
      case kFail:
        Fail();
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  } catch (...) {
    swiftlane::crash::HandleException(std::current_exception());
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  gMode = argc > 1 ? argv[1] : L"idle";
  swiftlane::crash::TCrashReporterOptions options;
  if (argc > 2) options.reportUrl = reinterpret_cast<const char16_t*>(argv[2]);
  LocalFree(argv);
  swiftlane::crash::InstallCrashReporter(options);

  WNDCLASSW wc{};
  wc.lpfnWndProc = ProbeProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"CrashProbe";
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(L"CrashProbe", L"crash probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                            nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 2;
  PostMessageW(hwnd, kFail, 0, 0);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
