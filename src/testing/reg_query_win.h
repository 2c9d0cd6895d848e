// Test support: reads the registry back with Wine's own reg.exe, a reader that is not ours.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace swiftlane::testing {

// Output of `reg query <args>`, or empty text when it failed to run.
inline std::string RegQuery(const std::wstring& args) {
  const std::wstring cmd = L"reg query " + args + L" 2>NUL";
  FILE* p = _wpopen(cmd.c_str(), L"r");
  if (!p) return {};
  std::string out;
  char buf[512];
  while (fgets(buf, sizeof(buf), p)) out += buf;
  _pclose(p);
  return out;
}

inline void RegDeleteTree(HKEY root, const std::wstring& sub) { RegDeleteTreeW(root, sub.c_str()); }

}  // namespace swiftlane::testing
