// TFrmSwiftlane: the program's only window and its controller.
#pragma once

#include <memory>
#include <string>

#include "app/services.h"
#include "app/status.h"
#include "ui/widgets_win.h"

namespace swiftlane {

class TFrmSwiftlane : public ui::TForm {
 public:
  // Builds the layout, then runs the creation sequence (FormCreate). The window is shown
  // by the caller.
  TFrmSwiftlane(ui::TComponent* owner, ISystemServices& services);

  // Components, named as in the layout.
  ui::TCardPanel* PnlMain = nullptr;
  ui::TCard* Card1 = nullptr;
  ui::TLabel* LblTitle = nullptr;
  ui::TMarkupLabel* LblContent = nullptr;
  ui::TStyledButton* BtnStart = nullptr;
  ui::TActivityIndicator* Indicator = nullptr;
  ui::TCard* Card2 = nullptr;
  ui::TLabel* LblVersion = nullptr;
  ui::TGroupBox* GroupBox1 = nullptr;
  ui::TLabel* LblAdapter = nullptr;
  ui::TLabel* LblIPAddress = nullptr;
  ui::TGroupBox* GroupBox2 = nullptr;
  ui::TCheckBox* ChkTcpNoDelay = nullptr;
  ui::TCheckBox* ChkTCPAckFrequency = nullptr;
  ui::TCheckBox* ChkTcpDelAckTick = nullptr;
  ui::TGroupBox* GroupBox3 = nullptr;
  ui::TCheckBox* ChkNetworkThrottlingIndex = nullptr;
  ui::TCheckBox* ChkSystemResponsiveness = nullptr;
  ui::TPanel* PnlHead = nullptr;
  ui::TStyledToolbar* BtnHead = nullptr;
  ui::TStyledToolButton* BtnHome = nullptr;
  ui::TStyledToolButton* BtnConfig = nullptr;
  ui::TStyledToolButton* BtnDonate = nullptr;
  ui::TPanel* PnlLogo = nullptr;
  ui::TImage* ImgLogo = nullptr;

  TStatus FStatus = TStatus::stIdle;
  std::u16string NetworkName;
  std::u16string NetworkGUID;
  std::u16string NetworkIP;

  // Handlers bound by the layout.
  void FormCreate(ui::TComponent& Sender);
  void BtnStartClick(ui::TComponent& Sender);
  void ChkTcpNoDelayClick(ui::TComponent& Sender);
  void ChkTCPAckFrequencyClick(ui::TComponent& Sender);
  void ChkTcpDelAckTickClick(ui::TComponent& Sender);
  void ChkNetworkThrottlingIndexClick(ui::TComponent& Sender);
  void ChkSystemResponsivenessClick(ui::TComponent& Sender);
  void BtnHomeClick(ui::TComponent& Sender);

  void Start();
  void Stop();
  // Restarts the adapter's connection, then waits on a thread of its own until the machine
  // is online again and shows Status. Returns as soon as that thread has started.
  void Refresh(TStatus Status);

 private:
  void BuildLayout();
  void BindEvents();
  void LoadConfig();
  void WriteConfigBool(const std::u16string& Name, bool Value);
  void WriteConfigInt(const std::u16string& Name, std::int32_t Value);
  void SetStatus(TStatus Status, const std::u16string& Error);


  ISystemServices& services_;
  // Threads that hand work back hold a weak reference: a window that is gone is not called.
  std::shared_ptr<TFrmSwiftlane*> self_ = std::make_shared<TFrmSwiftlane*>(this);
};

// Settings keys of the five options, spelled as stored.
inline constexpr char16_t kKeyTcpNoDelay[] = u"tcpnodelay";
inline constexpr char16_t kKeyTcpAckFrequency[] = u"tcpackfrequency";
inline constexpr char16_t kKeyTcpDelAckTick[] = u"tcpdelacktick";
inline constexpr char16_t kKeyNetworkThrottling[] = u"networkthrottleindex";
inline constexpr char16_t kKeySystemResponsiveness[] = u"systemresponsivess";
inline constexpr char16_t kKeyStatus[] = u"status";
inline constexpr char16_t kSettingsPath[] = u"Swiftlane";

}  // namespace swiftlane
