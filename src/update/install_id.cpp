#include "update/install_id.h"

#include <atomic>
#include <chrono>
#include <limits>

namespace swiftlane {
namespace {

std::atomic<std::uint64_t> g_state{0};
std::atomic<bool> g_seeded{false};

// splitmix64: a single atomic counter, so concurrent callers never share a draw.
std::uint64_t Next() {
  if (!g_seeded.load(std::memory_order_acquire)) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::uint64_t expected = 0;
    g_state.compare_exchange_strong(expected, static_cast<std::uint64_t>(now) | 1);
    g_seeded.store(true, std::memory_order_release);
  }
  std::uint64_t z = g_state.fetch_add(0x9E3779B97F4A7C15ull, std::memory_order_relaxed) + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void AppendHex(std::u16string& out, std::uint32_t value, int digits) {
  static const char16_t kHex[] = u"0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out.push_back(kHex[(value >> shift) & 0xF]);
}

void AppendTwo(std::u16string& out, int value) {
  const int v = ((value % 100) + 100) % 100;
  out.push_back(static_cast<char16_t>(u'0' + v / 10));
  out.push_back(static_cast<char16_t>(u'0' + v % 10));
}

}  // namespace

void SeedRandom(std::uint64_t Seed) {
  g_state.store(Seed, std::memory_order_relaxed);
  g_seeded.store(true, std::memory_order_release);
}

std::uint32_t RandomBelow(std::uint32_t Bound) {
  if (Bound <= 1) return 0;
  // Reject the top sliver so every number is equally likely.
  const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t limit = max - max % Bound;
  std::uint64_t x;
  do x = Next();
  while (x >= limit);
  return static_cast<std::uint32_t>(x % Bound);
}

std::u16string FormatInstallId(const InstallIdParts& Parts) {
  std::u16string id;
  id.reserve(32);
  AppendHex(id, Parts.first, 8);
  AppendTwo(id, Parts.date.year);
  AppendTwo(id, Parts.date.month);
  AppendTwo(id, Parts.date.day);
  AppendHex(id, Parts.middle, 4);
  AppendTwo(id, Parts.time.hour);
  AppendTwo(id, Parts.time.minute);
  AppendTwo(id, Parts.time.second);
  AppendHex(id, Parts.last, 8);
  return id;
}

std::u16string MakeInstallIdAt(const LocalDate& Date, const LocalClock& Time) {
  InstallIdParts parts{};
  parts.first = RandomBelow(2147483647u);
  parts.date = Date;
  parts.middle = RandomBelow(65535u);
  parts.time = Time;
  parts.last = RandomBelow(2147483647u);
  return FormatInstallId(parts);
}

}  // namespace swiftlane
