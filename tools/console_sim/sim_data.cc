#include "tools/console_sim/sim_data.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <utility>

#include "link/crc16.h"

namespace sq::sim {
namespace {

void Put16(std::uint8_t* p, int v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// Days since 1970-01-01 of a civil date and back.
long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

}  // namespace

std::uint16_t RecordDate(const Record& r) { return static_cast<std::uint16_t>(r[0] | (r[1] << 8)); }
std::uint16_t RecordTime(const Record& r) { return static_cast<std::uint16_t>(r[2] | (r[3] << 8)); }

std::vector<Record> MakeArchive(const ArchiveOptions& o) {
  std::vector<Record> out;
  const int count = std::max(0, std::min<int>(o.records, static_cast<int>(kArchiveCapacity)));
  const long day0 = DaysFromCivil(o.start_year, o.start_month, o.start_day);
  const int period = o.period_minutes > 0 ? o.period_minutes : 30;
  for (int i = 0; i < count; ++i) {
    const long minutes = static_cast<long>(i + 1) * period;
    int y = 0, m = 0, d = 0;
    CivilFromDays(day0 + minutes / 1440, y, m, d);
    const int minute_of_day = static_cast<int>(minutes % 1440);
    const int hour = minute_of_day / 60, minute = minute_of_day % 60;
    const double phase = (minute_of_day / 1440.0 - 0.375) * 2 * M_PI;  // warmest mid-afternoon
    Record r;
    r.fill(0xFF);
    Put16(&r[0], d | (m << 5) | ((y - 2000) << 9));
    Put16(&r[2], hour * 100 + minute);
    const int out_temp = static_cast<int>(620 + 120 * std::sin(phase) + (i % 7));
    Put16(&r[4], out_temp);
    Put16(&r[6], out_temp + 8);
    Put16(&r[8], out_temp - 6);
    Put16(&r[10], (i % 13 == 0) ? 2 : 0);   // rain clicks
    Put16(&r[12], (i % 13 == 0) ? 40 : 0);  // high rain rate
    Put16(&r[14], 29920 + static_cast<int>(60 * std::cos(i / 40.0)));
    const bool daylight = hour >= 6 && hour < 20;
    Put16(&r[16],
          o.missing_solar ? 0x7FFF : (daylight ? static_cast<int>(600 * std::sin((hour - 6) / 14.0 * M_PI)) : 0));
    Put16(&r[18], period * 24);  // wind samples
    Put16(&r[20], 705 + (i % 5));
    r[22] = 42;
    r[23] = static_cast<std::uint8_t>(70 - 20 * std::sin(phase));
    r[24] = static_cast<std::uint8_t>(4 + i % 6);
    r[25] = static_cast<std::uint8_t>(12 + i % 9);
    r[26] = static_cast<std::uint8_t>(i % 16);
    r[27] = static_cast<std::uint8_t>((i / 3) % 16);
    r[28] = o.missing_solar ? 0xFF : static_cast<std::uint8_t>(daylight ? 30 : 0);
    r[29] = static_cast<std::uint8_t>(daylight ? 3 : 0);
    if (o.layout == 'a') {
      // Soil moistures 31..34, soil temperatures 35..38, leaf wetnesses 39..42,
      // extra temperatures 43..44, extra humidities 45..46: one soil station.
      r[31] = 25;
      r[35] = 150;  // 60 °F + 90
    } else {
      if (!o.missing_solar) Put16(&r[30], daylight ? 650 : 0);  // high solar
      r[32] = o.missing_solar ? 0xFF : static_cast<std::uint8_t>(daylight ? 35 : 0);
      r[33] = static_cast<std::uint8_t>(i % 196);  // forecast rule
      r[38] = 150;                                 // soil temperature 1
      r[42] = 0;                                   // marks the newer layout
      r[43] = 55;                                  // extra humidity 1
      r[45] = 160;                                 // extra temperature 1
      r[48] = 25;                                  // soil moisture 1
    }
    out.push_back(r);
  }
  return out;
}

std::array<std::uint8_t, kPacketSize> MakeLoopPacket(int n) {
  std::array<std::uint8_t, kPacketSize> p;
  p.fill(0xFF);
  p[0] = 'L';
  p[1] = 'O';
  p[2] = 'O';
  p[3] = 0;  // steady barometer
  p[4] = 0;  // LOOP
  Put16(&p[5], 0);
  Put16(&p[7], 29920 + n % 10);
  Put16(&p[9], 705);
  p[11] = 42;
  Put16(&p[12], 655 + n % 20);
  p[14] = static_cast<std::uint8_t>(5 + n % 4);
  p[15] = 5;
  Put16(&p[16], 225);
  p[18] = 160;  // extra temperature 1: 70 °F
  p[25] = 150;  // soil temperature 1
  p[33] = 68;
  p[34] = 55;
  Put16(&p[41], 0);
  p[43] = 30;
  Put16(&p[44], 420);
  Put16(&p[46], 0);
  Put16(&p[48], 0xFFFF);
  Put16(&p[50], 12);
  Put16(&p[52], 150);
  Put16(&p[54], 1234);
  Put16(&p[56], 8);
  Put16(&p[58], 120);
  Put16(&p[60], 900);
  p[62] = 25;
  for (int i = 70; i <= 85; ++i) p[i] = 0;
  p[86] = 0;
  Put16(&p[87], 780);
  p[89] = 6;
  p[90] = 44;
  Put16(&p[91], 545);
  Put16(&p[93], 2031);
  p[95] = '\n';
  p[96] = '\r';
  Crc16Append(p.data(), 97);
  return p;
}

std::array<std::uint8_t, kPacketSize> MakeLoop2Packet(int n) {
  std::array<std::uint8_t, kPacketSize> p;
  p.fill(0xFF);
  p[0] = 'L';
  p[1] = 'O';
  p[2] = 'O';
  p[3] = 0;
  p[4] = 1;  // LOOP2
  Put16(&p[5], 0x7FFF);
  Put16(&p[7], 29920 + n % 10);
  Put16(&p[9], 705);
  p[11] = 42;
  Put16(&p[12], 655 + n % 20);
  p[14] = 5;
  Put16(&p[16], 225);
  Put16(&p[18], 45);  // 10-minute average wind, tenths
  Put16(&p[20], 50);  // value at 20
  Put16(&p[22], 12);  // value at 22
  Put16(&p[24], 225);
  Put16(&p[30], 580);  // dew point
  p[33] = 68;
  Put16(&p[54], 29920);  // value at 54
  Put16(&p[58], 30);     // value at 58
  Put16(&p[69], 29850);  // value at 69
  p[95] = '\n';
  p[96] = '\r';
  Crc16Append(p.data(), 97);
  return p;
}

// Highs and lows a real console could hold on a summer day, in the console's units
// (tenths of °F inside and outside, whole °F for the derived temperatures, thousandths
// of inHg, mph, clicks per hour, tenths of UV; times hour × 100 + minute). The extra,
// soil and leaf sensors are absent (all bits set), as on a console without them.
std::array<std::uint8_t, kHiLowsSize + 2> MakeHiLows() {
  std::array<std::uint8_t, kHiLowsSize + 2> b{};
  std::fill(b.begin() + 126, b.begin() + kHiLowsSize, std::uint8_t{0xFF});
  auto put16 = [&b](std::size_t at, int v) { Put16(&b[at], static_cast<std::uint16_t>(v)); };
  // Barometer: day low/high, month low/high, year low/high, times of the day's low/high.
  for (const auto& [at, v] :
       {std::pair{0, 29850}, {2, 29980}, {4, 29610}, {6, 30210}, {8, 29240}, {10, 30540}, {12, 415}, {14, 1020}})
    put16(at, v);
  b[16] = 18;  // wind: day high, its time, month and year highs
  put16(17, 1342);
  b[19] = 31;
  b[20] = 47;
  // Inside temperature: day high/low and times, month low/high, year low/high.
  for (const auto& [at, v] :
       {std::pair{21, 728}, {23, 689}, {25, 1605}, {27, 612}, {29, 655}, {31, 781}, {33, 598}, {35, 802}})
    put16(at, v);
  b[37] = 48;  // inside humidity: day high/low and times, month and year high/low
  b[38] = 37;
  put16(39, 640);
  put16(41, 1530);
  b[43] = 55;
  b[44] = 31;
  b[45] = 62;
  b[46] = 22;
  // Outside temperature: day low/high and times, month high/low, year high/low.
  for (const auto& [at, v] :
       {std::pair{47, 581}, {49, 712}, {51, 542}, {53, 1410}, {55, 889}, {57, 472}, {59, 984}, {61, -32}})
    put16(at, v);
  // Dew point, wind chill, heat index and THSW index (whole °F) with their times.
  for (const auto& [at, v] : {std::pair{63, 52}, {65, 60},  {67, 605}, {69, 1250}, {71, 68},  {73, 41},  {75, 74},
                              {77, -12},         {79, 55},  {81, 540}, {83, 38},   {85, -21}, {87, 73},  {89, 1415},
                              {91, 94},          {93, 106}, {95, 78},  {97, 1320}, {99, 101}, {101, 112}})
    put16(at, v);
  // Solar radiation, UV and rain rate.
  for (const auto& [at, v] : {std::pair{103, 812}, {105, 1245}, {107, 1021}, {109, 1187}}) put16(at, v);
  b[111] = 62;
  put16(112, 1300);
  b[114] = 91;
  b[115] = 112;
  for (const auto& [at, v] : {std::pair{116, 24}, {118, 1705}, {120, 12}, {122, 310}, {124, 688}}) put16(at, v);
  // The outside humidity is the first of the humidity slots.
  b[276] = 54;  // day low
  b[284] = 89;  // day high
  put16(292, 1420);
  put16(308, 530);
  b[324] = 97;   // month high
  b[332] = 28;   // month low
  b[340] = 100;  // year high
  b[348] = 12;   // year low
  Crc16Append(b.data(), kHiLowsSize);
  return b;
}

std::array<std::uint8_t, kCalibratedSize> MakeCalibratedValues() {
  std::array<std::uint8_t, kCalibratedSize> b{};
  Put16(&b[0], 705);                                          // inside temperature
  Put16(&b[2], 655);                                          // outside temperature
  for (int i = 0; i < 15; ++i) Put16(&b[4 + 2 * i], 0x7FFF);  // no further sensors
  Put16(&b[4], 700);                                          // extra temperature 1
  b[34] = 42;                                                 // inside humidity
  b[35] = 68;                                                 // outside humidity
  for (int i = 36; i < 43; ++i) b[i] = 0xFF;
  return b;
}

std::vector<std::uint8_t> MakeEeprom(int period_minutes) {
  std::vector<std::uint8_t> e(kEepromSize, 0);
  Put16(&e[0x0B], 415);   // latitude 41.5 N
  Put16(&e[0x0D], -875);  // longitude 87.5 W
  Put16(&e[0x0F], 0);
  e[0x11] = 7;  // time zone index
  e[0x12] = 0;  // automatic daylight saving
  Put16(&e[0x14], -600);
  e[0x19] = 0x10;                                                 // transmitter 1: type 0, code 1
  for (int id = 2; id <= 8; ++id) e[0x19 + 2 * (id - 1)] = 0x19;  // no transmitter
  e[0x29] = 0x00;
  e[0x2A] = 0xFF;
  e[0x2B] = 0x08;  // large wind cups, 0.01 in rain collector
  e[0x2D] = static_cast<std::uint8_t>(period_minutes);
  e[0x33] = 0xFF;  // calibration: check byte of the inside offset 0 at 0x32
  Put16(&e[0x4D], 0);
  for (int i = 0; i < 94; ++i) e[0x52 + i] = 0xFF;  // alarms off
  e[0xC3] = 2;
  return e;
}

void AddSeconds(std::uint8_t c[6], long seconds) {
  long total = c[0] + 60L * c[1] + 3600L * c[2] + seconds;
  long days = DaysFromCivil(c[5] + 1900, c[4], c[3]);
  days += total / 86400;
  total %= 86400;
  int y = 0, m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  c[0] = static_cast<std::uint8_t>(total % 60);
  c[1] = static_cast<std::uint8_t>(total / 60 % 60);
  c[2] = static_cast<std::uint8_t>(total / 3600);
  c[3] = static_cast<std::uint8_t>(d);
  c[4] = static_cast<std::uint8_t>(m);
  c[5] = static_cast<std::uint8_t>(std::clamp(y - 1900, 0, 255));
}

void ClockOfRecord(const Record& r, std::uint8_t c[6]) {
  const int date = RecordDate(r), time = RecordTime(r);
  c[0] = 0;
  c[1] = static_cast<std::uint8_t>(time % 100);
  c[2] = static_cast<std::uint8_t>(time / 100);
  c[3] = static_cast<std::uint8_t>(date & 0x1F);
  c[4] = static_cast<std::uint8_t>((date >> 5) & 0x0F);
  c[5] = static_cast<std::uint8_t>((date >> 9) + 100);
}

void AppendCrc(std::vector<std::uint8_t>& out, std::size_t from) {
  const std::uint16_t crc = Crc16({out.data() + from, out.size() - from});
  out.push_back(static_cast<std::uint8_t>(crc >> 8));
  out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
}

}  // namespace sq::sim
