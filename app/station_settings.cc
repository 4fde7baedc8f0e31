#include "app/station_settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/network_settings.h"
#include "app/setting_text.h"
#include "app/station_models.h"
#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kWaitRange = 47000;
constexpr std::uint32_t kBadElevation = 37804;  // "Elevation value not recognized!"
constexpr std::uint32_t kNoHeatBase = 37805;
constexpr std::uint32_t kBadHeatBase = 37806;
constexpr std::uint32_t kNoCoolBase = 37807;
constexpr std::uint32_t kBadCoolBase = 37808;
constexpr std::uint32_t kBadNormalTemp = 37809;
constexpr std::uint32_t kBadNormalRain = 37810;

using Setter = std::function<bool(Station&, PortMap&, std::string_view, std::string*)>;
using Getter = std::function<std::string(const Station&, const PortMap&)>;

struct Setting {
  const char* key;
  const char* help;
  const char* unit;  // appended by show, may be empty
  Setter set;
  Getter get;
};

using setting_text::Fail;
using setting_text::ParseLong;

bool ParseDouble(std::string_view v, double min, double max, double* out) {
  const std::string s(v);
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double x = std::strtod(s.c_str(), &end);
  if (errno != 0 || end != s.c_str() + s.size() || !std::isfinite(x) || x < min || x > max) return false;
  *out = x;
  return true;
}

std::string Fmt(const char* f, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, f, v);
  return buf;
}

// "YYYY-MM-DD" within 1900..2999 to a packed date (year * 65536 + month * 256 + day).
bool ParsePackedDate(std::string_view v, std::uint32_t* packed) {
  CalendarDate d;
  if (!ParseIsoDate(v, &d) || d.year < 1900 || d.year > 2999) return false;
  *packed = static_cast<std::uint32_t>(d.year * 65536 + d.month * 256 + d.day);
  return true;
}

bool ParseHhMm(std::string_view v, int* minutes) {
  long h = 0, m = 0;
  if (v.size() != 5 || v[2] != ':') return false;
  if (!ParseLong(v.substr(0, 2), 0, 23, &h) || !ParseLong(v.substr(3, 2), 0, 59, &m)) return false;
  *minutes = static_cast<int>(h * 60 + m);
  return true;
}

std::string IsoDate(std::uint32_t packed) {
  if (packed == 0) return {};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", packed >> 16, (packed >> 8) & 0xFF, packed & 0xFF);
  return buf;
}

std::string HhMm(int minutes) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d", minutes / 60, minutes % 60);
  return buf;
}

