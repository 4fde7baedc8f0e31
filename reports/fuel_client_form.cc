#include "reports/fuel_client_form.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "app/format_text.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kBadNumber = 38010;
constexpr std::uint32_t kNumberInUse = 38011;
constexpr std::uint32_t kNoLastName = 38012;
constexpr std::uint32_t kCommentTooLong = 38013;
constexpr std::uint32_t kNoKFactor = 38014;
constexpr std::uint32_t kBadKFactor = 38015;
constexpr std::uint32_t kNoReading = 38016;
constexpr std::uint32_t kBadReading = 38017;
constexpr std::uint32_t kReadingNotPositive = 38018;
constexpr std::uint32_t kNoDate = 38019;
constexpr std::uint32_t kBadDate = 38020;
constexpr std::uint32_t kNoHeaterGallons = 38021;
constexpr std::uint32_t kBadHeaterGallons = 38022;
constexpr std::uint32_t kSaveFailed = 38023;
constexpr std::uint32_t kTextTooLong = 38025;
constexpr std::uint32_t kControlCharacter = 38027;

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool Blank(std::string_view s) { return Trim(s).empty(); }

// A number that fits the record's 32-bit float.
bool ParseFloat(std::string_view text, float* out) {
  double v = 0;
  if (!ParseFuelNumber(text, &v) || std::fabs(v) > std::numeric_limits<float>::max()) return false;
  *out = static_cast<float>(v);
  return true;
}

// The shortest text that reads back as the same float (11.57, not 11.5699997).
std::string FloatText(float v) {
  char buf[48];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(v));
    if (std::strtof(buf, nullptr) == v) break;
  }
  return buf;
}

FuelFormResult Refuse(std::string field, std::string message) {
  FuelFormResult r;
  r.field = std::move(field);
  r.message = std::move(message);
  return r;
}

// The texts the form shows, with their fields and sizes, in the order they are checked.
struct TextField {
  const char* key;
  const char* label;
  std::string FuelClientForm::*text;
  bool (FuelCustomer::*set)(std::string_view);
  std::size_t size;
};

constexpr TextField kTextFields[] = {
    {"last-name", "Last name", &FuelClientForm::last_name, &FuelCustomer::SetLastName, kFuelNameSize},
    {"first-name", "First name", &FuelClientForm::first_name, &FuelCustomer::SetFirstName, kFuelNameSize},
    {"street", "Street", &FuelClientForm::street, &FuelCustomer::SetStreet, kFuelStreetSize},
    {"city", "City", &FuelClientForm::city, &FuelCustomer::SetCity, kFuelShortTextSize},
    {"state", "State", &FuelClientForm::state, &FuelCustomer::SetState, kFuelShortTextSize},
    {"zip", "Zip code", &FuelClientForm::zip, &FuelCustomer::SetZip, kFuelShortTextSize},
    {"comment1", nullptr, &FuelClientForm::comment1, &FuelCustomer::SetComment1, kFuelCommentSize},
    {"comment2", nullptr, &FuelClientForm::comment2, &FuelCustomer::SetComment2, kFuelCommentSize},
};

}  // namespace

