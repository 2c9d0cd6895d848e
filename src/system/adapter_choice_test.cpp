#include "system/adapter_choice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace swiftlane {
namespace {

using ::testing::ElementsAre;

AdapterRow Adapter(std::u16string index, std::u16string name, std::u16string guid) {
  AdapterRow row;
  row.index = std::move(index);
  row.name = std::move(name);
  row.guid = std::move(guid);
  return row;
}

ConfigRow Address(std::u16string text) { return ConfigRow{ConfigRow::Kind::Address, std::move(text)}; }

// Result sets as WMI would hand them out; a fetch past `adapterErrorAt` fails.
class TableRows : public IAdapterRows {
 public:
  std::vector<AdapterRow> adapters;
  std::map<std::u16string, std::vector<ConfigRow>> configs;  // by index text
  size_t adapterErrorAt = SIZE_MAX;
  std::u16string refusedIndex;     // the configuration query for this index fails
  std::u16string fetchErrorIndex;  // fetching this index's configuration rows fails
  std::vector<std::u16string> queries;

  Fetch NextAdapter(AdapterRow& row) override {
    if (nextAdapter_ == adapterErrorAt) return Fetch::Error;
    if (nextAdapter_ >= adapters.size()) return Fetch::End;
    row = adapters[nextAdapter_++];
    return Fetch::Item;
  }
  bool QueryConfiguration(const std::u16string& query) override {
    queries.push_back(query);
    current_ = query.substr(kConfigurationQueryPrefix.size());
    nextConfig_ = 0;
    return current_ != refusedIndex;
  }
  Fetch NextConfiguration(ConfigRow& row) override {
    if (current_ == fetchErrorIndex) return Fetch::Error;
    const auto& list = configs[current_];
    if (nextConfig_ >= list.size()) return Fetch::End;
    row = list[nextConfig_++];
    return Fetch::Item;
  }

 private:
  size_t nextAdapter_ = 0;
  size_t nextConfig_ = 0;
  std::u16string current_;
};

struct Chosen {
  bool found;
  std::u16string name, guid, ip;
};

Chosen Choose(const std::u16string& local, TableRows& rows) {
  Chosen c{false, u"(name)", u"(guid)", u"(ip)"};
  c.found = ChooseActiveAdapter(local, rows, c.name, c.guid, c.ip);
  return c;
}

TEST(IsSameNetworkTest, ComparesEverythingBeforeTheLastDot) {
  struct Case {
    const char16_t* local;
    const char16_t* adapter;
    bool same;
  } cases[] = {
      {u"192.168.0.15", u"192.168.0.200", true},
      {u"192.168.1.5", u"192.168.0.5", false},
      {u"10.0.0.1", u"10.0.0.1", true},
      {u"10.1.2.3", u"10.1.23.3", false},
      {u"", u"fe80::1", true},         // both prefixes empty
      {u"", u"10.0.0.1", false},
      {u"10.0.0.1", u"", false},
      {u"a.b", u"A.c", false},          // exact, case-sensitive
      {u"1.2.3.4.5", u"1.2.3.4.9", true},  // only the last dot counts
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSameNetwork(c.local, c.adapter), c.same)
        << std::string(c.local, c.local + std::char_traits<char16_t>::length(c.local)) << " vs "
        << std::string(c.adapter, c.adapter + std::char_traits<char16_t>::length(c.adapter));
  }
}

TEST(AdapterChoiceTest, ExcludedWordsInAnyCaseAreNeverChosen) {
  for (const char16_t* name : {u"VMware Virtual Ethernet", u"virtualBOX host-only", u"Internet SHARING adapter",
                                u"myvmwarething"}) {
    TableRows rows;
    rows.adapters = {Adapter(u"1", name, u"{A}")};
    rows.configs[u"1"] = {Address(u"10.0.0.5")};
    EXPECT_FALSE(Choose(u"10.0.0.9", rows).found);
    EXPECT_TRUE(rows.queries.empty()) << "an excluded adapter's configuration is not queried";
  }
  TableRows rows;
  rows.adapters = {Adapter(u"1", u"VirtualBox", u"{A}"), Adapter(u"2", u"Intel Ethernet", u"{B}")};
  rows.configs[u"1"] = {Address(u"10.0.0.5")};
  rows.configs[u"2"] = {Address(u"10.0.0.6")};
  const Chosen c = Choose(u"10.0.0.9", rows);
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.guid, u"{B}");
  EXPECT_THAT(rows.queries, ElementsAre(u"SELECT * FROM Win32_NetworkAdapterConfiguration WHERE Index = 2"));
}

