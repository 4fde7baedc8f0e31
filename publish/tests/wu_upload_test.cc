// Weather Underground: the request, the reply rules and the catch-up walk against an
// HTTP server on 127.0.0.1 that records every request.
#include "publish/wu_upload.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "database/data_record.h"
#include "database/tests/db_test_util.h"
#include "publish/tests/put_recorder.h"

namespace sq {
namespace {

using testing::At;
using testing::TempDir;

constexpr char kPath[] = "/weatherstation/updateweatherstation.php?";
constexpr char kTail[] = "&softwaretype=Stratoquill%206.0.3&action=updateraw";

WuObservation Full() {
  WuObservation o;
  o.wind_dir = 292.5f;
  o.wind_speed = 7.9f;
  o.wind_gust = 18.2f;
  o.temp = 57.34f;
  o.rain = 0.02f;
  o.daily_rain = 0.125f;
  o.barometer = 29.8614f;
  o.dew_point = 50.5f;
  o.humidity = 78.6f;
  o.solar = 512.7f;
  o.uv = 3.26f;
  o.utc = At(2026, 12, 9, 13 * 60 + 5);
  return o;
}

WuSettings Account() {
  WuSettings s;
  s.id = "KTEST1";
  s.password = "p@ss w&d";
  return s;
}

TEST(WuRequest, PartsInOrderEveryValueEncoded) {
  struct Row {
    const char* legend;
    void (*change)(WuObservation&);
    const char* query;
  };
  const Row rows[] = {
      {"every part", [](WuObservation&) {},
       "ID=KTEST1&PASSWORD=p%40ss%20w%26d&dateutc=2026-12-09%2013:05:00&winddir=292&windspeedmph=7&windgustmph=18"
       "&tempf=57.3&rainin=0.02&dailyrainin=0.12&baromin=29.861&dewptf=50.5&humidity=78&solarradiation=512&UV=3.3"},
      {"no temperature: the next part follows directly", [](WuObservation& o) { o.temp = kWuNoValue; },
       "ID=KTEST1&PASSWORD=p%40ss%20w%26d&dateutc=2026-12-09%2013:05:00&winddir=292&windspeedmph=7&windgustmph=18"
       "&rainin=0.02&dailyrainin=0.12&baromin=29.861&dewptf=50.5&humidity=78&solarradiation=512&UV=3.3"},
      {"no optional part, below zero and midnight",
       [](WuObservation& o) {
         o = WuObservation{};
         o.temp = -4.56f;
         o.utc = At(2027, 1, 1, 0);
       },
       "ID=KTEST1&PASSWORD=p%40ss%20w%26d&dateutc=2027-01-01%2000:00:00&tempf=-4.6"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    WuObservation o = Full();
    row.change(o);
    EXPECT_EQ(WuQuery(Account(), o), std::string(row.query) + kTail);
  }
  WuSettings plain = Account();
  plain.https = false;
  plain.host = "127.0.0.1:8080";
  EXPECT_EQ(WuRequestUrl(plain, WuObservation{}).substr(0, 62),
            "http://127.0.0.1:8080/weatherstation/updateweatherstation.php?");
  EXPECT_TRUE(WuRequestUrl(Account(), WuObservation{}).starts_with("https://weatherstation.wunderground.com/"));
}

TEST(WuRequest, ReplyRules) {
  struct Row {
    const char* reply;
    bool success;
    const char* logged;
  };
  const Row rows[] = {
      {"success\n", true, ""},
      {"", true, ""},
      {"12345678", true, ""},
      {"INVALIDPASSWORDID|Password or key and/or id are incorrect\n", false,
       "INVALIDPASSWORDID|Password or key and/or id are incorrect\\n"},
      {"Duplicate record for this station\r\n", true, "Duplicate record for this station\\r\\n"},
      {"123456789", false, "123456789"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reply);
    const WuReplyVerdict v = JudgeWuReply(row.reply);
    EXPECT_EQ(v.success, row.success);
    EXPECT_EQ(v.logged, row.logged);
  }
}

TEST(WuRequest, StartPoint) {
  struct Row {
    const char* legend;
    int catchup;
    DateTime last;  // not valid: none recorded
    DateTime start;
  };
  const DateTime now = At(2026, 3, 10, 14 * 60);
  const Row rows[] = {
      {"nothing sent, no catch-up: now", 0, DateTime(), now},
      {"sent 34 hours ago: resumes there", 0, At(2026, 3, 9, 4 * 60), At(2026, 3, 9, 4 * 60)},
      {"sent 35 hours ago: now", 0, At(2026, 3, 9, 3 * 60), now},
      {"one day of catch-up: the end of the day before yesterday", 1, DateTime(), At(2026, 3, 8, 1439)},
      {"seven days", 7, DateTime(), At(2026, 3, 2, 1439)},
      {"catch-up, sent later than its start", 2, At(2026, 3, 9, 600), At(2026, 3, 9, 600)},
      {"catch-up, sent earlier than its start", 2, At(2026, 3, 1, 600), At(2026, 3, 7, 1439)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    WuSettings s;
    s.catchup_days = row.catchup;
    if (row.last.valid) {
      s.last_date = row.last.GetPackedDate();
      s.last_time = row.last.packed_time;
    }
    const DateTime got = WuStartPoint(s, now);
    EXPECT_EQ(got.GetPackedDate(), row.start.GetPackedDate());
    EXPECT_EQ(got.packed_time, row.start.packed_time);
  }
}

TEST(WuRequest, RecordTimesGoOutInUtcThroughTheStationRules) {
  DataRecord r = NewDataRecord();
  r.packed_time = 600;
  SiteDescription site;
  site.time_zone_hours = -6.0f;  // North American rules: daylight saving from 8 March 2026
  WeatherSensors sensors;
  EXPECT_EQ(ObservationFromRecord(r, At(2026, 3, 1, 600), site, sensors, 0, 0).utc.hour, 16);
  EXPECT_EQ(ObservationFromRecord(r, At(2026, 7, 1, 600), site, sensors, 0, 0).utc.hour, 15);
  const WuObservation late = ObservationFromRecord(r, At(2026, 12, 31, 1440), site, sensors, 0, 0);
  EXPECT_EQ(late.utc.year, 2027);
  EXPECT_EQ(late.utc.day, 1);
  EXPECT_EQ(late.utc.hour, 6);
}

// A station database of 15-minute records on 2 March 2026 from 00:15 to 03:00, each with
// one click of 0.01 in, and a walk at 03:10 against the recording server.
class WuWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    WeatherDatabase db;
    ASSERT_NE(db.OpenDatabase(folder_.str()), kDbError);
    ASSERT_EQ(db.AppendRecord(ToBytes(NewDailySummary1()), At(2026, 3, 2)), 0);
    ASSERT_EQ(db.AppendRecord(ToBytes(NewDailySummary2()), At(2026, 3, 2)), 0);
    for (int t = 15; t <= 180; t += 15) {
      DataRecord r = NewDataRecord();
      r.archive_interval = 15;
      r.packed_time = static_cast<std::int16_t>(t);
      r.outside_temp = static_cast<std::int16_t>(500 + t / 15);
      r.rain = (1 << 12) | 1;
      r.barometer = 30012;
      r.wind_speed = 35;
      r.hi_wind_speed = 82;
      r.wind_direction = 4;
      ASSERT_EQ(db.AppendRecord(ToBytes(r), At(2026, 3, 2, t)), 0);
    }
    ASSERT_EQ(db.CloseDatabase(), 0);
    ASSERT_EQ(db_.OpenDatabase(folder_.str(), true), kDbOk);
    sensors_.humidity = sensors_.solar = sensors_.uv = false;
    settings_ = Account();
    settings_.https = false;
    settings_.host = server_.Url("").substr(7);
  }

  int Walk(WuSettings settings) {
    WuHooks hooks;
    hooks.log = [&](std::string_view text, std::string_view title) {
      log_.push_back(std::string(title) + ": " + std::string(text));
    };
    hooks.progress = [&](std::string_view text) { progress_.emplace_back(text); };
    hooks.sent = [&](const DateTime& t) {
      sent_.push_back(t.packed_time);
      return true;
    };
    CurlHttpSession session(HttpAccess{}, kWuAgent, 5000);
    WuUploader up(session, std::move(settings), "Home", hooks);
    last_ = up.Upload(db_, SiteDescription{}, sensors_, At(2026, 3, 2, 190));
    last_settings_ = up.settings();
    return last_;
  }

  // The minutes (packed times) of the requests the server got.
  std::vector<std::string> Times() const {
    std::vector<std::string> out;
    for (const auto& r : server_.requests()) {
      const auto at = r.path.find("dateutc=2026-03-02%20");
      out.push_back(at == std::string::npos ? "?" : r.path.substr(at + 21, 5));
    }
    return out;
  }

  TempDir folder_;
  WeatherDatabase db_;
  WeatherSensors sensors_;
  WuSettings settings_;
  test::PutRecorder server_;
  std::vector<std::string> log_, progress_;
  std::vector<int> sent_;
  int last_ = 0;
  WuSettings last_settings_;
};

TEST_F(WuWalk, NothingSentYetSendsTheLastHourWithHourAndDayRain) {
  server_.set_reply("success\n");
  ASSERT_EQ(Walk(settings_), kWuOk);
  EXPECT_EQ(Times(), (std::vector<std::string>{"02:15", "02:30", "02:45", "03:00"}));
  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].headers.at("user-agent"), "Stratoquill");
  EXPECT_EQ(requests[0].path, std::string(kPath) +
                                  "ID=KTEST1&PASSWORD=p%40ss%20w%26d&dateutc=2026-03-02%2002:15:00&winddir=90"
                                  "&windspeedmph=3&windgustmph=8&tempf=50.9&rainin=0.04&dailyrainin=0.09"
                                  "&baromin=30.012" +
                                  kTail);
  EXPECT_EQ(progress_.front().substr(0, 18), "Uploading record: ");
  EXPECT_TRUE(progress_.back().ends_with("record 4 of 4"));
  EXPECT_EQ(sent_, (std::vector<int>{135, 150, 165, 180}));
  EXPECT_EQ(log_, (std::vector<std::string>{"Home: Successfully uploaded Weather Underground."}));
}

