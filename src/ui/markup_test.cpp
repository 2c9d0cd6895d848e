#include "ui/markup.h"

#include <gtest/gtest.h>

namespace swiftlane::ui {
namespace {

constexpr TRgb kGray = 0x808080;

TMarkupRun R(std::u16string text, bool bold, std::optional<TRgb> colour, bool centred) {
  return TMarkupRun{std::move(text), bold, colour, centred};
}

TEST(MarkupParser, TaglineOfTheHomePage) {
  const auto runs = ParseMarkup(u"<C><FC:clGray>Easily improve <B>game responsiveness</B>.</FC></C>");
  const std::vector<TMarkupRun> expected = {
      R(u"Easily improve ", false, kGray, true),
      R(u"game responsiveness", true, kGray, true),
      R(u".", false, kGray, true),
  };
  EXPECT_EQ(runs, expected);
}

TEST(MarkupParser, TagsNestAndPair) {
  const struct {
    std::u16string text;
    std::vector<TMarkupRun> runs;
  } cases[] = {
      {u"", {}},
      {u"<C></C><B></B>", {}},
      {u"plain", {R(u"plain", false, std::nullopt, false)}},
      {u"<c><fc:CLGRAY>x</fc></c>", {R(u"x", false, kGray, true)}},  // tag names without case
      {u"a<B>b<B>c</B>d</B>e",
       {R(u"a", false, {}, false), R(u"bcd", true, {}, false), R(u"e", false, {}, false)}},
      {u"<FC:clRed>r<FC:clBlue>b</FC>r</FC>n",
       {R(u"r", false, 0xFF0000, false), R(u"b", false, 0x0000FF, false), R(u"r", false, 0xFF0000, false),
        R(u"n", false, {}, false)}},
      // An unknown colour keeps the enclosing one and still pairs with its closing tag.
      {u"<FC:clRed><FC:nosuch>x</FC>y</FC>z",
       {R(u"xy", false, 0xFF0000, false), R(u"z", false, {}, false)}},
      // Closing tags without their opening tags are dropped.
      {u"</B></C></FC>a", {R(u"a", false, {}, false)}},
      // Anything else in angle brackets is text, and so is a "<" that is never closed.
      {u"a<I>b</I> 1 < 2 <B", {R(u"a<I>b</I> 1 < 2 <B", false, {}, false)}},
      {u"<B>x <y> z</B>", {R(u"x <y> z", true, {}, false)}},
      {u"<<B>>", {R(u"<", false, {}, false), R(u">", true, {}, false)}},
      {u"<C>a\r\nb</C>", {R(u"a\r\nb", false, {}, true)}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(ParseMarkup(cases[i].text), cases[i].runs) << "case " << i;
}

TEST(MarkupParser, ColourNames) {
  EXPECT_EQ(ColourFromName(u"clGray"), kGray);
  EXPECT_EQ(ColourFromName(u"clgray"), kGray);
  EXPECT_EQ(ColourFromName(u"clSilver"), 0xC0C0C0u);
  EXPECT_EQ(ColourFromName(u"#3D84DD"), 0x3D84DDu);
  EXPECT_EQ(ColourFromName(u"$00DD843D"), 0x3D84DDu);  // blue in the high byte
  EXPECT_EQ(ColourFromName(u"$FF"), 0xFF0000u);
  EXPECT_EQ(ColourFromName(u"$FF000010"), std::nullopt);  // a system colour
  EXPECT_EQ(ColourFromName(u"#3D84D"), std::nullopt);
  EXPECT_EQ(ColourFromName(u"#3D84DG"), std::nullopt);
  EXPECT_EQ(ColourFromName(u"Gray"), std::nullopt);
  EXPECT_EQ(ColourFromName(u""), std::nullopt);
}

// Ten pixels a character, twelve in bold.
int Mono(std::u16string_view text, bool bold) { return static_cast<int>(text.size()) * (bold ? 12 : 10); }

std::vector<std::u16string> LineTexts(const std::vector<TLaidLine>& lines) {
  std::vector<std::u16string> out;
  for (const auto& l : lines) {
    std::u16string t;
    for (const auto& f : l.fragments) t += f.text;
    out.push_back(t);
  }
  return out;
}

TEST(MarkupLayout, OneCentredLineInTheLabel) {
  const auto runs = ParseMarkup(u"<C><FC:clGray>Easily improve <B>game responsiveness</B>.</FC></C>");
  const auto lines = LayoutMarkup(runs, 500, 33, 15, Mono);
  ASSERT_EQ(lines.size(), 1u);
  const TLaidLine& l = lines[0];
  EXPECT_EQ(l.y, 9);  // (33 - 15) / 2
  EXPECT_EQ(l.width, 150 + 228 + 10);
  EXPECT_TRUE(l.centred);
  ASSERT_EQ(l.fragments.size(), 3u);
  EXPECT_EQ(l.fragments[0].x, 56);  // (500 - 388) / 2
  EXPECT_EQ(l.fragments[1].text, u"game responsiveness");
  EXPECT_TRUE(l.fragments[1].bold);
  EXPECT_EQ(l.fragments[1].colour, kGray);
  EXPECT_EQ(l.fragments[1].x, 206);
  EXPECT_EQ(l.fragments[2].x, 434);
}

TEST(MarkupLayout, WrapsAtSpacesAndKeepsWordsAcrossRuns) {
  const auto runs = ParseMarkup(u"<C>Easily improve <B>game responsiveness</B>.</C>");
  const auto lines = LayoutMarkup(runs, 200, 33, 15, Mono);
  EXPECT_EQ(LineTexts(lines), (std::vector<std::u16string>{u"Easily improve game", u"responsiveness."}));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].width, 198);
  EXPECT_EQ(lines[0].fragments[0].x, 1);
  EXPECT_EQ(lines[1].width, 178);
  EXPECT_EQ(lines[1].fragments[0].x, 11);
  EXPECT_EQ(lines[1].fragments[1].x, 179);
  EXPECT_EQ(lines[0].y, 1);  // two lines of 15 in 33
  EXPECT_EQ(lines[1].y, 16);
}

TEST(MarkupLayout, BreakCases) {
  const struct {
    std::u16string text;
    int width;
    std::vector<std::u16string> lines;
  } cases[] = {
      {u"", 100, {}},
      {u"   ", 100, {}},
      {u"abcdefghij", 35, {u"abc", u"def", u"ghi", u"j"}},  // a word wider than the label
      {u"ab abcdefghij", 35, {u"ab", u"abc", u"def", u"ghi", u"j"}},
      {u"a   b", 20, {u"a", u"b"}},                           // spaces at the wrap dropped
      {u"a b", 30, {u"a b"}},                                 // exactly the width fits
      {u"a\rb\r\nc\nd", 100, {u"a", u"b", u"c", u"d"}},
      {u"a\r\r", 100, {u"a", u""}},                            // a final break adds no line
      {u"\r\na", 100, {u"", u"a"}},
      {u"a\r  b", 100, {u"a", u"  b"}},                       // spaces after a break stay
      {u"x", 0, {u"x"}},                                      // at least one character a line
      {u"<B>ゲーム応答速度</B>を簡単に改善します。", 50, {u"ゲーム応", u"答速度を", u"簡単に改善", u"します。"}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(LineTexts(LayoutMarkup(ParseMarkup(cases[i].text), cases[i].width, 33, 15, Mono)), cases[i].lines)
        << "case " << i;
  }
}

TEST(MarkupLayout, TallBlocksAreCentredToo) {
  const auto three = LayoutMarkup(ParseMarkup(u"a\rb\rc"), 100, 33, 15, Mono);
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(three[0].y, -6);
  const auto four = LayoutMarkup(ParseMarkup(u"a\rb\rc\rd"), 100, 33, 15, Mono);
  ASSERT_EQ(four.size(), 4u);
  EXPECT_EQ(four[0].y, -14);  // -13.5 rounded down
  EXPECT_EQ(four[3].y, 31);
  // A centred line wider than the label starts at its left edge.
  const auto wide = LayoutMarkup(ParseMarkup(u"<C>abcdef</C>"), 30, 33, 15,
                                 [](std::u16string_view t, bool) { return t.size() == 1 ? 10 : 60; });
  ASSERT_FALSE(wide.empty());
  EXPECT_EQ(wide[0].fragments[0].x, 0);
}

}  // namespace
}  // namespace swiftlane::ui
