#include "update/update_dialog_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "system/win_handles_win.h"

namespace swiftlane {
namespace {

// What a helper thread saw of the notice while it was up.
struct Seen {
  bool found = false;
  std::wstring caption;
  int width = 0, height = 0;
  bool topmost = false;
  int defaultId = 0;
  std::vector<std::wstring> buttons;  // push buttons' captions, in creation order
  HWND check = nullptr, link = nullptr;
  std::wstring checkText, linkText;
  RECT checkRect{}, linkRect{};  // client coordinates
  COLORREF background = 0;
  bool stillOpenAfterAct = false;
};

BOOL CALLBACK Collect(HWND child, LPARAM lp) {
  auto& seen = *reinterpret_cast<Seen*>(lp);
  wchar_t cls[64] = {}, text[256] = {};
  GetClassNameW(child, cls, 64);
  GetWindowTextW(child, text, 256);
  const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  if (_wcsicmp(cls, L"Button") == 0) {
    if ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
      seen.check = child;
      seen.checkText = text;
      seen.checkRect = r;
    } else {
      seen.buttons.push_back(text);
    }
  } else if (_wcsicmp(cls, L"Static") == 0) {
    seen.link = child;
    seen.linkText = text;
    seen.linkRect = r;
  }
  return TRUE;
}

COLORREF PixelAt(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return c;
}

// Shows the notice on this thread while a helper finds it by caption, records it and
// then acts on it (the act must close it).
bool RunNotice(const UpdateInfo& info, UpdateDialogOptions options, Seen& seen,
               const std::function<void(HWND, Seen&)>& act) {
  const std::wstring caption = win::W(options.translate ? options.translate(options.title) : options.title);
  std::thread helper([&] {
    HWND dlg = nullptr;
    for (int i = 0; i < 400 && !dlg; ++i) {
      dlg = FindWindowW(L"#32770", caption.c_str());
      if (!dlg) Sleep(25);
    }
    if (!dlg) return;
    Sleep(300);  // let it paint
    seen.found = true;
    wchar_t text[256] = {};
    GetWindowTextW(dlg, text, 256);
    seen.caption = text;
    RECT r;
    GetWindowRect(dlg, &r);
    seen.width = r.right - r.left;
    seen.height = r.bottom - r.top;
    seen.topmost = (GetWindowLongPtrW(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    seen.defaultId = LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0));
    seen.background = PixelAt(dlg, 2, 2);
    EnumChildWindows(dlg, Collect, reinterpret_cast<LPARAM>(&seen));
    act(dlg, seen);
  });
  const bool yes = ShowUpdateNotice(info, options);
  helper.join();
  return yes;
}

void Press(HWND dlg, int id) { PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id))); }

UpdateDialogOptions Options(const std::u16string& language, std::vector<std::u16string>* opened, int* holds) {
  UpdateDialogOptions o;
  o.language = language;
  o.title = u"Swiftlane";
  o.translate = [](const std::u16string& s) { return u"T:" + s; };
  o.rowOffset = 10;
  o.shellOpen = [opened](const std::u16string& t) { opened->push_back(t); };
  o.hold = [holds] { ++*holds; };
  return o;
}

