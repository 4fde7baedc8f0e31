#include "publish/weather_images.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/station.h"
#include "database/variable_catalogue.h"
#include "database/weather_data_id.h"
#include "database/weather_database.h"
#include "foundation/display_units.h"
#include "publish/dial_gif.h"
#include "publish/graph_gif.h"
#include "publish/hilows_layout.h"
#include "publish/publish_tables.h"
#include "reports/record_range.h"
#include "resources/string_table.h"

namespace sq {
namespace {

using DU = DisplayUnits;
using ID = WeatherDataID;
namespace hl = hilows;

constexpr std::uint32_t kImageErrorFirst = 8500;
constexpr std::uint32_t kCaptionFirst = 8560;
constexpr std::uint32_t kGraphTitleFirst = 44960;
constexpr std::uint32_t kCouldNotWrite = 8603;  // "Couldnot create image: "
constexpr std::uint32_t kCouldNotGraph = 8604;  // "Could not create image: %s"
// A caption band holds 18 characters of its font; a caption with its unit that would
// not fit is shown without the unit.
constexpr std::size_t kCaptionFits = 18;

// ---- Current images ----

enum class Gauge { kTemp, kChill, kHum, kRain, kRate, kBarom, kSolar, kUv, kEmc, kDensity, kLeaf, kSoil, kSpeed, kDir };

// A current value and, when the data keeps them, today's high and low.
struct Reading {
  float value = kImageNoValue;
  float high = kImageNoValue;
  float low = kImageNoValue;
};

// What a current image shows: its gauge, the colour of its bar and where its value is.
struct CurrentImage {
  Gauge gauge;
  Rgb fill;
  Reading (*read)(const BulletinData&);
};

Reading Of(const Tracked& t) { return {t.now, t.high, t.low}; }
Reading Plain(float v) { return {v, kImageNoValue, kImageNoValue}; }

// Bar colours (a choice of this program): temperatures red, humidity green, rain and
// ET blue, barometer purple, solar yellow, UV violet, the rest earthy tones.
constexpr Rgb kRed{220, 40, 40}, kGreen{40, 160, 40}, kBlue{40, 100, 220}, kPurple{120, 80, 200};
constexpr Rgb kYellow{255, 200, 0}, kViolet{160, 0, 200}, kTeal{0, 150, 150}, kCyan{0, 170, 200};
constexpr Rgb kBrown{160, 110, 60}, kSky{100, 160, 200};

#define SQ_READ(expr) [](const BulletinData& d) -> Reading { return expr; }
const CurrentImage kCurrent[kCurrentImageCount] = {
    {Gauge::kTemp, kRed, SQ_READ(Of(d.inside_temp))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.outside_temp))},
    {Gauge::kTemp, kRed, SQ_READ(Plain(d.inside_heat_index))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.heat_index))},
    {Gauge::kHum, kGreen, SQ_READ(Of(d.inside_hum))},
    {Gauge::kHum, kGreen, SQ_READ(Of(d.outside_hum))},
    {Gauge::kTemp, kTeal, SQ_READ(Plain(d.inside_dew_point))},
    {Gauge::kTemp, kTeal, SQ_READ(Of(d.dew_point))},
    {Gauge::kSpeed, kBlue, SQ_READ(Of(d.wind_speed))},
    {Gauge::kSpeed, kBlue, SQ_READ(Plain(d.avg_wind_speed))},
    {Gauge::kDir, kRed, SQ_READ(Plain(d.wind_dir == kNoDirection ? kImageNoValue : static_cast<float>(d.wind_dir)))},
    {Gauge::kChill, kCyan, SQ_READ(Of(d.wind_chill))},
    {Gauge::kRain, kBlue, SQ_READ(Plain(d.day_rain))},
    {Gauge::kRain, kBlue, SQ_READ(Plain(d.storm_rain))},
    {Gauge::kRain, kBlue, SQ_READ(Plain(d.month_rain))},
    {Gauge::kRain, kBlue, SQ_READ(Plain(d.year_rain))},
    {Gauge::kRain, kTeal, SQ_READ(Plain(d.day_et))},
    {Gauge::kBarom, kPurple, SQ_READ(Of(d.barometer))},
    {Gauge::kRain, kTeal, SQ_READ(Plain(d.month_et))},
    {Gauge::kRain, kTeal, SQ_READ(Plain(d.year_et))},
    {Gauge::kSolar, kYellow, SQ_READ(Of(d.solar))},
    {Gauge::kUv, kViolet, SQ_READ(Of(d.uv))},
    {Gauge::kRate, kBlue, SQ_READ(Of(d.rain_rate))},
    {Gauge::kEmc, kBrown, SQ_READ(Plain(d.emc))},
    {Gauge::kDensity, kSky, SQ_READ(Plain(d.air_density))},
    {Gauge::kTemp, kRed, SQ_READ(Plain(d.thw))},
    {Gauge::kLeaf, kGreen, SQ_READ(Of(d.leaf_wetnesses[0]))},
    {Gauge::kLeaf, kGreen, SQ_READ(Of(d.leaf_wetnesses[1]))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.leaf_temps[0]))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.leaf_temps[1]))},
    {Gauge::kHum, kGreen, SQ_READ(Of(d.extra_hums[0]))},
    {Gauge::kHum, kGreen, SQ_READ(Of(d.extra_hums[1]))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.extra_temps[0]))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.extra_temps[1]))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.extra_temps[2]))},
    {Gauge::kSoil, kBrown, SQ_READ(Of(d.soil_moistures[0]))},
    {Gauge::kSoil, kBrown, SQ_READ(Of(d.soil_moistures[1]))},
    {Gauge::kSoil, kBrown, SQ_READ(Of(d.soil_moistures[2]))},
    {Gauge::kSoil, kBrown, SQ_READ(Of(d.soil_moistures[3]))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.soil_temps[0]))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.soil_temps[1]))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.soil_temps[2]))},
    {Gauge::kTemp, kRed, SQ_READ(Of(d.soil_temps[3]))},
};
#undef SQ_READ

