// The loop of the reconnect wait: probe until the machine is online again, at most
// kMaxProbes times, pausing after every failed probe. Probe and pause come from the caller
// so that the loop runs without real time or network in tests.
#pragma once

#include <cstdint>
#include <functional>

namespace swiftlane {

inline constexpr int kMaxProbes = 300;
inline constexpr std::uint32_t kProbePauseMs = 1000;

// True when a probe succeeded; the caller shows the same final status either way. The
// pause follows every failed probe, the last one included.
bool WaitUntilOnline(const std::function<bool()>& Probe, const std::function<void(std::uint32_t)>& Pause);

}  // namespace swiftlane
