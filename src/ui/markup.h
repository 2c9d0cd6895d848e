// The mark-up of the tagline label: "<C>" centres, "<FC:colour>" colours and "<B>" bolds the
// text up to the matching closing tag, nested as written. The parser turns a text into runs;
// the layout wraps them at a width with a measuring callback supplied by the painter.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace swiftlane::ui {

using TRgb = unsigned;  // 0xRRGGBB

struct TMarkupRun {
  std::u16string text;         // may hold CR and LF: each CR LF, lone CR or lone LF breaks the line
  bool bold = false;
  std::optional<TRgb> colour;  // none: the label's own font colour
  bool centred = false;

  bool operator==(const TMarkupRun&) const = default;
};

// Adjacent text with the same attributes forms one run. A "<" that does not open one of the
// known tags is text; a closing tag without its opening tag is dropped. Tag names compare
// with letters A-Z without regard to case.
std::vector<TMarkupRun> ParseMarkup(std::u16string_view text);

// The colour of a "<FC:...>" parameter: the toolkit's names ("clGray" is #808080), "#RRGGBB",
// or "$00BBGGRR" as the toolkit writes colours. Nothing for anything else.
std::optional<TRgb> ColourFromName(std::u16string_view name);

struct TLaidFragment {
  std::u16string text;
  bool bold = false;
  std::optional<TRgb> colour;
  int x = 0;  // from the label's left edge
  int width = 0;
};

struct TLaidLine {
  std::vector<TLaidFragment> fragments;
  int y = 0;  // top of the line, from the label's top edge
  int width = 0;
  bool centred = false;
};

// Width in pixels of a text drawn in the label's font, bold or not.
using TMeasureText = std::function<int(std::u16string_view text, bool bold)>;

// Breaks the runs into lines no wider than width: at spaces, between two CJK characters, and
// inside a word only when the word alone does not fit. Spaces at a wrap are dropped. A line
// whose first character is centred is centred; the block of lines is centred vertically in
// height (rounded down; it may start above the top when it is taller than the label).
std::vector<TLaidLine> LayoutMarkup(const std::vector<TMarkupRun>& runs, int width, int height,
                                    int lineHeight, const TMeasureText& measure);

}  // namespace swiftlane::ui
