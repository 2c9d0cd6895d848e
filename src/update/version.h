// The program's version text, from a caller's format and the four version numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace swiftlane {

// major, minor, release, build
using VersionNumbers = std::array<std::uint16_t, 4>;

// Applies a printf-like format to the four numbers in order. Only the conversions a
// version format needs are understood: %d, %u, %x, %X with an optional 0 flag and width,
// and %%; anything else is copied as it stands, and a fifth conversion gets nothing.
// Written by hand so a format text can never read arguments that are not there.
std::u16string FormatVersion(const std::u16string& Format, const VersionNumbers& Numbers);

}  // namespace swiftlane
