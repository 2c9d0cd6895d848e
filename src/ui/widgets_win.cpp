#include "ui/widgets_win.h"

#include <commctrl.h>
#include <objbase.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "ui/activity_dots.h"
#include "ui/markup.h"
#include "ui/paint_win.h"

namespace swiftlane::ui {
namespace {

constexpr wchar_t kControlClass[] = L"SwiftlaneControl";
std::atomic<DispatchExceptionHandler> g_dispatchHandler{nullptr};

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

ATOM RegisterCustomClass(const wchar_t* name, WNDPROC proc, HCURSOR cursor) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = Instance();
  wc.hCursor = cursor;
  wc.lpszClassName = name;
  return RegisterClassExW(&wc);
}

void FillRectColor(HDC dc, const RECT& r, unsigned rgb) {
  SetDCBrushColor(dc, ToColorRef(rgb));
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// Fills a shape antialiased, clipped to the client area.
void FillShape(HDC dc, const RECT& client, const TContours& contours, bool evenOdd, unsigned rgb) {
  PaintCoverage(dc, RasterizeCoverage(contours, evenOdd, client.right, client.bottom), rgb);
}

}  // namespace

void SetDispatchExceptionHandler(DispatchExceptionHandler handler) { g_dispatchHandler = handler; }

void HandleDispatchException(std::exception_ptr e) {
  if (auto h = g_dispatchHandler.load()) {
    h(e);
    return;
  }
  // Nobody took it: end as any unhandled C++ exception does.
  std::terminate();
}

// ---- TComponent ------------------------------------------------------------------------

TComponent::TComponent(TComponent* owner, Text name) : owner_(owner), name_(std::move(name)) {}

TComponent::~TComponent() { FreeComponents(); }

void TComponent::FreeComponents() {
  while (!owned_.empty()) {
    auto last = std::move(owned_.back());
    owned_.pop_back();
    last.reset();
  }
}

TComponent* TComponent::FindComponent(const Text& name) const {
  for (const auto& c : owned_)
    if (c->Name() == name) return c.get();
  return nullptr;
}

// ---- TControl --------------------------------------------------------------------------

TControl::TControl(TComponent* owner, Text name, TControl* parent, TRect bounds)
    : TComponent(owner, std::move(name)), parent_(parent), bounds_(bounds) {
  if (parent_) parent_->children_.push_back(this);
}

TControl::~TControl() {
  destroying_ = true;
  if (parent_) {
    auto& a = parent_->aligned_;
    a.erase(std::remove(a.begin(), a.end(), this), a.end());
  }
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  if (parent_) {
    auto& v = parent_->children_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
}

void TControl::RegisterClasses() {
  static const bool done = [] {
    RegisterCustomClass(kControlClass, &TControl::WndProc, LoadCursorW(nullptr, IDC_ARROW));
    return true;
  }();
  (void)done;
}

void TControl::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TControl::RaiseAboveSiblings() {
  // A control made later lies above those made before it (the indicator over the start
  // button); Windows itself puts a new child window below its older siblings.
  if (hwnd_ && parent_) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

RECT TControl::ScaledRect() const {
  return RECT{Scale(bounds_.left), Scale(bounds_.top), Scale(bounds_.left + bounds_.width),
              Scale(bounds_.top + bounds_.height)};
}

void TControl::CreateCustom(DWORD style, DWORD exStyle) {
  RegisterClasses();
  const RECT r = ScaledRect();
  CreateWindowExW(exStyle, kControlClass, L"", style | WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0),
                  r.left, r.top, r.right - r.left, r.bottom - r.top, parent_ ? parent_->Handle() : nullptr,
                  nullptr, Instance(), this);
  RaiseAboveSiblings();
}

void TControl::CreateNative(const wchar_t* cls, DWORD style, DWORD exStyle, const Text& text) {
  const RECT r = ScaledRect();
  HWND h = CreateWindowExW(exStyle, cls, win::W(text), style | WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0),
                           r.left, r.top, r.right - r.left, r.bottom - r.top,
                           parent_ ? parent_->Handle() : nullptr, nullptr, Instance(), nullptr);
  if (h) {
    Attach(h);
    RaiseAboveSiblings();
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  }
}

LRESULT CALLBACK TControl::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      if (auto* self = static_cast<TControl*>(cs->lpCreateParams)) self->Attach(hwnd);
    }
    auto* self = reinterpret_cast<TControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (self) self->hwnd_ = nullptr;
      return DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (!self || self->destroying_) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->WindowProc ? self->WindowProc(msg, wp, lp) : self->HandleMessage(msg, wp, lp);
  } catch (...) {
    HandleDispatchException(std::current_exception());
    return 0;
  }
}

