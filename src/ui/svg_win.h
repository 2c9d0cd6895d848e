// SVG documents built into the program as RCDATA resources (the logo is "LOGO").
#pragma once

#include <windows.h>

#include <optional>

#include "ui/svg.h"

namespace swiftlane::ui {

// The document of a module's RCDATA resource; nothing when it is missing or is not SVG.
std::optional<TSvgDocument> LoadSvgResource(HMODULE module, const wchar_t* name, double tolerance = 0.1);

}  // namespace swiftlane::ui
