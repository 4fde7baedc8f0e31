// The weather networks' outside input: Weather Underground's replies. The same bytes
// also fill an APRS observation, whose report must keep its fixed layout whatever the
// values (every field at its width, printable ASCII, one line).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "publish/aprs_report.h"
#include "publish/wu_upload.h"

namespace {

bool Printable(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  return true;
}

float FloatAt(const std::uint8_t* data, std::size_t size, std::size_t i) {
  float v = 0.0f;
  if ((i + 1) * 4 <= size) std::memcpy(&v, data + i * 4, 4);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const sq::WuReplyVerdict v = sq::JudgeWuReply(text);
  if (size < sq::kWuShortReply && (!v.success || !v.logged.empty())) __builtin_trap();
  if (size >= sq::kWuShortReply && v.logged.empty()) __builtin_trap();
  if (!Printable(v.logged) || v.logged.size() > 2 * sq::kWuMaxLoggedReply + 3) __builtin_trap();

  sq::AprsStationFacts facts;
  facts.call_sign = "CW1234";
  facts.current_family = size > 0 && (data[0] & 1) != 0;
  facts.elevation_ft = size > 1 ? data[1] * 40 : 0;
  sq::AprsObservation o;
  float* fields[] = {&o.wind_dir,  &o.wind_speed,       &o.wind_gust,     &o.temp,
                     &o.rain_hour, &o.rain_24h,         &o.rain_midnight, &o.humidity,
                     &o.barometer, &o.station_pressure, &o.solar};
  for (std::size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i) *fields[i] = FloatAt(data, size, i);
  o.day = size > 2 ? data[2] : 1;
  const auto line = sq::MakeAprsReport(facts, o);
  if (!line) __builtin_trap();
  // Call sign, path, time and position take 45 characters, the weather fields 37, the
  // end 4 (".Qrn") or 5 (".Kwtz") and the current family's luminosity 0 or 4.
  const std::size_t n = line->size();
  const bool sized = facts.current_family ? (n == 87 || n == 91) : n == 86;
  if (!Printable(*line) || !sized) __builtin_trap();
  return 0;
}
