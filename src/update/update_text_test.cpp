#include "update/update_text.h"

#include <gtest/gtest.h>

namespace swiftlane {
namespace {

TEST(UpdateText, EveryLanguageAndTheEnglishFallback) {
  const struct {
    std::u16string code, message, yes, no;
  } rows[] = {
      {u"ko", u"업데이트가 정보가 있습니다.\r\r안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.\r\r다운로드 받으시겠습니까?", u"예", u"아니오"},
      {u"ja", u"このプログラムがアップデートされました。\r\r安定的に使用するために新しくダウンロード·実行することをお勧めします。\r\rダウンロードしますか。", u"はい", u"いいえ"},
      {u"zh", u"该程序已更新。\r\r建议下载并执行新程序以稳定使用。\r\r您要下载吗？", u"是", u"否"},
      {u"de", u"Dieses Programm ist aktualisiert worden.\r\rEs wird empfohlen, es herunterzuladen und neu auszuführen, um es stabil zu verwenden.\r\rMöchten Sie es herunterladen?", u"Ja", u"Nein"},
      {u"ru", u"Данная программа была обновлена.\r\rРекомендуется скачать и выполнить новое для стабильного использования.\r\rВы хотите загрузить ее?", u"Да", u"Нет"},
      {u"it", u"È disponibile una nuova versione del programma.\r\rTi suggeriamo di scaricare ed aggiornare il programma.\r\rVuoi scaricare la nuova versione del programma?", u"Sì", u"No"},
      {u"fr", u"Ce programme a été mis à jour.\r\rIl est recommandé de télécharger et d'exécuter la nouvelle version pour une utilisation stable.\r\rVoulez-vous le télécharger?", u"Oui", u"Non"},
      {u"es", u"This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\rDo you want to download it?", u"Yes", u"No"},
      {u"", u"This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\rDo you want to download it?", u"Yes", u"No"},
      {u"KO", u"This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\rDo you want to download it?", u"Yes", u"No"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(UpdateText(UpdateTextKind::Message, r.code), r.message) << std::string(r.code.begin(), r.code.end());
    EXPECT_EQ(UpdateText(UpdateTextKind::Yes, r.code), r.yes);
    EXPECT_EQ(UpdateText(UpdateTextKind::No, r.code), r.no);
  }
}

}  // namespace
}  // namespace swiftlane
