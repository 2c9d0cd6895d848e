#include "ui/markup.h"

#include <algorithm>
#include <cstdint>

#include "ui/catalogue.h"

namespace swiftlane::ui {
namespace {

bool StartsWithAscii(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::optional<std::uint32_t> ParseHex(std::u16string_view digits, size_t minDigits, size_t maxDigits) {
  if (digits.size() < minDigits || digits.size() > maxDigits) return std::nullopt;
  std::uint32_t v = 0;
  for (char16_t c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | std::uint32_t(d);
  }
  return v;
}

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

// Scripts written without spaces between words: a line may break between two of their
// characters.
bool IsCjk(char16_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}
// Closing punctuation stays on the line of the character before it.
bool IsClosingPunctuation(char16_t c) {
  return std::u16string_view(u"、。，．！？）」』】〕〉》・ー：；").find(c) != std::u16string_view::npos;
}

struct Char {
  char16_t c;
  size_t run;
};

}  // namespace

std::optional<TRgb> ColourFromName(std::u16string_view name) {
  static constexpr struct {
    std::u16string_view name;
    TRgb rgb;
  } kNamed[] = {
      {u"clBlack", 0x000000},  {u"clMaroon", 0x800000},     {u"clGreen", 0x008000},
      {u"clOlive", 0x808000},  {u"clNavy", 0x000080},       {u"clPurple", 0x800080},
      {u"clTeal", 0x008080},   {u"clGray", 0x808080},       {u"clSilver", 0xC0C0C0},
      {u"clRed", 0xFF0000},    {u"clLime", 0x00FF00},       {u"clYellow", 0xFFFF00},
      {u"clBlue", 0x0000FF},   {u"clFuchsia", 0xFF00FF},    {u"clAqua", 0x00FFFF},
      {u"clWhite", 0xFFFFFF},  {u"clMoneyGreen", 0xC0DCC0}, {u"clSkyBlue", 0xA6CAF0},
      {u"clCream", 0xFFFBF0},  {u"clMedGray", 0xA0A0A4},
  };
  for (const auto& n : kNamed) {
    if (SameTextAscii(name, n.name)) return n.rgb;
  }
  if (!name.empty() && name[0] == u'#') {
    return ParseHex(name.substr(1), 6, 6);
  }
  if (!name.empty() && name[0] == u'$') {
    // The toolkit's own order, blue in the high byte; a set top byte names a system colour.
    const auto v = ParseHex(name.substr(1), 1, 8);
    if (!v || (*v >> 24) != 0) return std::nullopt;
    return ((*v & 0xFF) << 16) | (*v & 0xFF00) | ((*v >> 16) & 0xFF);
  }
  return std::nullopt;
}

std::vector<TMarkupRun> ParseMarkup(std::u16string_view text) {
  std::vector<TMarkupRun> runs;
  int bold = 0;
  int centred = 0;
  std::vector<std::optional<TRgb>> colours;

  const auto append = [&](std::u16string_view s) {
    TMarkupRun attrs;
    attrs.bold = bold > 0;
    attrs.centred = centred > 0;
    if (!colours.empty()) attrs.colour = colours.back();
    if (!runs.empty() && runs.back().bold == attrs.bold && runs.back().centred == attrs.centred &&
        runs.back().colour == attrs.colour) {
      runs.back().text.append(s);
    } else {
      attrs.text = std::u16string(s);
      runs.push_back(std::move(attrs));
    }
  };

  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == u'<') {
      const size_t close = text.find(u'>', i + 1);
      if (close != std::u16string_view::npos) {
        const std::u16string_view tag = text.substr(i + 1, close - i - 1);
        bool known = true;
        if (SameTextAscii(tag, u"C")) {
          ++centred;
        } else if (SameTextAscii(tag, u"/C")) {
          if (centred > 0) --centred;
        } else if (SameTextAscii(tag, u"B")) {
          ++bold;
        } else if (SameTextAscii(tag, u"/B")) {
          if (bold > 0) --bold;
        } else if (StartsWithAscii(tag, u"FC:")) {
          // An unknown colour keeps the enclosing one, so that its closing tag still pairs.
          std::optional<TRgb> enclosing = colours.empty() ? std::nullopt : colours.back();
          const auto named = ColourFromName(tag.substr(3));
          colours.push_back(named ? named : enclosing);
        } else if (SameTextAscii(tag, u"/FC")) {
          if (!colours.empty()) colours.pop_back();
        } else {
          known = false;
        }
        if (known) {
          i = close + 1;
          continue;
        }
      }
    }
    // Plain text up to the next "<" (at least this one character).
    size_t next = text.find(u'<', i + 1);
    if (next == std::u16string_view::npos) next = text.size();
    append(text.substr(i, next - i));
    i = next;
  }
  return runs;
}

