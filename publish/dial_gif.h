// The two wind dials, 192 × 192 pixels each: WindSpeedGif, a half-circle speedometer
// with a blue needle, and WindDirGif, a compass with a red pointer. Values are in the
// display units in effect.
#pragma once

#include <string>
#include <string_view>

#include "publish/bar_gif.h"
#include "publish/gif_image.h"

namespace sq {

struct DialScale {
  float maximum = 20.0f;
  int intervals = 4;
  int decimals = 0;
};

class WindSpeedGif : public GifImage {
 public:
  static constexpr int kSize = 192;
  static constexpr int kDiameter = 120;
  static constexpr int kCentreX = kSize / 2;
  static constexpr int kCentreY = kSize / 2 + 10;
  static constexpr int kNeedle = 49;

  // The high is drawn (as "High: ...") when `draw_high` is set.
  WindSpeedGif(std::string file_name, float value, float high = kImageNoValue, bool draw_high = false);

  void SetCaption(std::string_view caption) { caption_ = caption; }
  // The dial's maximum and intervals for the wind unit, the value and the high.
  void SetRange();
  void DrawTemplate();
  void DrawValue() override;

  [[nodiscard]] const DialScale& scale() const { return scale_; }
  // Angle of a value on the dial in degrees, 180 (zero, left) to 360 (maximum, right).
  [[nodiscard]] double ValueAngle(float v) const;

 private:
  std::string caption_ = "Wind Speed";
  float value_;
  float high_;
  bool draw_high_;
  DialScale scale_;
};

// Number of dial intervals for a maximum.
[[nodiscard]] int DialIntervals(int maximum);

class WindDirGif : public GifImage {
 public:
  static constexpr int kSize = 192;
  static constexpr int kDiameter = 120;
  static constexpr int kCentreX = kSize / 2;
  static constexpr int kCentreY = kSize / 2 + 10;
  static constexpr int kPointer = 49;

  // `degrees` 1..360 (0 is taken as north); anything else is no value.
  WindDirGif(std::string file_name, float degrees);

  void DrawTemplate();
  void DrawValue() override;

  [[nodiscard]] bool has_value() const { return has_value_; }
  [[nodiscard]] float degrees() const { return degrees_; }

 private:
  float degrees_;
  bool has_value_;
};

// The compass point (0 = N .. 15 = NNW) of a direction in degrees.
[[nodiscard]] int CompassSector(float degrees);

}  // namespace sq
