// What our painted controls put on screen, read back pixel by pixel from a bitmap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/button_style.h"
#include "ui/button_style_win.h"
#include "testing/snapshot_win.h"
#include "ui/paint_win.h"
#include "ui/svg_win.h"
#include "ui/widgets_win.h"

namespace swiftlane::ui {
namespace {

using testing::Hex;
using testing::Snapshot;

int R(unsigned c) { return (c >> 16) & 0xFF; }
int G(unsigned c) { return (c >> 8) & 0xFF; }
int B(unsigned c) { return c & 0xFF; }

class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTarnwickButtonStyles(); }
  TForm form{nullptr, u"Form", L"SwiftlanePaintTest", 498, 426};
};

TEST_F(PaintTest, TheStartButtonPaintsEachStateOfTheOutlineAppearance) {
  auto& b = form.Add<TStyledButton>(u"BtnStart", &form, TRect{176, 264, 162, 68}, u"");
  b.SetStyle(u"Tarnwick", u"Outline");
  b.SetCornerRadius(6);
  struct Case {
    const char* what;
    bool enabled, down, hot;
    TButtonState state;
    unsigned edge, inside;
  } cases[] = {
      {"idle", true, false, false, TButtonState::Normal, 0x3D84DD, 0xFFFFFF},
      {"under the mouse", true, false, true, TButtonState::Hot, 0x3D84DD, 0x5090E0},
      {"down (running)", true, true, false, TButtonState::Pressed, 0x3D84DD, 0x3D84DD},
      {"down under the mouse", true, true, true, TButtonState::Pressed, 0x3D84DD, 0x3D84DD},
      {"disabled (busy)", false, false, false, TButtonState::Disabled, 0xD7D7D7, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    b.SetEnabled(c.enabled);
    b.SetDown(c.down);
    SendMessageW(b.Handle(), c.hot ? WM_MOUSEMOVE : WM_MOUSELEAVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(b.State(), c.state) << c.what;
    const Snapshot s(b);
    ASSERT_EQ(s.Width(), 162);
    ASSERT_EQ(s.Height(), 68);
    // The straight parts of the outline are whole pixels on the button's edge.
    for (auto [x, y] : {std::pair{0, 34}, {161, 34}, {81, 0}, {81, 67}})
      EXPECT_EQ(Hex(s.At(x, y)), Hex(c.edge)) << c.what << " edge " << x << "," << y;
    EXPECT_EQ(Hex(s.At(1, 34)), Hex(c.inside)) << c.what;
    EXPECT_EQ(Hex(s.At(20, 20)), Hex(c.inside)) << c.what;
    // The rounded corner leaves the very corner to the background.
    EXPECT_EQ(Hex(s.At(0, 0)), "FFFFFF") << c.what;
    // The arc is antialiased: round the corner some pixels blend the edge into the white.
    int blends = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) blends += s.At(x, y) != 0xFFFFFF && s.At(x, y) != c.edge;
    EXPECT_GT(blends, 0) << c.what;
  }
}

TEST_F(PaintTest, CaptionsAreDrawnInTheStatesFontColour) {
  auto& b = form.Add<TStyledButton>(u"BtnStart", &form, TRect{0, 0, 162, 68}, u"IIIIIIII");
  b.SetStyle(u"Tarnwick", u"Outline");
  b.SetFont(TFontSpec{u"Tahoma", 20, true, false});
  const auto darkest = [&] {
    const Snapshot s(b);
    unsigned best = 0xFFFFFF;
    int bestSum = 3 * 255;
    for (int y = 20; y < 48; ++y)
      for (int x = 40; x < 122; ++x) {
        const unsigned c = s.At(x, y);
        if (R(c) + G(c) + B(c) < bestSum) bestSum = R(c) + G(c) + B(c), best = c;
      }
    return best;
  };
  EXPECT_EQ(Hex(darkest()), "000000");  // black text when idle
  b.SetDown(true);
  // White text on the accent: nothing darker than the accent itself.
  EXPECT_EQ(Hex(darkest()), "3D84DD");
}

TEST_F(PaintTest, HeaderButtonsAreFlatUntilTheMouseIsOverOneOrOneIsDown) {
  auto& bar = form.Add<TStyledToolbar>(u"BtnHead", &form, TRect{10, 10, 358, 30}, 70, 30, 10);
  bar.SetButtonStyle(u"Tarnwick", u"Header", 4);
  auto& home = bar.AddButton(&form, u"BtnHome", u"");
  auto& config = bar.AddButton(&form, u"BtnConfig", u"");
  home.SetGroupIndex(1);
  config.SetGroupIndex(1);
  home.SetDown(true);
  EXPECT_EQ(home.CornerRadius(), 4);
  {
    const Snapshot down(home), up(config);
    EXPECT_EQ(Hex(down.At(0, 15)), "3D84DD");
    EXPECT_EQ(Hex(down.At(35, 3)), "3D84DD");
    EXPECT_EQ(Hex(down.At(0, 0)), "FFFFFF");
    // No outline and no fill on a button in its normal state.
    for (auto [x, y] : {std::pair{0, 15}, {35, 0}, {35, 15}, {69, 29}}) EXPECT_EQ(Hex(up.At(x, y)), "FFFFFF");
  }
  SendMessageW(config.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(Hex(Snapshot(config).At(35, 3)), "3D84DD");
  SendMessageW(config.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(Hex(Snapshot(config).At(35, 3)), "FFFFFF");
}

// The bounding box of the pixels that are not white.
struct Ink {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
  long count = 0;  // darkness summed over the pixels
  bool neutral = true;  // every pixel a grey (R = G = B)
  int darkest = 255;
};

Ink InkOf(const Snapshot& s) {
  Ink ink;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const unsigned c = s.At(x, y);
      if (c == 0xFFFFFF) continue;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
      ink.count += 3 * 255 - (R(c) + G(c) + B(c));
      ink.neutral = ink.neutral && R(c) == G(c) && G(c) == B(c);
      ink.darkest = std::min(ink.darkest, (R(c) + G(c) + B(c)) / 3);
    }
  return ink;
}

TEST_F(PaintTest, TheTaglineIsGreyCentredAndBoldWhereMarked) {
  form.SetFont(TFontSpec{u"Tahoma", 12, false, true});
  auto& label = form.Add<TMarkupLabel>(u"LblContent", &form, TRect{0, 188, 500, 33});
  label.SetMarkupText(u"<C><FC:clGray>Easily improve <B>game responsiveness</B>.</FC></C>");
  const Ink bold = InkOf(Snapshot(label));
  ASSERT_GE(bold.right, 0) << "nothing painted";
  EXPECT_TRUE(bold.neutral);
  EXPECT_EQ(bold.darkest, 0x80);  // clGray, never darker
  EXPECT_NEAR((bold.left + bold.right) / 2.0, 249.5, 3.0);
  EXPECT_NEAR((bold.top + bold.bottom) / 2.0, 16.0, 3.0);
  EXPECT_LT(bold.bottom - bold.top, 16);  // one line

  label.SetMarkupText(u"<C><FC:clGray>Easily improve game responsiveness.</FC></C>");
  const Ink plain = InkOf(Snapshot(label));
  EXPECT_GT(bold.count, plain.count + plain.count / 20);
  EXPECT_GT(bold.right - bold.left, plain.right - plain.left);
}

TEST_F(PaintTest, ALongTaglineWrapsAtTheLabelWidthAndStaysCentredInItsHeight) {
  form.SetFont(TFontSpec{u"Tahoma", 12, false, true});
  auto& label = form.Add<TMarkupLabel>(u"LblContent", &form, TRect{0, 0, 200, 33});
  label.SetMarkupText(u"<C><FC:clGray>Improve <B>game speed and stability</B> with simple settings.</FC></C>");
  const Ink ink = InkOf(Snapshot(label));
  EXPECT_GT(ink.bottom - ink.top, 16);  // two lines
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 16.0, 3.0);
  EXPECT_NEAR((ink.left + ink.right) / 2.0, 99.5, 6.0);
  EXPECT_LE(ink.right, 199);
}

TEST_F(PaintTest, TheLogoIsFittedCentredAndAntialiased) {
  auto& img = form.Add<TImage>(u"ImgLogo", &form, TRect{3, 0, 112, 50});
  img.SetPicture(LoadSvgResource(GetModuleHandleW(nullptr), L"LOGO"));
  ASSERT_TRUE(img.HasPicture());
  const Snapshot s(img);
  // 287.985 x 92.996 into 112 x 50: full width, 36 pixels high, centred from y = 7 to 43.
  EXPECT_EQ(Hex(s.At(4, 25)), "32A3F2");
  EXPECT_EQ(Hex(s.At(4, 9)), "32A3F2");
  EXPECT_EQ(Hex(s.At(4, 41)), "32A3F2");
  EXPECT_EQ(Hex(s.At(4, 4)), "FFFFFF");
  EXPECT_EQ(Hex(s.At(4, 46)), "FFFFFF");
  EXPECT_EQ(Hex(s.At(11, 25)), "FFFFFF");  // the white arrow inside the blue square
  // Edges are blended: some pixels lie between the blue and the white.
  int blends = 0;
  for (int x = 0; x < s.Width(); ++x) {
    const unsigned c = s.At(x, 6);
    blends += c != 0xFFFFFF && c != 0x32A3F2;
  }
  EXPECT_GT(blends, 0);
}

TEST_F(PaintTest, TheIndicatorDrawsBlackDotsInsideItsSquareThatMoveFromFrameToFrame) {
  auto& ind = form.Add<TActivityIndicator>(u"Indicator", &form, TRect{241, 282, 32, 32}, 50u);
  const Snapshot first(ind);
  const Ink ink = InkOf(first);
  ASSERT_GE(ink.right, 0);
  EXPECT_TRUE(ink.neutral);
  EXPECT_EQ(ink.darkest, 0);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      // Outside the circle of the dots there is no ink.
      const double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
      if (dx * dx + dy * dy > 15.0 * 15.0) EXPECT_EQ(first.At(x, y), 0xFFFFFFu) << x << "," << y;
    }
  SendMessageW(ind.Handle(), WM_TIMER, 1, 0);
  SendMessageW(ind.Handle(), WM_TIMER, 1, 0);
  const Snapshot later(ind);
  int changed = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) changed += first.At(x, y) != later.At(x, y);
  EXPECT_GT(changed, 4);
}