TEST_F(WuWalk, RecordedLastRecordStartsAnHourBeforeIt) {
  settings_.last_date = At(2026, 3, 2).GetPackedDate();
  settings_.last_time = 90;
  ASSERT_EQ(Walk(settings_), kWuOk);
  EXPECT_EQ(Times(), (std::vector<std::string>{"00:30", "00:45", "01:00", "01:15", "01:30", "01:45", "02:00", "02:15",
                                               "02:30", "02:45", "03:00"}));
}

TEST_F(WuWalk, FailurePartWayKeepsTheLastRecordSentAndTheNextRunResumesThere) {
  server_.set_replies({"success\n", "Duplicate data\n", "INVALIDPASSWORDID|Password or key and/or id are incorrect\n"});
  ASSERT_EQ(Walk(settings_), kWuFailed);
  EXPECT_EQ(Times().size(), 3u);
  EXPECT_EQ(sent_, (std::vector<int>{135, 150}));
  EXPECT_EQ(log_, (std::vector<std::string>{
                      "Home: Duplicate data\\n",
                      "Home: INVALIDPASSWORDID|Password or key and/or id are incorrect\\n",
                      "Home: Errors occurred while uploading data to Weather Underground.",
                  }));
  EXPECT_EQ(last_settings_.last_time, 150);

  server_.set_reply("success\n");
  sent_.clear();
  ASSERT_EQ(Walk(last_settings_), kWuOk);
  const auto times = Times();
  EXPECT_EQ(std::vector<std::string>(times.begin() + 3, times.end()),
            (std::vector<std::string>{"01:30", "01:45", "02:00", "02:15", "02:30", "02:45", "03:00"}));
  EXPECT_EQ(sent_.back(), 180);
}

