// The update check on its worker thread, and its request over WinHTTP.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "update/update_check.h"

namespace swiftlane {

// Unit-wide values stored by CheckUpdate before its worker starts, read afterwards
// (the hold command of the notice sends to ServiceURL; its layout uses RowOffset).
std::u16string ServiceURL();
std::int32_t RowOffset();

// One HTTPS GET to Url (system/http_win.h: a session of its own, 60 s time-outs, at most
// 5 redirects) with the headers in list order, each kept to one line. Any response that
// arrives counts, whatever its status: its body, decoded as UTF-8, goes to Reply and the
// result is true. A transport error, or a body past 4 MiB, gives false and leaves Reply
// as it was.
bool SendUpdateRequest(const std::u16string& Url, const HeaderList& Headers, std::u16string& Reply);
// The same to ServiceURL.
bool SendUpdateRequest(const HeaderList& Headers, std::u16string& Reply);

// Runs a call on the window thread and blocks until it has run; false when the window
// is gone and the call was not run.
using RunOnWindowThreadFn = std::function<bool(std::function<void()>)>;

// What the worker reaches besides the network. runOnWindowThread and dialog come from
// the window; the rest have working defaults (never closing, ShellOpen, SendUpdateRequest
// to ServiceURL, Sleep).
struct UpdateCheckHooks {
  std::u16string language;  // CurrentLanguage, for the "User-Language" header
  RunOnWindowThreadFn runOnWindowThread;
  UpdateDialogFn dialog;  // without one no notice is shown and nothing is accepted
  ClosingFn closing;
  ShellOpenFn shellOpen;
  SendRequestFn send;
  SleepFn sleep;
};

// Stores the address and the row offset, starts the update worker and returns. The
// worker builds the headers (version, language, debug flag, install identity), makes up
// to 60 attempts a second apart and hands the reply to the window thread, where a named
// update shows the notice and Yes opens it; Callback then gets Accepted and the reply.
// When the program closes during the waits, the worker ends without calling back.
void CheckUpdate(const std::u16string& ServiceURL, UpdateCallback Callback, std::int32_t RowOffset,
                 UpdateCheckHooks Hooks);

}  // namespace swiftlane
