// The install identity kept under HKEY_CURRENT_USER\Software\Tarnwick, value "TUID".
#pragma once

#include <string>

namespace swiftlane {

// Seeds the program's generator (install_id.h) from the performance counter, or the
// tick count when there is none. main calls it once at start-up.
void SeedRandomFromClock();

// A new identity from the generator and two readings of the local clock (date, time).
std::u16string MakeInstallId();

// The stored identity, made and stored first when "TUID" is missing. Empty when the
// registry cannot be used or the value is not text; an existing value is never replaced.
std::u16string GetInstallId();

}  // namespace swiftlane