LRESULT TControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT client;
      GetClientRect(hwnd_, &client);
      {
        // Paint into a bitmap first so that nothing flickers.
        MemoryDc mem(dc);
        win::unique_gdi bmp(
            CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
        if (mem.get() && bmp) {
          SelectedObject selectBmp(mem.get(), bmp.get());
          PaintTo(mem.get());
          BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
        }
      }
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_COMMAND:
      if (lp) {
        auto* child = reinterpret_cast<TControl*>(GetWindowLongPtrW(reinterpret_cast<HWND>(lp), GWLP_USERDATA));
        if (child && child->parent_ == this) child->HandleCommand(HIWORD(wp));
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      SetBkColor(dc, ToColorRef(Color()));
      SetTextColor(dc, ToColorRef(FontColor()));
      SetDCBrushColor(dc, ToColorRef(Color()));
      return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
    }
    case WM_LBUTTONUP:
      if (OnClick && enabled_) {
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        RECT client;
        GetClientRect(hwnd_, &client);
        if (PtInRect(&client, pt)) Click();
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void TControl::Paint(HDC, const RECT&) {}

void TControl::PaintTo(HDC dc) {
  RECT client{0, 0, Scale(bounds_.width), Scale(bounds_.height)};
  if (hwnd_) GetClientRect(hwnd_, &client);
  SelectedObject font(dc, Font());
  FillBackground(dc, client);
  Paint(dc, client);
}

win::unique_gdi TControl::MakeFont(bool bold) const {
  const TFontSpec& f = FontSpec();
  return win::unique_gdi(CreateFontW(-MulDiv(f.height, Dpi(), 96), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                     f.antialiased ? ANTIALIASED_QUALITY : CLEARTYPE_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, win::W(f.face)));
}

void TControl::FillBackground(HDC dc, const RECT& r) const { FillRectColor(dc, r, Color()); }

void TControl::SetAlign(TAlign a, bool first) {
  align_ = a;
  if (!parent_) return;
  auto& v = parent_->aligned_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  if (a != TAlign::None) v.insert(first ? v.begin() : v.end(), this);
  parent_->AlignControls();
}

void TControl::AlignControls() {
  int top = 0;
  for (TControl* c : aligned_)
    if (c->align_ == TAlign::Top && c->visible_) {
      c->SetBounds(TRect{0, top, bounds_.width, c->bounds_.height});
      top += c->bounds_.height;
    }
  for (TControl* c : aligned_)
    if (c->align_ == TAlign::Client) c->SetBounds(TRect{0, top, bounds_.width, std::max(0, bounds_.height - top)});
}

unsigned TControl::Color() const {
  if (hasColor_ || !parent_) return color_;
  return parent_->Color();
}

void TControl::SetBounds(const TRect& r) {
  const bool resized = r.width != bounds_.width || r.height != bounds_.height;
  bounds_ = r;
  if (hwnd_ && parent_) {
    const RECT s = ScaledRect();
    SetWindowPos(hwnd_, nullptr, s.left, s.top, s.right - s.left, s.bottom - s.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (resized) AlignControls();
}

void TControl::SetVisible(bool v) {
  const bool changed = visible_ != v;
  visible_ = v;
  if (hwnd_) ShowWindow(hwnd_, v ? SW_SHOWNA : SW_HIDE);
  if (changed && align_ == TAlign::Top && parent_) parent_->AlignControls();
}

void TControl::SetEnabled(bool e) {
  enabled_ = e;
  if (hwnd_) EnableWindow(hwnd_, e);
  Invalidate();
}

void TControl::SetFont(const TFontSpec& f) {
  font_ = f;
  hasFont_ = true;
  FontChanged();
}

void TControl::SetParentFont() {
  hasFont_ = false;
  FontChanged();
}

const TFontSpec& TControl::FontSpec() const {
  if (hasFont_ || !parent_) return font_;
  return parent_->FontSpec();
}

HFONT TControl::Font() const {
  if (!hasFont_ && parent_) return parent_->Font();
  const int dpi = Dpi();
  if (!hfont_ || hfontDpi_ != dpi) {
    hfont_ = MakeFont(font_.bold);
    hfontDpi_ = dpi;
  }
  return static_cast<HFONT>(hfont_.get());
}

void TControl::FontChanged() {
  if (hwnd_) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd_, cls, 32);
    if (lstrcmpiW(cls, kControlClass) != 0) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), TRUE);
    Invalidate();
  }
  for (TControl* c : children_)
    if (!c->hasFont_) c->FontChanged();
}

