// Fuzzes the mark-up parser and the line layout. Input bytes become code units one to one
// (so text seeds stay readable); an input that starts with FF FE is read as UTF-16LE. The
// first code unit also picks the label width.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/markup.h"

using namespace swiftlane::ui;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::u16string Decode(const uint8_t* data, size_t size) {
  std::u16string out;
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    for (size_t i = 2; i + 1 < size; i += 2) out.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    for (size_t i = 0; i < size; ++i) out.push_back(static_cast<char16_t>(data[i]));
  }
  return out;
}

std::u16string Visible(const std::u16string& s) {
  std::u16string out;
  for (char16_t c : s) {
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') out.push_back(c);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::u16string input = Decode(data, size);
  const auto runs = ParseMarkup(input);

  size_t total = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    Check(!runs[i].text.empty());
    total += runs[i].text.size();
    if (i > 0) {
      const auto& a = runs[i - 1];
      const auto& b = runs[i];
      Check(a.bold != b.bold || a.centred != b.centred || a.colour != b.colour);
    }
  }
  Check(total <= input.size());
  // Text without "<" is one plain run of itself.
  if (input.find(u'<') == std::u16string::npos && !input.empty()) {
    Check(runs.size() == 1 && runs[0].text == input && !runs[0].bold && !runs[0].colour && !runs[0].centred);
  }

  const int width = input.empty() ? 100 : input[0] % 300;
  const auto measure = [](std::u16string_view t, bool bold) { return static_cast<int>(t.size()) * (bold ? 8 : 7); };
  const auto lines = LayoutMarkup(runs, width, 33, 15, measure);

  // No character is lost or doubled, spaces and breaks aside.
  std::u16string all, laid;
  for (const auto& r : runs) all += r.text;
  for (size_t n = 0; n < lines.size(); ++n) {
    const auto& line = lines[n];
    if (n > 0) Check(line.y == lines[n - 1].y + 15);
    int x = line.fragments.empty() ? 0 : line.fragments[0].x;
    Check(x >= 0);
    std::u16string text;
    for (const auto& f : line.fragments) {
      Check(!f.text.empty());
      Check(f.x == x);
      Check(f.width == measure(f.text, f.bold));
      x += f.width;
      text += f.text;
    }
    // A line is wider than the label only when it holds a single character or starts
    // with the spaces kept after a line break.
    if (line.width > width) Check(Visible(text).size() <= 2 || text[0] == u' ' || text[0] == u'\t');
    laid += text;
  }
  Check(Visible(all) == Visible(laid));
  return 0;
}
