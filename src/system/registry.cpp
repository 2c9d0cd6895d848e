#include "system/registry.h"

namespace swiftlane {

std::uint32_t RootKeyByName(std::u16string_view Name) {
  for (std::size_t i = 0; i < RootKeyNames.size(); ++i)
    if (RootKeyNames[i] == Name) return 0x80000000u + static_cast<std::uint32_t>(i);
  return 0;
}

RegPathParts SplitRegPath(std::u16string_view Path) {
  const std::size_t slash = Path.find(u'\\');
  if (slash == std::u16string_view::npos) return {std::u16string(), std::u16string(Path)};
  return {std::u16string(Path.substr(0, slash)), std::u16string(Path.substr(slash + 1))};
}

}  // namespace swiftlane
