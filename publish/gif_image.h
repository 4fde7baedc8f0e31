// GifImage: the base of the weather images. A palette image of a fixed size drawn with
// libgd and its built-in bitmap fonts, written as a GIF file. The file is written under
// a temporary name and renamed into place, so a web server or an upload never picks up
// half an image.
#pragma once

#include <gd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace sq {

// Background codes of the profiles' image options.
inline constexpr int kGifBackgroundGreen = 0;
inline constexpr int kGifBackgroundTransparent = 1;  // white, made transparent
inline constexpr int kGifBackgroundYellow = 2;
inline constexpr int kGifBackgroundWhite = 3;
inline constexpr int kGifBackgroundBlue = 4;
inline constexpr int kGifBackgroundGrey = 5;

struct Rgb {
  int r = 0, g = 0, b = 0;
};

class GifImage {
 public:
  GifImage(std::string file_name, int width, int height);
  virtual ~GifImage() = default;
  GifImage(const GifImage&) = delete;
  GifImage& operator=(const GifImage&) = delete;

  // Draws the image's value; nothing in the base.
  virtual void DrawValue() {}

  // Allocates the background colour of `code` (see the table in the .cc); returns its
  // palette index. Code 1 also makes it the GIF's transparent colour.
  int SetBackgroundColor(int code);
  int SetBackgroundColor(int r, int g, int b);

  // Writes the image as a GIF to the file name: 1, or -1 when it cannot be written
  // (`*error` says why; an older file of that name is left as it was).
  int SaveToFile(std::string* error = nullptr);

  [[nodiscard]] gdImagePtr image() const { return image_.get(); }
  [[nodiscard]] const std::string& file_name() const { return file_name_; }
  [[nodiscard]] int width() const { return width_; }
  [[nodiscard]] int height() const { return height_; }
  [[nodiscard]] int background() const { return background_; }

  // Palette index of a colour (allocated on first use; the nearest one when the
  // palette is full).
  int Color(int r, int g, int b);
  int Color(Rgb c) { return Color(c.r, c.g, c.b); }

  // Text in a built-in font. Text is UTF-8; characters the fonts lack become '?'.
  void Text(gdFontPtr font, int x, int y, std::string_view text, int colour);
  // Centred on x.
  void CentredText(gdFontPtr font, int cx, int y, std::string_view text, int colour);
  [[nodiscard]] static int TextWidth(gdFontPtr font, std::string_view text);

 protected:
  // Fills the image with black and the inside, 2 pixels in, with the background: a
  // 2-pixel frame. Without a background colour set before, the background is white.
  void DrawFrame();
  // A black band over the top 16 rows with `caption` centred in white.
  void DrawCaptionBand(gdFontPtr font, std::string_view caption);

 private:
  struct Free {
    void operator()(gdImagePtr p) const { gdImageDestroy(p); }
  };
  std::unique_ptr<gdImage, Free> image_;
  std::string file_name_;
  std::int16_t width_;
  std::int16_t height_;
  int background_ = -1;
};

// UTF-8 to the 8-bit text the built-in fonts draw (Latin-1 for the few characters
// beyond ASCII the program prints, such as the degree sign).
[[nodiscard]] std::string FontText(std::string_view utf8);

// "%.*f" of a value; "%d" of it rounded half away from zero when `decimals` is 0.
[[nodiscard]] std::string FixedText(double value, int decimals);

}  // namespace sq
