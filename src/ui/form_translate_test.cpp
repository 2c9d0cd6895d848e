#include "ui/form_translate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include "ui/catalogue.h"

namespace swiftlane::ui {
namespace {

struct FakeMenuItem : ITranslatableMenuItem {
  std::u16string caption;
  std::vector<std::unique_ptr<FakeMenuItem>> items;
  explicit FakeMenuItem(std::u16string c) : caption(std::move(c)) {}
  std::u16string Caption() const override { return caption; }
  void SetCaption(const std::u16string& c) override { caption = c; }
  size_t Count() const override { return items.size(); }
  ITranslatableMenuItem* Item(size_t i) override { return items[i].get(); }
  FakeMenuItem& Add(std::u16string c) { return *items.emplace_back(std::make_unique<FakeMenuItem>(std::move(c))); }
};

struct Fake : ITranslatableComponent {
  enum Kind { Plain, Form, NoCaption, ItemList, ColumnList, Popup } kind = Plain;
  std::u16string caption;
  std::vector<std::u16string> entries;
  int index = -1;
  std::unique_ptr<FakeMenuItem> menu;
  std::vector<std::unique_ptr<Fake>> owned;

  Fake(Kind k, std::u16string c) : kind(k), caption(std::move(c)) {}
  Fake& Add(Kind k, std::u16string c) { return *owned.emplace_back(std::make_unique<Fake>(k, std::move(c))); }

  bool IsForm() const override { return kind == Form; }
  bool HasItems() const override { return kind == ItemList; }
  std::vector<std::u16string> Items() const override { return entries; }
  void SetItems(const std::vector<std::u16string>& e) override { entries = e, index = -1; }  // as a list does
  int ItemIndex() const override { return index; }
  void SetItemIndex(int i) override { index = i; }
  bool HasColumns() const override { return kind == ColumnList; }
  std::vector<std::u16string> Columns() const override { return entries; }
  void SetColumns(const std::vector<std::u16string>& e) override { entries = e, index = -1; }
  ITranslatableMenuItem* MenuRoot() override { return menu.get(); }
  bool HasCaption() const override { return kind != NoCaption; }
  std::u16string Caption() const override { return caption; }
  void SetCaption(const std::u16string& c) override { caption = c; }
  size_t OwnedCount() const override { return owned.size(); }
  ITranslatableComponent* Owned(size_t i) override { return owned[i].get(); }
};

std::string SourceDir() {
  if (const char* dir = std::getenv("SWIFTLANE_SOURCE_DIR"); dir && *dir) return dir;
  std::string here = __FILE__;
  for (int up = 0; up < 3; ++up) here = here.substr(0, here.find_last_of("/\\"));
  return here;
}

class FormTranslation : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(SourceDir() + "/resources/translate.txt", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(catalogue.LoadFromUtf8(bytes));
    ASSERT_FALSE(catalogue.Lines().empty());
    translate = [this](const std::u16string& source, const std::u16string& code) {
      calls.push_back(source);
      return catalogue.Translate(source, code, language);
    };
    // The main window's captions, owned by the window whatever their parent on screen.
    form = std::make_unique<Fake>(Fake::Form, u"스위프트레인");
    form->Add(Fake::Plain, u"PnlMain");
    form->Add(Fake::Plain, u"Card1");
    title = &form->Add(Fake::Plain, u"스위프트레인");
    start = &form->Add(Fake::Plain, u"실행하기");
    form->Add(Fake::NoCaption, u"");  // the activity indicator
    group1 = &form->Add(Fake::Plain, u"네트워크 아답터 정보");
    form->Add(Fake::Plain, u"...");
    check = &form->Add(Fake::Plain, u"TcpNoDelay");
    home = &form->Add(Fake::Plain, u"처음화면");
    donate = &form->Add(Fake::Plain, u"후원하기");
  }

  std::u16string Translated(const std::u16string& code = u"") {
    TranslateComponents(form.get(), code, language, translate);
    return form->caption;
  }

