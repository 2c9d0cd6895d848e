// Form translation: every caption of a window and of the components it owns passed
// through Translate, walking ownership (not the on-screen nesting of controls).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace swiftlane::ui {

// The language a caption is looked up for: a form outside Korean shows the English product
// name ("en"); every other caption, and a form in Korean, follows the current language
// (the empty code).
std::u16string CaptionLookupCode(bool isForm, const std::u16string& currentLanguage);

// A menu item as the walk sees it.
class ITranslatableMenuItem {
 public:
  virtual ~ITranslatableMenuItem() = default;
  virtual std::u16string Caption() const = 0;
  virtual void SetCaption(const std::u16string& caption) = 0;
  virtual size_t Count() const = 0;
  virtual ITranslatableMenuItem* Item(size_t index) = 0;
};

// A component as the walk sees it; the widget layer adapts its components to this. Every
// part a component lacks keeps its default.
class ITranslatableComponent {
 public:
  virtual ~ITranslatableComponent() = default;
  virtual bool IsForm() const { return false; }

  // A list control whose entries are a string list with a selected index. Such a control is
  // translated entry by entry and nothing else of it is visited.
  virtual bool HasItems() const { return false; }
  virtual std::vector<std::u16string> Items() const { return {}; }
  virtual void SetItems(const std::vector<std::u16string>&) {}
  virtual int ItemIndex() const { return -1; }
  virtual void SetItemIndex(int) {}

  // A list view: its column captions; the selected index is kept across the change.
  virtual bool HasColumns() const { return false; }
  virtual std::vector<std::u16string> Columns() const { return {}; }
  virtual void SetColumns(const std::vector<std::u16string>&) {}

  // A popup menu: its root item.
  virtual ITranslatableMenuItem* MenuRoot() { return nullptr; }

  virtual bool HasCaption() const { return false; }
  virtual std::u16string Caption() const { return {}; }
  virtual void SetCaption(const std::u16string&) {}

  // The components this one owns, in the order of its list of owned components.
  virtual size_t OwnedCount() const { return 0; }
  virtual ITranslatableComponent* Owned(size_t) { return nullptr; }
};

// Translate with a source text and a code (empty: the current language).
using TTranslateFn = std::function<std::u16string(const std::u16string& source, const std::u16string& code)>;

// TranslateForm over the walk's view of the components: a non-empty Code first becomes
// currentLanguage (even when component is null); then the component and, depth first,
// everything it owns get their captions translated.
void TranslateComponents(ITranslatableComponent* component, const std::u16string& Code,
                         std::u16string& currentLanguage, const TTranslateFn& translate);

}  // namespace swiftlane::ui