bool HasControl(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

// A text setting kept in a fixed field of the record.
Setting TextSetting(const char* key, const char* help, std::size_t max, std::function<char*(StationRecord&)> field,
                    std::size_t size) {
  return Setting{
      key, help, "",
      [=](Station& s, PortMap&, std::string_view v, std::string* e) {
        if (v.size() > max) return Fail(e, std::string(key) + ": at most " + std::to_string(max) + " characters");
        if (HasControl(v)) return Fail(e, std::string(key) + ": control characters are not allowed");
        StoreText(field(s.record()), size, v);
        return true;
      },
      [=](const Station& s, const PortMap&) { return LoadText(field(const_cast<StationRecord&>(s.record())), size); }};
}

// A 0/1 flag kept in one byte.
Setting FlagSetting(const char* key, std::function<std::uint8_t&(StationRecord&)> field) {
  return Setting{key, "0|1", "",
                 [=](Station& s, PortMap&, std::string_view v, std::string* e) {
                   if (v != "0" && v != "1") return Fail(e, std::string(key) + ": give 0 or 1");
                   field(s.record()) = v == "1" ? 1 : 0;
                   return true;
                 },
                 [=](const Station& s, const PortMap&) {
                   return std::string(field(const_cast<StationRecord&>(s.record())) ? "1" : "0");
                 }};
}

// A float kept in the record, within [min, max].
Setting FloatSetting(const char* key, const char* help, const char* unit, double min, double max,
                     std::function<float&(StationRecord&)> field) {
  return Setting{
      key, help, unit,
      [=](Station& s, PortMap&, std::string_view v, std::string* e) {
        double x = 0;
        if (!ParseDouble(v, min, max, &x)) return Fail(e, std::string(key) + ": give a number, " + help);
        field(s.record()) = static_cast<float>(x);
        return true;
      },
      [=](const Station& s, const PortMap&) { return Fmt("%g", field(const_cast<StationRecord&>(s.record()))); }};
}

Setting BoolExtra(const char* key, std::function<bool(const Station&)> get, std::function<void(Station&, bool)> set) {
  return Setting{key, "0|1", "",
                 [=](Station& s, PortMap&, std::string_view v, std::string* e) {
                   if (v != "0" && v != "1") return Fail(e, std::string(key) + ": give 0 or 1");
                   set(s, v == "1");
                   return true;
                 },
                 [=](const Station& s, const PortMap&) { return std::string(get(s) ? "1" : "0"); }};
}

Setting ExtraText(const char* key, const char* help, std::function<int(Station&, std::string_view)> set,
                  std::function<std::string(const Station&)> get) {
  return Setting{key, help, "",
                 [=](Station& s, PortMap&, std::string_view v, std::string* e) {
                   if (HasControl(v) || set(s, v) != 0) return Fail(e, std::string(key) + ": " + help);
                   return true;
                 },
                 [=](const Station& s, const PortMap&) { return get(s); }};
}

Setting DstDate(const char* key, bool start) {
  return Setting{key, "YYYY-MM-DDTHH:MM (empty clears)", "",
                 [=](Station& s, PortMap&, std::string_view v, std::string* e) {
                   std::uint32_t sd = 0, ed = 0;
                   int sm = 0, em = 0;
                   s.GetManualDst(&sd, &sm, &ed, &em);
                   std::uint32_t d = 0;
                   int m = 0;
                   if (!v.empty()) {
                     if (v.size() != 16 || (v[10] != 'T' && v[10] != ' ') || !ParsePackedDate(v.substr(0, 10), &d) ||
                         !ParseHhMm(v.substr(11), &m)) {
                       return Fail(e, std::string(key) + ": give YYYY-MM-DDTHH:MM, for example 2025-03-09T02:00");
                     }
                   }
                   if (start) {
                     sd = d;
                     sm = m;
                   } else {
                     ed = d;
                     em = m;
                   }
                   s.SetManualDst(sd, sm, ed, em);
                   return true;
                 },
                 [=](const Station& s, const PortMap&) {
                   std::uint32_t sd = 0, ed = 0;
                   int sm = 0, em = 0;
                   s.GetManualDst(&sd, &sm, &ed, &em);
                   const std::uint32_t d = start ? sd : ed;
                   return d == 0 ? std::string() : IsoDate(d) + "T" + HhMm(start ? sm : em);
                 }};
}

// ---- Climatological report settings ----
// Temperatures are typed in the display temperature unit and rain in the display rain
// unit, as the report shows them; they are stored in F and inches. The messages are the
// report setup's own.

constexpr float kNoNormalTemp = -32768.0f;
constexpr float kNoNormalRain = -1.0f;  // any negative value means no normal
constexpr double kLowestBaseF = -100.0, kHighestBaseF = 200.0;

std::string Printf(std::string_view format, std::string_view text, int n = 0) {
  char buf[256];
  std::snprintf(buf, sizeof buf, std::string(format).c_str(), std::string(text).c_str(), n);
  return buf;
}

// A temperature typed in the display unit, in F rounded to 0.01 (so that the F value
// shown in C and typed back is the same value again); false when not a number.
bool ParseUserTemp(std::string_view v, float* fahrenheit) {
  double x = 0;
  if (!ParseDouble(v, -1000, 1000, &x)) return false;
  const double f = DisplayUnits::tempUnit == DisplayUnits::kCelsius ? x * 1.8 + 32.0 : x;
  if (f < kLowestBaseF || f > kHighestBaseF) return false;
  *fahrenheit = static_cast<float>(std::round(f * 100.0) / 100.0);
  return true;
}

std::string UserTempText(float fahrenheit) { return Fmt("%g", DisplayUnits::ConvertTemp(fahrenheit)); }

Setting BaseSetting(const char* key, int index, std::uint32_t empty_message, std::uint32_t bad_message) {
  return Setting{key, "degree-day base in the display temperature unit", DisplayUnits::tempUnitStr,
                 [=](Station& s, PortMap&, std::string_view v, std::string* e) {
                   if (v.empty()) return Fail(e, std::string(LoadString(empty_message)));
                   float f = 0;
                   if (!ParseUserTemp(v, &f)) return Fail(e, Printf(LoadString(bad_message), v));
                   s.record().degday_base[index] = f;
                   return true;
                 },
                 [=](const Station& s, const PortMap&) { return UserTempText(s.record().degday_base[index]); }};
}

// normal-temp / normal-rain: "M:VALUE[,M:VALUE...]", M 1..12, an empty VALUE clears.
// Shown as the months that have a normal.
Setting NormalsSetting(const char* key, bool rain) {
  return Setting{
      key,
      rain ? "M:AMOUNT[,M:AMOUNT...] normal rain of month M (1..12) in the display rain unit; empty AMOUNT clears"
           : "M:TEMP[,M:TEMP...] normal mean temperature of month M (1..12) in the display unit; empty TEMP clears",
      "",
      [=](Station& s, PortMap&, std::string_view v, std::string* e) {
        float* normals = rain ? s.record().normal_rain : s.record().normal_temp;
        std::size_t start = 0;
        while (start <= v.size()) {
          const std::size_t comma = std::min(v.find(',', start), v.size());
          const std::string_view item = v.substr(start, comma - start);
          const std::size_t colon = item.find(':');
          long month = 0;
          if (colon == std::string_view::npos || !ParseLong(item.substr(0, colon), 1, 12, &month)) {
            return Fail(e, std::string(key) +
                               ": give M:VALUE with a month M of 1..12, for example 1:" + (rain ? "3.5" : "38.2"));
          }
          const std::string_view text = item.substr(colon + 1);
          float& slot = normals[month - 1];
          if (text.empty()) {
            slot = rain ? kNoNormalRain : kNoNormalTemp;
          } else if (rain) {
            double x = 0;
            if (!ParseDouble(text, 0, 100000, &x)) {
              return Fail(e, Printf(LoadString(kBadNormalRain), text, static_cast<int>(month)));
            }
            slot = static_cast<float>(DisplayUnits::rainUnit == DisplayUnits::kRainMillimetres ? x / 25.4 : x);
          } else if (!ParseUserTemp(text, &slot)) {
            return Fail(e, Printf(LoadString(kBadNormalTemp), text, static_cast<int>(month)));
          }
          start = comma + 1;
        }
        return true;
      },
      [=](const Station& s, const PortMap&) {
        const float* normals = rain ? s.record().normal_rain : s.record().normal_temp;
        std::string out;
        for (int m = 0; m < 12; ++m) {
          const float x = normals[m];
          const bool none = rain ? !(x >= 0.0f) : (DisplayUnits::IsMissingTemp(x) || !std::isfinite(x));
          if (none) continue;
          if (!out.empty()) out += ',';
          out += std::to_string(m + 1) + ":" +
                 (rain ? Fmt("%g", DisplayUnits::rainUnit == DisplayUnits::kRainMillimetres ? x * 25.4 : x)
                       : UserTempText(x));
        }
        return out;
      }};
}

void AddReportSettings(std::vector<Setting>& t) {
  t.push_back(TextSetting(
      "noaa-city", "report city, at most 39 characters", 39, [](StationRecord& r) { return r.city; },
      sizeof StationRecord::city));
  t.push_back(TextSetting(
      "noaa-state", "report state, at most 30 characters", 30, [](StationRecord& r) { return r.state; },
      sizeof StationRecord::state));
  t.push_back(
      {"noaa-elevation", "whole number in the display elevation unit (the station elevation)",
       DisplayUnits::elevUnitStr,
       [](Station& s, PortMap&, std::string_view v, std::string* e) {
         long x = 0;
         const std::int16_t feet = ParseLong(v, -32767, 32767, &x)
                                       ? DisplayUnits::InverseConvertElevation(static_cast<std::int16_t>(x), false)
                                       : DisplayUnits::kMissing16;
         if (feet == DisplayUnits::kMissing16 || feet < -2000 || feet > 30000) {
           return Fail(e, std::string(LoadString(kBadElevation)));
         }
         s.record().elevation_ft = feet;
         return true;
       },
       [](const Station& s, const PortMap&) {
         return std::to_string(static_cast<int>(DisplayUnits::ConvertElevation(s.record().elevation_ft, false)));
       }});
  t.push_back(TextSetting(
      "noaa-latitude", "latitude as the report prints it, at most 15 characters", 15,
      [](StationRecord& r) { return r.latitude_text; }, sizeof StationRecord::latitude_text));
  t.push_back(TextSetting(
      "noaa-longitude", "longitude as the report prints it, at most 15 characters", 15,
      [](StationRecord& r) { return r.longitude_text; }, sizeof StationRecord::longitude_text));
  t.push_back(BaseSetting("heat-base", 0, kNoHeatBase, kBadHeatBase));
  t.push_back(BaseSetting("cool-base", 1, kNoCoolBase, kBadCoolBase));
  t.push_back(NormalsSetting("normal-temp", false));
  t.push_back(NormalsSetting("normal-rain", true));
  t.push_back(FlagSetting("noaa-integration", [](StationRecord& r) -> std::uint8_t& { return r.noaa_1000; }));
}

// Weather Underground and APRS. The APRS fields refuse an empty value with the
// messages of the settings dialog, which requires every field.
constexpr std::uint32_t kFillCallSign = 39330;
constexpr std::uint32_t kFillServer = 39331;
constexpr std::uint32_t kFillPort = 39332;
constexpr std::uint32_t kFillPassword = 39333;
constexpr std::uint32_t kPortNotNumber = 39334;
constexpr int kMaxCatchupDays = 7;

Setting RequiredText(const char* key, const char* help, std::size_t max, std::uint32_t empty_message,
                     std::function<char*(StationRecord&)> field, std::size_t size, bool upper = false) {
  Setting plain = TextSetting(key, help, max, field, size);
  auto set = plain.set;
  plain.set = [=](Station& s, PortMap& p, std::string_view v, std::string* e) {
    if (v.empty()) return Fail(e, std::string(LoadString(empty_message)));
    std::string text(v);
    if (upper) {
      for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return set(s, p, text, e);
  };
  return plain;
}

void AddWeatherNetworkSettings(std::vector<Setting>& t) {
  t.push_back(TextSetting(
      "wu-id", "Weather Underground station, at most 20 characters", 20, [](StationRecord& r) { return r.wu_id; },
      sizeof StationRecord::wu_id));
  t.push_back(TextSetting(
      "wu-password", "at most 64 characters", 64, [](StationRecord& r) { return r.wu_password; },
      sizeof StationRecord::wu_password));
  t.push_back({"wu-catchup", "0..7 days of past records sent besides the new ones", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 0, kMaxCatchupDays, &x)) return Fail(e, "wu-catchup: give 0..7 days");
                 s.record().wu_catchup = static_cast<std::uint8_t>(x);
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().wu_catchup); }});
  t.push_back({"wu-resend-from",
               "YYYY-MM-DDTHH:MM, the last record sent; the next upload goes on after it (empty: none)", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 std::uint32_t d = 0;
                 int m = -1;
                 if (!v.empty() && (v.size() != 16 || (v[10] != 'T' && v[10] != ' ') ||
                                    !ParsePackedDate(v.substr(0, 10), &d) || !ParseHhMm(v.substr(11), &m))) {
                   return Fail(e, "wu-resend-from: give YYYY-MM-DDTHH:MM, for example 2025-03-09T14:30");
                 }
                 s.record().wu_last_date = static_cast<std::int32_t>(d);
                 s.record().wu_last_time = static_cast<std::int16_t>(m);
                 return true;
               },
               [](const Station& s, const PortMap&) {
                 const auto& r = s.record();
                 if (r.wu_last_date <= 0 || r.wu_last_time < 0 || r.wu_last_time > 1440) return std::string();
                 // The midnight that ends a day is shown as 00:00 of the next, which set accepts.
                 DateTime d;
                 d.SetDate(r.wu_last_date);
                 if (r.wu_last_time == 1440) ++d;
                 return IsoDate(static_cast<std::uint32_t>(d.GetPackedDate())) + "T" + HhMm(r.wu_last_time % 1440);
               }});
  t.push_back(ExtraText(
      "wu-host", "host or host:port, at most 63 characters (empty: the network's public host)",
      [](Station& s, std::string_view v) { return SetWuHost(s, v); }, [](const Station& s) { return WuHost(s); }));
  t.push_back(BoolExtra(
      "wu-https", [](const Station& s) { return !WuPlainHttp(s); },
      [](Station& s, bool on) { SetWuPlainHttp(s, !on); }));
  t.push_back(RequiredText(
      "cwop-id", "APRS call sign or CWOP station id, at most 19 characters (upper-cased)", 19, kFillCallSign,
      [](StationRecord& r) { return r.cwop_id; }, sizeof StationRecord::cwop_id, true));
  t.push_back(RequiredText(
      "cwop-server", "APRS server host, at most 29 characters", 29, kFillServer,
      [](StationRecord& r) { return r.cwop_server; }, sizeof StationRecord::cwop_server));
  t.push_back({"cwop-port", "1..65535", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (v.empty()) return Fail(e, std::string(LoadString(kFillPort)));
                 if (v.find_first_not_of("0123456789") != std::string_view::npos) {
                   return Fail(e, std::string(LoadString(kPortNotNumber)));
                 }
                 if (!ParseLong(v, 1, 65535, &x)) return Fail(e, "cwop-port: give a port 1..65535");
                 s.record().cwop_port = static_cast<std::uint32_t>(x);
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().cwop_port); }});
  t.push_back(RequiredText(
      "cwop-pass", "passcode, \" vers \" and the program, at most 30 characters", 30, kFillPassword,
      [](StationRecord& r) { return r.cwop_suffix; }, sizeof StationRecord::cwop_suffix));
  t.push_back({"cwop-wind", "aprs (1-minute average, 5-minute gust) | noaa (2-minute average, 10-minute gust)", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 if (v != "aprs" && v != "noaa") return Fail(e, "cwop-wind: give aprs or noaa");
                 SetCwopNoaaWind(s, v == "noaa");
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::string(CwopNoaaWind(s) ? "noaa" : "aprs"); }});
}

