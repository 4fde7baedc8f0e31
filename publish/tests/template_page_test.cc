// Template pages: the tag scan, the value of every tag from fixed current conditions
// and a fixed highs-and-lows block (golden pages in two unit settings), the sensor
// rule, the older consoles' layout, and the failures that are logged.
#include "publish/template_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/station.h"
#include "foundation/clock.h"
#include "foundation/display_units.h"
#include "foundation/sun_moon.h"
#include "publish/hilows_layout.h"
#include "publish/template_tags.h"
#include "publish/tests/hill_top_station.h"
#include "test_support/files.h"
#include "test_support/golden.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using DU = DisplayUnits;
using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

// 2024-06-15 14:30 UTC; local time five hours behind.
constexpr std::int64_t kNowMs = 1718461800000;
constexpr std::int32_t kLocalOffset = -5 * 3600;

void Put16(HiLowsBlock& b, std::size_t off, int v) {
  b[off] = static_cast<std::uint8_t>(v & 0xFF);
  b[off + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

PageData Fixture() {
  PageData d;
  LoopRecord& r = d.current;
  r.outside_temp = 725;
  r.inside_temp = 701;
  r.inside_hum = 41;
  r.outside_hum = 55;
  r.barometer = 29921;
  r.wind_speed = 7;
  r.avg_wind_speed = 5;
  r.wind_dir = 0;  // north, shown as 360
  r.year_rain = 1234;
  r.day_rain = 12;
  r.month_rain = 345;
  r.storm_rain = 56;
  r.rain_rate = 120;
  r.day_et = 45;
  r.month_et = 123;
  r.year_et = 2345;
  r.solar = 640;
  r.uv = 37;
  r.sunrise = 612;
  r.sunset = 1948;
  r.extra_temps = {160, 150, 255, 255, 255, 255, 255};
  r.extra_hums = {60, 255, 255, 255, 255, 255, 255};
  r.soil_moistures = {20, 30, 255, 40};
  r.soil_temps = {150, 151, 152, 255};
  r.leaf_wetnesses = {7, 255, 255, 255};
  r.leaf_temps = {140, 141, 255, 255};
  r.bar_trend = 20;

  HiLowsBlock b;
  b.fill(0xFF);  // everything missing unless set below
  namespace hl = hilows;
  Put16(b, hl::kBarDayLow, 29850);
  Put16(b, hl::kBarDayHigh, 29990);
  Put16(b, hl::kBarMonthLow, 29500);
  Put16(b, hl::kBarMonthHigh, 30200);
  Put16(b, hl::kBarYearLow, 29100);
  Put16(b, hl::kBarYearHigh, 30500);
  Put16(b, hl::kBarDayLowTime, 415);
  Put16(b, hl::kBarDayHighTime, 1002);
  b[hl::kWindDayHigh] = 23;
  Put16(b, hl::kWindDayHighTime, 1317);
  b[hl::kWindMonthHigh] = 41;
  b[hl::kWindYearHigh] = 58;
  Put16(b, hl::kInTempDayHigh, 735);
  Put16(b, hl::kInTempDayLow, 688);
  Put16(b, hl::kInTempDayHighTime, 1405);
  Put16(b, hl::kInTempDayLowTime, 610);
  Put16(b, hl::kInTempMonthLow, 650);
  Put16(b, hl::kInTempMonthHigh, 782);
  Put16(b, hl::kInTempYearLow, 601);
  Put16(b, hl::kInTempYearHigh, 801);
  b[hl::kInHumDayHigh] = 45;
  b[hl::kInHumDayLow] = 38;
  Put16(b, hl::kInHumDayHighTime, 700);
  Put16(b, hl::kInHumDayLowTime, 1500);
  b[hl::kInHumMonthHigh] = 52;
  b[hl::kInHumMonthLow] = 30;
  b[hl::kInHumYearHigh] = 60;
  b[hl::kInHumYearLow] = 22;
  Put16(b, hl::kOutTempDayLow, 581);
  Put16(b, hl::kOutTempDayHigh, 768);
  Put16(b, hl::kOutTempDayLowTime, 545);
  Put16(b, hl::kOutTempDayHighTime, 1352);
  Put16(b, hl::kOutTempMonthHigh, 912);
  Put16(b, hl::kOutTempMonthLow, 443);
  Put16(b, hl::kOutTempYearHigh, 955);
  Put16(b, hl::kOutTempYearLow, -123);
  Put16(b, hl::kDewDayLow, 50);
  Put16(b, hl::kDewDayHigh, 61);
  Put16(b, hl::kDewDayLowTime, 600);
  Put16(b, hl::kDewDayHighTime, 1200);
  Put16(b, hl::kDewMonthHigh, 70);
  Put16(b, hl::kDewMonthLow, 35);
  Put16(b, hl::kDewYearHigh, 75);
  Put16(b, hl::kDewYearLow, -20);
  Put16(b, hl::kChillDayLow, 57);
  Put16(b, hl::kChillDayLowTime, 548);
  Put16(b, hl::kChillMonthLow, 40);
  Put16(b, hl::kChillYearLow, -31);
  Put16(b, hl::kHeatDayHigh, 79);
  Put16(b, hl::kHeatDayHighTime, 1355);
  Put16(b, hl::kHeatMonthHigh, 98);
  Put16(b, hl::kHeatYearHigh, 104);
  Put16(b, hl::kThswDayHigh, 84);
  Put16(b, hl::kThswDayHighTime, 1310);
  Put16(b, hl::kThswMonthHigh, 101);
  Put16(b, hl::kThswYearHigh, 110);
  Put16(b, hl::kSolarDayHigh, 912);
  Put16(b, hl::kSolarDayHighTime, 1248);
  Put16(b, hl::kSolarMonthHigh, 1010);
  Put16(b, hl::kSolarYearHigh, 1150);
  b[hl::kUvDayHigh] = 74;
  Put16(b, hl::kUvDayHighTime, 1300);
  b[hl::kUvMonthHigh] = 91;
  b[hl::kUvYearHigh] = 102;
  Put16(b, hl::kRateDayHigh, 250);
  Put16(b, hl::kRateDayHighTime, 905);
  Put16(b, hl::kRateHourHigh, 130);
  Put16(b, hl::kRateMonthHigh, 480);
  Put16(b, hl::kRateYearHigh, 812);
  for (std::size_t slot : {hl::kSlotExtraTemp1, hl::kSlotExtraTemp1 + 1, hl::kSlotSoilTemp1, hl::kSlotSoilTemp1 + 2,
                           hl::kSlotLeafTemp1 + 1}) {
    b[hl::kTempsDayLow + slot] = static_cast<std::uint8_t>(140 + slot);
    b[hl::kTempsDayHigh + slot] = static_cast<std::uint8_t>(165 + slot);
    Put16(b, hl::kTempsDayLowTime + 2 * slot, 500 + static_cast<int>(slot));
    Put16(b, hl::kTempsDayHighTime + 2 * slot, 1500 + static_cast<int>(slot));
  }
  for (std::size_t slot : {0, 1, 2}) {
    b[hl::kHumsDayLow + slot] = static_cast<std::uint8_t>(30 + slot);
    b[hl::kHumsDayHigh + slot] = static_cast<std::uint8_t>(90 + slot);
    Put16(b, hl::kHumsDayLowTime + 2 * slot, 1430 + static_cast<int>(slot));
    Put16(b, hl::kHumsDayHighTime + 2 * slot, 430 + static_cast<int>(slot));
    b[hl::kHumsMonthHigh + slot] = static_cast<std::uint8_t>(97 + slot);
    b[hl::kHumsMonthLow + slot] = static_cast<std::uint8_t>(20 + slot);
    b[hl::kHumsYearHigh + slot] = 100;
    b[hl::kHumsYearLow + slot] = static_cast<std::uint8_t>(10 + slot);
  }
  for (std::size_t slot : {0, 1, 3}) {
    b[hl::kSoilDayHigh + slot] = static_cast<std::uint8_t>(50 + slot);
    Put16(b, hl::kSoilDayHighTime + 2 * slot, 30 + static_cast<int>(slot));
    b[hl::kSoilDayLow + slot] = static_cast<std::uint8_t>(10 + slot);
    Put16(b, hl::kSoilDayLowTime + 2 * slot, 2330 + static_cast<int>(slot));
  }
  b[hl::kLeafDayHigh] = 12;
  Put16(b, hl::kLeafDayHighTime, 730);
  b[hl::kLeafDayLow] = 0;
  Put16(b, hl::kLeafDayLowTime, 1600);
  d.hilows = b;

  d.wind_avg = {4.5f, 5.25f, 6.0f, 0.5f};
  d.wind_high = {9.0f, 11.0f, 14.0f, kPageNoValue};
  d.forecast = "Mostly clear with little temperature change.";
  d.time.SetDate(6, 15, 2024);
  d.time.packed_time = 9 * 60 + 29;
  d.time.UnpackTime();
  return d;
}

Station MakeStation() {
  Station s = testing::HillTopStation(6);
  StoreText(s.record().state, sizeof s.record().state, "IL");
  StoreText(s.record().latitude_text, sizeof s.record().latitude_text, "41 30 N");
  StoreText(s.record().longitude_text, sizeof s.record().longitude_text, "87 30 W");
  s.record().elevation_ft = 700;
  return s;
}

// Display units for one test, restored after it.
class UnitsScope {
 public:
  UnitsScope(int temp, int bar, int wind, int rain, int elev) {
    DU::SetTempUnit(temp);
    DU::SetBarUnit(bar);
    DU::SetWindSpeedUnit(wind);
    DU::SetRainUnit(rain);
    DU::SetElevUnit(elev);
  }
  ~UnitsScope() {
    DU::SetTempUnit(0);
    DU::SetBarUnit(0);
    DU::SetWindSpeedUnit(0);
    DU::SetRainUnit(0);
    DU::SetElevUnit(1);
  }
};

std::string Substitute(std::string_view piece, const TagValues& values) {
  std::string out;
  SubstituteTags(piece, values, out);
  return out;
}

class TemplatePage : public ::testing::Test {
 protected:
  FakeClock clock_{kNowMs, kLocalOffset};
  PageData data_ = Fixture();
  Station station_ = MakeStation();
};

TEST_F(TemplatePage, ScanFindsWholeCommentTagsOnly) {
  const TagValues v(data_, station_, clock_);
  const struct {
    const char* legend;
    const char* in;
    const char* out;
  } cases[] = {
      {"plain tag", "T=<!--outsideTemp-->F", "T=72.5F"},
      {"capitals", "<!--OUTSIDETEMP--> <!--OutsideTemp-->", "72.5 72.5"},
      {"unit tag", "<!--tempUnit-->",
       "\xC2\xB0"
       "F"},
      {"spaces inside the markers", "<!-- outsideTemp -->", "<!-- outsideTemp -->"},
      {"unknown comment", "<!-- built by hand -->x", "<!-- built by hand -->x"},
      {"empty comment then a tag", "<!----><!--time-->", "<!----> 9:30a"},
      {"empty comment alone", "a<!---->b<!--insideTemp-->", "a<!---->b70.1"},
      {"unclosed comment", "<!--outsideTemp", "<!--outsideTemp"},
      {"tag inside an unknown comment", "<!-- x <!--outsideTemp-->", "<!-- x <!--outsideTemp-->"},
      {"two tags", "<!--insideTemp-->/<!--outsideTemp-->", "70.1/72.5"},
      {"three dashes", "<!--->", "<!--->"},
      {"no tags", "plain text\n", "plain text\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    EXPECT_EQ(Substitute(c.in, v), c.out);
  }
  std::string value;
  EXPECT_EQ(v.GetTagText("<!--outsideTemp-->", &value), kTagKnown);
  EXPECT_EQ(v.GetTagText("<!--outsideTemperature-->", &value), kTagUnknown);
}

TEST_F(TemplatePage, MissingSensorsAndEmptyFactsAndConstantDashes) {
  Station no_solar = station_;
  no_solar.record().sensors[0] &= ~(sensor::kSolar | sensor::kInsideTemp);
  no_solar.record().city[0] = 0;
  const TagValues v(data_, no_solar, clock_);
  EXPECT_EQ(v.GetTagValue(tag::solarRad), "---");
  EXPECT_EQ(v.GetTagValue(tag::hiSolarRad), "---");
  EXPECT_EQ(v.GetTagValue(tag::dailyEt), "---");
  EXPECT_EQ(v.GetTagValue(tag::insideTemp), "70.1");  // produced without the sensor test
  EXPECT_EQ(v.GetTagValue(tag::hiInsideTemp), "---");
  EXPECT_EQ(v.GetTagValue(tag::StationCity), " ");
  for (int t : {tag::outsideAlarms, tag::rainAlarms, tag::insideAlarms, tag::lowMonthlySoilMoist, tag::hiYearlyLeaf,
                7999, 8225, 8311}) {
    EXPECT_EQ(v.GetTagValue(t), "---") << t;
  }
}

TEST_F(TemplatePage, MoonPhaseNearTheEndOfTheCycleIsNewMoon) {
  // Walk forward from the fixture's moment to a cycle position of about 0.95.
  FakeClock clock(kNowMs, kLocalOffset);
  float cycle = 0.0f;
  for (int hour = 0; hour < 24 * 31; ++hour) {
    DateTime now;
    now.SetSystemTime(clock);
    float smoothed = 0.0f;
    (void)CalcMoonPhase(now, cycle, smoothed);
    if (cycle > 0.945f && cycle < 0.955f) break;
    clock.Advance(3600 * 1000);
  }
  ASSERT_GT(cycle, 0.945f);
  ASSERT_LT(cycle, 0.955f);
  const TagValues v(data_, station_, clock);
  EXPECT_EQ(v.GetTagValue(tag::MoonPhaseStr), "New Moon ");
}

TEST_F(TemplatePage, OlderConsolesUseTodaysHighsAndLowsOnly) {
  Station older = station_;
  ASSERT_EQ(older.SetStationModel(1), 0);
  older.record().sensors[0] = 0xFFFFFFFFu;
  PageData d = data_;
  d.hilows.reset();
  DayHighLows day;
  day.High(DayQuantity::kOutsideTemp) = {81.5f, 13 * 60 + 5};
  day.Low(DayQuantity::kOutsideHum) = {140.0f, 600};  // out of range: shown as 100
  d.day_high_lows = day;
  d.calibration = ConsoleCalibration{0, 15, 0, 50};
  const TagValues v(d, older, clock_);
  EXPECT_EQ(v.GetTagValue(tag::hiOutsideTemp), "81.5");
  EXPECT_EQ(v.GetTagValue(tag::hiOutsideTempTime), " 1:05p");
  EXPECT_EQ(v.GetTagValue(tag::lowOutsideTemp), "---");
  EXPECT_EQ(v.GetTagValue(tag::hiMonthlyOutsideTemp), "---");
  EXPECT_EQ(v.GetTagValue(tag::hiYearlyBarometer), "---");
  EXPECT_EQ(v.GetTagValue(tag::hiTHSWindex), "---");
  // The calibration offsets are added first; humidity stays within 0..100.
  EXPECT_EQ(v.GetTagValue(tag::outsideTemp), "74.0");
  EXPECT_EQ(v.GetTagValue(tag::outsideHumidity), "100");
}

TEST_F(TemplatePage, TagSplitAcrossTwoPiecesIsNotRecognised) {
  TempDir dir;
  const std::string filler(kTemplatePieceMax - 6, '.');
  WriteText(dir / "t.htx", filler + "<!--outsideTemp-->\n<!--outsideTemp-->\n");
  const TagValues v(data_, station_, clock_);
  ASSERT_EQ(ProcessTemplate(dir / "t.htx", dir / "t.htm", v, "Hill Top"), kPageWritten);
  EXPECT_EQ(ReadText(dir / "t.htm"), filler + "<!--outsideTemp-->\n72.5\n");
}

TEST_F(TemplatePage, FailuresAreLoggedAndLeaveNoPage) {
  TempDir dir;
  const TagValues v(data_, station_, clock_);
  std::vector<std::string> lines;
  auto log = [&](std::string_view text, std::string_view title) {
    lines.push_back(std::string(title) + ": " + std::string(text));
  };
  EXPECT_EQ(ProcessTemplate(dir / "missing.htx", dir / "p.htm", v, "Hill Top", log), kPageFailed);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "Hill Top: Could not open template file for reading: " + (dir / "missing.htx"));

  WriteText(dir / "t.htx", "<!--outsideTemp-->\n");
  EXPECT_EQ(ProcessTemplate(dir / "t.htx", dir / "no/such/folder/p.htm", v, "Hill Top", log), kPageFailed);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "Hill Top: Could not open html file for writing: " + (dir / "no/such/folder/p.htm"));

  // A page that names its own template would destroy it: refused.
  EXPECT_EQ(ProcessTemplate(dir / "t.htx", dir / "t.htx", v, "Hill Top", log), kPageFailed);
  EXPECT_EQ(ReadText(dir / "t.htx"), "<!--outsideTemp-->\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "t.htx.part"));
}

constexpr std::string_view kGolden = "publish/tests/golden";

TEST_F(TemplatePage, EveryTagInTwoUnitSettings) {
  const struct {
    const char* golden;
    int temp, bar, wind, rain, elev;
  } settings[] = {
      {"every_tag_us.htm", DU::kFahrenheit, DU::kBarInches, DU::kMph, DU::kRainInches, DU::kFeet},
      {"every_tag_metric.htm", DU::kCelsius, DU::kBarHectopascals, DU::kKmPerHour, DU::kRainMillimetres, DU::kMetres},
  };
  for (const auto& s : settings) {
    SCOPED_TRACE(s.golden);
    UnitsScope units(s.temp, s.bar, s.wind, s.rain, s.elev);
    TempDir dir;
    const TagValues v(data_, station_, clock_);
    ASSERT_EQ(ProcessTemplate(std::string(SQ_SOURCE_DIR) + "/publish/tests/golden/every_tag.htx", dir / "page.htm", v,
                              "Hill Top"),
              kPageWritten);
    testing::ExpectGolden(kGolden, s.golden, ReadText(dir / "page.htm"));
  }
}

}  // namespace
}  // namespace sq
