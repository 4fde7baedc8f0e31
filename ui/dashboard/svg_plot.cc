#include "ui/dashboard/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/dashboard/dashboard_query.h"

namespace sq::dashboard {
namespace {

constexpr int kMarginTop = 28;
constexpr int kMarginBottom = 30;
constexpr int kYTicks = 5;
constexpr std::int64_t kMaxJoinedMinutes = 125;

// Escapes text for an SVG/XML text node or attribute.
std::string Xml(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

double NiceStep(double range, int ticks) {
  if (!(range > 0)) return 1.0;
  const double raw = range / ticks;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (raw <= m * mag) return m * mag;
  }
  return 10.0 * mag;
}

struct Axis {
  double lo = 0, hi = 1, step = 1;
  bool used = false;
  std::string unit;
};

void Include(Axis& a, const std::vector<PlotVertex>& vs) {
  for (const auto& p : vs) {
    if (!a.used) {
      a.lo = a.hi = p.v;
      a.used = true;
    }
    a.lo = std::min(a.lo, static_cast<double>(p.v));
    a.hi = std::max(a.hi, static_cast<double>(p.v));
  }
}

void Finish(Axis& a) {
  if (!a.used) {
    a.lo = 0;
    a.hi = 1;
  }
  if (a.hi - a.lo < 1e-6) {
    a.lo -= 1;
    a.hi += 1;
  }
  a.step = NiceStep(a.hi - a.lo, kYTicks);
  a.lo = std::floor(a.lo / a.step) * a.step;
  a.hi = std::ceil(a.hi / a.step) * a.step;
}

std::string Num(double v, int decimals = 1) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

int StepDecimals(double step) { return step >= 1 ? 0 : step >= 0.1 ? 1 : step >= 0.01 ? 2 : 3; }

// The time step of the x axis and the label of a tick.
std::int64_t TimeStep(std::int64_t span) {
  static constexpr std::int64_t kSteps[] = {15,       30,       60,        180,       360,       720,       1440,
                                            2 * 1440, 7 * 1440, 14 * 1440, 30 * 1440, 91 * 1440, 365 * 1440};
  for (std::int64_t s : kSteps) {
    if (span / s <= 8) return s;
  }
  return 365 * 1440;
}

std::string TimeLabel(std::int64_t t, std::int64_t span) {
  const DateTime d = DateOfLocalMinutes(t);
  char buf[32];
  if (span <= 2 * kMinutesPerDay)
    std::snprintf(buf, sizeof buf, "%02d:%02d", d.packed_time / 60, d.packed_time % 60);
  else if (span <= 400 * kMinutesPerDay)
    std::snprintf(buf, sizeof buf, "%02d-%02d", d.month, d.day);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d", d.year, d.month);
  return buf;
}

}  // namespace

std::string CssColour(std::uint32_t bgr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
  return buf;
}

std::vector<PlotVertex> Decimate(const std::vector<PlotPoint>& points, std::int64_t from, std::int64_t to,
                                 int columns) {
  std::vector<PlotVertex> out;
  if (columns <= 0 || to <= from) return out;
  const double per_column = static_cast<double>(to - from) / columns;
  int column = -1;
  PlotPoint lo{}, hi{};
  std::int64_t last_t = 0;
  bool pending_gap = true;
  auto flush = [&] {
    if (column < 0) return;
    const bool gap = pending_gap;
    if (lo.t == hi.t) {
      out.push_back({lo.t, lo.v, gap});
    } else {
      const PlotPoint& first = lo.t < hi.t ? lo : hi;
      const PlotPoint& second = lo.t < hi.t ? hi : lo;
      out.push_back({first.t, first.v, gap});
      out.push_back({second.t, second.v, false});
    }
    pending_gap = false;
  };
  for (const PlotPoint& p : points) {
    if (p.t < from || p.t > to || !std::isfinite(p.v)) continue;
    const int c = std::min(columns - 1, static_cast<int>(static_cast<double>(p.t - from) / per_column));
    // Records further apart than the longest archive interval (two hours) and than two
    // columns are not joined: the station recorded nothing in between.
    const bool far = column >= 0 && p.t - last_t > kMaxJoinedMinutes && p.t - last_t > 2 * per_column;
    if (c != column) {
      flush();
      if (far) pending_gap = true;
      column = c;
      lo = hi = p;
    } else {
      if (p.v < lo.v) lo = p;
      if (p.v > hi.v) hi = p;
    }
    last_t = p.t;
  }
  flush();
  return out;
}

std::string RenderSvgPlot(const std::vector<PlotSeries>& series, const PlotOptions& o) {
  const int width = std::clamp(o.width, kMinPlotWidth, kMaxPlotWidth);
  const int height = std::clamp(o.height, 120, 2000);
  const int plot_w = width - kPlotMarginLeft - kPlotMarginRight;
  const int plot_h = height - kMarginTop - kMarginBottom;
  const std::int64_t from = o.from;
  const std::int64_t to = std::max(o.to, o.from + 1);

  std::vector<std::vector<PlotVertex>> lines;
  Axis axes[2];
  std::vector<int> axis_of;
  for (std::size_t i = 0; i < series.size(); ++i) {
    lines.push_back(Decimate(series[i].points, from, to, plot_w));
    const int a = (i == 0 || series[i].unit == series[0].unit) ? 0 : 1;
    axis_of.push_back(a);
    axes[a].unit = series[i].unit;
    Include(axes[a], lines.back());
  }
  Finish(axes[0]);
  Finish(axes[1]);
  const bool right_axis = std::find(axis_of.begin(), axis_of.end(), 1) != axis_of.end();

  auto x_of = [&](std::int64_t t) {
    return kPlotMarginLeft + static_cast<double>(t - from) * plot_w / static_cast<double>(to - from);
  };
  auto y_of = [&](const Axis& a, double v) { return kMarginTop + (a.hi - v) * plot_h / (a.hi - a.lo); };

  std::string s;
  s.reserve(4096 + 24 * 2 * plot_w * series.size());
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"plot\" viewBox=\"0 0 " + std::to_string(width) + " " +
       std::to_string(height) + "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
       "\" role=\"img\" aria-label=\"" + Xml(o.title) + "\">\n";
  // Presentation attributes, not a <style> element: the pages' security policy allows
  // style sheets from the server only.
  s += "<g font-family=\"sans-serif\" font-size=\"12\" fill=\"#555\" stroke-width=\"1\">\n";
  s += "<title>" + Xml(o.title) + "</title>\n";
  // Grid and y labels.
  for (int side = 0; side < (right_axis ? 2 : 1); ++side) {
    const Axis& a = axes[side];
    const int dec = StepDecimals(a.step);
    for (double v = a.lo; v <= a.hi + a.step / 2; v += a.step) {
      const double y = y_of(a, v);
      if (side == 0) {
        s += "<line stroke=\"#ddd\" x1=\"" + std::to_string(kPlotMarginLeft) + "\" x2=\"" +
             std::to_string(kPlotMarginLeft + plot_w) + "\" y1=\"" + Num(y) + "\" y2=\"" + Num(y) + "\"/>";
        s += "<text x=\"" + std::to_string(kPlotMarginLeft - 6) + "\" y=\"" + Num(y + 4) + "\" text-anchor=\"end\">" +
             Num(v, dec) + "</text>\n";
      } else {
        s += "<text x=\"" + std::to_string(kPlotMarginLeft + plot_w + 6) + "\" y=\"" + Num(y + 4) + "\">" +
             Num(v, dec) + "</text>\n";
      }
    }
    s += "<text x=\"" + std::to_string(side == 0 ? 4 : width - 4) + "\" y=\"16\"" +
         (side == 0 ? "" : " text-anchor=\"end\"") + ">" + Xml(a.unit) + "</text>\n";
  }
  // Time axis.
  const std::int64_t span = to - from;
  const std::int64_t step = TimeStep(span);
  for (std::int64_t t = (from / step + 1) * step; t < to; t += step) {
    const double x = x_of(t);
    s += "<line stroke=\"#ddd\" x1=\"" + Num(x) + "\" x2=\"" + Num(x) + "\" y1=\"" + std::to_string(kMarginTop) +
         "\" y2=\"" + std::to_string(kMarginTop + plot_h) + "\"/>";
    s += "<text x=\"" + Num(x) + "\" y=\"" + std::to_string(height - 10) + "\" text-anchor=\"middle\">" +
         TimeLabel(t, span) + "</text>\n";
  }
  s += "<rect x=\"" + std::to_string(kPlotMarginLeft) + "\" y=\"" + std::to_string(kMarginTop) + "\" width=\"" +
       std::to_string(plot_w) + "\" height=\"" + std::to_string(plot_h) + "\" fill=\"none\" stroke=\"#999\"/>\n";
  // The lines.
  char buf[48];
  for (std::size_t i = 0; i < series.size(); ++i) {
    const Axis& a = axes[axis_of[i]];
    s += "<path class=\"series\" data-series=\"" + Xml(series[i].key) + "\" stroke=\"" + Xml(series[i].colour) +
         "\" fill=\"none\" stroke-width=\"1.5\" stroke-linejoin=\"round\" d=\"";
    for (const PlotVertex& p : lines[i]) {
      std::snprintf(buf, sizeof buf, "%c%.1f %.1f", p.gap ? 'M' : 'L', x_of(p.t), y_of(a, p.v));
      s += buf;
    }
    s += "\"><title>" + Xml(series[i].label) + "</title></path>\n";
    // Legend.
    const int lx = kPlotMarginLeft + 8 + static_cast<int>(i) * 220;
    s += "<rect x=\"" + std::to_string(lx) + "\" y=\"8\" width=\"14\" height=\"4\" fill=\"" + Xml(series[i].colour) +
         "\"/><text x=\"" + std::to_string(lx + 18) + "\" y=\"14\">" + Xml(series[i].label) + " (" +
         Xml(series[i].unit) + ")</text>\n";
  }
  if (std::all_of(lines.begin(), lines.end(), [](const auto& l) { return l.empty(); })) {
    s += "<text x=\"" + std::to_string(width / 2) + "\" y=\"" + std::to_string(height / 2) +
         "\" text-anchor=\"middle\">No records in this span</text>\n";
  }
  s += "</g>\n</svg>\n";
  return s;
}

}  // namespace sq::dashboard
