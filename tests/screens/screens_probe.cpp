// The real main window with fake system services, put into one state for a screenshot:
//   screens_probe.exe idle|busy|running|config|inactive <info file> [<dpi>]
// Once the window is painted it writes <info file> (its DPI, where its client area lies on
// the screen, and the rectangles of the controls the checks name) and waits until
// "<info file>.quit" appears. "inactive" shows the home page with another window active.
// With a DPI the window is then moved to a monitor of that DPI, as the system moves it:
// WM_DPICHANGED with the suggested rectangle.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/frm_swiftlane_win.h"
#include "testing/fake_services_win.h"
#include "ui/button_style.h"
#include "ui/translate_win.h"
#include "ui/window_thread_win.h"
#include "update/install_id.h"

namespace {

using namespace swiftlane;

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// A control's rectangle in the form's client coordinates, in pixels.
std::string RectOf(const char* name, const ui::TControl& c, HWND form) {
  RECT r{};
  GetWindowRect(c.Handle(), &r);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  char line[160];
  snprintf(line, sizeof line, "%s %ld %ld %ld %ld\n", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
  return line;
}

LRESULT CALLBACK OtherProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    fprintf(stderr, "usage: screens_probe idle|busy|running|config|inactive <info file> [<dpi>]\n");
    return 2;
  }
  const std::string state = argv[1], info = argv[2];
  // The same tagline in every screenshot, so that they compare: the first of the three.
  for (std::uint64_t seed = 1;; ++seed) {
    SeedRandom(seed);
    if (RandomBelow(3) == 0) {
      SeedRandom(seed);
      break;
    }
  }
  ui::StartTranslateUnit();
  ui::RegisterTarnwickButtonStyles();
  ui::Application().Initialize();
  ui::InstallWindowThread();

  auto* services = new testing::FakeServices();  // outlives the reconnect wait thread
  if (state == "running") services->config.values[kKeyStatus] = 1;
  if (state == "busy") {
    services->online = false;
    services->holdPauses = true;
  }
  auto form = std::make_unique<TFrmSwiftlane>(nullptr, *services);
  ui::Application().SetMainForm(form.get());
  form->Show();
  Pump();
  if (state == "busy") form->BtnStart->Click();
  if (state == "config") form->BtnConfig->Click();
  HWND other = nullptr;
  if (state == "inactive") {
    WNDCLASSW wc{};
    wc.lpfnWndProc = OtherProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ScreensOtherWindow";
    RegisterClassW(&wc);
    other = CreateWindowExW(0, wc.lpszClassName, L"other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                            wc.hInstance, nullptr);
    SetForegroundWindow(other);
    SetActiveWindow(other);
  }
  if (argc == 4) {
    const int dpi = atoi(argv[3]);
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    const int from = form->Dpi();
    RECT suggested{wr.left, wr.top, wr.left + MulDiv(wr.right - wr.left, dpi, from),
                   wr.top + MulDiv(wr.bottom - wr.top, dpi, from)};
    SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  }
  for (int i = 0; i < 20; ++i) {
    Pump();
    Sleep(25);
  }
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump();

  POINT origin{0, 0};
  ClientToScreen(form->Handle(), &origin);
  RECT client{};
  GetClientRect(form->Handle(), &client);
  {
    std::ofstream out(info + ".part");
    out << "dpi " << form->Dpi() << "\n";
    out << "client " << origin.x << " " << origin.y << " " << client.right << " " << client.bottom << "\n";
    out << "language " << std::string(ui::CurrentLanguage().begin(), ui::CurrentLanguage().end()) << "\n";
    out << RectOf("Card1", *form->Card1, form->Handle());
    out << RectOf("BtnStart", *form->BtnStart, form->Handle());
    out << RectOf("Indicator", *form->Indicator, form->Handle());
    out << RectOf("BtnHome", *form->BtnHome, form->Handle());
    out << RectOf("BtnConfig", *form->BtnConfig, form->Handle());
    out << RectOf("ImgLogo", *form->ImgLogo, form->Handle());
    out << RectOf("LblContent", *form->LblContent, form->Handle());
  }
  MoveFileW(std::wstring(info.begin(), info.end()).append(L".part").c_str(),
            std::wstring(info.begin(), info.end()).c_str());

  // Keeps painting (the busy dots turn) until the script is done, at most a minute.
  const std::wstring quit = std::wstring(info.begin(), info.end()) + L".quit";
  for (int i = 0; i < 60 * 40 && GetFileAttributesW(quit.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    Pump();
    Sleep(25);
  }
  services->holdPauses = false;
  if (other) DestroyWindow(other);
  ExitProcess(0);
}
