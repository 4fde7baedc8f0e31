#include "app/station_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "foundation/display_units.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using testing::TempDir;

// Every key, set to a non-default value, survives set -> save -> load -> show.
TEST(StationSettingsTest, EveryKeyRoundTripsThroughSaveAndLoad) {
  struct Case {
    const char* assignment;
    const char* shown;  // raw value after reload; nullptr = as given
  };
  const Case cases[] = {
      {"name=Back Yard #1", nullptr},
      {"model=7", nullptr},
      {"connection=tcp", nullptr},
      {"port=4", nullptr},
      {"baud=9600", nullptr},
      {"device=/dev/pts/9", nullptr},
      {"usb-id=12", nullptr},
      {"host=192.168.1.40", nullptr},
      {"tcp-port=22223", nullptr},
      {"mac=00:1d:0a:01:02:03", "00:1D:0A:01:02:03"},
      {"modem=1", nullptr},
      {"modem-wait=127", nullptr},
      {"dial=ATDT5551234", nullptr},
      {"modem-init=ATZ", nullptr},
      {"timeout=1.5", "1.50"},
      {"latitude=-33.86", "-33.8600"},
      {"longitude=151.21", "151.2100"},
      {"elevation=-190", nullptr},
      {"timezone=10", nullptr},
      {"southern=1", nullptr},
      {"rain-collector=6", nullptr},
      {"dst=manual", nullptr},
      {"dst-start=2025-10-05T02:00", nullptr},
      {"dst-end=2026-04-05T03:00", nullptr},
      {"uv-factor=1.5", nullptr},
      {"heat-base=60", nullptr},
      {"cool-base=70", nullptr},
      {"fuel-base=62", nullptr},
      {"noaa-city=Sydney", nullptr},
      {"noaa-state=NSW", nullptr},
      {"noaa-elevation=-190", nullptr},
      {"noaa-latitude=33 52' S", nullptr},
      {"noaa-longitude=151 12' E", nullptr},
      {"normal-temp=1:71.5,7:54", nullptr},
      {"normal-rain=2:3.5,12:0", nullptr},
      {"noaa-integration=0", nullptr},
      {"auto-export=1", nullptr},
      {"export-list=2", nullptr},
      {"rain-db=1", nullptr},
      {"web-host=example.org", nullptr},
      {"web-user=me", nullptr},
      {"web-password=secret", nullptr},
      {"daylight-start=2024-02-29", nullptr},
      {"daylight-threshold=120", nullptr},
      {"auto-clear=1", nullptr},
      {"auto-clear-time=23:59", nullptr},
      {"wu-id=KXYZ123", nullptr},
      {"wu-password=pw", nullptr},
      {"wu-catchup=7", nullptr},
      {"wu-resend-from=2026-03-09T14:30", nullptr},
      {"wu-host=127.0.0.1:8080", nullptr},
      {"wu-https=0", nullptr},
      {"cwop-id=cw0001", "CW0001"},
      {"cwop-server=cwop.example.net", nullptr},
      {"cwop-port=23", nullptr},
      {"cwop-pass=12345 vers SQ 6.0.3", nullptr},
      {"cwop-wind=noaa", nullptr},
      {"network-realtime=1", nullptr},
      {"network-archive=1", nullptr},
      {"network-key=4000000000", nullptr},
      {"fuel-sort=gallons", nullptr},
      {"fuel-format=short", nullptr},
      {"fuel-only-below=1", nullptr},
      {"fuel-threshold=250.5", nullptr},
      {"fuel-integration=1", nullptr},
      {"standard-lists=0", nullptr},
  };
  // The table covers every key there is.
  std::set<std::string> covered;
  for (const auto& c : cases) covered.insert(std::string(c.assignment).substr(0, std::string(c.assignment).find('=')));
  for (const auto& k : StationSettingKeys()) EXPECT_TRUE(covered.count(k.key)) << "no round trip for " << k.key;

  TempDir dir;
  Station s;
  s.SetFolder(dir.str());
  PortMap ports;
  ports.SetSystemDevices({});
  std::vector<std::string> assignments;
  for (const auto& c : cases) assignments.push_back(c.assignment);
  std::vector<std::string> errors;
  ASSERT_EQ(ApplyStationSettings(s, ports, assignments, &errors), 0) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(s.Save(), 0);
  ASSERT_EQ(ports.Save(dir.str()), 0);

  Station back;
  ASSERT_EQ(back.Load(dir.str()), 0);
  PortMap ports_back;
  ports_back.SetSystemDevices({});
  ASSERT_EQ(ports_back.Load(dir.str()), 0);
  for (const auto& c : cases) {
    const std::string a = c.assignment;
    const std::string key = a.substr(0, a.find('='));
    const std::string expected = c.shown ? c.shown : a.substr(a.find('=') + 1);
    EXPECT_EQ(StationSettingRaw(back, ports_back, key), expected) << key;
  }
  // device= followed the port given with it.
  EXPECT_EQ(ports_back.MappedPath(4), "/dev/pts/9");
  EXPECT_EQ(ports_back.MappedPath(1), "");
  EXPECT_EQ(back.record().logger_option, 1);  // a given host is used without discovery
}

