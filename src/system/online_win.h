// The online probe: one request to the maker's public-address service.
#pragma once

#include <string>

namespace swiftlane {

// True when https://<hostPort>/myip answered, with any status, with a body that holds the
// key ip in double quotes; false on every error. A fresh HTTP client each call.
bool IsOnlineAt(const std::u16string& hostPort);

// IsOnlineAt with the public-address host of this build.
bool IsOnline();

}  // namespace swiftlane