TEST_F(PaintTest, TheIndicatorsTimerRunsOnlyWhileItIsShownAndAnimating) {
  auto& ind = form.Add<TActivityIndicator>(u"Indicator", &form, TRect{0, 0, 32, 32}, 50u);
  ind.SetVisible(false);
  ind.SetAnimate(true);
  EXPECT_FALSE(ind.TimerRunning());
  ind.SetVisible(true);
  EXPECT_TRUE(ind.TimerRunning());
  ind.SetVisible(false);
  EXPECT_FALSE(ind.TimerRunning());
  ind.SetVisible(true);
  ind.SetAnimate(false);
  EXPECT_FALSE(ind.TimerRunning());
}

TEST_F(PaintTest, FitLabelFontShrinksOnlyACaptionThatDoesNotFit) {
  auto& label = form.Add<TLabel>(u"LblTitle", &form, TRect{8, 40, 484, 81}, u"");
  const TFontSpec title{u"Tahoma", 59, false, true};
  const auto widthOf = [&](const std::u16string& caption, int height) {
    TLabel& probe = form.Add<TLabel>(u"Probe", &form, TRect{0, 0, 10, 10}, caption);
    probe.SetFont(TFontSpec{u"Tahoma", height, false, true});
    MemoryDc dc(nullptr);
    SelectedObject f(dc.get(), probe.Font());
    SIZE sz{};
    GetTextExtentPoint32W(dc.get(), win::W(caption), static_cast<int>(caption.size()), &sz);
    return static_cast<int>(sz.cx);
  };
  for (const std::u16string caption : {u"", u"Swiftlane", u"스위프트레인"}) {
    label.SetFont(title);
    label.SetCaption(caption);
    FitLabelFont(label);
    EXPECT_EQ(label.FontSpec().height, 59);
  }
  const std::u16string longTitle = u"Swiftlane Swiftlane Swiftlane";
  ASSERT_GT(widthOf(longTitle, 59), 484);
  label.SetFont(title);
  label.SetCaption(longTitle);
  FitLabelFont(label);
  const int fitted = label.FontSpec().height;
  EXPECT_LT(fitted, 59);
  EXPECT_EQ(label.FontSpec().face, u"Tahoma");
  // Shrunk by the measured ratio, in whole points: it fits, and one point more would not.
  EXPECT_LE(widthOf(longTitle, fitted), 484 + 4);
  EXPECT_GT(widthOf(longTitle, fitted + 3), 484 - 40);
}

}  // namespace
}  // namespace swiftlane::ui
