// Test support: a control's face painted into a 32-bit bitmap of its client size, read
// back pixel by pixel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/paint_win.h"
#include "ui/widgets_win.h"

namespace swiftlane::testing {

class Snapshot {
 public:
  explicit Snapshot(ui::TControl& c) {
    RECT r{};
    GetClientRect(c.Handle(), &r);
    w_ = r.right;
    h_ = r.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w_;
    bi.bmiHeader.biHeight = -h_;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    ui::MemoryDc dc(nullptr);
    win::unique_gdi bmp(CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp) return;
    {
      ui::SelectedObject select(dc.get(), bmp.get());
      c.PaintTo(dc.get());
      GdiFlush();
    }
    const auto* p = static_cast<const std::uint32_t*>(bits);
    pixels_.assign(p, p + static_cast<size_t>(w_) * h_);
  }
  int Width() const { return w_; }
  int Height() const { return h_; }
  // 0xRRGGBB
  unsigned At(int x, int y) const { return pixels_.at(static_cast<size_t>(y) * w_ + x) & 0xFFFFFF; }

 private:
  int w_ = 0, h_ = 0;
  std::vector<std::uint32_t> pixels_;
};

inline std::string Hex(unsigned rgb) {
  char buf[8];
  snprintf(buf, sizeof buf, "%06X", rgb & 0xFFFFFF);
  return buf;
}

}  // namespace swiftlane::testing
