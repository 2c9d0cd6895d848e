#include "crash/embedded_data.h"

#include <gtest/gtest.h>

#include "crash/report_text.h"

namespace swiftlane::crash {
namespace {

std::string U32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

// The trailer as the post-link step writes it.
std::string WithTrailer(const std::string& image, const std::vector<std::pair<std::uint32_t, std::string>>& syms) {
  std::string payload = U32(static_cast<std::uint32_t>(syms.size()));
  std::uint32_t prev = 0;
  for (const auto& [rva, name] : syms) {
    for (std::uint32_t d = rva - prev;; d >>= 7) {
      payload += static_cast<char>((d & 0x7F) | (d > 0x7F ? 0x80 : 0));
      if (d <= 0x7F) break;
    }
    payload += static_cast<char>(name.size());
    payload += name;
    prev = rva;
  }
  std::string body = image + payload + U32(static_cast<std::uint32_t>(payload.size()));
  return body + U32(Crc32(body)) + std::string(kEmbeddedMagic);
}

TEST(CrashEmbeddedData, SymbolsAndChecksumReadBack) {
  std::string file = WithTrailer("MZ fake image", {{0x1000, "main"}, {0x1200, "RaiseAccessViolation()"}, {0x9000, "x"}});
  auto data = ParseEmbeddedData(file);
  ASSERT_TRUE(data);
  EXPECT_TRUE(data->checksumOk);
  ASSERT_EQ(data->symbols.size(), 3u);
  auto hit = data->symbols.Lookup(0x1234);
  ASSERT_TRUE(hit);
  EXPECT_EQ(*hit->name, "RaiseAccessViolation()");
  EXPECT_EQ(hit->offset, 0x34u);
  EXPECT_EQ(*data->symbols.Lookup(0x1000)->name, "main");
  EXPECT_FALSE(data->symbols.Lookup(0xFFF));
  EXPECT_FALSE(data->symbols.Lookup(0x9000 + 0x200000));
}

TEST(CrashEmbeddedData, FlippedByteFailsTheChecksumAndBadTrailersAreRejected) {
  std::string file = WithTrailer(std::string(4096, 'i'), {{0x10, "f"}});
  file[100] ^= 1;
  auto data = ParseEmbeddedData(file);
  ASSERT_TRUE(data);
  EXPECT_FALSE(data->checksumOk);
  EXPECT_FALSE(ParseEmbeddedData("MZ no trailer at all"));
  EXPECT_FALSE(ParseEmbeddedData(std::string(kEmbeddedMagic)));
  // A payload size that points before the file's start.
  std::string bad = "MZ" + U32(0xFFFFFF00u) + U32(0) + std::string(kEmbeddedMagic);
  EXPECT_FALSE(ParseEmbeddedData(bad));
  // A name length that runs past the payload.
  std::string body = "MZ" + U32(1) + "\x10\x7f" + "ab";
  body += U32(8);
  EXPECT_FALSE(ParseEmbeddedData(body + U32(Crc32(body)) + std::string(kEmbeddedMagic)));
}

}  // namespace
}  // namespace swiftlane::crash
