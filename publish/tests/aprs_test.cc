// APRS: the report line of both layouts, and the session against a TCP server on
// 127.0.0.1 that answers like an APRS internet server (or stays silent).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/station.h"
#include "foundation/clock.h"
#include "publish/aprs_report.h"
#include "publish/aprs_upload.h"
#include "realtime/bulletin_data.h"

namespace sq {
namespace {

AprsStationFacts Facts(bool current_family) {
  AprsStationFacts f;
  f.call_sign = "CW1234";
  f.position = {38, 30, 36, false, 90, 15, 0, true};
  f.current_family = current_family;
  return f;
}

AprsObservation Obs() {
  AprsObservation o;
  o.day = 9;
  o.hour = 7;
  o.minute = 5;
  o.wind_dir = 225;
  o.wind_speed = 5.4f;
  o.wind_gust = 12.5f;
  o.temp = 66.4f;
  o.rain_hour = 0.02f;
  o.rain_24h = 0.5f;
  o.rain_midnight = 0.12f;
  o.humidity = 68;
  o.barometer = 30.0f;
  o.solar = 512;
  return o;
}

TEST(AprsReport, BothLayouts) {
  EXPECT_EQ(*MakeAprsReport(Facts(false), Obs()),
            "CW1234>APRS,TCPIP*:@090705z3830.60N/09015.00W_225/005g013t066r002p050P012h68b10159.Qrn");
  EXPECT_EQ(*MakeAprsReport(Facts(true), Obs()),
            "CW1234>APRS,TCPIP*:@090705z3830.60N/09015.00W_225/005g013t066r002p050P012h68b10159L512.Kwtz");
  AprsStationFacts loop2 = Facts(true);
  loop2.loop2_format = true;
  EXPECT_FALSE(MakeAprsReport(loop2, Obs()));
}

TEST(AprsReport, FieldRules) {
  struct Row {
    const char* legend;
    bool current;
    void (*change)(AprsStationFacts&, AprsObservation&);
    const char* expect;  // a part of the line
  };
  const Row rows[] = {
      {"direction 360", false, [](AprsStationFacts&, AprsObservation& o) { o.wind_dir = 360; }, "W_000/"},
      {"calm, direction 0", false,
       [](AprsStationFacts&, AprsObservation& o) {
         o.wind_dir = 0;
         o.wind_speed = 0;
       },
       "W_000/000g"},
      {"no direction sensor", false, [](AprsStationFacts& f, AprsObservation&) { f.sensors.wind_dir = false; },
       "W_.../005"},
      {"no direction, current family", true, [](AprsStationFacts&, AprsObservation& o) { o.wind_dir = kAprsNoValue; },
       "W_.../005"},
      {"no speed or gust", false,
       [](AprsStationFacts&, AprsObservation& o) { o.wind_speed = o.wind_gust = kAprsNoValue; }, "_225/...g...t"},
      {"no temperature", false, [](AprsStationFacts&, AprsObservation& o) { o.temp = kAprsNoValue; }, "g013t...r"},
      {"below zero", false, [](AprsStationFacts&, AprsObservation& o) { o.temp = -4.6f; }, "t-05r"},
      {"humidity 100", false, [](AprsStationFacts&, AprsObservation& o) { o.humidity = 100; }, "h00b"},
      {"humidity 99.6 rounds to 100", true, [](AprsStationFacts&, AprsObservation& o) { o.humidity = 99.6f; }, "h00b"},
      {"humidity 0", false, [](AprsStationFacts&, AprsObservation& o) { o.humidity = 0; }, "h01b"},
      {"humidity 255", false, [](AprsStationFacts&, AprsObservation& o) { o.humidity = 255; }, "h..b"},
      {"no humidity sensor", true, [](AprsStationFacts& f, AprsObservation&) { f.sensors.humidity = false; }, "h..b"},
      {"no rain sensor", false, [](AprsStationFacts& f, AprsObservation&) { f.sensors.rain = false; },
       "t066r...p...P...h68"},
      {"no pressure", false, [](AprsStationFacts&, AprsObservation& o) { o.barometer = kAprsNoValue; }, "b......Qrn"},
      {"pressure 0", false, [](AprsStationFacts&, AprsObservation& o) { o.barometer = 0; }, "b......Qrn"},
      {"no solar sensor", true, [](AprsStationFacts& f, AprsObservation&) { f.sensors.solar = false; }, "b10159.Kwtz"},
      {"luminosity 999", true, [](AprsStationFacts&, AprsObservation& o) { o.solar = 999; }, "L999.Kwtz"},
      {"luminosity 1000 and above", true, [](AprsStationFacts&, AprsObservation& o) { o.solar = 1012; }, "l012.Kwtz"},
      {"south and east", false,
       [](AprsStationFacts& f, AprsObservation&) { f.position = {33, 52, 12, true, 151, 12, 30, false}; },
       "@090705z3352.20S/15112.50E_"},
      {"station pressure to an altimeter setting", true,
       [](AprsStationFacts& f, AprsObservation& o) {
         f.elevation_ft = 1100;
         o.station_pressure = 28.84f;
       },
       "b10164"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    AprsStationFacts f = Facts(row.current);
    AprsObservation o = Obs();
    row.change(f, o);
    const auto line = MakeAprsReport(f, o);
    ASSERT_TRUE(line);
    EXPECT_NE(line->find(row.expect), std::string::npos) << *line;
  }
}

TEST(AprsReport, ConsoleBarometerIsSentUnchangedAtAnyElevation) {
  for (const int feet : {0, 1100, 5280, -200}) {
    SCOPED_TRACE(feet);
    for (const bool current : {false, true}) {
      AprsStationFacts f = Facts(current);
      f.elevation_ft = feet;
      EXPECT_NE(MakeAprsReport(f, Obs())->find("b10159"), std::string::npos);
    }
  }
}

// One connection at a time: records what the client sends until it has sent two lines
// (or closes), then answers with a comment line unless silent.
class AprsServer {
 public:
  explicit AprsServer(bool silent = false) : silent_(silent) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 4) != 0) std::abort();
    socklen_t len = sizeof a;
    (void)::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~AprsServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }
  [[nodiscard]] int port() const { return port_; }
  [[nodiscard]] std::vector<std::string> received() const {
    std::lock_guard lock(mu_);
    return received_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) continue;
      std::string in;
      char buf[512];
      while (!stop_ && std::count(in.begin(), in.end(), '\n') < 2) {
        pollfd q{c, POLLIN, 0};
        if (::poll(&q, 1, 20) <= 0) continue;
        const ssize_t n = ::recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        in.append(buf, static_cast<std::size_t>(n));
      }
      {
        std::lock_guard lock(mu_);
        received_.push_back(in);
      }
      if (!silent_) {
        const std::string reply = "# logresp CW1234 unverified, server T2TEST\r\n";
        (void)::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
      }
      while (silent_ && !stop_) {
        pollfd q{c, POLLIN, 0};
        if (::poll(&q, 1, 20) > 0 && ::recv(c, buf, sizeof buf, 0) <= 0) break;
      }
      ::close(c);
    }
  }

  bool silent_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mu_;
  std::vector<std::string> received_;
  std::thread thread_;
};

