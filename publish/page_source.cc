#include "publish/page_source.h"

#include <vector>

#include "app/station.h"
#include "foundation/clock.h"
#include "foundation/display_units.h"
#include "link/comm_error.h"
#include "link/console_config_actions.h"
#include "link/console_config_blocks.h"
#include "link/loop_packets.h"
#include "link/serial_port_manager.h"
#include "realtime/bulletin_data.h"
#include "realtime/bulletin_snapshot.h"

namespace sq {
namespace {

using DU = DisplayUnits;
using Q = DayQuantity;

// How a tracked value goes back to the internal unit of the page's day extremes.
enum class Back { kTemp, kPlain, kBar, kSpeed, kRate };

struct DayTracked {
  Q quantity;
  const Tracked* value;
  Back back;
};

// Under a BulletinUnitsScope of the data's units.
float ToInternal(float v, Back back, int rain_type) {
  if (IsNoValue(v) || v == kNoHigh) return kPageNoValue;
  switch (back) {
    case Back::kTemp:
      return DU::ConvertTemp(v, DU::kToInternal);
    case Back::kBar:
      return DU::ConvertBar(v, DU::kToInternal);
    case Back::kSpeed:
      return DU::ConvertSpeed(v, DU::kToInternal);
    case Back::kRate: {
      const std::int16_t tips = DU::InverseConvertRate(v, rain_type);
      return tips == DU::kMissing16 ? kPageNoValue : static_cast<float>(tips);
    }
    case Back::kPlain:
      return v;
  }
  return kPageNoValue;
}

DayHighLows DayExtremes(const BulletinData& d, int rain_type) {
  std::vector<DayTracked> list = {
      {Q::kOutsideTemp, &d.outside_temp, Back::kTemp},
      {Q::kInsideTemp, &d.inside_temp, Back::kTemp},
      {Q::kOutsideHum, &d.outside_hum, Back::kPlain},
      {Q::kInsideHum, &d.inside_hum, Back::kPlain},
      {Q::kDewPoint, &d.dew_point, Back::kTemp},
      {Q::kWindChill, &d.wind_chill, Back::kTemp},
      {Q::kHeatIndex, &d.heat_index, Back::kTemp},
      {Q::kBarometer, &d.barometer, Back::kBar},
      {Q::kWindSpeed, &d.wind_speed, Back::kSpeed},
      {Q::kRainRate, &d.rain_rate, Back::kRate},
      {Q::kSolar, &d.solar, Back::kPlain},
      {Q::kUv, &d.uv, Back::kPlain},
  };
  auto numbered = [&](Q first, const auto& values, std::size_t count, Back back) {
    for (std::size_t i = 0; i < count; ++i) {
      list.push_back({static_cast<Q>(static_cast<int>(first) + static_cast<int>(i)), &values[i], back});
    }
  };
  numbered(Q::kExtraTemp1, d.extra_temps, 3, Back::kTemp);
  numbered(Q::kExtraHum1, d.extra_hums, 2, Back::kPlain);
  numbered(Q::kSoilTemp1, d.soil_temps, 4, Back::kTemp);
  numbered(Q::kLeafTemp1, d.leaf_temps, 2, Back::kTemp);
  numbered(Q::kSoilMoist1, d.soil_moistures, 4, Back::kPlain);
  numbered(Q::kLeafWet1, d.leaf_wetnesses, 2, Back::kPlain);

  DayHighLows out;
  const BulletinUnitsScope scope(d.units);
  for (const DayTracked& t : list) {
    if (t.value->HasHigh()) out.High(t.quantity) = {ToInternal(t.value->high, t.back, rain_type), t.value->high_time};
    if (t.value->HasLow()) out.Low(t.quantity) = {ToInternal(t.value->low, t.back, rain_type), t.value->low_time};
  }
  return out;
}

// A wind speed of `d`'s units in the live display unit.
float LiveSpeed(float v, const BulletinData& d) {
  if (IsNoValue(v)) return kPageNoValue;
  if (DU::GetWindSpeedUnit() == d.units.wind) return v;
  float mph = kPageNoValue;
  {
    const BulletinUnitsScope scope(d.units);
    mph = DU::ConvertSpeed(v, DU::kToInternal);
  }
  return IsNoValue(mph) ? kPageNoValue : DU::ConvertSpeed(mph);
}

}  // namespace

PageData PageDataFromBulletin(const BulletinData& d, const Station& station, bool with_day_extremes) {
  PageData p;
  p.current = d.record;
  if (station.Corvale() && d.have_hilows) p.hilows = d.hilows;
  if (with_day_extremes && d.have_data) p.day_high_lows = DayExtremes(d, station.record().rain_type);
  // Pages ask for 2, 3, 6 and 11 samples for their 1-, 2-, 5- and 10-minute values.
  constexpr int kSamples[4] = {2, 3, 6, 11};
  for (std::size_t i = 0; i < 4; ++i) {
    p.wind_avg[i] = LiveSpeed(d.AvgWindSpeed(kSamples[i]), d);
    p.wind_high[i] = LiveSpeed(d.HiWindSpeed(kSamples[i]), d);
  }
  p.forecast = d.forecast_text;
  if (d.have_data && d.packet_date != 0) {
    p.time.SetDate(d.packet_date);
    p.time.packed_time = d.packet_minute;
    p.time.UnpackTime();
  }
  if (!station.Corvale()) {
    // The loop record is as the console sent it: the offsets are still to be added.
    const CalibrationOffsets o = LoadCalibrationCopy(station);
    p.calibration =
        ConsoleCalibration{o[cal::kInsideTemp], o[cal::kOutsideTemp], o[cal::kInsideHum], o[cal::kOutsideHum]};
  }
  return p;
}

int ReadBulletinFromConsole(const Station& station, const PortMap* ports, Clock& clock, BulletinData* out,
                            std::string* error) {
  const auto connection = station.GetConnection(ports);
  if (!connection) {
    if (error) *error = "the station has no connection configured";
    return -1;
  }
  SerialPortManager manager;
  SerialSession* session = manager.CreateSession(CommSettingsFrom(*connection));
  if (session == nullptr) {
    if (error) *error = "cannot start a session with the console";
    return -1;
  }
  session->set_station_model(station.record().model);
  LoopPackets loop(*session);
  LoopRecord record;
  if (loop.GetLoopPackets(record, kLoopKindLoop) != 0) {
    if (error) *error = "no current data from the console: " + DescribeCommError(*session);
    return -1;
  }
  BulletinData data;
  data.Update(record, BulletinSiteFrom(station), clock.UnixMs(), clock.LocalNow());
  if (station.Corvale()) {
    HiLowsBlock block{};
    if (loop.GetHiLows(block) == 0) {
      data.have_hilows = true;
      data.hilows = block;
    }
  }
  *out = std::move(data);
  return 0;
}

std::optional<PageSource> ReadPageData(const Station& station, const PortMap* ports, Clock& clock, std::string* error) {
  PageSource source;
  if (SnapshotKeeperRunning(station.Folder())) {
    std::string why;
    auto snapshot = ReadBulletinSnapshot(station.Folder(), clock, &why);
    if (!snapshot) {
      if (error) *error = "no current conditions from 'stratoquill run' yet: " + why;
      return std::nullopt;
    }
    source.data = PageDataFromBulletin(snapshot->data, station, true);
    source.from_snapshot = true;
    source.age_ms = snapshot->age_ms;
    return source;
  }
  BulletinData data;
  if (ReadBulletinFromConsole(station, ports, clock, &data, error) != 0) return std::nullopt;
  source.data = PageDataFromBulletin(data, station, false);
  return source;
}

}  // namespace sq
