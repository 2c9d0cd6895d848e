// The settings store as the window controller sees it: named values that read as the
// caller's default when missing, and writes that never fail loudly.
#pragma once

#include <cstdint>
#include <string>

namespace swiftlane {

class IConfigStore {
 public:
  virtual ~IConfigStore() = default;
  virtual std::int32_t ReadInteger(const std::u16string& Name, std::int32_t Default) = 0;
  virtual bool ReadBoolean(const std::u16string& Name, bool Default) = 0;
  virtual std::u16string ReadString(const std::u16string& Name, const std::u16string& Default) = 0;
  virtual std::int32_t WriteInteger(const std::u16string& Name, std::int32_t Value) = 0;
  virtual bool WriteBoolean(const std::u16string& Name, bool Value) = 0;
  virtual std::u16string WriteString(const std::u16string& Name, const std::u16string& Value) = 0;
};

}  // namespace swiftlane
