#include "ui/activity_dots.h"

#include <cmath>

namespace swiftlane::ui {
namespace {

constexpr double kPi = 3.14159265358979323846;
// How strongly a dot slows at the top: its speed is (1 - k cos) of the mean speed.
constexpr double kMomentum = 0.8;
// Each dot trails the one before it by this share of a lap in time.
constexpr double kLag = 0.06;

// Share of the lap covered after the share t of its time; rises monotonically from 0 to 1.
double Eased(double t) { return t - kMomentum * std::sin(2 * kPi * t) / (2 * kPi); }

}  // namespace

std::array<double, kMomentumDots> MomentumDotAngles(int frame) {
  std::array<double, kMomentumDots> angles{};
  const int f = ((frame % kMomentumFrames) + kMomentumFrames) % kMomentumFrames;
  for (int i = 0; i < kMomentumDots; ++i) {
    double t = static_cast<double>(f) / kMomentumFrames - i * kLag;
    t -= std::floor(t);
    double a = 360.0 * Eased(t);
    if (a >= 360.0) a -= 360.0;
    if (a < 0) a += 360.0;
    angles[static_cast<size_t>(i)] = a;
  }
  return angles;
}

}  // namespace swiftlane::ui