std::string UnitOf(Gauge g) {
  switch (g) {
    case Gauge::kTemp:
    case Gauge::kChill:
      return DU::tempUnitStr;
    case Gauge::kHum:
    case Gauge::kEmc:
      return "%";
    case Gauge::kRain:
      return DU::rainUnitStr;
    case Gauge::kRate:
      return std::string(DU::rainUnitStr) + "/hr";
    case Gauge::kBarom:
      return DU::barUnitStr;
    case Gauge::kSolar:
      return "W/m^2";
    case Gauge::kDensity:
      return DU::airDUnitStr;
    case Gauge::kSoil:
      return "cb";
    default:
      return "";
  }
}

int Background(std::uint8_t option, int fallback) { return option != 0 ? option : fallback; }

void Fail(const ImageRun& run, ImageResult* result, std::string text) {
  if (run.log) run.log(text);
  if (result) result->errors.push_back(std::move(text));
}

std::string PathIn(const std::string& folder, std::string_view name) {
  std::string p = folder;
  if (!p.empty() && p.back() != '/') p += '/';
  return p + std::string(name);
}

bool Selected(const std::uint32_t (&words)[2], int index) { return (words[index / 32] >> (index % 32) & 1u) != 0; }

bool HasSensor(const Station& station, const ImageEntry& e) {
  return e.sensor.mask == 0 || station.TestForSensor(e.sensor.word, e.sensor.mask);
}

DateTime DataTime(const BulletinData& d) {
  DateTime t;
  if (d.packet_date > 0) (void)t.SetDate(d.packet_date);
  if (t.valid) {
    t.packed_time = d.packet_minute;
    t.UnpackTime();
  }
  return t;
}

