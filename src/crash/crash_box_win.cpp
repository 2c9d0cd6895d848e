#include "crash/crash_box_win.h"

#include <algorithm>

#include "system/win_handles_win.h"

namespace swiftlane::crash {

using win::W;

namespace {

constexpr wchar_t kClassName[] = L"SwiftlaneCrashBox";

struct TBoxState {
  bool closable = false;
  bool done = false;
};

LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  auto* state = reinterpret_cast<TBoxState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      break;
    case WM_COMMAND:
      if (state && state->closable && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) state->done = true;
      return 0;
    case WM_CLOSE:
      // Closing the window is the same as the button; the please-wait box cannot be closed.
      if (state && state->closable) state->done = true;
      return 0;
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterBoxClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &wc)) return true;
  wc.lpfnWndProc = BoxProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kClassName;
  return RegisterClassExW(&wc) != 0;
}

struct TBoxWindow {
  win::unique_gdi font;
  HWND hwnd = nullptr;
  ~TBoxWindow() {
    if (hwnd) DestroyWindow(hwnd);
  }
};

// Builds the box: icon, wrapped text, and the Close button when there is one.
bool CreateBox(TBoxWindow& box, TBoxState& state, const std::u16string& title, const std::u16string& text,
               bool withButton) {
  if (!RegisterBoxClass()) return false;
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof(ncm);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
  box.font.reset(CreateFontIndirectW(&ncm.lfMessageFont));
  HFONT font = static_cast<HFONT>(box.font ? box.font.get() : GetStockObject(DEFAULT_GUI_FONT));

  const int margin = 16, iconSize = GetSystemMetrics(SM_CXICON), gap = 12, buttonW = 88, buttonH = 26;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int chrome = (frame.right - frame.left) + 2 * margin + iconSize + gap;
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);

  RECT textRect{0, 0, MessageWrapWidth(screenW, chrome), 0};
  if (HDC dc = GetDC(nullptr)) {
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextW(dc, W(text), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  const int textW = std::max<int>(textRect.right, withButton ? buttonW : 0);
  const int textH = std::max<int>(textRect.bottom, iconSize);
  const int clientW = std::max(margin * 2 + iconSize + gap + textW, withButton ? buttonW + 2 * margin : 0);
  const int clientH = margin + textH + margin + (withButton ? buttonH + margin : 0);
  RECT r{0, 0, clientW, clientH};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  const int w = r.right - r.left, h = r.bottom - r.top;

  box.hwnd = CreateWindowExW(exStyle, kClassName, W(title), style, (screenW - w) / 2, (screenH - h) / 2, w, h, nullptr,
                             nullptr, GetModuleHandleW(nullptr), &state);
  if (!box.hwnd) return false;
  HWND icon = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, margin, margin, iconSize, iconSize,
                              box.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (icon) SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, withButton ? IDI_ERROR : IDI_INFORMATION)), 0);
  int textTop = margin + (textH - textRect.bottom) / 2;
  HWND label = CreateWindowExW(0, L"STATIC", W(text), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL,
                               margin + iconSize + gap, textTop, textRect.right, textRect.bottom, box.hwnd, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (label) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (withButton) {
    HWND button = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                  (clientW - buttonW) / 2, clientH - margin - buttonH, buttonW, buttonH, box.hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), GetModuleHandleW(nullptr), nullptr);
    if (button) {
      SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      SetWindowTextW(button, L"Close");
    }
  }
  ShowWindow(box.hwnd, SW_SHOWNORMAL);
  SetForegroundWindow(box.hwnd);
  if (withButton) SetFocus(GetDlgItem(box.hwnd, IDOK));
  UpdateWindow(box.hwnd);
  return true;
}

void Pump(HWND hwnd) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;  // the box ends only by its button
    if (!hwnd || !IsDialogMessageW(hwnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace

int MessageWrapWidth(int screenWidth, int chrome) { return std::max(100, screenWidth * 2 / 3 - chrome); }

void ShowErrorBox(const std::u16string& title, const std::u16string& message) {
  TBoxState state;
  state.closable = true;
  TBoxWindow box;
  if (!CreateBox(box, state, title, message, true)) {
    // Without our own box the system's still offers the one way out.
    MessageBoxW(nullptr, W(message), W(title), MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
    return;
  }
  while (!state.done) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    Pump(box.hwnd);
  }
}

void WaitWithPleaseWaitBox(HANDLE done, const std::u16string& title, const std::u16string& text) {
  TBoxState state;
  TBoxWindow box;
  CreateBox(box, state, title, text, false);
  while (MsgWaitForMultipleObjects(1, &done, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) Pump(box.hwnd);
}

}  // namespace swiftlane::crash
