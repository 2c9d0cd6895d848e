// Network unit: the active adapter (WMI and the IP helper) and the restart of its
// connection (the shell's network connections component).
#pragma once

#include <windows.h>

#include <string>

#include "system/adapter_choice.h"

namespace swiftlane {

// Finds the active physical adapter; Name, GUID and IP are written in place as the scan
// goes and describe the adapter only when the result is true. Initialises COM itself and
// leaves the thread's COM state as it found it.
bool GetActiveNetwork(std::u16string& Name, std::u16string& GUID, std::u16string& IP);

// The machine's first local IPv4 address in dotted-decimal form, or empty text.
std::u16string GetLocalIPv4Address();

// Connects (Enabled) or disconnects the connection whose GUID equals the argument, letter
// case aside. True only when that connection was found and the call returned S_OK.
// COM must already be initialised on the calling thread.
bool SetNetworkEnabled(const std::u16string& GUID, bool Enabled);

// The connection manager served by "netshell.dll", as the platform defines it.
namespace netcon {
inline constexpr GUID kConnectionManagerClsid = {
    0xBA126AD1, 0x2166, 0x11D1, {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
inline constexpr GUID kConnectionManagerIid = {
    0xC08956A2, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
inline constexpr GUID kEnumConnectionIid = {
    0xC08956A0, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
inline constexpr GUID kConnectionIid = {
    0xC08956A1, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
// In-process server and handler, local and remote server.
inline constexpr DWORD kClassContext = 0x17;
}  // namespace netcon

}  // namespace swiftlane
