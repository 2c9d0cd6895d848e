// The notice's own built-in texts, in the interface language.
#pragma once

#include <string>

namespace swiftlane {

enum class UpdateTextKind { Message = 0, Yes = 1, No = 2 };

// The built-in text of Kind for the language Code ("ko", "ja", "zh", "de", "ru", "it",
// "fr"; any other code gets English). The message's paragraphs are separated by two
// carriage returns.
std::u16string UpdateText(UpdateTextKind Kind, const std::u16string& Code);

}  // namespace swiftlane
