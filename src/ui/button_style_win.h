// The Win32 half of the button style unit: fitting a label's font to its width, measured
// with GDI in the label's own font.
#pragma once

#include "ui/widgets_win.h"

namespace swiftlane::ui {

// Shrinks the label's font so that its caption fits the label's width. The caption is
// measured once, at the label's DPI; a caption that fits keeps its font, and the font is
// never enlarged (never below 6 points).
void FitLabelFont(TLabel& Label);

}  // namespace swiftlane::ui
