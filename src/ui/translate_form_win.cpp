#include "ui/translate_form_win.h"

#include "ui/translate_win.h"

namespace swiftlane::ui {

void TranslateForm(TForm& Form, const std::u16string& Code) {
  TranslateComponents(&Form, Code, CurrentLanguage(),
                      [](const std::u16string& source, const std::u16string& code) { return Translate(source, code); });
}

}  // namespace swiftlane::ui
