#include "update/update_win.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "system/http_win.h"
#include "ui/widgets_win.h"
#include "update/install_id_win.h"
#include "update/shell_win.h"
#include "update/version_win.h"

namespace swiftlane {
namespace {

// Never destroyed: a detached worker may still read it while the process ends.
std::u16string& ServiceUrlStore() {
  static auto* url = new std::u16string();
  return *url;
}
std::atomic<std::int32_t> g_rowOffset{0};

// A header must stay one line: line breaks and other control characters in a stored
// value (the identity comes from the registry) are left out.
std::u16string OneLine(const std::u16string& s) {
  std::u16string out;
  for (char16_t c : s)
    if (c >= 0x20 && c != 0x7F) out.push_back(c);
  return out;
}

}  // namespace

std::u16string ServiceURL() { return ServiceUrlStore(); }
std::int32_t RowOffset() { return g_rowOffset.load(); }

bool SendUpdateRequest(const std::u16string& Url, const HeaderList& Headers, std::u16string& Reply) {
  HeaderList headers;
  headers.reserve(Headers.size());
  for (const auto& [name, value] : Headers) headers.emplace_back(OneLine(name), OneLine(value));
  HttpReply reply;
  if (!HttpGet(Url, headers, BodyDecoding::Utf8, reply)) return false;
  Reply = std::move(reply.body);
  return true;
}

bool SendUpdateRequest(const HeaderList& Headers, std::u16string& Reply) {
  return SendUpdateRequest(ServiceURL(), Headers, Reply);
}

void CheckUpdate(const std::u16string& ServiceURL, UpdateCallback Callback, std::int32_t RowOffset,
                 UpdateCheckHooks Hooks) {
  ServiceUrlStore() = ServiceURL;
  g_rowOffset.store(RowOffset);

  // Everything the worker touches is its own copy, so nothing it uses is destroyed under
  // it when the process ends while it still runs.
  struct Work {
    std::u16string url;
    UpdateCallback callback;
    UpdateCheckHooks hooks;
  };
  auto work = std::make_shared<Work>(Work{ServiceURL, std::move(Callback), std::move(Hooks)});
  if (!work->hooks.shellOpen) work->hooks.shellOpen = [](const std::u16string& t) { ShellOpen(t); };
  if (!work->hooks.sleep) work->hooks.sleep = [](std::uint32_t ms) { ::Sleep(ms); };
  if (!work->hooks.send) {
    work->hooks.send = [url = work->url](const HeaderList& h, std::u16string& reply) {
      return SendUpdateRequest(url, h, reply);
    };
  }
  if (!work->hooks.dialog) work->hooks.dialog = [](const std::u16string&, const UpdateInfo&) { return false; };

  try {
    std::thread([work] {
      try {
        const HeaderList headers =
            UpdateCheckHeaders(GetVersionString(u"%d.%d.%d.%d"), work->hooks.language, GetInstallId());
        std::u16string reply;
        if (!FetchUpdateReply(headers, work->hooks.send, work->hooks.sleep, work->hooks.closing, reply)) return;
        if (!work->hooks.runOnWindowThread) return;
        // The window thread runs the handling, the modal notice and the callback while this
        // thread waits; the hand-over gives whatever escapes there to the crash reporter.
        work->hooks.runOnWindowThread([work, reply] {
          HandleUpdateReply(reply, work->hooks.dialog, work->hooks.shellOpen, work->callback);
        });
      } catch (...) {
        // Failures of the exchange are results, not exceptions: what arrives here is a fault.
        ui::HandleDispatchException(std::current_exception());
      }
    }).detach();
  } catch (...) {
    // No thread could be started: the program simply runs without the update check.
  }
}

}  // namespace swiftlane
