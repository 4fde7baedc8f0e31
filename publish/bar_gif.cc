#include "publish/bar_gif.h"

#include <gdfontmb.h>
#include <gdfonts.h>

#include <algorithm>
#include <cmath>

#include "foundation/display_units.h"

namespace sq {
namespace {

using DU = DisplayUnits;

// No gauge scale needs more widening steps than this; a wild value (a damaged packet)
// stops here instead of producing a scale nobody can read.
constexpr int kMaxSteps = 200;

// Scales of the rain, rain-rate and ET gauges, chosen so that every tick is a round
// amount. Start at 1 inch or 25 mm and take the first maximum that holds the value.
struct RainStep {
  float maximum;
  int ticks;
  int label_decimals;
};
constexpr RainStep kRainInches[] = {
    {1, 10, 1}, {2, 10, 1}, {5, 10, 1}, {10, 10, 0}, {20, 10, 0}, {50, 10, 0}, {100, 10, 0}, {200, 10, 0}, {500, 10, 0},
};
constexpr RainStep kRainMillimetres[] = {
    {25, 5, 0},    {50, 10, 0},  {100, 10, 0},  {250, 5, 0},    {500, 10, 0},
    {1000, 10, 0}, {2500, 5, 0}, {5000, 10, 0}, {10000, 10, 0},
};

// The rest of the scales (document of the choices the gauges make):
//   EMC          0..20, 10 ticks; wider in steps of 5, a tick every 5 (10 ticks above 60)
//   solar        0..1000, 10 ticks; wider in steps of 100, a tick every 100 up to 1200
//   UV           0..10, 10 ticks; wider in steps of 2, a tick every 2 up to 20
//   air density  0..0.1, 10 ticks; wider in steps of 0.1
//   leaf wetness 0..15, 5 ticks; soil moisture 0..200 cb, 10 ticks
// A scale whose ticks do not fall on whole numbers gets one more label decimal.

int TempTicks(int span, bool chill) {
  if (span == 70 || span == 140) return 7;
  if (span == 90) return 9;
  if (span == 120 && !chill) return 12;
  return 10;
}

int StepsToFit(float value, float start, float step) {
  int n = 0;
  while (value > start + static_cast<float>(n) * step && n < kMaxSteps) ++n;
  return n;
}

}  // namespace

// Beyond a million no weather value is real: such a number is damage, not data.
bool ImageValueMissing(float v) { return v != v || v == kImageNoValue || v == 32767.0f || std::abs(v) > 1.0e6f; }

BaromWindow& ProgramBaromWindow() {
  static BaromWindow window;
  return window;
}

BarGif::BarGif(std::string file_name, float value, float high, float low, bool draw_extremes)
    : GifImage(std::move(file_name), kWidth, kHeight),
      value_(value),
      high_(high),
      low_(low),
      draw_extremes_(draw_extremes) {
  if (ImageValueMissing(value_)) value_ = kImageNoValue;
  if (ImageValueMissing(high_)) high_ = kImageNoValue;
  if (ImageValueMissing(low_)) low_ = kImageNoValue;
  // Today's high and low always include the current value.
  if (value_ != kImageNoValue && high_ != kImageNoValue) high_ = std::max(high_, value_);
  if (value_ != kImageNoValue && low_ != kImageNoValue) low_ = std::min(low_, value_);
}

void BarGif::SetCaption(std::string_view caption) {
  if (caption.size() <= kMaxCaption) caption_ = caption;
}

void BarGif::Finish(float minimum, float maximum, int ticks, int label_decimals, int value_decimals) {
  scale_.minimum = minimum;
  scale_.maximum = maximum;
  scale_.span = maximum - minimum;
  scale_.ticks = std::max(1, ticks);
  scale_.value_decimals = value_decimals;
  // Labels that would not be whole numbers at the requested decimals get one more.
  const double step = static_cast<double>(scale_.span) / scale_.ticks;
  const double unit = std::pow(10.0, -label_decimals);
  const double q = step / unit;
  scale_.label_decimals = std::abs(q - std::round(q)) > 1e-4 ? label_decimals + 1 : label_decimals;
}

float BarGif::Largest() const {
  float v = value_;
  if (draw_extremes_ && !ImageValueMissing(high_)) v = ImageValueMissing(v) ? high_ : std::max(v, high_);
  return v;
}

void BarGif::TempScale(bool chill) {
  const float def = DU::tempUnit == DU::kCelsius ? 50.0f : 100.0f;
  float minimum = 0.0f, maximum = def;
  const bool have = !ImageValueMissing(value_);
  // The rules with a high and low apply when at least one of them is known.
  if (!draw_extremes_ || (ImageValueMissing(high_) && ImageValueMissing(low_))) {
    if (have && value_ > def) {
      maximum = def + 50.0f * static_cast<float>(StepsToFit(value_, def, 50.0f));
    } else if (have && value_ < 0.0f) {
      minimum = -20.0f * static_cast<float>(StepsToFit(-value_, 0.0f, 20.0f));
      maximum = def + minimum;
    }
  } else {
    float hi = ImageValueMissing(high_) ? value_ : high_;
    float lo = ImageValueMissing(low_) ? value_ : low_;
    if (have) {
      hi = ImageValueMissing(hi) ? value_ : std::max(hi, value_);
      lo = ImageValueMissing(lo) ? value_ : std::min(lo, value_);
    }
    if (!ImageValueMissing(lo) && lo < 0.0f) minimum = -20.0f * static_cast<float>(StepsToFit(-lo, 0.0f, 20.0f));
    if (!ImageValueMissing(hi) && hi > def) maximum = def + 50.0f * static_cast<float>(StepsToFit(hi, def, 50.0f));
  }
  Finish(minimum, maximum, TempTicks(static_cast<int>(std::lround(maximum - minimum)), chill), 0, 1);
}

void BarGif::SetTempRange() { TempScale(false); }
void BarGif::SetWindChillRange() { TempScale(true); }

void BarGif::SetHumRange() {
  if (value_ == 255.0f || value_ == -128.0f) value_ = kImageNoValue;
  if (high_ == 255.0f || high_ == -128.0f) high_ = kImageNoValue;
  if (low_ == 255.0f || low_ == -128.0f) low_ = kImageNoValue;
  Finish(0.0f, 100.0f, 10, 0, 0);
}

void BarGif::TableScale(bool millimetres) {
  const float v = Largest();
  const RainStep* first = millimetres ? std::begin(kRainMillimetres) : std::begin(kRainInches);
  const RainStep* last = millimetres ? std::end(kRainMillimetres) : std::end(kRainInches);
  const RainStep* pick = last - 1;
  for (const RainStep* s = first; s != last; ++s) {
    if (ImageValueMissing(v) || v <= s->maximum) {
      pick = s;
      break;
    }
  }
  Finish(0.0f, pick->maximum, pick->ticks, pick->label_decimals, millimetres ? 1 : 2);
}

void BarGif::SetRainRange() { TableScale(DU::rainUnit == DU::kRainMillimetres); }
void BarGif::SetRateRange() { TableScale(DU::rainUnit == DU::kRainMillimetres); }

void BarGif::WidenedScale(float start, float step, int value_decimals, int label_decimals) {
  const float v = Largest();
  const int n = ImageValueMissing(v) ? 0 : StepsToFit(v, start, step);
  const float maximum = start + step * static_cast<float>(n);
  Finish(0.0f, maximum, 10, label_decimals, value_decimals);
}

void BarGif::SetEMCRange() {
  WidenedScale(20.0f, 5.0f, 1, 0);
  const int span = static_cast<int>(std::lround(scale_.span));
  if (span > 20 && span <= 60) Finish(0.0f, scale_.maximum, span / 5, 0, 1);
}

void BarGif::SetAirDensityRange() {
  const float v = Largest();
  const int n = ImageValueMissing(v) ? 1 : std::max(1, StepsToFit(v, 0.0f, 0.1f));
  // Tenths counted as integers, so 0.1 × n carries no rounding error into the labels.
  Finish(0.0f, static_cast<float>(n) / 10.0f, 10, 2, 4);
}

void BarGif::SetSolarRange() {
  WidenedScale(1000.0f, 100.0f, 0, 0);
  const int span = static_cast<int>(std::lround(scale_.span));
  if (span > 1000 && span <= 1200) Finish(0.0f, scale_.maximum, span / 100, 0, 0);
}

void BarGif::SetUVRange() {
  WidenedScale(10.0f, 2.0f, 1, 0);
  const int span = static_cast<int>(std::lround(scale_.span));
  if (span > 10 && span <= 20) Finish(0.0f, scale_.maximum, span / 2, 0, 1);
}

void BarGif::SetFixedRange(float maximum, int ticks) { Finish(0.0f, maximum, ticks, 0, 0); }

void BarGif::SetBaromRange(BaromWindow& window) {
  auto base_of = [](float p) {
    switch (DU::barUnit) {
      case DU::kBarInches:
        return std::floor(p * 2.0f - 0.5f) / 2.0f;
      case DU::kBarMillimetres:
        return std::floor(p / 5.0f - 3.0f) * 5.0f;
      default:
        return std::floor(p / 5.0f - 3.5f) * 5.0f;
    }
  };
  const float width = DU::barUnit == DU::kBarInches ? 1.0f : DU::barUnit == DU::kBarMillimetres ? 30.0f : 35.0f;
  float base = base_of(window.previous);
  if (!ImageValueMissing(value_) && (value_ < base || value_ > base + width)) {
    window.previous = value_;
    base = base_of(value_);
  }
  switch (DU::barUnit) {
    case DU::kBarInches:
      Finish(base, base + width, 10, 1, 2);
      break;
    case DU::kBarMillimetres:
      Finish(base, base + width, 6, 0, 1);
      break;
    default:
      Finish(base, base + width, 7, 0, 1);
      break;
  }
}

int BarGif::TickY(int i) const {
  const int spacing = kBarHeight / scale_.ticks;
  const int remainder = kBarHeight % scale_.ticks;
  return kBarBottom - i * spacing - std::min(i, remainder);
}

int BarGif::ValueY(float v) const {
  const double h = kBarHeight * std::abs(static_cast<double>(v) - scale_.minimum) / scale_.span;
  const long rows = std::lround(std::clamp(h, 0.0, static_cast<double>(kBarHeight)));
  return kBarBottom - static_cast<int>(rows);
}

void BarGif::DrawTemplate() {
  gdImagePtr im = image();
  if (im == nullptr) return;
  const int black = Color(0, 0, 0);
  (void)Color(255, 255, 255);
  DrawFrame();
  gdImageLine(im, kBarLeft, kBarTop, kBarLeft, kBarBottom, black);
  gdImageLine(im, kBarLeft, kBarBottom, kBarRight, kBarBottom, black);
  gdImageLine(im, kBarRight, kBarTop, kBarRight, kBarBottom, black);
  gdFontPtr small = gdFontGetSmall();
  for (int i = 0; i <= scale_.ticks; ++i) {
    const int y = TickY(i);
    gdImageLine(im, kBarLeft - 5, y, kBarLeft - 1, y, black);
    gdImageLine(im, kBarRight + 1, y, kBarRight + 5, y, black);
    const double label = scale_.minimum + static_cast<double>(i) * scale_.span / scale_.ticks;
    const std::string text = FixedText(label, scale_.label_decimals);
    const int top = y - small->h / 2;
    Text(small, kBarLeft - 5 - 2 - TextWidth(small, text), top, text, black);
    Text(small, kBarRight + 5 + 3, top, text, black);
  }
  DrawCaptionBand(gdFontGetMediumBold(), caption_);
}

void BarGif::DrawValue() {
  gdImagePtr im = image();
  if (im == nullptr) return;
  gdFontPtr small = gdFontGetSmall();
  const int black = Color(0, 0, 0);
  const bool have = !ImageValueMissing(value_);
  if (have) {
    const int y = ValueY(value_);
    if (y < kBarBottom) gdImageFilledRectangle(im, kBarLeft + 1, y, kBarRight - 1, kBarBottom - 1, Color(fill_));
  }
  if (draw_extremes_) {
    const int tenth = kBarHeight / 10;
    if (!ImageValueMissing(high_)) {
      const int red = Color(255, 0, 0);
      const int y = ValueY(high_);
      gdImageLine(im, kBarLeft + 1, y, kBarRight - 1, y, red);
      const int text_y = y < kBarTop + tenth ? y + 1 : y - small->h;
      CentredText(small, kWidth / 2, text_y, "High", red);
    }
    if (!ImageValueMissing(low_)) {
      const int y = ValueY(low_);
      gdImageLine(im, kBarLeft + 1, y, kBarRight - 1, y, Color(0, 0, 255));
      // The label lies on the fill: black on a light fill, white on a dark one.
      const double light = 0.3 * fill_.r + 0.52 * fill_.g + 0.18 * fill_.b;
      const int text_colour = light > 130.0 ? black : Color(255, 255, 255);
      const int text_y = y > kBarBottom - tenth ? y - small->h : y + 1;
      CentredText(small, kWidth / 2, text_y, "Low", text_colour);
    }
  }
  const std::string current =
      have ? "Current: " + FixedText(value_, scale_.value_decimals) : std::string("Current: ---");
  CentredText(small, kWidth / 2, kHeight - 15 - small->h, current, black);
  if (when_.valid) {
    std::string time = when_.GetTimeStr();
    time.erase(0, time.find_first_not_of(' '));
    CentredText(small, kWidth / 2, kHeight - 2 - small->h, when_.GetDateStr() + " " + time, black);
  }
}

}  // namespace sq
