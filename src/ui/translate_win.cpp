#include "ui/translate_win.h"

#include <vector>

#include "system/win_handles_win.h"

namespace swiftlane::ui {
namespace {

struct TranslateUnit {
  TCatalogue catalogue;
  std::u16string language;
};

TCatalogue LoadAppCatalogue() {
  TCatalogue catalogue;
  try {
    // A damaged or missing catalogue leaves the lines that loaded; the program then shows
    // its Korean source texts.
    catalogue.LoadFromUtf8(ReadRcData(GetModuleHandleW(nullptr), L"translate"));
  } catch (...) {
  }
  return catalogue;
}

// Made on first use and deliberately never destroyed.
TranslateUnit& Unit() {
  static TranslateUnit* unit = new TranslateUnit{LoadAppCatalogue(), LanguageFromLocale()};
  return *unit;
}

}  // namespace

void StartTranslateUnit() { Unit(); }

const TCatalogue& AppCatalogue() { return Unit().catalogue; }

std::u16string& CurrentLanguage() { return Unit().language; }

std::u16string Translate(const std::u16string& Source, const std::u16string& Code) {
  TranslateUnit& unit = Unit();
  return unit.catalogue.Translate(Source, Code, unit.language);
}

std::string ReadRcData(HMODULE module, const wchar_t* name) {
  HRSRC info = FindResourceW(module, name, RT_RCDATA);
  if (!info) return {};
  const DWORD size = SizeofResource(module, info);
  // Resources of a loaded module stay mapped with it; LoadResource needs no release.
  HGLOBAL handle = LoadResource(module, info);
  if (!handle || size == 0) return {};
  const void* data = LockResource(handle);
  if (!data) return {};
  return std::string(static_cast<const char*>(data), size);
}

std::u16string LanguageFromLocale() {
  const LCID lcid = GetUserDefaultLCID();
  const int size = GetLocaleInfoW(lcid, LOCALE_SISO639LANGNAME, nullptr, 0);
  if (size < 1) return u"en";
  std::vector<wchar_t> buffer(static_cast<size_t>(size));
  const int got = GetLocaleInfoW(lcid, LOCALE_SISO639LANGNAME, buffer.data(), size);
  if (got < 1) return u"en";
  // The count includes the terminating null.
  std::u16string name = win::U(buffer.data());
  return name.substr(0, 2);
}

}  // namespace swiftlane::ui
