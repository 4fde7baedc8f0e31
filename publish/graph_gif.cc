#include "publish/graph_gif.h"

#include <gdfontmb.h>
#include <gdfonts.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sq {
namespace {

constexpr std::int64_t kDay = 1440;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

DateTime FromAbsoluteMinute(std::int64_t minute) {
  std::int64_t z = (minute >= 0 ? minute : minute - (kDay - 1)) / kDay;
  const auto in_day = static_cast<int>(minute - z * kDay);
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const auto y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0));
  DateTime t(static_cast<int>(m), static_cast<int>(d), y);
  t.packed_time = static_cast<std::int16_t>(in_day);
  t.UnpackTime();
  return t;
}

std::int64_t MonthStartMinute(int year, int month) { return DaysFromCivil(year, month, 1) * kDay; }

int Decimals(double step) {
  for (int d = 0; d < 5; ++d) {
    const double scaled = step * std::pow(10.0, d);
    if (std::abs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled)) return d;
  }
  return 5;
}

// How the time axis of a span is marked: a tick every `tick` minutes and a label every
// `label` minutes (hour spans); days and months are marked at midnights and month starts.
struct HourAxis {
  std::uint32_t code;
  int tick;
  int label;
};
constexpr HourAxis kHourAxes[] = {{0, 15, 15}, {1, 60, 60}, {11, 60, 60}, {2, 60, 120}, {3, 60, 120}, {4, 60, 180}};
struct DayAxis {
  std::uint32_t code;
  int label_every;  // days
};
constexpr DayAxis kDayAxes[] = {{5, 1}, {6, 1}, {12, 2}, {7, 5}};

}  // namespace

std::int64_t AbsoluteMinute(const DateTime& when) {
  return DaysFromCivil(when.year, when.month, when.day) * kDay + when.packed_time;
}

GraphPeriod GraphPeriodFor(std::uint32_t code, const DateTime& end) {
  GraphPeriod p;
  p.code = code;
  p.end = end;
  p.end_minute = AbsoluteMinute(end);
  const bool midnight = p.end_minute % kDay == 0;
  const std::int64_t end_day = p.end_minute / kDay;  // minutes are positive for every year the program handles
  std::int64_t start = p.end_minute;
  switch (code) {
    case 0:
      start -= 60;
      break;
    case 1:
      start -= 4 * 60;
      break;
    case 2:
      start -= 8 * 60;
      break;
    case 3:
      start -= 12 * 60;
      break;
    case 4:
      start -= 24 * 60;
      break;
    case 11:
      start -= 6 * 60;
      break;
    case 5:
      start = (end_day - (midnight ? 3 : 2)) * kDay;
      break;
    case 6:
      start = (end_day - (midnight ? 7 : 6)) * kDay;
      break;
    case 12:
      start = (end_day - (midnight ? 14 : 13)) * kDay;
      break;
    case 7:
      start = (end_day - 30) * kDay;
      break;
    case 13:
    case 8: {
      int year = end.year;
      int month = end.month - (code == 13 ? 2 : 11);
      while (month < 1) {
        month += 12;
        --year;
      }
      start = MonthStartMinute(year, month);
      break;
    }
    default:
      break;
  }
  p.start_minute = start;
  p.start = FromAbsoluteMinute(start);
  return p;
}

GraphGif::GraphGif(std::string file_name, std::string title, const GraphPeriod& period, GraphKind kind)
    : GifImage(std::move(file_name), kWidth, kHeight),
      title_(std::move(title)),
      period_(period),
      kind_(kind),
      columns_(kColumns),
      column_factor_(period.empty() ? 0.0
                                    : (kColumns - 1) / static_cast<double>(period.end_minute - period.start_minute) *
                                          (1.0 + 1e-12)) {}

int GraphGif::ColumnX(std::int64_t minute) const {
  if (period_.empty()) return kPlotLeft;
  const std::int64_t m = std::clamp(minute, period_.start_minute, period_.end_minute);
  return kPlotLeft +
         static_cast<int>((m - period_.start_minute) * (kColumns - 1) / (period_.end_minute - period_.start_minute));
}

int GraphGif::ValueY(double v) const {
  const double span = static_cast<double>(axis_max_) - axis_min_;
  const double f = span > 0 ? (v - axis_min_) / span : 0.0;
  return kPlotBottom - static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * (kPlotBottom - kPlotTop)));
}

void GraphGif::AddToColumn(int column, float value) {
  if (column < 0 || column >= kColumns) return;
  if (value != value || value == -32768.0f || std::abs(value) > 1.0e6f) return;
  Column& c = columns_[static_cast<std::size_t>(column)];
  if (c.count == 0) {
    c.low = c.high = value;
  } else {
    c.low = std::min(c.low, value);
    c.high = std::max(c.high, value);
  }
  c.sum += value;
  ++c.count;
  if (kind_ == GraphKind::kDirection && value >= 0.0f && value < 16.0f) {
    c.points = static_cast<std::uint16_t>(c.points | (1u << static_cast<unsigned>(value)));
  }
  ++points_;
}