int TControl::Dpi() const { return parent_ ? parent_->Dpi() : dpi_; }

void TControl::Invalidate() const {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void TControl::Click() {
  if (OnClick) OnClick(*this);
}

void TControl::UpdateMetrics() {
  SetBounds(bounds_);
  hfont_.reset();
  FontChanged();
  for (TControl* c : children_) c->UpdateMetrics();
}

std::vector<TControl*> TControl::ChildControls() const { return children_; }

// ---- TForm -----------------------------------------------------------------------------

TForm::TForm(TComponent* owner, Text name, const wchar_t* windowClass, int clientWidth, int clientHeight)
    : TControl(owner, std::move(name), nullptr, TRect{0, 0, clientWidth, clientHeight}),
      clientWidth_(clientWidth),
      clientHeight_(clientHeight) {
  CreateForm(windowClass);
}

TForm::~TForm() {
  // Windows first (children see their objects alive), then the components.
  destroying_ = true;
  if (hwnd_) {
    HWND h = hwnd_;
    DestroyWindow(h);
  }
  FreeComponents();
}

void TForm::CreateForm(const wchar_t* windowClass) {
  // Each form class is registered on its first use; registering it again fails harmlessly.
  RegisterCustomClass(windowClass, &TControl::WndProc, LoadCursorW(nullptr, IDC_ARROW));
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  CreateWindowExW(WS_EX_APPWINDOW, windowClass, L"", style, CW_USEDEFAULT, CW_USEDEFAULT, clientWidth_,
                  clientHeight_, nullptr, nullptr, Instance(), this);
  // The monitor's DPI at creation; WM_DPICHANGED brings every later one.
  if (hwnd_) {
    const UINT dpi = GetDpiForWindow(hwnd_);
    dpi_ = dpi ? static_cast<int>(dpi) : 96;
  }
  Relayout();
}

Text TForm::Caption() const {
  if (!hwnd_) return {};
  const int n = GetWindowTextLengthW(hwnd_);
  std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd_, buf.data(), n + 1);
  return win::U(buf.c_str(), static_cast<size_t>(std::max(got, 0)));
}

void TForm::SetCaption(const Text& c) {
  if (hwnd_) SetWindowTextW(hwnd_, win::W(c));
}

