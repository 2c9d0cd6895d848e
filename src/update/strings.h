// Picking single values out of the update service's JSON replies without parsing them
// as a whole: a marker search and the resolution of backslash escapes.
#pragma once

#include <optional>
#include <string>

namespace swiftlane {

// The text between the first start marker and the first end marker after it, copied from
// Source with its letter case intact. ASCII letters of the markers match either case.
// When the end marker is a double quote, an escaped quote inside the value does not end
// it. Empty when either marker is missing.
std::u16string GetBetween(const std::u16string& Source, const std::u16string& StartMarker,
                          const std::u16string& EndMarker);

// Resolves the backslash escapes of a JSON string value. A \u escape that is not followed
// by a hexadecimal number is a conversion error: the result is then empty (nullopt) and
// the caller decides what follows.
std::optional<std::u16string> JsonUnescape(const std::u16string& Text);

// Markers of a key's string value ("key":") and of its nested object ("key":{).
std::u16string StringStartMarker(const std::u16string& Key);
std::u16string ObjectStartMarker(const std::u16string& Key);

}  // namespace swiftlane
