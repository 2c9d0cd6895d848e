// The translation catalogue: source texts and their wording in the other interface
// languages, as one ordered list of "code=text" lines in blocks separated by empty lines.
// Every lookup scans the list; the shipped catalogue has 127 lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace swiftlane::ui {

class TCatalogue {
 public:
  // Appends the lines of a UTF-8 text (a leading byte-order mark is dropped; CR LF, a lone
  // LF and a lone CR each end a line; a final line break adds no empty line). Decoding
  // stops at the first malformed byte sequence: the lines completed before it stay, and the
  // result is false.
  bool LoadFromUtf8(std::string_view bytes);

  const std::vector<std::u16string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }

  // The wording of Source for the language Code, or for CurrentLanguage when Code is empty.
  // Source is matched against the lines of every language (letters A-Z without regard to
  // case, everything else exactly); the block's line for the wanted code wins, then its
  // English line, then Source itself. Backslash-n in the result becomes a single CR.
  std::u16string Translate(const std::u16string& Source, const std::u16string& Code,
                           const std::u16string& CurrentLanguage) const;

 private:
  std::vector<std::u16string> lines_;
};

// Every backslash followed by a lower-case "n" replaced by a carriage return (no line feed).
std::u16string ExpandLineBreaks(const std::u16string& text);

// Equality with letters A-Z compared without regard to case and every other code unit exactly.
bool SameTextAscii(std::u16string_view a, std::u16string_view b);

}  // namespace swiftlane::ui
