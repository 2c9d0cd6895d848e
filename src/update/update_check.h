// The update exchange without its transport: request headers, the attempt loop and the
// handling of the service's reply. The Win32 worker (update_win.h) wires the real
// request, wait, dialog and shell; tests wire their own.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace swiftlane {

// Ordered (name, value) pairs; sent as custom request headers in this order.
using HeaderList = std::vector<std::pair<std::u16string, std::u16string>>;

// The four headers of the update check: version, interface language, debug flag (the
// program never turns its leak report on, so always "false") and install identity.
HeaderList UpdateCheckHeaders(const std::u16string& Version, const std::u16string& Language,
                              const std::u16string& InstallId);

// The two headers of the hold command that the notice's check box sends.
HeaderList HoldCommandHeaders(const std::u16string& Version);

inline constexpr int kUpdateAttempts = 60;
inline constexpr int kUpdateWaitSteps = 100;
inline constexpr std::uint32_t kUpdateWaitStepMs = 10;

// One request; true when a response arrived, its body then in the reply.
using SendRequestFn = std::function<bool(const HeaderList& Headers, std::u16string& Reply)>;
using SleepFn = std::function<void(std::uint32_t Milliseconds)>;
// True once the program has begun to close.
using ClosingFn = std::function<bool()>;

// Up to 60 attempts, each failure followed by a one-second wait in 100 steps of 10 ms.
// Returns false when the program began closing during a wait: the worker then ends
// with neither hand-over nor callback. Otherwise true, with the first reply that
// arrived, or an empty reply when every attempt failed.
bool FetchUpdateReply(const HeaderList& Headers, const SendRequestFn& Send, const SleepFn& Sleep,
                      const ClosingFn& Closing, std::u16string& Reply);

// The reply's info object; each member is empty when absent.
struct UpdateInfo {
  std::u16string style, text, flag, url;
};

// The resolved string value of the key update; nullopt on a malformed escape.
std::optional<std::u16string> ReadUpdateAddress(const std::u16string& Reply);
// The resolved members of the info object; nullopt on a malformed escape in any of them.
std::optional<UpdateInfo> ReadUpdateInfo(const std::u16string& Reply);

// Addresses from a reply reach the shell only when they are absolute http:// or
// https:// URLs with a host and without control characters, blanks or double quotes
// (which could split the browser's command line).
bool IsOpenableUrl(const std::u16string& Url);

using ShellOpenFn = std::function<void(const std::u16string& Target)>;
// Hands Url to Open when it is openable; ignores it silently otherwise.
void OpenReplyAddress(const std::u16string& Url, const ShellOpenFn& Open);

// The notice; true when the user answered Yes.
using UpdateDialogFn = std::function<bool(const std::u16string& Reply, const UpdateInfo& Info)>;
using UpdateCallback = std::function<void(bool Accepted, const std::u16string& Reply)>;

// Reply handling, on the window thread: a reply naming an openable update address
// shows the notice; Yes opens the address. The callback then gets Accepted and the whole
// reply. A malformed escape in the values read ends the handling with neither dialog
// nor callback, and the result is false; otherwise true.
bool HandleUpdateReply(const std::u16string& Reply, const UpdateDialogFn& Dialog, const ShellOpenFn& Open,
                       const UpdateCallback& Callback);

}  // namespace swiftlane