void TForm::Relayout() {
  if (!hwnd_) return;
  // The client area is fixed; the outer size follows the frame at this DPI.
  const UINT dpi = static_cast<UINT>(Dpi());
  RECT r{0, 0, MulDiv(clientWidth_, static_cast<int>(dpi), 96), MulDiv(clientHeight_, static_cast<int>(dpi), 96)};
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  AdjustWindowRectExForDpi(&r, style, FALSE, ex, dpi);
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame actually drawn may differ from the estimate (Wine draws it at the system's
  // DPI): correct the outer size by what the client area came out as.
  RECT wr{}, cr{};
  GetWindowRect(hwnd_, &wr);
  GetClientRect(hwnd_, &cr);
  const int wantW = MulDiv(clientWidth_, static_cast<int>(dpi), 96), wantH = MulDiv(clientHeight_, static_cast<int>(dpi), 96);
  if (cr.right != wantW || cr.bottom != wantH)
    SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left + wantW - cr.right, wr.bottom - wr.top + wantH - cr.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Show() {
  if (!hwnd_) return;
  if (!shown_) {
    // Centred on the screen at first show.
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const int x = mi.rcWork.left + (mi.rcWork.right - mi.rcWork.left - w) / 2;
    const int y = mi.rcWork.top + (mi.rcWork.bottom - mi.rcWork.top - h) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    shown_ = true;
  }
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
}

void TForm::Close() {
  if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void TForm::UpdateMetrics() {
  Relayout();
  hfont_.reset();
  FontChanged();
  for (TControl* c : ChildControls()) c->UpdateMetrics();
}

LRESULT TForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      if (OnDestroy) OnDestroy();
      return 0;
    case WM_DPICHANGED: {
      // The new DPI comes with the message. The window takes the suggested rectangle; as the
      // client area is fixed, its size is then made exact for the new frame.
      const int dpi = LOWORD(wp);
      if (dpi > 0) dpi_ = dpi;
      const RECT* s = reinterpret_cast<const RECT*>(lp);
      if (s)
        SetWindowPos(hwnd_, nullptr, s->left, s->top, s->right - s->left, s->bottom - s->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      UpdateMetrics();
      RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return 0;
    }
    case WM_SIZE:
      return 0;
    default:
      break;
  }
  return TControl::HandleMessage(msg, wp, lp);
}

// ---- Simple kinds ------------------------------------------------------------------------

TPanel::TPanel(TComponent* owner, Text name, TControl* parent, TRect bounds)
    : TControl(owner, std::move(name), parent, bounds) {
  CreateCustom(WS_CLIPCHILDREN);
}

void TCardPanel::SetActiveCardIndex(int index) {
  active_ = index;
  for (TControl* c : ChildControls())
    if (auto* card = dynamic_cast<TCard*>(c)) card->SetVisible(card->CardIndex() == index);
}

TLabel::TLabel(TComponent* owner, Text name, TControl* parent, TRect bounds, Text caption, Align align)
    : TControl(owner, std::move(name), parent, bounds), caption_(std::move(caption)), align_(align) {
  CreateCustom(0);
}

void TLabel::SetCaption(const Text& c) {
  caption_ = c;
  Invalidate();
}

void TLabel::Paint(HDC dc, const RECT& client) {
  RECT r = client;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(FontColor()));
  UINT fmt = DT_NOPREFIX | DT_SINGLELINE | DT_TOP;
  fmt |= align_ == Align::Center ? DT_CENTER : DT_LEFT;
  DrawTextW(dc, win::W(caption_), static_cast<int>(caption_.size()), &r, fmt);
}

TGroupBox::TGroupBox(TComponent* owner, Text name, TControl* parent, TRect bounds, Text caption)
    : TControl(owner, std::move(name), parent, bounds), caption_(std::move(caption)) {
  CreateCustom(WS_CLIPCHILDREN);
}

void TGroupBox::SetCaption(const Text& c) {
  caption_ = c;
  Invalidate();
}

void TGroupBox::Paint(HDC dc, const RECT& client) {
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const int mid = tm.tmHeight / 2;
  RECT frame{client.left, client.top + mid, client.right, client.bottom};
  SetDCPenColor(dc, RGB(0xDC, 0xDC, 0xDC));
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  // The caption interrupts the top line.
  SIZE sz{};
  GetTextExtentPoint32W(dc, win::W(caption_), static_cast<int>(caption_.size()), &sz);
  const int x = Scale(8);
  RECT textBg{x - 2, client.top, x + sz.cx + 2, client.top + tm.tmHeight};
  FillBackground(dc, textBg);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(FontColor()));
  TextOutW(dc, x, client.top, win::W(caption_), static_cast<int>(caption_.size()));
}

