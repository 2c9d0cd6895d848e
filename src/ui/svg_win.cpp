#include "ui/svg_win.h"

#include "ui/translate_win.h"

namespace swiftlane::ui {

std::optional<TSvgDocument> LoadSvgResource(HMODULE module, const wchar_t* name, double tolerance) {
  try {
    const std::string text = ReadRcData(module, name);
    if (text.empty()) return std::nullopt;
    return ParseSvg(text, tolerance);
  } catch (...) {
    // Out of memory while reading: the picture stays empty.
    return std::nullopt;
  }
}

}  // namespace swiftlane::ui
