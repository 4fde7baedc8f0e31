#include "publish/gif_image.h"

#include <cmath>
#include <cstdio>
#include <span>

#include "foundation/file_util.h"

namespace sq {
namespace {

// Background colours by code; any other code is white.
constexpr Rgb kBackgrounds[] = {
    {153, 255, 153},  // 0 light green
    {255, 255, 255},  // 1 white, transparent
    {255, 255, 153},  // 2 light yellow
    {255, 255, 255},  // 3 white
    {102, 153, 255},  // 4 blue
    {153, 153, 153},  // 5 grey
};

struct GdBytes {
  void* data = nullptr;
  ~GdBytes() {
    if (data != nullptr) gdFree(data);
  }
};

}  // namespace

GifImage::GifImage(std::string file_name, int width, int height)
    : image_(gdImageCreate(width, height)),
      file_name_(std::move(file_name)),
      width_(static_cast<std::int16_t>(width)),
      height_(static_cast<std::int16_t>(height)) {}

int GifImage::SetBackgroundColor(int code) {
  const Rgb c = code >= 0 && code < static_cast<int>(std::size(kBackgrounds)) ? kBackgrounds[code] : Rgb{255, 255, 255};
  const int index = SetBackgroundColor(c.r, c.g, c.b);
  if (code == kGifBackgroundTransparent && image_) gdImageColorTransparent(image_.get(), index);
  return index;
}

int GifImage::SetBackgroundColor(int r, int g, int b) {
  if (!image_) return -1;
  background_ = gdImageColorExact(image_.get(), r, g, b);
  if (background_ < 0) background_ = Color(r, g, b);
  return background_;
}

int GifImage::Color(int r, int g, int b) {
  if (!image_) return 0;
  const int exact = gdImageColorExact(image_.get(), r, g, b);
  if (exact >= 0) return exact;
  const int fresh = gdImageColorAllocate(image_.get(), r, g, b);
  return fresh >= 0 ? fresh : gdImageColorClosest(image_.get(), r, g, b);
}

int GifImage::SaveToFile(std::string* error) {
  if (!image_) {
    if (error) *error = "no image";
    return -1;
  }
  GdBytes bytes;
  int size = 0;
  bytes.data = gdImageGifPtr(image_.get(), &size);
  if (bytes.data == nullptr || size <= 0) {
    if (error) *error = "the GIF encoder failed";
    return -1;
  }
  const std::span<const std::uint8_t> data(static_cast<const std::uint8_t*>(bytes.data),
                                           static_cast<std::size_t>(size));
  return WriteFileAtomic(file_name_, data, error) ? 1 : -1;
}

std::string FontText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
      const unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
      // The fonts' upper half is ISO 8859-2: the degree sign and the no-break space
      // agree with Latin-1; other letters do not, so they are replaced.
      out += code == 0xB0 || code == 0xA0 ? static_cast<char>(code) : '?';
      ++i;
    } else {
      while (i + 1 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) ++i;
      out += '?';
    }
  }
  return out;
}

std::string FixedText(double value, int decimals) {
  char buf[48];
  if (decimals <= 0) {
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(std::llround(value)));
  } else {
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  }
  return buf;
}

int GifImage::TextWidth(gdFontPtr font, std::string_view text) {
  return static_cast<int>(FontText(text).size()) * font->w;
}

void GifImage::Text(gdFontPtr font, int x, int y, std::string_view text, int colour) {
  if (!image_) return;
  std::string s = FontText(text);
  gdImageString(image_.get(), font, x, y, reinterpret_cast<unsigned char*>(s.data()), colour);
}

void GifImage::CentredText(gdFontPtr font, int cx, int y, std::string_view text, int colour) {
  Text(font, cx - TextWidth(font, text) / 2, y, text, colour);
}

void GifImage::DrawFrame() {
  if (!image_) return;
  if (background_ < 0) SetBackgroundColor(kGifBackgroundWhite);
  const int black = Color(0, 0, 0);
  gdImageFilledRectangle(image_.get(), 0, 0, width_ - 1, height_ - 1, black);
  gdImageFilledRectangle(image_.get(), 2, 2, width_ - 3, height_ - 3, background_);
}

void GifImage::DrawCaptionBand(gdFontPtr font, std::string_view caption) {
  if (!image_) return;
  gdImageFilledRectangle(image_.get(), 0, 0, width_ - 1, 15, Color(0, 0, 0));
  CentredText(font, width_ / 2, (16 - font->h) / 2, caption, Color(255, 255, 255));
}

}  // namespace sq
