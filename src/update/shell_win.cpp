#include "update/shell_win.h"

#include <windows.h>
#include <shellapi.h>

#include "system/win_handles_win.h"

namespace swiftlane {

void ShellOpen(const std::u16string& Target) {
  ShellExecuteW(nullptr, L"open", win::W(Target), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace swiftlane
