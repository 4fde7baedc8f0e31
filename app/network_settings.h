// The weather-network settings that the station record's own fields do not hold: the
// Weather Underground host and whether it is reached over plain HTTP (app/extra_settings.h
// places them), and which of the APRS option flags chooses the wind standard.
//
// APRS option flags (station record, 1444..1446): flag 0 set = the NOAA standard
// (2-minute average speed and 10-minute gust from the stored archive), clear = the APRS
// standard (1-minute average and 5-minute gust from the real-time wind); flags 1 and 2
// are kept as found.
#pragma once

#include <string>
#include <string_view>

namespace sq {

class Station;

inline constexpr std::size_t kWuHostMax = 63;

// Empty: the network's public update host.
[[nodiscard]] std::string WuHost(const Station& station);
// -1 when longer than kWuHostMax or holding a blank, a control character or a '/'.
[[nodiscard]] int SetWuHost(Station& station, std::string_view host);
[[nodiscard]] bool WuPlainHttp(const Station& station);
void SetWuPlainHttp(Station& station, bool plain);

[[nodiscard]] bool CwopNoaaWind(const Station& station);
void SetCwopNoaaWind(Station& station, bool noaa);

}  // namespace sq
