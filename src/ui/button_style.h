// The "Tarnwick" family of styled buttons: one class, "Primary", and three appearances,
// "Normal", "Header" (the header toolbar) and "Outline" (the start button), all in the
// accent blue on white. Also the title's font-fit arithmetic.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace swiftlane::ui {

// Colours as 0xRRGGBB.
using TRgb = unsigned;

constexpr TRgb kAccentRgb = 0x3D84DD;

// Each channel moved toward 255 by percent, the product rounded as MulDiv rounds.
TRgb Lighten(TRgb colour, int percent);
// round(0.299 R + 0.587 G + 0.114 B) in all three channels, halves to even.
TRgb Greyed(TRgb colour);

enum class TButtonDrawType { btRoundRect, btRounded, btRect, btEllipse };
enum class TButtonDrawStyle { btnClear, btnSolid };  // no fill / filled with ButtonColor
enum class TBorderDrawStyle { brdClear, brdSolid };  // no line / a line in BorderColor
enum class TButtonState { Normal, Pressed, Selected, Hot, Disabled };

struct TStyledButtonAttributes {
  TButtonDrawType DrawType = TButtonDrawType::btRoundRect;
  TButtonDrawStyle ButtonDrawStyle = TButtonDrawStyle::btnSolid;
  TBorderDrawStyle BorderDrawStyle = TBorderDrawStyle::brdSolid;
  TRgb ButtonColor = 0xFFFFFF;
  TRgb BorderColor = 0x000000;
  int BorderWidth = 0;  // 0 draws the thinnest line, one pixel wide
  TRgb FontColor = 0x000000;
  bool FontBold = false;  // FontStyle: the family always draws regular text
  int Radius = 6;
  bool RoundedCorners = true;  // all four corners

  bool operator==(const TStyledButtonAttributes&) const = default;
};

// The state a graphic button is drawn in: disabled, else pressed (held down with the mouse
// or in its down state), else selected (keyboard focus), else hot (mouse over it), else normal.
TButtonState ChooseButtonState(bool enabled, bool pressedOrDown, bool focused, bool hot);

// A family of button styles, filed under its name.
class IStyledButtonAttributes {
 public:
  virtual ~IStyledButtonAttributes() = default;
  virtual void UpdateAttributes(const std::u16string& Family, const std::u16string& Class,
                                const std::u16string& Appearance, TStyledButtonAttributes& Normal,
                                TStyledButtonAttributes& Pressed, TStyledButtonAttributes& Selected,
                                TStyledButtonAttributes& Hot, TStyledButtonAttributes& Disabled) = 0;
  virtual std::u16string FamilyName() const = 0;
  virtual std::vector<std::u16string> Classes() const = 0;
  virtual std::vector<std::u16string> Appearances() const = 0;
  // Class and appearance for a dialog button with this modal result.
  virtual std::pair<std::u16string, std::u16string> ModalResultStyle(int ModalResult) const = 0;
};

class TTarnwickButtonStyles final : public IStyledButtonAttributes {
 public:
  void UpdateAttributes(const std::u16string& Family, const std::u16string& Class,
                        const std::u16string& Appearance, TStyledButtonAttributes& Normal,
                        TStyledButtonAttributes& Pressed, TStyledButtonAttributes& Selected,
                        TStyledButtonAttributes& Hot, TStyledButtonAttributes& Disabled) override;
  std::u16string FamilyName() const override { return u"Tarnwick"; }
  std::vector<std::u16string> Classes() const override { return {u"Primary"}; }
  std::vector<std::u16string> Appearances() const override { return {u"Normal", u"Header", u"Outline"}; }
  std::pair<std::u16string, std::u16string> ModalResultStyle(int) const override {
    return {u"Primary", u"Normal"};
  }
};

// The attribute set of one state: the five sets of UpdateAttributes, indexed.
TStyledButtonAttributes StyleFor(IStyledButtonAttributes& family, const std::u16string& appearance,
                                 TButtonState state);

// Button families by name, filled at start-up and kept for the whole run. Names compare
// with letters A-Z without regard to case.
void RegisterButtonFamily(std::shared_ptr<IStyledButtonAttributes> family);
std::shared_ptr<IStyledButtonAttributes> FindButtonFamily(const std::u16string& name);
// Registers the Tarnwick family once; later calls do nothing.
void RegisterTarnwickButtonStyles();

// FitLabelFont's arithmetic: the font size that fits a caption into a label, measured once
// at the current size. A caption that fits keeps its size; otherwise size x labelWidth /
// width, dropping the remainder, but never below 6. The font is never enlarged.
int FitFontSize(int fontSize, int labelWidth, const std::function<int()>& measureCaptionWidth);

// The same for a font given by its character height in pixels at 96 DPI, as the layout
// gives it: the height becomes points (MulDiv(height, 72, 96), so 59 pixels are 44 points),
// is fitted, and a changed size goes back to pixels as the toolkit sets a size in points
// (MulDiv(size, 96, 72)). A caption that fits keeps its height exactly.
int FitFontHeight(int pixelHeight, int labelWidth, const std::function<int()>& measureCaptionWidth);

}  // namespace swiftlane::ui
