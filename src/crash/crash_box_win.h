// The reporter's two boxes: the error box with its single "Close" button, and the
// please-wait box shown while the report is still being assembled.
#pragma once

#include <windows.h>

#include <string>

namespace swiftlane::crash {

// Modal for the calling thread; returns when the user presses "Close".
void ShowErrorBox(const std::u16string& title, const std::u16string& message);

// Shows the box until 'done' is signalled, keeping it responsive in 50 ms steps.
void WaitWithPleaseWaitBox(HANDLE done, const std::u16string& title, const std::u16string& text);

// Width the message is wrapped to: two thirds of the screen less the box's own margins.
int MessageWrapWidth(int screenWidth, int chrome);

}  // namespace swiftlane::crash
