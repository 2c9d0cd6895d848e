#include "app/status.h"

namespace swiftlane {

StatusView ViewOf(TStatus status) {
  switch (status) {
    case TStatus::stRunning:
      return {false, u"실행중", true, true, 1, false};
    case TStatus::stBusy:
      return {true, u"", false, false, std::nullopt, false};
    case TStatus::stIdle:
    default:
      return {false, u"실행하기", true, false, 0, true};
  }
}

TStatus StatusFromStored(std::int32_t stored) {
  // The window applies the low byte of the stored number.
  return (stored & 0xFF) == 1 ? TStatus::stRunning : TStatus::stIdle;
}

}  // namespace swiftlane
