#include "ui/activity_dots.h"

#include <gtest/gtest.h>

#include <cmath>

namespace swiftlane::ui {
namespace {

// Clockwise distance from a to b in degrees.
double Ahead(double a, double b) { return std::fmod(b - a + 360.0, 360.0); }

TEST(MomentumDotsTest, TheLapRepeatsAndEveryDotKeepsItsPlaceInTheRow) {
  for (int frame = 0; frame < kMomentumFrames; ++frame) {
    const auto now = MomentumDotAngles(frame);
    const auto lapLater = MomentumDotAngles(frame + kMomentumFrames);
    for (int i = 0; i < kMomentumDots; ++i) {
      EXPECT_DOUBLE_EQ(now[i], lapLater[i]) << frame;
      EXPECT_GE(now[i], 0.0);
      EXPECT_LT(now[i], 360.0);
    }
    // The dots never overtake: each trails the one before it by less than half a lap, and
    // the whole row spans less than a lap.
    double span = 0;
    for (int i = 1; i < kMomentumDots; ++i) {
      const double gap = Ahead(now[i], now[i - 1]);
      EXPECT_GT(gap, 0.0) << frame;
      EXPECT_LT(gap, 180.0) << frame;
      span += gap;
    }
    EXPECT_LT(span, 360.0);
  }
}

TEST(MomentumDotsTest, TheLeadingDotCrawlsOverTheTopAndRushesThroughTheBottom) {
  // Its step per frame, where it starts a lap and where it is half-way through.
  const double atTop = Ahead(MomentumDotAngles(0)[0], MomentumDotAngles(1)[0]);
  const int half = kMomentumFrames / 2;
  const double atBottom = Ahead(MomentumDotAngles(half)[0], MomentumDotAngles(half + 1)[0]);
  EXPECT_LT(atTop * 4, atBottom);
  EXPECT_NEAR(MomentumDotAngles(half)[0], 180.0, 1e-9);
  // Negative frame numbers continue the same lap backwards.
  EXPECT_DOUBLE_EQ(MomentumDotAngles(-1)[2], MomentumDotAngles(kMomentumFrames - 1)[2]);
}

}  // namespace
}  // namespace swiftlane::ui
