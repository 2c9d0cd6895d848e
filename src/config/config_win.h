// TConfig: the per-user settings store under HKEY_CURRENT_USER\Software\<Path>.
#pragma once

#include "config/config_store.h"
#include "system/win_handles_win.h"

namespace swiftlane {

class TConfig final : public IConfigStore {
 public:
  // Opens (creating when missing) HKEY_CURRENT_USER\Software\ followed by Path. A key that
  // cannot be opened leaves a store whose reads give defaults and whose writes do nothing.
  explicit TConfig(const std::u16string& Path);
  ~TConfig() override;

  std::int32_t ReadInteger(const std::u16string& Name, std::int32_t Default) override;
  bool ReadBoolean(const std::u16string& Name, bool Default) override;
  std::u16string ReadString(const std::u16string& Name, const std::u16string& Default) override;
  std::int32_t WriteInteger(const std::u16string& Name, std::int32_t Value) override;
  bool WriteBoolean(const std::u16string& Name, bool Value) override;
  std::u16string WriteString(const std::u16string& Name, const std::u16string& Value) override;

 private:
  bool ReadDword(const std::u16string& Name, DWORD& out) const;
  win::unique_hkey FReg;
};

}  // namespace swiftlane
