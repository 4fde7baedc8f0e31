// stratoquill fuel: a fuel dealer's customers, their tank estimates, K factors and the
// fuel demand report, kept in the station folder's fuel folder.
//
//   fuel FOLDER list | show N | add KEY=VALUE... | edit N KEY=VALUE... | remove N [--yes]
//        | estimate N | kfactor N --from D --to D --gallons G [--save] [--accept-incomplete]
//        | report [--long|--short] [--sort name|gallons] [--below G]
//
// Estimates use the station's fuel base temperature and degree-day method; the report
// uses its report settings unless the options say otherwise. Commands that change a
// customer take the fuel folder's writer lock and change nothing when a value is refused.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/messages.h"
#include "app/station.h"
#include "database/daily_summary_ops.h"
#include "database/weather_database.h"
#include "database/writer_lock.h"
#include "foundation/clock.h"
#include "foundation/date_time.h"
#include "foundation/file_util.h"
#include "foundation/regional_settings.h"
#include "reports/fuel_client_form.h"
#include "reports/fuel_customer.h"
#include "reports/fuel_estimate.h"
#include "reports/fuel_kfactor.h"
#include "reports/fuel_report.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

constexpr std::uint32_t kReportFileName = 38000;

const char* const kUsage =
    "Usage: stratoquill fuel FOLDER COMMAND [ARGS...]\n"
    "\n"
    "A fuel dealer's customers and their heating-fuel estimates, kept in the station\n"
    "folder's Fuel folder (one file per customer).\n"
    "\n"
    "Commands:\n"
    "  list                      the customers, by number\n"
    "  show N                    every field of customer N\n"
    "  add KEY=VALUE...          a new customer (number: the next free one unless given)\n"
    "  edit N KEY=VALUE...       change customer N's fields (number=M renumbers it)\n"
    "  remove N [--yes]          delete customer N (asks first on a terminal)\n"
    "  estimate N                gallons left in customer N's tank, or the day it ran empty\n"
    "  kfactor N --from YYYY-MM-DD --to YYYY-MM-DD --gallons G [--save] [--accept-incomplete]\n"
    "                            K factor (degree days per gallon) from a delivery of G\n"
    "                            gallons used between the dates; --save stores it\n"
    "  report [--long|--short] [--sort name|gallons] [--below G]\n"
    "                            the fuel demand report, written to fuelrep.txt in the\n"
    "                            current folder and printed\n"
    "\n"
    "Keys: number, last-name, first-name, street, city, state, zip, comment1, comment2,\n"
    "kfactor, reading (gallons), reading-date (YYYY-MM-DD), water-heater (0|1),\n"
    "heater-gallons (gallons a day). A new customer needs last-name, kfactor, reading and\n"
    "reading-date.\n"
    "\n"
    "Estimates use the station's fuel-base and fuel-integration settings; the report's\n"
    "defaults are its fuel-format, fuel-sort, fuel-only-below and fuel-threshold\n"
    "(see 'stratoquill station set').\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "stratoquill fuel: %s\nRun 'stratoquill fuel --help' for the commands and keys.\n",
               problem.c_str());
  return kExitUsage;
}

// The sub-command's own arguments: positionals, --name value options and flags.
struct Parsed {
  std::vector<std::string> pos;
  std::vector<std::pair<std::string, std::string>> opts;  // in order; flags have ""
  std::string problem;
  [[nodiscard]] bool Has(const std::string& name) const {
    for (const auto& o : opts) {
      if (o.first == name) return true;
    }
    return false;
  }
  [[nodiscard]] std::string Get(const std::string& name) const {
    for (const auto& o : opts) {
      if (o.first == name) return o.second;
    }
    return {};
  }
};

