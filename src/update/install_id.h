// The anonymous install identity: its text format and the program's random generator.
#pragma once

#include <cstdint>
#include <string>

namespace swiftlane {

// The program's pseudo-random generator: one for the whole process, seeded once at
// start-up. (The C run-time's rand keeps its state per thread on Windows, so a seed
// set by main would never reach the update worker that makes the identity.)
void SeedRandom(std::uint64_t Seed);
// A number from 0 to Bound - 1 (Bound > 0); safe to call from any thread. Seeds itself
// from the clock when SeedRandom was never called.
std::uint32_t RandomBelow(std::uint32_t Bound);

struct LocalDate {
  int year, month, day;
};
struct LocalClock {
  int hour, minute, second;
};

// The parts of an identity, in the order they are written.
struct InstallIdParts {
  std::uint32_t first;   // 0 .. 2147483646, 8 hex digits
  LocalDate date;        // yymmdd
  std::uint32_t middle;  // 0 .. 65534, 4 hex digits
  LocalClock time;       // hhnnss
  std::uint32_t last;    // 0 .. 2147483646, 8 hex digits
};

// The 32-character identity text of these parts (upper-case hex, leading zeros).
std::u16string FormatInstallId(const InstallIdParts& Parts);

// A new identity for the given readings of the local clock, its random parts drawn
// from RandomBelow in the order first, middle, last.
std::u16string MakeInstallIdAt(const LocalDate& Date, const LocalClock& Time);

}  // namespace swiftlane
