// Choice of the active adapter over plain rows: the Win32 layer reads WMI and the IP
// helper and hands their rows here, so the rules can be proven on the host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace swiftlane {

// WMI query texts, exactly as the system is asked.
inline constexpr std::u16string_view kAdapterQuery =
    u"SELECT * FROM Win32_NetworkAdapter WHERE (NetConnectionStatus = 2 OR NetConnectionStatus = 9) "
    u"AND PhysicalAdapter = True";
inline constexpr std::u16string_view kConfigurationQueryPrefix =
    u"SELECT * FROM Win32_NetworkAdapterConfiguration WHERE Index = ";

// Adapters whose names contain one of these words (any letter case) are never chosen.
inline constexpr std::u16string_view kExcludedAdapterWords[] = {u"vmware", u"virtualbox", u"sharing"};

// One Win32_NetworkAdapter row. Reads happen in the order Index, Name, GUID; a field that
// could not be read is nullopt, and the fields after it were not read at all.
struct AdapterRow {
  bool indexIsNull = false;            // a null Index ends the scan
  std::optional<std::u16string> index;  // Index as decimal text
  std::optional<std::u16string> name;
  std::optional<std::u16string> guid;
};

// One Win32_NetworkAdapterConfiguration row, as far as IPAddress goes.
struct ConfigRow {
  enum class Kind {
    NoArray,     // IPAddress is null or not an array: the row is passed over
    Address,     // element 0 read as text into `address`
    Unreadable,  // an array whose element 0 cannot be read (empty, not text)
  };
  Kind kind = Kind::NoArray;
  std::u16string address;
};

enum class Fetch { Item, End, Error };

// The two result sets as the discovery walks them, one item at a time.
class IAdapterRows {
 public:
  virtual ~IAdapterRows() = default;
  virtual Fetch NextAdapter(AdapterRow& row) = 0;
  // Issues the configuration query (the full text) on the same services object.
  virtual bool QueryConfiguration(const std::u16string& query) = 0;
  virtual Fetch NextConfiguration(ConfigRow& row) = 0;
};

// True when both texts are equal up to, not including, their last "."; a text without
// "." has the empty prefix.
bool IsSameNetwork(const std::u16string& Local, const std::u16string& Adapter);

// True when the name contains one of the excluded words, in any letter case.
bool IsExcludedAdapterName(const std::u16string& name);

// Walks the adapter rows in the order given and writes Name, GUID and IP in place as it
// goes. True when an adapter's first configured address lies in the local network.
// A failed fetch or query after the adapter query ends the walk with false.
bool ChooseActiveAdapter(const std::u16string& localIp, IAdapterRows& rows, std::u16string& Name,
                         std::u16string& GUID, std::u16string& IP);

// The adapter address list as the IP helper gives it, reduced to what the choice reads.
struct LocalUnicast {
  bool ipv4 = false;
  std::uint32_t dadState = 0;  // 4: preferred
  std::u16string text;         // dotted decimal for IPv4
};
struct LocalAdapter {
  std::uint32_t ifType = 0;  // 24: software loopback
  std::uint32_t flags = 0;   // 0x08: receive only
  std::vector<LocalUnicast> unicast;
};

// The first preferred IPv4 address of the adapters that are neither loopback nor
// receive-only, in the order given; empty when there is none.
std::u16string FirstLocalIPv4(const std::vector<LocalAdapter>& adapters);

// Canonical GUID text, 38 characters, upper-case hexadecimal as the system writes it.
std::u16string GuidText(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3, const std::uint8_t (&data4)[8]);

// ASCII letters only: GUID texts compare after this on both sides.
std::u16string LowerAscii(std::u16string text);

}  // namespace swiftlane
