#include "system/reconnect_wait.h"

namespace swiftlane {

bool WaitUntilOnline(const std::function<bool()>& Probe, const std::function<void(std::uint32_t)>& Pause) {
  for (int i = 0; i < kMaxProbes; ++i) {
    if (Probe()) return true;
    Pause(kProbePauseMs);
  }
  return false;
}

}  // namespace swiftlane