Parsed Parse(const Args& args, std::size_t from, const std::vector<std::string>& valued,
             const std::vector<std::string>& flags) {
  Parsed p;
  for (std::size_t i = from; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 1 && a[0] == '-' && !(a.size() > 1 && (std::isdigit(static_cast<unsigned char>(a[1])) != 0))) {
      bool known = false;
      for (const auto& v : valued) {
        if (a != v) continue;
        known = true;
        if (i + 1 >= args.size())
          p.problem = a + " needs a value";
        else
          p.opts.emplace_back(a, args[++i]);
      }
      for (const auto& f : flags) {
        if (a != f) continue;
        known = true;
        p.opts.emplace_back(a, "");
      }
      if (!known && p.problem.empty()) p.problem = "unknown option '" + a + "'";
    } else {
      p.pos.push_back(a);
    }
  }
  return p;
}

// A customer number typed on the command line.
bool ParseNumber(const std::string& s, std::int32_t* out) {
  if (s.empty() || s.size() > 8 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  *out = static_cast<std::int32_t>(std::strtol(s.c_str(), nullptr, 10));
  return true;
}

struct Context {
  std::string folder;
  std::string fuel;
  Station station;
};

bool LoadContext(const std::string& folder, Context* ctx) {
  if (!LoadStation("fuel", folder, &ctx->station)) return false;
  ctx->folder = folder;
  ctx->fuel = FuelFolder(folder);
  return true;
}

bool LockFuel(const Context& ctx, WriterLock& lock) {
  std::error_code ec;
  std::filesystem::create_directories(ctx.fuel, ec);
  std::string error;
  if (!ec && lock.Acquire(ctx.fuel, &error)) return true;
  std::fprintf(stderr, "stratoquill fuel: %s\n", ec ? ec.message().c_str() : error.c_str());
  return false;
}

// Customer `number`, with a message when it is missing or cannot be read.
bool LoadCustomer(const Context& ctx, std::int32_t number, FuelCustomer* c) {
  switch (ReadCustomer(ctx.fuel, number, c)) {
    case kFuelOk:
      return true;
    case kFuelWrongSize:
      std::fprintf(stderr, "stratoquill fuel: %s is not a customer file (it must be %zu bytes)\n",
                   CustomerPath(ctx.fuel, number).c_str(), kFuelCustomerSize);
      return false;
    default:
      std::fprintf(stderr, "stratoquill fuel: there is no customer no. %ld (%s)\n", static_cast<long>(number),
                   CustomerPath(ctx.fuel, number).c_str());
      return false;
  }
}

// The database, or false with the message the caller gives for an empty one.
enum class DbState { kOpen, kEmpty, kFailed };
DbState OpenDb(const Context& ctx, WeatherDatabase& db) {
  const int rc = db.OpenDatabase(ctx.folder, true);
  if (rc == kDbNoFiles) return DbState::kEmpty;
  if (rc != kDbOk && db.month_count() == 0) {
    std::fprintf(stderr, "stratoquill fuel: %s\n", db.last_error().c_str());
    return DbState::kFailed;
  }
  ReportMonthProblems("fuel", db);
  return db.date_list().size() == 0 ? DbState::kEmpty : DbState::kOpen;
}

// The database holding at least a day; false with a message (`empty_message` when it
// holds none).
bool OpenData(const Context& ctx, WeatherDatabase& db, std::uint32_t empty_message) {
  switch (OpenDb(ctx, db)) {
    case DbState::kFailed:
      return false;
    case DbState::kEmpty:
      Fail("fuel", std::string(LoadString(empty_message)));
      return false;
    case DbState::kOpen:
      break;
  }
  return true;
}

const char* MethodName(const Station& s) { return s.record().fuel_integration ? "integration" : "high/low"; }

// Applies KEY=VALUE arguments to the form; false with a message on a bad one.
bool ApplyFields(const std::vector<std::string>& fields, FuelClientForm* form) {
  for (const std::string& f : fields) {
    const auto eq = f.find('=');
    std::string error;
    if (eq == std::string::npos)
      error = "'" + f + "' is not KEY=VALUE";
    else if (!form->Set(f.substr(0, eq), f.substr(eq + 1), &error))
      error = error.empty() ? "bad field" : error;
    if (!error.empty()) {
      Usage(error);
      return false;
    }
  }
  return true;
}

int SaveForm(const Context& ctx, const FuelClientForm& form, const FuelCustomer& original, bool is_new) {
  const FuelFormResult r = SaveFuelClient(ctx.fuel, form, original, is_new);
  if (!r.ok) {
    return Fail("fuel", r.field.empty() ? r.message : r.field + ": " + r.message + " Nothing was changed.");
  }
  if (!r.warning.empty()) std::fprintf(stderr, "stratoquill fuel: %s\n", r.warning.c_str());
  std::printf("Customer no. %ld saved in %s\n", static_cast<long>(r.customer.Number()),
              CustomerPath(ctx.fuel, r.customer.Number()).c_str());
  return kExitOk;
}

// ---------------------------------------------------------------- sub-commands

int List(const Context& ctx) {
  const std::vector<CustomerFile> files = ListCustomers(ctx.fuel);
  int shown = 0;
  for (const CustomerFile& f : files) {
    if (f.status != kFuelOk) {
      std::fprintf(stderr, "stratoquill fuel: %s (%s)\n",
                   std::string(LoadString(string_id::kFuelCustomerUnreadable)).c_str(), f.path.c_str());
      continue;
    }
    if (shown++ == 0) {
      std::printf("%8s  %-30s %-30s %10s %-10s %6s\n", "No.", "Name", "Street", "Reading", "on", "K");
    }
    const FuelCustomer& c = f.customer;
    std::printf("%8ld  %-30s %-30s %10.2f %-10s %6.2f\n", static_cast<long>(c.Number()), c.DisplayName().c_str(),
                c.Street().c_str(), static_cast<double>(c.Reading()), IsoDate(c.ReadingDate()).c_str(),
                static_cast<double>(c.KFactor()));
    if (f.number >= 0 && f.number != c.Number()) {
      std::fprintf(stderr, "stratoquill fuel: %s holds customer no. %ld\n", f.path.c_str(),
                   static_cast<long>(c.Number()));
    }
  }
  if (shown == 0) {
    std::printf(
        "No customers in %s. Add one with:\n  stratoquill fuel %s add last-name=NAME kfactor=K "
        "reading=GALLONS reading-date=YYYY-MM-DD\n",
        ctx.fuel.c_str(), ctx.folder.c_str());
  }
  return kExitOk;
}

int Show(const Context& ctx, std::int32_t number) {
  FuelCustomer c;
  if (!LoadCustomer(ctx, number, &c)) return kExitFailed;
  const FuelClientForm f = FuelClientForm::Of(c);
  const std::pair<const char*, std::string> rows[] = {
      {"number", f.number},
      {"last-name", f.last_name},
      {"first-name", f.first_name},
      {"street", f.street},
      {"city", f.city},
      {"state", f.state},
      {"zip", f.zip},
      {"comment1", f.comment1},
      {"comment2", f.comment2},
      {"kfactor", f.k_factor},
      {"reading", f.reading},
      {"reading-date", f.reading_date},
      {"water-heater", f.water_heater ? "1" : "0"},
      {"heater-gallons", f.heater_gallons},
  };
  for (const auto& [key, value] : rows) std::printf("%-15s %s\n", key, value.c_str());
  return kExitOk;
}

int Add(const Context& ctx, const std::vector<std::string>& fields) {
  WriterLock lock;
  if (!LockFuel(ctx, lock)) return kExitFailed;
  std::vector<std::int32_t> used;
  for (const CustomerFile& f : ListCustomers(ctx.fuel)) {
    if (f.number >= 0) used.push_back(f.number);
  }
  FuelClientForm form = FuelClientForm::Of(FuelCustomer());
  form.k_factor.clear();
  form.reading.clear();
  const std::int32_t next = NextCustomerNumber(used);
  form.number = next >= 0 ? std::to_string(next) : "";
  if (!ApplyFields(fields, &form)) return kExitUsage;
  return SaveForm(ctx, form, FuelCustomer(), true);
}

int Edit(const Context& ctx, std::int32_t number, const std::vector<std::string>& fields) {
  if (fields.empty()) return Usage("edit: give the fields to change as KEY=VALUE");
  WriterLock lock;
  if (!LockFuel(ctx, lock)) return kExitFailed;
  FuelCustomer c;
  if (!LoadCustomer(ctx, number, &c)) return kExitFailed;
  // The file's name is the customer's number, whatever the record says.
  c.SetNumber(number);
  FuelClientForm form = FuelClientForm::Of(c);
  if (!ApplyFields(fields, &form)) return kExitUsage;
  return SaveForm(ctx, form, c, false);
}

int Remove(const Context& ctx, std::int32_t number, bool yes) {
  WriterLock lock;
  if (!LockFuel(ctx, lock)) return kExitFailed;
  if (!CustomerExists(ctx.fuel, number)) {
    return Fail("fuel",
                "there is no customer no. " + std::to_string(number) + " (" + CustomerPath(ctx.fuel, number) + ")");
  }
  FuelCustomer c;
  const std::string who = ReadCustomer(ctx.fuel, number, &c) == kFuelOk ? " (" + c.DisplayName() + ")" : "";
  if (!yes && !AskYesNo("Remove customer no. " + std::to_string(number) + who + "?", "Stratoquill", false)) {
    std::fprintf(stderr, "stratoquill fuel: nothing removed (--yes removes without asking)\n");
    return kExitFailed;
  }
  if (!RemoveCustomer(ctx.fuel, number)) return Fail("fuel", "cannot remove " + CustomerPath(ctx.fuel, number));
  std::printf("Customer no. %ld removed\n", static_cast<long>(number));
  return kExitOk;
}

int Estimate(const Context& ctx, std::int32_t number) {
  FuelCustomer c;
  if (!LoadCustomer(ctx, number, &c)) return kExitFailed;
  WeatherDatabase db;
  if (!OpenData(ctx, db, string_id::kFuelNoDataToEstimate)) return kExitFailed;
  FuelEstimator estimator(db, ctx.station);
  const FuelEstimate e = EstimateFuel(estimator, c);
  if (e.status != 0) return Fail("fuel", e.text);
  std::printf("%s: %s\n", c.DisplayName().c_str(), e.text.c_str());
  return kExitOk;
}

int KFactor(const Context& ctx, std::int32_t number, const Parsed& p) {
  FuelCustomer c;
  if (!LoadCustomer(ctx, number, &c)) return kExitFailed;
  WeatherDatabase db;
  if (OpenDb(ctx, db) == DbState::kFailed) return kExitFailed;
  const bool accept = p.Has("--accept-incomplete");
  const DegDayPrompts prompts{[&](const std::string& q) { return accept || AskYesNo(q, "Stratoquill", false); },
                              [](const std::string& e) { std::fprintf(stderr, "stratoquill fuel: %s\n", e.c_str()); }};
  const float base = ctx.station.record().fuel_base;
  const bool integration = ctx.station.record().fuel_integration != 0;
  const KFactorResult r =
      CalcKFactor(db, {p.Get("--from"), p.Get("--to"), p.Get("--gallons")}, base, integration, prompts);
  if (r.status == -1) {
    static const std::pair<const char*, const char*> kOptions[] = {
        {"start", "--from"}, {"end", "--to"}, {"gallons", "--gallons"}};
    std::string option;
    for (const auto& [field, name] : kOptions) {
      if (r.field == field) option = std::string(name) + ": ";
    }
    return Fail("fuel", option + r.message);
  }
  if (r.status != 0) return Fail("fuel", "no K factor computed (--accept-incomplete uses days with little data)");
  std::printf("K factor of customer no. %ld: %s (%.1f degree days, %.2f gallons; %s method, base %.1f F)\n",
              static_cast<long>(number), r.k_text.c_str(), r.degree_days, r.gallons, MethodName(ctx.station),
              static_cast<double>(base));
  if (!p.Has("--save")) return kExitOk;
  WriterLock lock;
  if (!LockFuel(ctx, lock)) return kExitFailed;
  c.SetNumber(number);
  FuelClientForm form = FuelClientForm::Of(c);
  form.k_factor = r.k_text;
  return SaveForm(ctx, form, c, false);
}

int Report(const Context& ctx, const Parsed& p) {
  FuelReportOptions o = FuelReportOptionsOf(ctx.station);
  if (p.Has("--long") && p.Has("--short")) return Usage("give --long or --short, not both");
  if (p.Has("--long")) o.long_format = true;
  if (p.Has("--short")) o.long_format = false;
  if (p.Has("--sort")) {
    const std::string sort = p.Get("--sort");
    if (sort != "name" && sort != "gallons") return Usage("--sort: give name or gallons");
    o.by_name = sort == "name";
  }
  if (p.Has("--below")) {
    double g = 0;
    if (!ParseFuelNumber(p.Get("--below"), &g)) return Usage("--below: give a number of gallons");
    o.only_below = true;
    o.threshold = static_cast<float>(g);
  }
  WeatherDatabase db;
  if (!OpenData(ctx, db, string_id::kFuelNoDataToReport)) return kExitFailed;
  FuelEstimator estimator(db, ctx.station);
  DateTime today;
  today.SetCurrentTime();
  const FuelReport report = BuildFuelReport(estimator, ctx.fuel, o, today);
  for (const std::string& problem : report.problems) std::fprintf(stderr, "stratoquill fuel: %s\n", problem.c_str());
  if (report.status != 0) return Fail("fuel", report.error);
  const std::string path = std::string(LoadString(kReportFileName));
  std::string error;
  if (!WriteFileAtomic(path, report.text, &error)) return Fail("fuel", error);
  std::fputs(report.text.c_str(), stdout);
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(path, ec);
  std::fprintf(stderr, "Report of %d customers (%s method) written to %s\n", report.customers, MethodName(ctx.station),
               ec ? path.c_str() : absolute.c_str());
  return kExitOk;
}

}  // namespace

