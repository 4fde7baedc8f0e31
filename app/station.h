// Station: one weather station known to the program. The object is the 4096-byte
// record that is also the file "STATION.CFG" in the station's folder (layout in
// app/station_record.h, added settings in app/extra_settings.h), plus the operations
// on it: defaults, load with upgrade of older layouts, save, model and sensor queries,
// and the connection description handed to the transports.
//
// Result codes: 0 success, -1 failure; Load also answers -2 for a file of the wrong size.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/connection.h"
#include "app/station_models.h"
#include "app/station_record.h"

namespace sq {

class Clock;
class PortMap;
struct SiteDescription;

inline constexpr int kStationOk = 0;
inline constexpr int kStationFailed = -1;
inline constexpr int kStationWrongSize = -2;

inline constexpr std::size_t kOldStationRecordSize = 2088;
inline constexpr const char* kStationConfigName = "STATION.CFG";
// The lock file that serialises the writers of "STATION.CFG" in a station folder.
inline constexpr const char* kSettingsLockName = ".settings.lock";
inline constexpr std::int64_t kSettingsLockWaitMs = 10000;

// Texts that the version-11 upgrade copies from the program configuration.
struct StationUpgradeTexts {
  std::string first;
  std::string second;
};

// Sensor-mask bits, first word.
namespace sensor {
inline constexpr std::uint32_t kOutsideTemp = 0x1;
inline constexpr std::uint32_t kExtraTemp1 = 0x2;
inline constexpr std::uint32_t kExtraTemp2 = 0x4;
inline constexpr std::uint32_t kExtraTemp3 = 0x8;
inline constexpr std::uint32_t kOutsideHum = 0x10;
inline constexpr std::uint32_t kExtraHum1 = 0x20;
inline constexpr std::uint32_t kExtraHum2 = 0x40;
inline constexpr std::uint32_t kRainRate = 0x80;
inline constexpr std::uint32_t kBarometer = 0x100;
inline constexpr std::uint32_t kWindSpeed = 0x200;
inline constexpr std::uint32_t kWindDir = 0x400;
inline constexpr std::uint32_t kSolar = 0x800;
inline constexpr std::uint32_t kUv = 0x1000;
inline constexpr std::uint32_t kInsideTemp = 0x2000;
inline constexpr std::uint32_t kInsideHum = 0x4000;
inline constexpr std::uint32_t kRain = 0x8000;
inline constexpr std::uint32_t kSoilMoisture1 = 0x10000;   // .. 0x80000 for 4
inline constexpr std::uint32_t kSoilTemp1 = 0x100000;      // .. 0x800000
inline constexpr std::uint32_t kLeafWetness1 = 0x1000000;  // .. 0x8000000
inline constexpr std::uint32_t kLeafTemp1 = 0x10000000;    // .. 0x80000000
// Second word.
inline constexpr std::uint32_t kHighSolar = 0x1;
inline constexpr std::uint32_t kHighUv = 0x2;
}  // namespace sensor

class WeatherDatabase;

class Station {
 public:
  // A new station: every byte at its default.
  Station();

  // Reads folder/"STATION.CFG". 0 success; -1 missing, unreadable, of another kind or
  // not upgradable; -2 not exactly 4096 bytes (the caller may try ConvertOldStation).
  // On failure the record is left as it was (only the folder changes), never half-read.
  [[nodiscard]] int Load(const std::string& folder);

  // Writes "STATION.CFG" (atomically: a crash leaves the old or the new file) and the
  // data lists. Other processes may change the file meanwhile (a `station set` during a
  // download): under the folder's settings lock the file is read again and only the
  // fields this object changed since it was loaded or last saved are written over it,
  // so their changes are kept. A station that was not loaded from this folder is
  // written whole. Waits for the lock for up to kSettingsLockWaitMs on `clock`; -1
  // when the folder is empty, the lock stays busy or a write fails.
  [[nodiscard]] int Save() const;
  [[nodiscard]] int Save(Clock& clock) const;

  // Model code 0..7: sets the model, the sensor mask and the console family; -1 above 7.
  [[nodiscard]] int SetStationModel(int code);

  // True when every bit of `mask` is set in sensor word `word` (0 or 1).
  [[nodiscard]] bool TestForSensor(int word, std::uint32_t mask) const;
  [[nodiscard]] bool HaveLeafSoilOrExtra() const;

  [[nodiscard]] bool Brisant() const { return rec_.model == kStationModelBrisantII; }
  [[nodiscard]] bool Mistra() const {
    return rec_.model >= kStationModelMistraIII && rec_.model <= kStationModelMistraIIS;
  }
  [[nodiscard]] bool Orvelline() const { return rec_.model == kStationModelOrvelline; }
  [[nodiscard]] bool Corvale() const {
    return rec_.model >= kStationModelCorvalePro && rec_.model <= kStationModelCorvaleLumo;
  }
  [[nodiscard]] bool LUMO() const { return rec_.model == kStationModelCorvaleLumo; }

