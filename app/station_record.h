// The 4096-byte station record. The same bytes are the file "STATION.CFG" in a station
// folder: little-endian, naturally aligned, read and written whole. `StationRecord` is
// a mirror struct of fixed-width fields copied with memcpy; every field's offset is
// pinned below, so a change that moves a byte fails to compile.
//
// Fields named `setting_NNNN` or `reserved_NNNN` are kept as found: other areas of the
// program give them meaning, and a load/save round trip must not change them. Settings
// this program adds live in the zero area from offset 2048 (see app/extra_settings.h).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace sq {

inline constexpr std::size_t kStationRecordSize = 4096;
inline constexpr std::uint16_t kStationRecordKind = 4;
inline constexpr std::uint16_t kStationVersion = 16;

struct StationRecord {
  std::uint16_t kind;                 // 0: record kind, always 4
  std::uint16_t version;              // 2: layout version (16)
  std::uint16_t com_port;             // 4: serial port number, COM1 = 1
  std::uint16_t baud;                 // 6: line speed
  std::uint8_t modem_in_use;          // 8
  std::uint8_t modem_option;          // 9
  std::uint8_t runtime_10;            // 10: run-time, cleared on load
  std::uint8_t modem_wait;            // 11: 0..127
  char modem_dial[80];                // 12
  char modem_init[80];                // 92
  std::uint16_t console_family;       // 172: 3 current family, 0 older ones
  std::uint16_t timeout_minutes;      // 174: 1..1999
  std::uint16_t model;                // 176: station model code 0..7
  std::uint8_t setting_178;           // 178
  char name[64];                      // 179
  char folder[261];                   // 243: the folder the file was read from
  std::uint32_t sensors[2];           // 504, 508: sensor mask words
  std::int16_t lat_dms[3];            // 512: degrees (-500 = not set), minutes, seconds
  std::int16_t lon_dms[3];            // 518
  float latitude;                     // 524: decimal degrees, south negative
  float longitude;                    // 528: decimal degrees, west negative
  std::int16_t elevation_ft;          // 532
  std::uint8_t southern;              // 534: southern hemisphere
  std::uint8_t sunrise_535;           // 535
  std::uint8_t logger_536;            // 536
  std::uint8_t reserved_537;          // 537
  std::uint16_t logger_538;           // 538: also used by the sunrise table
  float timezone_hours;               // 540: offset from UTC
  std::uint8_t reserved_544[8];       // 544
  char rain_text[16];                 // 552: rain collector text
  float rain_tip_in;                  // 568: one tip in inches
  std::uint8_t reserved_572[2];       // 572
  std::uint8_t rain_type;             // 574: rain collector type 0..6
  std::uint8_t logger_upload_575;     // 575
  std::uint8_t reserved_576[192];     // 576
  float degday_base[2];               // 768, 772: report heating / cooling degree-day base, F (65)
  char city[40];                      // 776: report city
  char state[40];                     // 816: report state (at most 30 characters)
  char elevation_text[16];            // 856: not read (the report prints the station elevation)
  float normal_temp[12];              // 872: normal mean temperature per month, F; -32768.0 = not set
  float normal_rain[12];              // 920: normal rain per month, in; negative = not set (-32768, or -1 once cleared)
  char latitude_text[16];             // 968: report latitude as printed (at most 15 characters)
  char longitude_text[16];            // 984: report longitude as printed (at most 15 characters)
  std::uint8_t noaa_1000;             // 1000: report means and degree days by integration (1)
  std::uint8_t reserved_1001;         // 1001
  std::uint8_t auto_clear;            // 1002: automatic archive clearing (older consoles)
  std::uint8_t reserved_1003;         // 1003
  std::uint16_t setting_1004;         // 1004
  std::int16_t auto_clear_time;       // 1006: minutes after midnight, -1 none
  std::uint8_t reserved_1008[104];    // 1008
  std::uint32_t last_clear_date;      // 1112: packed date
  std::uint8_t reserved_1116[20];     // 1116
  std::uint32_t runtime_1136[4];      // 1136..1151: run-time handles, cleared on load
  std::uint8_t reserved_1152[136];    // 1152
  std::uint16_t setting_1288;         // 1288
  std::uint8_t reserved_1290[10];     // 1290
  std::uint16_t setting_1300;         // 1300
  std::uint8_t reserved_1302[12];     // 1302
  std::uint16_t setting_1314;         // 1314
  std::uint16_t setting_1316;         // 1316
  std::uint8_t reserved_1318[2];      // 1318
  float setting_1320;                 // 1320
  std::uint8_t reserved_1324[4];      // 1324
  std::uint32_t daylight_start;       // 1328: packed start date of the daylight-hours report
  std::uint16_t daylight_threshold;   // 1332: W/m2
  std::uint8_t fuel_sort_by_name;     // 1334
  std::uint8_t fuel_long_format;      // 1335
  std::uint32_t fuel_only_below;      // 1336
  float fuel_threshold;               // 1340: gallons
  std::uint8_t reserved_1344[7];      // 1344
  std::uint8_t fuel_integration;      // 1351
  float fuel_base;                    // 1352: F, 0..127
  std::uint8_t setting_1356[3];       // 1356..1358
  char cwop_id[20];                   // 1359
  char cwop_server[30];               // 1379
  char cwop_suffix[31];               // 1409
  std::uint32_t cwop_port;            // 1440
  std::uint8_t cwop_options[3];       // 1444
  std::uint8_t reserved_1447;         // 1447
  std::int16_t array_1448[15];        // 1448
  std::int16_t array_1478[8];         // 1478
  std::uint8_t reserved_1494[2];      // 1494
  float uv_factor;                    // 1496
  std::uint8_t manual_dst;            // 1500
  std::uint8_t sunrise_1501;          // 1501
  std::uint8_t setting_1502[4];       // 1502
  std::uint8_t reserved_1506[4];      // 1506
  std::uint16_t setting_1510;         // 1510
  std::int32_t wu_last_date;          // 1512
  std::int16_t wu_last_time;          // 1516
  char wu_id[21];                     // 1518
  char wu_password[65];               // 1539
  std::uint8_t wu_catchup;            // 1604
  std::uint8_t setting_1605[2];       // 1605
  std::uint8_t sunrise_1607;          // 1607
  std::uint32_t setting_1608;         // 1608
  std::uint16_t setting_1612;         // 1612
  std::uint16_t setting_1614;         // 1614
  std::int32_t setting_1616;          // 1616
  char copied_text[2][20];            // 1620, 1640
  std::uint32_t setting_1660;         // 1660
  std::uint8_t reserved_1664[16];     // 1664
  std::uint8_t setting_1680[2];       // 1680
  std::uint16_t setting_1682;         // 1682
  std::uint16_t setting_1684;         // 1684
  std::uint8_t setting_1686[4];       // 1686
  std::uint8_t reserved_1690[2];      // 1690
  std::uint32_t transport_option;     // 1692
  std::uint16_t connection_type;      // 1696: 0 none, 1 serial, 2 USB, 3 TCP
  char tcp_port[6];                   // 1698: decimal text
  char logger_text[4][50];            // 1704, 1754, 1804, 1854: MAC text, host, two more
  std::uint8_t setting_1904;          // 1904
  std::uint8_t setting_1905[5];       // 1905
  std::uint8_t logger_option;         // 1910: non-zero = host address fixed (no discovery)
  std::uint8_t no_standard_lists;     // 1911
  std::uint8_t mac[6];                // 1912
  std::uint8_t reserved_1918[2];      // 1918
  std::uint32_t account_key;          // 1920
  std::uint8_t rt_upload;             // 1924
  std::uint8_t archive_upload;        // 1925
  std::uint8_t runtime_1926[2];       // 1926
  std::uint8_t runtime_1928;          // 1928: 0xFF after load
  std::uint8_t reserved_1929[3];      // 1929
  std::uint8_t runtime_1932;          // 1932
  std::uint8_t reserved_1933[115];    // 1933
  std::uint8_t extra[2048];           // 2048..4095: settings added by this program
};

