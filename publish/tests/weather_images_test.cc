// Weather images: the gauge scales, the pixels the drawing rules fix (read back from the
// GIF written), the graph periods and the production of a profile's whole image set.
//
// Golden checksums: GoldenPixels compares a checksum of the decoded pixels of one bar
// gauge and one dial. After an intended change to the drawing, run
//   build/publish/weather_images_test --gtest_filter='*Golden*' --regenerate-golden
// look at the images it leaves in the printed folder, and paste the printed values.
#include "publish/weather_images.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/station.h"
#include "database/daily_summary_record.h"
#include "database/data_record.h"
#include "database/weather_database.h"
#include "foundation/display_units.h"
#include "publish/bar_gif.h"
#include "publish/dial_gif.h"
#include "publish/graph_gif.h"
#include "publish/hilows_layout.h"
#include "publish/publish_tables.h"
#include "test_support/golden.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

namespace fs = std::filesystem;
using DU = DisplayUnits;

using testing::TempDir;

// Display units for one test, back to the defaults after it.
class Units {
 public:
  Units(int temp, int bar, int wind, int rain) {
    DU::SetTempUnit(temp);
    DU::SetBarUnit(bar);
    DU::SetWindSpeedUnit(wind);
    DU::SetRainUnit(rain);
  }
  ~Units() {
    DU::SetTempUnit(0);
    DU::SetBarUnit(0);
    DU::SetWindSpeedUnit(0);
    DU::SetRainUnit(0);
    DU::SetDensityUnit(0);
  }
};

// A GIF read back with libgd.
struct Decoded {
  struct Free {
    void operator()(gdImagePtr p) const { gdImageDestroy(p); }
  };
  std::unique_ptr<gdImage, Free> im;
  explicit Decoded(const std::string& path) {
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
      im.reset(gdImageCreateFromGif(f));
      std::fclose(f);
    }
  }
  [[nodiscard]] Rgb At(int x, int y) const {
    const int c = gdImageGetPixel(im.get(), x, y);
    return {gdImageRed(im.get(), c), gdImageGreen(im.get(), c), gdImageBlue(im.get(), c)};
  }
  [[nodiscard]] bool Is(int x, int y, Rgb want) const {
    const Rgb c = At(x, y);
    return c.r == want.r && c.g == want.g && c.b == want.b;
  }
  // Rows within [y0, y1] holding a pixel of `colour` between x0 and x1.
  [[nodiscard]] std::vector<int> RowsWith(Rgb colour, int x0, int x1, int y0, int y1) const {
    std::vector<int> rows;
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        if (Is(x, y, colour)) {
          rows.push_back(y);
          break;
        }
      }
    }
    return rows;
  }
  // FNV-1a over the colours of every pixel.
  [[nodiscard]] std::uint64_t Checksum() const {
    std::uint64_t h = 1469598103934665603ULL;
    for (int y = 0; y < gdImageSY(im.get()); ++y) {
      for (int x = 0; x < gdImageSX(im.get()); ++x) {
        const Rgb c = At(x, y);
        for (int v : {c.r, c.g, c.b}) h = (h ^ static_cast<std::uint64_t>(v)) * 1099511628211ULL;
      }
    }
    return h;
  }
};

constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0}, kBlue{0, 0, 255};

// ---- Scales ----

enum class Setter { kTemp, kChill, kHum, kRain, kRate, kEmc, kDensity, kSolar, kUv };

struct ScaleCase {
  const char* what;
  Setter setter;
  int temp_unit, rain_unit;
  float value, high, low;
  bool extremes;
  float min, max;
  int ticks, value_decimals, label_decimals;
};

