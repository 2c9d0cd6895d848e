#include "app/frm_swiftlane_win.h"

#include <thread>

#include "app/tweak_plan.h"
#include "service_hosts.h"
#include "system/reconnect_wait.h"
#include "ui/button_style_win.h"
#include "ui/svg_win.h"
#include "ui/theme_helper_win.h"
#include "ui/translate_form_win.h"
#include "ui/translate_win.h"
#include "ui/window_thread_win.h"
#include "update/install_id.h"
#include "update/version_win.h"

namespace swiftlane {
namespace {

using ui::TRect;

enum class Kind { CardPanel, Card, Label, CenteredLabel, MarkupLabel, StyledButton, Indicator, GroupBox, CheckBox,
                  Panel, Toolbar, ToolButton, Image };

// The window's layout, row for row in creation order (also the order of the owned
// components that form translation walks). Positions are pixels at 96 DPI in the parent.
struct LayoutRow {
  Kind kind;
  const char16_t* name;
  const char16_t* parent;  // nullptr: the window
  TRect bounds;
  const char16_t* caption;
  // Styled buttons and the toolbar: appearance of the "Tarnwick" family, corner radius.
  const char16_t* appearance = nullptr;
  int radius = 0;
};

constexpr LayoutRow kLayout[] = {
    {Kind::CardPanel, u"PnlMain", nullptr, {0, 50, 498, 376}, u"PnlMain"},
    {Kind::Card, u"Card1", u"PnlMain", {0, 0, 498, 376}, u"Card1"},
    {Kind::CenteredLabel, u"LblTitle", u"Card1", {8, 40, 484, 81}, u"스위프트레인"},
    {Kind::MarkupLabel, u"LblContent", u"Card1", {0, 188, 500, 33}, u""},
    {Kind::StyledButton, u"BtnStart", u"Card1", {176, 264, 162, 68}, u"실행하기", u"Outline", 6},
    {Kind::Indicator, u"Indicator", u"Card1", {241, 282, 32, 32}, u""},
    {Kind::Card, u"Card2", u"PnlMain", {0, 0, 498, 376}, u"Card2"},
    {Kind::Label, u"LblVersion", u"Card2", {15, 344, 100, 15}, u"LblVersion"},
    {Kind::GroupBox, u"GroupBox1", u"Card2", {15, 6, 474, 67}, u"네트워크 아답터 정보"},
    {Kind::Label, u"LblAdapter", u"GroupBox1", {17, 32, 304, 15}, u"..."},
    {Kind::Label, u"LblIPAddress", u"GroupBox1", {344, 32, 109, 15}, u"..."},
    {Kind::GroupBox, u"GroupBox2", u"Card2", {15, 87, 474, 98}, u"네이글 알고리즘 해제"},
    {Kind::CheckBox, u"ChkTcpNoDelay", u"GroupBox2", {17, 64, 200, 17}, u"TcpNoDelay"},
    {Kind::CheckBox, u"ChkTCPAckFrequency", u"GroupBox2", {17, 32, 200, 17}, u"TcpAckFrequency"},
    {Kind::CheckBox, u"ChkTcpDelAckTick", u"GroupBox2", {243, 32, 200, 17}, u"TcpDelAckTick"},
    {Kind::GroupBox, u"GroupBox3", u"Card2", {15, 199, 474, 66}, u"네트워크 쓰로틀링"},
    {Kind::CheckBox, u"ChkNetworkThrottlingIndex", u"GroupBox3", {17, 32, 200, 17}, u"NetworkThrottlingIndex"},
    {Kind::CheckBox, u"ChkSystemResponsiveness", u"GroupBox3", {243, 32, 200, 17}, u"SystemResponsiveness"},
    {Kind::Panel, u"PnlHead", nullptr, {0, 0, 498, 50}, u""},
    {Kind::Toolbar, u"BtnHead", u"PnlHead", {10, 10, 358, 30}, u"", u"Header", 4},
    {Kind::ToolButton, u"BtnHome", u"BtnHead", {}, u"처음화면"},
    {Kind::ToolButton, u"BtnConfig", u"BtnHead", {}, u"환경설정"},
    {Kind::ToolButton, u"BtnDonate", u"BtnHead", {}, u"후원하기"},
    {Kind::Panel, u"PnlLogo", u"PnlHead", {378, 0, 120, 50}, u""},
    {Kind::Image, u"ImgLogo", u"PnlLogo", {3, 0, 112, 50}, u""},
};

constexpr int kClientWidth = 498;
constexpr int kClientHeight = 426;
constexpr int kHeaderGroup = 1;  // all header buttons form one tab group
constexpr char16_t kButtonFamily[] = u"Tarnwick";

template <typename T>
T* Find(const ui::TComponent& owner, const char16_t* name) {
  return dynamic_cast<T*>(owner.FindComponent(name));
}

bool SameTextAscii(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::u16string Link(const std::u16string& pathAndQuery) {
  return u"https://" + std::u16string(build::kLinkHost) + pathAndQuery;
}

// Source texts of the taglines; the catalogue carries their translations.
const char16_t* const kTaglines[] = {
    u"<B>게임 반응 속도</B>를 손쉽게 향상 시킵니다.",
    u"최적화된 네트워크로 <B>지연 시간을 최소화</B>합니다.",
    u"간편한 설정으로 <B>게임 속도와 안정성</B>을 동시에 개선합니다.",
};

// The desktop's icon-title font, as a font spec at 96 DPI.
ui::TFontSpec DesktopFont(const ui::TFontSpec& fallback) {
  LOGFONTW lf{};
  if (!SystemParametersInfoForDpi(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0, 96) || lf.lfFaceName[0] == 0)
    return fallback;
  ui::TFontSpec f;
  f.face = win::U(lf.lfFaceName);
  f.height = lf.lfHeight < 0 ? -lf.lfHeight : (lf.lfHeight > 0 ? lf.lfHeight : fallback.height);
  f.bold = lf.lfWeight >= FW_BOLD;
  return f;
}

}  // namespace

TFrmSwiftlane::TFrmSwiftlane(ui::TComponent* owner, ISystemServices& services)
    : ui::TForm(owner, u"FrmSwiftlane", L"TFrmSwiftlane", kClientWidth, kClientHeight), services_(services) {
  SetCaption(u"스위프트레인");
  SetColor(ui::kWhite);
  SetFont(ui::TFontSpec{u"Segoe UI", 12, false, false});
  BuildLayout();
  BindEvents();
  FormCreate(*this);
}

void TFrmSwiftlane::BuildLayout() {
  int cardIndex = 0;
  for (const LayoutRow& row : kLayout) {
    ui::TControl* parent = row.parent ? Find<ui::TControl>(*this, row.parent) : this;
    switch (row.kind) {
      case Kind::CardPanel:
        Add<ui::TCardPanel>(row.name, parent, row.bounds);
        break;
      case Kind::Card:
        Add<ui::TCard>(row.name, parent, row.bounds, cardIndex++);
        break;
      case Kind::Label:
        Add<ui::TLabel>(row.name, parent, row.bounds, row.caption);
        break;
      case Kind::CenteredLabel:
        Add<ui::TLabel>(row.name, parent, row.bounds, row.caption, ui::TLabel::Align::Center);
        break;
      case Kind::MarkupLabel:
        Add<ui::TMarkupLabel>(row.name, parent, row.bounds);
        break;
      case Kind::StyledButton: {
        auto& b = Add<ui::TStyledButton>(row.name, parent, row.bounds, row.caption);
        b.SetStyle(kButtonFamily, row.appearance);
        b.SetCornerRadius(row.radius);
        break;
      }
      case Kind::Indicator:
        Add<ui::TActivityIndicator>(row.name, parent, row.bounds, 50u);
        break;
      case Kind::GroupBox:
        Add<ui::TGroupBox>(row.name, parent, row.bounds, row.caption);
        break;
      case Kind::CheckBox:
        Add<ui::TCheckBox>(row.name, parent, row.bounds, row.caption);
        break;
      case Kind::Panel:
        Add<ui::TPanel>(row.name, parent, row.bounds);
        break;
      case Kind::Toolbar:
        Add<ui::TStyledToolbar>(row.name, parent, row.bounds, 70, 30, 10)
            .SetButtonStyle(kButtonFamily, row.appearance, row.radius);
        break;
      case Kind::ToolButton:
        static_cast<ui::TStyledToolbar*>(parent)->AddButton(this, row.name, row.caption).SetGroupIndex(kHeaderGroup);
        break;
      case Kind::Image:
        Add<ui::TImage>(row.name, parent, row.bounds).SetPicture(ui::LoadSvgResource(GetModuleHandleW(nullptr), L"LOGO"));
        break;
    }
  }
  PnlMain = Find<ui::TCardPanel>(*this, u"PnlMain");
  Card1 = Find<ui::TCard>(*this, u"Card1");
  LblTitle = Find<ui::TLabel>(*this, u"LblTitle");
  LblContent = Find<ui::TMarkupLabel>(*this, u"LblContent");
  BtnStart = Find<ui::TStyledButton>(*this, u"BtnStart");
  Indicator = Find<ui::TActivityIndicator>(*this, u"Indicator");
  Card2 = Find<ui::TCard>(*this, u"Card2");
  LblVersion = Find<ui::TLabel>(*this, u"LblVersion");
  GroupBox1 = Find<ui::TGroupBox>(*this, u"GroupBox1");
  LblAdapter = Find<ui::TLabel>(*this, u"LblAdapter");
  LblIPAddress = Find<ui::TLabel>(*this, u"LblIPAddress");
  GroupBox2 = Find<ui::TGroupBox>(*this, u"GroupBox2");
  ChkTcpNoDelay = Find<ui::TCheckBox>(*this, u"ChkTcpNoDelay");
  ChkTCPAckFrequency = Find<ui::TCheckBox>(*this, u"ChkTCPAckFrequency");
  ChkTcpDelAckTick = Find<ui::TCheckBox>(*this, u"ChkTcpDelAckTick");
  GroupBox3 = Find<ui::TGroupBox>(*this, u"GroupBox3");
  ChkNetworkThrottlingIndex = Find<ui::TCheckBox>(*this, u"ChkNetworkThrottlingIndex");
  ChkSystemResponsiveness = Find<ui::TCheckBox>(*this, u"ChkSystemResponsiveness");
  PnlHead = Find<ui::TPanel>(*this, u"PnlHead");
  BtnHead = Find<ui::TStyledToolbar>(*this, u"BtnHead");
  BtnHome = Find<ui::TStyledToolButton>(*this, u"BtnHome");
  BtnConfig = Find<ui::TStyledToolButton>(*this, u"BtnConfig");
  BtnDonate = Find<ui::TStyledToolButton>(*this, u"BtnDonate");
  PnlLogo = Find<ui::TPanel>(*this, u"PnlLogo");
  ImgLogo = Find<ui::TImage>(*this, u"ImgLogo");

  PnlHead->SetAlign(ui::TAlign::Top);
  PnlMain->SetAlign(ui::TAlign::Client);
  Card1->SetAlign(ui::TAlign::Client);
  Card2->SetAlign(ui::TAlign::Client);
  LblTitle->SetFont(ui::TFontSpec{u"Tahoma", 59, false, true});
  BtnHome->SetDown(true);
}

void TFrmSwiftlane::BindEvents() {
  using Handler = void (TFrmSwiftlane::*)(ui::TComponent&);
  auto bind = [this](ui::TControl* c, Handler h) { c->OnClick = [this, h](ui::TComponent& s) { (this->*h)(s); }; };
  bind(BtnStart, &TFrmSwiftlane::BtnStartClick);
  bind(ChkTcpNoDelay, &TFrmSwiftlane::ChkTcpNoDelayClick);
  bind(ChkTCPAckFrequency, &TFrmSwiftlane::ChkTCPAckFrequencyClick);
  bind(ChkTcpDelAckTick, &TFrmSwiftlane::ChkTcpDelAckTickClick);
  bind(ChkNetworkThrottlingIndex, &TFrmSwiftlane::ChkNetworkThrottlingIndexClick);
  bind(ChkSystemResponsiveness, &TFrmSwiftlane::ChkSystemResponsivenessClick);
  bind(BtnHome, &TFrmSwiftlane::BtnHomeClick);
  bind(BtnConfig, &TFrmSwiftlane::BtnHomeClick);
  bind(BtnDonate, &TFrmSwiftlane::BtnHomeClick);
  bind(ImgLogo, &TFrmSwiftlane::BtnHomeClick);
}

void TFrmSwiftlane::FormCreate(ui::TComponent&) {
  // Closes the window when the user accepts an update; a window that is gone is left alone.
  std::weak_ptr<TFrmSwiftlane*> window = self_;
  auto updateDone = [window](bool accepted, const std::u16string&) {
    if (!accepted) return;
    if (auto w = window.lock()) (*w)->Close();
  };
  ui::AttachThemeHelper(*this);
  ui::TranslateForm(*this, u"");
  ui::FitLabelFont(*LblTitle);
  SetFont(DesktopFont(FontSpec()));
  Indicator->SetVisible(false);
  BtnDonate->SetVisible(false);
  BtnHead->Arrange();
  PnlMain->SetActiveCardIndex(0);
  ui::Application().SetTitle(Caption());
  const std::u16string tagline = ui::Translate(kTaglines[RandomBelow(3)]);
  LblContent->SetMarkupText(u"<C><FC:clGray>" + tagline + u"</FC></C>");
  LblVersion->SetCaption(ui::Translate(u"버전") + u": " + GetVersionString(u"%d.%d.%d.%d"));
  LoadConfig();
  services_.CheckUpdate(u"https://" + std::u16string(build::kUpdateHost) + u"/api.init.php", updateDone, 10);
}

void TFrmSwiftlane::LoadConfig() {
  if (!services_.GetActiveNetwork(NetworkName, NetworkGUID, NetworkIP)) {
    NetworkName = ui::Translate(u"알수없음");
    NetworkGUID.clear();
    NetworkIP.clear();
  }
  LblAdapter->SetCaption(NetworkName);
  LblIPAddress->SetCaption(u"IP: " + NetworkIP);

  std::int32_t stored = 0;
  {
    auto config = services_.OpenConfig(kSettingsPath);
    stored = config->ReadInteger(kKeyStatus, 0);
    // Setting a box runs its click handler when the state changes, which writes the
    // value just read straight back.
    ChkTcpNoDelay->SetChecked(config->ReadBoolean(kKeyTcpNoDelay, true));
    ChkTCPAckFrequency->SetChecked(config->ReadBoolean(kKeyTcpAckFrequency, true));
    ChkTcpDelAckTick->SetChecked(config->ReadBoolean(kKeyTcpDelAckTick, true));
    ChkNetworkThrottlingIndex->SetChecked(config->ReadBoolean(kKeyNetworkThrottling, true));
    ChkSystemResponsiveness->SetChecked(config->ReadBoolean(kKeySystemResponsiveness, true));
  }
  SetStatus(StatusFromStored(stored), u"");
}

void TFrmSwiftlane::WriteConfigBool(const std::u16string& Name, bool Value) {
  services_.OpenConfig(kSettingsPath)->WriteBoolean(Name, Value);
}

void TFrmSwiftlane::WriteConfigInt(const std::u16string& Name, std::int32_t Value) {
  services_.OpenConfig(kSettingsPath)->WriteInteger(Name, Value);
}

void TFrmSwiftlane::SetStatus(TStatus Status, const std::u16string& Error) {
  if (!Error.empty()) {
    MessageBoxW(ui::Application().Handle(), win::W(Error), win::W(Caption()),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
  }
  const StatusView view = ViewOf(Status);
  FStatus = Status;
  Indicator->SetVisible(view.indicatorVisible);
  Indicator->SetAnimate(view.indicatorVisible);
  BtnStart->SetCaption(view.caption.empty() ? view.caption : ui::Translate(view.caption));
  BtnStart->SetEnabled(view.buttonEnabled);
  BtnStart->SetDown(view.buttonDown);
  if (view.stored) WriteConfigInt(kKeyStatus, *view.stored);

  for (ui::TCheckBox* box : {ChkTcpNoDelay, ChkTCPAckFrequency, ChkTcpDelAckTick, ChkNetworkThrottlingIndex,
                             ChkSystemResponsiveness})
    box->SetEnabled(view.optionsEnabled);
}

void TFrmSwiftlane::BtnStartClick(ui::TComponent&) {
  switch (FStatus) {
    case TStatus::stIdle:
      if (!NetworkGUID.empty())
        Start();
      else
        SetStatus(TStatus::stIdle, ui::Translate(u"활성중인 네트워크가 없습니다."));
      break;
    case TStatus::stRunning:
      Stop();
      break;
    case TStatus::stBusy:
      break;
  }
}

void TFrmSwiftlane::ChkTcpNoDelayClick(ui::TComponent&) { WriteConfigBool(kKeyTcpNoDelay, ChkTcpNoDelay->Checked()); }
void TFrmSwiftlane::ChkTCPAckFrequencyClick(ui::TComponent&) {
  WriteConfigBool(kKeyTcpAckFrequency, ChkTCPAckFrequency->Checked());
}
void TFrmSwiftlane::ChkTcpDelAckTickClick(ui::TComponent&) {
  WriteConfigBool(kKeyTcpDelAckTick, ChkTcpDelAckTick->Checked());
}
void TFrmSwiftlane::ChkNetworkThrottlingIndexClick(ui::TComponent&) {
  WriteConfigBool(kKeyNetworkThrottling, ChkNetworkThrottlingIndex->Checked());
}
void TFrmSwiftlane::ChkSystemResponsivenessClick(ui::TComponent&) {
  WriteConfigBool(kKeySystemResponsiveness, ChkSystemResponsiveness->Checked());
}

void TFrmSwiftlane::BtnHomeClick(ui::TComponent& Sender) {
  const std::u16string& name = Sender.Name();
  if (SameTextAscii(name, u"BtnHome")) {
    if (auto* b = dynamic_cast<ui::TStyledButton*>(&Sender)) b->SetDown(true);
    PnlMain->SetActiveCardIndex(0);
  } else if (SameTextAscii(name, u"BtnConfig")) {
    if (auto* b = dynamic_cast<ui::TStyledButton*>(&Sender)) b->SetDown(true);
    PnlMain->SetActiveCardIndex(1);
  } else if (SameTextAscii(name, u"BtnDonate")) {
    services_.ShellOpen(Link(u"/donate?swiftlane"));
  } else if (SameTextAscii(name, u"ImgLogo")) {
    services_.ShellOpen(Link(u"/swiftlane"));
  }
}

namespace {

void RunPlan(ISystemServices& services, const std::vector<RegStep>& plan) {
  for (const RegStep& step : plan) {
    if (step.kind == RegStepKind::Write)
      services.WriteRegValue(step.path, step.name, step.value);
    else
      services.DeleteRegValue(step.path, step.name);
  }
}

}  // namespace

void TFrmSwiftlane::Start() {
  SetStatus(TStatus::stBusy, u"");
  // The boxes equal the stored options: every click is stored at once.
  TweakOptions options;
  options.TCPAckFrequency = ChkTCPAckFrequency->Checked();
  options.TcpDelAckTick = ChkTcpDelAckTick->Checked();
  options.TcpNoDelay = ChkTcpNoDelay->Checked();
  options.NetworkThrottlingIndex = ChkNetworkThrottlingIndex->Checked();
  options.SystemResponsiveness = ChkSystemResponsiveness->Checked();
  RunPlan(services_, StartPlan(options, NetworkGUID));
  Refresh(TStatus::stRunning);
}

void TFrmSwiftlane::Stop() {
  SetStatus(TStatus::stBusy, u"");
  RunPlan(services_, StopPlan(NetworkGUID));
  Refresh(TStatus::stIdle);
}

void TFrmSwiftlane::Refresh(TStatus Status) {
  services_.SetNetworkEnabled(NetworkGUID, false);
  services_.SetNetworkEnabled(NetworkGUID, true);
  ISystemServices* services = &services_;
  std::weak_ptr<TFrmSwiftlane*> window = self_;
  std::thread([services, window, Status] {
    try {
      WaitUntilOnline([services] { return services->IsOnline(); },
                      [services](std::uint32_t ms) { services->Pause(ms); });
      // Blocks until the window thread has applied the status; does nothing once the
      // window is gone.
      ui::RunOnWindowThread([window, Status] {
        if (auto w = window.lock()) (*w)->SetStatus(Status, u"");
      });
    } catch (...) {
      ui::HandleDispatchException(std::current_exception());
    }
  }).detach();
}

}  // namespace swiftlane
