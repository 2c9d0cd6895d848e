#include "system/network_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <netcon.h>
#include <oleauto.h>
#include <wbemcli.h>

#include <cstring>
#include <vector>

#include "system/win_handles_win.h"

namespace swiftlane {

namespace {

using win::com_ptr;

constexpr ULONG kAddressFlags = 14;  // skip anycast, multicast and DNS-server entries
constexpr ULONG kFirstBufferSize = 15360;
constexpr int kBufferTries = 4;  // the list may grow between two calls; do not chase it forever

// WMI's locator class, {4590F811-1D3A-11D0-891F-00AA004B2E24}.
constexpr GUID kWbemLocatorClsid = {0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

class SocketLayer {
 public:
  SocketLayer() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~SocketLayer() {
    if (started_) WSACleanup();
  }
  SocketLayer(const SocketLayer&) = delete;
  SocketLayer& operator=(const SocketLayer&) = delete;

 private:
  bool started_ = false;
};

// A thread that already lives in the other apartment kind refuses CoInitialize; only a
// call that succeeded is balanced, so that thread's COM is left alone.
class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

class unique_bstr {
 public:
  explicit unique_bstr(const std::u16string& text)
      : b_(SysAllocStringLen(win::W(text), static_cast<UINT>(text.size()))) {}
  unique_bstr() = default;
  ~unique_bstr() { SysFreeString(b_); }
  unique_bstr(const unique_bstr&) = delete;
  unique_bstr& operator=(const unique_bstr&) = delete;
  BSTR get() const { return b_; }
  BSTR* put() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  std::u16string text() const { return win::U(b_, SysStringLen(b_)); }

 private:
  BSTR b_ = nullptr;
};

class unique_variant {
 public:
  unique_variant() { VariantInit(&v_); }
  ~unique_variant() { VariantClear(&v_); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  VARIANT* get() { return &v_; }
  VARIANT* put() {
    VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// A variant as text, the way an automation client converts it; nullopt when it cannot be.
std::optional<std::u16string> VariantText(VARIANT* value) {
  unique_variant text;
  if (FAILED(VariantChangeType(text.get(), value, 0, VT_BSTR)) || V_VT(text.get()) != VT_BSTR) return std::nullopt;
  return win::U(V_BSTR(text.get()), SysStringLen(V_BSTR(text.get())));
}

std::optional<std::u16string> PropertyText(IWbemClassObject* object, const wchar_t* name) {
  unique_variant value;
  if (object->Get(name, 0, value.get(), nullptr, nullptr) != WBEM_S_NO_ERROR) return std::nullopt;
  return VariantText(value.get());
}

// Element 0 of IPAddress, or why there is none.
ConfigRow ReadFirstAddress(IWbemClassObject* object) {
  ConfigRow row;
  unique_variant value;
  if (object->Get(L"IPAddress", 0, value.get(), nullptr, nullptr) != WBEM_S_NO_ERROR) {
    row.kind = ConfigRow::Kind::Unreadable;
    return row;
  }
  VARIANT* v = value.get();
  if (V_VT(v) == VT_NULL || (V_VT(v) & VT_ARRAY) == 0 || (V_VT(v) & VT_BYREF) != 0 || V_ARRAY(v) == nullptr) {
    row.kind = ConfigRow::Kind::NoArray;
    return row;
  }
  row.kind = ConfigRow::Kind::Unreadable;
  SAFEARRAY* array = V_ARRAY(v);
  LONG lower = 0, upper = -1;
  if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(SafeArrayGetUBound(array, 1, &upper)) || lower > 0 || upper < 0)
    return row;
  LONG at = 0;
  VARTYPE type = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(array, &type))) return row;
  std::optional<std::u16string> text;
  if (type == VT_BSTR) {
    unique_bstr element;
    if (FAILED(SafeArrayGetElement(array, &at, element.put()))) return row;
    text = element.text();
  } else if (type == VT_VARIANT) {
    unique_variant element;
    if (FAILED(SafeArrayGetElement(array, &at, element.put()))) return row;
    text = VariantText(element.get());
  }
  if (!text) return row;
  row.kind = ConfigRow::Kind::Address;
  row.address = std::move(*text);
  return row;
}

Fetch NextObject(IEnumWbemClassObject* rows, com_ptr<IWbemClassObject>& object) {
  ULONG returned = 0;
  const HRESULT hr = rows->Next(static_cast<long>(WBEM_INFINITE), 1, object.put(), &returned);
  if (hr == WBEM_S_NO_ERROR && returned == 1 && object) return Fetch::Item;
  if (hr == WBEM_S_FALSE) return Fetch::End;
  return Fetch::Error;
}

// The two result sets of one WMI connection, read one object at a time.
class WmiAdapterRows : public IAdapterRows {
 public:
  explicit WmiAdapterRows(IWbemServices* services) : services_(services) {}

  bool QueryAdapters() { return Query(std::u16string(kAdapterQuery), adapters_); }

  Fetch NextAdapter(AdapterRow& row) override {
    com_ptr<IWbemClassObject> object;
    const Fetch fetched = NextObject(adapters_.get(), object);
    if (fetched != Fetch::Item) return fetched;
    unique_variant index;
    if (object->Get(L"Index", 0, index.get(), nullptr, nullptr) != WBEM_S_NO_ERROR) return Fetch::Item;
    if (V_VT(index.get()) == VT_NULL) {
      row.indexIsNull = true;
      return Fetch::Item;
    }
    row.index = VariantText(index.get());
    if (!row.index) return Fetch::Item;
    row.name = PropertyText(object.get(), L"Name");
    if (!row.name) return Fetch::Item;
    row.guid = PropertyText(object.get(), L"GUID");
    return Fetch::Item;
  }

  bool QueryConfiguration(const std::u16string& query) override { return Query(query, configs_); }

  Fetch NextConfiguration(ConfigRow& row) override {
    com_ptr<IWbemClassObject> object;
    const Fetch fetched = NextObject(configs_.get(), object);
    if (fetched == Fetch::Item) row = ReadFirstAddress(object.get());
    return fetched;
  }

 private:
  bool Query(const std::u16string& text, com_ptr<IEnumWbemClassObject>& rows) {
    const unique_bstr language(u"WQL");
    const unique_bstr query(text);
    if (!language.get() || !query.get()) return false;
    // The automation locator's default: hand out rows as they come.
    return services_->ExecQuery(language.get(), query.get(), WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, rows.put()) ==
               WBEM_S_NO_ERROR &&
           rows;
  }

  IWbemServices* services_;
  com_ptr<IEnumWbemClassObject> adapters_;
  com_ptr<IEnumWbemClassObject> configs_;
};

std::u16string Ipv4Text(const sockaddr_in* address) {
  const auto* b = reinterpret_cast<const unsigned char*>(&address->sin_addr);
  std::u16string text;
  for (int i = 0; i < 4; ++i) {
    if (i) text += u'.';
    const unsigned v = b[i];
    if (v >= 100) text += static_cast<char16_t>(u'0' + v / 100);
    if (v >= 10) text += static_cast<char16_t>(u'0' + v / 10 % 10);
    text += static_cast<char16_t>(u'0' + v % 10);
  }
  return text;
}

// Calls `list` with a growing buffer as long as the system asks for more room.
template <typename List>
ULONG ReadList(std::vector<unsigned char>& buffer, List list) {
  ULONG size = kFirstBufferSize;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int tries = 0; tries < kBufferTries && result == ERROR_BUFFER_OVERFLOW; ++tries) {
    buffer.assign(size, 0);
    result = list(buffer.data(), &size);
  }
  return result;
}

std::vector<LocalAdapter> AdaptersFromAddresses(const IP_ADAPTER_ADDRESSES* first) {
  std::vector<LocalAdapter> adapters;
  for (const IP_ADAPTER_ADDRESSES* a = first; a; a = a->Next) {
    LocalAdapter adapter;
    adapter.ifType = a->IfType;
    adapter.flags = a->Flags;
    for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u; u = u->Next) {
      const sockaddr* address = u->Address.lpSockaddr;
      if (!address) continue;
      LocalUnicast entry;
      entry.dadState = static_cast<std::uint32_t>(u->DadState);
      entry.ipv4 = address->sa_family == AF_INET && u->Address.iSockaddrLength >= int(sizeof(sockaddr_in));
      if (entry.ipv4) entry.text = Ipv4Text(reinterpret_cast<const sockaddr_in*>(address));
      adapter.unicast.push_back(std::move(entry));
    }
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

// The older listing knows IPv4 only; an adapter without an address shows "0.0.0.0".
std::vector<LocalAdapter> AdaptersFromInfo() {
  std::vector<unsigned char> buffer;
  const ULONG result = ReadList(buffer, [](unsigned char* data, ULONG* size) {
    return GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(data), size);
  });
  std::vector<LocalAdapter> adapters;
  if (result != ERROR_SUCCESS) return adapters;
  for (const IP_ADAPTER_INFO* a = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); a; a = a->Next) {
    LocalAdapter adapter;
    for (const IP_ADDR_STRING* s = &a->IpAddressList; s; s = s->Next) {
      const std::string text(s->IpAddress.String, strnlen(s->IpAddress.String, sizeof(s->IpAddress.String)));
      if (text.empty() || text == "0.0.0.0") continue;
      adapter.unicast.push_back(LocalUnicast{true, 4, std::u16string(text.begin(), text.end())});
    }
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

class PropertiesBlock {
 public:
  using FreeFunction = void(WINAPI*)(NETCON_PROPERTIES*);
  explicit PropertiesBlock(FreeFunction free) : free_(free) {}
  ~PropertiesBlock() {
    if (p_) free_(p_);
  }
  PropertiesBlock(const PropertiesBlock&) = delete;
  PropertiesBlock& operator=(const PropertiesBlock&) = delete;
  NETCON_PROPERTIES** put() { return &p_; }
  NETCON_PROPERTIES* get() const { return p_; }

 private:
  FreeFunction free_;
  NETCON_PROPERTIES* p_ = nullptr;
};

}  // namespace

std::u16string GetLocalIPv4Address() {
  const SocketLayer sockets;
  std::vector<unsigned char> buffer;
  const ULONG result = ReadList(buffer, [](unsigned char* data, ULONG* size) {
    return GetAdaptersAddresses(AF_UNSPEC, kAddressFlags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(data),
                                size);
  });
  if (result == ERROR_SUCCESS)
    return FirstLocalIPv4(AdaptersFromAddresses(reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data())));
  if (result == ERROR_NOT_SUPPORTED) return FirstLocalIPv4(AdaptersFromInfo());
  return std::u16string();  // no data, or the list could not be read
}

bool GetActiveNetwork(std::u16string& Name, std::u16string& GUID, std::u16string& IP) {
  try {
    const std::u16string local = GetLocalIPv4Address();
    const ComApartment apartment;
    // Declared after the apartment: every object is released before COM is left.
    com_ptr<IWbemLocator> locator;
    if (CoCreateInstance(kWbemLocatorClsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWbemLocator),
                         locator.put_void()) != S_OK)
      return false;
    const unique_bstr where(u"\\\\localhost\\root\\CIMV2");
    com_ptr<IWbemServices> services;
    // No user and password: the current user's credentials.
    if (!where.get() ||
        locator->ConnectServer(where.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put()) !=
            WBEM_S_NO_ERROR ||
        !services)
      return false;
    // What the automation locator sets up by default; an in-process service may refuse it.
    CoSetProxyBlanket(services.get(), RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    WmiAdapterRows rows(services.get());
    if (!rows.QueryAdapters()) return false;
    return ChooseActiveAdapter(local, rows, Name, GUID, IP);
  } catch (...) {
    // Out of memory while copying texts: no adapter, as when WMI is unavailable.
    return false;
  }
}

bool SetNetworkEnabled(const std::u16string& GUID, bool Enabled) {
  try {
    // Declared first so that it is released last, after every object it served.
    const win::unique_hmodule library(LoadLibraryW(L"netshell.dll"));
    if (!library) return false;
    const auto freeProperties = reinterpret_cast<PropertiesBlock::FreeFunction>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "NcFreeNetconProperties")));
    if (!freeProperties) return false;

    com_ptr<INetConnectionManager> manager;
    if (CoCreateInstance(netcon::kConnectionManagerClsid, nullptr, netcon::kClassContext,
                         netcon::kConnectionManagerIid, manager.put_void()) != S_OK ||
        !manager)
      return false;
    com_ptr<IEnumNetConnection> connections;
    if (manager->EnumConnections(NCME_DEFAULT, connections.put()) != S_OK || !connections) return false;

    const std::u16string wanted = LowerAscii(GUID);
    for (;;) {
      com_ptr<INetConnection> connection;
      ULONG fetched = 0;
      if (connections->Next(1, connection.put(), &fetched) != S_OK || !connection) return false;
      std::u16string text;
      {
        PropertiesBlock properties(freeProperties);
        if (connection->GetProperties(properties.put()) != S_OK || !properties.get()) continue;
        const ::GUID& id = properties.get()->guidId;
        text = LowerAscii(GuidText(id.Data1, id.Data2, id.Data3, id.Data4));
      }
      if (text != wanted) continue;
      return (Enabled ? connection->Connect() : connection->Disconnect()) == S_OK;
    }
  } catch (...) {
    return false;
  }
}

}  // namespace swiftlane