TEST(BarScale, SettersFollowTheirRules) {
  const float none = kImageNoValue;
  const ScaleCase cases[] = {
      {"105 F widens the top in steps of 50", Setter::kTemp, 0, 0, 105, none, none, false, 0, 150, 10, 1, 0},
      {"-5 F lowers the bottom by 20, span kept", Setter::kTemp, 0, 0, -5, none, none, false, -20, 80, 10, 1, 0},
      {"72 F default", Setter::kTemp, 0, 0, 72, none, none, false, 0, 100, 10, 1, 0},
      {"100 F still fits", Setter::kTemp, 0, 0, 100, none, none, false, 0, 100, 10, 1, 0},
      {"-41 F two steps down", Setter::kTemp, 0, 0, -41, none, none, false, -60, 40, 10, 1, 0},
      {"low below 0 with a high: span 120, 12 ticks", Setter::kTemp, 0, 0, 50, 60, -5, true, -20, 100, 12, 1, 0},
      {"high above the default", Setter::kTemp, 0, 0, 30, 110, 20, true, 0, 150, 10, 1, 0},
      {"the value widens the high", Setter::kTemp, 0, 0, 130, 90, 20, true, 0, 150, 10, 1, 0},
      {"Celsius -15 low: span 70, 7 ticks", Setter::kTemp, 1, 0, 10, 20, -15, true, -20, 50, 7, 1, 0},
      {"Celsius -35 low: span 90, 9 ticks", Setter::kTemp, 1, 0, 10, 20, -35, true, -40, 50, 9, 1, 0},
      {"missing value: default", Setter::kTemp, 0, 0, none, none, none, false, 0, 100, 10, 1, 0},
      {"extremes asked, none known: the plain rules", Setter::kTemp, 0, 0, -5, none, none, true, -20, 80, 10, 1, 0},
      {"chill driven by the low: span 140, 7 ticks", Setter::kChill, 0, 0, -5, none, -30, true, -40, 100, 7, 1, 0},
      {"chill span 120 keeps 10 ticks", Setter::kChill, 0, 0, -5, none, -5, true, -20, 100, 10, 1, 0},
      {"humidity", Setter::kHum, 0, 0, 45, none, none, false, 0, 100, 10, 0, 0},
      {"rain 0.3 in", Setter::kRain, 0, 0, 0.3f, none, none, false, 0, 1, 10, 2, 1},
      {"rain 1.5 in", Setter::kRain, 0, 0, 1.5f, none, none, false, 0, 2, 10, 2, 1},
      {"rain 33 in", Setter::kRain, 0, 0, 33, none, none, false, 0, 50, 10, 2, 0},
      {"rain 30 mm", Setter::kRain, 0, 1, 30, none, none, false, 0, 50, 10, 1, 0},
      {"rate 3 mm/hr", Setter::kRate, 0, 1, 3, none, none, false, 0, 25, 5, 1, 0},
      {"rate widened by today's high", Setter::kRate, 0, 0, 0.2f, 1.7f, none, true, 0, 2, 10, 2, 1},
      {"EMC 12", Setter::kEmc, 0, 0, 12, none, none, false, 0, 20, 10, 1, 0},
      {"EMC 23: a tick every 5", Setter::kEmc, 0, 0, 23, none, none, false, 0, 25, 5, 1, 0},
      {"air density lb/cu.ft", Setter::kDensity, 0, 0, 0.0765f, none, none, false, 0, 0.1f, 10, 4, 2},
      {"air density kg/cu.m", Setter::kDensity, 0, 0, 1.2f, none, none, false, 0, 1.2f, 10, 4, 2},
      {"solar 1100", Setter::kSolar, 0, 0, 1100, none, none, false, 0, 1100, 11, 0, 0},
      {"UV 11: steps of 2", Setter::kUv, 0, 0, 11, none, none, false, 0, 12, 6, 1, 0},
  };
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(c.what);
    Units units(c.temp_unit, 0, 0, c.rain_unit);
    BarGif g("unused.gif", c.value, c.high, c.low, c.extremes);
    switch (c.setter) {
      case Setter::kTemp:
        g.SetTempRange();
        break;
      case Setter::kChill:
        g.SetWindChillRange();
        break;
      case Setter::kHum:
        g.SetHumRange();
        break;
      case Setter::kRain:
        g.SetRainRange();
        break;
      case Setter::kRate:
        g.SetRateRange();
        break;
      case Setter::kEmc:
        g.SetEMCRange();
        break;
      case Setter::kDensity:
        g.SetAirDensityRange();
        break;
      case Setter::kSolar:
        g.SetSolarRange();
        break;
      case Setter::kUv:
        g.SetUVRange();
        break;
    }
    EXPECT_FLOAT_EQ(g.scale().minimum, c.min);
    EXPECT_FLOAT_EQ(g.scale().maximum, c.max);
    EXPECT_FLOAT_EQ(g.scale().span, c.max - c.min);
    EXPECT_EQ(g.scale().ticks, c.ticks);
    EXPECT_EQ(g.scale().value_decimals, c.value_decimals);
    EXPECT_EQ(g.scale().label_decimals, c.label_decimals);
  }
}

TEST(BarScale, HumidityMarkersCountAsMissing) {
  for (float marker : {255.0f, -128.0f}) {
    BarGif g("unused.gif", marker);
    g.SetHumRange();
    EXPECT_TRUE(ImageValueMissing(g.value())) << marker;
  }
}

TEST(BarScale, BarometerWindowMovesOnlyWhenTheValueLeavesIt) {
  struct Step {
    int unit;
    float value, min, max;
    int ticks;
  };
  const Step inches[] = {{0, 29.92f, 29.5f, 30.5f, 10},
                         {0, 30.2f, 29.5f, 30.5f, 10},
                         {0, 30.61f, 30.0f, 31.0f, 10},
                         {0, 30.05f, 30.0f, 31.0f, 10},
                         {0, 29.98f, 29.5f, 30.5f, 10}};
  const Step millimetres[] = {{1, 760, 745, 775, 6}, {1, 772, 745, 775, 6}, {1, 776, 760, 790, 6}};
  const Step hectopascals[] = {{3, 1013, 995, 1030, 7}, {3, 1029, 995, 1030, 7}, {2, 990, 970, 1005, 7}};
  auto check = [](std::span<const Step> steps, float previous) {
    BaromWindow window{previous};
    for (const Step& s : steps) {
      SCOPED_TRACE(s.value);
      Units units(0, s.unit, 0, 0);
      BarGif g("unused.gif", s.value);
      g.SetBaromRange(window);
      EXPECT_NEAR(g.scale().minimum, s.min, 1e-4);
      EXPECT_NEAR(g.scale().maximum, s.max, 1e-4);
      EXPECT_EQ(g.scale().ticks, s.ticks);
      EXPECT_EQ(g.scale().value_decimals, s.unit == 0 ? 2 : 1);
    }
  };
  check(inches, 29.92f);
  check(millimetres, 0.0f);
  check(hectopascals, 0.0f);
}

