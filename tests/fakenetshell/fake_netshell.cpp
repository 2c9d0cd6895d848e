// A stand-in for the shell's network connections component, for test prefixes only.
// It serves the connection manager class with the same interfaces, reports one connection
// per configured GUID and writes every call to a log, so a test sees which connection was
// switched. It switches nothing.
//
// SWIFTLANE_NETSHELL_CONNECTIONS: entries separated by ";", each a GUID in braces,
//   optionally followed by ":noprops" (GetProperties fails) or ":XXXXXXXX" (the status,
//   hexadecimal, that Connect and Disconnect return). Unset: one connection per adapter
//   the IP helper lists (loopback aside), with that adapter's GUID.
// SWIFTLANE_NETSHELL_LOG: Windows path of the log; default C:\swiftlane-netshell.log.
// Log lines, GUIDs in upper case, #n the connection's position in the enumeration:
//   CreateManager | EnumConnections 0 | GetProperties {GUID} #n [failed] | Free {GUID} |
//   Connect {GUID} #n | Disconnect {GUID} #n | AllReleased (the last object is gone)
// A run without the component: WINEDLLOVERRIDES=...,netshell= makes LoadLibraryW fail,
// as on a Wine prefix that never had it.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netcon.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "system/network_win.h"

namespace {

using swiftlane::netcon::kConnectionIid;
using swiftlane::netcon::kConnectionManagerClsid;
using swiftlane::netcon::kConnectionManagerIid;
using swiftlane::netcon::kEnumConnectionIid;

LONG g_objects = 0;  // live manager, enumerator and connection objects
LONG g_locks = 0;

struct Entry {
  GUID id{};
  std::string text;  // as configured or as the IP helper gave it
  bool propsFail = false;
  HRESULT result = S_OK;
};

std::wstring Env(const wchar_t* name) {
  wchar_t buffer[32768];
  const DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
  return n > 0 && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

std::string GuidString(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

// One line: verb, then the GUID and the connection's position when given. Never throws,
// since it runs inside COM calls.
void Log(const char* verb, const GUID* id = nullptr, long position = -1, const char* tail = "") noexcept {
  try {
    std::string text = verb;
    if (id) text += " " + GuidString(*id);
    if (position >= 0) text += " #" + std::to_string(position);
    text += tail;
    text += "\n";
    std::wstring path = Env(L"SWIFTLANE_NETSHELL_LOG");
    if (path.empty()) path = L"C:\\swiftlane-netshell.log";
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  } catch (...) {
  }
}

bool ParseGuid(const std::string& text, GUID& id) {
  const std::wstring wide(text.begin(), text.end());
  return SUCCEEDED(IIDFromString(wide.c_str(), &id));
}

std::vector<Entry> ConfiguredEntries() {
  std::vector<Entry> entries;
  const std::wstring wide = Env(L"SWIFTLANE_NETSHELL_CONNECTIONS");
  if (!wide.empty()) {
    const std::string list(wide.begin(), wide.end());
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(';', start);
      if (end == std::string::npos) end = list.size();
      const std::string item = list.substr(start, end - start);
      start = end + 1;
      if (item.empty()) continue;
      Entry e;
      const size_t colon = item.find(':');
      e.text = item.substr(0, colon);
      if (colon != std::string::npos) {
        const std::string option = item.substr(colon + 1);
        if (option == "noprops")
          e.propsFail = true;
        else
          e.result = static_cast<HRESULT>(std::stoul(option, nullptr, 16));
      }
      if (ParseGuid(e.text, e.id)) entries.push_back(e);
    }
    return entries;
  }
  ULONG size = 15360;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int i = 0; i < 4 && result == ERROR_BUFFER_OVERFLOW; ++i) {
    buffer.assign(size, 0);
    result = GetAdaptersAddresses(AF_UNSPEC, 14, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                  &size);
  }
  if (result != ERROR_SUCCESS) return entries;
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
    if (a->IfType == IF_TYPE_SOFTWARE_LOOPBACK || !a->AdapterName) continue;
    Entry e;
    e.text = a->AdapterName;
    if (ParseGuid(e.text, e.id)) entries.push_back(e);
  }
  return entries;
}

