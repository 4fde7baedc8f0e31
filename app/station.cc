#include "app/station.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <type_traits>

#include "app/extra_settings.h"
#include "app/port_map.h"
#include "app/station_lists_hook.h"
#include "app/station_models.h"
#include "database/file_io.h"
#include "database/weather_database.h"
#include "foundation/clock.h"
#include "foundation/file_lock.h"
#include "foundation/file_util.h"
#include "foundation/site.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr const char* kDefaultModemInit = "AT &F S7=60 E Q V X4";
constexpr const char* kDefaultCwopServer = "cwop.aprs.net";
constexpr std::uint32_t kDefaultCwopPort = 14580;
constexpr std::uint32_t kCwopSuffixString = 62772;
constexpr const char* kDefaultTcpPort = "22222";
constexpr int kDefaultModel = 5;

StationUpgradeTexts& UpgradeTextsStorage() {
  static StationUpgradeTexts texts;
  return texts;
}

template <typename T>
T GetExtra(const StationRecord& r, std::size_t offset) {
  T v{};
  std::memcpy(&v, r.extra + (offset - extra::kBase), sizeof v);
  return v;
}

template <typename T>
void PutExtra(StationRecord& r, std::size_t offset, T v) {
  std::memcpy(r.extra + (offset - extra::kBase), &v, sizeof v);
}

void ClearRuntimeFields(StationRecord& r) {
  r.runtime_10 = 0;
  std::fill(std::begin(r.runtime_1136), std::end(r.runtime_1136), 0u);
  r.runtime_1926[0] = r.runtime_1926[1] = 0;
  r.runtime_1928 = 0xFF;
  r.runtime_1932 = 0;
}

// Degrees, minutes and seconds with the sign on the degrees, from decimal degrees.
void ToDms(double deg, std::int16_t dms[3]) {
  const double a = std::fabs(deg);
  int d = static_cast<int>(a);
  int m = static_cast<int>((a - d) * 60.0);
  int s = static_cast<int>(std::lround((a - d - m / 60.0) * 3600.0));
  if (s >= 60) {
    s -= 60;
    ++m;
  }
  if (m >= 60) {
    m -= 60;
    ++d;
  }
  dms[0] = static_cast<std::int16_t>(deg < 0 ? -d : d);
  dms[1] = static_cast<std::int16_t>(m);
  dms[2] = static_cast<std::int16_t>(s);
}

float FromDms(const std::int16_t dms[3]) {
  const double a = std::abs(dms[0]) + std::abs(dms[1]) / 60.0 + std::abs(dms[2]) / 3600.0;
  return static_cast<float>(dms[0] < 0 ? -a : a);
}

void SetCwopDefaults(StationRecord& r) {
  std::memset(r.cwop_id, 0, sizeof r.cwop_id);
  StoreText(r.cwop_server, sizeof r.cwop_server, kDefaultCwopServer);
  StoreText(r.cwop_suffix, sizeof r.cwop_suffix, LoadString(kCwopSuffixString));
  r.cwop_port = kDefaultCwopPort;
  std::memset(r.cwop_options, 0, sizeof r.cwop_options);
}

void SetConnectionDefaults(StationRecord& r) {
  r.connection_type = 1;
  r.transport_option = 1;
  StoreText(r.tcp_port, sizeof r.tcp_port, kDefaultTcpPort);
  std::memset(r.logger_text, 0, sizeof r.logger_text);
  r.setting_1904 = 1;
  std::memset(r.setting_1905, 0, sizeof r.setting_1905);
  r.logger_option = 0;
}

// Length of the field that starts at each offset of the record (0 inside a field). A
// text changes whole; an array of numbers element by element; bytes no field names
// (reserved areas, free room of the added settings) one by one.
template <typename T>
constexpr std::size_t MergeUnit() {
  if constexpr (std::is_array_v<T> && std::rank_v<T> == 1 && std::is_same_v<std::remove_extent_t<T>, char>) {
    return sizeof(T);
  } else {
    return sizeof(std::remove_extent_t<T>);
  }
}