TEST(BarScale, TickRemainderIsSpreadOverTheFirstTicks) {
  Units units(1, 0, 0, 0);
  BarGif g("unused.gif", 10, 20, -15, true);  // Celsius -20..50: 7 ticks of 21 px, 3 left over
  g.SetTempRange();
  ASSERT_EQ(g.scale().ticks, 7);
  const int want[] = {185, 163, 141, 119, 98, 77, 56, 35};
  for (int i = 0; i <= 7; ++i) EXPECT_EQ(g.TickY(i), want[i]) << i;
}

TEST(BarScale, LongCaptionIsKeptOut) {
  BarGif g("unused.gif", 1);
  g.SetCaption("Outside Temp");
  g.SetCaption(std::string(30, 'x'));
  EXPECT_EQ(g.caption(), "Outside Temp");
  g.SetCaption(std::string(29, 'y'));
  EXPECT_EQ(g.caption(), std::string(29, 'y'));
}

// ---- Pixels ----

TEST(BarPixels, FrameBarTicksLinesAndTexts) {
  TempDir dir;
  Units units(1, 0, 0, 0);
  // Celsius -20..50; the high (48) sits in the top tenth, the low (-18) in the bottom one.
  BarGif g(dir.file("bar.gif"), 10.0f, 48.0f, -18.0f, true);
  g.SetCaption("Outside Temp");
  g.SetBarFillColor(220, 40, 40);
  g.SetBackgroundColor(kGifBackgroundTransparent);
  g.SetTempRange();
  g.DrawTemplate();
  g.DrawValue();
  ASSERT_EQ(g.SaveToFile(), 1);

  const Decoded d(dir.file("bar.gif"));
  ASSERT_TRUE(d.im);
  ASSERT_EQ(gdImageSX(d.im.get()), 128);
  ASSERT_EQ(gdImageSY(d.im.get()), 220);
  // Background code 1: white and the GIF's transparent colour.
  const int transparent = gdImageGetTransparent(d.im.get());
  ASSERT_GE(transparent, 0);
  EXPECT_EQ(gdImageGetPixel(d.im.get(), 5, 100), transparent);
  EXPECT_TRUE(d.Is(5, 100, kWhite));
  // The 2-pixel frame.
  for (int x : {0, 1, 126, 127}) EXPECT_TRUE(d.Is(x, 100, kBlack)) << x;
  for (int y : {218, 219}) EXPECT_TRUE(d.Is(64, y, kBlack)) << y;
  EXPECT_TRUE(d.Is(2, 100, kWhite));
  // Caption band: black, with white caption pixels.
  EXPECT_TRUE(d.Is(2, 1, kBlack));
  EXPECT_FALSE(d.RowsWith(kWhite, 20, 108, 0, 15).empty());
  EXPECT_TRUE(d.RowsWith(kWhite, 20, 108, 16, 16).empty() || !d.Is(20, 16, kBlack));
  // The bar's left, bottom and right edges; no top edge.
  EXPECT_TRUE(d.Is(38, 100, kBlack));
  EXPECT_TRUE(d.Is(90, 100, kBlack));
  EXPECT_TRUE(d.Is(64, 185, kBlack));
  EXPECT_FALSE(d.Is(64, 35, kBlack));
  // Ticks on both sides at the spread positions, nothing between them.
  for (int y : {185, 163, 141, 119, 98, 77, 56, 35}) {
    EXPECT_TRUE(d.Is(33, y, kBlack) && d.Is(37, y, kBlack)) << y;
    EXPECT_TRUE(d.Is(91, y, kBlack) && d.Is(95, y, kBlack)) << y;
  }
  EXPECT_FALSE(d.Is(35, 164, kBlack));
  // The fill from one pixel inside the bottom edge up to the value's row.
  const int top = g.ValueY(10.0f);
  EXPECT_EQ(top, 185 - 64);  // 150 × 30 / 70 = 64.3
  EXPECT_TRUE(d.Is(39, 184, Rgb{220, 40, 40}));
  EXPECT_TRUE(d.Is(89, top, Rgb{220, 40, 40}));
  EXPECT_FALSE(d.Is(64, top - 1, Rgb{220, 40, 40}));
  // High line red across the bar, label below it (top tenth); low line blue, label
  // above it (bottom tenth), white on this dark fill.
  const int hy = g.ValueY(48.0f), ly = g.ValueY(-18.0f);
  EXPECT_TRUE(d.Is(39, hy, kRed) && d.Is(89, hy, kRed));
  EXPECT_TRUE(d.Is(39, ly, kBlue) && d.Is(89, ly, kBlue));
  EXPECT_TRUE(d.RowsWith(kRed, 50, 78, hy - 14, hy - 1).empty());
  EXPECT_FALSE(d.RowsWith(kRed, 50, 78, hy + 1, hy + 14).empty());
  EXPECT_FALSE(d.RowsWith(kWhite, 50, 78, ly - 13, ly - 1).empty());
  EXPECT_TRUE(d.RowsWith(kWhite, 50, 78, ly + 1, BarGif::kBarBottom - 1).empty());
}