std::vector<Setting> BuildSettings() {
  std::vector<Setting> t;
  t.push_back(TextSetting(
      "name", "text, at most 63 characters", 63, [](StationRecord& r) { return r.name; }, sizeof StationRecord::name));
  t.push_back({"model", "0..7 (0 Brisant II ... 5 Corvale Pro, 6 Corvale Pro Plus, 7 Corvale Lumo)", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 0, kMaxStationModel, &x)) return Fail(e, "model: give a model code 0..7");
                 return s.SetStationModel(static_cast<int>(x)) == 0;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().model); }});
  t.push_back({"connection", "none|serial|usb|tcp", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 static constexpr std::string_view kNames[] = {"none", "serial", "usb", "tcp"};
                 for (std::size_t i = 0; i < 4; ++i) {
                   if (v == kNames[i]) {
                     s.record().connection_type = static_cast<std::uint16_t>(i);
                     return true;
                   }
                 }
                 return Fail(e, "connection: give serial, usb, tcp or none");
               },
               [](const Station& s, const PortMap&) {
                 static constexpr const char* kNames[] = {"none", "serial", "usb", "tcp"};
                 const auto c = s.record().connection_type;
                 return std::string(c < 4 ? kNames[c] : "serial");
               }});
  t.push_back({"port", "COM number 1..255", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 1, PortMap::kMaxPort, &x)) return Fail(e, "port: give a COM number 1..255");
                 s.record().com_port = static_cast<std::uint16_t>(x);
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().com_port); }});
  t.push_back({"baud", "1200|2400|4800|9600|14400|19200", "bit/s",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 1200, 19200, &x) ||
                     (x != 1200 && x != 2400 && x != 4800 && x != 9600 && x != 14400 && x != 19200)) {
                   return Fail(e, "baud: give 1200, 2400, 4800, 9600, 14400 or 19200");
                 }
                 if (s.record().console_family == kFamilyBrisant && x > 2400) {
                   return Fail(e, "baud: the older consoles run at 1200 or 2400");
                 }
                 s.record().baud = static_cast<std::uint16_t>(x);
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().baud); }});
  t.push_back({"device", "tty path of this station's COM port (kept in ports.lst; empty: system default)", "",
               [](Station& s, PortMap& p, std::string_view v, std::string* e) {
                 if (!v.empty() && v[0] != '/') return Fail(e, "device: give a full path such as /dev/ttyUSB0");
                 if (p.SetDevice(s.record().com_port, v) != 0) return Fail(e, "device: not a usable path");
                 return true;
               },
               [](const Station& s, const PortMap& p) { return p.DevicePath(s.record().com_port); }});
  t.push_back({"usb-id", "number in the USB bridge's serial-number string, 1..999999999", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 1, 999999999, &x)) return Fail(e, "usb-id: give a number 1..999999999");
                 s.SetUsbId(static_cast<std::uint32_t>(x));
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.UsbId() == 0 ? 1 : s.UsbId()); }});
  t.push_back({"host", "address or name of the network logger (empty: find it by its MAC address)", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 if (v.size() > 49) return Fail(e, "host: at most 49 characters");
                 for (char c : v) {
                   if (static_cast<unsigned char>(c) <= 0x20) return Fail(e, "host: no blanks or control characters");
                 }
                 StoreText(s.record().logger_text[1], sizeof s.record().logger_text[1], v);
                 s.record().logger_option = v.empty() ? 0 : 1;
                 return true;
               },
               [](const Station& s, const PortMap&) {
                 return LoadText(s.record().logger_text[1], sizeof s.record().logger_text[1]);
               }});
  t.push_back(
      {"tcp-port", "1..65535", "",
       [](Station& s, PortMap&, std::string_view v, std::string* e) {
         long x = 0;
         if (!ParseLong(v, 1, 65535, &x)) return Fail(e, "tcp-port: give a port 1..65535");
         StoreText(s.record().tcp_port, sizeof s.record().tcp_port, std::to_string(x));
         return true;
       },
       [](const Station& s, const PortMap&) { return LoadText(s.record().tcp_port, sizeof s.record().tcp_port); }});
  t.push_back({"mac", "XX:XX:XX:XX:XX:XX (empty clears it and the network account key)", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 if (v.empty()) {
                   s.ClearMacAddress();
                   s.record().logger_text[0][0] = 0;
                   return true;
                 }
                 if (s.SetMacAddress(v) != 0) return Fail(e, "mac: give six hex pairs, XX:XX:XX:XX:XX:XX");
                 return true;
               },
               [](const Station& s, const PortMap&) {
                 const auto& m = s.record().mac;
                 char buf[18];
                 std::snprintf(buf, sizeof buf, "%02X:%02X:%02X:%02X:%02X:%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
                 return std::string(buf);
               }});
  t.push_back(FlagSetting("modem", [](StationRecord& r) -> std::uint8_t& { return r.modem_in_use; }));
  t.push_back({"modem-wait", "0..127", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 0, 127, &x)) return Fail(e, std::string(LoadString(kWaitRange)));
                 s.record().modem_wait = static_cast<std::uint8_t>(x);
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().modem_wait); }});
  t.push_back(TextSetting(
      "dial", "modem dial text, at most 79 characters", 79, [](StationRecord& r) { return r.modem_dial; },
      sizeof StationRecord::modem_dial));
  t.push_back(TextSetting(
      "modem-init", "modem initialisation string, at most 79 characters", 79,
      [](StationRecord& r) { return r.modem_init; }, sizeof StationRecord::modem_init));
  t.push_back({"timeout", "connection time in hours, 1/60 .. 33.3 (stored in minutes 1..1999)", "hours",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 double h = 0;
                 if (!ParseDouble(v, 0, 1999.0 / 60.0, &h)) return Fail(e, "timeout: give hours, at most 33.3");
                 const long minutes = std::lround(h * 60.0);
                 if (minutes < 1 || minutes > 1999) return Fail(e, "timeout: give at least one minute (0.0167 hours)");
                 s.record().timeout_minutes = static_cast<std::uint16_t>(minutes);
                 return true;
               },
               [](const Station& s, const PortMap&) {
                 const int m = s.record().timeout_minutes;
                 return m % 60 == 0 ? std::to_string(m / 60) : Fmt("%.2f", m / 60.0);
               }});
  t.push_back({"latitude", "decimal degrees -90..90, south negative", "deg",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 double x = 0;
                 if (!ParseDouble(v, -90, 90, &x) || s.SetLatitude(x) != 0) return Fail(e, "latitude: give -90..90");
                 return true;
               },
               [](const Station& s, const PortMap&) {
                 return s.record().lat_dms[0] == kDmsNotSet ? std::string() : Fmt("%.4f", s.record().latitude);
               }});
  t.push_back({"longitude", "decimal degrees -180..180, west negative", "deg",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 double x = 0;
                 if (!ParseDouble(v, -180, 180, &x) || s.SetLongitude(x) != 0) {
                   return Fail(e, "longitude: give -180..180");
                 }
                 return true;
               },
               [](const Station& s, const PortMap&) {
                 return s.record().lon_dms[0] == kDmsNotSet ? std::string() : Fmt("%.4f", s.record().longitude);
               }});
  t.push_back({"elevation", "feet, -2000..30000", "ft",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, -2000, 30000, &x)) return Fail(e, "elevation: give whole feet, -2000..30000");
                 s.record().elevation_ft = static_cast<std::int16_t>(x);
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().elevation_ft); }});
  t.push_back(FloatSetting("timezone", "hours from UTC, -12..14", "hours", -12, 14,
                           [](StationRecord& r) -> float& { return r.timezone_hours; }));
  t.push_back(FlagSetting("southern", [](StationRecord& r) -> std::uint8_t& { return r.southern; }));
  t.push_back({"rain-collector", "1 (0.01 in), 2 (0.2 mm), 3 (1 mm), 4 (0.01 in), 5 (0.2 mm), 6 (0.1 mm)", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 1, 6, &x) || s.SetRainCollector(static_cast<int>(x)) != 0) {
                   return Fail(e, "rain-collector: give a collector type 1..6");
                 }
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().rain_type); }});
  t.push_back(
      {"dst", "auto|manual", "",
       [](Station& s, PortMap&, std::string_view v, std::string* e) {
         if (v != "auto" && v != "manual") return Fail(e, "dst: give auto or manual");
         s.record().manual_dst = v == "manual" ? 1 : 0;
         return true;
       },
       [](const Station& s, const PortMap&) { return std::string(s.record().manual_dst ? "manual" : "auto"); }});
  t.push_back(DstDate("dst-start", true));
  t.push_back(DstDate("dst-end", false));
  t.push_back(
      FloatSetting("uv-factor", "0.01..100", "", 0.01, 100, [](StationRecord& r) -> float& { return r.uv_factor; }));
  t.push_back(
      FloatSetting("fuel-base", "0..127 F", "F", 0, 127, [](StationRecord& r) -> float& { return r.fuel_base; }));
  AddReportSettings(t);
  t.push_back(BoolExtra(
      "auto-export", [](const Station& s) { return s.AutoExport(); },
      [](Station& s, bool on) { s.SetAutoExport(on); }));
  t.push_back({"export-list", "index of the exported data list, 0..999", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 0, 999, &x)) return Fail(e, "export-list: give a list index 0..999");
                 s.SetExportList(static_cast<int>(x));
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.ExportList()); }});
  t.push_back(BoolExtra(
      "rain-db", [](const Station& s) { return s.RainDbInUse(); }, [](Station& s, bool on) { s.SetRainDbInUse(on); }));
  t.push_back(ExtraText(
      "web-host", "at most 63 characters", [](Station& s, std::string_view v) { return s.SetWebHost(v); },
      [](const Station& s) { return s.WebHost(); }));
  t.push_back(ExtraText(
      "web-user", "at most 31 characters", [](Station& s, std::string_view v) { return s.SetWebUser(v); },
      [](const Station& s) { return s.WebUser(); }));
  t.push_back(ExtraText(
      "web-password", "at most 31 characters", [](Station& s, std::string_view v) { return s.SetWebPassword(v); },
      [](const Station& s) { return s.WebPassword(); }));
  t.push_back({"daylight-start", "YYYY-MM-DD (empty clears)", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 std::uint32_t d = 0;
                 if (!v.empty() && !ParsePackedDate(v, &d)) return Fail(e, "daylight-start: give YYYY-MM-DD");
                 s.record().daylight_start = d;
                 return true;
               },
               [](const Station& s, const PortMap&) { return IsoDate(s.record().daylight_start); }});
  t.push_back({"daylight-threshold", "W/m2, 0..2000", "W/m2",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 0, 2000, &x)) return Fail(e, "daylight-threshold: give 0..2000 W/m2");
                 s.record().daylight_threshold = static_cast<std::uint16_t>(x);
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().daylight_threshold); }});
  t.push_back(FlagSetting("auto-clear", [](StationRecord& r) -> std::uint8_t& { return r.auto_clear; }));
  t.push_back({"auto-clear-time", "HH:MM, or none", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 int m = 0;
                 if (v == "none") {
                   s.record().auto_clear_time = -1;
                   return true;
                 }
                 if (!ParseHhMm(v, &m)) return Fail(e, "auto-clear-time: give HH:MM (24-hour) or none");
                 s.record().auto_clear_time = static_cast<std::int16_t>(m);
                 return true;
               },
               [](const Station& s, const PortMap&) {
                 const int m = s.record().auto_clear_time;
                 return m < 0 || m >= 1440 ? std::string("none") : HhMm(m);
               }});
  AddWeatherNetworkSettings(t);
  t.push_back(FlagSetting("network-realtime", [](StationRecord& r) -> std::uint8_t& { return r.rt_upload; }));
  t.push_back(FlagSetting("network-archive", [](StationRecord& r) -> std::uint8_t& { return r.archive_upload; }));
  t.push_back({"network-key", "account key of the maker's weather network, 0..4294967295", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 long x = 0;
                 if (!ParseLong(v, 0, 4294967295L, &x)) return Fail(e, "network-key: give 0..4294967295");
                 s.record().account_key = static_cast<std::uint32_t>(x);
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::to_string(s.record().account_key); }});
  t.push_back({"fuel-sort", "name|gallons", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 if (v != "name" && v != "gallons") return Fail(e, "fuel-sort: give name or gallons");
                 s.record().fuel_sort_by_name = v == "name" ? 1 : 0;
                 return true;
               },
               [](const Station& s, const PortMap&) {
                 return std::string(s.record().fuel_sort_by_name ? "name" : "gallons");
               }});
  t.push_back(
      {"fuel-format", "long|short", "",
       [](Station& s, PortMap&, std::string_view v, std::string* e) {
         if (v != "long" && v != "short") return Fail(e, "fuel-format: give long or short");
         s.record().fuel_long_format = v == "long" ? 1 : 0;
         return true;
       },
       [](const Station& s, const PortMap&) { return std::string(s.record().fuel_long_format ? "long" : "short"); }});
  t.push_back({"fuel-only-below", "0|1 (report only customers at or below the threshold)", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 if (v != "0" && v != "1") return Fail(e, "fuel-only-below: give 0 or 1");
                 s.record().fuel_only_below = v == "1" ? 1 : 0;
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::string(s.record().fuel_only_below ? "1" : "0"); }});
  t.push_back(FloatSetting("fuel-threshold", "gallons, 0..100000", "gal", 0, 100000,
                           [](StationRecord& r) -> float& { return r.fuel_threshold; }));
  t.push_back(FlagSetting("fuel-integration", [](StationRecord& r) -> std::uint8_t& { return r.fuel_integration; }));
  t.push_back({"standard-lists", "0|1 (0: default data lists without the standard sensor entries)", "",
               [](Station& s, PortMap&, std::string_view v, std::string* e) {
                 if (v != "0" && v != "1") return Fail(e, "standard-lists: give 0 or 1");
                 s.record().no_standard_lists = v == "0" ? 1 : 0;
                 return true;
               },
               [](const Station& s, const PortMap&) { return std::string(s.record().no_standard_lists ? "0" : "1"); }});
  return t;
}

