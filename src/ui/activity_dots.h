// Where the dots of the busy indicator are on a frame: they chase each other around a
// circle, slow at the top and fast at the bottom, bunching up and spreading out as they go.
#pragma once

#include <array>

namespace swiftlane::ui {

constexpr int kMomentumDots = 5;
constexpr int kMomentumFrames = 40;  // one lap of every dot; 2 s at 50 ms per frame

// The angle of each dot in degrees, clockwise from the top (0 <= angle < 360), the
// leading dot first. Frames repeat every kMomentumFrames.
std::array<double, kMomentumDots> MomentumDotAngles(int frame);

}  // namespace swiftlane::ui
