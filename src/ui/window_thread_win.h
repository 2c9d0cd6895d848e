// The one way background threads reach the window: a blocking hand-over to the window
// thread's queue. A call never reaches a window that is gone: once the main window has
// been destroyed, hand-overs return false without running anything.
#pragma once

#include <functional>

namespace swiftlane::ui {

// On the window thread, before any background thread starts.
void InstallWindowThread();
// On the window thread when the main window goes away.
void CloseWindowThread();
// True once the main window is gone: the program is closing.
bool WindowThreadClosed();
// Runs fn on the window thread and waits until it has run there; on the window thread
// itself it runs fn at once. False when the window is gone and fn did not run.
bool RunOnWindowThread(const std::function<void()>& fn);

}  // namespace swiftlane::ui