void ObjectGone() {
  if (InterlockedDecrement(&g_objects) == 0) Log("AllReleased");
}

// Shared reference counting of the three object kinds.
template <typename Interface>
class Object : public Interface {
 public:
  Object() { InterlockedIncrement(&g_objects); }
  virtual ~Object() { ObjectGone(); }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  HRESULT Answer(REFIID riid, const GUID& own, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, own)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  LONG refs_ = 1;
};

class Connection final : public Object<INetConnection> {
 public:
  Connection(Entry entry, long position) : entry_(std::move(entry)), position_(position) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    return Answer(riid, kConnectionIid, out);
  }
  HRESULT STDMETHODCALLTYPE Connect() override {
    Log("Connect", &entry_.id, position_);
    return entry_.result;
  }
  HRESULT STDMETHODCALLTYPE Disconnect() override {
    Log("Disconnect", &entry_.id, position_);
    return entry_.result;
  }
  HRESULT STDMETHODCALLTYPE Delete() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Duplicate(LPCWSTR, INetConnection** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetProperties(NETCON_PROPERTIES** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (entry_.propsFail) {
      Log("GetProperties", &entry_.id, position_, " failed");
      return E_FAIL;
    }
    auto* p = static_cast<NETCON_PROPERTIES*>(CoTaskMemAlloc(sizeof(NETCON_PROPERTIES)));
    if (!p) return E_OUTOFMEMORY;
    ZeroMemory(p, sizeof *p);
    p->guidId = entry_.id;
    static const wchar_t kName[] = L"Fake connection";
    p->pszwName = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof kName));
    if (p->pszwName) lstrcpyW(p->pszwName, kName);
    p->Status = NCS_CONNECTED;
    p->MediaType = NCM_LAN;
    Log("GetProperties", &entry_.id, position_);
    *out = p;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetUiObjectClassId(CLSID* id) override {
    if (id) *id = GUID_NULL;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Rename(LPCWSTR) override { return E_NOTIMPL; }

 private:
  Entry entry_;
  long position_;
};

class Enumerator final : public Object<IEnumNetConnection> {
 public:
  explicit Enumerator(std::vector<Entry> entries) : entries_(std::move(entries)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    return Answer(riid, kEnumConnectionIid, out);
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, INetConnection** out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    try {
      while (n < count && next_ < entries_.size()) {
        out[n] = new Connection(entries_[next_], static_cast<long>(next_));
        ++next_;
        ++n;
      }
    } catch (...) {
      for (ULONG i = 0; i < n; ++i) out[i]->Release();
      if (fetched) *fetched = 0;
      return E_OUTOFMEMORY;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    next_ += count;
    return next_ <= entries_.size() ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumNetConnection** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  std::vector<Entry> entries_;
  size_t next_ = 0;
};

class Manager final : public Object<INetConnectionManager> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    return Answer(riid, kConnectionManagerIid, out);
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(NETCONMGR_ENUM_FLAGS flags, IEnumNetConnection** out) override {
    if (!out) return E_POINTER;
    Log(flags == NCME_DEFAULT ? "EnumConnections 0" : "EnumConnections other");
    try {
      *out = new Enumerator(ConfiguredEntries());
    } catch (...) {
      *out = nullptr;
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }
};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    Manager* manager = new (std::nothrow) Manager();
    if (!manager) return E_OUTOFMEMORY;
    const HRESULT hr = manager->QueryInterface(riid, out);
    manager->Release();
    if (hr == S_OK) Log("CreateManager");
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      InterlockedIncrement(&g_locks);
    else
      InterlockedDecrement(&g_locks);
    return S_OK;
  }
};

Factory g_factory;

}  // namespace

extern "C" {

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualGUID(clsid, kConnectionManagerClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, out);
}

HRESULT WINAPI DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

void WINAPI NcFreeNetconProperties(NETCON_PROPERTIES* properties) {
  if (!properties) return;
  Log("Free", &properties->guidId);
  CoTaskMemFree(properties->pszwName);
  CoTaskMemFree(properties->pszwDeviceName);
  CoTaskMemFree(properties);
}

}  // extern "C"