TEST(BarPixels, LabelsSwapSidesAwayFromTheEnds) {
  TempDir dir;
  Units units(0, 0, 0, 0);
  // 0..100 F; high 70 and low 30 lie in the middle: "High" above its line, "Low" below.
  // A light fill (yellow) makes the low's label black.
  BarGif g(dir.file("mid.gif"), 50.0f, 70.0f, 30.0f, true);
  g.SetBarFillColor(255, 200, 0);
  g.SetBackgroundColor(kGifBackgroundWhite);
  g.SetTempRange();
  g.DrawTemplate();
  g.DrawValue();
  ASSERT_EQ(g.SaveToFile(), 1);
  const Decoded d(dir.file("mid.gif"));
  ASSERT_TRUE(d.im);
  EXPECT_EQ(gdImageGetTransparent(d.im.get()), -1);
  const int hy = g.ValueY(70.0f), ly = g.ValueY(30.0f);
  EXPECT_FALSE(d.RowsWith(kRed, 50, 78, hy - 13, hy - 1).empty());
  EXPECT_TRUE(d.RowsWith(kRed, 50, 78, hy + 1, hy + 13).empty());
  EXPECT_FALSE(d.RowsWith(kBlack, 50, 78, ly + 1, ly + 13).empty());
  EXPECT_TRUE(d.RowsWith(kBlack, 50, 78, ly - 13, ly - 1).empty());
}

TEST(DialPixels, NeedlePointerAndScale) {
  TempDir dir;
  Units units(0, 0, 0, 0);
  WindSpeedGif speed(dir.file("speed.gif"), 10.0f, 27.0f, true);
  speed.SetBackgroundColor(kGifBackgroundWhite);
  speed.SetRange();
  EXPECT_EQ(speed.scale().maximum, 30.0f);  // 20 mph, raised by 10 for the high
  EXPECT_EQ(speed.scale().intervals, 6);
  speed.DrawTemplate();
  speed.DrawValue();
  ASSERT_EQ(speed.SaveToFile(), 1);
  const Decoded s(dir.file("speed.gif"));
  ASSERT_TRUE(s.im);
  ASSERT_EQ(gdImageSX(s.im.get()), 192);
  ASSERT_EQ(gdImageSY(s.im.get()), 192);
  // 10 of 30: the needle at 240°, 49 pixels long from (96, 106).
  EXPECT_TRUE(s.Is(96 - 12, 106 - 21, kBlue));
  EXPECT_TRUE(s.Is(96, 106 - 60, kBlack));  // the dial's top
  EXPECT_TRUE(s.Is(0, 100, kBlack) && s.Is(191, 100, kBlack));

  WindDirGif dir_gif(dir.file("dir.gif"), 90.0f);
  dir_gif.SetBackgroundColor(kGifBackgroundWhite);
  dir_gif.DrawTemplate();
  dir_gif.DrawValue();
  ASSERT_EQ(dir_gif.SaveToFile(), 1);
  const Decoded w(dir.file("dir.gif"));
  ASSERT_TRUE(w.im);
  // East: the red pointer to the right of the centre, reaching radius 49 but not 51.
  EXPECT_TRUE(w.Is(96 + 30, 106, kRed));
  EXPECT_TRUE(w.Is(96 + 48, 106, kRed));
  EXPECT_FALSE(w.Is(96 + 51, 106, kRed));
  EXPECT_FALSE(w.Is(96 - 30, 106, kRed));
  // Tick marks between radius 50 and 60 at north.
  EXPECT_TRUE(w.Is(96, 106 - 55, kBlack));
  EXPECT_EQ(CompassSector(90.0f), 4);
  EXPECT_EQ(CompassSector(349.0f), 0);
  EXPECT_EQ(CompassSector(348.0f), 15);
}

TEST(DialScale, MaximumAndIntervals) {
  const std::pair<int, int> rows[] = {{20, 4}, {50, 6},  {60, 6},  {70, 7}, {80, 8},
                                      {90, 9}, {120, 8}, {160, 8}, {180, 9}};
  for (auto [max, n] : rows) EXPECT_EQ(DialIntervals(max), n) << max;
  struct Case {
    int unit;
    float value;
    float max;
    int decimals;
  };
  for (const Case& c :
       {Case{0, 12, 20, 0}, Case{1, 12, 20, 1}, Case{2, 12, 30, 1}, Case{3, 12, 20, 1}, Case{0, 57, 60, 0}}) {
    Units units(0, 0, c.unit, 0);
    WindSpeedGif g("unused.gif", c.value);
    g.SetRange();
    EXPECT_EQ(g.scale().maximum, c.max) << c.unit << " " << c.value;
    EXPECT_EQ(g.scale().decimals, c.decimals);
  }
}