// Draws one current image; false when its value is missing.
std::unique_ptr<GifImage> MakeCurrentImage(const ImageRun& run, int index, const std::string& path, int background) {
  const CurrentImage& image = kCurrent[index];
  const Reading r = image.read(*run.current);
  if (ImageValueMissing(r.value)) return nullptr;
  if (image.gauge == Gauge::kSpeed) {
    auto g = std::make_unique<WindSpeedGif>(path, r.value, r.high, run.extremes && index == 8);
    g->SetCaption(index == 8 ? "Wind Speed" : "10 Min Avg Wind");
    g->SetBackgroundColor(background);
    g->SetRange();
    g->DrawTemplate();
    g->DrawValue();
    return g;
  }
  if (image.gauge == Gauge::kDir) {
    auto g = std::make_unique<WindDirGif>(path, r.value);
    g->SetBackgroundColor(background);
    g->DrawTemplate();
    g->DrawValue();
    return g;
  }
  auto g = std::make_unique<BarGif>(path, r.value, r.high, r.low, run.extremes);
  g->SetCaption(CurrentImageCaption(index));
  g->SetBarFillColor(image.fill.r, image.fill.g, image.fill.b);
  g->SetDateTime(DataTime(*run.current));
  g->SetBackgroundColor(background);
  switch (image.gauge) {
    case Gauge::kTemp:
      g->SetTempRange();
      break;
    case Gauge::kChill:
      g->SetWindChillRange();
      break;
    case Gauge::kHum:
      g->SetHumRange();
      break;
    case Gauge::kRain:
      g->SetRainRange();
      break;
    case Gauge::kRate:
      g->SetRateRange();
      break;
    case Gauge::kBarom:
      g->SetBaromRange(*run.barometer_window);
      break;
    case Gauge::kSolar:
      g->SetSolarRange();
      break;
    case Gauge::kUv:
      g->SetUVRange();
      break;
    case Gauge::kEmc:
      g->SetEMCRange();
      break;
    case Gauge::kDensity:
      g->SetAirDensityRange();
      break;
    case Gauge::kLeaf:
      g->SetFixedRange(15.0f, 5);
      break;
    case Gauge::kSoil:
      g->SetFixedRange(200.0f, 10);
      break;
    default:
      break;
  }
  g->DrawTemplate();
  g->DrawValue();
  return g;
}

// ---- History graphs ----

struct GraphSpec {
  ID id;
  GraphKind kind;
};

constexpr ID OutsideEmc() { return ID::Make(ID::kCalcEMC, ID::kClassPercent, ID::kStatValue, 0, 0); }
constexpr ID OutsideAirDensity() { return ID::Make(ID::kCalcAirDensity, ID::kClassAirDensity, ID::kStatValue, 0, 0); }

