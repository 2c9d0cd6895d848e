#include "ui/button_style.h"

#include <gtest/gtest.h>

namespace swiftlane::ui {
namespace {

using enum TButtonDrawStyle;
using enum TBorderDrawStyle;

TEST(ButtonColours, RulesGiveTheFamilyTable) {
  EXPECT_EQ(Lighten(kAccentRgb, 10), 0x5090E0u);
  EXPECT_EQ(Greyed(Lighten(kAccentRgb, 50)), 0xBCBCBCu);
  EXPECT_EQ(Greyed(Lighten(kAccentRgb, 70)), 0xD7D7D7u);
  EXPECT_EQ(Greyed(Lighten(0x000000, 50)), 0x808080u);  // 127.5 rounds up to 128
  EXPECT_EQ(Greyed(Lighten(0x000000, 70)), 0xB3B3B3u);  // 178.5 rounds up to 179
  EXPECT_EQ(Lighten(0xFFFFFF, 40), 0xFFFFFFu);
  EXPECT_EQ(Lighten(0x123456, 0), 0x123456u);
  EXPECT_EQ(Lighten(0x000000, 100), 0xFFFFFFu);
}

TEST(ButtonColours, GreyRoundsHalvesToEven) {
  const struct { TRgb colour; int grey; } cases[] = {
      {0x0000FA, 28},  // 28.5: a float sum gives 28.500000000000004 and would round up
      {0x0004A8, 22},  // 21.5
      {0x000856, 14},  // 14.5
      {0x000C04, 8},   // 7.5
      {0x3D84DD, 121},  // 120.917
      {0xFFFFFF, 255},
  };
  for (const auto& c : cases) EXPECT_EQ(Greyed(c.colour), TRgb(c.grey) * 0x010101u) << std::hex << c.colour;
}

struct Row {
  TButtonDrawStyle fill;
  TRgb fillColour;
  TBorderDrawStyle border;
  TRgb borderColour;
  TRgb font;
};

void ExpectSets(const std::u16string& appearance, const Row (&rows)[5]) {
  TTarnwickButtonStyles family;
  TStyledButtonAttributes sets[5];
  // Sets that arrive filled with something else are overwritten in full.
  for (auto& s : sets) s.DrawType = TButtonDrawType::btEllipse, s.BorderWidth = 3, s.FontBold = true;
  family.UpdateAttributes(u"Tarnwick", u"Primary", appearance, sets[0], sets[1], sets[2], sets[3], sets[4]);
  const char* names[] = {"normal", "pressed", "selected", "hot", "disabled"};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(sets[i].DrawType, TButtonDrawType::btRoundRect);
    EXPECT_EQ(sets[i].ButtonDrawStyle, rows[i].fill);
    EXPECT_EQ(sets[i].ButtonColor, rows[i].fillColour);
    EXPECT_EQ(sets[i].BorderDrawStyle, rows[i].border);
    EXPECT_EQ(sets[i].BorderColor, rows[i].borderColour);
    EXPECT_EQ(sets[i].FontColor, rows[i].font);
    EXPECT_EQ(sets[i].BorderWidth, 0);
    EXPECT_FALSE(sets[i].FontBold);
    EXPECT_EQ(sets[i].Radius, 6);
    EXPECT_TRUE(sets[i].RoundedCorners);
  }
}

constexpr Row kHeader[5] = {
    {btnClear, 0xFFFFFF, brdSolid, 0x000000, 0x000000}, {btnSolid, 0x3D84DD, brdClear, 0x3D84DD, 0xFFFFFF},
    {btnSolid, 0x5090E0, brdClear, 0x3D84DD, 0xFFFFFF}, {btnSolid, 0x3D84DD, brdClear, 0x3D84DD, 0xFFFFFF},
    {btnClear, 0xFFFFFF, brdSolid, 0xBCBCBC, 0x808080},
};
constexpr Row kOutline[5] = {
    {btnClear, 0x3D84DD, brdSolid, 0x3D84DD, 0x000000}, {btnSolid, 0x3D84DD, brdSolid, 0x3D84DD, 0xFFFFFF},
    {btnSolid, 0x5090E0, brdSolid, 0x3D84DD, 0xFFFFFF}, {btnSolid, 0x5090E0, brdSolid, 0x3D84DD, 0xFFFFFF},
    {btnClear, 0x3D84DD, brdSolid, 0xD7D7D7, 0xB3B3B3},
};
constexpr Row kNormal[5] = {
    {btnSolid, 0x3D84DD, brdSolid, 0x3D84DD, 0xFFFFFF}, {btnSolid, 0x3D84DD, brdSolid, 0x3D84DD, 0xFFFFFF},
    {btnSolid, 0x3D84DD, brdSolid, 0x3D84DD, 0xFFFFFF}, {btnSolid, 0x5090E0, brdSolid, 0x3D84DD, 0xFFFFFF},
    {btnSolid, 0xFFFFFF, brdSolid, 0xC0C0C0, 0xC0C0C0},
};

TEST(TarnwickFamily, AppearanceTables) {
  for (const auto* name : {u"Header", u"header", u"HEADER"}) ExpectSets(name, kHeader);
  for (const auto* name : {u"Outline", u"outline", u"oUTLINE"}) ExpectSets(name, kOutline);
  for (const auto* name : {u"Normal", u"Primary", u"", u"Outline ", u"Ｈeader"}) ExpectSets(name, kNormal);
}

TEST(TarnwickFamily, NamesAndRegistration) {
  TTarnwickButtonStyles family;
  EXPECT_EQ(family.FamilyName(), u"Tarnwick");
  EXPECT_EQ(family.Classes(), std::vector<std::u16string>{u"Primary"});
  EXPECT_EQ(family.Appearances(), (std::vector<std::u16string>{u"Normal", u"Header", u"Outline"}));
  for (int result : {0, 1, 2, 7, -1, 1000}) {
    EXPECT_EQ(family.ModalResultStyle(result), (std::pair<std::u16string, std::u16string>{u"Primary", u"Normal"}));
  }
  RegisterTarnwickButtonStyles();
  const auto found = FindButtonFamily(u"tarnwick");
  ASSERT_NE(found, nullptr);
  RegisterTarnwickButtonStyles();
  EXPECT_EQ(FindButtonFamily(u"Tarnwick"), found);  // registered once
  EXPECT_EQ(FindButtonFamily(u"Other"), nullptr);
  EXPECT_EQ(StyleFor(*found, u"Outline", TButtonState::Hot).ButtonColor, 0x5090E0u);
  EXPECT_EQ(StyleFor(*found, u"Header", TButtonState::Disabled).FontColor, 0x808080u);
}

TEST(TarnwickFamily, StateChoiceFollowsPrecedence) {
  const struct { bool enabled, down, focused, hot; TButtonState state; } cases[] = {
      {false, true, true, true, TButtonState::Disabled}, {true, true, true, true, TButtonState::Pressed},
      {true, false, true, true, TButtonState::Selected}, {true, false, false, true, TButtonState::Hot},
      {true, false, false, false, TButtonState::Normal},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseButtonState(c.enabled, c.down, c.focused, c.hot), c.state);
}

TEST(FitFontSize, ShrinksOnlyWhatDoesNotFit) {
  int calls = 0;
  const auto width = [&calls](int w) {
    return [&calls, w] { ++calls; return w; };
  };
  const struct { int size, label, measured, expected; } cases[] = {
      {44, 484, 300, 44},   // fits: untouched
      {44, 484, 484, 44},   // exactly the width still fits
      {44, 484, 968, 22},   // twice as wide: half the size
      {45, 484, 968, 22},   // rounded down
      {44, 484, 3872, 6},   // eight times: 5 is raised to 6
      {44, 484, 0, 44},     // empty caption
      {44, 484, 485, 43},
      {44, 0, 10, 6},
      {44, -5, 0, 44},      // nothing to divide by
  };
  for (const auto& c : cases) {
    calls = 0;
    EXPECT_EQ(FitFontSize(c.size, c.label, width(c.measured)), c.expected) << c.size << " " << c.measured;
    EXPECT_EQ(calls, 1);  // measured once
  }
}

TEST(FitFontSize, PixelHeightsGoThroughPoints) {
  const auto width = [](int w) { return [w] { return w; }; };
  EXPECT_EQ(FitFontHeight(59, 484, width(400)), 59);   // fits: the height is kept exactly
  EXPECT_EQ(FitFontHeight(59, 484, width(968)), 29);   // 44 pt -> 22 pt -> 29.33 px
  EXPECT_EQ(FitFontHeight(59, 484, width(3872)), 8);   // 6 pt
  EXPECT_EQ(FitFontHeight(59, 484, width(500)), 56);   // 44 x 484 / 500 = 42 pt -> 56 px
}

}  // namespace
}  // namespace swiftlane::ui
