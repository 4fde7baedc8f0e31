// A heating-fuel customer: the 1284-byte customer record kept whole in "%ld.dat" (the
// customer number) in the station's fuel folder, and the folder's operations: read,
// save (atomic), remove, list, and the next free customer number.
//
// The record is little-endian and zero except for the fields below (layout in
// reports/FORMAT.md). Bytes this program does not know are kept as they were read, so a
// record saved again loses nothing a later version may have put there.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "foundation/date_time.h"

namespace sq {

inline constexpr std::size_t kFuelCustomerSize = 1284;
inline constexpr std::int32_t kMaxCustomerNumber = 99999999;
inline constexpr float kDefaultHeaterGallons = 2.0f;

// Field sizes; a text field holds at most size - 1 characters and its terminator.
inline constexpr std::size_t kFuelNameSize = 40;
inline constexpr std::size_t kFuelStreetSize = 80;
inline constexpr std::size_t kFuelCommentSize = 80;
inline constexpr std::size_t kFuelShortTextSize = 20;  // state, city, zip

// Byte image of a customer file.
struct FuelCustomerRecord {
  std::int32_t number;              // 0: customer number, 0..99999999
  char last_name[kFuelNameSize];    // 4
  char first_name[kFuelNameSize];   // 44
  char street[kFuelStreetSize];     // 84
  char comment1[kFuelCommentSize];  // 164: first comment line
  float k_factor;                   // 244: heating F-days per gallon
  float reading;                    // 248: last fuel reading, gallons
  std::uint32_t reading_date;       // 252: packed date of the reading
  std::uint32_t water_heater;       // 256: hot water heater on the same fuel, 0 or 1
  char comment2[kFuelCommentSize];  // 260: second comment line
  char state[kFuelShortTextSize];   // 340
  char city[kFuelShortTextSize];    // 360
  char zip[kFuelShortTextSize];     // 380
  float heater_gallons;             // 400: water heater's gallons per day
  std::uint8_t unused[880];         // 404: zero in this program's records
};

static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(FuelCustomerRecord) == kFuelCustomerSize);
static_assert(std::is_trivially_copyable_v<FuelCustomerRecord> && std::is_standard_layout_v<FuelCustomerRecord>);
static_assert(offsetof(FuelCustomerRecord, number) == 0);
static_assert(offsetof(FuelCustomerRecord, last_name) == 4);
static_assert(offsetof(FuelCustomerRecord, first_name) == 44);
static_assert(offsetof(FuelCustomerRecord, street) == 84);
static_assert(offsetof(FuelCustomerRecord, comment1) == 164);
static_assert(offsetof(FuelCustomerRecord, k_factor) == 244);
static_assert(offsetof(FuelCustomerRecord, reading) == 248);
static_assert(offsetof(FuelCustomerRecord, reading_date) == 252);
static_assert(offsetof(FuelCustomerRecord, water_heater) == 256);
static_assert(offsetof(FuelCustomerRecord, comment2) == 260);
static_assert(offsetof(FuelCustomerRecord, state) == 340);
static_assert(offsetof(FuelCustomerRecord, city) == 360);
static_assert(offsetof(FuelCustomerRecord, zip) == 380);
static_assert(offsetof(FuelCustomerRecord, heater_gallons) == 400);
static_assert(offsetof(FuelCustomerRecord, unused) == 404);

class FuelCustomer {
 public:
  // A new customer: number 0, every text empty, 2.0 gallons a day for the water heater.
  FuelCustomer();

  // The record of a file's bytes; nothing when the size is not 1284.
  [[nodiscard]] static std::optional<FuelCustomer> FromBytes(std::span<const std::uint8_t> bytes);
  [[nodiscard]] std::array<std::uint8_t, kFuelCustomerSize> ToBytes() const;

