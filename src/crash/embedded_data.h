// The data the build appends to the executable after linking: a table of our own function
// names and a CRC-32 of the whole file. Appended bytes travel with the file through every
// copy and rename, and the loader ignores them.
//
// Layout at the file's end: payload, payload size (u32 LE), CRC-32 of every byte before
// the CRC (u32 LE), the magic "SwlCrsh1". Payload: count (u32 LE), then per function,
// sorted by address: varint of the address delta (relative to the image base), varint of
// the name's length, the name in UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace swiftlane::crash {

inline constexpr std::string_view kEmbeddedMagic = "SwlCrsh1";

struct TSymbol {
  std::uint32_t rva;
  std::string name;
};

class TSymbolTable {
 public:
  TSymbolTable() = default;
  explicit TSymbolTable(std::vector<TSymbol> sorted) : symbols_(std::move(sorted)) {}
  // The function that holds the address (relative to the image base) and the distance from
  // its start; nothing before the first function or past 'limit' bytes from a start.
  struct THit {
    const std::string* name;
    std::uint32_t offset;
  };
  std::optional<THit> Lookup(std::uint32_t rva, std::uint32_t limit = 1u << 20) const;
  size_t size() const { return symbols_.size(); }

 private:
  std::vector<TSymbol> symbols_;
};

struct TEmbeddedData {
  bool checksumOk = false;
  TSymbolTable symbols;
};

// Reads the trailer of an executable's bytes; nothing when the file carries none or the
// trailer is malformed (a malformed table is treated like a damaged file).
std::optional<TEmbeddedData> ParseEmbeddedData(std::string_view file);

}  // namespace swiftlane::crash
