#include "system/registry_win.h"

#include "system/registry.h"
#include "system/win_handles_win.h"

namespace swiftlane {
namespace {

// Read (0x20019) | write (0x20006) | KEY_WOW64_64KEY (0x100): a 32-bit build reaches the
// same keys as the system's own 64-bit components.
constexpr REGSAM kAccess = 0x2011F;

// Opens the key of a full path with create; an empty owner when the root is not a full,
// exactly spelled predefined name or the key cannot be opened or created.
win::unique_hkey OpenWithCreate(const std::u16string& Path) {
  const RegPathParts parts = SplitRegPath(Path);
  const std::uint32_t rootValue = RootKeyByName(parts.root);
  if (rootValue == 0) return {};  // no root key: the open would fail anyway
  // Predefined handles are the 32-bit value sign-extended, as the platform's headers define them.
  const HKEY root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(rootValue)));
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, win::W(parts.subKey), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return {};
  return win::unique_hkey(key);
}

}  // namespace

// Both swallow every failure, allocation included: the caller never learns the outcome.
// The key is closed without a flush; the registry writes it lazily.
void WriteRegValue(const std::u16string& Path, const std::u16string& Name, std::uint32_t Value) {
  try {
    const win::unique_hkey key = OpenWithCreate(Path);
    if (!key) return;
    const DWORD data = Value;  // little-endian on every Windows target
    RegSetValueExW(key.get(), win::W(Name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
  } catch (...) {
  }
}

void DeleteRegValue(const std::u16string& Path, const std::u16string& Name) {
  try {
    const win::unique_hkey key = OpenWithCreate(Path);
    if (!key) return;
    RegDeleteValueW(key.get(), win::W(Name));
  } catch (...) {
  }
}

}  // namespace swiftlane