struct MergeUnits {
  std::array<std::uint16_t, kStationRecordSize> length{};

  constexpr MergeUnits() {
    auto field = [&](std::size_t offset, std::size_t size, std::size_t unit) {
      for (std::size_t at = offset; at < offset + size; at += unit) {
        length[at] = static_cast<std::uint16_t>(unit);
        for (std::size_t k = 1; k < unit; ++k) length[at + k] = 0;
      }
    };
    for (std::size_t i = 0; i < kStationRecordSize; ++i) length[i] = 1;
#define SQ_MERGE_FIELD(name, offset) \
  field(offset, sizeof(StationRecord::name), MergeUnit<decltype(StationRecord::name)>());
    SQ_STATION_FIELDS(SQ_MERGE_FIELD)
#undef SQ_MERGE_FIELD
    // The added settings (app/extra_settings.h) in the byte area at 2048.
    field(extra::kExportList, 2, 2);
    field(extra::kUsbId, 4, 4);
    field(extra::kDstStartDate, 4, 4);
    field(extra::kDstStartMinutes, 2, 2);
    field(extra::kDstEndDate, 4, 4);
    field(extra::kDstEndMinutes, 2, 2);
    field(extra::kWebHost, extra::kWebHostSize, extra::kWebHostSize);
    field(extra::kWebUser, extra::kWebUserSize, extra::kWebUserSize);
    field(extra::kWebPassword, extra::kWebPasswordSize, extra::kWebPasswordSize);
  }
};

constexpr MergeUnits kMergeUnits;

}  // namespace

StationRecord MergeStationRecord(const StationRecord& base, const StationRecord& mine, const StationRecord& on_disk) {
  const auto* b = reinterpret_cast<const std::uint8_t*>(&base);
  const auto* m = reinterpret_cast<const std::uint8_t*>(&mine);
  StationRecord out = on_disk;
  auto* o = reinterpret_cast<std::uint8_t*>(&out);
  for (std::size_t i = 0; i < kStationRecordSize;) {
    const std::size_t n = kMergeUnits.length[i];
    if (std::memcmp(b + i, m + i, n) != 0) std::memcpy(o + i, m + i, n);
    i += n;
  }
  return out;
}

bool StoreText(char* field, std::size_t size, std::string_view text) {
  if (size == 0 || text.size() >= size) return false;
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), text.size());
  return true;
}

std::string LoadText(const char* field, std::size_t size) {
  const char* end = static_cast<const char*>(std::memchr(field, 0, size));
  return std::string(field, end ? static_cast<std::size_t>(end - field) : size);
}

StationListsHook& StationLists() {
  static StationListsHook hook;
  return hook;
}

void SetStationDefaults(StationRecord& r) {
  std::memset(&r, 0, sizeof r);
  r.kind = kStationRecordKind;
  r.version = kStationVersion;
  r.com_port = 1;
  r.baud = 19200;
  r.modem_wait = 2;
  StoreText(r.modem_init, sizeof r.modem_init, kDefaultModemInit);
  r.timeout_minutes = 60;
  ApplyStationModel(r, kDefaultModel);
  r.sensors[0] |= sensor::kRain;
  r.lat_dms[0] = kDmsNotSet;
  r.lon_dms[0] = kDmsNotSet;
  r.logger_538 = 4;
  r.timezone_hours = -8.0f;
  StoreText(r.rain_text, sizeof r.rain_text, ".01 in");
  r.rain_tip_in = 0.01f;
  r.rain_type = 1;
  r.logger_upload_575 = 30;
  r.degday_base[0] = r.degday_base[1] = 65.0f;
  std::fill(std::begin(r.normal_temp), std::end(r.normal_temp), -32768.0f);
  std::fill(std::begin(r.normal_rain), std::end(r.normal_rain), -32768.0f);
  r.noaa_1000 = 1;
  r.setting_1004 = 5;
  r.auto_clear_time = -1;
  r.setting_1288 = 32;
  r.setting_1300 = 45;
  r.setting_1314 = 850;
  r.setting_1316 = 700;
  r.setting_1320 = 1.0f;
  r.daylight_threshold = 100;
  r.fuel_sort_by_name = 1;
  r.fuel_long_format = 1;
  r.fuel_threshold = 100.0f;
  r.fuel_base = 65.0f;
  r.setting_1356[0] = 9;
  SetCwopDefaults(r);
  r.uv_factor = 1.0f;
  const StationUpgradeTexts& t = UpgradeTextsStorage();
  StoreText(r.copied_text[0], sizeof r.copied_text[0], t.first.substr(0, 19));
  StoreText(r.copied_text[1], sizeof r.copied_text[1], t.second.substr(0, 19));
  r.setting_1684 = 1;
  SetConnectionDefaults(r);
  r.runtime_1928 = 0xFF;
}

