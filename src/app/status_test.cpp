#include "app/status.h"

#include <gtest/gtest.h>

namespace swiftlane {
namespace {

TEST(StatusTable, RowsMatchTheWindowContract) {
  const StatusView idle = ViewOf(TStatus::stIdle);
  EXPECT_EQ(idle.caption, u"실행하기");
  EXPECT_TRUE(idle.buttonEnabled);
  EXPECT_FALSE(idle.buttonDown);
  EXPECT_FALSE(idle.indicatorVisible);
  EXPECT_EQ(idle.stored, 0);
  EXPECT_TRUE(idle.optionsEnabled);

  const StatusView running = ViewOf(TStatus::stRunning);
  EXPECT_EQ(running.caption, u"실행중");
  EXPECT_TRUE(running.buttonEnabled);
  EXPECT_TRUE(running.buttonDown);
  EXPECT_EQ(running.stored, 1);
  EXPECT_FALSE(running.optionsEnabled);

  const StatusView busy = ViewOf(TStatus::stBusy);
  EXPECT_TRUE(busy.caption.empty());
  EXPECT_FALSE(busy.buttonEnabled);
  EXPECT_TRUE(busy.indicatorVisible);
  EXPECT_FALSE(busy.stored.has_value());
  EXPECT_FALSE(busy.optionsEnabled);
}

TEST(StatusTable, StoredValuesOtherThanOneShowIdle) {
  const struct { std::int32_t stored; TStatus shown; } cases[] = {
      {0, TStatus::stIdle},      {1, TStatus::stRunning}, {2, TStatus::stIdle},
      {-1, TStatus::stIdle},     {257, TStatus::stRunning},  // low byte 1
      {256, TStatus::stIdle},    {7, TStatus::stIdle},
  };
  for (const auto& c : cases) EXPECT_EQ(StatusFromStored(c.stored), c.shown) << c.stored;
}

}  // namespace
}  // namespace swiftlane
