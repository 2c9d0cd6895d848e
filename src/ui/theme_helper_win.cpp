#include "ui/theme_helper_win.h"

#include <dwmapi.h>

#include <stdexcept>

namespace swiftlane::ui {
namespace {

constexpr DWORD kUseImmersiveDarkMode = 20;

TForm* RequireForm(TComponent* owner) {
  auto* form = dynamic_cast<TForm*>(owner);
  if (!form) throw std::invalid_argument("TThemeHelper Owner must be a TForm");
  return form;
}

unsigned GrayTextColor() {
  const COLORREF c = GetSysColor(COLOR_GRAYTEXT);
  return (static_cast<unsigned>(GetRValue(c)) << 16) | (static_cast<unsigned>(GetGValue(c)) << 8) | GetBValue(c);
}

}  // namespace

TThemeHelper::TThemeHelper(TComponent* Owner) : TComponent(RequireForm(Owner), u"") {
  FForm = static_cast<TForm*>(Owner);
  // The result is not looked at: without the attribute the title bar keeps its usual look.
  const DWORD dark = 0xFFFFFFFF;
  DwmSetWindowAttribute(FForm->Handle(), kUseImmersiveDarkMode, &dark, sizeof(dark));

  FShape = &FForm->Add<TShape>(u"", FForm, TRect{0, 0, FForm->ClientWidth(), 2});
  FShape->SetAlign(TAlign::Top, /*first=*/true);

  TForm* form = FForm;
  FOldWindowProc = FForm->WindowProc ? FForm->WindowProc
                                     : TWndMethod([form](UINT m, WPARAM w, LPARAM l) { return form->HandleMessage(m, w, l); });
  FForm->WindowProc = [this](UINT m, WPARAM w, LPARAM l) { return HandleFormMessage(m, w, l); };
  UpdateStrip();
}

TThemeHelper::~TThemeHelper() {
  if (FForm) FForm->WindowProc = FOldWindowProc;
}

LRESULT TThemeHelper::HandleFormMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE) {
    UpdateStrip();
  } else if (msg == WM_ACTIVATE) {
    // Activation by keyboard and by mouse both count.
    FIsActive = LOWORD(wp) != WA_INACTIVE;
    UpdateStrip();
  }
  return FOldWindowProc(msg, wp, lp);
}

void TThemeHelper::UpdateStrip() {
  const unsigned fill = FIsActive ? FActiveColor : GrayTextColor();
  FShape->SetColors(fill, fill);
  const LONG_PTR style = FForm->Handle() ? GetWindowLongPtrW(FForm->Handle(), GWL_STYLE) : 0;
  const bool bordered = (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0;
  FShape->SetVisible(bordered);
}

TThemeHelper& AttachThemeHelper(TForm& Form) { return Form.Add<TThemeHelper>(); }

}  // namespace swiftlane::ui
