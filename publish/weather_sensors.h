// Which of the optional sensors a station has, for the weather-network reports: a
// value of a sensor the station lacks is left out even when a record holds a number.
#pragma once

namespace sq {

class Station;

struct WeatherSensors {
  bool wind_dir = true;
  bool humidity = true;  // outside humidity
  bool rain = true;
  bool solar = true;
  bool uv = true;
};

[[nodiscard]] WeatherSensors WeatherSensorsOf(const Station& station);

}  // namespace sq
