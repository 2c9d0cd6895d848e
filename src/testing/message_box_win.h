// Test support: answers the next message box of this process from another thread and
// remembers what it said.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace swiftlane::testing {

class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(int button = IDOK) : button_(button) {
    worker_ = std::thread([this] { Watch(); });
  }
  ~MessageBoxAnswerer() {
    stop_ = true;
    worker_.join();
  }
  bool Seen() const { return seen_; }
  const std::wstring& Text() const { return text_; }
  const std::wstring& Title() const { return title_; }
  UINT ExStyle() const { return exStyle_; }

 private:
  void Watch() {
    for (int i = 0; i < 500 && !stop_ && !seen_; ++i) {
      EnumWindows(
          [](HWND h, LPARAM self) -> BOOL {
            auto* me = reinterpret_cast<MessageBoxAnswerer*>(self);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            wchar_t cls[32] = {};
            GetClassNameW(h, cls, 32);
            if (pid != GetCurrentProcessId() || lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(h)) return TRUE;
            wchar_t buf[512] = {};
            GetDlgItemTextW(h, 0xFFFF, buf, 512);  // the message box's text control
            me->text_ = buf;
            GetWindowTextW(h, buf, 512);
            me->title_ = buf;
            me->exStyle_ = static_cast<UINT>(GetWindowLongPtrW(h, GWL_EXSTYLE));
            me->seen_ = true;
            PostMessageW(h, WM_COMMAND, static_cast<WPARAM>(me->button_), 0);
            return FALSE;
          },
          reinterpret_cast<LPARAM>(this));
      Sleep(10);
    }
  }
  int button_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> seen_{false};
  std::wstring text_, title_;
  UINT exStyle_ = 0;
  std::thread worker_;
};

}  // namespace swiftlane::testing