TEST(GoldenPixels, OneBarAndOneDial) {
  TempDir dir;
  Units units(0, 0, 0, 0);
  DateTime when(7, 12, 2024);
  when.packed_time = 16 * 60 + 5;
  when.UnpackTime();
  BarGif bar(dir.file("golden_bar.gif"), 72.4f, 81.0f, 55.2f, true);
  bar.SetCaption("Outside Temp");
  bar.SetBarFillColor(220, 40, 40);
  bar.SetDateTime(when);
  bar.SetBackgroundColor(kGifBackgroundGreen);
  bar.SetTempRange();
  bar.DrawTemplate();
  bar.DrawValue();
  ASSERT_EQ(bar.SaveToFile(), 1);
  WindDirGif dial(dir.file("golden_dial.gif"), 225.0f);
  dial.SetBackgroundColor(kGifBackgroundYellow);
  dial.DrawTemplate();
  dial.DrawValue();
  ASSERT_EQ(dial.SaveToFile(), 1);
  const std::uint64_t bar_sum = Decoded(dir.file("golden_bar.gif")).Checksum();
  const std::uint64_t dial_sum = Decoded(dir.file("golden_dial.gif")).Checksum();
  if (testing::RegeneratingGolden()) {
    dir.Keep();
    std::printf("images in %s\nbar 0x%016llxULL\ndial 0x%016llxULL\n", dir.str().c_str(),
                static_cast<unsigned long long>(bar_sum), static_cast<unsigned long long>(dial_sum));
  }
  EXPECT_EQ(bar_sum, 0xd941111259500733ULL);
  EXPECT_EQ(dial_sum, 0xe388b6cd36b2879cULL);
}

TEST(GifImage, SaveIntoMissingFolderFailsAndLeavesNothing) {
  TempDir dir;
  BarGif g(dir.file("no/such/folder/x.gif"), 1.0f);
  g.DrawTemplate();
  std::string why;
  EXPECT_EQ(g.SaveToFile(&why), -1);
  EXPECT_FALSE(why.empty());
  // A failed write keeps the old image.
  BarGif first(dir.file("keep.gif"), 1.0f);
  first.DrawTemplate();
  ASSERT_EQ(first.SaveToFile(), 1);
  const auto size = fs::file_size(dir.file("keep.gif"));
  fs::permissions(dir.str(), fs::perms::owner_read | fs::perms::owner_exec);
  BarGif second(dir.file("keep.gif"), 2.0f);
  second.DrawTemplate();
  if (::geteuid() != 0) {
    EXPECT_EQ(second.SaveToFile(), -1);
  }
  fs::permissions(dir.str(), fs::perms::owner_all);
  EXPECT_EQ(fs::file_size(dir.file("keep.gif")), size);
  for (const auto& e : fs::directory_iterator(dir.str())) EXPECT_EQ(e.path().filename(), "keep.gif");
}

// ---- Graph periods ----

DateTime At(int y, int m, int d, int minute) {
  DateTime t(m, d, y);
  t.packed_time = static_cast<std::int16_t>(minute);
  t.UnpackTime();
  return t;
}

TEST(GraphPeriod, SpanCodesAndTheirMidnightRules) {
  struct Case {
    std::uint32_t code;
    DateTime end;
    DateTime start;
  };
  const DateTime noon = At(2026, 3, 10, 12 * 60);
  const DateTime midnight = At(2026, 3, 10, 0);
  const Case cases[] = {
      {0, noon, At(2026, 3, 10, 11 * 60)},
      {1, noon, At(2026, 3, 10, 8 * 60)},
      {2, noon, At(2026, 3, 10, 4 * 60)},
      {3, noon, At(2026, 3, 10, 0)},
      {4, noon, At(2026, 3, 9, 12 * 60)},
      {11, noon, At(2026, 3, 10, 6 * 60)},
      {5, noon, At(2026, 3, 8, 0)},
      {5, midnight, At(2026, 3, 7, 0)},
      {6, noon, At(2026, 3, 4, 0)},
      {6, midnight, At(2026, 3, 3, 0)},
      {12, noon, At(2026, 2, 25, 0)},
      {12, midnight, At(2026, 2, 24, 0)},
      {7, noon, At(2026, 2, 8, 0)},
      {7, midnight, At(2026, 2, 8, 0)},
      {13, noon, At(2026, 1, 1, 0)},
      {8, noon, At(2025, 4, 1, 0)},
      {8, At(2026, 12, 31, 600), At(2026, 1, 1, 0)},
      {9, noon, noon},
      {10, noon, noon},
      {77, noon, noon},
  };
  for (const Case& c : cases) {
    const GraphPeriod p = GraphPeriodFor(c.code, c.end);
    SCOPED_TRACE(::testing::Message() << "code " << c.code << " end " << c.end.GetDateStr() << " "
                                      << c.end.packed_time);
    EXPECT_EQ(p.start.year, c.start.year);
    EXPECT_EQ(p.start.month, c.start.month);
    EXPECT_EQ(p.start.day, c.start.day);
    EXPECT_EQ(p.start.packed_time, c.start.packed_time);
    EXPECT_EQ(p.empty(), c.code == 9 || c.code == 10 || c.code == 77);
  }
}

