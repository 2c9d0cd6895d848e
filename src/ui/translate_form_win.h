// TranslateForm over our widget layer: the window's caption and every caption it owns.
#pragma once

#include <string>

#include "ui/widgets_win.h"

namespace swiftlane::ui {

// A non-empty Code first becomes the current language; the captions are then looked up
// for the current language (the window caption keeps Korean only for Korean users).
void TranslateForm(TForm& Form, const std::u16string& Code);

}  // namespace swiftlane::ui
