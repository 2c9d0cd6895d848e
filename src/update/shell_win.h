// Opening an address or a document through the shell.
#pragma once

#include <string>

namespace swiftlane {

// Asks the shell to open Target with the verb "open" as a normal window: no owner, no
// parameters, no working directory. Whether the shell succeeded is not looked at.
void ShellOpen(const std::u16string& Target);

}  // namespace swiftlane
