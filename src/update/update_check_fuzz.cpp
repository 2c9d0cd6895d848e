// Fuzzes the handling of an update reply: whatever the service sends, only web addresses
// reach the shell, the callback comes at most once and carries the whole reply, and a
// malformed escape ends the handling quietly.
//
// Input bytes become code units one to one; an input that starts with FF FE is read as
// UTF-16LE instead.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "update/update_check.h"

using namespace swiftlane;

namespace {

std::u16string Decode(const uint8_t* data, size_t size) {
  std::u16string out;
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    for (size_t i = 2; i + 1 < size; i += 2) out.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    for (size_t i = 0; i < size; ++i) out.push_back(static_cast<char16_t>(data[i]));
  }
  return out;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string reply = Decode(data, size);
  for (bool yes : {true, false}) {
    int dialogs = 0, opens = 0, callbacks = 0;
    const bool handled = HandleUpdateReply(
        reply,
        [&](const std::u16string& r, const UpdateInfo& info) {
          Check(r == reply);
          ++dialogs;
          // The note link goes through the same gate as the update address.
          OpenReplyAddress(info.url, [&](const std::u16string& url) { Check(IsOpenableUrl(url)); });
          return yes;
        },
        [&](const std::u16string& url) {
          Check(IsOpenableUrl(url));
          ++opens;
        },
        [&](bool accepted, const std::u16string& r) {
          Check(r == reply);
          Check(accepted == (opens == 1));
          ++callbacks;
        });
    Check(dialogs <= 1 && opens <= dialogs && (yes || opens == 0));
    Check(callbacks == (handled ? 1 : 0));
  }
  return 0;
}