std::vector<TLaidLine> LayoutMarkup(const std::vector<TMarkupRun>& runs, int width, int height,
                                    int lineHeight, const TMeasureText& measure) {
  std::vector<Char> chars;
  for (size_t r = 0; r < runs.size(); ++r) {
    for (char16_t c : runs[r].text) chars.push_back({c, r});
  }
  const auto measureRange = [&](size_t from, size_t to) {
    // Summed per run: each run is drawn in its own font.
    int w = 0;
    size_t k = from;
    while (k < to) {
      size_t end = k;
      std::u16string piece;
      while (end < to && chars[end].run == chars[k].run) piece.push_back(chars[end++].c);
      w += measure ? measure(piece, runs[chars[k].run].bold) : 0;
      k = end;
    }
    return w;
  };

  // Each line as a range of characters, trailing spaces excluded.
  std::vector<std::pair<size_t, size_t>> ranges;
  size_t i = 0;
  bool lineOpen = false;
  size_t lineStart = 0;
  size_t lineEnd = 0;  // end of the last non-space character placed
  int lineWidth = 0;   // up to lineEnd plus the spaces placed after it

  const auto closeLine = [&] {
    ranges.emplace_back(lineStart, lineEnd);
    lineOpen = false;
    lineWidth = 0;
  };

  while (i < chars.size()) {
    const char16_t c = chars[i].c;
    if (IsBreak(c)) {
      if (!lineOpen) lineStart = lineEnd = i;
      closeLine();
      i += (c == u'\r' && i + 1 < chars.size() && chars[i + 1].c == u'\n') ? 2 : 1;
      lineStart = lineEnd = i;
      lineOpen = true;  // spaces after a line break are kept
      continue;
    }
    if (IsSpace(c)) {
      if (!lineOpen) {  // spaces at a wrap are dropped
        ++i;
        continue;
      }
      lineWidth += measureRange(i, i + 1);
      ++i;
      continue;
    }
    // A word: up to the next space, break, or place between two CJK characters.
    size_t end = i + 1;
    while (end < chars.size() && !IsSpace(chars[end].c) && !IsBreak(chars[end].c) &&
           !(IsCjk(chars[end - 1].c) && IsCjk(chars[end].c) && !IsClosingPunctuation(chars[end].c))) {
      ++end;
    }
    const int wordWidth = measureRange(i, end);
    if (!lineOpen) {
      lineOpen = true;
      lineStart = lineEnd = i;
      lineWidth = 0;
    }
    if (lineEnd > lineStart && lineWidth + wordWidth > width) {
      closeLine();
      lineOpen = true;
      lineStart = lineEnd = i;
    }
    if (lineEnd == lineStart && wordWidth > width) {
      // The word alone is too wide: break it between characters, at least one per line.
      size_t k = i;
      while (k < end) {
        size_t fit = k + 1;
        int w = measureRange(k, fit);
        while (fit < end) {
          const int next = measureRange(fit, fit + 1);
          if (w + next > width) break;
          w += next;
          ++fit;
        }
        lineStart = k;
        lineEnd = fit;
        lineWidth = w;
        if (fit < end) closeLine();
        k = fit;
      }
      lineOpen = true;
      i = end;
      continue;
    }
    lineWidth += wordWidth;
    lineEnd = end;
    i = end;
  }
  // A final line break adds no empty line.
  if (lineOpen && lineEnd > lineStart) closeLine();

  std::vector<TLaidLine> lines;
  const int total = static_cast<int>(ranges.size()) * lineHeight;
  const int diff = height - total;
  const int top = diff >= 0 ? diff / 2 : -((-diff + 1) / 2);
  for (size_t n = 0; n < ranges.size(); ++n) {
    TLaidLine line;
    line.y = top + static_cast<int>(n) * lineHeight;
    const auto [from, to] = ranges[n];
    if (from < to) line.centred = runs[chars[from].run].centred;
    int x = 0;
    size_t k = from;
    while (k < to) {
      size_t end = k;
      TLaidFragment f;
      const TMarkupRun& run = runs[chars[k].run];
      while (end < to && chars[end].run == chars[k].run) f.text.push_back(chars[end++].c);
      f.bold = run.bold;
      f.colour = run.colour;
      f.x = x;
      f.width = measure ? measure(f.text, f.bold) : 0;
      x += f.width;
      line.fragments.push_back(std::move(f));
      k = end;
    }
    line.width = x;
    if (line.centred) {
      const int shift = std::max(0, (width - line.width) / 2);
      for (auto& f : line.fragments) f.x += shift;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace swiftlane::ui