constexpr GraphSpec kGraphs[kHistoricalImageCount] = {
    {ID::InsideTemp(), GraphKind::kAverage},
    {ID::OutsideTemp(), GraphKind::kAverage},
    {ID::InsideHeatIndex(), GraphKind::kAverage},
    {ID::HeatIndex(), GraphKind::kAverage},
    {ID::InsideHum(), GraphKind::kAverage},
    {ID::OutsideHum(), GraphKind::kAverage},
    {ID::InsideDewPoint(), GraphKind::kAverage},
    {ID::OutsideDewPoint(), GraphKind::kAverage},
    {ID::WindSpeed(), GraphKind::kAverage},
    {ID::HighWindSpeed(), GraphKind::kHigh},
    {ID::WindDirection(), GraphKind::kDirection},
    {ID::WindChill(), GraphKind::kAverage},
    {ID::Rain(), GraphKind::kSum},
    {ID::Evapotranspiration(), GraphKind::kSum},
    {ID::Barometer(), GraphKind::kAverage},
    {ID::SolarRad(), GraphKind::kAverage},
    {ID::UVIndex(), GraphKind::kAverage},
    {ID::Temperature(2), GraphKind::kAverage},
    {ID::Humidity(2), GraphKind::kAverage},
    {ID::HighRainRate(), GraphKind::kHigh},
    {ID::SoilMoisture(1), GraphKind::kAverage},
    {ID::SoilTemperature(1), GraphKind::kAverage},
    {ID::LeafWetness(1), GraphKind::kAverage},
    {ID::LeafTemperature(1), GraphKind::kAverage},
    {ID::Reception(), GraphKind::kAverage},
    {ID::Temperature(3), GraphKind::kAverage},
    {ID::Temperature(4), GraphKind::kAverage},
    {ID::Humidity(3), GraphKind::kAverage},
    {ID::LeafWetness(2), GraphKind::kAverage},
    {ID::LeafTemperature(2), GraphKind::kAverage},
    {OutsideEmc(), GraphKind::kAverage},
    {OutsideAirDensity(), GraphKind::kAverage},
    {ID::SoilMoisture(2), GraphKind::kAverage},
    {ID::SoilMoisture(3), GraphKind::kAverage},
    {ID::SoilMoisture(4), GraphKind::kAverage},
    {ID::SoilTemperature(2), GraphKind::kAverage},
    {ID::SoilTemperature(3), GraphKind::kAverage},
    {ID::SoilTemperature(4), GraphKind::kAverage},
    {ID::HeatingDegreeDays(), GraphKind::kSum},
    {ID::CoolingDegreeDays(), GraphKind::kSum},
    {ID::WindRun(), GraphKind::kSum},
    {ID::THWIndex(), GraphKind::kAverage},
    {ID::HighWindDirection(), GraphKind::kDirection},
    {ID::HighSolarRad(), GraphKind::kHigh},
    {ID::HighUVIndex(), GraphKind::kHigh},
    {ID::SolarEnergy(), GraphKind::kSum},
    {ID::UVDose(), GraphKind::kSum},
    {ID::THSWIndex(), GraphKind::kAverage},
};

// Fixed graph colours (colour source non-zero), by the kind of quantity.
Rgb FixedColour(ID id) {
  switch (id.UnitClass()) {
    case ID::kClassTemp:
      return {200, 0, 0};
    case ID::kClassPercent:
      return {0, 128, 0};
    case ID::kClassRain:
    case ID::kClassRainRate:
      return {0, 0, 200};
    case ID::kClassBarometer:
      return {110, 40, 170};
    case ID::kClassSolar:
    case ID::kClassSolarEnergy:
      return {200, 130, 0};
    case ID::kClassUV:
    case ID::kClassUVDose:
      return {140, 0, 180};
    default:
      return {0, 0, 160};
  }
}

// The colour the variable has in the plot settings (0x00BBGGRR): the station's data
// list when one is installed, else the catalogue's; the fixed colour when it has none
// or it would vanish on white.
Rgb PlotColour(ID id) {
  std::uint32_t c = 0;
  bool found = DU::GetSensorColor(id.value, 0, &c) == 1;
  for (const CatalogueVariable& v : FullCatalogue()) {
    if (found) break;
    if (v.id != id) continue;
    c = static_cast<std::uint32_t>(v.colours[0]);
    found = true;
  }
  const Rgb rgb{static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)};
  return found && rgb.r + rgb.g + rgb.b < 600 ? rgb : FixedColour(id);
}

// The newest archive record's date and time; invalid when there is none.
DateTime NewestRecord(WeatherDatabase& db) {
  const std::int32_t n = db.NumberOfDataRecords();
  RecordBytes rec{};
  DateTime when;
  if (n > 0 && db.GetArchiveRecord(&rec, n - 1) == kDbOk) (void)db.GetDateLastRead(&when);
  return when;
}

}  // namespace

std::string ProfileImageFolder(const std::string& station_folder, int profile) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Images/Profile%d/", profile);
  return PathIn(station_folder, buf);
}

std::string CurrentImageCaption(int index) {
  if (index < 0 || index >= kCurrentImageCount) return {};
  const std::string name(LoadString(kCaptionFirst + static_cast<std::uint32_t>(index)));
  const std::string unit = UnitOf(kCurrent[index].gauge);
  const std::string with_unit = unit.empty() ? name : name + " (" + unit + ")";
  return FontText(with_unit).size() <= kCaptionFits ? with_unit : name;
}

