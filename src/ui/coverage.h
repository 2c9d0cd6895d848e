// Antialiased shapes: how much of each pixel a set of polygons covers. Pixel (x, y) is the
// square from (x, y) to (x + 1, y + 1). We do this ourselves because Wine's GDI+ draws
// every shape aliased, whatever smoothing it is asked for.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/svg.h"

namespace swiftlane::ui {

using TContours = std::vector<std::vector<TPointF>>;

// Coverage of the pixels in a rectangle, 0 (none) to 255 (all), row by row.
struct TCoverage {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> alpha;
  std::uint8_t At(int x, int y) const {
    if (x < left || y < top || x >= left + width || y >= top + height) return 0;
    return alpha[static_cast<size_t>(y - top) * width + (x - left)];
  }
};

// Fills the contours (each closed by itself) with the nonzero or the even-odd rule, clipped
// to the area from (0, 0) to (clipWidth, clipHeight). The result spans the shapes' bounds.
TCoverage RasterizeCoverage(const TContours& contours, bool evenOdd, int clipWidth, int clipHeight);

// Outlines of the shapes the widgets draw, flattened finely enough for their size.
std::vector<TPointF> RoundRectContour(double x, double y, double w, double h, double radius);
std::vector<TPointF> EllipseContour(double cx, double cy, double rx, double ry);

}  // namespace swiftlane::ui
