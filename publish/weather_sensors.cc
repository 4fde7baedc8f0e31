#include "publish/weather_sensors.h"

#include "app/station.h"

namespace sq {

WeatherSensors WeatherSensorsOf(const Station& station) {
  WeatherSensors s;
  s.wind_dir = station.TestForSensor(0, sensor::kWindDir);
  s.humidity = station.TestForSensor(0, sensor::kOutsideHum);
  s.rain = station.TestForSensor(0, sensor::kRain);
  s.solar = station.TestForSensor(0, sensor::kSolar);
  s.uv = station.TestForSensor(0, sensor::kUv);
  return s;
}

}  // namespace sq
