#include "update/version_win.h"

#include <windows.h>

#include <vector>

#include "system/win_handles_win.h"
#include "update/version.h"

namespace swiftlane {
namespace {

std::u16string ModulePath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return win::U(buf.data(), n);
    if (buf.size() >= 32768) return {};
    buf.resize(buf.size() * 2);
  }
}

}  // namespace

std::u16string GetFileVersionString(const std::u16string& Path, const std::u16string& Format) {
  const std::u16string unknown = u"0.0.0.0";
  if (Path.empty()) return unknown;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(win::W(Path), &ignored);
  if (size == 0) return unknown;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(win::W(Path), 0, size, block.data())) return unknown;
  void* data = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(block.data(), L"\\", &data, &len) || data == nullptr || len < sizeof(VS_FIXEDFILEINFO))
    return unknown;
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(data);
  if (info->dwSignature != 0xFEEF04BD) return unknown;
  return FormatVersion(Format, {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                                HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)});
}

std::u16string GetVersionString(const std::u16string& Format) {
  return GetFileVersionString(ModulePath(), Format);
}

}  // namespace swiftlane
