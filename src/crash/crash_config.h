// The reporter's fixed configuration and the placeholder texts it fills before use.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace swiftlane::crash {

struct TCrashConfig {
  // On-screen texts.
  static constexpr char16_t kTitleBar[] = u"%appname%";
  static constexpr char16_t kExceptMsg[] = u"%exceptMsg%";
  static constexpr char16_t kCloseBtnTxt[] = u"Close";
  static constexpr char16_t kPlWaitTitle[] = u"Information";
  static constexpr char16_t kPlWaitText[] = u"Please wait a moment...";
  static constexpr char16_t kBitFaultMsg[] = u"The file \"%modname%\" seems to be corrupt!";
  static constexpr char16_t kUnknownMessage[] = u"Unknown";

  // Upload.
  static constexpr char16_t kHttpPath[] = u"/except.php";
  static constexpr std::uint16_t kHttpPort = 443;
  static constexpr char16_t kMailSubj[] = u"bug report";
  static constexpr char16_t kMailBody[] = u"please find the bug report attached";
  static constexpr char16_t kBugRepSendAs[] = u"bugreport.txt";
  static constexpr char16_t kBugRepField[] = u"BugReport";

  // Report files.
  static constexpr char16_t kBugRepFile[] = u"bugreport.txt";
  static constexpr bool kAppendBugReps = true;
  static constexpr std::uint32_t kBugRepFileSize = 100000;
  static constexpr bool kNoDupExcepts = true;
  static constexpr int kDupExceptDef = 1;
  static constexpr bool kNoDupFreezes = true;
  static constexpr int kDupFreezeDef = 2;
  // Suffix of the working folder "<exe name>.<suffix>" in the temporary folder.
  static constexpr char16_t kWorkFolderSuffix[] = u"crashreport";
};

// Values for the placeholders, keyed by the placeholder itself ("%appname%").
using TPlaceholders = std::vector<std::pair<std::u16string, std::u16string>>;

// Replaces the first occurrence of each placeholder. Occurrences are looked up in the
// original text only, so a value that itself holds a placeholder is never expanded again.
std::u16string ReplacePlaceholders(const std::u16string& text, const TPlaceholders& values);

// The error box's message: the exception message, "Unknown" when it is empty.
std::u16string ErrorBoxMessage(const std::u16string& exceptionMessage);

}  // namespace swiftlane::crash