std::string GraphTitle(int index) {
  if (index < 0 || index >= kHistoricalImageCount) return {};
  const ID id = kGraphs[index].id;
  std::string unit;
  switch (id.UnitClass()) {
    case ID::kClassPercent:
      unit = "%";
      break;
    case ID::kClassAirDensity:
      unit = DU::densityUnit == DU::kKilogramsPerCubicMetre ? "kg/cu.m" : "lb/cu.ft";
      break;
    case ID::kClassSolar:
      unit = "W/m^2";
      break;
    case ID::kClassSolarEnergy:
      unit = "Ly";
      break;
    case ID::kClassUVDose:
      unit = "MEDs";
      break;
    case ID::kClassSoilMoisture:
      unit = "cb";
      break;
    case ID::kClassUV:
    case ID::kClassCount:
    case ID::kClassDirection:
    case ID::kClassWindDir:
      break;
    default: {
      char buf[32];
      DU::GetUnitStr(id.value, buf, sizeof buf);
      unit = buf;
    }
  }
  const std::string name(LoadString(kGraphTitleFirst + static_cast<std::uint32_t>(index)));
  return unit.empty() ? name : name + " (" + unit + ")";
}

int DrawCurrentImages(const ImageRun& run, const UploadParameters& profile, const std::string& folder,
                      ImageResult* result) {
  int rc = 0;
  const int background = Background(profile.image_options[2], run.default_background);
  // The console's highs-and-lows block, when the data carry one, gives today's highs
  // and lows of the current consoles.
  ImageRun with_block = run;
  BulletinData current;
  if (run.current != nullptr && run.current->have_hilows && run.station != nullptr) {
    current = *run.current;
    ApplyHiLowsBlock(current.hilows, run.station->record().rain_type, current);
    with_block.current = &current;
    with_block.extremes = true;
  }
  for (const ImageEntry& e : CurrentImages()) {
    if (!Selected(profile.current_images, e.index) || run.station == nullptr || !HasSensor(*run.station, e)) continue;
    const std::string path = PathIn(folder, e.file);
    std::unique_ptr<GifImage> image;
    if (with_block.current != nullptr && with_block.current->have_data) {
      image = MakeCurrentImage(with_block, e.index, path, background);
    }
    if (!image) {
      Fail(run, result, std::string(LoadString(kImageErrorFirst + static_cast<std::uint32_t>(e.index))));
      rc = -1;
      continue;
    }
    std::string why;
    if (image->SaveToFile(&why) != 1) {
      Fail(run, result, std::string(LoadString(kCouldNotWrite)) + path + (why.empty() ? "" : " (" + why + ")"));
      rc = -1;
      continue;
    }
    if (result) result->written.push_back(path);
  }
  return rc;
}

