#include "ui/button_style_win.h"

#include "ui/button_style.h"
#include "ui/paint_win.h"

namespace swiftlane::ui {

void FitLabelFont(TLabel& Label) {
  const Text caption = Label.Caption();
  const auto measure = [&]() -> int {
    MemoryDc dc(nullptr);
    if (!dc.get()) return 0;
    SelectedObject font(dc.get(), Label.Font());
    SIZE sz{};
    if (!GetTextExtentPoint32W(dc.get(), win::W(caption), static_cast<int>(caption.size()), &sz)) return 0;
    return static_cast<int>(sz.cx);
  };
  TFontSpec spec = Label.FontSpec();
  const int height = FitFontHeight(spec.height, Label.Scale(Label.Bounds().width), measure);
  if (height == spec.height) return;
  spec.height = height;
  Label.SetFont(spec);
}

}  // namespace swiftlane::ui
