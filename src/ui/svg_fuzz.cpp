// Fuzzes the SVG reader with whole documents: whatever it accepts has finite points in
// bounded numbers, and the view-box fit stays finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/svg.h"

using namespace swiftlane::ui;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto doc = ParseSvg(text, 0.1);
  if (!doc) return 0;
  size_t points = 0;
  for (const auto& shape : doc->shapes) {
    Check(shape.fill <= 0xFFFFFF);
    Check(!shape.contours.empty());
    for (const auto& contour : shape.contours) {
      Check(contour.size() >= 2);
      points += contour.size();
      for (const auto& p : contour) Check(std::isfinite(p.x) && std::isfinite(p.y));
    }
  }
  Check(points <= 1'000'000);
  const TFitTransform t = FitViewBox(*doc, 3, 0, 112, 50);
  Check(std::isfinite(t.scale) && std::isfinite(t.dx) && std::isfinite(t.dy));
  if (doc->viewWidth > 0 && doc->viewHeight > 0 && std::isfinite(doc->viewWidth * doc->viewHeight)) {
    Check(doc->viewWidth * t.scale <= 112 * (1 + 1e-9) && doc->viewHeight * t.scale <= 50 * (1 + 1e-9));
  }
  return 0;
}
