#include "crash/embedded_data.h"

#include <algorithm>

#include "crash/report_text.h"

namespace swiftlane::crash {

namespace {
std::uint32_t ReadU32(std::string_view s, size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

bool ReadVarint(std::string_view s, size_t& at, std::uint32_t& out) {
  out = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (at >= s.size()) return false;
    unsigned char b = static_cast<unsigned char>(s[at++]);
    out |= static_cast<std::uint32_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) return true;
  }
  return false;
}
}  // namespace

std::optional<TSymbolTable::THit> TSymbolTable::Lookup(std::uint32_t rva, std::uint32_t limit) const {
  auto it = std::upper_bound(symbols_.begin(), symbols_.end(), rva,
                             [](std::uint32_t r, const TSymbol& s) { return r < s.rva; });
  if (it == symbols_.begin()) return std::nullopt;
  --it;
  if (rva - it->rva > limit) return std::nullopt;
  return THit{&it->name, rva - it->rva};
}

std::optional<TEmbeddedData> ParseEmbeddedData(std::string_view file) {
  const size_t tail = 4 + 4 + kEmbeddedMagic.size();
  if (file.size() < tail || file.substr(file.size() - kEmbeddedMagic.size()) != kEmbeddedMagic) return std::nullopt;
  size_t crcAt = file.size() - kEmbeddedMagic.size() - 4;
  TEmbeddedData data;
  data.checksumOk = Crc32(file.substr(0, crcAt)) == ReadU32(file, crcAt);
  std::uint32_t payloadSize = ReadU32(file, crcAt - 4);
  if (payloadSize > crcAt - 4) return std::nullopt;
  std::string_view payload = file.substr(crcAt - 4 - payloadSize, payloadSize);
  if (payload.size() < 4) return std::nullopt;
  std::uint32_t count = ReadU32(payload, 0);
  size_t at = 4;
  std::vector<TSymbol> symbols;
  symbols.reserve(std::min<size_t>(count, payload.size() / 2));
  std::uint32_t rva = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t delta = 0, len = 0;
    if (!ReadVarint(payload, at, delta) || !ReadVarint(payload, at, len) || len > payload.size() - at)
      return std::nullopt;
    rva += delta;
    symbols.push_back({rva, std::string(payload.substr(at, len))});
    at += len;
  }
  data.symbols = TSymbolTable(std::move(symbols));
  return data;
}

}  // namespace swiftlane::crash
