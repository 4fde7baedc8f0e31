// The customer form ("Fuel Client Information"): the customer's fields as the user
// types them, the checks made before anything is saved, and saving with renumbering.
//
// Dates in the form are ISO (YYYY-MM-DD). Every check runs before anything is written;
// the first refused field is reported with its message and nothing changes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/date_time.h"
#include "reports/fuel_customer.h"

namespace sq {

struct FuelClientForm {
  std::string number;
  std::string last_name;
  std::string first_name;
  std::string street;
  std::string city;
  std::string state;
  std::string zip;
  std::string comment1;
  std::string comment2;
  std::string k_factor;
  std::string reading;
  std::string reading_date;  // YYYY-MM-DD
  bool water_heater = false;
  std::string heater_gallons;

  // The form showing a stored customer (numbers in a form that reads back exactly).
  [[nodiscard]] static FuelClientForm Of(const FuelCustomer& c);
  // Sets a field by its key (number, last-name, first-name, street, city, state, zip,
  // comment1, comment2, kfactor, reading, reading-date, water-heater, heater-gallons).
  // False, with `*error` set, for an unknown key or a water-heater value other than 0/1.
  bool Set(std::string_view key, std::string_view value, std::string* error);
};

// The checked result: the customer to save, or the first refusal.
struct FuelFormResult {
  bool ok = false;
  std::string field;    // the refused field's key
  std::string message;  // the refusal, for the user
  std::string warning;  // saved, but the renumbered customer's old file is still there
  FuelCustomer customer;
};

// Checks the form in order (number, number in use, last name, comments, K factor,
// reading, reading date, water heater) and builds the customer on top of `original`
// (so bytes the form does not show are kept). `in_use(n)` answers whether another
// customer has number n; it is asked only when n differs from `original`'s number
// (`is_new`: always).
[[nodiscard]] FuelFormResult CheckFuelClientForm(const FuelClientForm& form, const FuelCustomer& original, bool is_new,
                                                 const std::function<bool(std::int32_t)>& in_use);

// Checks and saves a customer in the fuel folder. A changed number saves the new file
// first and then removes the old one, so a failure never loses the customer. The
// result's message holds the refusal or "Could not save fuel data file. (%d)".
[[nodiscard]] FuelFormResult SaveFuelClient(const std::string& fuel_folder, const FuelClientForm& form,
                                            const FuelCustomer& original, bool is_new);

// A date typed as YYYY-MM-DD (surrounding blanks allowed); false (out untouched) when
// it is not a real date.
[[nodiscard]] bool ParseFuelDate(std::string_view text, DateTime* out);
// YYYY-MM-DD of a date; empty when it is not valid.
[[nodiscard]] std::string IsoDate(const DateTime& d);
// A number typed by the user (surrounding blanks allowed); false unless the whole text
// is one finite number.
[[nodiscard]] bool ParseFuelNumber(std::string_view text, double* out);

}  // namespace sq
