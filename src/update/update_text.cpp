#include "update/update_text.h"

namespace swiftlane {
namespace {

struct Texts {
  const char16_t* code;  // nullptr: every other language
  const char16_t* message;
  const char16_t* yes;
  const char16_t* no;
};

// Written with escapes so the file reads the same in any source character set.
const Texts kTexts[] = {
    {u"ko",
     u"\uc5c5\ub370\uc774\ud2b8\uac00 \uc815\ubcf4\uac00 \uc788\uc2b5\ub2c8\ub2e4.\r\r\uc548\uc815\uc801\uc73c\ub85c \uc0ac\uc6a9\ud558\uae30 \uc704\ud574 \uc5c5\ub370\uc774\ud2b8\ub97c \ud558\uc2dc\uae38 \uad8c\uc7a5\ud569\ub2c8\ub2e4.\r\r\ub2e4\uc6b4\ub85c\ub4dc \ubc1b\uc73c\uc2dc\uaca0\uc2b5\ub2c8\uae4c?",
     u"\uc608", u"\uc544\ub2c8\uc624"},
    {u"ja",
     u"\u3053\u306e\u30d7\u30ed\u30b0\u30e9\u30e0\u304c\u30a2\u30c3\u30d7\u30c7\u30fc\u30c8\u3055\u308c\u307e\u3057\u305f\u3002\r\r\u5b89\u5b9a\u7684\u306b\u4f7f\u7528\u3059\u308b\u305f\u3081\u306b\u65b0\u3057\u304f\u30c0\u30a6\u30f3\u30ed\u30fc\u30c9\u00b7\u5b9f\u884c\u3059\u308b\u3053\u3068\u3092\u304a\u52e7\u3081\u3057\u307e\u3059\u3002\r\r\u30c0\u30a6\u30f3\u30ed\u30fc\u30c9\u3057\u307e\u3059\u304b\u3002",
     u"\u306f\u3044", u"\u3044\u3044\u3048"},
    {u"zh",
     u"\u8be5\u7a0b\u5e8f\u5df2\u66f4\u65b0\u3002\r\r\u5efa\u8bae\u4e0b\u8f7d\u5e76\u6267\u884c\u65b0\u7a0b\u5e8f\u4ee5\u7a33\u5b9a\u4f7f\u7528\u3002\r\r\u60a8\u8981\u4e0b\u8f7d\u5417\uff1f",
     u"\u662f", u"\u5426"},
    {u"de",
     u"Dieses Programm ist aktualisiert worden.\r\rEs wird empfohlen, es herunterzuladen und neu auszuf\u00fchren, um es stabil zu verwenden.\r\rM\u00f6chten Sie es herunterladen?",
     u"Ja", u"Nein"},
    {u"ru",
     u"\u0414\u0430\u043d\u043d\u0430\u044f \u043f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430 \u0431\u044b\u043b\u0430 \u043e\u0431\u043d\u043e\u0432\u043b\u0435\u043d\u0430.\r\r\u0420\u0435\u043a\u043e\u043c\u0435\u043d\u0434\u0443\u0435\u0442\u0441\u044f \u0441\u043a\u0430\u0447\u0430\u0442\u044c \u0438 \u0432\u044b\u043f\u043e\u043b\u043d\u0438\u0442\u044c \u043d\u043e\u0432\u043e\u0435 \u0434\u043b\u044f \u0441\u0442\u0430\u0431\u0438\u043b\u044c\u043d\u043e\u0433\u043e \u0438\u0441\u043f\u043e\u043b\u044c\u0437\u043e\u0432\u0430\u043d\u0438\u044f.\r\r\u0412\u044b \u0445\u043e\u0442\u0438\u0442\u0435 \u0437\u0430\u0433\u0440\u0443\u0437\u0438\u0442\u044c \u0435\u0435?",
     u"\u0414\u0430", u"\u041d\u0435\u0442"},
    {u"it",
     u"\u00c8 disponibile una nuova versione del programma.\r\rTi suggeriamo di scaricare ed aggiornare il programma.\r\rVuoi scaricare la nuova versione del programma?",
     u"S\u00ec", u"No"},
    {u"fr",
     u"Ce programme a \u00e9t\u00e9 mis \u00e0 jour.\r\rIl est recommand\u00e9 de t\u00e9l\u00e9charger et d'ex\u00e9cuter la nouvelle version pour une utilisation stable.\r\rVoulez-vous le t\u00e9l\u00e9charger?",
     u"Oui", u"Non"},
    {nullptr,
     u"This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\rDo you want to download it?",
     u"Yes", u"No"},
};

}  // namespace

std::u16string UpdateText(UpdateTextKind Kind, const std::u16string& Code) {
  const Texts* row = &kTexts[0];
  for (const Texts& t : kTexts) {
    row = &t;
    if (t.code == nullptr || Code == t.code) break;
  }
  switch (Kind) {
    case UpdateTextKind::Message: return row->message;
    case UpdateTextKind::Yes: return row->yes;
    case UpdateTextKind::No: return row->no;
  }
  return {};
}

}  // namespace swiftlane