static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(StationRecord) == kStationRecordSize);
static_assert(std::is_trivially_copyable_v<StationRecord> && std::is_standard_layout_v<StationRecord>);
static_assert(offsetof(StationRecord, kind) == 0);
static_assert(offsetof(StationRecord, version) == 2);
static_assert(offsetof(StationRecord, com_port) == 4);
static_assert(offsetof(StationRecord, baud) == 6);
static_assert(offsetof(StationRecord, modem_in_use) == 8);
static_assert(offsetof(StationRecord, modem_option) == 9);
static_assert(offsetof(StationRecord, runtime_10) == 10);
static_assert(offsetof(StationRecord, modem_wait) == 11);
static_assert(offsetof(StationRecord, modem_dial) == 12);
static_assert(offsetof(StationRecord, modem_init) == 92);
static_assert(offsetof(StationRecord, console_family) == 172);
static_assert(offsetof(StationRecord, timeout_minutes) == 174);
static_assert(offsetof(StationRecord, model) == 176);
static_assert(offsetof(StationRecord, setting_178) == 178);
static_assert(offsetof(StationRecord, name) == 179);
static_assert(offsetof(StationRecord, folder) == 243);
static_assert(offsetof(StationRecord, sensors) == 504);
static_assert(offsetof(StationRecord, lat_dms) == 512);
static_assert(offsetof(StationRecord, lon_dms) == 518);
static_assert(offsetof(StationRecord, latitude) == 524);
static_assert(offsetof(StationRecord, longitude) == 528);
static_assert(offsetof(StationRecord, elevation_ft) == 532);
static_assert(offsetof(StationRecord, southern) == 534);
static_assert(offsetof(StationRecord, sunrise_535) == 535);
static_assert(offsetof(StationRecord, logger_536) == 536);
static_assert(offsetof(StationRecord, logger_538) == 538);
static_assert(offsetof(StationRecord, timezone_hours) == 540);
static_assert(offsetof(StationRecord, rain_text) == 552);
static_assert(offsetof(StationRecord, rain_tip_in) == 568);
static_assert(offsetof(StationRecord, rain_type) == 574);
static_assert(offsetof(StationRecord, logger_upload_575) == 575);
static_assert(offsetof(StationRecord, degday_base) == 768);
static_assert(offsetof(StationRecord, city) == 776);
static_assert(offsetof(StationRecord, state) == 816);
static_assert(offsetof(StationRecord, elevation_text) == 856);
static_assert(offsetof(StationRecord, normal_temp) == 872);
static_assert(offsetof(StationRecord, normal_rain) == 920);
static_assert(offsetof(StationRecord, latitude_text) == 968);
static_assert(offsetof(StationRecord, longitude_text) == 984);
static_assert(offsetof(StationRecord, noaa_1000) == 1000);
static_assert(offsetof(StationRecord, auto_clear) == 1002);
static_assert(offsetof(StationRecord, setting_1004) == 1004);
static_assert(offsetof(StationRecord, auto_clear_time) == 1006);
static_assert(offsetof(StationRecord, last_clear_date) == 1112);
static_assert(offsetof(StationRecord, runtime_1136) == 1136);
static_assert(offsetof(StationRecord, setting_1288) == 1288);
static_assert(offsetof(StationRecord, setting_1300) == 1300);
static_assert(offsetof(StationRecord, setting_1314) == 1314);
static_assert(offsetof(StationRecord, setting_1316) == 1316);
static_assert(offsetof(StationRecord, setting_1320) == 1320);
static_assert(offsetof(StationRecord, daylight_start) == 1328);
static_assert(offsetof(StationRecord, daylight_threshold) == 1332);
static_assert(offsetof(StationRecord, fuel_sort_by_name) == 1334);
static_assert(offsetof(StationRecord, fuel_long_format) == 1335);
static_assert(offsetof(StationRecord, fuel_only_below) == 1336);
static_assert(offsetof(StationRecord, fuel_threshold) == 1340);
static_assert(offsetof(StationRecord, fuel_integration) == 1351);
static_assert(offsetof(StationRecord, fuel_base) == 1352);
static_assert(offsetof(StationRecord, setting_1356) == 1356);
static_assert(offsetof(StationRecord, cwop_id) == 1359);
static_assert(offsetof(StationRecord, cwop_server) == 1379);
static_assert(offsetof(StationRecord, cwop_suffix) == 1409);
static_assert(offsetof(StationRecord, cwop_port) == 1440);
static_assert(offsetof(StationRecord, cwop_options) == 1444);
static_assert(offsetof(StationRecord, array_1448) == 1448);
static_assert(offsetof(StationRecord, array_1478) == 1478);
static_assert(offsetof(StationRecord, uv_factor) == 1496);
static_assert(offsetof(StationRecord, manual_dst) == 1500);
static_assert(offsetof(StationRecord, sunrise_1501) == 1501);
static_assert(offsetof(StationRecord, setting_1502) == 1502);
static_assert(offsetof(StationRecord, setting_1510) == 1510);
static_assert(offsetof(StationRecord, wu_last_date) == 1512);
static_assert(offsetof(StationRecord, wu_last_time) == 1516);
static_assert(offsetof(StationRecord, wu_id) == 1518);
static_assert(offsetof(StationRecord, wu_password) == 1539);
static_assert(offsetof(StationRecord, wu_catchup) == 1604);
static_assert(offsetof(StationRecord, setting_1605) == 1605);
static_assert(offsetof(StationRecord, sunrise_1607) == 1607);
static_assert(offsetof(StationRecord, setting_1608) == 1608);
static_assert(offsetof(StationRecord, setting_1612) == 1612);
static_assert(offsetof(StationRecord, setting_1614) == 1614);
static_assert(offsetof(StationRecord, setting_1616) == 1616);
static_assert(offsetof(StationRecord, copied_text) == 1620);
static_assert(offsetof(StationRecord, setting_1660) == 1660);
static_assert(offsetof(StationRecord, setting_1680) == 1680);
static_assert(offsetof(StationRecord, setting_1682) == 1682);
static_assert(offsetof(StationRecord, setting_1684) == 1684);
static_assert(offsetof(StationRecord, setting_1686) == 1686);
static_assert(offsetof(StationRecord, transport_option) == 1692);
static_assert(offsetof(StationRecord, connection_type) == 1696);
static_assert(offsetof(StationRecord, tcp_port) == 1698);
static_assert(offsetof(StationRecord, logger_text) == 1704);
static_assert(offsetof(StationRecord, setting_1904) == 1904);
static_assert(offsetof(StationRecord, setting_1905) == 1905);
static_assert(offsetof(StationRecord, logger_option) == 1910);
static_assert(offsetof(StationRecord, no_standard_lists) == 1911);
static_assert(offsetof(StationRecord, mac) == 1912);
static_assert(offsetof(StationRecord, account_key) == 1920);
static_assert(offsetof(StationRecord, rt_upload) == 1924);
static_assert(offsetof(StationRecord, archive_upload) == 1925);
static_assert(offsetof(StationRecord, runtime_1926) == 1926);
static_assert(offsetof(StationRecord, runtime_1928) == 1928);
static_assert(offsetof(StationRecord, runtime_1932) == 1932);
static_assert(offsetof(StationRecord, extra) == 2048);

}  // namespace sq