  // Rain collector code of the network logger: 0 for type 1, 1 for type 2, else 2.
  [[nodiscard]] int GetIPRainCollectorType() const;
  // The MAC address as twelve upper-case hex digits; writes into buf (13 bytes) too.
  [[nodiscard]] std::string GetSQIPMacAddressStr() const;
  void GetSQIPMacAddressStr(char* buf13) const;
  // Zeroes the MAC address and the six bytes after it (which hold the account key).
  void ClearMacAddress();
  // Sets the MAC from "XX:XX:XX:XX:XX:XX" (also accepts '-' or no separators); -1 if bad.
  [[nodiscard]] int SetMacAddress(std::string_view text);

  // The modem port, or 0 when no modem is in use.
  [[nodiscard]] int GetStationModemPort() const { return rec_.modem_in_use ? rec_.com_port : 0; }

  // The connection handed to the transports; nothing for connection type 0. The serial
  // device of the COM port is looked up in `ports` when given.
  [[nodiscard]] std::optional<ConnectionDescription> GetConnection(const PortMap* ports) const;
  // The connection with the serial device from the port map of `program_dir`. A
  // serial station whose "ports.lst" exists but is not a valid map gets nothing, with
  // `error` naming the bad line: it is never sent to some other device instead.
  [[nodiscard]] std::optional<ConnectionDescription> ConnectionIn(const std::string& program_dir,
                                                                  std::string* error) const;

  // The few station facts the calculations need.
  [[nodiscard]] SiteDescription GetSiteDescription() const;

  // Sets latitude or longitude from decimal degrees, keeping the degree/minute/second
  // fields in step. -1 when out of range.
  [[nodiscard]] int SetLatitude(double deg);
  [[nodiscard]] int SetLongitude(double deg);
  // Rain collector type 1..6 with its text and tip size; -1 otherwise.
  [[nodiscard]] int SetRainCollector(int type);

  std::string Name() const;
  void SetName(std::string_view name);
  std::string Folder() const;
  void SetFolder(std::string_view folder);
  // folder + "STATION.CFG", with one '/' between them.
  static std::string ConfigPath(std::string_view folder);

  // Added settings (app/extra_settings.h).
  [[nodiscard]] bool AutoExport() const;
  void SetAutoExport(bool on);
  [[nodiscard]] int ExportList() const;
  void SetExportList(int index);
  [[nodiscard]] bool RainDbInUse() const;
  void SetRainDbInUse(bool on);
  [[nodiscard]] std::uint32_t UsbId() const;
  void SetUsbId(std::uint32_t id);
  // Manual daylight saving: packed date (year*65536 + month*256 + day), minutes.
  void GetManualDst(std::uint32_t* start_date, int* start_min, std::uint32_t* end_date, int* end_min) const;
  void SetManualDst(std::uint32_t start_date, int start_min, std::uint32_t end_date, int end_min);
  std::string WebHost() const;
  std::string WebUser() const;
  std::string WebPassword() const;
  // -1 when the text does not fit its field.
  [[nodiscard]] int SetWebHost(std::string_view s);
  [[nodiscard]] int SetWebUser(std::string_view s);
  [[nodiscard]] int SetWebPassword(std::string_view s);

  // Opens the database in the station's folder and keeps it with the station (copies of
  // the station share it). 0 on success, -1 when it cannot be opened.
  [[nodiscard]] int OpenStationDatabase(bool read_only = false);
  // The open database, or nullptr before OpenStationDatabase.
  [[nodiscard]] WeatherDatabase* Database() const { return database_.get(); }
  // Flushes and closes the database.
  void CloseStationDatabase();

  StationRecord& record() { return rec_; }
  const StationRecord& record() const { return rec_; }

  // The texts the version-11 upgrade copies; set once the program configuration is read.
  static void SetUpgradeTexts(StationUpgradeTexts texts);
  static const StationUpgradeTexts& UpgradeTexts();

 private:
  StationRecord rec_;
  std::string folder_;  // may be longer than the record's 260-character copy
  // The record as this object last read or wrote it, and the folder of that file: what
  // Save compares with to find the fields this object changed.
  mutable std::optional<StationRecord> synced_;
  mutable std::string synced_folder_;
  std::shared_ptr<WeatherDatabase> database_;
};

// The record to write when `on_disk` is the file as it is now and `base` the file as
// this process read it: `on_disk` with every field in which `mine` differs from `base`
// taken from `mine`. A field changes whole (a text, a number, one element of an array
// of numbers), so two writers' changes to different fields are both kept and a
// field both changed is the later writer's, never a mix.
[[nodiscard]] StationRecord MergeStationRecord(const StationRecord& base, const StationRecord& mine,
                                               const StationRecord& on_disk);

// Resets `rec` to a new station's defaults.
void SetStationDefaults(StationRecord& rec);

// Brings an older image up to version 16, every step from its version on. -1 when the
// record kind is not 4.
[[nodiscard]] int UpgradeStationConfig(StationRecord& rec, const StationUpgradeTexts& texts);

// Copies a text into a fixed field, always zero-terminated and zero-padded. Returns
// false (and stores nothing) when it does not fit.
bool StoreText(char* field, std::size_t size, std::string_view text);
// Reads a fixed text field up to its first zero (or its size).
std::string LoadText(const char* field, std::size_t size);

}  // namespace sq