double GraphGif::ColumnValue(const Column& c) const {
  switch (kind_) {
    case GraphKind::kHigh:
      return c.high;
    case GraphKind::kLow:
      return c.low;
    case GraphKind::kSum:
      return c.sum;
    default:
      return c.sum / c.count;
  }
}

void GraphGif::ChooseAxis() {
  if (kind_ == GraphKind::kDirection) {
    axis_min_ = 0.0f;
    axis_max_ = 16.0f;
    axis_step_ = 4.0;
    axis_decimals_ = 0;
    return;
  }
  double lo = 0.0, hi = 0.0, total = 0.0;
  bool any = false;
  for (const Column& c : columns_) {
    if (c.count == 0) continue;
    double v = ColumnValue(c);
    if (kind_ == GraphKind::kSum) v = total += v;
    lo = any ? std::min(lo, v) : v;
    hi = any ? std::max(hi, v) : v;
    any = true;
  }
  if (kind_ == GraphKind::kSum) lo = std::min(lo, 0.0);
  if (hi - lo < 1e-9) {
    const double pad = std::max(std::abs(hi) * 0.01, 0.5);
    if (kind_ == GraphKind::kSum || lo >= 0.0) {
      hi = lo + 2.0 * pad;
    } else {
      lo -= pad;
      hi += pad;
    }
  }
  const double raw = (hi - lo) / 5.0;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / mag;
  const double step = (norm <= 1.0 ? 1.0 : norm <= 2.0 ? 2.0 : norm <= 2.5 ? 2.5 : norm <= 5.0 ? 5.0 : 10.0) * mag;
  double a = std::floor(lo / step + 1e-9) * step;
  double b = std::ceil(hi / step - 1e-9) * step;
  if (b <= a) b = a + step;
  axis_min_ = static_cast<float>(a);
  axis_max_ = static_cast<float>(b);
  axis_step_ = step;
  axis_decimals_ = Decimals(step);
}

std::string GraphGif::PeriodCaption() const {
  const DateTime& s = period_.start;
  const DateTime& e = period_.end;
  char buf[96];
  if (period_.code == 13 || period_.code == 8) {
    const std::string sm = DateTime::MonthName(s.month);
    const std::string em = DateTime::MonthName(e.month);
    if (s.year == e.year && s.month == e.month) {
      std::snprintf(buf, sizeof buf, "%s  %d", em.c_str(), e.year);
    } else if (s.year == e.year) {
      std::snprintf(buf, sizeof buf, "%s - %s  %d", sm.c_str(), em.c_str(), e.year);
    } else {
      std::snprintf(buf, sizeof buf, "%s  %d - %s  %d", sm.c_str(), s.year, em.c_str(), e.year);
    }
    return buf;
  }
  auto text = [&](const DateTime& t) {
    std::string time = t.GetTimeStr();
    time.erase(0, time.find_first_not_of(' '));
    return period_.end_minute - period_.start_minute <= kDay ? t.GetDateStr() + " " + time : t.GetDateStr();
  };
  std::snprintf(buf, sizeof buf, "%s - %s", text(s).c_str(), text(e).c_str());
  return buf;
}

void GraphGif::DrawTimeAxis(int black, int grid) {
  gdImagePtr im = image();
  gdFontPtr small = gdFontGetSmall();
  const std::int64_t s = period_.start_minute, e = period_.end_minute;
  auto mark = [&](std::int64_t minute, const std::string& label, bool grid_line) {
    const int x = ColumnX(minute);
    if (grid_line && x > kPlotLeft && x < kPlotRight) gdImageLine(im, x, kPlotTop + 1, x, kPlotBottom - 1, grid);
    gdImageLine(im, x, kPlotBottom, x, kPlotBottom + 3, black);
    // Centred on its tick, but kept inside the frame at the ends.
    const int w = TextWidth(small, label);
    if (!label.empty()) Text(small, std::clamp(x - w / 2, 3, kWidth - 3 - w), kPlotBottom + 4, label, black);
  };
  char buf[32];
  for (const HourAxis& a : kHourAxes) {
    if (a.code != period_.code) continue;
    for (std::int64_t m = (s + a.tick - 1) / a.tick * a.tick; m <= e; m += a.tick) {
      std::string label;
      if (m % a.label == 0) {
        const int hour = static_cast<int>((m / 60) % 24);
        if (a.tick < 60) {
          std::snprintf(buf, sizeof buf, "%d:%02d", hour, static_cast<int>(m % 60));
        } else {
          std::snprintf(buf, sizeof buf, "%d", hour);
        }
        label = buf;
      }
      mark(m, label, m % a.label == 0);
    }
    return;
  }
  for (const DayAxis& a : kDayAxes) {
    if (a.code != period_.code) continue;
    const std::int64_t first = (s + kDay - 1) / kDay * kDay;
    for (std::int64_t m = first; m <= e; m += kDay) {
      std::string label;
      if (((m - first) / kDay) % a.label_every == 0) {
        const DateTime d = FromAbsoluteMinute(m);
        std::snprintf(buf, sizeof buf, "%d/%d", d.month, d.day);
        label = buf;
      }
      mark(m, label, true);
    }
    return;
  }
  if (period_.code == 13 || period_.code == 8) {
    DateTime d = FromAbsoluteMinute(s);
    int year = d.year, month = d.month;
    for (int i = 0; i < 13; ++i) {
      const std::int64_t m = MonthStartMinute(year, month);
      if (m > e) break;
      int ny = year, nm = month + 1;
      if (nm > 12) {
        nm = 1;
        ++ny;
      }
      const std::int64_t next = std::min(MonthStartMinute(ny, nm), e);
      mark(m, "", true);
      std::string label = DateTime::MonthName(month);
      if (period_.code == 13) label += " " + std::to_string(year);
      const int x0 = ColumnX(std::max(m, s)), x1 = ColumnX(next);
      if (x1 - x0 >= TextWidth(small, label)) CentredText(small, (x0 + x1) / 2, kPlotBottom + 4, label, black);
      year = ny;
      month = nm;
    }
  }
}

