#include "update/install_id_win.h"

#include <windows.h>

#include <vector>

#include "system/win_handles_win.h"
#include "update/install_id.h"

namespace swiftlane {
namespace {

constexpr wchar_t kKey[] = L"Software\\Tarnwick";
constexpr wchar_t kValue[] = L"TUID";

}  // namespace

void SeedRandomFromClock() {
  LARGE_INTEGER counter{};
  if (QueryPerformanceCounter(&counter) && counter.QuadPart != 0)
    SeedRandom(static_cast<std::uint64_t>(counter.QuadPart));
  else
    SeedRandom(GetTickCount64());
}

std::u16string MakeInstallId() {
  SYSTEMTIME date{};
  GetLocalTime(&date);
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return MakeInstallIdAt({date.wYear, date.wMonth, date.wDay}, {time.wHour, time.wMinute, time.wSecond});
}

std::u16string GetInstallId() {
  win::unique_hkey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS)
    return {};

  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key.get(), kValue, nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) {
    const std::u16string id = MakeInstallId();
    const DWORD bytes = static_cast<DWORD>((id.size() + 1) * sizeof(char16_t));
    if (RegSetValueExW(key.get(), kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(id.c_str()), bytes) !=
        ERROR_SUCCESS)
      return {};
    status = RegQueryValueExW(key.get(), kValue, nullptr, &type, nullptr, &size);
  }
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};

  // The value may change size between the two queries; read until it fits.
  std::vector<wchar_t> buf;
  for (int tries = 0; tries < 4; ++tries) {
    buf.assign(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>((buf.size() - 1) * sizeof(wchar_t));
    status = RegQueryValueExW(key.get(), kValue, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &bytes);
    if (status == ERROR_MORE_DATA) {
      size = bytes;
      continue;
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    // Text ends at its first terminator, whether or not the data carries one.
    buf.resize(bytes / sizeof(wchar_t));
    size_t n = 0;
    while (n < buf.size() && buf[n] != L'\0') ++n;
    return win::U(buf.data(), n);
  }
  return {};
}

}  // namespace swiftlane
