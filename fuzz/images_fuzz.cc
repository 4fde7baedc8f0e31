// The weather images draw whatever the console and the database hand them: a
// highs-and-lows block of any bytes, and values that may be NaN, infinite, huge or
// negative. The input gives the block, then floats for a value, a high and a low, unit
// codes and a span code; every gauge, both dials and a graph are drawn from them (in
// memory: nothing is written). No value may crash a drawing or leave the image.
#include <cstdint>
#include <cstring>

#include "foundation/display_units.h"
#include "publish/bar_gif.h"
#include "publish/dial_gif.h"
#include "publish/graph_gif.h"
#include "publish/weather_images.h"

namespace {

float FloatAt(const std::uint8_t* data, std::size_t size, std::size_t off) {
  float f = -32768.0f;
  if (off + sizeof f <= size) std::memcpy(&f, data + off, sizeof f);
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using DU = sq::DisplayUnits;
  sq::HiLowsBlock block{};
  std::memcpy(block.data(), data, std::min(size, block.size()));
  const std::size_t rest = block.size();
  const std::uint8_t units = size > rest + 12 ? data[rest + 12] : 0;
  DU::SetTempUnit(units & 1);
  DU::SetBarUnit((units >> 1) & 3);
  DU::SetWindSpeedUnit((units >> 3) & 3);
  DU::SetRainUnit((units >> 5) & 1);
  sq::BulletinData d;
  sq::ApplyHiLowsBlock(block, units % 7, d);

  const float value = FloatAt(data, size, rest);
  const float high = FloatAt(data, size, rest + 4);
  const float low = FloatAt(data, size, rest + 8);
  for (int setter = 0; setter < 12; ++setter) {
    sq::BarGif g("unused.gif", value, setter % 2 ? high : d.outside_temp.high, setter % 2 ? low : d.outside_temp.low,
                 true);
    sq::BaromWindow window{high};
    switch (setter) {
      case 0:
        g.SetTempRange();
        break;
      case 1:
        g.SetWindChillRange();
        break;
      case 2:
        g.SetHumRange();
        break;
      case 3:
        g.SetRainRange();
        break;
      case 4:
        g.SetRateRange();
        break;
      case 5:
        g.SetEMCRange();
        break;
      case 6:
        g.SetAirDensityRange();
        break;
      case 7:
        g.SetSolarRange();
        break;
      case 8:
        g.SetUVRange();
        break;
      case 9:
        g.SetBaromRange(window);
        break;
      case 10:
        g.SetFixedRange(15.0f, 5);
        break;
      default:
        g.SetFixedRange(200.0f, 10);
        break;
    }
    g.SetBackgroundColor(units % 8);
    g.DrawTemplate();
    g.DrawValue();
  }
  sq::WindSpeedGif speed("unused.gif", value, high, true);
  speed.SetRange();
  speed.DrawTemplate();
  speed.DrawValue();
  sq::WindDirGif dir("unused.gif", value);
  dir.DrawTemplate();
  dir.DrawValue();

  sq::DateTime end(1 + units % 12, 1 + units % 28, 2000 + units % 50);
  end.packed_time = static_cast<std::int16_t>(units * 5 % 1441);
  const sq::GraphPeriod period = sq::GraphPeriodFor(size > rest + 13 ? data[rest + 13] % 15 : 4, end);
  sq::GraphGif graph("unused.gif", "fuzz", period, static_cast<sq::GraphKind>(units % 5));
  for (std::size_t off = rest + 14; off + 4 <= size && off < rest + 14 + 4 * 64; off += 4) {
    graph.AddValue(period.start_minute + static_cast<std::int64_t>(off - rest) * 7, FloatAt(data, size, off));
  }
  graph.DrawTemplate();
  graph.DrawValue();
  return 0;
}
