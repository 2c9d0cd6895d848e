// The real main window, driven through its window messages, with fake system services.
#include "app/frm_swiftlane_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "service_hosts.h"
#include "testing/fake_services_win.h"
#include "testing/message_box_win.h"
#include "ui/translate_win.h"
#include "ui/window_thread_win.h"

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

std::string Narrow(const char16_t* s) { return std::string(s, s + std::char_traits<char16_t>::length(s)); }

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
  void SetUp() override {
    ui::InstallWindowThread();
    ui::CurrentLanguage() = u"en";
  }
  void TearDown() override {
    // Let a reconnect wait still under way finish before its services go away.
    services.holdPauses = false;
    services.online = true;
    if (form) WaitWhileBusy();
    ui::Application().SetMainForm(nullptr);
    form.reset();
  }
  void WaitWhileBusy() {
    for (int i = 0; i < 500 && form->FStatus == TStatus::stBusy; ++i) {
      Pump();
      Sleep(10);
    }
  }
  // What the window asked of the system, the update check at creation left out.
  std::vector<std::string> SystemCalls() {
    std::vector<std::string> out;
    for (auto& c : services.Calls())
      if (c.rfind("update ", 0) != 0) out.push_back(c);
    return out;
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
  EXPECT_EQ(form->BtnStart->Caption(), u"Run");
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
  EXPECT_EQ(form->Caption(), u"Swiftlane");
  EXPECT_EQ(ui::Application().Title(), u"Swiftlane");
  EXPECT_EQ(form->LblVersion->Caption(), u"Version: 1.5.7.0");
  // The update check starts last, against the update service with row offset 10.
  EXPECT_THAT(services.Calls(), ElementsAre("update https://" + Narrow(build::kUpdateHost) + "/api.init.php 10"));
}

TEST_F(ControllerTest, TheTaglineIsOneOfTheThreeInGreyAndCentred) {
  const std::u16string taglines[] = {u"Easily improve <B>game responsiveness</B>.",
                                     u"Minimize <B>latency</B> with an optimized network.",
                                     u"Improve <B>game speed and stability</B> with simple settings."};
  std::set<std::u16string> seen;
  for (int i = 0; i < 30; ++i) {
    Open();
    const std::u16string text = form->LblContent->MarkupText();
    bool known = false;
    for (const auto& t : taglines) known = known || text == u"<C><FC:clGray>" + t + u"</FC></C>";
    EXPECT_TRUE(known) << std::string(text.begin(), text.end());
    seen.insert(text);
    TearDown();
  }
  EXPECT_GT(seen.size(), 1u);
}

TEST_F(ControllerTest, AnAcceptedUpdateClosesTheWindowAndADeclinedOneDoesNot) {
  Open();
  ASSERT_TRUE(services.updateDone);
  HWND hwnd = form->Handle();
  services.updateDone(false, u"{}");
  Pump();
  EXPECT_TRUE(IsWindow(hwnd));
  services.updateDone(true, u"{}");
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
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
  EXPECT_THAT(SystemCalls(), IsEmpty());
}

TEST_F(ControllerTest, StoredRunningOpensRunningWithoutTouchingTheSystem) {
  services.config.values[kKeyStatus] = 1;
  Open();
  EXPECT_EQ(form->FStatus, TStatus::stRunning);
  EXPECT_EQ(form->BtnStart->Caption(), u"Running");
  EXPECT_TRUE(form->BtnStart->Down());
  EXPECT_TRUE(form->BtnStart->Enabled());
  EXPECT_FALSE(form->Indicator->Visible());
  ExpectOptionsEnabled(false);
  EXPECT_EQ(services.config.values[kKeyStatus], 1);
  EXPECT_THAT(SystemCalls(), IsEmpty());
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
  EXPECT_EQ(form->LblAdapter->Caption(), u"Unknown");
  EXPECT_EQ(form->LblIPAddress->Caption(), u"IP: ");
  EXPECT_TRUE(form->NetworkGUID.empty());
  const int statusWrites = services.config.writes[kKeyStatus];
  {
    testing::MessageBoxAnswerer answer;
    ClickAt(*form->BtnStart);
    ASSERT_TRUE(answer.Seen());
    EXPECT_EQ(answer.Text(), L"There are no active networks.");
    EXPECT_EQ(answer.Title(), std::wstring(reinterpret_cast<const wchar_t*>(form->Caption().c_str())));
  }
  EXPECT_EQ(form->FStatus, TStatus::stIdle);
  EXPECT_EQ(services.config.writes[kKeyStatus], statusWrites + 1);
  EXPECT_EQ(services.config.values[kKeyStatus], 0);
  ExpectOptionsEnabled(true);
  EXPECT_THAT(SystemCalls(), IsEmpty());
}

