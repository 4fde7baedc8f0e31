// GraphGif: a line graph of one archive variable over a profile's span, 320 × 200
// pixels: the variable's name and unit on top, a value axis on the left, a time axis
// labelled by hours, days or months, and the covered period underneath.
//
// The caller feeds values with their time (AddValue, any order within the period);
// values are gathered per pixel column as they come, so a year of records costs one
// pass and a few kilobytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/date_time.h"
#include "publish/gif_image.h"

namespace sq {

// Minutes since 1 January 1970 of a date and its packed time.
[[nodiscard]] std::int64_t AbsoluteMinute(const DateTime& when);

// The period a span code covers, ending at `end` (the newest data).
struct GraphPeriod {
  std::uint32_t code = 4;
  DateTime start;
  DateTime end;
  std::int64_t start_minute = 0;
  std::int64_t end_minute = 0;
  [[nodiscard]] bool empty() const { return end_minute <= start_minute; }
};
[[nodiscard]] GraphPeriod GraphPeriodFor(std::uint32_t code, const DateTime& end);

// How a column's values become one point.
enum class GraphKind {
  kAverage,    // the mean of the column's values, joined by lines
  kHigh,       // the highest
  kLow,        // the lowest
  kSum,        // a running total from the start of the period (rain, ET, energy, ...)
  kDirection,  // compass points 0..15, drawn as dots
};

class GraphGif : public GifImage {
 public:
  static constexpr int kWidth = 320;
  static constexpr int kHeight = 200;
  static constexpr int kPlotLeft = 46;
  static constexpr int kPlotRight = 310;
  static constexpr int kPlotTop = 24;
  static constexpr int kPlotBottom = 158;
  static constexpr int kColumns = kPlotRight - kPlotLeft + 1;

  GraphGif(std::string file_name, std::string title, const GraphPeriod& period, GraphKind kind);

  void SetLineColor(Rgb c) { line_ = c; }
  // A white plot panel with a grid (the profile's graph option), else the grid alone.
  void SetPanel(bool panel) { panel_ = panel; }

  // A value at a minute (AbsoluteMinute); values outside the period are ignored.
  void AddValue(std::int64_t minute, float value) { AddToColumn(ColumnOf(minute), value); }
  // The same in two steps, for graphs of one period fed from one pass: the column of a
  // minute (-1 outside the period), then a value into it.
  [[nodiscard]] int ColumnOf(std::int64_t minute) const {
    if (minute < period_.start_minute || minute > period_.end_minute || period_.empty()) return -1;
    // Once per record: a multiplication instead of ColumnX's division (the factor is a
    // little generous, so the period's end still lands in the last column).
    const auto column = static_cast<int>(static_cast<double>(minute - period_.start_minute) * column_factor_);
    return column < kColumns ? column : kColumns - 1;
  }
  void AddToColumn(int column, float value);

  // Chooses the value axis from the values added, then draws everything.
  void DrawTemplate();
  void DrawValue() override;

  [[nodiscard]] bool has_data() const { return points_ > 0; }
  [[nodiscard]] float axis_min() const { return axis_min_; }
  [[nodiscard]] float axis_max() const { return axis_max_; }
  [[nodiscard]] int ColumnX(std::int64_t minute) const;
  [[nodiscard]] int ValueY(double v) const;
  // The caption of the covered period.
  [[nodiscard]] std::string PeriodCaption() const;

 private:
  struct Column {
    double sum = 0.0;
    float low = 0.0f;
    float high = 0.0f;
    std::uint32_t count = 0;
    std::uint16_t points = 0;  // compass points seen (kDirection)
  };
  void ChooseAxis();
  void DrawTimeAxis(int black, int grid);
  [[nodiscard]] double ColumnValue(const Column& c) const;

  std::string title_;
  GraphPeriod period_;
  GraphKind kind_;
  Rgb line_{0, 0, 160};
  bool panel_ = true;
  std::vector<Column> columns_;
  std::int64_t points_ = 0;
  double column_factor_;
  float axis_min_ = 0.0f;
  float axis_max_ = 1.0f;
  double axis_step_ = 0.2;
  int axis_decimals_ = 1;
};

}  // namespace sq
