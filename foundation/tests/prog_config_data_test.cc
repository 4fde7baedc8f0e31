#include "foundation/prog_config_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/display_units.h"

namespace sq {
namespace {

using P = ProgConfigData;

// The reset image built from raw offsets, independent of the accessors.
std::vector<std::uint8_t> ExpectedResetImage() {
  std::vector<std::uint8_t> b(P::kSize, 0);
  b[4] = 1;                // elevation in feet
  b[6] = 5;                // layout mark
  b[8] = 5;                // layout mark
  b[10] = 1;               // layout version
  b[12] = 1;               // setting
  b[790] = 5;              // minute offset
  b[792] = b[793] = 0xFF;  // last automatic download hour -1
  b[922] = 9;              // layout mark
  return b;
}

TEST(ProgConfigDataTest, ResetSetsEveryByte) {
  P p;
  std::fill_n(p.data(), P::kSize, std::uint8_t{0xAB});
  p.Reset();
  EXPECT_EQ(std::vector<std::uint8_t>(p.data(), p.data() + P::size()), ExpectedResetImage());
  EXPECT_EQ(p.LayoutVersion(), 1);
  EXPECT_EQ(p.LastAutoDownloadHour(), -1);
  EXPECT_FALSE(p.HasFramePosition());
  EXPECT_EQ(p.ProgramFolder(), "");
  EXPECT_EQ(progConfigData, P());  // the program-wide record starts reset
}

TEST(ProgConfigDataTest, FieldsAreLittleEndianAtTheirOffsets) {
  P p;
  p.Reset();
  p.SetFrame({0x01020304, -2, 800, 600});
  p.SetFrameMaximized(1);
  p.SetScreenSize(1920, 1080);
  p.SetLastAutoDownloadHour(14);
  p.SetSetting12(0x0102);
  p.SetWord920(0x0A0B);
  p.SetDensityUnit(1);
  ASSERT_TRUE(p.SetAutoDownloadHour(23, true));
  ASSERT_TRUE(p.SetAutoDownloadMinute(59));
  p.SetAutoDownloadEnabled(true);
  const std::uint8_t* b = p.data();
  EXPECT_EQ(std::vector<int>(b + 116, b + 124), (std::vector<int>{4, 3, 2, 1, 0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(b[124] | b[125] << 8, 800);
  EXPECT_EQ(b[128] | b[129] << 8, 600);
  EXPECT_EQ(b[132], 1);
  EXPECT_EQ(b[236] | b[237] << 8, 1920);
  EXPECT_EQ(b[240] | b[241] << 8, 1080);
  EXPECT_EQ(b[766 + 23], 1);
  EXPECT_EQ(b[790], 59);
  EXPECT_EQ(b[791], 1);
  EXPECT_EQ(b[792], 14);
  EXPECT_EQ(b[793], 0);
  EXPECT_EQ(b[12], 2);
  EXPECT_EQ(b[13], 1);
  EXPECT_EQ(b[920], 0x0B);
  EXPECT_EQ(b[924], 1);
  EXPECT_EQ(p.Frame(), (P::FrameRect{0x01020304, -2, 800, 600}));
  EXPECT_TRUE(p.AutoDownloadHour(23));
  EXPECT_FALSE(p.AutoDownloadHour(22));

  // Out-of-range schedule values are refused and leave the record alone.
  const P before = p;
  EXPECT_FALSE(p.SetAutoDownloadHour(24, true));
  EXPECT_FALSE(p.SetAutoDownloadHour(-1, true));
  EXPECT_FALSE(p.SetAutoDownloadMinute(60));
  EXPECT_FALSE(p.AutoDownloadHour(24));
  EXPECT_EQ(p, before);

  // Marks damaged in a file are put back.
  p.data()[6] = 0;
  p.data()[922] = 0;
  p.StampLayoutMarks();
  EXPECT_EQ(p.Mark6(), 5);
  EXPECT_EQ(p.Mark8(), 5);
  EXPECT_EQ(p.Mark922(), 9);
}

TEST(ProgConfigDataTest, FromBytesTakesOnlyAWholeRecordAndKeepsUnknownBytes) {
  std::vector<std::uint8_t> file = ExpectedResetImage();
  file[2000] = 0x5A;  // a byte the program does not know
  file[0] = 1;
  P p;
  EXPECT_FALSE(p.FromBytes(std::span(file.data(), file.size() - 1)));
  EXPECT_EQ(p, P());
  file.push_back(0);
  EXPECT_FALSE(p.FromBytes(file));
  file.pop_back();
  ASSERT_TRUE(p.FromBytes(file));
  EXPECT_EQ(p.TempUnit(), 1);
  EXPECT_EQ(std::vector<std::uint8_t>(p.bytes().begin(), p.bytes().end()), file);
}

TEST(ProgConfigDataTest, TextFieldsRefuseWhatDoesNotFit) {
  P p;
  const std::string folder259(259, 'f');
  ASSERT_TRUE(p.SetProgramFolder("/home/user/weather/long-name"));
  ASSERT_TRUE(p.SetProgramFolder("/a"));  // the shorter text leaves no tail behind
  EXPECT_EQ(p.ProgramFolder(), "/a");
  EXPECT_EQ(p.data()[244 + 3], 0);
  ASSERT_TRUE(p.SetLastStationFolder(folder259));
  EXPECT_EQ(p.LastStationFolder(), folder259);
  EXPECT_FALSE(p.SetLastStationFolder(folder259 + "g"));
  EXPECT_EQ(p.LastStationFolder(), folder259);
  EXPECT_FALSE(p.SetProgramFolder(std::string("a\0b", 3)));
  EXPECT_EQ(p.ProgramFolder(), "/a");

  ASSERT_TRUE(p.SetUpgradeText(0, "Old Model"));
  ASSERT_TRUE(p.SetUpgradeText(1, std::string(19, 'x')));
  EXPECT_FALSE(p.SetUpgradeText(1, std::string(20, 'y')));
  EXPECT_FALSE(p.SetUpgradeText(2, "z"));
  EXPECT_EQ(p.UpgradeText(0), "Old Model");
  EXPECT_EQ(p.UpgradeText(1), std::string(19, 'x'));
  EXPECT_EQ(p.UpgradeText(2), "");
  EXPECT_EQ(p.data()[880], 'O');
  EXPECT_EQ(p.data()[900], 'x');

  // A field read from a file without its terminator ends at the field's end.
  std::fill_n(p.data() + P::kUpgradeText0, 20, std::uint8_t{'q'});
  EXPECT_EQ(p.UpgradeText(0), std::string(20, 'q'));
}

TEST(ProgConfigDataTest, ConsoleUnitByte) {
  struct Case {
    const char* legend;
    std::uint8_t temp, bar, rain, wind, elev;
    int expected;
  };
  const Case cases[] = {
      {"all first units, elevation in metres", 0, 0, 0, 0, 0, 0},
      {"reset defaults (feet)", 0, 0, 0, 0, 1, 16},
      {"C, hPa, mm, km/h, feet", 1, 3, 1, 2, 1, 8 | 2 | 32 | 128 | 16},
      {"mm of mercury", 0, 1, 0, 0, 0, 1},
      {"millibars", 0, 2, 0, 0, 0, 3},
      {"knots", 0, 0, 0, 1, 0, 3 << 6},
      {"metres per second", 0, 0, 0, 3, 0, 1 << 6},
      {"codes out of range count as first units", 7, 9, 5, 8, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    P p;
    p.SetTempUnit(c.temp);
    p.SetBarUnit(c.bar);
    p.SetRainUnit(c.rain);
    p.SetWindUnit(c.wind);
    p.SetElevUnit(c.elev);
    EXPECT_EQ(p.MakeCorvaleUnitByte(), c.expected);
  }
  EXPECT_EQ(ProgConfigData().MakeCorvaleUnitByte(), 16);
}

}  // namespace
}  // namespace sq
