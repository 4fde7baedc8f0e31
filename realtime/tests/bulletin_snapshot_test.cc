#include "realtime/bulletin_snapshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "foundation/clock.h"
#include "realtime/bulletin_fields.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

BulletinData Sample() {
  BulletinData d;
  LoopRecord r;
  r.outside_temp = 723;
  r.outside_hum = 61;
  r.barometer = 30012;
  r.wind_speed = 7;
  r.wind_dir = 0;
  r.day_rain = 3;
  r.storm_rain = 3;
  r.forecast_rule = 107;
  r.console_battery = 600;
  BulletinSite site;
  for (int i = 0; i < 5; ++i) {
    const std::int64_t t = 1717200000000 + i * 37000;
    FakeClock c(t);
    d.Update(r, site, t, c.LocalNow());
    r.wind_speed = static_cast<std::uint8_t>(r.wind_speed + 3);
  }
  d.forecast_short = " line\nbreak ";  // never written as two lines
  return d;
}

TEST(BulletinSnapshot, RoundTripsEveryValueExactly) {
  BulletinData d = Sample();
  d.forecast_short = " text with blanks ";
  const auto back = ParseBulletinSnapshot(FormatBulletinSnapshot(d));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, d);
  EXPECT_FLOAT_EQ(back->AvgWindSpeed(2), d.AvgWindSpeed(2));
  EXPECT_EQ(back->forecast_text, d.forecast_text);
}

TEST(BulletinSnapshot, RefusesWhatIsNotASnapshot) {
  const std::string good = FormatBulletinSnapshot(Sample());
  struct Row {
    const char* legend;
    std::string text;
  } rows[] = {
      {"empty", ""},
      {"other file", "hello\nworld\n"},
      {"bad number", good + "outside_temperature 7x\n"},
      {"short array", good + "wind_count 1 2 3\n"},
      {"long array", good + "wind_count 1 2 3 4 5 6 7 8 9 10 11 12\n"},
      {"ring index out of range", good + "wind_index 11\n"},
      {"negative index", good + "minute_index -1\n"},
      {"bad flag", good + "have_data yes\n"},
      {"too large", good + std::string(kMaxSnapshotSize, 'x')},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    std::string error;
    // A later line of the same key wins over nothing: the map keeps the first one, so
    // put the damaged line first.
    std::string text = row.text;
    if (text.size() > good.size() && text.size() < kMaxSnapshotSize) {
      const std::string extra = text.substr(good.size());
      text = good.substr(0, good.find('\n') + 1) + extra + good.substr(good.find('\n') + 1);
    }
    EXPECT_FALSE(ParseBulletinSnapshot(text, &error).has_value());
    EXPECT_FALSE(error.empty());
  }
  // Unknown keys and lines without a value are skipped.
  EXPECT_TRUE(ParseBulletinSnapshot(good + "future_value 12\nnovalue\n").has_value());
}

TEST(BulletinSnapshot, WriteReplacesAndReadTellsTheAge) {
  const fs::path dir = fs::path(testing::TempDir()) / "snapshot_test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  FakeClock clock(1717200000000 + 4 * 37000 + 65000);
  std::string error;
  EXPECT_FALSE(ReadBulletinSnapshot(dir.string(), clock, &error).has_value());
  EXPECT_FALSE(error.empty());
  const BulletinData d = Sample();
  ASSERT_EQ(WriteBulletinSnapshot(dir.string(), d, &error), 0) << error;
  ASSERT_EQ(WriteBulletinSnapshot(dir.string(), d, &error), 0) << error;
  const auto s = ReadBulletinSnapshot(dir.string(), clock, &error);
  ASSERT_TRUE(s.has_value()) << error;
  EXPECT_EQ(s->age_ms, 65000);
  EXPECT_EQ(s->data.forecast_short, " line break ");
  EXPECT_FALSE(fs::exists(dir / (std::string(kSnapshotFileName) + ".tmp")));
  // A link planted under the temporary name is replaced, never written through.
  const fs::path outside = dir / "outside.txt";
  { std::ofstream(outside) << "not ours"; }
  fs::create_symlink(outside, dir / (std::string(kSnapshotFileName) + ".tmp"));
  ASSERT_EQ(WriteBulletinSnapshot(dir.string(), d, &error), 0) << error;
  EXPECT_EQ(fs::file_size(outside), 8u);
  EXPECT_TRUE(ReadBulletinSnapshot(dir.string(), clock, &error).has_value()) << error;
  // Another process keeps the snapshot while it holds the keeper's lock.
  EXPECT_FALSE(SnapshotKeeperRunning(dir.string()));
  {
    const SnapshotKeeperLock keeper(dir.string());
    ASSERT_TRUE(keeper.held());
    EXPECT_FALSE(SnapshotKeeperLock(dir.string()).held());
    EXPECT_TRUE(SnapshotKeeperRunning(dir.string()));
  }
  EXPECT_FALSE(SnapshotKeeperRunning(dir.string()));
  // A folder that cannot be written says so.
  EXPECT_EQ(WriteBulletinSnapshot((dir / "missing").string(), d, &error), -1);
  EXPECT_NE(error.find("missing"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace sq