int UpgradeStationConfig(StationRecord& r, const StationUpgradeTexts& texts) {
  if (r.kind != kStationRecordKind) return kStationFailed;
  const unsigned v = r.version;
  if (v < 1) r.fuel_base = 65.0f;
  if (v < 2) {
    r.setting_1356[0] = 9;
    r.setting_1356[1] = 15;
    r.setting_1356[2] = 0;
  }
  if (v < 3) SetCwopDefaults(r);
  if (v < 4) {
    std::fill(std::begin(r.array_1448), std::end(r.array_1448), std::int16_t{0});
    std::fill(std::begin(r.array_1478), std::end(r.array_1478), std::int16_t{0});
  }
  if (v < 5) r.manual_dst = 0;
  if (v < 6) {
    if (r.model == 0) {
      r.model = 5;
    } else if (r.model == 1) {
      r.model = 6;
    }
    std::memset(r.setting_1502, 0, sizeof r.setting_1502);
    r.uv_factor = 1.0f;
  }
  if (v < 7) {
    if (r.lat_dms[0] != kDmsNotSet) {
      r.latitude = FromDms(r.lat_dms);
      r.longitude = r.lon_dms[0] != kDmsNotSet ? FromDms(r.lon_dms) : 0.0f;
    } else {
      r.setting_1510 = 0;
    }
  }
  if (v < 8) {
    r.wu_last_date = 0;
    r.wu_last_time = static_cast<std::int16_t>(-1);  // 0xFFFF
    r.wu_id[0] = 0;
    r.wu_password[0] = 0;
    r.wu_catchup = 0;
  }
  if (v < 10) {
    const std::uint8_t b = r.console_family == kFamilyCorvale ? 0 : 2;
    r.setting_1605[0] = r.setting_1605[1] = b;
    r.sunrise_1501 = 0;
    r.sunrise_1607 = 0;
    r.setting_1608 = 0;
    r.setting_1612 = 0xFFFF;
    r.setting_1614 = 0;
    r.setting_1616 = -1;
  }
  if (v < 11) {
    StoreText(r.copied_text[0], sizeof r.copied_text[0], texts.first.substr(0, 19));
    StoreText(r.copied_text[1], sizeof r.copied_text[1], texts.second.substr(0, 19));
    r.setting_1660 = 0;
    r.setting_1680[0] = r.setting_1680[1] = 0;
    r.setting_1682 = 0;
    r.setting_1684 = 1;
  }
  if (v < 15) std::memset(r.setting_1686, 0, sizeof r.setting_1686);
  if (v < 16) SetConnectionDefaults(r);
  r.version = kStationVersion;
  return kStationOk;
}

void Station::SetUpgradeTexts(StationUpgradeTexts texts) { UpgradeTextsStorage() = std::move(texts); }
const StationUpgradeTexts& Station::UpgradeTexts() { return UpgradeTextsStorage(); }

Station::Station() { SetStationDefaults(rec_); }