TEST(GraphPeriod, CaptionForms) {
  struct Case {
    std::uint32_t code;
    DateTime end;
    const char* caption;
  };
  const Case cases[] = {
      {13, At(2026, 3, 10, 600), "Jan - Mar  2026"},
      {8, At(2026, 3, 10, 600), "Apr  2025 - Mar  2026"},
      {8, At(2026, 12, 10, 600), "Jan - Dec  2026"},
  };
  for (const Case& c : cases) {
    GraphGif g("unused.gif", "t", GraphPeriodFor(c.code, c.end), GraphKind::kAverage);
    EXPECT_EQ(g.PeriodCaption(), c.caption);
  }
  GraphGif day("unused.gif", "t", GraphPeriodFor(6, At(2026, 3, 10, 600)), GraphKind::kAverage);
  EXPECT_NE(day.PeriodCaption().find(" - "), std::string::npos);
}

TEST(GraphGif, ColumnsAxisAndDrawing) {
  TempDir dir;
  const GraphPeriod p = GraphPeriodFor(4, At(2026, 3, 10, 12 * 60));
  GraphGif g(dir.file("g.gif"),
             "Outside Temperature (\xC2\xB0"
             "F)",
             p, GraphKind::kAverage);
  for (std::int64_t m = p.start_minute + 5; m <= p.end_minute; m += 5) {
    g.AddValue(m, 40.0f + static_cast<float>(m - p.start_minute) / 60.0f);
  }
  g.AddValue(p.start_minute - 10, 1000.0f);  // outside the period: ignored
  g.AddValue(p.end_minute, kImageNoValue);   // no value: ignored
  g.SetBackgroundColor(kGifBackgroundGrey);
  g.DrawTemplate();
  g.DrawValue();
  ASSERT_EQ(g.SaveToFile(), 1);
  EXPECT_FLOAT_EQ(g.axis_min(), 40.0f);
  EXPECT_FLOAT_EQ(g.axis_max(), 65.0f);
  EXPECT_EQ(g.ColumnX(p.start_minute), GraphGif::kPlotLeft);
  EXPECT_EQ(g.ColumnX(p.end_minute), GraphGif::kPlotRight);
  const Decoded d(dir.file("g.gif"));
  ASSERT_TRUE(d.im);
  EXPECT_EQ(gdImageSX(d.im.get()), 320);
  EXPECT_EQ(gdImageSY(d.im.get()), 200);
  // The line rises from the bottom left to the top right of the plot.
  EXPECT_FALSE(d.RowsWith(Rgb{0, 0, 160}, GraphGif::kPlotLeft, GraphGif::kPlotLeft + 3, GraphGif::kPlotBottom - 8,
                          GraphGif::kPlotBottom)
                   .empty());
  EXPECT_FALSE(d.RowsWith(Rgb{0, 0, 160}, GraphGif::kPlotRight - 3, GraphGif::kPlotRight, GraphGif::kPlotTop,
                          GraphGif::kPlotTop + 8)
                   .empty());
}

// ---- A profile's images ----

Station AllSensors() {
  Station s;
  EXPECT_EQ(s.SetStationModel(6), 0);
  s.record().sensors[0] = 0xFFFFFFFFu;
  s.record().sensors[1] = 0xFFFFFFFFu;
  s.record().rain_type = 1;
  return s;
}

BulletinData Conditions() {
  BulletinData d;
  d.have_data = true;
  d.packet_date = 2026 * 65536 + 3 * 256 + 10;
  d.packet_minute = 12 * 60;
  auto tracked = [](Tracked& t, float now, float high, float low) {
    t.now = now;
    t.high = high;
    t.low = low;
  };
  tracked(d.outside_temp, 61.5f, 66.0f, 40.2f);
  tracked(d.inside_temp, 70.1f, 71.0f, 68.0f);
  tracked(d.outside_hum, 55, 80, 40);
  tracked(d.inside_hum, 38, 40, 35);
  tracked(d.dew_point, 45, 50, 38);
  tracked(d.heat_index, 61, 66, kNoLow);
  tracked(d.wind_chill, 58, kNoHigh, 35);
  tracked(d.barometer, 30.02f, 30.1f, 29.95f);
  tracked(d.wind_speed, 7, 23, kNoLow);
  tracked(d.rain_rate, 0.0f, 0.4f, kNoLow);
  tracked(d.solar, 640, 700, kNoLow);
  tracked(d.uv, 4.2f, 5.0f, kNoLow);
  for (auto* a : {&d.extra_temps, &d.extra_hums}) {
    for (auto& t : *a) tracked(t, 50, 55, 45);
  }
  for (auto* a : {&d.soil_temps, &d.leaf_temps, &d.soil_moistures, &d.leaf_wetnesses}) {
    for (auto& t : *a) tracked(t, 10, 12, 8);
  }
  d.avg_wind_speed = 5;
  d.wind_dir = 225;
  d.thw = 60;
  d.inside_dew_point = 44;
  d.inside_heat_index = 70;
  d.air_density = 0.0761f;
  d.emc = 10.2f;
  d.day_rain = 0.12f;
  d.storm_rain = 0.5f;
  d.month_rain = 2.3f;
  d.year_rain = 8.9f;
  d.day_et = 0.05f;
  d.month_et = 1.1f;
  d.year_et = 3.3f;
  return d;
}