TEST_F(ControllerTest, BusyDisablesTheButtonAndOptionsWhileTheHeaderStillWorks) {
  services.online = false;  // the reconnect wait keeps the window busy
  services.holdPauses = true;
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
  EXPECT_THAT(SystemCalls(), Contains("open https://" + Narrow(build::kLinkHost) + "/swiftlane"));
  ClickAt(*form->BtnHome);
  EXPECT_EQ(form->PnlMain->ActiveCardIndex(), 0);
  EXPECT_TRUE(form->BtnHome->Down());
  EXPECT_FALSE(form->BtnConfig->Down());
}

const std::string kAdapterKey =
    "write HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\"
    "{11111111-2222-3333-4444-555555555555}\\";

TEST_F(ControllerTest, RunAppliesTheCheckedTweaksRestartsTheAdapterAndEndsRunning) {
  services.config.values[kKeyTcpDelAckTick] = 0;
  Open();
  ClickAt(*form->BtnStart);
  WaitWhileBusy();
  EXPECT_EQ(form->FStatus, TStatus::stRunning);
  EXPECT_EQ(form->BtnStart->Caption(), u"Running");
  EXPECT_TRUE(form->BtnStart->Down());
  ExpectOptionsEnabled(false);
  EXPECT_EQ(services.config.values[kKeyStatus], 1);
  EXPECT_EQ(services.probes, 1);
  EXPECT_THAT(SystemCalls(),
              ElementsAre(kAdapterKey + "TcpAckFrequency=1", kAdapterKey + "TCPNoDelay=1",
                          "write HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSMQ\\Parameters\\TCPNoDelay=1",
                          "write HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\"
                          "SystemProfile\\NetworkThrottlingIndex=4294967295",
                          "write HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\"
                          "SystemProfile\\SystemResponsiveness=0",
                          "net {11111111-2222-3333-4444-555555555555} 0", "net {11111111-2222-3333-4444-555555555555} 1"));
}

TEST_F(ControllerTest, StopRevertsEverythingEvenWhenOfflineAndEndsIdle) {
  services.config.values[kKeyStatus] = 1;
  services.config.values[kKeyTcpNoDelay] = 0;
  services.online = false;  // the wait gives up after its last probe and still ends idle
  Open();
  ClickAt(*form->BtnStart);
  WaitWhileBusy();
  EXPECT_EQ(form->FStatus, TStatus::stIdle);
  EXPECT_EQ(services.config.values[kKeyStatus], 0);
  EXPECT_EQ(services.probes, 300);
  ExpectOptionsEnabled(true);
  const std::string del = "delete HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"
                          "Interfaces\\{11111111-2222-3333-4444-555555555555}\\";
  EXPECT_THAT(SystemCalls(),
              ElementsAre(del + "TcpAckFrequency", del + "TcpDelAckTicks", del + "TCPNoDelay",
                          "delete HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSMQ\\Parameters\\TCPNoDelay",
                          "write HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\"
                          "SystemProfile\\NetworkThrottlingIndex=10",
                          "write HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\"
                          "SystemProfile\\SystemResponsiveness=20",
                          "net {11111111-2222-3333-4444-555555555555} 0", "net {11111111-2222-3333-4444-555555555555} 1"));
}

TEST_F(ControllerTest, WithoutAnAdapterAStoredRunningCanStillBeStopped) {
  services.adapterGuid.clear();
  services.config.values[kKeyStatus] = 1;
  Open();
  ASSERT_EQ(form->FStatus, TStatus::stRunning);
  ClickAt(*form->BtnStart);
  WaitWhileBusy();
  // The system-profile values are reset; both reconnects fail quietly on the empty GUID.
  const std::vector<std::string> calls = SystemCalls();
  EXPECT_THAT(calls, Contains("write HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\"
                              "Multimedia\\SystemProfile\\SystemResponsiveness=20"));
  EXPECT_THAT(calls, Contains("net  0"));
  EXPECT_THAT(calls, Contains("net  1"));
  EXPECT_EQ(form->FStatus, TStatus::stIdle);
  EXPECT_EQ(services.config.values[kKeyStatus], 0);
}

TEST_F(ControllerTest, AWindowClosedDuringTheWaitIsNeverCalledBack) {
  services.holdPauses = true;
  services.online = false;
  Open();
  ClickAt(*form->BtnStart);
  ASSERT_EQ(form->FStatus, TStatus::stBusy);
  form.reset();
  services.online = true;
  services.holdPauses = false;
  // The wait thread's hand-over finds no window; nothing may run into freed memory.
  for (int i = 0; i < 50; ++i) {
    Pump();
    Sleep(10);
  }
  EXPECT_GE(services.probes, 1);
}

TEST_F(ControllerTest, DonationLinkCarriesItsQuery) {
  Open();
  form->BtnHomeClick(*form->BtnDonate);
  EXPECT_THAT(SystemCalls(), ElementsAre("open https://" + Narrow(build::kLinkHost) + "/donate?swiftlane"));
}

}  // namespace
}  // namespace swiftlane