TEST(StationSettingsTest, BadValuesAreRefusedAndChangeNothing) {
  const std::vector<std::string> bad = {
      "model=8",
      "model=x",
      "connection=modem",
      "port=0",
      "port=256",
      "baud=300",
      "device=relative/tty",
      "usb-id=0",
      "host=a b",
      "tcp-port=65536",
      "mac=00:11:22",
      "modem-wait=128",
      "timeout=0",
      "timeout=40",
      "latitude=91",
      "longitude=-181",
      "latitude=nan",
      "elevation=1e3",
      "timezone=15",
      "southern=2",
      "rain-collector=0",
      "rain-collector=7",
      "dst=sometimes",
      "dst-start=2025-02-30T02:00",
      "dst-end=2025-10-05",
      "uv-factor=0",
      "fuel-base=128",
      "daylight-start=2023-02-29",
      "daylight-threshold=-1",
      "auto-clear-time=24:00",
      "export-list=-1",
      "city=" + std::string(40, 'x'),
      "noaa-latitude=" + std::string(16, 'x'),
      "noaa-integration=2",
      "normal-temp=13:40",
      "normal-temp=40",
      "noequals",
      "web-host="
      "\x01",
      "wu-catchup=8",
      "wu-resend-from=2026-13-01T00:00",
      "wu-host=a/b",
      "wu-https=2",
      "cwop-id=",
      "cwop-port=abc",
      "cwop-port=",
      "cwop-server=",
      "cwop-pass=",
      "cwop-wind=fast",
  };
  for (const std::string& a : bad) {
    SCOPED_TRACE(a);
    Station s;
    PortMap ports;
    const Station before = s;
    std::string error;
    EXPECT_EQ(ApplyStationSetting(s, ports, a, &error), -1);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(std::memcmp(&s.record(), &before.record(), sizeof(StationRecord)), 0);
  }
  // Several at once: one bad value keeps the good ones out too.
  Station s;
  PortMap ports;
  std::vector<std::string> errors;
  EXPECT_EQ(ApplyStationSettings(s, ports, {"elevation=100", "baud=7", "modem-wait=200"}, &errors), 2);
  EXPECT_EQ(errors.size(), 2u);
  EXPECT_EQ(s.record().elevation_ft, 0);
  EXPECT_EQ(errors[1], "Wait time out of range (0 to 127).");
}

TEST(StationSettingsTest, AprsFieldsUseTheDialogMessages) {
  const struct {
    const char* assignment;
    const char* message;
  } rows[] = {
      {"cwop-id=", "Please fill call sign field"},  {"cwop-server=", "Please fill server field"},
      {"cwop-port=", "Please fill port field"},     {"cwop-port=14a", "Port needs to be a numerical value"},
      {"cwop-pass=", "Please fill password field"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.assignment);
    Station s;
    PortMap ports;
    std::string error;
    EXPECT_EQ(ApplyStationSetting(s, ports, row.assignment, &error), -1);
    EXPECT_EQ(error, row.message);
  }
}

TEST(StationSettingsTest, LastRecordSentAtMidnightShowsAsTheNextDay) {
  Station s;
  s.record().wu_last_date = 2026 * 65536 + 2 * 256 + 28;
  s.record().wu_last_time = 1440;
  PortMap ports;
  EXPECT_EQ(StationSettingRaw(s, ports, "wu-resend-from"), "2026-03-01T00:00");
  std::string error;
  ASSERT_EQ(ApplyStationSetting(s, ports, "wu-resend-from=2026-03-01T00:00", &error), 0) << error;
  EXPECT_EQ(StationSettingRaw(s, ports, "wu-resend-from"), "2026-03-01T00:00");
}

