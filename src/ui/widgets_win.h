// Our small widget layer: components with an owner, a name and an optional caption, and
// the window kinds the main window is made of. Native controls where Windows has them
// (check boxes), our own painting elsewhere. Positions and sizes are pixels at 96 DPI;
// each control scales them to its window's DPI.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "system/win_handles_win.h"
#include "ui/button_style.h"
#include "ui/form_translate.h"
#include "ui/svg.h"

namespace swiftlane::ui {

using Text = std::u16string;

struct TRect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct TFontSpec {
  Text face;
  int height = 12;  // character height in pixels at 96 DPI
  bool bold = false;
  bool antialiased = false;
};

// Colours as 0xRRGGBB.
constexpr unsigned kWhite = 0xFFFFFF;
constexpr unsigned kBlack = 0x000000;
constexpr unsigned kAccent = 0x3D84DD;
inline COLORREF ToColorRef(unsigned rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

class TComponent;
using TNotifyEvent = std::function<void(TComponent& Sender)>;

// Exceptions that leave an event handler are caught at our dispatch boundary (they must not
// unwind through the system's frames) and handed here; the crash reporter installs itself.
using DispatchExceptionHandler = void (*)(std::exception_ptr);
void SetDispatchExceptionHandler(DispatchExceptionHandler handler);
void HandleDispatchException(std::exception_ptr e);

// Form translation walks components through ITranslatableComponent, by ownership.
class TComponent : public ITranslatableComponent {
 public:
  TComponent(TComponent* owner, Text name);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const Text& Name() const { return name_; }
  TComponent* Owner() const { return owner_; }
  // The components this one owns, in the order they were created.
  const std::vector<std::unique_ptr<TComponent>>& Components() const { return owned_; }
  TComponent* FindComponent(const Text& name) const;

  bool HasCaption() const override { return false; }
  Text Caption() const override { return {}; }
  void SetCaption(const Text&) override {}
  size_t OwnedCount() const override { return owned_.size(); }
  ITranslatableComponent* Owned(size_t i) override { return owned_[i].get(); }

  // Creates a component owned by this one.
  template <typename T, typename... Args>
  T& Add(Args&&... args) {
    auto p = std::make_unique<T>(this, std::forward<Args>(args)...);
    T& r = *p;
    owned_.push_back(std::move(p));
    return r;
  }

 protected:
  // Destroys owned components, newest first.
  void FreeComponents();

 private:
  TComponent* owner_;
  Text name_;
  std::vector<std::unique_ptr<TComponent>> owned_;
};

// How a control follows its parent's client area: as placed, along the top edge (full
// width, in order), or filling what the top-aligned controls leave.
enum class TAlign { None, Top, Client };

// A window's message handler; a hook keeps the one it replaces and passes messages on.
using TWndMethod = std::function<LRESULT(UINT msg, WPARAM wp, LPARAM lp)>;

class TControl : public TComponent {
 public:
  TControl(TComponent* owner, Text name, TControl* parent, TRect bounds);
  ~TControl() override;

  HWND Handle() const { return hwnd_; }
  TControl* Parent() const { return parent_; }
  const TRect& Bounds() const { return bounds_; }
  void SetBounds(const TRect& r);

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);

  TAlign Align() const { return align_; }
  // Top-aligned controls stack in order; a control put first goes above the others.
  void SetAlign(TAlign a, bool first = false);
  // Re-places the aligned children in the client area.
  void AlignControls();
  int ClientWidth() const { return bounds_.width; }
  int ClientHeight() const { return bounds_.height; }

  // The message handler our window procedure calls; empty means HandleMessage.
  TWndMethod WindowProc;

  unsigned Color() const;  // background, the parent's unless set
  void SetColor(unsigned rgb) { color_ = rgb; hasColor_ = true; Invalidate(); }
  unsigned FontColor() const { return fontColor_; }
  void SetFontColor(unsigned rgb) { fontColor_ = rgb; Invalidate(); }
  // A control without a font of its own uses its parent's.
  void SetFont(const TFontSpec& f);
  void SetParentFont();
  bool HasOwnFont() const { return hasFont_; }
  const TFontSpec& FontSpec() const;
  HFONT Font() const;

  // The DPI of the form the control sits on: every position, size, font and line scales
  // with it.
  int Dpi() const;
  int Scale(int v) const { return MulDiv(v, Dpi(), 96); }
  // A font of the same face and height as the control's, at its DPI, bold or not; the
  // caller owns it.
  win::unique_gdi MakeFont(bool bold) const;
  // Paints the control's background and face into dc, a surface of the client's size.
  void PaintTo(HDC dc);

  void Invalidate() const;
  // Runs OnClick as a user's click does.
  virtual void Click();
  TNotifyEvent OnClick;

  // Window procedure of our own classes; the default paints the background.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  // WM_COMMAND notifications of native children arrive here.
  virtual void HandleCommand(WORD) {}
  // Re-applies position and font after a DPI change.
  virtual void UpdateMetrics();
  std::vector<TControl*> ChildControls() const;

 protected:
  void CreateCustom(DWORD style, DWORD exStyle = 0);
  void CreateNative(const wchar_t* cls, DWORD style, DWORD exStyle, const Text& text);
  virtual void Paint(HDC dc, const RECT& client);
  void FillBackground(HDC dc, const RECT& r) const;
  RECT ScaledRect() const;
  // The custom class's window procedure with the dispatch boundary.
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static void RegisterClasses();
  void Attach(HWND hwnd);
  void RaiseAboveSiblings();

  HWND hwnd_ = nullptr;
  bool destroying_ = false;
  int dpi_ = 96;  // a form's own; controls ask their parent

 private:
  void FontChanged();

  TControl* parent_;
  TRect bounds_;
  TAlign align_ = TAlign::None;
  std::vector<TControl*> aligned_;  // aligned children, top ones in stacking order
  bool visible_ = true;
  bool enabled_ = true;
  bool hasColor_ = false;
  unsigned color_ = kWhite;
  unsigned fontColor_ = kBlack;
  bool hasFont_ = false;
  TFontSpec font_;
  mutable win::unique_gdi hfont_;
  mutable int hfontDpi_ = 0;
  std::vector<TControl*> children_;
  friend class TForm;
};

class TForm : public TControl {
 public:
  // A top-level window with a fixed client area (pixels at 96 DPI).
  TForm(TComponent* owner, Text name, const wchar_t* windowClass, int clientWidth, int clientHeight);
  ~TForm() override;

