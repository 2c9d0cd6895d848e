// The update notice: a message dialog with Yes and No, and the optional extra row (the
// hold check box or a note link) that the reply's info object asks for.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "update/update_check.h"

namespace swiftlane {

struct UpdateDialogOptions {
  std::u16string language;  // CurrentLanguage: picks the built-in texts
  std::u16string title;     // the application title; the caption is translate(title)
  std::function<std::u16string(const std::u16string&)> translate;  // identity when empty
  HWND owner = nullptr;                 // disabled while the notice is up
  std::optional<std::int32_t> rowOffset;  // RowOffset() when not given
  ShellOpenFn shellOpen;                // the link's target; ShellOpen when empty
  std::function<void()> hold;           // the ticked check box; StartHoldCommand when empty
};

// Shows the notice modally on the calling (window) thread; true when closed with Yes.
// A ticked hold check box starts the hold command whichever way the notice was closed.
bool ShowUpdateNotice(const UpdateInfo& Info, const UpdateDialogOptions& Options);

// The notice for a whole reply; nullopt, with nothing shown, when a value of the info
// object has a malformed escape.
std::optional<bool> UpdateDialog(const std::u16string& Reply, const UpdateDialogOptions& Options);

// The dialog callable that CheckUpdate's hooks take.
UpdateDialogFn MakeUpdateDialog(UpdateDialogOptions Options);

// One hold command (version and "User-Command: hold") to Url; true when it was answered.
bool SendHoldCommand(const std::u16string& Url);
// SendHoldCommand to ServiceURL on a thread of its own that nobody waits for.
void StartHoldCommand();

}  // namespace swiftlane