int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
  socklen_t len = sizeof a;
  (void)::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

class AprsSession : public ::testing::Test {
 protected:
  AprsSettings Settings() const {
    AprsSettings s;
    s.call_sign = "CW1234";
    s.server = "cwop.test";
    s.port = 14580;
    s.pass_text = "-1 vers SQ 6.0.3";
    return s;
  }
  // The resolver answers with loopback addresses of the given ports, after `failures`
  // failed tries.
  AprsSessionOptions Options(std::vector<int> ports, int failures = 0) {
    AprsSessionOptions o;
    o.title = "Home";
    o.log = [this](std::string_view text, std::string_view title) {
      log_.push_back(std::string(title) + ": " + std::string(text));
    };
    o.resolve = [this, ports, failures](const std::string& host, std::uint32_t, std::vector<AprsAddress>* out) {
      resolved_.push_back(host);
      if (static_cast<int>(resolved_.size()) <= failures) return EAI_AGAIN;
      out->clear();
      for (const int p : ports) out->push_back(*AprsAddressOf("127.0.0.1", static_cast<std::uint32_t>(p)));
      return 0;
    };
    return o;
  }

  FakeClock clock_{1'800'000'000'000};
  std::vector<std::string> log_, resolved_;
  const std::string report_ = "CW1234>APRS,TCPIP*:@090705z3830.60N/09015.00W_225/005g013t066r002p050P012h68b10159.Qrn";
};