  [[nodiscard]] std::int32_t Number() const { return rec_.number; }
  void SetNumber(std::int32_t n) { rec_.number = n; }
  [[nodiscard]] std::string LastName() const;
  [[nodiscard]] std::string FirstName() const;
  [[nodiscard]] std::string Street() const;
  [[nodiscard]] std::string City() const;
  [[nodiscard]] std::string State() const;
  [[nodiscard]] std::string Zip() const;
  [[nodiscard]] std::string Comment1() const;
  [[nodiscard]] std::string Comment2() const;
  [[nodiscard]] float KFactor() const { return rec_.k_factor; }
  [[nodiscard]] float Reading() const { return rec_.reading; }
  // The reading's date (packed time 0); not valid when the stored date is 0 or no date.
  [[nodiscard]] DateTime ReadingDate() const;
  [[nodiscard]] bool WaterHeater() const { return rec_.water_heater != 0; }
  [[nodiscard]] float HeaterGallons() const { return rec_.heater_gallons; }

  // Each text setter stores nothing and answers false when the text does not fit.
  bool SetLastName(std::string_view s);
  bool SetFirstName(std::string_view s);
  bool SetStreet(std::string_view s);
  bool SetCity(std::string_view s);
  bool SetState(std::string_view s);
  bool SetZip(std::string_view s);
  bool SetComment1(std::string_view s);
  bool SetComment2(std::string_view s);
  void SetKFactor(float k) { rec_.k_factor = k; }
  void SetReading(float gallons) { rec_.reading = gallons; }
  void SetReadingDate(const DateTime& day);
  void SetWaterHeater(bool on) { rec_.water_heater = on ? 1u : 0u; }
  void SetHeaterGallons(float g) { rec_.heater_gallons = g; }

  // The name the report shows: "last, first", or the last name alone.
  [[nodiscard]] std::string DisplayName() const;
  // True when an estimate can be made from the record: a finite K factor above zero, a
  // finite reading, a real reading date and, with the water heater on, a finite use.
  [[nodiscard]] bool Estimable() const;

  [[nodiscard]] const FuelCustomerRecord& record() const { return rec_; }

 private:
  FuelCustomerRecord rec_;
};

// ---- The fuel folder ----

// The fuel folder of a station folder: its existing subfolder named "Fuel" in any case
// (folders copied from elsewhere may say "FUEL"), else station_folder/Fuel.
[[nodiscard]] std::string FuelFolder(const std::string& station_folder);
// folder/"%ld.dat".
[[nodiscard]] std::string CustomerPath(const std::string& fuel_folder, std::int32_t number);

inline constexpr int kFuelOk = 0;
inline constexpr int kFuelFailed = -1;
inline constexpr int kFuelWrongSize = -2;

// Reads customer `number`: 0; -1 when the file is missing or unreadable; -2 when it is
// not 1284 bytes.
[[nodiscard]] int ReadCustomer(const std::string& fuel_folder, std::int32_t number, FuelCustomer* out);
[[nodiscard]] int ReadCustomerFile(const std::string& path, FuelCustomer* out);
// Writes the customer's file whole and atomically (the folder is made when missing): 0,
// or the error number of the failure (the old file is then untouched).
[[nodiscard]] int SaveCustomer(const std::string& fuel_folder, const FuelCustomer& c);
// Removes customer `number`'s file: true when it is gone.
bool RemoveCustomer(const std::string& fuel_folder, std::int32_t number);
[[nodiscard]] bool CustomerExists(const std::string& fuel_folder, std::int32_t number);

// One "*.dat" file of the fuel folder.
struct CustomerFile {
  std::string path;
  std::int32_t number = -1;  // from the file name ("%ld.dat"); -1 when it is no number
  int status = kFuelOk;      // ReadCustomerFile's result
  FuelCustomer customer;     // valid when status is 0
};

// Every "*.dat" file of the folder (any case of the extension), by number, then by
// name. A missing folder has no customers.
[[nodiscard]] std::vector<CustomerFile> ListCustomers(const std::string& fuel_folder);

// The number a new customer gets: one more than the highest in use, or, when that
// would pass 99999999, the smallest unused number from 1 upward; -1 when all are used.
[[nodiscard]] std::int32_t NextCustomerNumber(const std::vector<std::int32_t>& used);

}  // namespace sq
