#include "reports/fuel_report.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "app/format_text.h"
#include "app/station.h"
#include "reports/fuel_customer.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kCannotRead = 38054;
constexpr std::uint32_t kNoneSelected = 38055;

// The report's layout. The formats stay in the code, where the compiler checks them
// against their arguments.
constexpr char kHeading[] = "               Fuel Remaining Report %s\n\n";
constexpr char kShortHeading[] = "      Name            Gallons        Street\n";
constexpr int kShortRuleWidth = 49;
constexpr char kShortLine[] = "%-20s %10.2f  %s\n";
constexpr char kShortRanOut[] = "%-20s  Ran out on %s.  %s\n";
constexpr char kLongLastName[] = "%-20s: %s (#%ld)\n";
constexpr char kLongName[] = "%-20s: %s, %s (#%ld)\n";
constexpr char kLongText[] = "%-20s: %s\n";
constexpr char kLongPlace[] = "City: %s   State: %s   Zip: %s\n";
constexpr char kLongValue[] = "%-20s: %.2f\n";
constexpr char kLongReading[] = "%-20s: %.2f %s %s\n";
constexpr char kLongHeater[] = "%-20s: %.1f %s\n";
constexpr char kLongComment[] = "%s : %s\n";
constexpr char kLongComment2[] = "          %s\n";

struct Entry {
  FuelCustomer customer;
  double gallons_left = 0.0;
  DateTime empty_date;
};

[[gnu::format(printf, 2, 3)]] void Appendf(std::string& out, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (n > 0) {
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data() + at, static_cast<std::size_t>(n) + 1, format, again);
    out.resize(at + static_cast<std::size_t>(n));
  }
  va_end(again);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

void AppendShort(std::string& out, const Entry& e) {
  const FuelCustomer& c = e.customer;
  if (e.empty_date.valid) {
    Appendf(out, kShortRanOut, c.DisplayName().c_str(), e.empty_date.GetDateStr().c_str(), c.Street().c_str());
  } else {
    Appendf(out, kShortLine, c.DisplayName().c_str(), e.gallons_left, c.Street().c_str());
  }
}

void AppendLong(std::string& out, const Entry& e) {
  const FuelCustomer& c = e.customer;
  const long number = c.Number();
  if (c.FirstName().empty())
    Appendf(out, kLongLastName, "Last Name", c.LastName().c_str(), number);
  else
    Appendf(out, kLongName, "Name", c.LastName().c_str(), c.FirstName().c_str(), number);
  Appendf(out, kLongText, "Street", c.Street().c_str());
  Appendf(out, kLongPlace, c.City().c_str(), c.State().c_str(), c.Zip().c_str());
  if (e.empty_date.valid)
    Appendf(out, kLongText, "Ran out on", e.empty_date.GetDateStr().c_str());
  else
    Appendf(out, kLongValue, "Gallons Left", e.gallons_left);
  Appendf(out, kLongReading, "Last Reading", static_cast<double>(c.Reading()), "on",
          c.ReadingDate().GetDateStr().c_str());
  Appendf(out, kLongValue, "KFactor", static_cast<double>(c.KFactor()));
  if (c.WaterHeater()) {
    Appendf(out, kLongHeater, "Water Heater", static_cast<double>(c.HeaterGallons()), "gallons per day");
  } else {
    Appendf(out, kLongText, "Water Heater", "No");
  }
  Appendf(out, kLongComment, "Comment", c.Comment1().c_str());
  if (!c.Comment2().empty()) Appendf(out, kLongComment2, c.Comment2().c_str());
  out += "\n";
}

}  // namespace

FuelReportOptions FuelReportOptionsOf(const Station& station) {
  const StationRecord& r = station.record();
  FuelReportOptions o;
  o.long_format = r.fuel_long_format != 0;
  o.by_name = r.fuel_sort_by_name != 0;
  o.only_below = r.fuel_only_below != 0;
  o.threshold = r.fuel_threshold;
  return o;
}

FuelReport BuildFuelReport(FuelEstimator& estimator, const std::string& fuel_folder, const FuelReportOptions& options,
                           const DateTime& today) {
  FuelReport report;
  if (!estimator.HasData()) {
    report.error = std::string(LoadString(string_id::kFuelNoDataToReport));
    return report;
  }
  std::vector<Entry> entries;
  for (const CustomerFile& f : ListCustomers(fuel_folder)) {
    if (f.status != kFuelOk) {
      report.problems.push_back(f.number >= 0 ? FormatText(LoadString(kCannotRead), static_cast<long>(f.number))
                                              : std::string(LoadString(string_id::kFuelCustomerUnreadable)) + " (" +
                                                    f.path + ")");
      continue;
    }
    if (!f.customer.Estimable()) {
      report.problems.push_back(
          FormatText(LoadString(string_id::kFuelCustomerNotEstimable), static_cast<long>(f.customer.Number())));
      continue;
    }
    Entry e;
    e.customer = f.customer;
    if (estimator.GallonsLeft(e.customer, &e.gallons_left, &e.empty_date) != 0) {
      // A database error is not the customer's: no report can be made.
      report.error = estimator.last_error();
      return report;
    }
    if (options.only_below && !(e.gallons_left <= options.threshold)) continue;
    entries.push_back(std::move(e));
  }
  if (options.only_below && entries.empty()) {
    report.error = std::string(LoadString(kNoneSelected));
    return report;
  }
  // The files come by number, so equal keys keep that order.
  if (options.by_name) {
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
      const std::string la = Lower(a.customer.LastName()), lb = Lower(b.customer.LastName());
      if (la != lb) return la < lb;
      return Lower(a.customer.FirstName()) < Lower(b.customer.FirstName());
    });
  } else {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.gallons_left < b.gallons_left; });
  }

  std::string& out = report.text;
  Appendf(out, kHeading, today.GetDateStr().c_str());
  if (!options.long_format) {
    out += kShortHeading;
    out += std::string(kShortRuleWidth, '-') + "\n";
  }
  for (const Entry& e : entries) {
    if (options.long_format)
      AppendLong(out, e);
    else
      AppendShort(out, e);
  }
  report.customers = static_cast<int>(entries.size());
  report.status = 0;
  return report;
}

}  // namespace sq