int DrawHistoricalImages(const ImageRun& run, const UploadParameters& profile, const std::string& folder,
                         ImageResult* result) {
  if (run.station == nullptr) return -1;
  std::vector<int> wanted;
  for (const ImageEntry& e : HistoricalImages()) {
    if (Selected(profile.historical_images, e.index) && HasSensor(*run.station, e)) wanted.push_back(e.index);
  }
  if (wanted.empty()) return 0;
  WeatherDatabase db;
  const DateTime newest = db.OpenDatabase(run.station_folder, true) == kDbOk ? NewestRecord(db) : DateTime();
  if (!newest.valid) {
    if (result) result->notes.push_back("the station has no archive data: no history graphs drawn");
    return 0;
  }
  const GraphPeriod period = GraphPeriodFor(profile.span, newest);
  const int background = Background(profile.image_options[3], run.default_background);
  std::vector<std::unique_ptr<GraphGif>> graphs;
  for (int index : wanted) {
    const std::string name(HistoricalImages()[static_cast<std::size_t>(index)].file);
    auto g = std::make_unique<GraphGif>(PathIn(folder, name), GraphTitle(index), period, kGraphs[index].kind);
    g->SetBackgroundColor(background);
    g->SetPanel(profile.graph_extra_background != 0);
    g->SetLineColor(profile.graph_fixed_colours != 0 ? FixedColour(kGraphs[index].id) : PlotColour(kGraphs[index].id));
    graphs.push_back(std::move(g));
  }
  // One pass over the period's records feeds every graph. A record stamped 00:00 is
  // stored with the day before; the only such record the period's first stored day
  // would miss is the one at its start, which lies outside (start, end].
  int rc = 0;
  if (!period.empty()) {
    std::int32_t day_key = -1;
    std::int64_t day_minute = 0;
    const int walk = ForEachArchiveRecord(
        db, period.start, period.end, run.station->GetSiteDescription(), [&](const WeatherDataObject& rec) {
          const std::int32_t key = rec.date.year * 10000 + rec.date.month * 100 + rec.date.day;
          if (key != day_key) {
            day_key = key;
            DateTime midnight = rec.date;
            midnight.packed_time = 0;
            day_minute = AbsoluteMinute(midnight);
          }
          const std::int64_t minute = day_minute + rec.date.packed_time;
          if (minute <= period.start_minute) return true;
          const int column = graphs.front()->ColumnOf(minute);
          if (column < 0) return true;
          for (std::size_t i = 0; i < graphs.size(); ++i) {
            graphs[i]->AddToColumn(column, rec.GetWeatherData(kGraphs[wanted[i]].id, false));
          }
          return true;
        });
    if (walk != 0) {
      Fail(run, result, "the database could not be read: " + db.last_error());
      rc = -1;
    }
  }
  for (auto& g : graphs) {
    g->DrawTemplate();
    g->DrawValue();
    std::string why;
    if (g->SaveToFile(&why) != 1) {
      char buf[512];
      std::snprintf(buf, sizeof buf, std::string(LoadString(kCouldNotGraph)).c_str(), g->file_name().c_str());
      Fail(run, result, std::string(buf) + (why.empty() ? "" : " (" + why + ")"));
      rc = -1;
      continue;
    }
    if (result) result->written.push_back(g->file_name());
  }
  return rc;
}

int WriteProfileImages(const ImageRun& run, const UploadParameters& profile, const std::string& folder, bool current,
                       bool historical, ImageResult* result) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    Fail(run, result, "cannot create the image folder " + folder + ": " + ec.message());
    return -1;
  }
  int rc = 0;
  if (current && DrawCurrentImages(run, profile, folder, result) != 0) rc = -1;
  if (historical && DrawHistoricalImages(run, profile, folder, result) != 0) rc = -1;
  return rc;
}

// ---- The console's highs-and-lows block ----

namespace {

// A block that was never filled in (or is damaged) can hold any number; temperatures
// outside what weather can reach, in °F, are taken as missing rather than drawn.
constexpr float kColdest = -150.0f, kHottest = 250.0f;
constexpr float kFastestMph = 250.0f;

int I16(const HiLowsBlock& b, std::size_t off) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8)));
}
float Fahrenheit(float f) { return f < kColdest || f > kHottest ? kImageNoValue : DU::ConvertTemp(f); }
float TenthsTemp(const HiLowsBlock& b, std::size_t off) {
  const int v = I16(b, off);
  return v == -32768 || v == 32767 ? kImageNoValue : Fahrenheit(static_cast<float>(v) / 10.0f);
}
float WholeTemp(const HiLowsBlock& b, std::size_t off) {
  const int v = I16(b, off);
  return v == -32768 || v == 32767 ? kImageNoValue : Fahrenheit(static_cast<float>(v));
}
float ByteTemp(const HiLowsBlock& b, std::size_t off) {
  return b[off] == 255 ? kImageNoValue : Fahrenheit(static_cast<float>(b[off]) - 90.0f);
}
float ByteHum(const HiLowsBlock& b, std::size_t off) {
  return b[off] == 255 || b[off] > 100 ? kImageNoValue : static_cast<float>(b[off]);
}
float BytePlain(const HiLowsBlock& b, std::size_t off) {
  return b[off] == 255 ? kImageNoValue : static_cast<float>(b[off]);
}

