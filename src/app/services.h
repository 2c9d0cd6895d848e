// Everything the window controller reaches outside itself, passed in at construction.
// main wires the real implementations; tests wire fakes and drive the real window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/config_store.h"

namespace swiftlane {

class ISystemServices {
 public:
  virtual ~ISystemServices() = default;

  // Settings store for one batch of reads or writes (HKEY_CURRENT_USER\Software\<path>).
  virtual std::unique_ptr<IConfigStore> OpenConfig(const std::u16string& path) = 0;

  // Active adapter discovery; after a false result the three texts hold nothing of use.
  virtual bool GetActiveNetwork(std::u16string& name, std::u16string& guid, std::u16string& ip) = 0;
  // Restart of the adapter's connection.
  virtual bool SetNetworkEnabled(const std::u16string& guid, bool enabled) = 0;
  // One probe of the public-address service; called from the reconnect wait thread.
  virtual bool IsOnline() = 0;
  // The pause between two failed probes; called from the reconnect wait thread.
  virtual void Pause(std::uint32_t milliseconds) = 0;

  // Registry values by full path, 64-bit view; failures are swallowed.
  virtual void WriteRegValue(const std::u16string& path, const std::u16string& name, std::uint32_t value) = 0;
  virtual void DeleteRegValue(const std::u16string& path, const std::u16string& name) = 0;

  // Opens an address with the shell's "open" verb.
  virtual void ShellOpen(const std::u16string& target) = 0;

  // Starts the update check in the background; the callback later runs on the window
  // thread with whether the user accepted an update, and the reply.
  using UpdateDone = std::function<void(bool accepted, const std::u16string& reply)>;
  virtual void CheckUpdate(const std::u16string& serviceUrl, UpdateDone callback, std::int32_t rowOffset) = 0;
};

}  // namespace swiftlane
