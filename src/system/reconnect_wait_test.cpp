#include "system/reconnect_wait.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace swiftlane {
namespace {

// Records probes and pauses as one sequence so that their order is checked too.
struct Trace {
  std::vector<std::string> events;
  int probes = 0;
  int succeedAt = 0;  // 1-based probe that succeeds; 0 for never

  bool Run() {
    return WaitUntilOnline(
        [this] {
          ++probes;
          events.push_back("probe");
          return probes == succeedAt;
        },
        [this](std::uint32_t ms) { events.push_back("pause " + std::to_string(ms)); });
  }
};

TEST(ReconnectWait, OnlineAtFirstProbeNeedsNoPause) {
  Trace t{.succeedAt = 1};
  EXPECT_TRUE(t.Run());
  EXPECT_EQ(t.events, (std::vector<std::string>{"probe"}));
}

TEST(ReconnectWait, StopsAtTheFirstSuccess) {
  Trace t{.succeedAt = 3};
  EXPECT_TRUE(t.Run());
  EXPECT_EQ(t.events, (std::vector<std::string>{"probe", "pause 1000", "probe", "pause 1000", "probe"}));
}

TEST(ReconnectWait, SuccessAtTheLastProbe) {
  Trace t{.succeedAt = 300};
  EXPECT_TRUE(t.Run());
  EXPECT_EQ(t.probes, 300);
  EXPECT_EQ(t.events.size(), 300u + 299u);
  EXPECT_EQ(t.events.back(), "probe");
}

TEST(ReconnectWait, ThreeHundredFailuresThenDoneWithThreeHundredPauses) {
  Trace t{.succeedAt = 0};
  EXPECT_FALSE(t.Run());
  EXPECT_EQ(t.probes, 300);
  ASSERT_EQ(t.events.size(), 600u);
  for (size_t i = 0; i < t.events.size(); i += 2) {
    EXPECT_EQ(t.events[i], "probe") << i;
    EXPECT_EQ(t.events[i + 1], "pause 1000") << i;
  }
}

}  // namespace
}  // namespace swiftlane
