#include "ui/coverage.h"

#include <algorithm>
#include <cmath>

namespace swiftlane::ui {
namespace {

constexpr int kSubRows = 16;  // sample lines per pixel row; across a row coverage is exact
constexpr double kPi = 3.14159265358979323846;

struct Crossing {
  double x;
  int dir;
};

// Adds the span [a, b) of one sample line to the row's coverage.
void AddSpan(std::vector<double>& row, int left, double a, double b) {
  const int width = static_cast<int>(row.size());
  a = std::max(a, static_cast<double>(left));
  b = std::min(b, static_cast<double>(left + width));
  if (b <= a) return;
  const int first = static_cast<int>(std::floor(a)), last = static_cast<int>(std::floor(b));
  if (first == last) {
    row[static_cast<size_t>(first - left)] += b - a;
    return;
  }
  row[static_cast<size_t>(first - left)] += first + 1 - a;
  for (int x = first + 1; x < last && x - left < width; ++x) row[static_cast<size_t>(x - left)] += 1;
  if (last - left < width) row[static_cast<size_t>(last - left)] += b - last;
}

int Segments(double radius) { return std::clamp(static_cast<int>(std::ceil(radius * 1.5)), 4, 64); }

}  // namespace

TCoverage RasterizeCoverage(const TContours& contours, bool evenOdd, int clipWidth, int clipHeight) {
  TCoverage out;
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (const auto& c : contours)
    for (const TPointF& p : c) {
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) return out;
      minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
  if (minX > maxX) return out;
  // Clamped while still floating point: coordinates far outside would not fit an int.
  const auto clampTo = [](double v, int hi) { return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(hi))); };
  out.left = clampTo(std::floor(minX), clipWidth);
  out.top = clampTo(std::floor(minY), clipHeight);
  const int right = clampTo(std::ceil(maxX), clipWidth);
  const int bottom = clampTo(std::ceil(maxY), clipHeight);
  if (right <= out.left || bottom <= out.top) return TCoverage{};
  out.width = right - out.left;
  out.height = bottom - out.top;
  out.alpha.assign(static_cast<size_t>(out.width) * out.height, 0);

  std::vector<double> row(static_cast<size_t>(out.width));
  std::vector<Crossing> crossings;
  for (int y = out.top; y < bottom; ++y) {
    std::fill(row.begin(), row.end(), 0.0);
    for (int s = 0; s < kSubRows; ++s) {
      const double sy = y + (s + 0.5) / kSubRows;
      crossings.clear();
      for (const auto& c : contours) {
        const size_t n = c.size();
        if (n < 3) continue;
        for (size_t i = 0; i < n; ++i) {
          const TPointF& p = c[i];
          const TPointF& q = c[(i + 1) % n];
          // Half-open in y, so that a vertex shared by two edges counts once.
          if ((p.y <= sy && sy < q.y) || (q.y <= sy && sy < p.y)) {
            const double x = p.x + (sy - p.y) * (q.x - p.x) / (q.y - p.y);
            crossings.push_back({x, q.y > p.y ? 1 : -1});
          }
        }
      }
      std::sort(crossings.begin(), crossings.end(), [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
      int winding = 0;
      for (size_t i = 0; i + 1 < crossings.size(); ++i) {
        winding += crossings[i].dir;
        const bool inside = evenOdd ? (winding & 1) != 0 : winding != 0;
        if (inside) AddSpan(row, out.left, crossings[i].x, crossings[i + 1].x);
      }
    }
    for (int x = 0; x < out.width; ++x) {
      const double a = row[static_cast<size_t>(x)] / kSubRows;
      out.alpha[static_cast<size_t>(y - out.top) * out.width + x] =
          static_cast<std::uint8_t>(std::lround(std::clamp(a, 0.0, 1.0) * 255));
    }
  }
  return out;
}

std::vector<TPointF> RoundRectContour(double x, double y, double w, double h, double radius) {
  const double r = std::max(0.0, std::min({radius, w / 2, h / 2}));
  if (r <= 0) return {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
  std::vector<TPointF> pts;
  const int n = Segments(r);
  // Corner centres clockwise from the top left, each with its quarter of the circle.
  const TPointF centres[4] = {{x + r, y + r}, {x + w - r, y + r}, {x + w - r, y + h - r}, {x + r, y + h - r}};
  for (int corner = 0; corner < 4; ++corner) {
    const double start = kPi + corner * kPi / 2;
    for (int i = 0; i <= n; ++i) {
      const double a = start + (kPi / 2) * i / n;
      pts.push_back({centres[corner].x + r * std::cos(a), centres[corner].y + r * std::sin(a)});
    }
  }
  return pts;
}

std::vector<TPointF> EllipseContour(double cx, double cy, double rx, double ry) {
  std::vector<TPointF> pts;
  const int n = 4 * Segments(std::max(rx, ry));
  for (int i = 0; i < n; ++i) {
    const double a = 2 * kPi * i / n;
    pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return pts;
}

}  // namespace swiftlane::ui
