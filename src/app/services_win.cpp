#include "app/services_win.h"

#include <windows.h>
#include <shellapi.h>

#include "config/config_win.h"

namespace swiftlane {

std::unique_ptr<IConfigStore> TSystemServices::OpenConfig(const std::u16string& path) {
  return std::make_unique<TConfig>(path);
}

bool TSystemServices::GetActiveNetwork(std::u16string&, std::u16string&, std::u16string&) { return false; }

bool TSystemServices::SetNetworkEnabled(const std::u16string&, bool) { return false; }

bool TSystemServices::IsOnline() { return false; }

void TSystemServices::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

void TSystemServices::WriteRegValue(const std::u16string&, const std::u16string&, std::uint32_t) {}

void TSystemServices::DeleteRegValue(const std::u16string&, const std::u16string&) {}

void TSystemServices::ShellOpen(const std::u16string& target) {
  ShellExecuteW(nullptr, L"open", win::W(target), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace swiftlane