int Station::OpenStationDatabase(bool read_only) {
  CloseStationDatabase();
  auto db = std::make_shared<WeatherDatabase>();
  // A folder without month files is a new station's empty database, ready for appends.
  const int rc = db->OpenDatabase(folder_, read_only);
  if (rc != kDbOk && rc != kDbNoFiles) return -1;
  database_ = std::move(db);
  return 0;
}

void Station::CloseStationDatabase() {
  if (database_) database_->CloseDatabase();
  database_.reset();
}

std::string Station::ConfigPath(std::string_view folder) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  return path + kStationConfigName;
}

int Station::Load(const std::string& folder) {
  SetFolder(folder);
  std::string error;
  // One byte more than a record, so a longer file is told apart without reading it all.
  auto bytes = ReadWholeFile(ConfigPath(folder), kStationRecordSize + 1, &error);
  if (!bytes) {
    // ReadWholeFile refuses files above the limit: tell "too large" from "missing".
    std::error_code ec;
    const auto size = std::filesystem::file_size(ConfigPath(folder), ec);
    return (!ec && size > kStationRecordSize) ? kStationWrongSize : kStationFailed;
  }
  if (bytes->size() != kStationRecordSize) return kStationWrongSize;
  StationRecord r;
  std::memcpy(&r, bytes->data(), kStationRecordSize);
  const StationRecord as_read = r;
  if (r.kind != kStationRecordKind) return kStationFailed;
  if (r.version != kStationVersion && UpgradeStationConfig(r, UpgradeTexts()) != kStationOk) return kStationFailed;
  ClearRuntimeFields(r);
  const std::string keep_folder = folder_;
  rec_ = r;
  SetFolder(keep_folder);
  synced_ = as_read;
  synced_folder_ = folder_;
  if (auto& hook = StationLists(); hook.load && hook.load(*this) != 0) return kStationFailed;
  return kStationOk;
}

int Station::Save() const { return Save(Clock::Default()); }

int Station::Save(Clock& clock) const {
  if (folder_.empty()) return kStationFailed;
  StationRecord r = rec_;
  ClearRuntimeFields(r);
  FileLock lock;
  if (lock.Acquire(JoinPath(folder_, kSettingsLockName), clock, kSettingsLockWaitMs) != FileLock::Result::kHeld) {
    return kStationFailed;
  }
  StationRecord out = r;
  if (synced_ && synced_folder_ == folder_) {
    // Put this object's changes over the file as it is now; a file that is no longer
    // a current station record is written whole, as before.
    auto now = ReadWholeFile(ConfigPath(folder_), kStationRecordSize + 1);
    if (now && now->size() == kStationRecordSize) {
      StationRecord disk;
      std::memcpy(&disk, now->data(), kStationRecordSize);
      if (disk.kind == kStationRecordKind && disk.version == kStationVersion)
        out = MergeStationRecord(*synced_, r, disk);
    }
  }
  const auto* p = reinterpret_cast<const std::uint8_t*>(&out);
  if (!WriteFileAtomic(ConfigPath(folder_), std::span<const std::uint8_t>(p, sizeof out))) return kStationFailed;
  synced_ = r;
  synced_folder_ = folder_;
  if (auto& hook = StationLists(); hook.save && hook.save(*this) != 0) return kStationFailed;
  return kStationOk;
}

int Station::SetStationModel(int code) {
  if (code < 0 || code > kMaxStationModel) return kStationFailed;
  ApplyStationModel(rec_, code);
  return kStationOk;
}

bool Station::TestForSensor(int word, std::uint32_t mask) const {
  if (word != 0 && word != 1) return false;
  return (rec_.sensors[word] & mask) == mask;
}

bool Station::HaveLeafSoilOrExtra() const {
  constexpr std::uint32_t kFirst = 0xFFFF0000u | 0x6Eu;  // bits 1, 2, 3, 5, 6, 16..31
  constexpr std::uint32_t kSecond = 0x1FFF0u;            // bits 4..16
  return (rec_.sensors[0] & kFirst) != 0 || (rec_.sensors[1] & kSecond) != 0;
}

