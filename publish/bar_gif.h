// BarGif: a current value as a vertical bar gauge, 128 × 220 pixels: a caption band, a
// bar of 52 × 150 pixels on a labelled scale, the day's high and low as lines across
// it, the value and the date and time of the data underneath.
//
// A scale setter chooses the scale from the value (and the high and low when they are
// drawn); values are in the display units in effect (foundation/display_units.h).
#pragma once

#include <string>
#include <string_view>

#include "foundation/date_time.h"
#include "publish/gif_image.h"

namespace sq {

inline constexpr float kImageNoValue = -32768.0f;
// True for the markers of a missing value (-32768, the unreached low 32767, NaN) and
// for numbers no weather value reaches.
[[nodiscard]] bool ImageValueMissing(float v);

// The window of the barometer gauge moves only when the value leaves it; it is kept
// from one image to the next in a remembered value (one program-wide by default).
struct BaromWindow {
  float previous = 0.0f;
};
BaromWindow& ProgramBaromWindow();

struct BarScale {
  float minimum = 0.0f;
  float maximum = 100.0f;
  float span = 100.0f;
  int label_decimals = 0;
  int value_decimals = 0;
  int ticks = 10;
};

class BarGif : public GifImage {
 public:
  static constexpr int kWidth = 128;
  static constexpr int kHeight = 220;
  static constexpr int kBarWidth = 52;
  static constexpr int kBarHeight = 150;
  static constexpr int kBarLeft = kWidth / 2 - kBarWidth / 2;
  static constexpr int kBarTop = kHeight / 2 - kBarHeight / 2;
  static constexpr int kBarRight = kBarLeft + kBarWidth;
  static constexpr int kBarBottom = kBarTop + kBarHeight;
  static constexpr std::size_t kMaxCaption = 29;

  // `high` and `low` are drawn when `draw_extremes` is set and they are present.
  BarGif(std::string file_name, float value, float high = kImageNoValue, float low = kImageNoValue,
         bool draw_extremes = false);

  // Keeps captions of at most 29 characters; a longer one leaves the caption as it was.
  void SetCaption(std::string_view caption);
  void SetBarFillColor(int r, int g, int b) { fill_ = {r, g, b}; }
  void SetDateTime(const DateTime& when) { when_ = when; }

  // Scale setters.
  void SetTempRange();
  void SetWindChillRange();
  void SetHumRange();
  void SetRainRange();
  void SetRateRange();
  void SetEMCRange();
  void SetAirDensityRange();
  void SetSolarRange();
  void SetUVRange();
  void SetBaromRange(BaromWindow& window = ProgramBaromWindow());
  // Fixed scale 0..maximum (leaf wetness, soil moisture).
  void SetFixedRange(float maximum, int ticks);

  void DrawTemplate();
  void DrawValue() override;

  [[nodiscard]] const BarScale& scale() const { return scale_; }
  [[nodiscard]] const std::string& caption() const { return caption_; }
  [[nodiscard]] float value() const { return value_; }
  // Row of the scale's tick i (0 = bottom).
  [[nodiscard]] int TickY(int i) const;
  // Row of a value on the scale.
  [[nodiscard]] int ValueY(float v) const;

 private:
  void TempScale(bool chill);
  void WidenedScale(float start, float step, int value_decimals, int label_decimals);
  void TableScale(bool millimetres);
  [[nodiscard]] float Largest() const;  // the value or the drawn high, whichever is larger
  void Finish(float minimum, float maximum, int ticks, int label_decimals, int value_decimals);

  std::string caption_;
  float value_;
  float high_;
  float low_;
  bool draw_extremes_;
  BarScale scale_;
  Rgb fill_{255, 0, 0};
  DateTime when_;
};

}  // namespace sq