TEST(AdapterChoiceTest, TheAdapterInTheLocalNetworkWinsAndTheFirstListedOnATie) {
  TableRows rows;
  rows.adapters = {Adapter(u"3", u"wlan", u"{W}"), Adapter(u"7", u"eth", u"{E}"), Adapter(u"9", u"eth2", u"{E2}")};
  rows.configs[u"3"] = {Address(u"192.168.5.20")};
  rows.configs[u"7"] = {Address(u"192.168.0.20")};
  rows.configs[u"9"] = {Address(u"192.168.0.30")};
  const Chosen c = Choose(u"192.168.0.15", rows);
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.name, u"eth");
  EXPECT_EQ(c.guid, u"{E}");
  EXPECT_EQ(c.ip, u"192.168.0.20");
  EXPECT_EQ(rows.queries.size(), 2u) << "the scan stops at the first match";
}

// Element 0 of each configuration's IPAddress is compared in turn (the Win32 layer reads no
// other element; the network bed proves that part).
TEST(AdapterChoiceTest, EachConfigurationRowIsComparedByItsFirstAddress) {
  TableRows rows;
  rows.adapters = {Adapter(u"1", u"eth", u"{E}")};
  rows.configs[u"1"] = {ConfigRow{}, Address(u"172.16.0.4"), Address(u"10.0.0.4")};
  const Chosen c = Choose(u"10.0.0.9", rows);
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.ip, u"10.0.0.4");
}

TEST(AdapterChoiceTest, WithoutLocalIPv4OnlyAnAddressWithoutDotMatches) {
  TableRows rows;
  rows.adapters = {Adapter(u"1", u"eth", u"{E}"), Adapter(u"2", u"v6", u"{6}")};
  rows.configs[u"1"] = {Address(u"10.0.0.4")};
  rows.configs[u"2"] = {Address(u"fd00::5")};
  const Chosen c = Choose(u"", rows);
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.guid, u"{6}");
  EXPECT_EQ(c.ip, u"fd00::5");
}

TEST(AdapterChoiceTest, RowsThatCannotBeChosen) {
  TableRows rows;
  AdapterRow unreadableGuid = Adapter(u"2", u"eth-b", u"");
  unreadableGuid.guid.reset();
  AdapterRow unreadableIndex;
  unreadableIndex.index.reset();
  rows.adapters = {Adapter(u"1", u"eth-a", u""), unreadableGuid, unreadableIndex, Adapter(u"4", u"eth-d", u"{D}"),
                   Adapter(u"5", u"eth-e", u"{E}")};
  for (const char16_t* i : {u"1", u"2", u"3"}) rows.configs[i] = {Address(u"10.0.0.1")};
  rows.configs[u"4"] = {ConfigRow{}};  // IPAddress null or not an array
  rows.configs[u"5"] = {Address(u"10.0.0.5")};
  const Chosen c = Choose(u"10.0.0.9", rows);
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.guid, u"{E}");
  EXPECT_THAT(rows.queries, ElementsAre(std::u16string(kConfigurationQueryPrefix) + u"4",
                                        std::u16string(kConfigurationQueryPrefix) + u"5"));
}

TEST(AdapterChoiceTest, ANullIndexEndsTheScan) {
  TableRows rows;
  AdapterRow nullIndex;
  nullIndex.indexIsNull = true;
  rows.adapters = {Adapter(u"1", u"wlan", u"{W}"), nullIndex, Adapter(u"3", u"eth", u"{E}")};
  rows.configs[u"1"] = {Address(u"172.16.0.4")};
  rows.configs[u"3"] = {Address(u"10.0.0.4")};
  const Chosen c = Choose(u"10.0.0.9", rows);
  EXPECT_FALSE(c.found);
  EXPECT_EQ(rows.queries.size(), 1u);
  // After a false result the variables hold what the last adapter examined left.
  EXPECT_EQ(c.name, u"wlan");
  EXPECT_EQ(c.ip, u"172.16.0.4");
}