int Station::GetIPRainCollectorType() const {
  if (rec_.rain_type == 1) return 0;
  if (rec_.rain_type == 2) return 1;
  return 2;
}

void Station::GetSQIPMacAddressStr(char* buf13) const {
  std::snprintf(buf13, 13, "%02X%02X%02X%02X%02X%02X", rec_.mac[0], rec_.mac[1], rec_.mac[2], rec_.mac[3], rec_.mac[4],
                rec_.mac[5]);
}

std::string Station::GetSQIPMacAddressStr() const {
  char buf[13];
  GetSQIPMacAddressStr(buf);
  return buf;
}

void Station::ClearMacAddress() {
  // The six bytes after the address hold the account key of the maker's network.
  std::memset(rec_.mac, 0, sizeof rec_.mac);
  std::memset(rec_.reserved_1918, 0, sizeof rec_.reserved_1918);
  rec_.account_key = 0;
}

int Station::SetMacAddress(std::string_view text) {
  std::string hex;
  for (char c : text) {
    if (c == ':' || c == '-') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return kStationFailed;
    hex += c;
  }
  if (hex.size() != 12) return kStationFailed;
  for (int i = 0; i < 6; ++i) {
    rec_.mac[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(static_cast<std::size_t>(i) * 2, 2), nullptr, 16));
  }
  if (text.size() != 12) {
    // Keep the colon form the TCP transport expects as its MAC text.
    char colon[18];
    std::snprintf(colon, sizeof colon, "%02X:%02X:%02X:%02X:%02X:%02X", rec_.mac[0], rec_.mac[1], rec_.mac[2],
                  rec_.mac[3], rec_.mac[4], rec_.mac[5]);
    StoreText(rec_.logger_text[0], sizeof rec_.logger_text[0], colon);
  }
  return kStationOk;
}

std::optional<ConnectionDescription> Station::ConnectionIn(const std::string& program_dir, std::string* error) const {
  PortMap ports;
  std::string problem;
  const bool ports_ok = ports.Load(program_dir, &problem) == 0;
  auto c = GetConnection(ports_ok ? &ports : nullptr);
  if (!c) {
    if (error) *error = "the station has no connection to its console configured";
    return std::nullopt;
  }
  if (!ports_ok && c->kind == ConnectionKind::kSerial) {
    if (error) *error = problem;
    return std::nullopt;
  }
  return c;
}

std::optional<ConnectionDescription> Station::GetConnection(const PortMap* ports) const {
  if (rec_.connection_type == 0) return std::nullopt;
  ConnectionDescription c;
  switch (rec_.connection_type) {
    case 2:
      c.kind = ConnectionKind::kUsb;
      break;
    case 3:
      c.kind = ConnectionKind::kTcp;
      break;
    default:
      c.kind = ConnectionKind::kSerial;
      break;
  }
  c.console_family = rec_.console_family;
  c.baud = rec_.baud;
  if (c.console_family == kFamilyBrisant && c.baud > 2400) c.baud = 2400;
  c.com_port = rec_.com_port;
  if (ports != nullptr) c.device = ports->DevicePath(rec_.com_port);
  c.idle_minutes = (rec_.timeout_minutes >= 1 && rec_.timeout_minutes <= 1999) ? rec_.timeout_minutes : 60;
  c.modem = rec_.modem_in_use != 0;
  c.modem_option = rec_.modem_option;
  c.modem_dial = LoadText(rec_.modem_dial, sizeof rec_.modem_dial);
  c.modem_init = LoadText(rec_.modem_init, sizeof rec_.modem_init);
  c.station_name = Name();
  c.transport_option = rec_.transport_option;
  c.usb_id = UsbId() == 0 ? 1 : UsbId();
  if (c.kind == ConnectionKind::kTcp) {
    c.tcp_port_text = LoadText(rec_.tcp_port, sizeof rec_.tcp_port);
    char* end = nullptr;
    const long port = std::strtol(c.tcp_port_text.c_str(), &end, 10);
    c.tcp_port = (end != c.tcp_port_text.c_str() && port > 0 && port < 65536) ? static_cast<int>(port) : 22222;
    c.mac_text = LoadText(rec_.logger_text[0], sizeof rec_.logger_text[0]);
    c.host = LoadText(rec_.logger_text[1], sizeof rec_.logger_text[1]);
    c.extra_text[0] = LoadText(rec_.logger_text[2], sizeof rec_.logger_text[2]);
    c.extra_text[1] = LoadText(rec_.logger_text[3], sizeof rec_.logger_text[3]);
    c.host_fixed = rec_.logger_option != 0;
  }
  return c;
}

