// The crash reporter: catches every exception that no code handles, shows the error box,
// uploads the bug report and ends the process with exit code 1.
#pragma once

#include <exception>
#include <string>

namespace swiftlane::crash {

struct TCrashReporterOptions {
  // Target of the upload; empty means "https://" + the report service's host + "/except.php".
  std::u16string reportUrl;
};

// Call first thing in wWinMain, before any window exists. Verifies the executable's own
// checksum (a damaged file is reported and the process ends) and installs the handlers.
void InstallCrashReporter();
void InstallCrashReporter(const TCrashReporterOptions& options);

// For code that catches an exception it cannot handle: the window-procedure dispatch
// boundary and thread entry points. Reports the exception and never returns.
[[noreturn]] void HandleException(std::exception_ptr error) noexcept;

}  // namespace swiftlane::crash
