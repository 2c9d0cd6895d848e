// Tests against the stand-in services; without them running every test here would fail
// for a reason that has nothing to do with the code under test, so say so once.
#include <gmock/gmock.h>

#include <cstdio>

#include "standin_win.h"

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleMock(&argc, argv);
  if (swiftlane::standin::HostPort("myip-ok").empty()) {
    std::fprintf(stderr,
                 "The stand-in services are not running (SWIFTLANE_STANDIN_RUN unset or no ports.txt).\n"
                 "Run these tests through ctest, which starts them as the fixture \"standin\".\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