TEST(StationSettingsTest, ReportSettingsUseTheSetupMessagesAndDisplayUnits) {
  const struct {
    const char* assignment;
    const char* message;
  } refused[] = {
      {"heat-base=", "Please enter a heating degree day base temp."},
      {"heat-base=warm", "Could not recognize heating deg day base 'warm'."},
      {"cool-base=", "Please enter a cooling degree day base temp."},
      {"cool-base=1e9", "Could not recognize cooling deg day base '1e9'."},
      {"normal-temp=3:mild", "Could not recognize normal mean temp 'mild'for month 3."},
      {"normal-rain=4:lots", "Could not recognize normal rain 'lots' for month 4."},
      {"normal-rain=4:-1", "Could not recognize normal rain '-1' for month 4."},
      {"noaa-elevation=12.5", "Elevation value not recognized!"},
      {"noaa-elevation=", "Elevation value not recognized!"},
  };
  for (const auto& r : refused) {
    Station s;
    PortMap ports;
    std::string error;
    EXPECT_EQ(ApplyStationSetting(s, ports, r.assignment, &error), -1) << r.assignment;
    EXPECT_EQ(error, r.message);
  }

  // In C, mm and metres: stored in F, inches and feet; C shown and typed back is the
  // same F value again (65 F stays exactly 65, which picks the summaries' degree days).
  DisplayUnits::SetTempUnit(DisplayUnits::kCelsius);
  DisplayUnits::SetRainUnit(DisplayUnits::kRainMillimetres);
  DisplayUnits::SetElevUnit(DisplayUnits::kMetres);
  Station s;
  PortMap ports;
  std::vector<std::string> errors;
  ASSERT_EQ(ApplyStationSettings(s, ports,
                                 {"heat-base=" + StationSettingRaw(s, ports, "heat-base"), "cool-base=20",
                                  "normal-temp=1:5,2:-1.5", "normal-rain=1:25.4", "noaa-elevation=100", "city=Hobart"},
                                 &errors),
            0)
      << errors[0];
  EXPECT_EQ(s.record().degday_base[0], 65.0f);
  EXPECT_EQ(s.record().degday_base[1], 68.0f);
  EXPECT_EQ(s.record().normal_temp[0], 41.0f);
  EXPECT_EQ(s.record().normal_temp[1], 29.3f);
  EXPECT_FLOAT_EQ(s.record().normal_rain[0], 1.0f);
  EXPECT_EQ(s.record().elevation_ft, 328);
  EXPECT_EQ(StationSettingRaw(s, ports, "noaa-city"), "Hobart");
  EXPECT_EQ(StationSettingValue(s, ports, "noaa-elevation"), "100 m");
  // An empty value clears a month's normal: -32768 for temperatures, -1 for rain.
  ASSERT_EQ(ApplyStationSettings(s, ports, {"normal-temp=1:", "normal-rain=1:"}, &errors), 0);
  EXPECT_EQ(s.record().normal_temp[0], -32768.0f);
  EXPECT_EQ(s.record().normal_rain[0], -1.0f);
  EXPECT_EQ(StationSettingRaw(s, ports, "normal-temp"), "2:-1.5");
  EXPECT_EQ(StationSettingRaw(s, ports, "normal-rain"), "");
  DisplayUnits::SetTempUnit(DisplayUnits::kFahrenheit);
  DisplayUnits::SetRainUnit(DisplayUnits::kRainInches);
  DisplayUnits::SetElevUnit(DisplayUnits::kFeet);
}

TEST(StationSettingsTest, OlderConsolesKeepTheirSlowLine) {
  Station s;
  PortMap ports;
  std::string error;
  ASSERT_EQ(ApplyStationSetting(s, ports, "model=2", &error), 0);
  EXPECT_EQ(ApplyStationSetting(s, ports, "baud=9600", &error), -1);
  EXPECT_EQ(ApplyStationSetting(s, ports, "baud=2400", &error), 0);
}

TEST(StationSettingsTest, ClearingTheMacAlsoClearsTheAccountKey) {
  Station s;
  PortMap ports;
  std::string error;
  ASSERT_EQ(ApplyStationSetting(s, ports, "mac=00:11:22:33:44:55", &error), 0);
  ASSERT_EQ(ApplyStationSetting(s, ports, "network-key=42", &error), 0);
  ASSERT_EQ(ApplyStationSetting(s, ports, "mac=", &error), 0);
  EXPECT_EQ(s.record().account_key, 0u);
  EXPECT_EQ(s.GetSQIPMacAddressStr(), "000000000000");
}

}  // namespace
}  // namespace sq
