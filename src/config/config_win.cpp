#include "config/config_win.h"

#include <vector>

namespace swiftlane {
namespace {
constexpr REGSAM kFullAccess = 0xF003F;  // KEY_ALL_ACCESS, no view flag
}

TConfig::TConfig(const std::u16string& Path) {
  const std::u16string sub = u"Software\\" + Path;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, win::W(sub), 0, nullptr, REG_OPTION_NON_VOLATILE, kFullAccess,
                      nullptr, &key, nullptr) == ERROR_SUCCESS)
    FReg.reset(key);
}

// Closing without RegFlushKey: the registry writes the key lazily.
TConfig::~TConfig() = default;

bool TConfig::ReadDword(const std::u16string& Name, DWORD& out) const {
  if (!FReg) return false;
  DWORD type = 0, value = 0, size = sizeof(value);
  if (RegQueryValueExW(FReg.get(), win::W(Name), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
      ERROR_SUCCESS)
    return false;
  // A value of another type (a text under "status", say) is not ours: read the default.
  if (type != REG_DWORD || size != sizeof(value)) return false;
  out = value;
  return true;
}

std::int32_t TConfig::ReadInteger(const std::u16string& Name, std::int32_t Default) {
  DWORD v;
  return ReadDword(Name, v) ? static_cast<std::int32_t>(v) : Default;
}

bool TConfig::ReadBoolean(const std::u16string& Name, bool Default) {
  DWORD v;
  return ReadDword(Name, v) ? v != 0 : Default;
}

std::u16string TConfig::ReadString(const std::u16string& Name, const std::u16string& Default) {
  if (!FReg) return Default;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(FReg.get(), win::W(Name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return Default;
  std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
  if (RegQueryValueExW(FReg.get(), win::W(Name), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) !=
      ERROR_SUCCESS)
    return Default;
  // The stored text need not end with its zero; stop at the first one or at the data's end.
  size_t n = got / sizeof(wchar_t);
  size_t len = 0;
  while (len < n && buf[len] != L'\0') ++len;
  return win::U(buf.data(), len);
}

std::int32_t TConfig::WriteInteger(const std::u16string& Name, std::int32_t Value) {
  if (FReg) {
    const DWORD v = static_cast<DWORD>(Value);
    RegSetValueExW(FReg.get(), win::W(Name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v));
  }
  return Value;
}

bool TConfig::WriteBoolean(const std::u16string& Name, bool Value) {
  WriteInteger(Name, Value ? 1 : 0);
  return Value;
}

std::u16string TConfig::WriteString(const std::u16string& Name, const std::u16string& Value) {
  if (FReg)
    RegSetValueExW(FReg.get(), win::W(Name), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                   static_cast<DWORD>((Value.size() + 1) * sizeof(char16_t)));
  return Value;
}

}  // namespace swiftlane
