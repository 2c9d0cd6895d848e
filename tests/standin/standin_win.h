// What Windows tests need to reach the stand-in services: a site's localhost:PORT and the
// records of the requests it received. The ctest fixture "standin" starts the services and
// names their run directory in SWIFTLANE_STANDIN_RUN.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace swiftlane::standin {

// The run directory as a Windows path, or empty when SWIFTLANE_STANDIN_RUN is not set.
std::wstring RunDir();

// "localhost:PORT" of a site, or empty when the stand-in does not serve it.
std::u16string HostPort(std::string_view site);

// The log records of a site in arrival order, each one JSON line as the stand-in wrote it.
std::vector<std::string> Records(std::string_view site);

// The JSON text of a string, as it stands in a record: Quoted("ip") is "\"ip\"".
std::string Quoted(std::string_view text);

// Success when the record holds each header with its value, in this order.
::testing::AssertionResult HasHeadersInOrder(const std::string& record,
                                             const std::vector<std::pair<std::string, std::string>>& headers);

}  // namespace swiftlane::standin
