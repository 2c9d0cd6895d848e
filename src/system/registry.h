// Full registry paths: a predefined root key name written out in full, one backslash, and
// the subkey path ("HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\MSMQ\Parameters"). Portable: the
// Win32 side turns the key value into the platform's predefined handle.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace swiftlane {

// The seven predefined root keys in the order of their key values: entry i is 0x80000000 + i.
inline constexpr std::array<std::u16string_view, 7> RootKeyNames = {
    u"HKEY_CLASSES_ROOT",     u"HKEY_CURRENT_USER",   u"HKEY_LOCAL_MACHINE", u"HKEY_USERS",
    u"HKEY_PERFORMANCE_DATA", u"HKEY_CURRENT_CONFIG", u"HKEY_DYN_DATA",
};

// The predefined key value of a root name compared exactly (letter case counts, no
// abbreviations), or 0 when the name is not in the table.
std::uint32_t RootKeyByName(std::u16string_view Name);

struct RegPathParts {
  std::u16string root;    // text before the first backslash; empty when there is none
  std::u16string subKey;  // text after it to the end; the whole path when there is none
};

// Splits a full registry path at its first backslash.
RegPathParts SplitRegPath(std::u16string_view Path);

}  // namespace swiftlane
