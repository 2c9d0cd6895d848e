// The main window moved to monitors of other DPIs: WM_DPICHANGED as the system sends it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/frm_swiftlane_win.h"
#include "testing/fake_services_win.h"
#include "testing/snapshot_win.h"
#include "ui/button_style.h"
#include "ui/translate_win.h"
#include "ui/window_thread_win.h"

namespace swiftlane {
namespace {

using testing::Hex;
using testing::Snapshot;

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int Scaled(int v, int dpi) { return MulDiv(v, dpi, 96); }

// A control's window relative to its parent's client area.
RECT InParent(const ui::TControl& c) {
  RECT r{};
  GetWindowRect(c.Handle(), &r);
  MapWindowPoints(nullptr, GetParent(c.Handle()), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int FontHeight(HFONT f) {
  LOGFONTW lf{};
  GetObjectW(f, sizeof(lf), &lf);
  return lf.lfHeight;
}

class DpiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::InstallWindowThread();
    ui::RegisterTarnwickButtonStyles();
    ui::CurrentLanguage() = u"en";
    form = std::make_unique<TFrmSwiftlane>(nullptr, services);
    ui::Application().SetMainForm(form.get());
    Pump();
  }
  void TearDown() override {
    ui::Application().SetMainForm(nullptr);
    form.reset();
  }
  // What the system sends: the new DPI in both words, a suggested window rectangle.
  void MoveToDpi(int dpi) {
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    const int from = form->Dpi();
    RECT suggested{wr.left, wr.top, wr.left + MulDiv(wr.right - wr.left, dpi, from),
                   wr.top + MulDiv(wr.bottom - wr.top, dpi, from)};
    SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    Pump();
  }

  testing::FakeServices services;
  std::unique_ptr<TFrmSwiftlane> form;
};

TEST_F(DpiTest, EveryPositionSizeAndFontFollowsTheNewDpiAndComesBack) {
  const int startDpi = form->Dpi();
  ASSERT_EQ(startDpi, 96) << "the test prefix runs at 96 DPI";
  const int titleHeight = form->LblTitle->FontSpec().height;
  struct Placed {
    const char* name;
    ui::TControl* c;
  } placed[] = {{"PnlHead", form->PnlHead},     {"PnlMain", form->PnlMain},     {"LblTitle", form->LblTitle},
                {"LblContent", form->LblContent}, {"BtnStart", form->BtnStart}, {"Indicator", form->Indicator},
                {"BtnHome", form->BtnHome},     {"BtnConfig", form->BtnConfig}, {"ImgLogo", form->ImgLogo},
                {"GroupBox2", form->GroupBox2}, {"ChkTcpNoDelay", form->ChkTcpNoDelay}};
  for (int dpi : {120, 144, 192, 96}) {
    MoveToDpi(dpi);
    EXPECT_EQ(form->Dpi(), dpi);
    RECT client{};
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, Scaled(498, dpi)) << dpi;
    EXPECT_EQ(client.bottom, Scaled(426, dpi)) << dpi;
    for (const Placed& p : placed) {
      const ui::TRect& b = p.c->Bounds();
      const RECT r = InParent(*p.c);
      EXPECT_EQ(r.left, Scaled(b.left, dpi)) << p.name << " at " << dpi;
      EXPECT_EQ(r.top, Scaled(b.top, dpi)) << p.name << " at " << dpi;
      EXPECT_EQ(r.right - r.left, Scaled(b.left + b.width, dpi) - Scaled(b.left, dpi)) << p.name << " at " << dpi;
      EXPECT_EQ(r.bottom - r.top, Scaled(b.top + b.height, dpi) - Scaled(b.top, dpi)) << p.name << " at " << dpi;
    }
    // Fonts: the window's, the title's own, and what a native check box was given.
    EXPECT_EQ(FontHeight(form->Font()), -Scaled(form->FontSpec().height, dpi)) << dpi;
    EXPECT_EQ(FontHeight(form->LblTitle->Font()), -Scaled(titleHeight, dpi)) << dpi;
    EXPECT_EQ(FontHeight(reinterpret_cast<HFONT>(SendMessageW(form->ChkTcpNoDelay->Handle(), WM_GETFONT, 0, 0))),
              -Scaled(form->FontSpec().height, dpi))
        << dpi;
    // The start button: an outline as wide as one pixel at 96 DPI scaled, the logo filling
    // the same share of its larger box.
    const Snapshot button(*form->BtnStart);
    const int mid = button.Height() / 2, line = Scaled(1, dpi);
    EXPECT_EQ(Hex(button.At(0, mid)), "3D84DD") << dpi;
    EXPECT_EQ(Hex(button.At(line - 1, mid)), "3D84DD") << dpi;
    EXPECT_EQ(Hex(button.At(line, mid)), "FFFFFF") << dpi;
    const Snapshot logo(*form->ImgLogo);
    EXPECT_EQ(logo.Width(), Scaled(115, dpi) - Scaled(3, dpi));
    EXPECT_EQ(Hex(logo.At(Scaled(4, dpi), Scaled(25, dpi))), "32A3F2") << dpi;
    EXPECT_EQ(Hex(logo.At(Scaled(4, dpi), Scaled(4, dpi))), "FFFFFF") << dpi;
    EXPECT_EQ(Hex(logo.At(Scaled(11, dpi), Scaled(25, dpi))), "FFFFFF") << dpi;
  }
  // The centre that the indicator and the start button share, in Card1.
  const RECT b = InParent(*form->BtnStart), i = InParent(*form->Indicator);
  EXPECT_EQ((b.left + b.right) / 2, 257);
  EXPECT_EQ((b.top + b.bottom) / 2, 298);
  EXPECT_EQ((i.left + i.right) / 2, 257);
  EXPECT_EQ((i.top + i.bottom) / 2, 298);
}

}  // namespace
}  // namespace swiftlane
