#include "database/data_record_object.h"

#include <algorithm>
#include <cstring>

namespace sq {

float DataRecordObject::GetWeatherData(WeatherDataID, bool) const { return kMissingFloat; }

char* DataRecordObject::GetWeatherDataStr(WeatherDataID, std::span<char> buf) const { return CopyText("---", buf); }

std::string DataRecordObject::GetWeatherDataStr(WeatherDataID id) const {
  char buf[kValueTextSize];
  GetWeatherDataStr(id, std::span<char>(buf));
  return buf;
}

int DataRecordObject::SetWeatherData(WeatherDataID, float, bool) { return 0; }

char* DataRecordObject::CopyText(std::string_view text, std::span<char> buf) {
  if (buf.empty()) return buf.data();
  const std::size_t n = std::min(text.size(), buf.size() - 1);
  if (n > 0) std::memcpy(buf.data(), text.data(), n);
  buf[n] = '\0';
  return buf.data();
}

}  // namespace sq