void Set(Tracked& t, float high, float low) {
  t.high = ImageValueMissing(high) ? kNoHigh : high;
  t.low = ImageValueMissing(low) ? kNoLow : low;
}

}  // namespace

void ApplyHiLowsBlock(const HiLowsBlock& b, int rain_type, BulletinData& d) {
  Set(d.inside_temp, TenthsTemp(b, hl::kInTempDayHigh), TenthsTemp(b, hl::kInTempDayLow));
  Set(d.outside_temp, TenthsTemp(b, hl::kOutTempDayHigh), TenthsTemp(b, hl::kOutTempDayLow));
  Set(d.inside_hum, ByteHum(b, hl::kInHumDayHigh), ByteHum(b, hl::kInHumDayLow));
  Set(d.outside_hum, ByteHum(b, hl::kHumsDayHigh), ByteHum(b, hl::kHumsDayLow));
  Set(d.dew_point, WholeTemp(b, hl::kDewDayHigh), WholeTemp(b, hl::kDewDayLow));
  Set(d.heat_index, WholeTemp(b, hl::kHeatDayHigh), kImageNoValue);
  Set(d.wind_chill, kImageNoValue, WholeTemp(b, hl::kChillDayLow));
  const int bar_high = I16(b, hl::kBarDayHigh), bar_low = I16(b, hl::kBarDayLow);
  auto bar = [](int v) {
    return v < DU::kLowestBarometer || v > 32500 ? kImageNoValue : DU::ConvertBar(static_cast<std::int16_t>(v), false);
  };
  Set(d.barometer, bar(bar_high), bar(bar_low));
  const std::uint8_t wind = b[hl::kWindDayHigh];
  Set(d.wind_speed, wind == 255 || wind > kFastestMph ? kImageNoValue : DU::ConvertSpeed(static_cast<float>(wind)),
      kImageNoValue);
  const int rate = I16(b, hl::kRateDayHigh);
  Set(d.rain_rate,
      rate < 0 || rate == 32767 ? kImageNoValue : DU::ConvertRate(static_cast<std::int16_t>(rate), rain_type, false),
      kImageNoValue);
  const int solar = I16(b, hl::kSolarDayHigh);
  Set(d.solar, solar < 0 || solar == 32767 || solar == DU::kMissingSolar ? kImageNoValue : static_cast<float>(solar),
      kImageNoValue);
  Set(d.uv, b[hl::kUvDayHigh] == 255 ? kImageNoValue : static_cast<float>(b[hl::kUvDayHigh]) / 10.0f, kImageNoValue);
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t slot = hl::kSlotExtraTemp1 + i;
    Set(d.extra_temps[i], ByteTemp(b, hl::kTempsDayHigh + slot), ByteTemp(b, hl::kTempsDayLow + slot));
  }
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t soil = hl::kSlotSoilTemp1 + i, leaf = hl::kSlotLeafTemp1 + i;
    Set(d.soil_temps[i], ByteTemp(b, hl::kTempsDayHigh + soil), ByteTemp(b, hl::kTempsDayLow + soil));
    Set(d.leaf_temps[i], ByteTemp(b, hl::kTempsDayHigh + leaf), ByteTemp(b, hl::kTempsDayLow + leaf));
    Set(d.soil_moistures[i], BytePlain(b, hl::kSoilDayHigh + i), BytePlain(b, hl::kSoilDayLow + i));
    Set(d.leaf_wetnesses[i], BytePlain(b, hl::kLeafDayHigh + i), BytePlain(b, hl::kLeafDayLow + i));
  }
  for (std::size_t i = 0; i < 2; ++i) {
    Set(d.extra_hums[i], ByteHum(b, hl::kHumsDayHigh + 1 + i), ByteHum(b, hl::kHumsDayLow + 1 + i));
  }
}

}  // namespace sq
