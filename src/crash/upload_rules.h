// How the upload addresses the report service and reads its answer.
#pragma once

#include <cstdint>
#include <string>

namespace swiftlane::crash {

struct TServerAddress {
  std::u16string host;
  std::uint16_t port = 0;
  std::u16string path;
  bool valid = false;
};

// Splits "https://host[:port]/path": the scheme and "://" are dropped, the host runs to the
// first "/", the path is the rest. Without a port in the host, 'defaultPort' is used.
TServerAddress SplitServerUrl(const std::u16string& url, std::uint16_t defaultPort);

// Whether a redirect target may be handed to the shell: only absolute http:// or https://
// addresses with a host, and without control characters.
bool IsOpenableLocation(const std::u16string& location);

enum class TReplyOutcome { kSuccess, kSuccessOpenLocation, kFailure };
// 200 succeeds; 301, 302 and 303 succeed when they carry a Location; everything else fails.
TReplyOutcome ClassifyReply(std::uint32_t status, bool hasLocation);

// The reply body is read to its end, but at most this much of it is kept.
inline constexpr std::uint64_t kMaxReplyBody = 4u << 20;

}  // namespace swiftlane::crash