  bool IsForm() const override { return true; }
  bool HasCaption() const override { return true; }
  Text Caption() const override;
  void SetCaption(const Text& c) override;

  void Show();
  void Close();
  // Called once the window is destroyed (the main form then ends the message loop).
  std::function<void()> OnDestroy;

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void UpdateMetrics() override;

 protected:
  void CreateForm(const wchar_t* windowClass);

 private:
  void Relayout();
  int clientWidth_, clientHeight_;
  bool shown_ = false;
};

class TPanel : public TControl {
 public:
  TPanel(TComponent* owner, Text name, TControl* parent, TRect bounds);
};

class TCard : public TPanel {
 public:
  TCard(TComponent* owner, Text name, TControl* parent, TRect bounds, int index)
      : TPanel(owner, std::move(name), parent, bounds), index_(index) {}
  int CardIndex() const { return index_; }

 private:
  int index_;
};

// Shows one of its cards at a time.
class TCardPanel : public TPanel {
 public:
  using TPanel::TPanel;
  void SetActiveCardIndex(int index);
  int ActiveCardIndex() const { return active_; }

 private:
  int active_ = 0;
};

class TLabel : public TControl {
 public:
  enum class Align { Left, Center };
  TLabel(TComponent* owner, Text name, TControl* parent, TRect bounds, Text caption, Align align = Align::Left);
  bool HasCaption() const override { return true; }
  Text Caption() const override { return caption_; }
  void SetCaption(const Text& c) override;

 protected:
  void Paint(HDC dc, const RECT& client) override;

 private:
  Text caption_;
  Align align_;
};

class TGroupBox : public TControl {
 public:
  TGroupBox(TComponent* owner, Text name, TControl* parent, TRect bounds, Text caption);
  bool HasCaption() const override { return true; }
  Text Caption() const override { return caption_; }
  void SetCaption(const Text& c) override;

 protected:
  void Paint(HDC dc, const RECT& client) override;

 private:
  Text caption_;
};

// A native check box. Setting the state from code runs OnClick when the state changes,
// as a user's click does.
class TCheckBox : public TControl {
 public:
  TCheckBox(TComponent* owner, Text name, TControl* parent, TRect bounds, Text caption);
  bool HasCaption() const override { return true; }
  Text Caption() const override;
  void SetCaption(const Text& c) override;
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  void HandleCommand(WORD code) override;

 private:
  // Kept here as well as in the native control, so the state never depends on a window.
  bool checked_ = false;
};

// Push and tool buttons that paint themselves and can stay down. Setting one down
// releases any other button of the same parent and group that is down.
class TStyledButton : public TControl {
 public:
  TStyledButton(TComponent* owner, Text name, TControl* parent, TRect bounds, Text caption);
  bool HasCaption() const override { return true; }
  Text Caption() const override { return caption_; }
  void SetCaption(const Text& c) override;
  bool Down() const { return down_; }
  void SetDown(bool down);
  int GroupIndex() const { return group_; }
  void SetGroupIndex(int g) { group_ = g; }
  void SetCornerRadius(int r) { radius_ = r; Invalidate(); }
  int CornerRadius() const { return radius_; }
  // The style family and appearance the button takes its colours from ("Tarnwick",
  // "Outline"); a family that is not registered paints with the plain attributes.
  void SetStyle(const Text& family, const Text& appearance);
  // The state it paints in now: pressed while held down with the mouse or down, hot while
  // the mouse is over it.
  TButtonState State() const;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void Paint(HDC dc, const RECT& client) override;
  // Toolbar buttons are flat: in the normal state they show their text only.
  bool flat_ = false;

