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
  std::uint16_t kind;                // 0: record kind, always 4
  std::uint16_t version;             // 2: layout version (16)
  std::uint16_t com_port;            // 4: serial port number, COM1 = 1
  std::uint16_t baud;                // 6: line speed
  std::uint8_t modem_in_use;         // 8
  std::uint8_t modem_option;         // 9
  std::uint8_t runtime_10;           // 10: run-time, cleared on load
  std::uint8_t modem_wait;           // 11: 0..127
  char modem_dial[80];               // 12
  char modem_init[80];               // 92
  std::uint16_t console_family;      // 172: 3 current family, 0 older ones
  std::uint16_t timeout_minutes;     // 174: 1..1999
  std::uint16_t model;               // 176: station model code 0..7
  std::uint8_t setting_178;          // 178
  char name[64];                     // 179
  char folder[261];                  // 243: the folder the file was read from
  std::uint32_t sensors[2];          // 504, 508: sensor mask words
  std::int16_t lat_dms[3];           // 512: degrees (-500 = not set), minutes, seconds
  std::int16_t lon_dms[3];           // 518
  float latitude;                    // 524: decimal degrees, south negative
  float longitude;                   // 528: decimal degrees, west negative
  std::int16_t elevation_ft;         // 532
  std::uint8_t southern;             // 534: southern hemisphere
  std::uint8_t sunrise_535;          // 535
  std::uint8_t logger_536;           // 536
  std::uint8_t reserved_537;         // 537
  std::uint16_t logger_538;          // 538: also used by the sunrise table
  float timezone_hours;              // 540: offset from UTC
  std::uint8_t reserved_544[8];      // 544
  char rain_text[16];                // 552: rain collector text
  float rain_tip_in;                 // 568: one tip in inches
  std::uint8_t reserved_572[2];      // 572
  std::uint8_t rain_type;            // 574: rain collector type 0..6
  std::uint8_t logger_upload_575;    // 575
  std::uint8_t reserved_576[192];    // 576
  float degday_base[2];              // 768, 772: report heating / cooling degree-day base, F (65)
  char city[40];                     // 776: report city
  char state[40];                    // 816: report state (at most 30 characters)
  char elevation_text[16];           // 856: not read (the report prints the station elevation)
  float normal_temp[12];             // 872: normal mean temperature per month, F; -32768.0 = not set
  float normal_rain[12];             // 920: normal rain per month, in; negative = not set (-32768, or -1 once cleared)
  char latitude_text[16];            // 968: report latitude as printed (at most 15 characters)
  char longitude_text[16];           // 984: report longitude as printed (at most 15 characters)
  std::uint8_t noaa_1000;            // 1000: report means and degree days by integration (1)
  std::uint8_t reserved_1001;        // 1001
  std::uint8_t auto_clear;           // 1002: automatic archive clearing (older consoles)
  std::uint8_t reserved_1003;        // 1003
  std::uint16_t setting_1004;        // 1004
  std::int16_t auto_clear_time;      // 1006: minutes after midnight, -1 none
  std::uint8_t reserved_1008[104];   // 1008
  std::uint32_t last_clear_date;     // 1112: packed date
  std::uint8_t reserved_1116[20];    // 1116
  std::uint32_t runtime_1136[4];     // 1136..1151: run-time handles, cleared on load
  std::uint8_t reserved_1152[136];   // 1152
  std::uint16_t setting_1288;        // 1288
  std::uint8_t reserved_1290[10];    // 1290
  std::uint16_t setting_1300;        // 1300
  std::uint8_t reserved_1302[12];    // 1302
  std::uint16_t setting_1314;        // 1314
  std::uint16_t setting_1316;        // 1316
  std::uint8_t reserved_1318[2];     // 1318
  float setting_1320;                // 1320
  std::uint8_t reserved_1324[4];     // 1324
  std::uint32_t daylight_start;      // 1328: packed start date of the daylight-hours report
  std::uint16_t daylight_threshold;  // 1332: W/m2
  std::uint8_t fuel_sort_by_name;    // 1334
  std::uint8_t fuel_long_format;     // 1335
  std::uint32_t fuel_only_below;     // 1336
  float fuel_threshold;              // 1340: gallons
  std::uint8_t reserved_1344[7];     // 1344
  std::uint8_t fuel_integration;     // 1351
  float fuel_base;                   // 1352: F, 0..127
  std::uint8_t setting_1356[3];      // 1356..1358
  char cwop_id[20];                  // 1359
  char cwop_server[30];              // 1379
  char cwop_suffix[31];              // 1409
  std::uint32_t cwop_port;           // 1440
  std::uint8_t cwop_options[3];      // 1444
  std::uint8_t reserved_1447;        // 1447
  std::int16_t array_1448[15];       // 1448
  std::int16_t array_1478[8];        // 1478
  std::uint8_t reserved_1494[2];     // 1494
  float uv_factor;                   // 1496
  std::uint8_t manual_dst;           // 1500
  std::uint8_t sunrise_1501;         // 1501
  std::uint8_t setting_1502[4];      // 1502
  std::uint8_t reserved_1506[4];     // 1506
  std::uint16_t setting_1510;        // 1510
  std::int32_t wu_last_date;         // 1512
  std::int16_t wu_last_time;         // 1516
  char wu_id[21];                    // 1518
  char wu_password[65];              // 1539
  std::uint8_t wu_catchup;           // 1604
  std::uint8_t setting_1605[2];      // 1605
  std::uint8_t sunrise_1607;         // 1607
  std::uint32_t setting_1608;        // 1608
  std::uint16_t setting_1612;        // 1612
  std::uint16_t setting_1614;        // 1614
  std::int32_t setting_1616;         // 1616
  char copied_text[2][20];           // 1620, 1640
  std::uint32_t setting_1660;        // 1660
  std::uint8_t reserved_1664[16];    // 1664
  std::uint8_t setting_1680[2];      // 1680
  std::uint16_t setting_1682;        // 1682
  std::uint16_t setting_1684;        // 1684
  std::uint8_t setting_1686[4];      // 1686
  std::uint8_t reserved_1690[2];     // 1690
  std::uint32_t transport_option;    // 1692
  std::uint16_t connection_type;     // 1696: 0 none, 1 serial, 2 USB, 3 TCP
  char tcp_port[6];                  // 1698: decimal text
  char logger_text[4][50];           // 1704, 1754, 1804, 1854: MAC text, host, two more
  std::uint8_t setting_1904;         // 1904
  std::uint8_t setting_1905[5];      // 1905
  std::uint8_t logger_option;        // 1910: non-zero = host address fixed (no discovery)
  std::uint8_t no_standard_lists;    // 1911
  std::uint8_t mac[6];               // 1912
  std::uint8_t reserved_1918[2];     // 1918
  std::uint32_t account_key;         // 1920
  std::uint8_t rt_upload;            // 1924
  std::uint8_t archive_upload;       // 1925
  std::uint8_t runtime_1926[2];      // 1926
  std::uint8_t runtime_1928;         // 1928: 0xFF after load
  std::uint8_t reserved_1929[3];     // 1929
  std::uint8_t runtime_1932;         // 1932
  std::uint8_t reserved_1933[115];   // 1933
  std::uint8_t extra[2048];          // 2048..4095: settings added by this program
};

