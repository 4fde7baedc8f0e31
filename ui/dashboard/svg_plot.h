// Server-rendered plots: one or two weather variables over a span of time as an SVG
// image, small enough for a phone however many records the span holds.
//
// Decimate keeps, for every pixel column of the chart, the lowest and the highest value
// that falls in it (in their order of time), so a year of 5-minute records (about
// 105,000 points) becomes at most two points per column and no peak is lost. Records
// more than two hours (and two columns) apart are not joined, so gaps in the data show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sq::dashboard {

struct PlotPoint {
  std::int64_t t = 0;  // local minutes
  float v = 0.0f;
};

// A point with `gap` set starts a new line.
struct PlotVertex {
  std::int64_t t = 0;
  float v = 0.0f;
  bool gap = false;
};

struct PlotSeries {
  std::string key;                // the variable's key
  std::string label;              // its name
  std::string unit;               // unit text
  std::string colour;             // CSS colour
  std::vector<PlotPoint> points;  // in time order
};

struct PlotOptions {
  int width = 800;  // pixels; the plot area is narrower by the margins
  int height = 320;
  std::int64_t from = 0;  // local minutes
  std::int64_t to = 0;
  std::string title;
};

inline constexpr int kMinPlotWidth = 200;
inline constexpr int kMaxPlotWidth = 4000;
inline constexpr int kPlotMarginLeft = 64;
inline constexpr int kPlotMarginRight = 64;

// The min/max decimation of `points` to `columns` columns of [from, to].
[[nodiscard]] std::vector<PlotVertex> Decimate(const std::vector<PlotPoint>& points, std::int64_t from, std::int64_t to,
                                               int columns);

// The chart as a standalone SVG document. Series with the unit of the first share its
// axis on the left; another unit gets an axis on the right. Each series is one
// <path class="series" data-series="KEY">.
[[nodiscard]] std::string RenderSvgPlot(const std::vector<PlotSeries>& series, const PlotOptions& options);

// "#RRGGBB" of a colour kept as 0xBBGGRR.
[[nodiscard]] std::string CssColour(std::uint32_t bgr);

}  // namespace sq::dashboard