TCheckBox::TCheckBox(TComponent* owner, Text name, TControl* parent, TRect bounds, Text caption)
    : TControl(owner, std::move(name), parent, bounds) {
  CreateNative(L"BUTTON", BS_AUTOCHECKBOX, 0, caption);
}

Text TCheckBox::Caption() const {
  if (!hwnd_) return {};
  wchar_t buf[512] = {};
  const int n = GetWindowTextW(hwnd_, buf, 512);
  return win::U(buf, static_cast<size_t>(std::max(n, 0)));
}

void TCheckBox::SetCaption(const Text& c) {
  if (hwnd_) SetWindowTextW(hwnd_, win::W(c));
}

void TCheckBox::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  Click();
}

void TCheckBox::HandleCommand(WORD code) {
  if (code != BN_CLICKED) return;
  // The native box has toggled itself already.
  checked_ = SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  Click();
}

// ---- Styled buttons ----------------------------------------------------------------------

TStyledButton::TStyledButton(TComponent* owner, Text name, TControl* parent, TRect bounds, Text caption)
    : TControl(owner, std::move(name), parent, bounds), caption_(std::move(caption)) {
  CreateCustom(0);
}

void TStyledButton::SetCaption(const Text& c) {
  caption_ = c;
  Invalidate();
}

void TStyledButton::SetDown(bool down) {
  if (down && group_ != 0 && Parent()) {
    for (TControl* c : Parent()->ChildControls()) {
      auto* b = dynamic_cast<TStyledButton*>(c);
      if (b && b != this && b->group_ == group_ && b->down_) {
        b->down_ = false;
        b->Invalidate();
      }
    }
  }
  down_ = down;
  Invalidate();
}

LRESULT TStyledButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      pressed_ = true;
      SetCapture(hwnd_);
      Invalidate();
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = pressed_;
      pressed_ = false;
      if (GetCapture() == hwnd_) ReleaseCapture();
      Invalidate();
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      RECT client;
      GetClientRect(hwnd_, &client);
      if (wasPressed && Enabled() && PtInRect(&client, pt)) Click();
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressed_ = false;
      Invalidate();
      return 0;
    case WM_MOUSEMOVE:
      if (!hot_) {
        // Ask for WM_MOUSELEAVE, so that the hot look ends with the mouse leaving.
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd_, 0};
        hot_ = TrackMouseEvent(&tme) != FALSE;
        Invalidate();
      }
      return 0;
    case WM_MOUSELEAVE:
      hot_ = false;
      Invalidate();
      return 0;
    default:
      return TControl::HandleMessage(msg, wp, lp);
  }
}

void TStyledButton::SetStyle(const Text& family, const Text& appearance) {
  family_ = family;
  appearance_ = appearance;
  Invalidate();
}

TButtonState TStyledButton::State() const {
  const bool focused = hwnd_ && GetFocus() == hwnd_;
  return ChooseButtonState(Enabled(), pressed_ || down_, focused, hot_);
}

