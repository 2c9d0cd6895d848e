// Gathering the facts of a crash from the running process: threads and their call
// stacks, registers, stack and code bytes, modules, processes, machine facts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "crash/embedded_data.h"

namespace swiftlane::crash {

struct TCrashEvent {
  EXCEPTION_RECORD record{};
  CONTEXT context{};  // of the crashing thread, which stays blocked while we read its stack
  DWORD threadId = 0;
  bool cpp = false;
  std::u16string exceptionClass;
  std::u16string exceptionMessage;
  int number = 1;
  SYSTEMTIME when{};
};

// Class and message of a structured exception ("EAccessViolation", "Access violation at ...").
void DescribeStructuredException(const EXCEPTION_RECORD& record, std::u16string& exceptionClass,
                                 std::u16string& exceptionMessage);

// The complete report text. 'ownThreads' are the reporter's threads, left out of the list.
std::u16string AssembleReport(const TCrashEvent& event, const TSymbolTable& symbols,
                              const std::vector<DWORD>& ownThreads);

// File name part of a path.
std::u16string FileNameOf(const std::u16string& path);
// Path of this executable.
std::u16string ExecutablePath();

}  // namespace swiftlane::crash