TEST(AdapterChoiceTest, ReadsFillTheVariablesInOrderAndAFailedReadEmptiesTheGuid) {
  TableRows rows;
  AdapterRow guidFails = Adapter(u"1", u"eth", u"");
  guidFails.guid.reset();
  rows.adapters = {guidFails};
  Chosen c = Choose(u"10.0.0.9", rows);
  EXPECT_FALSE(c.found);
  EXPECT_EQ(c.name, u"eth");
  EXPECT_EQ(c.guid, u"");
  EXPECT_EQ(c.ip, u"(ip)");

  rows = TableRows();
  AdapterRow nameFails = Adapter(u"1", u"", u"{E}");
  nameFails.name.reset();
  rows.adapters = {nameFails};
  c = Choose(u"10.0.0.9", rows);
  EXPECT_EQ(c.name, u"(name)");
  EXPECT_EQ(c.guid, u"");

  rows = TableRows();
  c = Choose(u"10.0.0.9", rows);  // no connected adapter at all
  EXPECT_FALSE(c.found);
  EXPECT_EQ(c.name, u"(name)");
  EXPECT_EQ(c.guid, u"(guid)");
}

// A failure after the adapter query ends the discovery with false instead of escaping.
TEST(AdapterChoiceTest, ErrorsAfterTheAdapterQueryEndWithFalse) {
  auto base = [] {
    TableRows rows;
    rows.adapters = {Adapter(u"1", u"wlan", u"{W}"), Adapter(u"2", u"eth", u"{E}")};
    rows.configs[u"1"] = {Address(u"172.16.0.4")};
    rows.configs[u"2"] = {Address(u"10.0.0.4")};
    return rows;
  };
  TableRows rows = base();
  ASSERT_TRUE(Choose(u"10.0.0.9", rows).found);

  rows = base();
  rows.adapterErrorAt = 1;
  EXPECT_FALSE(Choose(u"10.0.0.9", rows).found) << "fetching the next adapter fails";
  rows = base();
  rows.refusedIndex = u"1";
  EXPECT_FALSE(Choose(u"10.0.0.9", rows).found) << "the configuration query fails";
  EXPECT_EQ(rows.queries.size(), 1u);
  rows = base();
  rows.fetchErrorIndex = u"1";
  EXPECT_FALSE(Choose(u"10.0.0.9", rows).found) << "fetching a configuration row fails";
  rows = base();
  rows.configs[u"1"] = {ConfigRow{ConfigRow::Kind::Unreadable, u""}};
  EXPECT_FALSE(Choose(u"10.0.0.9", rows).found) << "element 0 of IPAddress cannot be read";
}

TEST(FirstLocalIPv4Test, SkipsLoopbackReceiveOnlyAndUnpreferredAddresses) {
  auto v4 = [](const char16_t* t, std::uint32_t dad = 4) { return LocalUnicast{true, dad, t}; };
  const LocalUnicast v6{false, 4, u"fd00::1"};
  std::vector<LocalAdapter> list = {
      {24, 0, {v4(u"127.0.0.1")}},                     // software loopback
      {6, 0x08, {v4(u"10.9.9.9")}},                    // receive only
      {6, 0x80, {v6}},                                 // IPv6 only
      {71, 0x80, {v4(u"10.1.1.1", 1), v6, v4(u"10.2.2.2")}},  // first one still tentative
      {6, 0, {v4(u"10.3.3.3")}},
  };
  EXPECT_EQ(FirstLocalIPv4(list), u"10.2.2.2");
  list.erase(list.begin() + 3);
  EXPECT_EQ(FirstLocalIPv4(list), u"10.3.3.3");
  list.pop_back();
  EXPECT_EQ(FirstLocalIPv4(list), u"");
  EXPECT_EQ(FirstLocalIPv4({}), u"");
}

TEST(GuidTextTest, CanonicalFormAndLowerCase) {
  const std::uint8_t tail[8] = {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E};
  const std::u16string text = GuidText(0xBA126AD1, 0x2166, 0x11D1, tail);
  EXPECT_EQ(text, u"{BA126AD1-2166-11D1-B1D0-00805FC1270E}");
  EXPECT_EQ(LowerAscii(text), u"{ba126ad1-2166-11d1-b1d0-00805fc1270e}");
  const std::uint8_t zero[8] = {};
  EXPECT_EQ(GuidText(3, 0, 0x4E, zero), u"{00000003-0000-004E-0000-000000000000}");
  EXPECT_EQ(LowerAscii(u"\u00C4Z{}"), u"\u00C4z{}");  // only ASCII letters change
}

}  // namespace
}  // namespace swiftlane