 private:
  Text caption_;
  Text family_, appearance_;
  bool down_ = false;
  bool pressed_ = false;
  bool hot_ = false;
  int group_ = 0;
  int radius_ = 6;
};

class TStyledToolButton : public TStyledButton {
 public:
  TStyledToolButton(TComponent* owner, Text name, TControl* parent, Text caption)
      : TStyledButton(owner, std::move(name), parent, TRect{0, 0, 70, 30}, std::move(caption)) {
    flat_ = true;
  }
};

// Lays its visible tool buttons out from the left, one after the other.
class TStyledToolbar : public TControl {
 public:
  TStyledToolbar(TComponent* owner, Text name, TControl* parent, TRect bounds, int buttonWidth,
                 int buttonHeight, int indent);
  TStyledToolButton& AddButton(TComponent* owner, Text name, Text caption);
  void Arrange();
  // Family, appearance and corner radius of every button, those added later included.
  void SetButtonStyle(const Text& family, const Text& appearance, int radius);

 private:
  std::vector<TStyledToolButton*> buttons_;
  Text family_, appearance_;
  int radius_ = 4;
  int buttonWidth_, buttonHeight_, indent_;
};

// Momentum dots shown while work is under way; its timer runs only while animating.
class TActivityIndicator : public TControl {
 public:
  TActivityIndicator(TComponent* owner, Text name, TControl* parent, TRect bounds, unsigned frameMs);
  bool Animate() const { return animate_; }
  void SetAnimate(bool on);
  int Frame() const { return frame_; }
  bool TimerRunning() const { return timerOn_; }
  void SetDotColor(unsigned rgb) { dotColor_ = rgb; Invalidate(); }
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 protected:
  void Paint(HDC dc, const RECT& client) override;

 private:
  void UpdateTimer();
  unsigned frameMs_;
  bool animate_ = false;
  bool timerOn_ = false;
  int frame_ = 0;
  unsigned dotColor_ = kBlack;
};

// A label whose text carries mark-up (centring, colour, bold), wrapped at its width and
// centred vertically in its height.
class TMarkupLabel : public TControl {
 public:
  TMarkupLabel(TComponent* owner, Text name, TControl* parent, TRect bounds);
  const Text& MarkupText() const { return text_; }
  void SetMarkupText(const Text& t);

 protected:
  void Paint(HDC dc, const RECT& client) override;

 private:
  Text text_;
};

// A filled rectangle with an outline.
class TShape : public TControl {
 public:
  TShape(TComponent* owner, Text name, TControl* parent, TRect bounds);
  void SetColors(unsigned fill, unsigned outline);
  unsigned FillColor() const { return fill_; }

 protected:
  void Paint(HDC dc, const RECT& client) override;

 private:
  unsigned fill_ = kWhite, outline_ = kBlack;
};

// A vector picture that can be clicked; shows the hand cursor. The picture is fitted into
// the control with its proportions kept and centred, antialiased.
class TImage : public TControl {
 public:
  TImage(TComponent* owner, Text name, TControl* parent, TRect bounds);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void SetPicture(std::optional<TSvgDocument> picture);
  bool HasPicture() const { return picture_.has_value(); }

 protected:
  void Paint(HDC dc, const RECT& client) override;

 private:
  std::optional<TSvgDocument> picture_;
};

// The application object: COM on the window thread, the main form, the message loop.
class TApplication {
 public:
  // Initialises COM on this thread as a single-threaded apartment and the common controls.
  void Initialize();
  ~TApplication();
  void SetMainForm(TForm* form) { mainForm_ = form; }
  TForm* MainForm() const { return mainForm_; }
  HWND Handle() const { return mainForm_ ? mainForm_->Handle() : nullptr; }
  const Text& Title() const { return title_; }
  void SetTitle(const Text& t) { title_ = t; }
  // Each top-level form shows its own taskbar button.
  bool MainFormOnTaskbar = true;
  // Runs the message loop until the main form is destroyed.
  void Run();

 private:
  TForm* mainForm_ = nullptr;
  Text title_;
  bool comInitialized_ = false;
};

TApplication& Application();

}  // namespace swiftlane::ui