  TCatalogue catalogue;
  std::u16string language = u"ko";
  std::vector<std::u16string> calls;
  TTranslateFn translate;
  std::unique_ptr<Fake> form;
  Fake *title, *start, *group1, *check, *home, *donate;
};

TEST_F(FormTranslation, WindowCaptionIsKoreanOnlyForKorean) {
  EXPECT_EQ(CaptionLookupCode(true, u"ko"), u"");
  EXPECT_EQ(CaptionLookupCode(true, u"ja"), u"en");
  EXPECT_EQ(CaptionLookupCode(true, u"KO"), u"en");
  EXPECT_EQ(CaptionLookupCode(false, u"ja"), u"");

  language = u"ko";
  EXPECT_EQ(Translated(), u"스위프트레인");
  EXPECT_EQ(title->caption, u"스위프트레인");

  language = u"ja";
  EXPECT_EQ(Translated(), u"Swiftlane");
  EXPECT_EQ(title->caption, u"スウィフトレーン");
  EXPECT_EQ(start->caption, u"実行する");
  EXPECT_EQ(group1->caption, u"ネットワークアダプタ");
  EXPECT_EQ(home->caption, u"ホーム");
  EXPECT_EQ(check->caption, u"TcpNoDelay");
  EXPECT_EQ(language, u"ja");  // an empty code leaves the language

  language = u"de";
  EXPECT_EQ(Translated(), u"Swiftlane");
  EXPECT_EQ(title->caption, u"Swiftlane");
  EXPECT_EQ(donate->caption, u"Donate");
}

TEST_F(FormTranslation, ACodeMovesEveryCaptionAndStays) {
  language = u"ko";
  EXPECT_EQ(Translated(u"en"), u"Swiftlane");
  EXPECT_EQ(language, u"en");
  EXPECT_EQ(start->caption, u"Run");
  // Already translated captions find their block again in any language.
  EXPECT_EQ(Translated(u"fr"), u"Swiftlane");
  EXPECT_EQ(start->caption, u"Exécuter");
  EXPECT_EQ(donate->caption, u"Donner");
  EXPECT_EQ(Translated(u"ko"), u"스위프트레인");
  EXPECT_EQ(start->caption, u"실행하기");
  EXPECT_EQ(group1->caption, u"네트워크 아답터 정보");
}

TEST_F(FormTranslation, MissingComponentStillSetsTheLanguage) {
  TranslateComponents(nullptr, u"fr", language, translate);
  EXPECT_EQ(language, u"fr");
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(form->caption, u"스위프트레인");
}

TEST_F(FormTranslation, ListsKeepTheirSelectionAndMenusGoDepthFirst) {
  language = u"en";
  Fake& list = form->Add(Fake::ItemList, u"처음화면");
  list.entries = {u"실행하기", u"중지하기", u"없는 말"};
  list.index = 1;
  Fake& ownedByList = list.Add(Fake::Plain, u"환경설정");
  Fake& view = form->Add(Fake::ColumnList, u"버전");
  view.entries = {u"알수없음", u"버전"};
  view.index = 0;
  Fake& popup = form->Add(Fake::NoCaption, u"");
  popup.menu = std::make_unique<FakeMenuItem>(u"");
  FakeMenuItem& a = popup.menu->Add(u"실행하기");
  a.Add(u"중지하기").Add(u"버전");
  FakeMenuItem& b = popup.menu->Add(u"후원하기");

  calls.clear();
  Translated();
  EXPECT_EQ(list.entries, (std::vector<std::u16string>{u"Run", u"Stop", u"없는 말"}));
  EXPECT_EQ(list.index, 1);
  EXPECT_EQ(list.caption, u"처음화면");           // a list's caption is not visited
  EXPECT_EQ(ownedByList.caption, u"환경설정");   // nor what it owns
  EXPECT_EQ(view.entries, (std::vector<std::u16string>{u"Unknown", u"Version"}));
  EXPECT_EQ(view.index, 0);
  EXPECT_EQ(view.caption, u"Version");           // a list view goes on with its caption
  EXPECT_EQ(a.caption, u"Run");
  EXPECT_EQ(b.caption, u"Donate");
  EXPECT_EQ(a.items[0]->items[0]->caption, u"Version");

  // The popup's items were asked for parents before children, in order.
  const std::vector<std::u16string> tail(calls.end() - 5, calls.end());
  EXPECT_EQ(tail, (std::vector<std::u16string>{u"", u"실행하기", u"중지하기", u"버전", u"후원하기"}));
}

}  // namespace
}  // namespace swiftlane::ui
