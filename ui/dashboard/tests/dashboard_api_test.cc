// The dashboard's answers, without sockets: status codes, JSON shapes, units and the
// table of bad requests, on a generated year of hourly records.
#include "ui/dashboard/dashboard_api.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "foundation/display_units.h"
#include "realtime/bulletin_fields.h"
#include "test_support/temp_dir.h"

namespace sq::dashboard {
namespace {

using json = nlohmann::json;

class DashboardApiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<testing::TempDir>();
    home_ = dir_->str();
    const std::string cmd =
        std::string(SQ_MAKE_SYNTHETIC_DB) + " " + home_ + "/Home --years 1 --interval 60 --start 2024-01 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  static void TearDownTestSuite() { dir_.reset(); }

  void SetUp() override {
    StationInfo info;
    info.name = "Home";
    info.folder = home_ + "/Home";
    state_.SetStation(info);
  }

  HttpResponse Get(const std::string& path, std::multimap<std::string, std::string> params = {}) {
    HttpResponse r = HandleRequest(context_, HttpRequest{path, std::move(params)});
    if (r.stream) {
      r.stream([&r](std::string_view piece) {
        r.body += piece;
        return true;
      });
    }
    return r;
  }

  static inline std::unique_ptr<testing::TempDir> dir_;
  static inline std::string home_;
  FakeClock clock_{1720800000000};
  DashboardState state_;
  DashboardContext context_{state_, home_, clock_};
};

TEST_F(DashboardApiTest, BadRequestsGetAClearJsonError) {
  using P = std::multimap<std::string, std::string>;
  struct Row {
    const char* legend;
    std::string path;
    P params;
    int status;
    const char* says;
  } rows[] = {
      {"no such API", "/api/nothing", {}, 404, "no such API"},
      {"no variables", "/api/records", {{"from", "2024-07-01"}, {"to", "2024-07-02"}}, 400, "at least one variable"},
      {"unknown variable",
       "/api/records",
       {{"from", "2024-07-01"}, {"to", "2024-07-02"}, {"vars", "x"}},
       400,
       "unknown variable 'x'"},
      {"malformed date",
       "/api/records",
       {{"from", "2024-07-32"}, {"to", "2024-08-01"}, {"vars", "barometer"}},
       400,
       "not a date"},
      {"missing to", "/api/records", {{"from", "2024-07-01"}, {"vars", "barometer"}}, 400, "from and to"},
      {"absurd span",
       "/api/records",
       {{"from", "1900-01-01"}, {"to", "2200-01-01"}, {"vars", "barometer"}},
       400,
       "longer than 366"},
      {"reversed span",
       "/api/records",
       {{"from", "2024-07-02"}, {"to", "2024-07-01"}, {"vars", "barometer"}},
       400,
       "before"},
      {"oversized value",
       "/api/records",
       {{"from", std::string(5000, '9')}, {"to", "2024-07-01"}, {"vars", "barometer"}},
       400,
       "too long"},
      {"repeated parameter", "/api/current", {{"units", "native"}, {"units", "display"}}, 400, "more than once"},
      {"unknown parameter", "/api/catalogue", {{"debug", "1"}}, 400, "unknown query parameter"},
      {"bad units", "/api/highlows", {{"units", "kelvin"}}, 400, "display or native"},
      {"bad day", "/api/day/2024-7-1", {}, 400, "YYYY-MM-DD"},
      {"day without data", "/api/day/2030-01-01", {}, 404, "no daily summary"},
      {"report without a period", "/api/noaa", {}, 400, "month=YYYY-MM"},
      {"report month and year", "/api/noaa", {{"month", "2024-07"}, {"year", "2024"}}, 400, "month=YYYY-MM"},
      {"bad report month", "/api/noaa", {{"month", "2024-13"}}, 400, "YYYY-MM"},
      {"plot of an unknown variable", "/plot.svg", {{"var", "nope"}}, 400, "unknown variable"},
      {"plot too wide", "/plot.svg", {{"width", "100000"}}, 400, "width"},
      {"plot span of a century",
       "/plot.svg",
       {{"span", "range"}, {"from", "1950-01-01"}, {"to", "2050-01-01"}},
       400,
       "longer than"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    const HttpResponse a = Get(r.path, r.params);
    EXPECT_EQ(a.status, r.status);
    EXPECT_EQ(a.content_type, "application/json");
    const json j = json::parse(a.body);
    EXPECT_EQ(j["status"], r.status);
    EXPECT_NE(j["error"].get<std::string>().find(r.says), std::string::npos) << j["error"];
  }
}

TEST_F(DashboardApiTest, RecordsInDisplayAndNativeUnits) {
  const std::multimap<std::string, std::string> p = {
      {"from", "2024-07-12"}, {"to", "2024-07-12"}, {"vars", "outside_temperature,barometer"}};
  DisplayUnits::SetTempUnit(DisplayUnits::kCelsius);
  const HttpResponse shown = Get("/api/records", p);
  DisplayUnits::SetTempUnit(DisplayUnits::kFahrenheit);
  ASSERT_EQ(shown.status, 200) << shown.body;
  auto native_params = p;
  native_params.insert({"units", "native"});
  const HttpResponse native = Get("/api/records", native_params);
  const json c = json::parse(shown.body), f = json::parse(native.body);
  EXPECT_EQ(c["units"]["outside_temperature"],
            "\xC2\xB0"
            "C");
  EXPECT_EQ(f["units"]["outside_temperature"],
            "\xC2\xB0"
            "F");
  EXPECT_EQ(f["units"]["barometer"], "inHg");
  EXPECT_EQ(c["columns"], json({"time", "outside_temperature", "barometer"}));
  ASSERT_EQ(c["records"].size(), 24u);  // hourly records of one day
  EXPECT_EQ(c["records"][0][0], "2024-07-12T00:00");
  EXPECT_EQ(c["records"][23][0], "2024-07-12T23:00");
  for (std::size_t i = 0; i < 24; ++i) {
    EXPECT_NEAR(f["records"][i][1].get<double>(), c["records"][i][1].get<double>() * 1.8 + 32, 0.06);
  }
}

TEST_F(DashboardApiTest, DayCatalogueStatusAndReport) {
  const json day = json::parse(Get("/api/day/2024-07-12").body);
  EXPECT_EQ(day["date"], "2024-07-12");
  ASSERT_GT(day["rows"].size(), 10u);
  EXPECT_EQ(day["rows"][0]["key"], "outside_temperature_high");
  for (const char* k : {"label", "value", "unit", "time"}) EXPECT_TRUE(day["rows"][0].contains(k)) << k;

  const json cat = json::parse(Get("/api/catalogue").body);
  EXPECT_GT(cat["variables"].size(), 20u);

  const json status = json::parse(Get("/api/status").body);
  EXPECT_EQ(status["station"]["name"], "Home");
  EXPECT_EQ(status["database"]["first_record"], "2024-01-01T01:00");
  EXPECT_EQ(status["packets"], 0);

  const HttpResponse report = Get("/api/noaa", {{"month", "2024-07"}});
  ASSERT_EQ(report.status, 200) << report.body;
  EXPECT_NE(json::parse(report.body)["text"].get<std::string>().find("MONTHLY CLIMATOLOGICAL SUMMARY"),
            std::string::npos);
  const HttpResponse page = Get("/reports", {{"year", "2024"}});
  EXPECT_NE(page.body.find("ANNUAL CLIMATOLOGICAL SUMMARY"), std::string::npos);
}

TEST_F(DashboardApiTest, CurrentConditionsFromTheLoop) {
  EXPECT_EQ(Get("/api/current").status, 503);  // nothing yet: no packet, no snapshot
  BulletinData d;
  d.have_data = true;
  d.packet_unix_ms = clock_.UnixMs() - 3000;
  d.packet_date = 2024 * 65536 + 7 * 256 + 12;
  d.packet_minute = 10 * 60 + 5;
  d.units.temp = DisplayUnits::kCelsius;
  d.units.bar = DisplayUnits::kBarHectopascals;
  d.outside_temp.Observe(20.0f, 600);
  d.outside_temp.Observe(25.0f, 605);
  d.barometer.Observe(1013.2f, 605);
  state_.Publish(d, 0);

  const json now = json::parse(Get("/api/current").body);
  EXPECT_EQ(now["source"], "live");
  EXPECT_EQ(now["time"], "2024-07-12T10:05");
  EXPECT_EQ(now["age_seconds"], 3);
  EXPECT_EQ(now["units"]["temperature"],
            "\xC2\xB0"
            "C");
  EXPECT_EQ(now["values"]["outside_temperature"], 25.0);
  EXPECT_TRUE(now["values"]["inside_temperature"].is_null());
  const json native = json::parse(Get("/api/current", {{"units", "native"}}).body);
  EXPECT_EQ(native["units"]["temperature"],
            "\xC2\xB0"
            "F");
  EXPECT_EQ(native["values"]["outside_temperature"], 77.0);
  EXPECT_NEAR(native["values"]["barometer"].get<double>(), 29.92, 0.001);

  const json hl = json::parse(Get("/api/highlows").body);
  EXPECT_EQ(hl["highlows"]["outside_temperature"]["high"], 25.0);
  EXPECT_EQ(hl["highlows"]["outside_temperature"]["high_time"], "10:05");
  EXPECT_EQ(hl["highlows"]["outside_temperature"]["low"], 20.0);
  EXPECT_EQ(hl["highlows"]["outside_temperature"]["low_time"], "10:00");
  EXPECT_FALSE(hl["highlows"].contains("extra_temperature_3"));  // a sensor that is not there

  const HttpResponse page = Get("/");
  // Written as the page's script writes live values, so the first update does not change
  // its look.
  EXPECT_NE(page.body.find("<span data-v=\"outside_temperature\">25</span>"), std::string::npos);
}

TEST_F(DashboardApiTest, PagesRenderWithoutScript) {
  const HttpResponse h = Get("/history", {{"var", "outside_temperature"}, {"var2", "barometer"}, {"span", "week"}});
  ASSERT_EQ(h.status, 200);
  EXPECT_EQ(h.content_type, "text/html; charset=utf-8");
  std::size_t series = 0;
  for (auto at = h.body.find("class=\"series\""); at != std::string::npos; at = h.body.find("class=\"series\"", at + 1))
    ++series;
  EXPECT_EQ(series, 2u);
  // A week back from the newest record (the end of the last day).
  EXPECT_NE(h.body.find("2024-12-25T00:00 to 2025-01-01T00:00"), std::string::npos);
  for (const char* page : {"/", "/day", "/reports", "/log", "/status", "/api"}) {
    SCOPED_TRACE(page);
    const HttpResponse r = Get(page);
    EXPECT_EQ(r.status, 200);
    EXPECT_NE(r.body.find("<nav>"), std::string::npos);
  }
  EXPECT_EQ(Get("/no/such/page").status, 404);
  // A name in the path comes back escaped.
  EXPECT_EQ(Get("/<script>").body.find("<script>"), std::string::npos);
}

}  // namespace
}  // namespace sq::dashboard
