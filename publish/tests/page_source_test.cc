// Page values from the current conditions: a page made from the snapshot that `run`
// keeps shows what only the real-time manager knows (forecast text, short-term wind
// averages and gusts) and the console's own values, in the live display units.
#include "publish/page_source.h"

#include <gtest/gtest.h>

#include "app/station.h"
#include "foundation/clock.h"
#include "foundation/display_units.h"
#include "publish/hilows_layout.h"
#include "publish/tag_values.h"
#include "publish/template_page.h"
#include "publish/template_tags.h"
#include "publish/tests/hill_top_station.h"
#include "realtime/bulletin_snapshot.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using DU = DisplayUnits;
using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

// 2024-06-15 14:00 UTC, local time five hours behind.
constexpr std::int64_t kStartMs = 1718460000000;
constexpr std::int32_t kLocalOffset = -5 * 3600;

Station MakeStation(int model, const std::string& folder) {
  Station s = testing::HillTopStation(model);
  s.SetFolder(folder);
  return s;
}

void SetUnits(int temp, int wind) {
  DU::SetTempUnit(temp);
  DU::SetWindSpeedUnit(wind);
}

class PageSourceTest : public ::testing::Test {
 protected:
  void TearDown() override { SetUnits(0, 0); }

  // Three minutes of packets: wind 4, 8 and 6 mph, outside 70.0, 75.0 and 72.5 °F.
  BulletinData RunFor3Minutes(const Station& station) {
    BulletinData d;
    const BulletinSite site = BulletinSiteFrom(station);
    const int speeds[] = {4, 8, 6};
    const std::int16_t temps[] = {700, 750, 725};
    for (int i = 0; i < 3; ++i) {
      LoopRecord r;
      r.wind_speed = static_cast<std::uint8_t>(speeds[i]);
      r.avg_wind_speed = 5;
      r.outside_temp = temps[i];
      r.outside_hum = 50;
      r.forecast_rule = 45;
      d.Update(r, site, clock_.UnixMs(), clock_.LocalNow());
      clock_.Advance(60 * 1000);
    }
    return d;
  }

  // What `run` leaves behind, read back as `page` reads it.
  PageData ThroughSnapshot(const BulletinData& d, const Station& station) {
    EXPECT_EQ(WriteBulletinSnapshot(dir_.str(), d), 0);
    const SnapshotKeeperLock run(dir_.str());  // `run` keeps the station
    EXPECT_TRUE(run.held());
    std::string error;
    const auto source = ReadPageData(station, nullptr, clock_, &error);
    EXPECT_TRUE(source.has_value()) << error;
    EXPECT_TRUE(source && source->from_snapshot);
    return source ? source->data : PageData{};
  }

  TempDir dir_;
  FakeClock clock_{kStartMs, kLocalOffset};
};

TEST_F(PageSourceTest, PageFromRunSnapshotShowsForecastAndShortTermWind) {
  const Station station = MakeStation(6, dir_.str());
  BulletinData d = RunFor3Minutes(station);
  d.have_hilows = true;
  d.hilows.fill(0xFF);
  d.hilows[hilows::kOutTempDayHigh] = 0x20;  // 80.0 °F
  d.hilows[hilows::kOutTempDayHigh + 1] = 0x03;
  d.hilows[hilows::kOutTempMonthHigh] = 0x90;  // 91.2 °F
  d.hilows[hilows::kOutTempMonthHigh + 1] = 0x03;
  ASSERT_FALSE(d.forecast_text.empty());

  const PageData page = ThroughSnapshot(d, station);
  WriteText(dir_ / "t.htx",
            "<!--ForecastStr-->|<!--windAvg10-->|<!--windHigh10-->|<!--windAvg1-->|<!--windHigh1-->|"
            "<!--outsideTemp-->|<!--hiOutsideTemp-->|<!--hiMonthlyOutsideTemp-->|<!--stationTime-->\n");
  const TagValues values(page, station, clock_);
  ASSERT_EQ(ProcessTemplate(dir_ / "t.htx", dir_ / "t.htm", values, "Hill Top"), kPageWritten);
  // Averages over the last 11 and 2 one-minute samples; the last packet came at 9:02a.
  EXPECT_EQ(ReadText(dir_ / "t.htm"), d.forecast_text + "|6.0|8.0|7.0|8.0|72.5|80.0|91.2| 9:02a\n");
}

TEST_F(PageSourceTest, SnapshotInOtherUnitsIsShownInTheLiveUnits) {
  // An older console: today's highs and lows come from what `run` tracked. `run`
  // wrote °C and km/h; the page is made in °F and mph.
  const Station station = MakeStation(1, dir_.str());
  SetUnits(DU::kCelsius, DU::kKmPerHour);
  const BulletinData d = RunFor3Minutes(station);
  SetUnits(DU::kFahrenheit, DU::kMph);

  const PageData page = ThroughSnapshot(d, station);
  const TagValues values(page, station, clock_);
  EXPECT_EQ(values.GetTagValue(tag::windAvg10), "6.0");
  EXPECT_EQ(values.GetTagValue(tag::windHigh2), "8.0");
  EXPECT_EQ(values.GetTagValue(tag::hiOutsideTemp), "75.0");
  EXPECT_EQ(values.GetTagValue(tag::hiOutsideTempTime), " 9:01a");
  EXPECT_EQ(values.GetTagValue(tag::lowOutsideTemp), "70.0");
  EXPECT_EQ(values.GetTagValue(tag::hiWindSpeed), "8.0");
  EXPECT_EQ(values.GetTagValue(tag::outsideTemp), "72.5");
  EXPECT_NE(values.GetTagValue(tag::ForecastStr), "---");  // computed for the older families
}

TEST_F(PageSourceTest, OneReadingTracksNoHighsAndLows) {
  const Station station = MakeStation(1, dir_.str());
  BulletinData d;
  LoopRecord r;
  r.outside_temp = 700;
  r.wind_speed = 9;
  d.Update(r, BulletinSiteFrom(station), clock_.UnixMs(), clock_.LocalNow());
  const PageData page = PageDataFromBulletin(d, station, false);
  const TagValues values(page, station, clock_);
  EXPECT_EQ(values.GetTagValue(tag::hiOutsideTemp), "---");
  EXPECT_EQ(values.GetTagValue(tag::windAvg1), "9.0");
  EXPECT_EQ(values.GetTagValue(tag::windHigh10), "9.0");
}

TEST_F(PageSourceTest, DamagedSnapshotIsACleanError) {
  const Station station = MakeStation(6, dir_.str());
  WriteText(dir_ / kSnapshotFileName, "not a snapshot\n");
  const SnapshotKeeperLock run(dir_.str());
  std::string error;
  EXPECT_FALSE(ReadPageData(station, nullptr, clock_, &error).has_value());
  EXPECT_NE(error.find("stratoquill run"), std::string::npos) << error;
}

}  // namespace
}  // namespace sq