TEST_F(AprsSession, LogsInSendsTheReportAndWaitsForTheServer) {
  AprsServer server;
  ASSERT_EQ(SendAprsReport(Settings(), report_, Options({server.port()}), clock_), kAprsOk);
  EXPECT_EQ(server.received(), (std::vector<std::string>{"user CW1234 pass -1 vers SQ 6.0.3\n" + report_ + "\n"}));
  const std::string address = "127.0.0.1:" + std::to_string(server.port());
  EXPECT_EQ(log_, (std::vector<std::string>{"APRS upload success.: " + report_ + " -> APRS address:" + address + "."}));
  EXPECT_GE(clock_.ElapsedMs(), kAprsLoginPauseMs);
}

TEST_F(AprsSession, RefusedFirstAddressThenAGoodSecondOne) {
  AprsServer server;
  const int closed = ClosedPort();
  ASSERT_EQ(SendAprsReport(Settings(), report_, Options({closed, server.port()}), clock_), kAprsOk);
  ASSERT_EQ(log_.size(), 2u);
  EXPECT_EQ(log_[0], "Home: Error opening APRS socket. 127.0.0.1:" + std::to_string(closed));
  EXPECT_EQ(server.received().size(), 1u);
}

TEST_F(AprsSession, SilentServerFailsWithinTheBoundedWait) {
  AprsServer server(true);
  ASSERT_EQ(SendAprsReport(Settings(), report_, Options({server.port()}), clock_), kAprsFailed);
  EXPECT_EQ(log_, (std::vector<std::string>{"Home: Error waiting for responce from the APRS host. 127.0.0.1:" +
                                            std::to_string(server.port())}));
  EXPECT_GE(clock_.ElapsedMs(), kAprsReplyTimeoutMs);
  EXPECT_LT(clock_.ElapsedMs(), kAprsReplyTimeoutMs + 2 * kAprsSliceMs + kAprsLoginPauseMs);
}

TEST_F(AprsSession, ResolutionIsTriedTwice) {
  AprsServer server;
  EXPECT_EQ(SendAprsReport(Settings(), report_, Options({server.port()}, 1), clock_), kAprsOk);
  EXPECT_EQ(resolved_.size(), 2u);
  log_.clear();
  resolved_.clear();
  EXPECT_EQ(SendAprsReport(Settings(), report_, Options({server.port()}, 2), clock_), kAprsFailed);
  EXPECT_EQ(resolved_.size(), 2u);
  EXPECT_EQ(log_, (std::vector<std::string>{"Home: Can not get servers list from: cwop.test.  Error code = " +
                                            std::to_string(-EAI_AGAIN) + ".  APRS operation failed."}));
}

TEST_F(AprsSession, NoReportNoSession) {
  EXPECT_EQ(SendAprsReport(Settings(), std::nullopt, Options({}), clock_), kAprsFailed);
  EXPECT_EQ(log_, (std::vector<std::string>{"Home: Error creating APRS data from the weather station."}));
  EXPECT_TRUE(resolved_.empty());
}

TEST_F(AprsSession, IncompleteSettingsAreNotSent) {
  Station station;  // a new station has no call sign
  EXPECT_EQ(UploadAprs(station, BulletinData{}, nullptr, Options({}), clock_), kAprsFailed);
  EXPECT_EQ(log_, (std::vector<std::string>{"Home: Please configure your APRS Settings.  All fields must be filled."}));
  EXPECT_TRUE(resolved_.empty());
}

TEST_F(AprsSession, ReportFromTheCurrentConditionsInAnyUnits) {
  Station station;
  ASSERT_EQ(station.SetLatitude(-33.87), kStationOk);
  ASSERT_EQ(station.SetLongitude(151.21), kStationOk);
  StoreText(station.record().cwop_id, sizeof station.record().cwop_id, "cw1234");
  BulletinData d;
  d.units.temp = 1;  // C
  d.units.bar = 3;   // hPa
  d.units.rain = 1;  // mm
  d.units.wind = 2;  // km/h
  d.outside_temp.now = 20.0f;
  d.barometer.now = static_cast<float>(30.0 * 33.864);
  d.day_rain = 25.4f;
  d.hour_rain = 2.54f;
  d.hour24_rain = 12.7f;
  d.outside_hum.now = 55.0f;
  d.wind_dir = 360;
  std::tm utc{};
  utc.tm_min = 5;
  utc.tm_hour = 7;
  utc.tm_mday = 9;
  const auto line = BuildAprsReport(station, AprsSettingsOf(station), d, nullptr, utc, Options({}));
  ASSERT_TRUE(line);
  EXPECT_EQ(*line, "CW1234>APRS,TCPIP*:@090705z3352.20S/15112.60E_000/...g...t068r010p050P100h55b10159.Kwtz");
}

}  // namespace
}  // namespace sq