SiteDescription Station::GetSiteDescription() const {
  SiteDescription site;
  site.latitude = rec_.latitude;
  site.longitude = rec_.longitude;
  site.elevation_feet = rec_.elevation_ft;
  site.time_zone_hours = rec_.timezone_hours;
  site.southern_hemisphere = rec_.southern != 0;
  site.dst_mode = rec_.manual_dst ? DaylightSavingMode::kManual : DaylightSavingMode::kAutomatic;
  std::uint32_t start = 0, end = 0;
  int start_min = 0, end_min = 0;
  GetManualDst(&start, &start_min, &end, &end_min);
  if (start != 0) {
    site.manual_dst_start.SetDate(static_cast<std::int32_t>(start));
    site.manual_dst_start.packed_time = static_cast<std::int16_t>(start_min);
    site.manual_dst_start.UnpackTime();
  }
  if (end != 0) {
    site.manual_dst_end.SetDate(static_cast<std::int32_t>(end));
    site.manual_dst_end.packed_time = static_cast<std::int16_t>(end_min);
    site.manual_dst_end.UnpackTime();
  }
  site.rain_collector_type = rec_.rain_type;
  site.uv_dose_factor = rec_.uv_factor;
  site.heat_base_f = rec_.degday_base[0];
  site.cool_base_f = rec_.degday_base[1];
  site.fuel_base_f = rec_.fuel_base;
  return site;
}

int Station::SetLatitude(double deg) {
  if (!std::isfinite(deg) || deg < -90.0 || deg > 90.0) return kStationFailed;
  rec_.latitude = static_cast<float>(deg);
  rec_.southern = deg < 0 ? 1 : 0;
  ToDms(deg, rec_.lat_dms);
  return kStationOk;
}

int Station::SetLongitude(double deg) {
  if (!std::isfinite(deg) || deg < -180.0 || deg > 180.0) return kStationFailed;
  rec_.longitude = static_cast<float>(deg);
  ToDms(deg, rec_.lon_dms);
  return kStationOk;
}

int Station::SetRainCollector(int type) {
  struct Collector {
    const char* text;
    float tip_in;
  };
  static constexpr Collector kCollectors[] = {
      {".1 in", 0.1f},   {".01 in", 0.01f},       {".2 mm", 0.2f / 25.4f}, {"1 mm", 1.0f / 25.4f},
      {".01 in", 0.01f}, {".2 mm", 0.2f / 25.4f}, {".1 mm", 0.1f / 25.4f},
  };
  if (type < 1 || type > 6) return kStationFailed;
  rec_.rain_type = static_cast<std::uint8_t>(type);
  StoreText(rec_.rain_text, sizeof rec_.rain_text, kCollectors[type].text);
  rec_.rain_tip_in = kCollectors[type].tip_in;
  return kStationOk;
}

std::string Station::Name() const { return LoadText(rec_.name, sizeof rec_.name); }

void Station::SetName(std::string_view name) {
  StoreText(rec_.name, sizeof rec_.name, name.substr(0, sizeof rec_.name - 1));
}