const std::vector<Setting>& Settings() {
  static const std::vector<Setting> table = BuildSettings();
  return table;
}

const Setting* Find(std::string_view key) {
  // Earlier names of the report's city and state.
  if (key == "city") key = "noaa-city";
  if (key == "state") key = "noaa-state";
  for (const auto& s : Settings()) {
    if (key == s.key) return &s;
  }
  return nullptr;
}

}  // namespace

const std::vector<StationSettingInfo>& StationSettingKeys() {
  static const std::vector<StationSettingInfo> keys = [] {
    std::vector<StationSettingInfo> v;
    for (const auto& s : Settings()) v.push_back({s.key, s.help});
    return v;
  }();
  return keys;
}

int ApplyStationSetting(Station& station, PortMap& ports, std::string_view assignment, std::string* error) {
  const auto eq = assignment.find('=');
  if (eq == std::string_view::npos) {
    if (error) *error = "'" + std::string(assignment) + "': give KEY=VALUE";
    return -1;
  }
  const std::string_view key = assignment.substr(0, eq);
  const std::string_view value = assignment.substr(eq + 1);
  const Setting* s = Find(key);
  if (s == nullptr) {
    if (error) *error = "unknown setting '" + std::string(key) + "' (see 'stratoquill station set --help')";
    return -1;
  }
  // Work on copies so a refused value changes nothing.
  Station copy = station;
  PortMap ports_copy = ports;
  if (!s->set(copy, ports_copy, value, error)) return -1;
  station = copy;
  ports = ports_copy;
  return 0;
}

