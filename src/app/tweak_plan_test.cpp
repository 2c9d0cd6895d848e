#include "app/tweak_plan.h"

#include <gtest/gtest.h>

namespace swiftlane {
namespace {

// Written out in full here, not taken from the header, so a typo there shows.
const std::u16string kGuid = u"{00000003-0000-0000-0000-4E6574446576}";
const std::u16string kAdapter =
    u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\"
    u"{00000003-0000-0000-0000-4E6574446576}";
const std::u16string kMsmq = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSMQ\\Parameters";
const std::u16string kProfile =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\SystemProfile";

constexpr RegStepKind W = RegStepKind::Write;
constexpr RegStepKind D = RegStepKind::Delete;

const RegStep kAckFrequency{W, kAdapter, u"TcpAckFrequency", 1};
const RegStep kDelAckTicks{W, kAdapter, u"TcpDelAckTicks", 0};
const RegStep kNoDelayAdapter{W, kAdapter, u"TCPNoDelay", 1};
const RegStep kNoDelayMsmq{W, kMsmq, u"TCPNoDelay", 1};
const RegStep kThrottlingOff{W, kProfile, u"NetworkThrottlingIndex", 0xFFFFFFFFu};
const RegStep kResponsivenessZero{W, kProfile, u"SystemResponsiveness", 0};

std::string Describe(const std::vector<RegStep>& steps) {
  std::string out;
  for (const RegStep& s : steps) {
    out += s.kind == W ? "write " : "delete ";
    out += std::string(s.path.begin(), s.path.end()) + " " + std::string(s.name.begin(), s.name.end()) + " = " +
           std::to_string(s.value) + "\n";
  }
  return out;
}

TEST(TweakPlan, AdapterKeyIsTheInterfacesKeyFollowedByTheGuid) {
  EXPECT_EQ(AdapterKey(kGuid), kAdapter);
  EXPECT_EQ(AdapterKey(u""),
            u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\");
}

TEST(TweakPlan, StartWritesTheCheckedOptionsInOrder) {
  const struct {
    TweakOptions options;
    std::vector<RegStep> steps;
  } table[] = {
      {{false, false, false, false, false}, {}},
      {{true, false, false, false, false}, {kAckFrequency}},
      {{false, true, false, false, false}, {kDelAckTicks}},
      {{false, false, true, false, false}, {kNoDelayAdapter, kNoDelayMsmq}},
      {{false, false, false, true, false}, {kThrottlingOff}},
      {{false, false, false, false, true}, {kResponsivenessZero}},
      {{true, false, true, false, true}, {kAckFrequency, kNoDelayAdapter, kNoDelayMsmq, kResponsivenessZero}},
      {{false, true, false, true, false}, {kDelAckTicks, kThrottlingOff}},
      {{true, true, true, true, true},
       {kAckFrequency, kDelAckTicks, kNoDelayAdapter, kNoDelayMsmq, kThrottlingOff, kResponsivenessZero}},
  };
  for (const auto& row : table) {
    const std::vector<RegStep> plan = StartPlan(row.options, kGuid);
    EXPECT_EQ(plan, row.steps) << "got:\n" << Describe(plan) << "want:\n" << Describe(row.steps);
  }
}

TEST(TweakPlan, StopRevertsTheWholeSetInOrder) {
  const std::vector<RegStep> want = {
      {D, kAdapter, u"TcpAckFrequency", 0},     {D, kAdapter, u"TcpDelAckTicks", 0},
      {D, kAdapter, u"TCPNoDelay", 0},          {D, kMsmq, u"TCPNoDelay", 0},
      {W, kProfile, u"NetworkThrottlingIndex", 10}, {W, kProfile, u"SystemResponsiveness", 20},
  };
  const std::vector<RegStep> plan = StopPlan(kGuid);
  EXPECT_EQ(plan, want) << Describe(plan);
}

TEST(TweakPlan, EveryAdapterValueUsesTheGivenGuid) {
  const std::u16string other = u"{4D36E972-E325-11CE-BFC1-08002BE10318}";
  const TweakOptions all{true, true, true, true, true};
  for (const std::vector<RegStep>& plan : {StartPlan(all, other), StopPlan(other)})
    for (const RegStep& s : plan)
      if (s.path != kMsmq && s.path != kProfile) EXPECT_EQ(s.path, AdapterKey(other)) << Describe({s});
}

TEST(TweakPlan, StopWithoutAdapterStillResetsTheSystemProfile) {
  // No adapter found at start: the adapter deletes land on the interfaces key itself, where
  // those values do not live; the system-profile reset still follows.
  const std::vector<RegStep> plan = StopPlan(u"");
  ASSERT_EQ(plan.size(), 6u);
  EXPECT_EQ(plan[4], (RegStep{W, kProfile, u"NetworkThrottlingIndex", 10}));
  EXPECT_EQ(plan[5], (RegStep{W, kProfile, u"SystemResponsiveness", 20}));
}

}  // namespace
}  // namespace swiftlane
