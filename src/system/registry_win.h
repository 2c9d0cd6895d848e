// Registry values named by a full registry path, always in the 64-bit view. Fire and
// forget: every failure is swallowed and the caller's next step runs regardless.
#pragma once

#include <cstdint>
#include <string>

namespace swiftlane {

// Opens (creating when missing) the key of Path and sets Name to Value as a DWORD.
void WriteRegValue(const std::u16string& Path, const std::u16string& Name, std::uint32_t Value);

// Opens the key of Path, also with create, and deletes Name; a missing value is no error.
void DeleteRegValue(const std::u16string& Path, const std::u16string& Name);

}  // namespace swiftlane
