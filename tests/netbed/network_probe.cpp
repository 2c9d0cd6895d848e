// Calls the Network unit the way the program does and prints what it got, one
// "key=value" line each, for the network bed's scripts to check.
//   network_probe discover [none|sta|mta]  GetActiveNetwork on a thread whose COM is as given
//   network_probe local                    GetLocalIPv4Address
//   network_probe switch GUID on|off       SetNetworkEnabled on an STA thread
//   network_probe netshell                 whether LoadLibraryW("netshell.dll") succeeds
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "system/network_win.h"
#include "system/win_handles_win.h"

namespace {

using swiftlane::win::U;

void Print(const char* key, const std::u16string& value) {
  std::string utf8;
  if (!value.empty()) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, swiftlane::win::W(value), static_cast<int>(value.size()), nullptr,
                                      0, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, swiftlane::win::W(value), static_cast<int>(value.size()), utf8.data(), n,
                        nullptr, nullptr);
  }
  std::printf("%s=%s\n", key, utf8.c_str());
}

const char16_t* ApartmentName() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  if (CoGetApartmentType(&type, &qualifier) != S_OK) return u"none";
  switch (type) {
    case APTTYPE_STA:
    case APTTYPE_MAINSTA:
      return u"sta";
    case APTTYPE_MTA:
      return u"mta";
    default:
      return u"other";
  }
}

int Discover(const wchar_t* mode) {
  bool initialized = false;
  if (std::wcscmp(mode, L"sta") == 0) initialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  if (std::wcscmp(mode, L"mta") == 0) initialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  Print("com_before", ApartmentName());
  std::u16string name = u"(unset)", guid = u"(unset)", ip = u"(unset)";
  const bool found = swiftlane::GetActiveNetwork(name, guid, ip);
  Print("com_after", ApartmentName());
  if (initialized) CoUninitialize();
  Print("found", found ? u"1" : u"0");
  Print("name", name);
  Print("guid", guid);
  Print("ip", ip);
  return 0;
}

int Switch(const wchar_t* guid, const wchar_t* state) {
  // The program's window thread lives in a single-threaded apartment.
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  const bool result = swiftlane::SetNetworkEnabled(U(guid), std::wcscmp(state, L"on") == 0);
  CoUninitialize();
  Print("result", result ? u"1" : u"0");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"discover") return Discover(argc > 2 ? argv[2] : L"none");
  if (command == L"local") {
    Print("local", swiftlane::GetLocalIPv4Address());
    return 0;
  }
  if (command == L"switch" && argc > 3) return Switch(argv[2], argv[3]);
  if (command == L"netshell") {
    const swiftlane::win::unique_hmodule library(LoadLibraryW(L"netshell.dll"));
    Print("loadable", library ? u"1" : u"0");
    return 0;
  }
  std::fprintf(stderr, "usage: network_probe discover [none|sta|mta] | local | switch GUID on|off | netshell\n");
  return 2;
}
