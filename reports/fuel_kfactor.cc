#include "reports/fuel_kfactor.h"

#include <string_view>

#include "app/format_text.h"
#include "reports/fuel_client_form.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kNoStart = 38030;
constexpr std::uint32_t kBadStart = 38031;
constexpr std::uint32_t kStartBeforeFirst = 38032;
constexpr std::uint32_t kStartAfterLast = 38033;
constexpr std::uint32_t kNoEnd = 38034;
constexpr std::uint32_t kBadEnd = 38035;
constexpr std::uint32_t kEndBeforeFirst = 38036;
constexpr std::uint32_t kEndBeforeStart = 38037;
constexpr std::uint32_t kEndAfterLast = 38038;
constexpr std::uint32_t kNoGallons = 38039;
constexpr std::uint32_t kBadGallons = 38040;
constexpr std::uint32_t kGallonsNotPositive = 38041;

KFactorResult Refuse(const char* field, std::string message) {
  KFactorResult r;
  r.field = field;
  r.message = std::move(message);
  return r;
}

std::string Text(std::uint32_t id) { return std::string(LoadString(id)); }

bool Blank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

KFactorResult CalcKFactor(WeatherDatabase& db, const KFactorInput& in, float base_f, bool integration,
                          const DegDayPrompts& prompts) {
  const DateList& days = db.date_list();
  if (days.size() == 0) return Refuse("start", Text(string_id::kFuelNoDataToEstimate));
  const std::int32_t first = days.keys().front();
  const std::int32_t last = days.keys().back();

  DateTime start, end;
  if (Blank(in.start)) return Refuse("start", Text(kNoStart));
  if (!ParseFuelDate(in.start, &start)) return Refuse("start", FormatText(LoadString(kBadStart), in.start));
  if (start.GetPackedDate() < first) return Refuse("start", FormatText(LoadString(kStartBeforeFirst), in.start));
  if (start.GetPackedDate() > last) return Refuse("start", FormatText(LoadString(kStartAfterLast), in.start));

  if (Blank(in.end)) return Refuse("end", Text(kNoEnd));
  if (!ParseFuelDate(in.end, &end)) return Refuse("end", FormatText(LoadString(kBadEnd), in.end));
  if (end.GetPackedDate() < first) return Refuse("end", FormatText(LoadString(kEndBeforeFirst), in.end));
  if (end.GetPackedDate() < start.GetPackedDate()) return Refuse("end", Text(kEndBeforeStart));
  if (end.GetPackedDate() > last) return Refuse("end", Text(kEndAfterLast));

  double gallons = 0.0;
  if (Blank(in.gallons)) return Refuse("gallons", Text(kNoGallons));
  if (!ParseFuelNumber(in.gallons, &gallons)) return Refuse("gallons", FormatText(LoadString(kBadGallons), in.gallons));
  if (!(gallons > 0.0)) return Refuse("gallons", FormatText(LoadString(kGallonsNotPositive), in.gallons));

  KFactorResult r;
  const int rc = integration ? DegDayIntegrationMethod(db, start, end, &r.degree_days, base_f, prompts)
                             : DegDayHighLowMethod(db, start, end, &r.degree_days, base_f, prompts);
  if (rc != 0) {
    r.status = -2;
    return r;
  }
  r.status = 0;
  r.gallons = gallons;
  r.k_factor = r.degree_days / gallons;
  r.k_text = FormatText("%.2f", r.k_factor);
  return r;
}

}  // namespace sq