static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(StationRecord) == kStationRecordSize);
static_assert(std::is_trivially_copyable_v<StationRecord> && std::is_standard_layout_v<StationRecord>);

// Every named field and its offset. The offsets are checked below; the list also tells
// where one field ends and the next begins (see MergeStationRecord).
#define SQ_STATION_FIELDS(X)  \
  X(kind, 0)                  \
  X(version, 2)               \
  X(com_port, 4)              \
  X(baud, 6)                  \
  X(modem_in_use, 8)          \
  X(modem_option, 9)          \
  X(runtime_10, 10)           \
  X(modem_wait, 11)           \
  X(modem_dial, 12)           \
  X(modem_init, 92)           \
  X(console_family, 172)      \
  X(timeout_minutes, 174)     \
  X(model, 176)               \
  X(setting_178, 178)         \
  X(name, 179)                \
  X(folder, 243)              \
  X(sensors, 504)             \
  X(lat_dms, 512)             \
  X(lon_dms, 518)             \
  X(latitude, 524)            \
  X(longitude, 528)           \
  X(elevation_ft, 532)        \
  X(southern, 534)            \
  X(sunrise_535, 535)         \
  X(logger_536, 536)          \
  X(logger_538, 538)          \
  X(timezone_hours, 540)      \
  X(rain_text, 552)           \
  X(rain_tip_in, 568)         \
  X(rain_type, 574)           \
  X(logger_upload_575, 575)   \
  X(degday_base, 768)         \
  X(city, 776)                \
  X(state, 816)               \
  X(elevation_text, 856)      \
  X(normal_temp, 872)         \
  X(normal_rain, 920)         \
  X(latitude_text, 968)       \
  X(longitude_text, 984)      \
  X(noaa_1000, 1000)          \
  X(auto_clear, 1002)         \
  X(setting_1004, 1004)       \
  X(auto_clear_time, 1006)    \
  X(last_clear_date, 1112)    \
  X(runtime_1136, 1136)       \
  X(setting_1288, 1288)       \
  X(setting_1300, 1300)       \
  X(setting_1314, 1314)       \
  X(setting_1316, 1316)       \
  X(setting_1320, 1320)       \
  X(daylight_start, 1328)     \
  X(daylight_threshold, 1332) \
  X(fuel_sort_by_name, 1334)  \
  X(fuel_long_format, 1335)   \
  X(fuel_only_below, 1336)    \
  X(fuel_threshold, 1340)     \
  X(fuel_integration, 1351)   \
  X(fuel_base, 1352)          \
  X(setting_1356, 1356)       \
  X(cwop_id, 1359)            \
  X(cwop_server, 1379)        \
  X(cwop_suffix, 1409)        \
  X(cwop_port, 1440)          \
  X(cwop_options, 1444)       \
  X(array_1448, 1448)         \
  X(array_1478, 1478)         \
  X(uv_factor, 1496)          \
  X(manual_dst, 1500)         \
  X(sunrise_1501, 1501)       \
  X(setting_1502, 1502)       \
  X(setting_1510, 1510)       \
  X(wu_last_date, 1512)       \
  X(wu_last_time, 1516)       \
  X(wu_id, 1518)              \
  X(wu_password, 1539)        \
  X(wu_catchup, 1604)         \
  X(setting_1605, 1605)       \
  X(sunrise_1607, 1607)       \
  X(setting_1608, 1608)       \
  X(setting_1612, 1612)       \
  X(setting_1614, 1614)       \
  X(setting_1616, 1616)       \
  X(copied_text, 1620)        \
  X(setting_1660, 1660)       \
  X(setting_1680, 1680)       \
  X(setting_1682, 1682)       \
  X(setting_1684, 1684)       \
  X(setting_1686, 1686)       \
  X(transport_option, 1692)   \
  X(connection_type, 1696)    \
  X(tcp_port, 1698)           \
  X(logger_text, 1704)        \
  X(setting_1904, 1904)       \
  X(setting_1905, 1905)       \
  X(logger_option, 1910)      \
  X(no_standard_lists, 1911)  \
  X(mac, 1912)                \
  X(account_key, 1920)        \
  X(rt_upload, 1924)          \
  X(archive_upload, 1925)     \
  X(runtime_1926, 1926)       \
  X(runtime_1928, 1928)       \
  X(runtime_1932, 1932)       \
  X(extra, 2048)

#define SQ_CHECK_STATION_FIELD(field, offset) static_assert(offsetof(StationRecord, field) == (offset));
SQ_STATION_FIELDS(SQ_CHECK_STATION_FIELD)
#undef SQ_CHECK_STATION_FIELD

}  // namespace sq
