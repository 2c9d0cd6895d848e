#include "ui/coverage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace swiftlane::ui {
namespace {

std::vector<TPointF> Rect(double x, double y, double w, double h, bool clockwise = true) {
  std::vector<TPointF> r{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
  if (!clockwise) std::swap(r[1], r[3]);
  return r;
}

double Sum(const TCoverage& c) {
  double s = 0;
  for (auto a : c.alpha) s += a / 255.0;
  return s;
}

TEST(CoverageTest, ARectangleOnWholePixelsCoversThemFullyAndNothingElse) {
  const TCoverage c = RasterizeCoverage({Rect(2, 3, 5, 4)}, false, 20, 20);
  EXPECT_EQ(c.left, 2);
  EXPECT_EQ(c.top, 3);
  EXPECT_EQ(c.width, 5);
  EXPECT_EQ(c.height, 4);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(c.At(x, y), (x >= 2 && x < 7 && y >= 3 && y < 7) ? 255 : 0) << x << "," << y;
}

TEST(CoverageTest, EdgesBetweenPixelsAreBlendedByTheShareTheyCover) {
  const TCoverage c = RasterizeCoverage({Rect(1.5, 1.25, 3, 2)}, false, 20, 20);
  EXPECT_NEAR(c.At(1, 2), 128, 1);  // half a pixel wide
  EXPECT_EQ(c.At(2, 2), 255);
  EXPECT_NEAR(c.At(2, 1), 191, 1);  // three quarters high
  EXPECT_NEAR(c.At(1, 1), 96, 1);   // both
  EXPECT_NEAR(Sum(c), 6.0, 0.02);
}

TEST(CoverageTest, HolesFollowTheFillRule) {
  const TContours sameWay{Rect(0, 0, 10, 10), Rect(3, 3, 4, 4)};
  const TContours otherWay{Rect(0, 0, 10, 10), Rect(3, 3, 4, 4, false)};
  struct Case {
    const TContours* shape;
    bool evenOdd;
    int hole;
  } cases[] = {{&sameWay, true, 0}, {&sameWay, false, 255}, {&otherWay, false, 0}, {&otherWay, true, 0}};
  for (const Case& k : cases) {
    const TCoverage c = RasterizeCoverage(*k.shape, k.evenOdd, 20, 20);
    EXPECT_EQ(c.At(5, 5), k.hole) << k.evenOdd;
    EXPECT_EQ(c.At(1, 1), 255);
  }
}

TEST(CoverageTest, CirclesAndRoundedRectanglesHaveTheirArea) {
  const TCoverage circle = RasterizeCoverage({EllipseContour(16, 16, 10, 10)}, false, 32, 32);
  EXPECT_NEAR(Sum(circle), 3.14159265 * 100, 3.14159265 * 100 * 0.01);
  EXPECT_EQ(circle.At(16, 16), 255);
  EXPECT_EQ(circle.At(6, 6), 0);
  const TCoverage rr = RasterizeCoverage({RoundRectContour(0, 0, 40, 20, 6)}, false, 40, 20);
  EXPECT_NEAR(Sum(rr), 40 * 20 - (4 - 3.14159265) * 36, 2.0);
  EXPECT_EQ(rr.At(0, 0), 0);
  EXPECT_EQ(rr.At(0, 10), 255);
  EXPECT_EQ(rr.At(39, 10), 255);
}

TEST(CoverageTest, ShapesAreClippedToTheAreaAndBrokenPointsDrawNothing) {
  const TCoverage c = RasterizeCoverage({Rect(-5, -5, 10, 10)}, false, 3, 3);
  EXPECT_EQ(c.left, 0);
  EXPECT_EQ(c.width, 3);
  EXPECT_EQ(c.height, 3);
  EXPECT_EQ(c.At(2, 2), 255);
  EXPECT_TRUE(RasterizeCoverage({Rect(30, 30, 5, 5)}, false, 20, 20).alpha.empty());
  // Far outside any int, on both sides: the clip area is covered, nothing overflows.
  const TCoverage huge = RasterizeCoverage({Rect(-1e300, -1e300, 2e300, 2e300)}, false, 4, 4);
  EXPECT_EQ(huge.width, 4);
  EXPECT_EQ(huge.At(3, 3), 255);
  EXPECT_TRUE(RasterizeCoverage({{{0, 0}, {NAN, 4}, {4, 4}}}, false, 20, 20).alpha.empty());
  EXPECT_TRUE(RasterizeCoverage({}, false, 20, 20).alpha.empty());
}

}  // namespace
}  // namespace swiftlane::ui
