// Fuzzes the reader of the data appended to the executable: a damaged or foreign file must
// be rejected or read within its bounds, never read past them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "crash/embedded_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string file(reinterpret_cast<const char*>(data), size);
  // Give most inputs the magic, so the parser gets past its first check.
  if (size % 2 == 0) file += std::string(swiftlane::crash::kEmbeddedMagic);
  if (auto parsed = swiftlane::crash::ParseEmbeddedData(file)) {
    for (std::uint32_t rva : {0u, 1u, 0x1000u, 0xFFFFFFFFu}) parsed->symbols.Lookup(rva);
  }
  return 0;
}
