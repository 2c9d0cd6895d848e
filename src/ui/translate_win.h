// The Translate unit: the catalogue built into the program (RCDATA "TRANSLATE") and the
// current interface language, both unit-wide for the whole run.
#pragma once

#include <windows.h>

#include <string>

#include "ui/catalogue.h"

namespace swiftlane::ui {

// Unit start-up: loads the catalogue from the program's resources and chooses
// CurrentLanguage from the user's locale. Runs once; later calls do nothing. Translate and
// CurrentLanguage run it themselves when they are reached first.
void StartTranslateUnit();

// The catalogue of the program. It is never destroyed: threads that are not joined at exit
// may still translate while the process ends.
const TCatalogue& AppCatalogue();

// The two-letter interface language code ("ko", "en", ...). Written at start-up and by
// TranslateForm with a language argument; read by the update worker, which starts later.
std::u16string& CurrentLanguage();

// The wording of Source in Code, or in CurrentLanguage when Code is empty.
std::u16string Translate(const std::u16string& Source, const std::u16string& Code = std::u16string());

// The raw bytes of an RCDATA resource of a module (empty when it is missing).
std::string ReadRcData(HMODULE module, const wchar_t* name);

// The user default locale's ISO 639 language name cut to two characters; "en" when the
// locale cannot be asked.
std::u16string LanguageFromLocale();

}  // namespace swiftlane::ui
