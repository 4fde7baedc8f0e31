// The parsers of what a dashboard request or its settings file holds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "test_support/temp_dir.h"
#include "ui/dashboard/dashboard_config.h"
#include "ui/dashboard/dashboard_query.h"
#include "ui/dashboard/dashboard_server.h"

namespace sq::dashboard {
namespace {

TEST(DashboardInput, ListenAddresses) {
  struct Row {
    const char* text;
    bool ok;
    const char* host;
    int port;
  } rows[] = {
      {"8080", true, "127.0.0.1", 8080},
      {"0.0.0.0:80", true, "0.0.0.0", 80},
      {"[::1]:8080", true, "::1", 8080},
      {"localhost:1", true, "localhost", 1},
      {"", false, "", 0},
      {"abc", false, "", 0},
      {"70000", false, "", 0},
      {"0", false, "", 0},
      {"1.2.3.4:", false, "", 0},
      {"::1:80", false, "", 0},
      {"bad host:80", false, "", 0},
      {"[::1]8080", false, "", 0},
      {"8080 ", false, "", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    std::string error;
    const auto a = ParseListenAddress(r.text, &error);
    ASSERT_EQ(a.has_value(), r.ok) << error;
    if (a) {
      EXPECT_EQ(a->host, r.host);
      EXPECT_EQ(a->port, r.port);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(DashboardInput, PasswordRuleAndConfigFile) {
  DashboardConfig c;
  std::string error;
  ASSERT_TRUE(ParseDashboardConfig("# mine\nhttp = 0.0.0.0:8080  # all\n", &c, &error)) << error;
  EXPECT_FALSE(CheckDashboardConfig(c, &error));  // reachable from outside, no password
  EXPECT_NE(error.find("password"), std::string::npos);
  ASSERT_TRUE(ParseDashboardConfig("password = p#ss word\n", &c, &error));
  EXPECT_EQ(c.password, "p#ss word");  // '#' belongs to a password
  EXPECT_TRUE(CheckDashboardConfig(c, &error));
  DashboardConfig loopback;
  loopback.listen = ListenAddress{"127.0.0.1", 8080};
  EXPECT_TRUE(CheckDashboardConfig(loopback, &error));

  DashboardConfig bad;
  EXPECT_FALSE(ParseDashboardConfig("pasword = x\n", &bad, &error));  // a typo must not leave it open
  EXPECT_NE(error.find("line 1"), std::string::npos);
  EXPECT_FALSE(ParseDashboardConfig("http = 99999\n", &bad, &error));
  EXPECT_FALSE(ParseDashboardConfig("just words\n", &bad, &error));
  EXPECT_FALSE(ParseDashboardConfig(std::string(kMaxConfigSize + 1, '#'), &bad, &error));

  // A password in a file others may read is refused.
  const sq::testing::TempDir tmp;
  const auto dir = tmp.path();
  const std::string path = (dir / kDashboardConfigName).string();
  std::ofstream(path) << "http = 0.0.0.0:8080\npassword = secret\n";
  ::chmod(path.c_str(), 0644);
  DashboardConfig loaded;
  EXPECT_FALSE(LoadDashboardConfig(dir.string(), &loaded, &error));
  EXPECT_NE(error.find("chmod 600"), std::string::npos);
  ::chmod(path.c_str(), 0600);
  EXPECT_TRUE(LoadDashboardConfig(dir.string(), &loaded, &error)) << error;
  EXPECT_EQ(loaded.password, "secret");
}

TEST(DashboardInput, Authorization) {
  EXPECT_TRUE(ConstantTimeEquals("secret", "secret"));
  EXPECT_FALSE(ConstantTimeEquals("secret", "secreT"));
  EXPECT_FALSE(ConstantTimeEquals("secret", "secret2"));
  EXPECT_FALSE(ConstantTimeEquals("", "x"));
  EXPECT_TRUE(AuthorizationMatches("Basic dXNlcjpzZWNyZXQ=", "secret"));  // user:secret
  EXPECT_TRUE(AuthorizationMatches("Basic OnNlY3JldA==", "secret"));      // :secret
  EXPECT_FALSE(AuthorizationMatches("Basic dXNlcjpzZWNyZXQ=", "other"));
  EXPECT_FALSE(AuthorizationMatches("Bearer dXNlcjpzZWNyZXQ=", "secret"));
  EXPECT_FALSE(AuthorizationMatches("Basic !!!", "secret"));
  EXPECT_FALSE(AuthorizationMatches("Basic " + std::string(5000, 'A'), "secret"));
}

TEST(DashboardInput, DatesAndSpans) {
  EXPECT_EQ(MomentText(*ParseMoment("2024-07-12T10:05")), "2024-07-12T10:05");
  EXPECT_EQ(MomentText(*ParseMoment("2024-02-29")), "2024-02-29T00:00");
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  for (const char* bad : {"2024-02-30", "2023-02-29", "2024-13-01", "2024-7-12", "2024-07-12T24:00", "2024-07-12T10:60",
                          "2024-07-12X10:00", "1899-12-31", "", "2024-07-12T10:05:00"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseMoment(bad).has_value());
  }
  const std::int64_t newest = *ParseMoment("2024-07-12T12:00");
  std::string error;
  auto r = ResolveSpan("week", "", "", newest, 366, &error);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->to - r->from, 7 * kMinutesPerDay);
  r = ResolveSpan("", "2024-07-01", "2024-07-01", newest, 366, &error);  // a bare date: that whole day
  ASSERT_TRUE(r);
  EXPECT_EQ(MomentText(r->to), "2024-07-01T23:59");
  struct Bad {
    const char* span;
    const char* from;
    const char* to;
    const char* says;
  } bads[] = {
      {"fortnight", "", "", "unknown span"},
      {"range", "2024-07-01", "", "needs from and to"},
      {"range", "2024-07-02", "2024-07-01", "before"},
      {"range", "2020-01-01", "2024-01-01", "longer than 366 days"},
      {"range", "yesterday", "2024-01-01", "'from' is not a date"},
  };
  for (const Bad& b : bads) {
    SCOPED_TRACE(b.says);
    EXPECT_FALSE(ResolveSpan(b.span, b.from, b.to, newest, 366, &error));
    EXPECT_NE(error.find(b.says), std::string::npos) << error;
  }
}

TEST(DashboardInput, VariableLists) {
  ASSERT_NE(FindVariable("outside_temperature"), nullptr);
  ASSERT_NE(FindVariable("barometer"), nullptr);
  std::string error;
  EXPECT_EQ(ParseVariableList("outside_temperature,barometer", &error).size(), 2u);
  for (const char* bad : {"", "nope", "barometer,barometer", "barometer,", ",barometer"}) {
    SCOPED_TRACE(bad);
    EXPECT_TRUE(ParseVariableList(bad, &error).empty());
    EXPECT_FALSE(error.empty());
  }
  std::string many;
  for (std::size_t i = 0; i <= kMaxVariables; ++i) many += (i ? "," : "") + PlotVariables()[i].key;
  EXPECT_TRUE(ParseVariableList(many, &error).empty());
  EXPECT_NE(error.find("at most"), std::string::npos);
}

}  // namespace
}  // namespace sq::dashboard
