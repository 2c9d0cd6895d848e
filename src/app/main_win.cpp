// Entry point: one instance per logon session, then the main window and its message loop.
#include <windows.h>

#include "app/frm_swiftlane_win.h"
#include "app/services_win.h"
#include "crash/crash_reporter_win.h"
#include "ui/button_style.h"
#include "ui/translate_win.h"
#include "ui/widgets_win.h"
#include "ui/window_thread_win.h"
#include "update/install_id_win.h"

namespace {

// Creating the mutex first closes the gap between a test and a creation: of two starts at
// the same moment exactly one creates it. The handle is held, never released, until the
// process ends; the system then releases it.
bool AnotherInstanceRuns() {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"SwiftlaneMutex");
  const DWORD err = GetLastError();
  if (!mutex) return err == ERROR_ACCESS_DENIED;  // it exists, made by an instance we cannot open
  return err == ERROR_ALREADY_EXISTS;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace swiftlane;
  // Set up before anything else, in this order: the random generator (the tagline and the
  // install identity draw from it), the catalogue and the language, the button styles the
  // window names, and the crash reporter, which from now on sees every unhandled exception.
  SeedRandomFromClock();
  ui::StartTranslateUnit();
  ui::RegisterTarnwickButtonStyles();
  crash::InstallCrashReporter();
  ui::SetDispatchExceptionHandler([](std::exception_ptr e) { crash::HandleException(e); });

  if (AnotherInstanceRuns()) ExitProcess(0);

  ui::Application().Initialize();
  ui::InstallWindowThread();
  // The services and the window live to the end of the process: closing the window ends
  // it, and background threads must never see them destroyed.
  auto* services = new TSystemServices();
  auto* form = new TFrmSwiftlane(nullptr, *services);
  ui::Application().SetMainForm(form);
  form->OnDestroy = [] {
    ui::CloseWindowThread();
    PostQuitMessage(0);
  };
  form->Show();
  ui::Application().Run();
  ExitProcess(0);
}
