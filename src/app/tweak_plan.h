// The latency tweak set as data: which registry values Start writes and Stop deletes or
// resets, step by step in the order they run. The controller hands each step to the
// registry path access; every step is independent of the ones before it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swiftlane {

// The five check boxes of the configuration page as Start reads them.
struct TweakOptions {
  bool TCPAckFrequency = false;         // ChkTCPAckFrequency
  bool TcpDelAckTick = false;           // ChkTcpDelAckTick
  bool TcpNoDelay = false;              // ChkTcpNoDelay
  bool NetworkThrottlingIndex = false;  // ChkNetworkThrottlingIndex
  bool SystemResponsiveness = false;    // ChkSystemResponsiveness
};

enum class RegStepKind { Write, Delete };

struct RegStep {
  RegStepKind kind;
  std::u16string path;   // full registry path of the key
  std::u16string name;   // value name
  std::uint32_t value;   // DWORD to write; 0 for a delete
  bool operator==(const RegStep&) const = default;
};

inline constexpr char16_t kInterfacesKey[] =
    u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
inline constexpr char16_t kMessageQueueKey[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSMQ\\Parameters";
inline constexpr char16_t kSystemProfileKey[] =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\SystemProfile";

// The adapter's TCP/IP interface key: the interfaces key followed directly by the GUID in braces.
std::u16string AdapterKey(const std::u16string& NetworkGUID);

// What Start writes for the checked options; nothing when none is checked.
std::vector<RegStep> StartPlan(const TweakOptions& Options, const std::u16string& NetworkGUID);

// What Stop reverts, whatever is checked: the adapter and message-queue values deleted,
// the two system-profile values reset to the platform's defaults 10 and 20.
std::vector<RegStep> StopPlan(const std::u16string& NetworkGUID);

}  // namespace swiftlane