int ApplyStationSettings(Station& station, PortMap& ports, const std::vector<std::string>& assignments,
                         std::vector<std::string>* errors) {
  Station copy = station;
  PortMap ports_copy = ports;
  std::vector<const std::string*> ordered;
  for (const auto& a : assignments) {
    if (a.rfind("device=", 0) != 0) ordered.push_back(&a);
  }
  for (const auto& a : assignments) {
    if (a.rfind("device=", 0) == 0) ordered.push_back(&a);
  }
  int bad = 0;
  for (const std::string* a : ordered) {
    std::string error;
    if (ApplyStationSetting(copy, ports_copy, *a, &error) != 0) {
      ++bad;
      if (errors) errors->push_back(error);
    }
  }
  if (bad == 0) {
    station = copy;
    ports = ports_copy;
  }
  return bad;
}

std::string StationSettingRaw(const Station& station, const PortMap& ports, std::string_view key) {
  const Setting* s = Find(key);
  return s ? s->get(station, ports) : std::string();
}

std::string StationSettingValue(const Station& station, const PortMap& ports, std::string_view key) {
  const Setting* s = Find(key);
  if (s == nullptr) return {};
  std::string v = s->get(station, ports);
  if (key == "model") v += " (" + StationModelName(station.record().model) + ")";
  if (!v.empty() && *s->unit) v += std::string(" ") + s->unit;
  return v;
}

}  // namespace sq
