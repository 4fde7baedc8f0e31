// The simulator's command parser: whatever the program (or anything else on the line)
// sends must never crash it or make it read past its EEPROM or archive.
#include <cstdint>
#include <vector>

#include "tools/console_sim/console_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  sq::sim::SimOptions o;
  o.archive.records = 23;
  sq::sim::ConsoleEngine engine(o);
  std::vector<std::uint8_t> out;
  // Feed in two pieces so that commands split across reads are exercised too.
  const std::size_t half = size / 2;
  engine.Receive(data, half, 0, out);
  engine.Receive(data + half, size - half, 100, out);
  return 0;
}
