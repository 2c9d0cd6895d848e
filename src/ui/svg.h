// The subset of SVG that the logo needs: paths (every command, absolute and relative),
// polygons, polylines, rectangles (also rounded), circles and ellipses, solid fills, group
// transforms and the view box. Outlines come out flattened to polygons in user units.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace swiftlane::ui {

using TRgb = unsigned;  // 0xRRGGBB

struct TPointF {
  double x = 0, y = 0;
  bool operator==(const TPointF&) const = default;
};

struct TSvgShape {
  TRgb fill = 0x000000;
  bool evenOdd = false;  // fill rule; nonzero otherwise
  // One polygon per subpath; every subpath is filled as if closed.
  std::vector<std::vector<TPointF>> contours;
};

struct TSvgDocument {
  double viewX = 0, viewY = 0, viewWidth = 0, viewHeight = 0;
  std::vector<TSvgShape> shapes;  // in painting order
};

// Parses an SVG document (UTF-8). Curves are flattened so that no point of a chord lies
// further than tolerance user units from the curve. Nothing when there is no <svg> element.
// Unknown elements and attributes are skipped; elements inside <defs> and the like are not
// painted; shapes with fill "none" are left out.
std::optional<TSvgDocument> ParseSvg(std::string_view text, double tolerance = 0.1);

// Maps the view box into a rectangle with its proportions kept, centred in it.
struct TFitTransform {
  double scale = 1, dx = 0, dy = 0;
  TPointF Apply(TPointF p) const { return {p.x * scale + dx, p.y * scale + dy}; }
};
TFitTransform FitViewBox(const TSvgDocument& doc, double left, double top, double width, double height);

}  // namespace swiftlane::ui
