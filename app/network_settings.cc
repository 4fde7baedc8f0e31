#include "app/network_settings.h"

#include "app/extra_settings.h"
#include "app/station.h"

namespace sq {
namespace {

std::uint8_t& Extra(Station& s, std::size_t offset) { return s.record().extra[offset - extra::kBase]; }
std::uint8_t Extra(const Station& s, std::size_t offset) { return s.record().extra[offset - extra::kBase]; }

}  // namespace

std::string WuHost(const Station& s) {
  return LoadText(reinterpret_cast<const char*>(&s.record().extra[extra::kWuHost - extra::kBase]), extra::kWuHostSize);
}

int SetWuHost(Station& s, std::string_view host) {
  if (host.size() > kWuHostMax) return -1;
  for (const char c : host) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F || c == '/' || c == '?' || c == '#' || c == '@') return -1;
  }
  StoreText(reinterpret_cast<char*>(&Extra(s, extra::kWuHost)), extra::kWuHostSize, host);
  return 0;
}

bool WuPlainHttp(const Station& s) { return Extra(s, extra::kWuPlainHttp) != 0; }
void SetWuPlainHttp(Station& s, bool plain) { Extra(s, extra::kWuPlainHttp) = plain ? 1 : 0; }

bool CwopNoaaWind(const Station& s) { return s.record().cwop_options[0] != 0; }
void SetCwopNoaaWind(Station& s, bool noaa) { s.record().cwop_options[0] = noaa ? 1 : 0; }

}  // namespace sq
