// The running program file's version, read from its version resource.
#pragma once

#include <string>

namespace swiftlane {

// The file version (not the product version) of the running program through Format
// (every caller passes "%d.%d.%d.%d"); "0.0.0.0" when it cannot be read.
std::u16string GetVersionString(const std::u16string& Format);

// The same for any file; used by GetVersionString with the program's own path.
std::u16string GetFileVersionString(const std::u16string& Path, const std::u16string& Format);

}  // namespace swiftlane