// Two days of 30-minute records ending 2026-03-10 12:00.
void WriteDatabase(const std::string& folder) {
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(folder) == kDbError, false);
  for (int day = 8; day <= 10; ++day) {
    const DateTime date(3, day, 2026);
    ASSERT_EQ(db.AppendRecord(ToBytes(NewDailySummary1()), date), 0) << db.last_error();
    ASSERT_EQ(db.AppendRecord(ToBytes(NewDailySummary2()), date), 0);
    for (int t = 30; t <= (day == 10 ? 720 : 1440); t += 30) {
      DataRecord r = NewDataRecord();
      r.archive_interval = 30;
      r.packed_time = static_cast<std::int16_t>(t);
      r.outside_temp = static_cast<std::int16_t>(400 + t / 10);
      r.outside_hum = 60;
      r.barometer = 30000;
      r.wind_speed = 50;
      r.hi_wind_speed = 90;
      r.wind_direction = static_cast<std::uint8_t>(t / 30 % 16);
      DateTime when(3, day, 2026);
      when.packed_time = static_cast<std::int16_t>(t);
      when.UnpackTime();
      ASSERT_EQ(db.AppendRecord(ToBytes(r), when), 0) << db.last_error();
    }
  }
  ASSERT_EQ(db.CloseDatabase(), 0);
}

TEST(ProfileImages, EverySelectedImageDecodesAtItsSize) {
  TempDir dir;
  Units units(0, 0, 0, 0);
  const Station station = AllSensors();
  WriteDatabase(dir.str());
  const BulletinData data = Conditions();
  UploadParameters profile{};
  profile.current_images[0] = 0xFFFFFFFFu;
  profile.current_images[1] = (1u << (kCurrentImageCount - 32)) - 1;
  profile.historical_images[0] = 0xFFFFFFFFu;
  profile.historical_images[1] = (1u << (kHistoricalImageCount - 32)) - 1;
  profile.span = 4;
  BaromWindow window;
  ImageRun run;
  run.station = &station;
  run.station_folder = dir.str();
  run.current = &data;
  run.extremes = true;
  run.barometer_window = &window;
  ImageResult result;
  const std::string out = dir.file("Images/Profile1");
  EXPECT_EQ(WriteProfileImages(run, profile, out, true, true, &result), 0);
  EXPECT_TRUE(result.ok()) << (result.errors.empty() ? "" : result.errors[0]);
  ASSERT_EQ(result.written.size(), static_cast<std::size_t>(kCurrentImageCount + kHistoricalImageCount));
  for (const auto& path : result.written) {
    const Decoded d(path);
    ASSERT_TRUE(d.im) << path;
    const std::string name = fs::path(path).filename().string();
    const bool graph = name.find("History") != std::string::npos;
    const bool dial = name == "WindSpeed.gif" || name == "10MinAvgWindSpeed.gif" || name == "WindDirection.gif";
    EXPECT_EQ(gdImageSX(d.im.get()), graph ? 320 : dial ? 192 : 128) << name;
    EXPECT_EQ(gdImageSY(d.im.get()), graph ? 200 : dial ? 192 : 220) << name;
    // Profile background option 0: the program-wide choice, transparent white.
    EXPECT_GE(gdImageGetTransparent(d.im.get()), 0) << name;
  }
  // No temporary files are left behind.
  for (const auto& e : fs::directory_iterator(out)) EXPECT_EQ(e.path().extension(), ".gif") << e.path();
}

TEST(ProfileImages, MissingValuesAndSensorsAndUnwritableFolders) {
  TempDir dir;
  Units units(0, 0, 0, 0);
  Station station = AllSensors();
  station.record().sensors[0] &= ~sensor::kSolar;  // no solar sensor: SolarRad.gif is not drawn
  BulletinData data = Conditions();
  data.outside_temp.now = kNoValue;
  UploadParameters profile{};
  profile.current_images[0] = (1u << 1) | (1u << 5) | (1u << 20);  // OutsideTemp, OutsideHumidity, SolarRad
  ImageRun run;
  run.station = &station;
  run.current = &data;
  std::vector<std::string> logged;
  run.log = [&](std::string_view t) { logged.emplace_back(t); };
  ImageResult result;
  EXPECT_EQ(DrawCurrentImages(run, profile, dir.str(), &result), -1);
  ASSERT_EQ(result.written.size(), 1u);
  EXPECT_EQ(fs::path(result.written[0]).filename(), "OutsideHumidity.gif");
  ASSERT_EQ(result.errors.size(), 1u);
  EXPECT_EQ(result.errors[0], "Error creating Outside Temperature image. Check Sensors.");
  EXPECT_EQ(logged, result.errors);

  ImageResult unwritable;
  data.outside_temp.now = 60.0f;
  EXPECT_EQ(DrawCurrentImages(run, profile, dir.file("missing"), &unwritable), -1);
  ASSERT_EQ(unwritable.errors.size(), 2u);
  EXPECT_EQ(unwritable.errors[0].rfind("Couldnot create image: " + dir.file("missing/OutsideTemp.gif"), 0), 0u)
      << unwritable.errors[0];

  // Graphs of a station without a database: none, and no failure.
  UploadParameters graphs{};
  graphs.historical_images[0] = 1u << 1;
  ImageResult none;
  run.station_folder = dir.str();
  EXPECT_EQ(DrawHistoricalImages(run, graphs, dir.str(), &none), 0);
  EXPECT_TRUE(none.written.empty());
  EXPECT_EQ(none.notes.size(), 1u);
}

