// Opens the real main window with the real system services and prints what its
// configuration page says about the adapter, one "key=value" line each:
//   adapter=<LblAdapter>  ip=<LblIPAddress>  guid=<NetworkGUID>
// The labels are drawn by our own widgets, so no outside tool can read them off the screen.
// With "show" the window then stays on its configuration page until it is closed: a
// screenshot of it is what these captions look like, to compare swiftlane.exe's with.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/frm_swiftlane_win.h"
#include "app/services_win.h"
#include "ui/button_style.h"
#include "ui/translate_win.h"
#include "ui/widgets_win.h"
#include "ui/window_thread_win.h"

namespace {

std::string Utf8(const std::u16string& text) {
  const auto* w = reinterpret_cast<const wchar_t*>(text.c_str());
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace swiftlane;
  ui::StartTranslateUnit();
  ui::RegisterTarnwickButtonStyles();
  ui::Application().Initialize();
  ui::InstallWindowThread();
  auto* services = new TSystemServices();
  auto* form = new TFrmSwiftlane(nullptr, *services);
  std::printf("adapter=%s\nip=%s\nguid=%s\n", Utf8(form->LblAdapter->Caption()).c_str(),
              Utf8(form->LblIPAddress->Caption()).c_str(), Utf8(form->NetworkGUID).c_str());
  std::fflush(stdout);
  if (argc > 1 && std::wstring(argv[1]) == L"show") {
    ui::Application().SetMainForm(form);
    form->OnDestroy = [] {
      ui::CloseWindowThread();
      PostQuitMessage(0);
    };
    form->BtnHomeClick(*form->BtnConfig);
    form->Show();
    ui::Application().Run();
  }
  // The update check started by the window must not outlive this answer.
  ExitProcess(0);
}
