#include "ui/button_style.h"

#include <cstdint>

#include "ui/catalogue.h"

namespace swiftlane::ui {
namespace {

int Red(TRgb c) { return (c >> 16) & 0xFF; }
int Green(TRgb c) { return (c >> 8) & 0xFF; }
int Blue(TRgb c) { return c & 0xFF; }
TRgb Rgb(int r, int g, int b) { return (TRgb(r) << 16) | (TRgb(g) << 8) | TRgb(b); }

// a * b / c rounded to the nearest integer, halves away from zero, as Windows' MulDiv.
int MulDivRound(int a, int b, int c) {
  const std::int64_t p = std::int64_t(a) * b;
  const std::int64_t q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
  return static_cast<int>(q);
}

int LightenChannel(int c, int percent) { return c + MulDivRound(255 - c, percent, 100); }

// The family's colours, made by the rules above rather than typed in.
struct Palette {
  TRgb accent = kAccentRgb;
  TRgb accent10 = Lighten(kAccentRgb, 10);
  TRgb greyAccent50 = Greyed(Lighten(kAccentRgb, 50));
  TRgb greyAccent70 = Greyed(Lighten(kAccentRgb, 70));
  TRgb greyBlack50 = Greyed(Lighten(0x000000, 50));
  TRgb greyBlack70 = Greyed(Lighten(0x000000, 70));
  static constexpr TRgb white = 0xFFFFFF;
  static constexpr TRgb black = 0x000000;
  static constexpr TRgb silver = 0xC0C0C0;
};

void Set(TStyledButtonAttributes& a, TButtonDrawStyle fill, TRgb fillColour, TBorderDrawStyle border,
         TRgb borderColour, TRgb fontColour) {
  a.ButtonDrawStyle = fill;
  a.ButtonColor = fillColour;
  a.BorderDrawStyle = border;
  a.BorderColor = borderColour;
  a.FontColor = fontColour;
}

std::vector<std::shared_ptr<IStyledButtonAttributes>>& Families() {
  // Kept for the whole run and never destroyed: buttons may paint while the process ends.
  static auto* families = new std::vector<std::shared_ptr<IStyledButtonAttributes>>();
  return *families;
}

}  // namespace

TRgb Lighten(TRgb colour, int percent) {
  return Rgb(LightenChannel(Red(colour), percent), LightenChannel(Green(colour), percent),
             LightenChannel(Blue(colour), percent));
}

TRgb Greyed(TRgb colour) {
  // In thousandths, so that a half is exact.
  const int sum = 299 * Red(colour) + 587 * Green(colour) + 114 * Blue(colour);
  int grey = sum / 1000;
  const int rest = sum % 1000;
  if (rest > 500 || (rest == 500 && grey % 2 == 1)) ++grey;
  return Rgb(grey, grey, grey);
}

TButtonState ChooseButtonState(bool enabled, bool pressedOrDown, bool focused, bool hot) {
  if (!enabled) return TButtonState::Disabled;
  if (pressedOrDown) return TButtonState::Pressed;
  if (focused) return TButtonState::Selected;
  if (hot) return TButtonState::Hot;
  return TButtonState::Normal;
}

void TTarnwickButtonStyles::UpdateAttributes(const std::u16string&, const std::u16string&,
                                             const std::u16string& Appearance,
                                             TStyledButtonAttributes& Normal,
                                             TStyledButtonAttributes& Pressed,
                                             TStyledButtonAttributes& Selected,
                                             TStyledButtonAttributes& Hot,
                                             TStyledButtonAttributes& Disabled) {
  using enum TButtonDrawStyle;
  using enum TBorderDrawStyle;
  const Palette p;
  const bool header = SameTextAscii(Appearance, u"Header");
  const bool outline = !header && SameTextAscii(Appearance, u"Outline");

  // Radius and corners stay at the library's defaults; only the colours and lines change.
  Normal.DrawType = TButtonDrawType::btRoundRect;
  Normal.BorderWidth = 0;
  Normal.FontBold = false;
  if (header) {
    Set(Normal, btnClear, p.white, brdSolid, p.black, p.black);
  } else if (outline) {
    Set(Normal, btnClear, p.accent, brdSolid, p.accent, p.black);
  } else {
    Set(Normal, btnSolid, p.accent, brdSolid, p.accent, p.white);
  }
  Pressed = Normal;
  Selected = Normal;
  Hot = Normal;
  Disabled = Normal;

  if (header) {
    Set(Pressed, btnSolid, p.accent, brdClear, p.accent, p.white);
    Set(Selected, btnSolid, p.accent10, brdClear, p.accent, p.white);
    Set(Hot, btnSolid, p.accent, brdClear, p.accent, p.white);
    Set(Disabled, btnClear, p.white, brdSolid, p.greyAccent50, p.greyBlack50);
  } else if (outline) {
    Set(Pressed, btnSolid, p.accent, brdSolid, p.accent, p.white);
    Set(Selected, btnSolid, p.accent10, brdSolid, p.accent, p.white);
    Set(Hot, btnSolid, p.accent10, brdSolid, p.accent, p.white);
    Set(Disabled, btnClear, p.accent, brdSolid, p.greyAccent70, p.greyBlack70);
  } else {
    Set(Hot, btnSolid, p.accent10, brdSolid, p.accent, p.white);
    Set(Disabled, btnSolid, p.white, brdSolid, p.silver, p.silver);
  }
}

TStyledButtonAttributes StyleFor(IStyledButtonAttributes& family, const std::u16string& appearance,
                                 TButtonState state) {
  TStyledButtonAttributes sets[5];
  family.UpdateAttributes(family.FamilyName(), u"Primary", appearance, sets[0], sets[1], sets[2],
                          sets[3], sets[4]);
  return sets[static_cast<int>(state)];
}

void RegisterButtonFamily(std::shared_ptr<IStyledButtonAttributes> family) {
  if (!family) return;
  auto& families = Families();
  for (auto& f : families) {
    if (SameTextAscii(f->FamilyName(), family->FamilyName())) {
      f = std::move(family);
      return;
    }
  }
  families.push_back(std::move(family));
}

std::shared_ptr<IStyledButtonAttributes> FindButtonFamily(const std::u16string& name) {
  for (const auto& f : Families()) {
    if (SameTextAscii(f->FamilyName(), name)) return f;
  }
  return nullptr;
}

void RegisterTarnwickButtonStyles() {
  if (!FindButtonFamily(u"Tarnwick")) RegisterButtonFamily(std::make_shared<TTarnwickButtonStyles>());
}

int FitFontSize(int fontSize, int labelWidth, const std::function<int()>& measureCaptionWidth) {
  const int width = measureCaptionWidth ? measureCaptionWidth() : 0;
  if (width <= 0 || width <= labelWidth) return fontSize;
  const std::int64_t fitted = std::int64_t(fontSize) * labelWidth / width;
  return fitted < 6 ? 6 : static_cast<int>(fitted);
}

int FitFontHeight(int pixelHeight, int labelWidth, const std::function<int()>& measureCaptionWidth) {
  const int size = MulDivRound(pixelHeight, 72, 96);
  const int fitted = FitFontSize(size, labelWidth, measureCaptionWidth);
  return fitted == size ? pixelHeight : MulDivRound(fitted, 96, 72);
}

}  // namespace swiftlane::ui