void TStyledButton::Paint(HDC dc, const RECT& client) {
  const TButtonState state = State();
  TStyledButtonAttributes a;
  if (auto family = FindButtonFamily(family_)) a = StyleFor(*family, appearance_, state);
  const bool flatNow = flat_ && state == TButtonState::Normal;
  const double w = client.right - client.left, h = client.bottom - client.top;
  const double radius = Scale(radius_);
  if (a.ButtonDrawStyle == TButtonDrawStyle::btnSolid && !flatNow)
    FillShape(dc, client, {RoundRectContour(0, 0, w, h, radius)}, false, a.ButtonColor);
  if (a.BorderDrawStyle == TBorderDrawStyle::brdSolid && !flatNow) {
    // The line lies inside the button: its outer edge is the button's edge.
    const double line = Scale(std::max(1, a.BorderWidth));
    FillShape(dc, client,
              {RoundRectContour(0, 0, w, h, radius),
               RoundRectContour(line, line, w - 2 * line, h - 2 * line, std::max(0.0, radius - line))},
              true, a.BorderColor);
  }
  win::unique_gdi bold;
  if (a.FontBold) bold = MakeFont(true);
  SelectedObject font(dc, bold.get());
  RECT r = client;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(a.FontColor));
  DrawTextW(dc, win::W(caption_), static_cast<int>(caption_.size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

TStyledToolbar::TStyledToolbar(TComponent* owner, Text name, TControl* parent, TRect bounds, int buttonWidth,
                               int buttonHeight, int indent)
    : TControl(owner, std::move(name), parent, bounds),
      buttonWidth_(buttonWidth),
      buttonHeight_(buttonHeight),
      indent_(indent) {
  CreateCustom(WS_CLIPCHILDREN);
}

TStyledToolButton& TStyledToolbar::AddButton(TComponent* owner, Text name, Text caption) {
  auto& b = owner->Add<TStyledToolButton>(std::move(name), this, std::move(caption));
  b.SetCornerRadius(radius_);
  b.SetStyle(family_, appearance_);
  buttons_.push_back(&b);
  Arrange();
  return b;
}

void TStyledToolbar::SetButtonStyle(const Text& family, const Text& appearance, int radius) {
  family_ = family;
  appearance_ = appearance;
  radius_ = radius;
  for (TStyledToolButton* b : buttons_) {
    b->SetStyle(family, appearance);
    b->SetCornerRadius(radius);
  }
}

void TStyledToolbar::Arrange() {
  int x = indent_;
  for (TStyledToolButton* b : buttons_) {
    if (!b->Visible()) continue;
    b->SetBounds(TRect{x, 0, buttonWidth_, buttonHeight_});
    x += buttonWidth_;
  }
}

// ---- Activity indicator ----------------------------------------------------------------

TActivityIndicator::TActivityIndicator(TComponent* owner, Text name, TControl* parent, TRect bounds,
                                       unsigned frameMs)
    : TControl(owner, std::move(name), parent, bounds), frameMs_(frameMs) {
  CreateCustom(0);
}

void TActivityIndicator::SetAnimate(bool on) {
  animate_ = on;
  UpdateTimer();
}

void TActivityIndicator::UpdateTimer() {
  // No timer runs while the indicator is hidden or still.
  const bool want = animate_ && Visible() && hwnd_;
  if (want && !timerOn_) {
    SetTimer(hwnd_, 1, frameMs_, nullptr);
    timerOn_ = true;
  } else if (!want && timerOn_) {
    KillTimer(hwnd_, 1);
    timerOn_ = false;
  }
}

LRESULT TActivityIndicator::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      frame_ = (frame_ + 1) % 1000;
      Invalidate();
      return 0;
    case WM_SHOWWINDOW:
      // The timer follows visibility; the new state is in wp.
      if (!wp && timerOn_) {
        KillTimer(hwnd_, 1);
        timerOn_ = false;
      }
      break;
    default:
      break;
  }
  LRESULT r = TControl::HandleMessage(msg, wp, lp);
  if (msg == WM_SHOWWINDOW && wp) {
    if (animate_ && !timerOn_) {
      SetTimer(hwnd_, 1, frameMs_, nullptr);
      timerOn_ = true;
    }
  }
  return r;
}

