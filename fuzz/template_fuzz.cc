// Templates are outside input: any text a user or another program wrote, with tags,
// half tags, nested and unclosed comments, long lines and any bytes. The input is cut
// into pieces as a page run reads it and each piece goes through the tag scan with
// current data from a fixed record and a highs-and-lows block taken from the input
// itself. A piece without "<!--" must come out unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "app/station.h"
#include "foundation/clock.h"
#include "publish/template_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static sq::FakeClock clock(1718461800000);
  static sq::Station station = [] {
    sq::Station s;
    s.record().sensors[0] = 0xFFFFFFFFu;
    return s;
  }();
  sq::PageData page;
  sq::HiLowsBlock block{};
  std::memcpy(block.data(), data, std::min(size, block.size()));
  page.hilows = block;
  if (size > 0) page.current.outside_hum = data[0];
  if (size > 1) page.current.wind_dir = static_cast<std::int16_t>(data[1] * 3 - 100);
  const sq::TagValues values(page, station, clock);

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t pos = 0;
  std::string out;
  while (pos < text.size()) {
    std::size_t n = 0;
    while (pos + n < text.size() && n < sq::kTemplatePieceMax) {
      if (text[pos + n++] == '\n') break;
    }
    const std::string_view piece = text.substr(pos, n);
    pos += n;
    out.clear();
    sq::SubstituteTags(piece, values, out);
    if (piece.find("<!--") == std::string_view::npos && out != piece) std::abort();
  }
  return 0;
}
