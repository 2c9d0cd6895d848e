// Byte forms of report texts: UTF-8 for files and upload values, Base64 for encoded names.
#pragma once

#include <string>
#include <string_view>

namespace swiftlane::crash {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD so the output is always valid.
std::string ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; malformed bytes become U+FFFD.
std::u16string FromUtf8(std::string_view bytes);
// Standard Base64 with padding.
std::string Base64(std::string_view bytes);
// Narrow ASCII literal to UTF-16 (report labels are ASCII).
std::u16string Ascii16(std::string_view ascii);

}  // namespace swiftlane::crash
