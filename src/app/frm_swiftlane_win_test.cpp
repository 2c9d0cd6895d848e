// The real main window, driven through its window messages, with fake system services.
#include "app/frm_swiftlane_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "testing/fake_services_win.h"
#include "testing/message_box_win.h"

namespace swiftlane {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::u16string kOptionKeys[] = {kKeyTcpNoDelay, kKeyTcpAckFrequency, kKeyTcpDelAckTick, kKeyNetworkThrottling,
                                      kKeySystemResponsiveness};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// The control's own window is visible (its parents may not be shown).
bool Shown(HWND h) { return (GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0; }

// A left click as the mouse makes it, delivered to the control's window.
void ClickAt(const ui::TControl& c) {
  SendMessageW(c.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageW(c.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  Pump();
}

class ControllerTest : public ::testing::Test {
 protected:
  // Without a window manager, Wine waits two seconds for a shown window to be withdrawn
  // when it is destroyed; only the tests that look at the screen show it.
  void Open(bool show = false) {
    form = std::make_unique<TFrmSwiftlane>(nullptr, services);
    ui::Application().SetMainForm(form.get());
    if (show) form->Show();
    Pump();
  }
  void TearDown() override {
    ui::Application().SetMainForm(nullptr);
    form.reset();
  }
  std::vector<ui::TCheckBox*> Boxes() const {
    return {form->ChkTcpNoDelay, form->ChkTCPAckFrequency, form->ChkTcpDelAckTick, form->ChkNetworkThrottlingIndex,
            form->ChkSystemResponsiveness};
  }
  void ExpectOptionsEnabled(bool enabled) {
    for (ui::TCheckBox* b : Boxes()) {
      EXPECT_EQ(b->Enabled(), enabled) << std::string(b->Name().begin(), b->Name().end());
      EXPECT_EQ(IsWindowEnabled(b->Handle()) != FALSE, enabled);
    }
  }

  testing::FakeServices services;
  std::unique_ptr<TFrmSwiftlane> form;
};

TEST_F(ControllerTest, FirstStartChecksAndStoresEveryOptionAndStoresIdle) {
  Open(/*show=*/true);
  for (ui::TCheckBox* b : Boxes()) EXPECT_TRUE(b->Checked());
  for (const auto& key : kOptionKeys) {
    EXPECT_EQ(services.config.values[key], 1);
    EXPECT_EQ(services.config.writes[key], 1);
  }
  EXPECT_EQ(services.config.values[kKeyStatus], 0);
  EXPECT_EQ(form->FStatus, TStatus::stIdle);
  EXPECT_EQ(form->BtnStart->Caption(), u"실행하기");
  EXPECT_TRUE(form->BtnStart->Enabled());
  EXPECT_FALSE(form->BtnStart->Down());
  EXPECT_FALSE(form->Indicator->Visible());
  EXPECT_FALSE(Shown(form->Indicator->Handle()));
  ExpectOptionsEnabled(true);
  // The window as it opens: home page, Home pressed, Donate never shown.
  EXPECT_EQ(form->PnlMain->ActiveCardIndex(), 0);
  EXPECT_TRUE(Shown(form->Card1->Handle()));
  EXPECT_FALSE(Shown(form->Card2->Handle()));
  EXPECT_TRUE(form->BtnHome->Down());
  EXPECT_FALSE(form->BtnDonate->Visible());
  EXPECT_EQ(form->LblAdapter->Caption(), u"Ethernet 2");
  EXPECT_EQ(form->LblIPAddress->Caption(), u"IP: 10.0.0.2");
  EXPECT_EQ(ui::Application().Title(), form->Caption());
  EXPECT_THAT(services.Calls(), IsEmpty());
}

TEST_F(ControllerTest, AnUncheckedOptionStaysUncheckedAndIsNotRewritten) {
  services.config.values[kKeyTcpAckFrequency] = 0;
  services.config.values[kKeyTcpNoDelay] = 1;
  Open();
  EXPECT_FALSE(form->ChkTCPAckFrequency->Checked());
  EXPECT_EQ(services.config.writes[kKeyTcpAckFrequency], 0);
  EXPECT_TRUE(form->ChkTcpNoDelay->Checked());
  EXPECT_EQ(services.config.writes[kKeyTcpDelAckTick], 1);
  // A click while idle stores the new state at once and touches nothing else.
  SendMessageW(form->ChkTCPAckFrequency->Handle(), BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(form->ChkTCPAckFrequency->Checked());
  EXPECT_EQ(services.config.values[kKeyTcpAckFrequency], 1);
  SendMessageW(form->ChkSystemResponsiveness->Handle(), BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(services.config.values[kKeySystemResponsiveness], 0);
  EXPECT_THAT(services.Calls(), IsEmpty());
}

TEST_F(ControllerTest, StoredRunningOpensRunningWithoutTouchingTheSystem) {
  services.config.values[kKeyStatus] = 1;
  Open();
  EXPECT_EQ(form->FStatus, TStatus::stRunning);
  EXPECT_EQ(form->BtnStart->Caption(), u"실행중");
  EXPECT_TRUE(form->BtnStart->Down());
  EXPECT_TRUE(form->BtnStart->Enabled());
  EXPECT_FALSE(form->Indicator->Visible());
  ExpectOptionsEnabled(false);
  EXPECT_EQ(services.config.values[kKeyStatus], 1);
  EXPECT_THAT(services.Calls(), IsEmpty());
}

TEST_F(ControllerTest, StoredValuesOtherThanZeroOrOneOpenIdle) {
  for (std::int32_t stored : {2, 7, -1}) {
    services.config.values[kKeyStatus] = stored;
    Open();
    EXPECT_EQ(form->FStatus, TStatus::stIdle) << stored;
    EXPECT_TRUE(form->BtnStart->Enabled());
    EXPECT_EQ(services.config.values[kKeyStatus], 0);
    TearDown();
  }
}

TEST_F(ControllerTest, RunWithoutAdapterShowsTheErrorBoxThenStaysIdle) {
  services.adapterGuid.clear();
  Open();
  EXPECT_EQ(form->LblAdapter->Caption(), u"알수없음");
  EXPECT_EQ(form->LblIPAddress->Caption(), u"IP: ");
  EXPECT_TRUE(form->NetworkGUID.empty());
  const int statusWrites = services.config.writes[kKeyStatus];
  {
    testing::MessageBoxAnswerer answer;
    ClickAt(*form->BtnStart);
    ASSERT_TRUE(answer.Seen());
    EXPECT_EQ(answer.Text(), L"활성중인 네트워크가 없습니다.");
    EXPECT_EQ(answer.Title(), std::wstring(reinterpret_cast<const wchar_t*>(form->Caption().c_str())));
  }
  EXPECT_EQ(form->FStatus, TStatus::stIdle);
  EXPECT_EQ(services.config.writes[kKeyStatus], statusWrites + 1);
  EXPECT_EQ(services.config.values[kKeyStatus], 0);
  ExpectOptionsEnabled(true);
  EXPECT_THAT(services.Calls(), IsEmpty());
}

TEST_F(ControllerTest, BusyDisablesTheButtonAndOptionsWhileTheHeaderStillWorks) {
  services.online = false;  // the reconnect wait keeps the window busy
  Open();
  ClickAt(*form->BtnStart);
  EXPECT_EQ(form->FStatus, TStatus::stBusy);
  EXPECT_FALSE(form->BtnStart->Enabled());
  EXPECT_FALSE(IsWindowEnabled(form->BtnStart->Handle()));
  EXPECT_EQ(form->BtnStart->Caption(), u"");
  EXPECT_TRUE(form->Indicator->Visible());
  EXPECT_TRUE(form->Indicator->Animate());
  ExpectOptionsEnabled(false);
  // Busy is never stored.
  EXPECT_EQ(services.config.values[kKeyStatus], 0);
  EXPECT_EQ(services.config.writes[kKeyStatus], 1);

  ClickAt(*form->BtnConfig);
  EXPECT_EQ(form->PnlMain->ActiveCardIndex(), 1);
  EXPECT_TRUE(Shown(form->Card2->Handle()));
  EXPECT_TRUE(form->BtnConfig->Down());
  EXPECT_FALSE(form->BtnHome->Down());
  ClickAt(*form->ImgLogo);
  EXPECT_EQ(form->PnlMain->ActiveCardIndex(), 1);
  EXPECT_TRUE(form->BtnConfig->Down());
  EXPECT_THAT(services.Calls(), Contains("open https://www.swiftlane.example/swiftlane"));
  ClickAt(*form->BtnHome);
  EXPECT_EQ(form->PnlMain->ActiveCardIndex(), 0);
  EXPECT_TRUE(form->BtnHome->Down());
  EXPECT_FALSE(form->BtnConfig->Down());
}

TEST_F(ControllerTest, DonationLinkCarriesItsQuery) {
  Open();
  form->BtnHomeClick(*form->BtnDonate);
  EXPECT_THAT(services.Calls(), ElementsAre("open https://www.swiftlane.example/donate?swiftlane"));
}

}  // namespace
}  // namespace swiftlane
