// The window's status and what each status shows. Portable: the window controller maps
// this onto its components.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace swiftlane {

enum class TStatus : std::uint8_t { stIdle = 0, stRunning = 1, stBusy = 2 };

// One row of the status table: what the window shows for a status.
struct StatusView {
  bool indicatorVisible;    // shown and animating
  std::u16string caption;   // the Korean source text of BtnStart's caption, empty for none
  bool buttonEnabled;
  bool buttonDown;
  std::optional<int> stored;  // value written under "status"; busy is never stored
  bool optionsEnabled;        // the five check boxes
};

StatusView ViewOf(TStatus status);

// A stored "status" as the window applies it: only 0 and 1 are ever stored; anything
// else (an edited or damaged value) shows the idle window rather than a stuck busy one.
TStatus StatusFromStored(std::int32_t stored);

}  // namespace swiftlane
