#include "app/services_win.h"

#include <windows.h>

#include "config/config_win.h"
#include "system/network_win.h"
#include "system/online_win.h"
#include "system/registry_win.h"
#include "ui/translate_win.h"
#include "ui/widgets_win.h"
#include "ui/window_thread_win.h"
#include "update/shell_win.h"
#include "update/update_dialog_win.h"
#include "update/update_win.h"

namespace swiftlane {

std::unique_ptr<IConfigStore> TSystemServices::OpenConfig(const std::u16string& path) {
  return std::make_unique<TConfig>(path);
}

bool TSystemServices::GetActiveNetwork(std::u16string& name, std::u16string& guid, std::u16string& ip) {
  return swiftlane::GetActiveNetwork(name, guid, ip);
}

bool TSystemServices::SetNetworkEnabled(const std::u16string& guid, bool enabled) {
  return swiftlane::SetNetworkEnabled(guid, enabled);
}

bool TSystemServices::IsOnline() { return swiftlane::IsOnline(); }

void TSystemServices::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

void TSystemServices::WriteRegValue(const std::u16string& path, const std::u16string& name, std::uint32_t value) {
  swiftlane::WriteRegValue(path, name, value);
}

void TSystemServices::DeleteRegValue(const std::u16string& path, const std::u16string& name) {
  swiftlane::DeleteRegValue(path, name);
}

void TSystemServices::ShellOpen(const std::u16string& target) { swiftlane::ShellOpen(target); }

void TSystemServices::CheckUpdate(const std::u16string& serviceUrl, UpdateDone callback, std::int32_t rowOffset) {
  UpdateCheckHooks hooks;
  hooks.language = ui::CurrentLanguage();
  hooks.runOnWindowThread = [](std::function<void()> fn) { return ui::RunOnWindowThread(fn); };
  hooks.closing = [] { return ui::WindowThreadClosed(); };
  UpdateDialogOptions dialog;
  dialog.language = ui::CurrentLanguage();
  dialog.title = ui::Application().Title();
  dialog.translate = [](const std::u16string& s) { return ui::Translate(s); };
  dialog.owner = ui::Application().Handle();
  hooks.dialog = MakeUpdateDialog(std::move(dialog));
  swiftlane::CheckUpdate(serviceUrl, std::move(callback), rowOffset, std::move(hooks));
}

}  // namespace swiftlane