TEST(UpdateNotice, PlainNoticeThenTheRowsThatTheInfoAsksFor) {
  std::vector<std::u16string> opened;
  int holds = 0;

  // No info object: message, two buttons, nothing else; English for a language not listed.
  Seen plain;
  EXPECT_TRUE(RunNotice({}, Options(u"es", &opened, &holds), plain, [](HWND dlg, Seen&) { Press(dlg, IDYES); }));
  ASSERT_TRUE(plain.found);
  EXPECT_EQ(plain.caption, L"T:Swiftlane");
  EXPECT_EQ(plain.buttons, (std::vector<std::wstring>{L"Yes", L"No"}));
  EXPECT_EQ(plain.defaultId, IDYES);
  EXPECT_FALSE(plain.topmost);
  EXPECT_EQ(plain.check, nullptr);
  EXPECT_EQ(plain.link, nullptr);
  EXPECT_EQ(plain.background, RGB(0xFF, 0xFF, 0xFF));

  // Hold row, on top: the box is ticked and No is pressed; the hold command still goes.
  Seen hold;
  const UpdateInfo holdInfo{u"hold", u"Don't ask again", u"big,stayontop", u""};
  EXPECT_FALSE(RunNotice(holdInfo, Options(u"es", &opened, &holds), hold, [](HWND dlg, Seen& s) {
    SendMessageW(s.check, BM_CLICK, 0, 0);
    Press(dlg, IDNO);
  }));
  ASSERT_TRUE(hold.found);
  EXPECT_EQ(hold.height, plain.height + 30);
  EXPECT_EQ(hold.width, plain.width);
  ASSERT_NE(hold.check, nullptr);
  EXPECT_EQ(hold.checkText, L"Don't ask again");
  EXPECT_EQ(hold.checkRect.left, 10);
  EXPECT_EQ(hold.checkRect.top, hold.height - 56);
  EXPECT_TRUE(hold.topmost);
  EXPECT_EQ(holds, 1);

  // A style in another letter case: the space and the line, but no box.
  Seen capital;
  EXPECT_TRUE(RunNotice({u"Hold", u"x", u"", u""}, Options(u"es", &opened, &holds), capital, [](HWND dlg, Seen& s) {
    HDC dc = GetDC(dlg);
    s.background = GetPixel(dc, s.width / 2, s.height - 66);  // the separator line
    ReleaseDC(dlg, dc);
    Press(dlg, IDYES);
  }));
  EXPECT_EQ(capital.height, plain.height + 30);
  EXPECT_EQ(capital.check, nullptr);
  EXPECT_EQ(capital.link, nullptr);
  EXPECT_EQ(capital.background, RGB(0xCC, 0xCC, 0xCC));
  EXPECT_FALSE(capital.topmost);
  EXPECT_EQ(holds, 1);
  EXPECT_TRUE(opened.empty());
}

void ClickLink(HWND link) {
  SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

TEST(UpdateNotice, NoteLinkOpensOnEachClickAndKeepsTheNoticeOpen) {
  std::vector<std::u16string> opened;
  int holds = 0;
  Seen note;
  const UpdateInfo info{u"note", u"Read the notes", u"", u"https://x/notes"};
  EXPECT_FALSE(RunNotice(info, Options(u"de", &opened, &holds), note, [](HWND dlg, Seen& s) {
    ClickLink(s.link);
    ClickLink(s.link);
    s.stillOpenAfterAct = IsWindow(dlg) && IsWindowVisible(dlg);
    Press(dlg, IDNO);
  }));
  ASSERT_TRUE(note.found);
  EXPECT_EQ(note.buttons, (std::vector<std::wstring>{L"Ja", L"Nein"}));
  ASSERT_NE(note.link, nullptr);
  EXPECT_EQ(note.linkText, L"Read the notes");
  EXPECT_EQ(note.linkRect.top, note.height - 56);
  EXPECT_TRUE(note.stillOpenAfterAct);
  EXPECT_EQ(opened, (std::vector<std::u16string>{u"https://x/notes", u"https://x/notes"}));

  // A link to anything but a web address opens nothing.
  opened.clear();
  Seen local;
  const UpdateInfo unsafe{u"note", u"Run", u"", u"C:\\Windows\\System32\\calc.exe"};
  RunNotice(unsafe, Options(u"de", &opened, &holds), local, [](HWND dlg, Seen& s) {
    ClickLink(s.link);
    Press(dlg, IDYES);
  });
  ASSERT_NE(local.link, nullptr);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(holds, 0);
}

TEST(UpdateNotice, ClosedWithoutAnswerCountsAsNoButTheBoxStillCounts) {
  std::vector<std::u16string> opened;
  int holds = 0;
  Seen seen;
  EXPECT_FALSE(RunNotice({u"hold", u"Hold", u"", u""}, Options(u"ko", &opened, &holds), seen, [](HWND dlg, Seen& s) {
    SendMessageW(s.check, BM_CLICK, 0, 0);
    PostMessageW(dlg, WM_CLOSE, 0, 0);
  }));
  EXPECT_EQ(seen.buttons, (std::vector<std::wstring>{L"\uc608", L"\uc544\ub2c8\uc624"}));
  EXPECT_EQ(holds, 1);
}

TEST(UpdateDialog, MalformedEscapeInTheInfoShowsNothing) {
  int holds = 0;
  std::vector<std::u16string> opened;
  EXPECT_FALSE(UpdateDialog(u"{\"update\":\"https://x/\",\"info\":{\"text\":\"\\uQQQQ\"}}",
                            Options(u"en", &opened, &holds))
                   .has_value());
}

}  // namespace
}  // namespace swiftlane
