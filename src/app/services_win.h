// The real system services the program runs with.
#pragma once

#include "app/services.h"

namespace swiftlane {

class TSystemServices final : public ISystemServices {
 public:
  std::unique_ptr<IConfigStore> OpenConfig(const std::u16string& path) override;
  bool GetActiveNetwork(std::u16string& name, std::u16string& guid, std::u16string& ip) override;
  bool SetNetworkEnabled(const std::u16string& guid, bool enabled) override;
  bool IsOnline() override;
  void Pause(std::uint32_t milliseconds) override;
  void WriteRegValue(const std::u16string& path, const std::u16string& name, std::uint32_t value) override;
  void DeleteRegValue(const std::u16string& path, const std::u16string& name) override;
  void ShellOpen(const std::u16string& target) override;
  void CheckUpdate(const std::u16string& serviceUrl, UpdateDone callback, std::int32_t rowOffset) override;
};

}  // namespace swiftlane