void GraphGif::DrawTemplate() {
  gdImagePtr im = image();
  if (im == nullptr) return;
  ChooseAxis();
  const int black = Color(0, 0, 0);
  DrawFrame();
  CentredText(gdFontGetMediumBold(), kWidth / 2, 5, title_, black);
  const int grid = Color(190, 190, 190);
  if (panel_) gdImageFilledRectangle(im, kPlotLeft, kPlotTop, kPlotRight, kPlotBottom, Color(255, 255, 255));
  gdFontPtr small = gdFontGetSmall();
  const int steps = static_cast<int>(std::lround((axis_max_ - axis_min_) / axis_step_));
  static const char* const kPoints[] = {"N", "E", "S", "W", "N"};
  for (int i = 0; i <= steps; ++i) {
    const double v = axis_min_ + i * axis_step_;
    const int y = ValueY(v);
    if (i > 0 && i < steps) gdImageLine(im, kPlotLeft + 1, y, kPlotRight - 1, y, grid);
    gdImageLine(im, kPlotLeft - 3, y, kPlotLeft, y, black);
    const std::string label =
        kind_ == GraphKind::kDirection && i < 5 ? std::string(kPoints[i]) : FixedText(v, axis_decimals_);
    Text(small, kPlotLeft - 5 - TextWidth(small, label), y - small->h / 2, label, black);
  }
  DrawTimeAxis(black, grid);
  gdImageRectangle(im, kPlotLeft, kPlotTop, kPlotRight, kPlotBottom, black);
  CentredText(small, kWidth / 2, kHeight - 5 - small->h, PeriodCaption(), black);
}

void GraphGif::DrawValue() {
  gdImagePtr im = image();
  if (im == nullptr) return;
  const int colour = Color(line_);
  if (points_ == 0) {
    gdFontPtr small = gdFontGetSmall();
    CentredText(small, (kPlotLeft + kPlotRight) / 2, (kPlotTop + kPlotBottom) / 2 - small->h / 2,
                "No data for this period", Color(0, 0, 0));
    return;
  }
  // Points further apart than an hour of time (and at least two columns) are not
  // joined: a gap in the records stays visible.
  const double minutes_per_column =
      static_cast<double>(period_.end_minute - period_.start_minute) / std::max(1, kColumns - 1);
  const int max_gap = std::max(2, static_cast<int>(std::ceil(60.0 / std::max(minutes_per_column, 1e-9))) + 1);
  int last_x = -1, last_y = 0;
  double total = 0.0;
  for (int i = 0; i < kColumns; ++i) {
    const Column& c = columns_[static_cast<std::size_t>(i)];
    if (c.count == 0) continue;
    const int x = kPlotLeft + i;
    if (kind_ == GraphKind::kDirection) {
      for (int p = 0; p < 16; ++p) {
        if ((c.points & (1u << p)) != 0) {
          const int y = ValueY(p);
          gdImageFilledRectangle(im, x, std::max(kPlotTop, y - 1), std::min(kPlotRight, x + 1), y, colour);
        }
      }
      continue;
    }
    double v = ColumnValue(c);
    if (kind_ == GraphKind::kSum) v = total += v;
    const int y = ValueY(v);
    if (last_x >= 0 && (x - last_x <= max_gap || kind_ == GraphKind::kSum)) {
      gdImageLine(im, last_x, last_y, x, y, colour);
    } else {
      gdImageSetPixel(im, x, y, colour);
    }
    last_x = x;
    last_y = y;
  }
}

}  // namespace sq
