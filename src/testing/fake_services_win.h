// Test support: system services with nothing behind them but memory, recording each call.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/services.h"

namespace swiftlane::testing {

// A settings store that several batches share, counting the writes per name.
class MemoryConfig {
 public:
  std::map<std::u16string, std::int32_t> values;
  std::map<std::u16string, int> writes;
};

class MemoryConfigStore final : public IConfigStore {
 public:
  explicit MemoryConfigStore(MemoryConfig& c) : c_(c) {}
  std::int32_t ReadInteger(const std::u16string& n, std::int32_t d) override {
    auto it = c_.values.find(n);
    return it == c_.values.end() ? d : it->second;
  }
  bool ReadBoolean(const std::u16string& n, bool d) override { return ReadInteger(n, d ? 1 : 0) != 0; }
  std::u16string ReadString(const std::u16string&, const std::u16string& d) override { return d; }
  std::int32_t WriteInteger(const std::u16string& n, std::int32_t v) override {
    c_.values[n] = v;
    ++c_.writes[n];
    return v;
  }
  bool WriteBoolean(const std::u16string& n, bool v) override {
    WriteInteger(n, v ? 1 : 0);
    return v;
  }
  std::u16string WriteString(const std::u16string&, const std::u16string& v) override { return v; }

 private:
  MemoryConfig& c_;
};

class FakeServices : public ISystemServices {
 public:
  // What discovery finds; an empty guid means no active adapter.
  std::u16string adapterName = u"Ethernet 2", adapterGuid = u"{11111111-2222-3333-4444-555555555555}",
                 adapterIp = u"10.0.0.2";
  MemoryConfig config;
  std::mutex mu;
  std::vector<std::string> calls;  // "write <path>\<name>=<v>", "delete ...", "net <guid> 0|1", "open <url>"
  std::atomic<int> probes{0};
  std::atomic<bool> online{true};
  // While set, a pause of the reconnect wait lasts until it is cleared.
  std::atomic<bool> holdPauses{false};

  std::unique_ptr<IConfigStore> OpenConfig(const std::u16string&) override {
    return std::make_unique<MemoryConfigStore>(config);
  }
  bool GetActiveNetwork(std::u16string& name, std::u16string& guid, std::u16string& ip) override {
    if (adapterGuid.empty()) return false;
    name = adapterName;
    guid = adapterGuid;
    ip = adapterIp;
    return true;
  }
  bool SetNetworkEnabled(const std::u16string& guid, bool enabled) override {
    Record("net " + Narrow(guid) + (enabled ? " 1" : " 0"));
    return !guid.empty();
  }
  bool IsOnline() override {
    ++probes;
    return online.load();
  }
  void Pause(std::uint32_t) override {
    while (holdPauses.load()) Sleep(1);
  }
  void WriteRegValue(const std::u16string& path, const std::u16string& name, std::uint32_t value) override {
    Record("write " + Narrow(path) + "\\" + Narrow(name) + "=" + std::to_string(value));
  }
  void DeleteRegValue(const std::u16string& path, const std::u16string& name) override {
    Record("delete " + Narrow(path) + "\\" + Narrow(name));
  }
  void ShellOpen(const std::u16string& target) override { Record("open " + Narrow(target)); }
  void CheckUpdate(const std::u16string& url, UpdateDone callback, std::int32_t rowOffset) override {
    Record("update " + Narrow(url) + " " + std::to_string(rowOffset));
    updateDone = std::move(callback);
  }
  UpdateDone updateDone;

  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(mu);
    return calls;
  }

 private:
  void Record(std::string s) {
    std::lock_guard<std::mutex> lock(mu);
    calls.push_back(std::move(s));
  }
  static std::string Narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
  }
};

}  // namespace swiftlane::testing
