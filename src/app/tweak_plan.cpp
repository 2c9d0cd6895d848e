#include "app/tweak_plan.h"

#include <utility>

namespace swiftlane {
namespace {

RegStep Write(std::u16string path, const char16_t* name, std::uint32_t value) {
  return {RegStepKind::Write, std::move(path), name, value};
}
RegStep Delete(std::u16string path, const char16_t* name) { return {RegStepKind::Delete, std::move(path), name, 0}; }

}  // namespace

std::u16string AdapterKey(const std::u16string& NetworkGUID) { return kInterfacesKey + NetworkGUID; }

std::vector<RegStep> StartPlan(const TweakOptions& Options, const std::u16string& NetworkGUID) {
  std::vector<RegStep> steps;
  if (Options.TCPAckFrequency) steps.push_back(Write(AdapterKey(NetworkGUID), u"TcpAckFrequency", 1));
  if (Options.TcpDelAckTick) steps.push_back(Write(AdapterKey(NetworkGUID), u"TcpDelAckTicks", 0));
  if (Options.TcpNoDelay) {
    steps.push_back(Write(AdapterKey(NetworkGUID), u"TCPNoDelay", 1));
    steps.push_back(Write(kMessageQueueKey, u"TCPNoDelay", 1));
  }
  // 0xFFFFFFFF (the bit pattern of -1) switches network throttling off.
  if (Options.NetworkThrottlingIndex) steps.push_back(Write(kSystemProfileKey, u"NetworkThrottlingIndex", 0xFFFFFFFFu));
  if (Options.SystemResponsiveness) steps.push_back(Write(kSystemProfileKey, u"SystemResponsiveness", 0));
  return steps;
}

std::vector<RegStep> StopPlan(const std::u16string& NetworkGUID) {
  return {
      Delete(AdapterKey(NetworkGUID), u"TcpAckFrequency"),
      Delete(AdapterKey(NetworkGUID), u"TcpDelAckTicks"),
      Delete(AdapterKey(NetworkGUID), u"TCPNoDelay"),
      Delete(kMessageQueueKey, u"TCPNoDelay"),
      Write(kSystemProfileKey, u"NetworkThrottlingIndex", 10),
      Write(kSystemProfileKey, u"SystemResponsiveness", 20),
  };
}

}  // namespace swiftlane