bool ParseFuelNumber(std::string_view text, double* out) {
  const std::string s(Trim(text));
  if (s.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

bool ParseFuelDate(std::string_view text, DateTime* out) { return ParseIsoDate(Trim(text), out); }

std::string IsoDate(const DateTime& d) {
  if (!d.valid) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

FuelClientForm FuelClientForm::Of(const FuelCustomer& c) {
  FuelClientForm f;
  f.number = std::to_string(c.Number());
  f.last_name = c.LastName();
  f.first_name = c.FirstName();
  f.street = c.Street();
  f.city = c.City();
  f.state = c.State();
  f.zip = c.Zip();
  f.comment1 = c.Comment1();
  f.comment2 = c.Comment2();
  f.k_factor = FloatText(c.KFactor());
  f.reading = FloatText(c.Reading());
  f.reading_date = IsoDate(c.ReadingDate());
  f.water_heater = c.WaterHeater();
  f.heater_gallons = FloatText(c.HeaterGallons());
  return f;
}

bool FuelClientForm::Set(std::string_view key, std::string_view value, std::string* error) {
  for (const TextField& t : kTextFields) {
    if (key == t.key) {
      this->*t.text = std::string(value);
      return true;
    }
  }
  if (key == "number")
    number = value;
  else if (key == "kfactor")
    k_factor = value;
  else if (key == "reading")
    reading = value;
  else if (key == "reading-date")
    reading_date = value;
  else if (key == "heater-gallons")
    heater_gallons = value;
  else if (key == "water-heater") {
    if (value != "0" && value != "1") {
      *error = "water-heater: give 0 or 1";
      return false;
    }
    water_heater = value == "1";
  } else {
    *error = "unknown field '" + std::string(key) +
             "' (number, last-name, first-name, street, city, state, zip, comment1, comment2, kfactor, reading, "
             "reading-date, water-heater, heater-gallons)";
    return false;
  }
  return true;
}

FuelFormResult CheckFuelClientForm(const FuelClientForm& form, const FuelCustomer& original, bool is_new,
                                   const std::function<bool(std::int32_t)>& in_use) {
  FuelCustomer c = original;

  // Customer number: a whole number of the customer range, not another customer's.
  const std::string_view number_text = Trim(form.number);
  std::int32_t number = 0;
  bool number_ok = !number_text.empty() && number_text.size() <= 8;
  for (char ch : number_text) {
    if (ch < '0' || ch > '9')
      number_ok = false;
    else
      number = number * 10 + (ch - '0');
  }
  if (!number_ok || number > kMaxCustomerNumber) {
    return Refuse("number", FormatText(LoadString(kBadNumber), form.number.c_str()));
  }
  if ((is_new || number != original.Number()) && in_use && in_use(number)) {
    return Refuse("number", FormatText(LoadString(kNumberInUse), static_cast<long>(number)));
  }
  c.SetNumber(number);

  // The texts: a last name, and nothing longer than its field.
  if (Blank(form.last_name)) return Refuse("last-name", std::string(LoadString(kNoLastName)));
  for (const TextField& t : kTextFields) {
    const std::string& text = form.*t.text;
    // Line breaks, tabs and zero bytes would break the report's lines or be cut off.
    for (unsigned char ch : text) {
      if (ch < 0x20 || ch == 0x7F) {
        return Refuse(t.key, FormatText(LoadString(kControlCharacter), t.label ? t.label : "Comment"));
      }
    }
    if (!(c.*t.set)(text)) {
      if (t.label == nullptr) return Refuse(t.key, std::string(LoadString(kCommentTooLong)));
      return Refuse(t.key, FormatText(LoadString(kTextTooLong), t.label, static_cast<int>(t.size - 1)));
    }
  }

  float k = 0;
  if (Blank(form.k_factor)) return Refuse("kfactor", std::string(LoadString(kNoKFactor)));
  if (!ParseFloat(form.k_factor, &k) || !(k > 0.0f)) {
    return Refuse("kfactor", FormatText(LoadString(kBadKFactor), form.k_factor.c_str()));
  }
  c.SetKFactor(k);

  float reading = 0;
  if (Blank(form.reading)) return Refuse("reading", std::string(LoadString(kNoReading)));
  if (!ParseFloat(form.reading, &reading))
    return Refuse("reading", FormatText(LoadString(kBadReading), form.reading.c_str()));
  if (!(reading > 0.0f)) return Refuse("reading", FormatText(LoadString(kReadingNotPositive), form.reading.c_str()));
  c.SetReading(reading);

  DateTime date;
  if (Blank(form.reading_date)) return Refuse("reading-date", std::string(LoadString(kNoDate)));
  if (!ParseFuelDate(form.reading_date, &date)) {
    return Refuse("reading-date", FormatText(LoadString(kBadDate), form.reading_date.c_str()));
  }
  c.SetReadingDate(date);

  // The heater's use is required with the heater on; a use typed with it off is still
  // checked, so that nothing unusable is stored. A negative use is not understood.
  float gallons = 0;
  if (form.water_heater && Blank(form.heater_gallons)) {
    return Refuse("heater-gallons", std::string(LoadString(kNoHeaterGallons)));
  }
  if (!Blank(form.heater_gallons)) {
    if (!ParseFloat(form.heater_gallons, &gallons) || gallons < 0.0f) {
      return Refuse("heater-gallons", FormatText(LoadString(kBadHeaterGallons), form.heater_gallons.c_str()));
    }
    c.SetHeaterGallons(gallons);
  }
  c.SetWaterHeater(form.water_heater);

  FuelFormResult ok;
  ok.ok = true;
  ok.customer = c;
  return ok;
}

FuelFormResult SaveFuelClient(const std::string& fuel_folder, const FuelClientForm& form, const FuelCustomer& original,
                              bool is_new) {
  FuelFormResult r =
      CheckFuelClientForm(form, original, is_new, [&](std::int32_t n) { return CustomerExists(fuel_folder, n); });
  if (!r.ok) return r;
  if (const int err = SaveCustomer(fuel_folder, r.customer); err != kFuelOk) {
    r.ok = false;
    r.field.clear();
    r.message = FormatText(LoadString(kSaveFailed), err);
    return r;
  }
  // The old file goes only once the new one is safely written.
  if (!is_new && r.customer.Number() != original.Number() && !RemoveCustomer(fuel_folder, original.Number())) {
    r.warning = "the old file " + CustomerPath(fuel_folder, original.Number()) + " could not be removed";
  }
  return r;
}

}  // namespace sq
