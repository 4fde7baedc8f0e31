#include "reports/fuel_customer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/binary_file.h"
#include "app/station.h"
#include "foundation/file_util.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kFuelFolderName = 38002;

template <std::size_t N>
bool Store(char (&field)[N], std::string_view s) {
  return StoreText(field, N, s);
}

template <std::size_t N>
std::string Load(const char (&field)[N]) {
  return LoadText(field, N);
}

bool IsLowerCaseEqual(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The number a file name "%ld.dat" stands for; -1 when the stem is not a number of the
// customer range.
std::int32_t NumberOfName(const std::string& stem) {
  if (stem.empty() || stem.size() > 8) return -1;
  std::int32_t n = 0;
  for (char c : stem) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

FuelCustomer::FuelCustomer() {
  std::memset(&rec_, 0, sizeof rec_);
  rec_.heater_gallons = kDefaultHeaterGallons;
}

std::optional<FuelCustomer> FuelCustomer::FromBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kFuelCustomerSize) return std::nullopt;
  FuelCustomer c;
  std::memcpy(&c.rec_, bytes.data(), kFuelCustomerSize);
  return c;
}

std::array<std::uint8_t, kFuelCustomerSize> FuelCustomer::ToBytes() const {
  std::array<std::uint8_t, kFuelCustomerSize> out;
  std::memcpy(out.data(), &rec_, kFuelCustomerSize);
  return out;
}

std::string FuelCustomer::LastName() const { return Load(rec_.last_name); }
std::string FuelCustomer::FirstName() const { return Load(rec_.first_name); }
std::string FuelCustomer::Street() const { return Load(rec_.street); }
std::string FuelCustomer::City() const { return Load(rec_.city); }
std::string FuelCustomer::State() const { return Load(rec_.state); }
std::string FuelCustomer::Zip() const { return Load(rec_.zip); }
std::string FuelCustomer::Comment1() const { return Load(rec_.comment1); }
std::string FuelCustomer::Comment2() const { return Load(rec_.comment2); }

bool FuelCustomer::SetLastName(std::string_view s) { return Store(rec_.last_name, s); }
bool FuelCustomer::SetFirstName(std::string_view s) { return Store(rec_.first_name, s); }
bool FuelCustomer::SetStreet(std::string_view s) { return Store(rec_.street, s); }
bool FuelCustomer::SetCity(std::string_view s) { return Store(rec_.city, s); }
bool FuelCustomer::SetState(std::string_view s) { return Store(rec_.state, s); }
bool FuelCustomer::SetZip(std::string_view s) { return Store(rec_.zip, s); }
bool FuelCustomer::SetComment1(std::string_view s) { return Store(rec_.comment1, s); }
bool FuelCustomer::SetComment2(std::string_view s) { return Store(rec_.comment2, s); }

DateTime FuelCustomer::ReadingDate() const {
  const std::uint32_t packed = rec_.reading_date;
  const int year = static_cast<int>(packed >> 16);
  const int month = static_cast<int>((packed >> 8) & 0xFF);
  const int day = static_cast<int>(packed & 0xFF);
  DateTime d(month, day, year);
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > d.DaysInMonth()) return DateTime();
  return d;
}

void FuelCustomer::SetReadingDate(const DateTime& day) {
  rec_.reading_date = day.valid ? static_cast<std::uint32_t>(day.GetPackedDate()) : 0u;
}

std::string FuelCustomer::DisplayName() const {
  const std::string first = FirstName();
  return first.empty() ? LastName() : LastName() + ", " + first;
}

bool FuelCustomer::Estimable() const {
  return std::isfinite(rec_.k_factor) && rec_.k_factor > 0.0f && std::isfinite(rec_.reading) && ReadingDate().valid &&
         (!WaterHeater() || std::isfinite(rec_.heater_gallons));
}

// ---------------------------------------------------------------- the fuel folder

std::string FuelFolder(const std::string& station_folder) {
  const std::string name(LoadString(kFuelFolderName));
  std::error_code ec;
  for (std::filesystem::directory_iterator it(station_folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string found = it->path().filename().string();
    if (IsLowerCaseEqual(found, name) && it->is_directory(ec)) return JoinPath(station_folder, found);
  }
  return JoinPath(station_folder, name);
}

std::string CustomerPath(const std::string& fuel_folder, std::int32_t number) {
  return JoinPath(fuel_folder, std::to_string(number) + ".dat");
}

int ReadCustomerFile(const std::string& path, FuelCustomer* out) {
  auto bytes = ReadWholeFile(path, kFuelCustomerSize + 1);
  if (!bytes) {
    // Larger than a record: refused by size, like one that is too small.
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return !ec && size > kFuelCustomerSize ? kFuelWrongSize : kFuelFailed;
  }
  auto c = FuelCustomer::FromBytes(*bytes);
  if (!c) return kFuelWrongSize;
  *out = *c;
  return kFuelOk;
}

int ReadCustomer(const std::string& fuel_folder, std::int32_t number, FuelCustomer* out) {
  return ReadCustomerFile(CustomerPath(fuel_folder, number), out);
}

int SaveCustomer(const std::string& fuel_folder, const FuelCustomer& c) {
  std::error_code ec;
  std::filesystem::create_directories(fuel_folder, ec);
  if (ec) return ec.value();
  const auto bytes = c.ToBytes();
  errno = 0;
  if (WriteFileAtomic(CustomerPath(fuel_folder, c.Number()), bytes)) return kFuelOk;
  return errno != 0 ? errno : kFuelFailed;
}

bool RemoveCustomer(const std::string& fuel_folder, std::int32_t number) {
  std::error_code ec;
  std::filesystem::remove(CustomerPath(fuel_folder, number), ec);
  return !ec;
}

bool CustomerExists(const std::string& fuel_folder, std::int32_t number) {
  std::error_code ec;
  return std::filesystem::is_regular_file(CustomerPath(fuel_folder, number), ec);
}

std::vector<CustomerFile> ListCustomers(const std::string& fuel_folder) {
  std::vector<CustomerFile> out;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(fuel_folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::filesystem::path& p = it->path();
    if (!IsLowerCaseEqual(p.extension().string(), ".dat") || it->is_directory(ec)) continue;
    CustomerFile f;
    f.path = p.string();
    f.number = NumberOfName(p.stem().string());
    f.status = ReadCustomerFile(f.path, &f.customer);
    out.push_back(std::move(f));
  }
  std::sort(out.begin(), out.end(), [](const CustomerFile& a, const CustomerFile& b) {
    // Files without a number come last.
    const auto ka = static_cast<std::uint32_t>(a.number), kb = static_cast<std::uint32_t>(b.number);
    return ka != kb ? ka < kb : a.path < b.path;
  });
  return out;
}

std::int32_t NextCustomerNumber(const std::vector<std::int32_t>& used) {
  std::int32_t highest = 0;
  for (std::int32_t n : used) highest = std::max(highest, n);
  if (highest < kMaxCustomerNumber) return highest + 1;
  std::vector<std::int32_t> sorted(used);
  std::sort(sorted.begin(), sorted.end());
  std::int32_t candidate = 1;
  for (std::int32_t n : sorted) {
    if (n < candidate) continue;
    if (n > candidate) break;
    ++candidate;
  }
  return candidate <= kMaxCustomerNumber ? candidate : -1;
}

}  // namespace sq
