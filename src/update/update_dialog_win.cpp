#include "update/update_dialog_win.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "system/win_handles_win.h"
#include "ui/widgets_win.h"
#include "update/shell_win.h"
#include "update/update_text.h"
#include "update/update_win.h"
#include "update/version_win.h"

namespace swiftlane {
namespace {

constexpr int kCheckId = 101;
constexpr int kLinkId = 102;
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kLinkBlue = RGB(0x00, 0x00, 0xFF);
constexpr COLORREF kSeparator = RGB(0xCC, 0xCC, 0xCC);

struct Notice {
  const UpdateInfo* info = nullptr;
  const UpdateDialogOptions* options = nullptr;
  std::int32_t rowOffset = 0;
  std::u16string message;
  int dpi = 96;
  win::unique_gdi font, linkFont, white;
  HICON icon = nullptr;  // shared system icon, not ours to free
  RECT iconRect{}, textRect{};
  int separatorTop = -1;
  int separatorWidth = 0;
  HWND check = nullptr, link = nullptr;
  bool holdTicked = false;

  int S(int v) const { return MulDiv(v, dpi, 96); }
};

int WindowDpi(HWND hwnd) {
  if (const UINT dpi = GetDpiForWindow(hwnd)) return static_cast<int>(dpi);
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

HFONT MessageFont(int dpi, bool underline) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW lf{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    lf = metrics.lfMessageFont;
    HDC dc = GetDC(nullptr);
    const int systemDpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    lf.lfHeight = MulDiv(lf.lfHeight, dpi, systemDpi > 0 ? systemDpi : 96);
  } else {
    lf.lfHeight = -MulDiv(9, dpi, 72);
    wcscpy_s(lf.lfFaceName, L"Tahoma");
  }
  lf.lfUnderline = underline ? TRUE : FALSE;
  return CreateFontIndirectW(&lf);
}

SIZE TextExtent(HWND hwnd, HFONT font, const std::u16string& text, int maxWidth, bool wrap) {
  HDC dc = GetDC(hwnd);
  if (!dc) return {0, 0};
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, maxWidth, 0};
  DrawTextW(dc, win::W(text), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_NOPREFIX | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return {r.right - r.left, r.bottom - r.top};
}

HWND Child(HWND parent, const wchar_t* cls, const std::u16string& text, DWORD style, int id, HFONT font) {
  HWND h = CreateWindowExW(0, cls, win::W(text), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return h;
}

void Initialise(HWND hwnd, Notice& n) {
  n.dpi = WindowDpi(hwnd);
  n.font.reset(MessageFont(n.dpi, false));
  n.white.reset(CreateSolidBrush(kWhite));
  const HFONT font = static_cast<HFONT>(n.font.get());
  n.icon = static_cast<HICON>(LoadImageW(nullptr, IDI_WARNING, IMAGE_ICON, n.S(32), n.S(32), LR_SHARED));

  // Standard message-dialog arrangement: icon, message to its right, buttons centred below.
  const int margin = n.S(16);
  const int iconSize = n.S(32);
  const SIZE line = TextExtent(hwnd, font, n.message, 10000, true);
  const int textWidth = std::min<int>(line.cx, n.S(420));
  const SIZE text = TextExtent(hwnd, font, n.message, textWidth, true);
  n.iconRect = {margin, margin, margin + iconSize, margin + iconSize};
  n.textRect = {margin + iconSize + margin, margin, margin + iconSize + margin + text.cx, margin + text.cy};
  const int contentBottom = std::max(n.iconRect.bottom, n.textRect.bottom);
  const int buttonW = n.S(75), buttonH = n.S(25), gap = n.S(8);
  const int clientW = std::max<int>(n.textRect.right + margin, 2 * buttonW + gap + 2 * margin);
  const int buttonsTop = contentBottom + margin;
  const int clientH = buttonsTop + buttonH + n.S(12);

  const std::u16string& lang = n.options->language;
  HWND yes = Child(hwnd, L"BUTTON", UpdateText(UpdateTextKind::Yes, lang), WS_TABSTOP | BS_DEFPUSHBUTTON, IDYES, font);
  HWND no = Child(hwnd, L"BUTTON", UpdateText(UpdateTextKind::No, lang), WS_TABSTOP | BS_PUSHBUTTON, IDNO, font);
  const int buttonsLeft = (clientW - (2 * buttonW + gap)) / 2;
  MoveWindow(yes, buttonsLeft, buttonsTop, buttonW, buttonH, FALSE);
  MoveWindow(no, buttonsLeft + buttonW + gap, buttonsTop, buttonW, buttonH, FALSE);
  SendMessageW(hwnd, DM_SETDEFID, IDYES, 0);

  RECT frame{0, 0, clientW, clientH};
  AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)), n.dpi);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;

