#include "ui/form_translate.h"

namespace swiftlane::ui {
namespace {

void TranslateMenu(ITranslatableMenuItem& item, const TTranslateFn& translate) {
  item.SetCaption(translate(item.Caption(), std::u16string()));
  for (size_t i = 0; i < item.Count(); ++i) {
    if (ITranslatableMenuItem* child = item.Item(i)) TranslateMenu(*child, translate);
  }
}

void Walk(ITranslatableComponent& c, const std::u16string& currentLanguage, const TTranslateFn& translate) {
  if (c.HasItems()) {
    const int selected = c.ItemIndex();
    std::vector<std::u16string> items = c.Items();
    for (auto& item : items) item = translate(item, std::u16string());
    c.SetItems(items);
    c.SetItemIndex(selected);
    return;
  }
  if (c.HasColumns()) {
    const int selected = c.ItemIndex();
    std::vector<std::u16string> columns = c.Columns();
    for (auto& column : columns) column = translate(column, std::u16string());
    c.SetColumns(columns);
    c.SetItemIndex(selected);
  }
  if (ITranslatableMenuItem* root = c.MenuRoot()) TranslateMenu(*root, translate);
  if (c.HasCaption()) {
    c.SetCaption(translate(c.Caption(), CaptionLookupCode(c.IsForm(), currentLanguage)));
  }
  // Indexed each time: a caption change must not be able to leave a stale count behind.
  for (size_t i = 0; i < c.OwnedCount(); ++i) {
    if (ITranslatableComponent* owned = c.Owned(i)) Walk(*owned, currentLanguage, translate);
  }
}

}  // namespace

std::u16string CaptionLookupCode(bool isForm, const std::u16string& currentLanguage) {
  return (isForm && currentLanguage != u"ko") ? std::u16string(u"en") : std::u16string();
}

void TranslateComponents(ITranslatableComponent* component, const std::u16string& Code,
                         std::u16string& currentLanguage, const TTranslateFn& translate) {
  if (!Code.empty()) currentLanguage = Code;
  if (!component || !translate) return;
  Walk(*component, currentLanguage, translate);
}

}  // namespace swiftlane::ui
