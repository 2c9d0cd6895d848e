#include "system/adapter_choice.h"

namespace swiftlane {

namespace {

std::u16string_view PrefixBeforeLastDot(std::u16string_view text) {
  const size_t dot = text.rfind(u'.');
  return dot == std::u16string_view::npos ? std::u16string_view() : text.substr(0, dot);
}

}  // namespace

bool IsSameNetwork(const std::u16string& Local, const std::u16string& Adapter) {
  return PrefixBeforeLastDot(Local) == PrefixBeforeLastDot(Adapter);
}

std::u16string LowerAscii(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return text;
}

bool IsExcludedAdapterName(const std::u16string& name) {
  const std::u16string lowered = LowerAscii(name);
  for (std::u16string_view word : kExcludedAdapterWords) {
    if (lowered.find(word) != std::u16string::npos) return true;
  }
  return false;
}

bool ChooseActiveAdapter(const std::u16string& localIp, IAdapterRows& rows, std::u16string& Name,
                         std::u16string& GUID, std::u16string& IP) {
  for (;;) {
    AdapterRow adapter;
    const Fetch fetched = rows.NextAdapter(adapter);
    if (fetched != Fetch::Item) return false;  // end of the rows, or the fetch failed
    if (adapter.indexIsNull) return false;

    // The reads land in the caller's variables as they succeed; a failed one leaves the
    // GUID empty so that this adapter is passed over.
    if (!adapter.index || !adapter.name) {
      GUID.clear();
      continue;
    }
    Name = *adapter.name;
    if (!adapter.guid) {
      GUID.clear();
      continue;
    }
    GUID = *adapter.guid;
    if (GUID.empty() || IsExcludedAdapterName(Name)) continue;

    if (!rows.QueryConfiguration(std::u16string(kConfigurationQueryPrefix) + *adapter.index)) return false;
    for (;;) {
      ConfigRow config;
      const Fetch next = rows.NextConfiguration(config);
      if (next == Fetch::Error) return false;
      if (next == Fetch::End) break;
      if (config.kind == ConfigRow::Kind::NoArray) continue;
      if (config.kind == ConfigRow::Kind::Unreadable) return false;
      IP = config.address;
      if (IsSameNetwork(localIp, IP)) return true;
    }
  }
}

std::u16string FirstLocalIPv4(const std::vector<LocalAdapter>& adapters) {
  for (const LocalAdapter& adapter : adapters) {
    if (adapter.ifType == 24 || (adapter.flags & 0x08) != 0) continue;
    for (const LocalUnicast& address : adapter.unicast) {
      if (address.dadState == 4 && address.ipv4) return address.text;
    }
  }
  return std::u16string();
}

std::u16string GuidText(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3, const std::uint8_t (&data4)[8]) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string text;
  text.reserve(38);
  auto put = [&](std::uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text += kHex[(value >> shift) & 0xF];
  };
  text += u'{';
  put(data1, 8);
  text += u'-';
  put(data2, 4);
  text += u'-';
  put(data3, 4);
  text += u'-';
  put(data4[0], 2);
  put(data4[1], 2);
  text += u'-';
  for (int i = 2; i < 8; ++i) put(data4[i], 2);
  text += u'}';
  return text;
}

}  // namespace swiftlane
