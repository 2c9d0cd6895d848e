#include "ui/window_thread_win.h"

#include <windows.h>

#include <atomic>

#include "ui/widgets_win.h"

namespace swiftlane::ui {
namespace {

constexpr UINT kRunMessage = WM_APP + 1;

// Never freed: background threads may still read it while the process ends.
struct WindowThreadState {
  HWND window = nullptr;
  DWORD threadId = 0;
  std::atomic<bool> closed{false};
};
WindowThreadState* g_state = nullptr;

LRESULT CALLBACK QueueProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != kRunMessage) return DefWindowProcW(hwnd, msg, wp, lp);
  // Closing happens on this thread too, so the check and the call cannot be split.
  if (g_state->closed.load()) return 0;
  try {
    (*reinterpret_cast<const std::function<void()>*>(lp))();
  } catch (...) {
    HandleDispatchException(std::current_exception());
  }
  return 1;
}

}  // namespace

void InstallWindowThread() {
  if (g_state) return;
  auto* s = new WindowThreadState();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = QueueProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SwiftlaneWindowThread";
  RegisterClassExW(&wc);
  s->window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  s->threadId = GetCurrentThreadId();
  g_state = s;
}

void CloseWindowThread() {
  if (g_state) g_state->closed = true;
}

bool WindowThreadClosed() { return g_state && g_state->closed.load(); }

bool RunOnWindowThread(const std::function<void()>& fn) {
  WindowThreadState* s = g_state;
  if (!s || s->closed.load()) return false;
  if (GetCurrentThreadId() == s->threadId) {
    fn();
    return true;
  }
  // SendMessage blocks this thread until the window thread has handled the call, also
  // while the window thread sits in a modal loop such as a message box.
  return SendMessageW(s->window, kRunMessage, 0, reinterpret_cast<LPARAM>(&fn)) == 1;
}

}  // namespace swiftlane::ui