int RunFuel(const Args& args) {
  for (const std::string& a : args) {
    if (IsHelp(a)) {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
  }
  if (args.size() < 3) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  const std::string& folder = args[1];
  const std::string& sub = args[2];
  LoadRegionalSettings();

  const bool with_number = sub == "show" || sub == "edit" || sub == "remove" || sub == "estimate" || sub == "kfactor";
  Parsed p;
  if (sub == "list")
    p = Parse(args, 3, {}, {});
  else if (sub == "show" || sub == "estimate")
    p = Parse(args, 3, {}, {});
  else if (sub == "add" || sub == "edit")
    p = Parse(args, 3, {}, {});
  else if (sub == "remove")
    p = Parse(args, 3, {}, {"--yes"});
  else if (sub == "kfactor")
    p = Parse(args, 3, {"--from", "--to", "--gallons"}, {"--save", "--accept-incomplete"});
  else if (sub == "report")
    p = Parse(args, 3, {"--sort", "--below"}, {"--long", "--short"});
  else
    return Usage("unknown command '" + sub + "'");
  if (!p.problem.empty()) return Usage(sub + ": " + p.problem);

  std::int32_t number = -1;
  std::vector<std::string> rest = p.pos;
  if (with_number) {
    if (rest.empty() || !ParseNumber(rest[0], &number)) {
      return Usage(sub + ": give a customer number (0 to 99999999)");
    }
    rest.erase(rest.begin());
  }
  const bool takes_fields = sub == "add" || sub == "edit";
  if (!takes_fields && !rest.empty()) return Usage(sub + ": unexpected argument '" + rest[0] + "'");

  Context ctx;
  if (!LoadContext(folder, &ctx)) return kExitFailed;
  if (sub == "list") return List(ctx);
  if (sub == "show") return Show(ctx, number);
  if (sub == "add") return Add(ctx, rest);
  if (sub == "edit") return Edit(ctx, number, rest);
  if (sub == "remove") return Remove(ctx, number, p.Has("--yes"));
  if (sub == "estimate") return Estimate(ctx, number);
  if (sub == "kfactor") return KFactor(ctx, number, p);
  return Report(ctx, p);
}

}  // namespace sq::ui