void TActivityIndicator::Paint(HDC dc, const RECT& client) {
  // Dots of 4 pixels on a circle that keeps them 2 pixels inside the 32-pixel square.
  const double w = client.right - client.left, h = client.bottom - client.top;
  const double dot = Scale(4);
  const double radius = std::min(w, h) / 2 - Scale(2) - dot / 2;
  constexpr double kDegree = 3.14159265358979323846 / 180.0;
  TContours dots;
  for (double angle : MomentumDotAngles(frame_))
    dots.push_back(EllipseContour(w / 2 + radius * std::sin(angle * kDegree), h / 2 - radius * std::cos(angle * kDegree),
                                  dot / 2, dot / 2));
  FillShape(dc, client, dots, false, dotColor_);
}

TShape::TShape(TComponent* owner, Text name, TControl* parent, TRect bounds)
    : TControl(owner, std::move(name), parent, bounds) {
  CreateCustom(0);
}

void TShape::SetColors(unsigned fill, unsigned outline) {
  fill_ = fill;
  outline_ = outline;
  Invalidate();
}

void TShape::Paint(HDC dc, const RECT& client) {
  FillRectColor(dc, client, outline_);
  RECT inner{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
  if (inner.right > inner.left && inner.bottom > inner.top) FillRectColor(dc, inner, fill_);
}

// ---- Mark-up label and image -----------------------------------------------------------

TMarkupLabel::TMarkupLabel(TComponent* owner, Text name, TControl* parent, TRect bounds)
    : TControl(owner, std::move(name), parent, bounds) {
  CreateCustom(0);
}

void TMarkupLabel::SetMarkupText(const Text& t) {
  text_ = t;
  Invalidate();
}

void TMarkupLabel::Paint(HDC dc, const RECT& client) {
  // The regular font is selected already; bold runs switch to a bold one of the same face.
  win::unique_gdi bold = MakeFont(true);
  HFONT regular = Font();
  // Puts the regular font back on every path, before the bold one is deleted.
  SelectedObject keep(dc, regular);
  const auto select = [&](bool b) { SelectObject(dc, b && bold ? bold.get() : regular); };
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const TMeasureText measure = [&](std::u16string_view text, bool b) {
    select(b);
    SIZE sz{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), &sz);
    return static_cast<int>(sz.cx);
  };
  const auto lines = LayoutMarkup(ParseMarkup(text_), client.right - client.left, client.bottom - client.top,
                                  tm.tmHeight, measure);
  SetBkMode(dc, TRANSPARENT);
  for (const TLaidLine& line : lines) {
    for (const TLaidFragment& f : line.fragments) {
      select(f.bold);
      SetTextColor(dc, ToColorRef(f.colour ? *f.colour : FontColor()));
      TextOutW(dc, client.left + f.x, client.top + line.y, win::W(f.text), static_cast<int>(f.text.size()));
    }
  }
}

TImage::TImage(TComponent* owner, Text name, TControl* parent, TRect bounds)
    : TControl(owner, std::move(name), parent, bounds) {
  CreateCustom(0);
}

void TImage::SetPicture(std::optional<TSvgDocument> picture) {
  picture_ = std::move(picture);
  Invalidate();
}

void TImage::Paint(HDC dc, const RECT& client) {
  if (!picture_) return;
  const TFitTransform fit =
      FitViewBox(*picture_, client.left, client.top, client.right - client.left, client.bottom - client.top);
  for (const TSvgShape& shape : picture_->shapes) {
    TContours contours;
    for (const auto& contour : shape.contours) {
      auto& out = contours.emplace_back();
      for (const TPointF& p : contour) out.push_back(fit.Apply(p));
    }
    FillShape(dc, client, contours, shape.evenOdd, shape.fill);
  }
}

LRESULT TImage::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETCURSOR && LOWORD(lp) == HTCLIENT) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
  }
  return TControl::HandleMessage(msg, wp, lp);
}

// ---- Application -------------------------------------------------------------------------

TApplication& Application() {
  // Lives to the end of the process; never destroyed under a running thread.
  static TApplication* app = new TApplication();
  return *app;
}

void TApplication::Initialize() {
  if (!comInitialized_) comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
}

TApplication::~TApplication() {
  if (comInitialized_) CoUninitialize();
}

void TApplication::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace swiftlane::ui
