// Feeds arbitrary floats (NaN, infinities, huge and tiny values) to the derived weather
// quantities and the sun's event times: none may read outside its tables or crash.
#include <cstdint>
#include <cstring>

#include "foundation/astronomy.h"
#include "foundation/sun_moon.h"
#include "foundation/weather_calc.h"

namespace {

float TakeFloat(const std::uint8_t*& p, std::size_t& n) {
  float v = 0.0f;
  if (n >= sizeof v) {
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
    n -= sizeof v;
  }
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t* p = data;
  std::size_t n = size;
  const float a = TakeFloat(p, n);
  const float b = TakeFloat(p, n);
  const float c = TakeFloat(p, n);
  const float d = TakeFloat(p, n);
  volatile float sink = 0.0f;
  sink = sq::CalcDew(a, b) + sq::CalcChill(a, b) + sq::CalcHeat(a, b) + sq::CalcTHW(a, b, c) +
         sq::CalcTHSW(a, b, c, d) + sq::CalcAirDensity(a, b, c, 1) + sq::CalcEMC(a, b) + sq::InverseSoil(a, b);

  // A date within the supported years and a place from the remaining floats.
  const int year = 1900 + static_cast<int>(size % 201);
  const int month = 1 + static_cast<int>(size % 12);
  sq::DateTime date(month, 1 + static_cast<int>(size % 28), year);
  float hours = 0.0f;
  if (sq::Sunrise(date, a, b, c, static_cast<int>(size & 1), hours) == sq::kSunOk) sink = hours;
  float cycle = 0.0f, smoothed = 0.0f;
  sink = sq::CalcMoonPhase(date, cycle, smoothed);

  sq::AstronomyState s;
  s.THSWIElevationTasks(a);
  s.THSWIlattitudeTasks(b);
  s.THSWIdailyAstronomyTasks(date, c);
  date.packed_time = static_cast<std::int16_t>(size % 1441);
  const int dew = a > -1000.0f && a < 1000.0f ? static_cast<int>(a) : -32768;
  sink = static_cast<float>(s.ExtraRadCalc(date, d, dew));
  (void)sink;
  return 0;
}
