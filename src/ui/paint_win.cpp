#include "ui/paint_win.h"

#include <cstdint>

#include "system/win_handles_win.h"

namespace swiftlane::ui {

void PaintCoverage(HDC dc, const TCoverage& coverage, unsigned rgb) {
  if (coverage.width <= 0 || coverage.height <= 0) return;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = coverage.width;
  bi.bmiHeader.biHeight = -coverage.height;  // top-down, as the coverage rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  MemoryDc layer(dc);
  win::unique_gdi bmp(CreateDIBSection(layer.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!layer.get() || !bmp || !bits) return;
  // Premultiplied colour with the coverage as alpha, as per-pixel AlphaBlend wants it.
  const unsigned r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  auto* px = static_cast<std::uint32_t*>(bits);
  for (size_t i = 0; i < coverage.alpha.size(); ++i) {
    const unsigned a = coverage.alpha[i];
    px[i] = (a << 24) | ((r * a + 127) / 255 << 16) | ((g * a + 127) / 255 << 8) | ((b * a + 127) / 255);
  }
  GdiFlush();
  SelectedObject select(layer.get(), bmp.get());
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, coverage.left, coverage.top, coverage.width, coverage.height, layer.get(), 0, 0,
                coverage.width, coverage.height, blend);
}

}  // namespace swiftlane::ui