TEST(ProfileImages, ConsoleBlockGivesTodaysExtremes) {
  Units units(1, 0, 0, 0);
  HiLowsBlock block{};
  block.fill(0xFF);
  auto put16 = [&](std::size_t off, int v) {
    block[off] = static_cast<std::uint8_t>(v & 0xFF);
    block[off + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  };
  put16(hilows::kOutTempDayHigh, 860);   // 86.0 F = 30 C
  put16(hilows::kOutTempDayLow, 24920);  // nonsense: taken as missing
  put16(hilows::kBarDayHigh, 30100);
  put16(hilows::kBarDayLow, 0);
  block[hilows::kHumsDayHigh] = 91;
  block[hilows::kHumsDayLow] = 255;
  BulletinData d;
  ApplyHiLowsBlock(block, 1, d);
  EXPECT_NEAR(d.outside_temp.high, 30.0f, 0.01f);
  EXPECT_FALSE(d.outside_temp.HasLow());
  EXPECT_NEAR(d.barometer.high, 30.1f, 1e-4);
  EXPECT_FALSE(d.barometer.HasLow());
  EXPECT_EQ(d.outside_hum.high, 91.0f);
  EXPECT_FALSE(d.outside_hum.HasLow());
}

TEST(ProfileImages, DataCarryingTheConsoleBlockDrawTodaysHigh) {
  TempDir dir;
  Units units(0, 0, 0, 0);
  const Station station = AllSensors();
  BulletinData data = Conditions();
  data.outside_temp.high = kNoHigh;
  data.outside_temp.low = kNoLow;
  data.have_hilows = true;
  data.hilows.fill(0xFF);
  data.hilows[hilows::kOutTempDayHigh] = 0x52;  // 850: 85.0 F
  data.hilows[hilows::kOutTempDayHigh + 1] = 0x03;
  data.hilows[hilows::kOutTempDayLow] = 0xFF;  // 32767: no low
  data.hilows[hilows::kOutTempDayLow + 1] = 0x7F;
  UploadParameters profile{};
  profile.current_images[0] = 1u << 1;  // "OutsideTemp.gif"
  profile.image_options[2] = kGifBackgroundWhite;
  ImageRun run;
  run.station = &station;
  run.current = &data;  // extremes not tracked: only the block's high is drawn
  ImageResult result;
  ASSERT_EQ(DrawCurrentImages(run, profile, dir.str(), &result), 0);
  ASSERT_EQ(result.written.size(), 1u);
  const Decoded d(result.written[0]);
  ASSERT_TRUE(d.im);
  EXPECT_EQ(gdImageGetTransparent(d.im.get()), -1);  // the profile's background 3
  BarGif scale("unused.gif", 61.5f, 85.0f, kImageNoValue, true);
  scale.SetTempRange();
  EXPECT_TRUE(d.Is(64, scale.ValueY(85.0f), kRed));
  EXPECT_TRUE(d.RowsWith(kBlue, 40, 88, BarGif::kBarTop, BarGif::kBarBottom - 1).empty());
}

TEST(ProfileImages, CaptionsAndTitlesCarryTheUnits) {
  Units units(1, 3, 0, 1);
  EXPECT_EQ(CurrentImageCaption(1),
            "Outside Temp (\xC2\xB0"
            "C)");
  EXPECT_EQ(CurrentImageCaption(22), "Rain Rate (mm/hr)");
  EXPECT_EQ(GraphTitle(5), "Outside Humidity (%)");
  EXPECT_EQ(GraphTitle(15), "Solar Radiation (W/m^2)");
  EXPECT_EQ(GraphTitle(45), "Solar Energy (Ly)");
  EXPECT_EQ(GraphTitle(46), "UV Dose (MEDs)");
  EXPECT_EQ(GraphTitle(20), "Soil Moisture 1 (cb)");
  EXPECT_EQ(GraphTitle(16), "UV Index");
  for (int i = 0; i < kCurrentImageCount; ++i) EXPECT_LE(CurrentImageCaption(i).size(), BarGif::kMaxCaption) << i;
  EXPECT_EQ(ProfileImageFolder("Home", 3), "Home/Images/Profile3/");
}

}  // namespace
}  // namespace sq