  // The extra row: positions count from the outer window's height after it has grown.
  const UpdateInfo& info = *n.info;
  const int offset = n.rowOffset;
  if (!info.style.empty()) {
    height += n.S(40 - offset);
    n.separatorTop = height - n.S(76 - offset);
    n.separatorWidth = width;
    const int rowTop = height - n.S(66 - offset);
    if (info.style == u"hold") {
      n.check = Child(hwnd, L"BUTTON", info.text, WS_TABSTOP | BS_AUTOCHECKBOX, kCheckId, font);
      MoveWindow(n.check, n.S(10), rowTop, width, n.S(17), FALSE);
    } else if (info.style == u"note") {
      n.linkFont.reset(MessageFont(n.dpi, true));
      const HFONT linkFont = static_cast<HFONT>(n.linkFont.get());
      n.link = Child(hwnd, L"STATIC", info.text, SS_NOTIFY | SS_NOPREFIX, kLinkId, linkFont);
      const SIZE size = TextExtent(hwnd, linkFont, info.text, 10000, false);
      MoveWindow(n.link, n.S(10), rowTop, size.cx, std::max<int>(size.cy, 1), FALSE);
    }
  }

  const auto& translate = n.options->translate;
  const std::u16string& title = n.options->title;
  SetWindowTextW(hwnd, win::W(translate ? translate(title) : title));

  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  const bool onTop = info.flag.find(u"stayontop") != std::u16string::npos;
  SetWindowPos(hwnd, onTop ? HWND_TOPMOST : nullptr, x, y, width, height, onTop ? 0 : SWP_NOZORDER);
  SetFocus(yes);
}

void Paint(HWND hwnd, Notice& n) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  if (n.icon) DrawIconEx(dc, n.iconRect.left, n.iconRect.top, n.icon, n.S(32), n.S(32), 0, nullptr, DI_NORMAL);
  HGDIOBJ old = SelectObject(dc, n.font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT text = n.textRect;
  DrawTextW(dc, win::W(n.message), static_cast<int>(n.message.size()), &text, DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  if (n.separatorTop >= 0) {
    // A rectangle one pixel high shows only its outline: a grey line across the dialog.
    win::unique_gdi grey(CreateSolidBrush(kSeparator));
    RECT line{0, n.separatorTop, n.separatorWidth, n.separatorTop + 1};
    FillRect(dc, &line, static_cast<HBRUSH>(grey.get()));
  }
  EndPaint(hwnd, &ps);
}

INT_PTR Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    Initialise(hwnd, *reinterpret_cast<Notice*>(lp));
    return FALSE;  // focus was set on Yes
  }
  auto* n = reinterpret_cast<Notice*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!n) return FALSE;
  switch (msg) {
    case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(n->white.get());
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      SetBkColor(dc, kWhite);
      if (reinterpret_cast<HWND>(lp) == n->link) SetTextColor(dc, kLinkBlue);
      return reinterpret_cast<INT_PTR>(n->white.get());
    }
    case WM_PAINT: Paint(hwnd, *n); return TRUE;
    case WM_SETCURSOR:
      if (n->link && reinterpret_cast<HWND>(wp) == n->link) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (id == kLinkId && HIWORD(wp) == STN_CLICKED) {
        const ShellOpenFn& open = n->options->shellOpen;
        OpenReplyAddress(n->info->url, open ? open : ShellOpenFn([](const std::u16string& t) { ShellOpen(t); }));
        return TRUE;
      }
      if (id == IDYES || id == IDNO || id == IDCANCEL) {
        EndDialog(hwnd, id);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY:
      // The box counts whichever way the notice was closed.
      if (n->check) n->holdTicked = SendMessageW(n->check, BM_GETCHECK, 0, 0) == BST_CHECKED;
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK NoticeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    return Handle(hwnd, msg, wp, lp);
  } catch (...) {
    return FALSE;  // nothing may unwind into the dialog manager
  }
}

}  // namespace

bool ShowUpdateNotice(const UpdateInfo& Info, const UpdateDialogOptions& Options) {
  Notice notice;
  notice.info = &Info;
  notice.options = &Options;
  notice.rowOffset = Options.rowOffset.value_or(RowOffset());
  notice.message = UpdateText(UpdateTextKind::Message, Options.language);

  // An empty in-memory template: the controls are made and placed in WM_INITDIALOG.
  alignas(DWORD) WORD tmpl[sizeof(DLGTEMPLATE) / sizeof(WORD) + 3] = {};
  auto* dlg = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  dlg->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dlg, Options.owner, NoticeProc,
                                                 reinterpret_cast<LPARAM>(&notice));
  if (notice.holdTicked) {
    if (Options.hold)
      Options.hold();
    else
      StartHoldCommand();
  }
  return result == IDYES;
}

std::optional<bool> UpdateDialog(const std::u16string& Reply, const UpdateDialogOptions& Options) {
  const auto info = ReadUpdateInfo(Reply);
  if (!info) return std::nullopt;
  return ShowUpdateNotice(*info, Options);
}

UpdateDialogFn MakeUpdateDialog(UpdateDialogOptions Options) {
  return [Options = std::move(Options)](const std::u16string&, const UpdateInfo& Info) {
    return ShowUpdateNotice(Info, Options);
  };
}

bool SendHoldCommand(const std::u16string& Url) {
  std::u16string reply;
  return SendUpdateRequest(Url, HoldCommandHeaders(GetVersionString(u"%d.%d.%d.%d")), reply);
}

void StartHoldCommand() {
  try {
    std::thread([url = ServiceURL()] {
      try {
        SendHoldCommand(url);
      } catch (...) {
        ui::HandleDispatchException(std::current_exception());
      }
    }).detach();
  } catch (...) {
    // No thread: the hold command is dropped, as when the service cannot be reached.
  }
}

}  // namespace swiftlane
