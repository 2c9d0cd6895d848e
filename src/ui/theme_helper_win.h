// TThemeHelper: the product's window frame. A dark title bar from the desktop window
// manager, and a 2-pixel accent strip along the top of the client area, blue while the
// window is active and grey while it is not.
#pragma once

#include "ui/widgets_win.h"

namespace swiftlane::ui {

class TThemeHelper : public TComponent {
 public:
  // Owner must be a form; anything else raises "TThemeHelper Owner must be a TForm".
  explicit TThemeHelper(TComponent* Owner);
  ~TThemeHelper() override;

  TShape* Strip() const { return FShape; }
  bool IsActive() const { return FIsActive; }

 private:
  void UpdateStrip();
  LRESULT HandleFormMessage(UINT msg, WPARAM wp, LPARAM lp);

  TForm* FForm = nullptr;
  unsigned FActiveColor = kAccent;
  bool FIsActive = true;
  TShape* FShape = nullptr;
  TWndMethod FOldWindowProc;
};

// Gives the form a theme helper that the form owns.
TThemeHelper& AttachThemeHelper(TForm& Form);

}  // namespace swiftlane::ui