TEST_F(WuWalk, RefusedConnectionIsTriedOnceMoreWithANewSession) {
  // A port that was just closed refuses connections.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len), 0);
  ::close(fd);
  settings_.host = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
  ASSERT_EQ(Walk(settings_), kWuFailed);
  EXPECT_TRUE(sent_.empty());
  EXPECT_EQ(log_, (std::vector<std::string>{
                      "Home: Weather Underground error - Opening URL 12029.  Stratoquill will retry.",
                      "Home: Weather Underground error - Opening URL 12029.  Stratoquill will retry.",
                      "Home: Errors occurred while uploading data to Weather Underground.",
                  }));
}

TEST_F(WuWalk, ShortErrorPageIsAFailure) {
  server_.set_status("503 Service Unavailable");
  server_.set_reply("busy");
  ASSERT_EQ(Walk(settings_), kWuFailed);
  EXPECT_TRUE(sent_.empty());
  EXPECT_EQ(log_.front(), "Home: Weather Underground ERR - the server answered with HTTP status 503: busy");
}

TEST_F(WuWalk, StationWithoutRainSensorSendsNoRain) {
  sensors_.rain = false;
  sensors_.wind_dir = false;
  ASSERT_EQ(Walk(settings_), kWuOk);
  const std::string path = server_.requests().front().path;
  EXPECT_EQ(path.find("rainin"), std::string::npos);
  EXPECT_EQ(path.find("winddir"), std::string::npos);
}

TEST_F(WuWalk, IncompleteSettingsSendNothing) {
  settings_.password.clear();
  ASSERT_EQ(Walk(settings_), kWuFailed);
  EXPECT_TRUE(server_.requests().empty());
  EXPECT_EQ(log_.back(), "Home: Errors occurred while uploading data to Weather Underground.");
}

}  // namespace
}  // namespace sq