std::string Station::Folder() const { return folder_; }

void Station::SetFolder(std::string_view folder) {
  folder_ = std::string(folder);
  // The record keeps a copy when it fits; the object's own copy is the one used.
  if (!StoreText(rec_.folder, sizeof rec_.folder, folder)) std::memset(rec_.folder, 0, sizeof rec_.folder);
}

bool Station::AutoExport() const { return GetExtra<std::uint8_t>(rec_, extra::kAutoExport) != 0; }
void Station::SetAutoExport(bool on) { PutExtra<std::uint8_t>(rec_, extra::kAutoExport, on ? 1 : 0); }
int Station::ExportList() const { return GetExtra<std::uint16_t>(rec_, extra::kExportList); }
void Station::SetExportList(int index) {
  PutExtra<std::uint16_t>(rec_, extra::kExportList, static_cast<std::uint16_t>(index));
}
bool Station::RainDbInUse() const { return GetExtra<std::uint8_t>(rec_, extra::kRainDbInUse) != 0; }
void Station::SetRainDbInUse(bool on) { PutExtra<std::uint8_t>(rec_, extra::kRainDbInUse, on ? 1 : 0); }
std::uint32_t Station::UsbId() const { return GetExtra<std::uint32_t>(rec_, extra::kUsbId); }
void Station::SetUsbId(std::uint32_t id) { PutExtra<std::uint32_t>(rec_, extra::kUsbId, id); }

void Station::GetManualDst(std::uint32_t* start_date, int* start_min, std::uint32_t* end_date, int* end_min) const {
  if (start_date) *start_date = GetExtra<std::uint32_t>(rec_, extra::kDstStartDate);
  if (start_min) *start_min = GetExtra<std::uint16_t>(rec_, extra::kDstStartMinutes);
  if (end_date) *end_date = GetExtra<std::uint32_t>(rec_, extra::kDstEndDate);
  if (end_min) *end_min = GetExtra<std::uint16_t>(rec_, extra::kDstEndMinutes);
}

void Station::SetManualDst(std::uint32_t start_date, int start_min, std::uint32_t end_date, int end_min) {
  PutExtra<std::uint32_t>(rec_, extra::kDstStartDate, start_date);
  PutExtra<std::uint16_t>(rec_, extra::kDstStartMinutes, static_cast<std::uint16_t>(start_min));
  PutExtra<std::uint32_t>(rec_, extra::kDstEndDate, end_date);
  PutExtra<std::uint16_t>(rec_, extra::kDstEndMinutes, static_cast<std::uint16_t>(end_min));
}

namespace {
char* ExtraText(StationRecord& r, std::size_t offset) {
  return reinterpret_cast<char*>(r.extra + (offset - extra::kBase));
}
const char* ExtraText(const StationRecord& r, std::size_t offset) {
  return reinterpret_cast<const char*>(r.extra + (offset - extra::kBase));
}
}  // namespace

std::string Station::WebHost() const { return LoadText(ExtraText(rec_, extra::kWebHost), extra::kWebHostSize); }
std::string Station::WebUser() const { return LoadText(ExtraText(rec_, extra::kWebUser), extra::kWebUserSize); }
std::string Station::WebPassword() const {
  return LoadText(ExtraText(rec_, extra::kWebPassword), extra::kWebPasswordSize);
}
int Station::SetWebHost(std::string_view s) {
  return StoreText(ExtraText(rec_, extra::kWebHost), extra::kWebHostSize, s) ? kStationOk : kStationFailed;
}
int Station::SetWebUser(std::string_view s) {
  return StoreText(ExtraText(rec_, extra::kWebUser), extra::kWebUserSize, s) ? kStationOk : kStationFailed;
}
int Station::SetWebPassword(std::string_view s) {
  return StoreText(ExtraText(rec_, extra::kWebPassword), extra::kWebPasswordSize, s) ? kStationOk : kStationFailed;
}

}  // namespace sq
