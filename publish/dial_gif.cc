#include "publish/dial_gif.h"

#include <gdfontg.h>
#include <gdfontl.h>
#include <gdfonts.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <span>

#include "foundation/display_units.h"

namespace sq {
namespace {

using DU = DisplayUnits;

constexpr double kRadian = std::numbers::pi / 180.0;
// The dial never grows beyond this (a damaged reading stops here).
constexpr int kLargestDial = 300;

// Dial intervals by maximum. The listed rows come first; for the others (a choice of
// this program) a maximum up to 100 gets a tick every 10 (every 2 or 5 below 50), a
// larger one the first of 8, 9, 7, 6 intervals that gives whole ticks of 5 or more.
struct DialRow {
  int maximum;
  int intervals;
};
constexpr DialRow kDialRows[] = {{10, 5}, {20, 4}, {30, 6}, {40, 8},  {50, 6},  {60, 6},
                                 {70, 7}, {80, 8}, {90, 9}, {120, 8}, {160, 8}, {180, 9}};

// The point at `radius` from the dials' centre in direction (cos, sin).
gdPoint Polar(double radius, double c, double s) {
  return {WindSpeedGif::kCentreX + static_cast<int>(std::lround(radius * c)),
          WindSpeedGif::kCentreY + static_cast<int>(std::lround(radius * s))};
}

void Line(gdImagePtr im, gdPoint a, gdPoint b, int colour) { gdImageLine(im, a.x, a.y, b.x, b.y, colour); }

std::string PointText(int sector) {
  char buf[16];
  DU::DomDirStr(sector, std::span<char>(buf));
  return buf;
}

}  // namespace

int DialIntervals(int maximum) {
  for (const DialRow& r : kDialRows) {
    if (r.maximum == maximum) return r.intervals;
  }
  if (maximum <= 100) return std::max(1, maximum / 10);
  for (int n : {8, 9, 7, 6}) {
    if (maximum % n == 0 && (maximum / n) % 5 == 0) return n;
  }
  return 10;
}

int CompassSector(float degrees) {
  const double d = std::fmod(static_cast<double>(degrees), 360.0);
  return static_cast<int>(std::floor((d < 0 ? d + 360.0 : d) / 22.5 + 0.5)) % 16;
}

WindSpeedGif::WindSpeedGif(std::string file_name, float value, float high, bool draw_high)
    : GifImage(std::move(file_name), kSize, kSize),
      value_(ImageValueMissing(value) ? kImageNoValue : value),
      high_(ImageValueMissing(high) ? kImageNoValue : high),
      draw_high_(draw_high) {}

void WindSpeedGif::SetRange() {
  int maximum = 20;
  int decimals = 1;
  switch (DU::windUnit) {
    case DU::kMph:
      decimals = 0;
      break;
    case DU::kKnots:
      break;
    case DU::kKmPerHour:
      maximum = 30;
      break;
    default:
      maximum = 10;
      break;
  }
  float largest = value_;
  if (draw_high_ && !ImageValueMissing(high_)) largest = ImageValueMissing(largest) ? high_ : std::max(largest, high_);
  while (!ImageValueMissing(largest) && largest > static_cast<float>(maximum) && maximum < kLargestDial) maximum += 10;
  scale_ = {static_cast<float>(maximum), DialIntervals(maximum), decimals};
}

double WindSpeedGif::ValueAngle(float v) const {
  const double f = std::clamp(static_cast<double>(v) / scale_.maximum, 0.0, 1.0);
  return 180.0 + 180.0 * f;
}

void WindSpeedGif::DrawTemplate() {
  gdImagePtr im = image();
  if (im == nullptr) return;
  const int black = Color(0, 0, 0);
  DrawFrame();
  const int r = kDiameter / 2;
  gdImageArc(im, kCentreX, kCentreY, kDiameter, kDiameter, 180, 360, black);
  gdImageLine(im, kCentreX - r, kCentreY, kCentreX + r, kCentreY, black);
  gdFontPtr large = gdFontGetLarge();
  for (int i = 0; i <= scale_.intervals; ++i) {
    const double a = (180.0 + 180.0 * i / scale_.intervals) * kRadian;
    const double c = std::cos(a), s = std::sin(a);
    Line(im, Polar(r - 8, c, s), Polar(r, c, s), black);
    const double label = static_cast<double>(scale_.maximum) * i / scale_.intervals;
    const bool whole = std::abs(label - std::round(label)) < 1e-6;
    const std::string text = FixedText(label, whole ? 0 : 1);
    const auto [x, y] = Polar(r + 12, c, s);
    // Labels at the ends sit beside the dial's base line, the others outside the arc.
    const int tx = i == 0                  ? x - TextWidth(large, text) + 4
                   : i == scale_.intervals ? x - 4
                                           : x - TextWidth(large, text) / 2;
    Text(large, tx, std::min(y - large->h / 2, kCentreY - large->h), text, black);
  }
  DrawCaptionBand(gdFontGetGiant(), caption_);
}

void WindSpeedGif::DrawValue() {
  gdImagePtr im = image();
  if (im == nullptr) return;
  const int black = Color(0, 0, 0);
  const int blue = Color(0, 0, 255);
  gdFontPtr large = gdFontGetLarge();
  if (!ImageValueMissing(value_)) {
    const double angle = ValueAngle(value_);
    const int end = static_cast<int>(std::lround(angle));
    if (end > 180) {
      gdImageFilledArc(im, kCentreX, kCentreY, 2 * kNeedle, 2 * kNeedle, 180, end, Color(153, 204, 255), gdPie);
    }
    gdImageSetThickness(im, 2);
    Line(im, Polar(0, 1, 0), Polar(kNeedle, std::cos(angle * kRadian), std::sin(angle * kRadian)), blue);
    gdImageSetThickness(im, 1);
  }
  gdImageFilledEllipse(im, kCentreX, kCentreY, 7, 7, black);
  const char* unit = DU::windUnit == DU::kMph         ? "mph"
                     : DU::windUnit == DU::kKnots     ? "kt"
                     : DU::windUnit == DU::kKmPerHour ? "km/hr"
                                                      : "m/s";
  CentredText(large, kCentreX, kCentreY + 25 - large->h / 2, unit, black);
  const std::string value = ImageValueMissing(value_) ? std::string("---") : FixedText(value_, scale_.decimals);
  CentredText(large, kCentreX, kCentreY + 45 - large->h / 2, value, blue);
  if (draw_high_) {
    char high[48] = "High: ---";
    if (!ImageValueMissing(high_)) std::snprintf(high, sizeof high, "High: %.*f", scale_.decimals, high_);
    CentredText(large, kCentreX, kCentreY + 65 - large->h / 2, high, Color(255, 0, 0));
  }
}

WindDirGif::WindDirGif(std::string file_name, float degrees)
    : GifImage(std::move(file_name), kSize, kSize),
      degrees_(degrees == 0.0f ? 360.0f : degrees),
      has_value_(!ImageValueMissing(degrees) && degrees >= 0.0f && degrees <= 360.0f) {}

void WindDirGif::DrawTemplate() {
  gdImagePtr im = image();
  if (im == nullptr) return;
  const int black = Color(0, 0, 0);
  DrawFrame();
  const int r = kDiameter / 2;
  gdImageArc(im, kCentreX, kCentreY, kDiameter, kDiameter, 0, 360, black);
  gdFontPtr small = gdFontGetSmall();
  for (int i = 0; i < 16; ++i) {
    const double a = i * 22.5 * kRadian;
    const double sx = std::sin(a), cy = -std::cos(a);
    const int inner = i % 2 == 0 ? r - 10 : r - 5;
    Line(im, Polar(inner, sx, cy), Polar(r, sx, cy), black);
    const gdPoint label = Polar(r + 12, sx, cy);
    CentredText(small, label.x, label.y - small->h / 2, PointText(i), black);
  }
  DrawCaptionBand(gdFontGetGiant(), "Wind Direction");
}

void WindDirGif::DrawValue() {
  gdImagePtr im = image();
  if (im == nullptr) return;
  const int black = Color(0, 0, 0);
  gdFontPtr small = gdFontGetSmall();
  std::string text = "----";
  if (has_value_) {
    const double a = degrees_ * kRadian;
    const double sx = std::sin(a), cy = -std::cos(a);
    // A slim arrow: the tip on radius 49, the base 6 pixels either side of the centre.
    gdPoint arrow[3] = {Polar(kPointer, sx, cy), Polar(6, -cy, sx), Polar(6, cy, -sx)};
    gdImageFilledPolygon(im, arrow, 3, Color(255, 0, 0));
    char deg[16];
    std::snprintf(deg, sizeof deg, "%d\xC2\xB0", static_cast<int>(std::lround(degrees_)));
    text = std::string(deg) + "  " + PointText(CompassSector(degrees_));
  }
  gdImageFilledEllipse(im, kCentreX, kCentreY, 7, 7, black);
  Text(small, 6, kSize - 3 - small->h, text, black);
}

}  // namespace sq
