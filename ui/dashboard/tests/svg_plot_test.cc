// Min/max decimation and the SVG of a plot.
#include "ui/dashboard/svg_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ui/dashboard/dashboard_query.h"

namespace sq::dashboard {
namespace {

std::vector<PlotPoint> Year(std::int64_t start, bool gap) {
  std::vector<PlotPoint> p;
  for (std::int64_t t = start; t < start + 365 * kMinutesPerDay; t += 5) {
    if (gap && t >= start + 100 * kMinutesPerDay && t < start + 110 * kMinutesPerDay) continue;
    p.push_back({t, static_cast<float>(50 + 30 * std::sin(t / 20000.0) + ((t / 5) % 997 == 0 ? 40 : 0))});
  }
  return p;
}

TEST(SvgPlot, DecimationKeepsEveryPeakAndTheGaps) {
  const std::int64_t start = DaysFromCivil(2024, 1, 1) * kMinutesPerDay;
  const auto points = Year(start, true);
  ASSERT_GT(points.size(), 100000u);
  const int columns = 672;
  const auto v = Decimate(points, start, start + 365 * kMinutesPerDay, columns);
  EXPECT_LE(v.size(), 2u * columns);
  auto [lo, hi] = std::minmax_element(points.begin(), points.end(), [](auto& a, auto& b) { return a.v < b.v; });
  EXPECT_TRUE(std::any_of(v.begin(), v.end(), [&](auto& x) { return x.v == hi->v; }));
  EXPECT_TRUE(std::any_of(v.begin(), v.end(), [&](auto& x) { return x.v == lo->v; }));
  EXPECT_TRUE(std::is_sorted(v.begin(), v.end(), [](auto& a, auto& b) { return a.t < b.t; }));
  // The first vertex starts a line, and the ten missing days start another.
  EXPECT_EQ(std::count_if(v.begin(), v.end(), [](auto& x) { return x.gap; }), 2);
  EXPECT_TRUE(Decimate(points, start, start, columns).empty());
}

TEST(SvgPlot, TwoUnitsTwoAxesAndEscapedText) {
  const std::int64_t start = DaysFromCivil(2024, 7, 1) * kMinutesPerDay;
  PlotSeries a{"outside_temperature",
               "Temp <out>",
               "\xC2\xB0"
               "F",
               "#ff0000",
               {{start, 70}, {start + 60, 72}}};
  PlotSeries b{"barometer", "Barometer", "in", "#0000ff", {{start, 29.9f}, {start + 60, 30.1f}}};
  PlotOptions o;
  o.from = start;
  o.to = start + kMinutesPerDay;
  o.title = "a & b";
  const std::string svg = RenderSvgPlot({a, b}, o);
  std::size_t paths = 0;
  for (auto at = svg.find("class=\"series\""); at != std::string::npos; at = svg.find("class=\"series\"", at + 1))
    ++paths;
  EXPECT_EQ(paths, 2u);
  EXPECT_NE(svg.find("Temp &lt;out&gt;"), std::string::npos);
  EXPECT_NE(svg.find("a &amp; b"), std::string::npos);
  EXPECT_EQ(svg.find("<style"), std::string::npos);      // the pages' policy allows no inline style
  EXPECT_NE(svg.find(">in</text>"), std::string::npos);  // the right axis names its unit
  EXPECT_NE(RenderSvgPlot({}, o).find("No records"), std::string::npos);
}

}  // namespace
}  // namespace sq::dashboard
