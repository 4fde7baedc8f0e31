// The console commands end to end: a program folder with one station whose
// COM1 is the console simulator's pseudo-terminal, the command line as the user types
// it, and what reaches the console, the station file and the program folder.
#include "ui/console_commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/dirs.h"
#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "app/station_folders.h"
#include "link/console_config_actions.h"
#include "link/link_clock.h"
#include "link/settings_password.h"
#include "link/tests/link_test_util.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

class ConsoleCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { Start({}); }

  void Start(const sim::SimOptions& o) {
    sim_ = std::make_unique<sim::ConsoleSim>(o);
    ASSERT_TRUE(sim_->StartPty());
    home_ = home_dir_.path().string();
    SetProgramFolder(home_);
    std::string message;
    ASSERT_EQ(InitProgramFolder(home_, true, &message), 0) << message;
    ASSERT_EQ(CreateNewStation(home_, "Test", true, &folder_, &message), NewStationResult::kCreated) << message;
    PortMap ports;
    ASSERT_EQ(ports.SetDevice(1, sim_->device_path()), 0);
    ASSERT_EQ(ports.Save(home_), 0);
    env_.link_clock = &clock_;
    env_.ask = [this](std::string_view text, std::string_view) {
      questions_.emplace_back(text);
      return answer_;
    };
  }

  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"console", folder_});
    std::FILE* out = std::tmpfile();
    env_.out = out;
    const int rc = ui::RunConsoleCommand(args, env_);
    std::fflush(out);
    std::rewind(out);
    output_.clear();
    char buf[256];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, out)) > 0) output_.append(buf, n);
    std::fclose(out);
    env_.out = stdout;
    return rc;
  }

  std::uint8_t Eeprom(int address) {
    std::uint8_t v = 0;
    sim_->WithEngine([&](sim::ConsoleEngine& e) { v = e.eeprom()[static_cast<std::size_t>(address)]; });
    return v;
  }
  std::vector<std::string> Commands() {
    std::vector<std::string> c;
    sim_->WithEngine([&](sim::ConsoleEngine& e) { c = e.commands(); });
    return c;
  }
  Station Reload() {
    Station s;
    EXPECT_EQ(s.Load(folder_), 0);
    return s;
  }

  testing::TempDir home_dir_;
  std::string home_, folder_;
  FakeLinkClock clock_{300};
  std::unique_ptr<sim::ConsoleSim> sim_;
  ui::ConsoleCommandEnv env_;
  bool answer_ = false;
  std::vector<std::string> questions_;
  std::string output_;
};

TEST_F(ConsoleCommandsTest, DestructiveCommandsAskAndANoSendsNothing) {
  const std::vector<std::vector<std::string>> commands = {
      {"setperiod", "15"},
      {"clear", "--highs", "--archive"},
      {"calibration", "--clear"},
      {"settime", "--zone", "34", "--clear-archive"},
  };
  for (const auto& c : commands) {
    SCOPED_TRACE(c[0]);
    questions_.clear();
    EXPECT_EQ(Run(c), 1);
    EXPECT_FALSE(questions_.empty());
    EXPECT_TRUE(sim_->TakeReceived().empty());
  }
  answer_ = true;
  questions_.clear();
  EXPECT_EQ(Run({"clear", "--highs", "--archive"}), 0);
  // Both questions come before the first command.
  ASSERT_EQ(questions_.size(), 2u);
  EXPECT_EQ(questions_[1], "Please confirm your choice to clear the archive memory.");
  EXPECT_EQ(Commands(), (std::vector<std::string>{"CLRHIGHS 0", "CLRHIGHS 1", "CLRHIGHS 2", "CLRLOG"}));

  answer_ = false;
  EXPECT_EQ(Run({"setperiod", "15", "--yes"}), 0);
  EXPECT_EQ(Eeprom(0x2D), 15);
}

TEST_F(ConsoleCommandsTest, SetTimeStoresZoneAndDaylightSavingWithTheStation) {
  // A station that never had a zone, and none given: nothing is sent.
  EXPECT_EQ(Run({"settime", "--date", "2025-03-09", "--time", "14:07"}), 1);
  EXPECT_TRUE(sim_->TakeReceived().empty());
  // Bad date or time texts are refused before the console is contacted.
  for (const char* date : {"2025-02-30", "1899-12-31", "2156-01-01", "2025-+3-09", "2025-3-9"}) {
    EXPECT_EQ(Run({"settime", "--date", date, "--zone", "34"}), 1) << date;
  }
  EXPECT_EQ(Run({"settime", "--time", "25:00", "--zone", "34"}), 1);
  EXPECT_TRUE(sim_->TakeReceived().empty());

  ASSERT_EQ(Run({"settime", "--date", "2025-03-09", "--time", "2:07p", "--zone", "34", "--dst", "on"}), 0);
  std::vector<std::uint8_t> time;
  sim_->WithEngine([&](sim::ConsoleEngine& e) { time.assign(e.console_time(), e.console_time() + 6); });
  EXPECT_EQ(time, (std::vector<std::uint8_t>{0, 7, 14, 9, 3, 125}));
  EXPECT_EQ(Eeprom(0x11), 34);
  EXPECT_EQ(Eeprom(0x12), 1);
  EXPECT_EQ(Eeprom(0x13), 1);
  Station s = Reload();
  EXPECT_EQ(StationZoneIndex(s), 34);
  EXPECT_FLOAT_EQ(s.record().timezone_hours, 5.5f);
  EXPECT_TRUE(StationDstOn(s));

  // Later runs take the station's zone and daylight saving.
  ASSERT_EQ(Run({"settime", "--date", "2025-07-01", "--time", "08:00"}), 0);
  EXPECT_EQ(Eeprom(0x11), 34);
  EXPECT_EQ(Eeprom(0x13), 1);
}

TEST_F(ConsoleCommandsTest, LocationRainAndUnits) {
  ASSERT_EQ(Run({"latlong", "33.9S", "151.2E"}), 0);
  EXPECT_NE(output_.find(" 33.9 S"), std::string::npos) << output_;
  EXPECT_EQ(static_cast<std::int16_t>(Eeprom(0x0B) | (Eeprom(0x0C) << 8)), -339);
  EXPECT_EQ(static_cast<std::int16_t>(Eeprom(0x0D) | (Eeprom(0x0E) << 8)), 1512);
  Station s = Reload();
  EXPECT_NEAR(s.record().latitude, -33.9, 1e-4);
  EXPECT_NEAR(s.record().longitude, 151.2, 1e-4);
  EXPECT_EQ(Run({"latlong", "91N", "0"}), 1);

  (void)sim_->TakeReceived();
  EXPECT_EQ(Run({"yearrain", "abc"}), 1);
  EXPECT_EQ(Run({"yearrain", "-1"}), 1);
  EXPECT_EQ(Run({"setbar", "15999", "600"}), 1);
  EXPECT_EQ(Run({"cupsize", "5"}), 1);
  EXPECT_TRUE(sim_->TakeReceived().empty());
  ASSERT_EQ(Run({"yearrain", "1.25"}), 0);  // inches on a 0.01 in collector
  EXPECT_EQ(Commands().back(), "PUTRAIN 125");

  ASSERT_EQ(Run({"units"}), 0);
  const std::uint8_t bits = progConfigData.MakeCorvaleUnitByte();
  EXPECT_EQ(Eeprom(0x29), bits);
  EXPECT_EQ(Eeprom(0x2A), static_cast<std::uint8_t>(~bits));
}

TEST_F(ConsoleCommandsTest, RainCollectorFollowsTheConsoleModel) {
  answer_ = true;
  // The simulator is a Corvale Pro (model code 16): no 0.1 mm collector.
  EXPECT_EQ(Run({"rain-collector", "0.1mm"}), 1);
  EXPECT_EQ(Eeprom(0x2B), 0x08);
  ASSERT_EQ(Run({"rain-collector", "0.2mm"}), 0);
  EXPECT_EQ(Eeprom(0x2B), 0x18);
  EXPECT_EQ(Reload().record().rain_type, 2);
  EXPECT_EQ(questions_.back(), "Set the rain cal number for a 0.2mm collector?");
}

TEST_F(ConsoleCommandsTest, CalibrationAlarmsAndTransmitters) {
  ASSERT_EQ(Run({"calibration", "--set", "outside-temp=-0.5", "--set", "inside-temp=1.2", "--set", "inside-hum=3"}), 0);
  // The outside offset lives in byte 2; byte 1 checks the inside offset.
  EXPECT_EQ(Eeprom(0x32 + 0), 12);
  EXPECT_EQ(Eeprom(0x32 + 1), static_cast<std::uint8_t>(~12));
  EXPECT_EQ(Eeprom(0x32 + 2), 0xFB);
  EXPECT_EQ(Eeprom(0x32 + 18), 3);
  EXPECT_NE(output_.find("outside-temp   -0.5 F   65.5 F"), std::string::npos) << output_;
  const auto copy = LoadCalibrationCopy(Reload());
  EXPECT_EQ(copy[cal::kOutsideTemp], -5);
  EXPECT_EQ(copy[cal::kInsideHum], 3);
  EXPECT_EQ(Run({"calibration", "--set", "outside-temp=20"}), 2);  // 200 tenths do not fit

  ASSERT_EQ(Run({"alarms", "--time", "06:30", "--temp", "6=70"}), 0);
  EXPECT_EQ(Eeprom(0x52 + 2) | (Eeprom(0x52 + 3) << 8), 630);
  EXPECT_EQ(Eeprom(0x52 + 6), 160);
  EXPECT_NE(output_.find("Time alarm           06:30"), std::string::npos) << output_;
  EXPECT_NE(output_.find("Temperature byte  6  70 F (21.1 C)"), std::string::npos) << output_;
  EXPECT_NE(output_.find("clicks of 0.0100 in"), std::string::npos) << output_;

  ASSERT_EQ(Run({"transmitters"}), 0);
  EXPECT_NE(output_.find("Anemometer transmitter: 1"), std::string::npos) << output_;
  ASSERT_EQ(Run({"transmitters", "--set", "3=4", "--set", "1=none"}), 0);
  EXPECT_EQ(Eeprom(0x19), 0x19);      // id 1: code 1 kept, type 9
  EXPECT_EQ(Eeprom(0x19 + 4), 0x14);  // id 3: code 1 kept, type 4
  EXPECT_EQ(Commands().back(), "NEWSETUP");
  EXPECT_NE(output_.find("Anemometer transmitter: 3"), std::string::npos) << output_;
  EXPECT_EQ(Run({"transmitters", "--set", "9=4"}), 2);
}

TEST_F(ConsoleCommandsTest, AnInconsistentCalibrationBlockIsNeitherShownNorCleared) {
  sim_->WithEngine([](sim::ConsoleEngine& e) { e.eeprom()[0x33] = 0x00; });  // should be 0xFF
  answer_ = true;
  for (const std::vector<std::string>& c : {std::vector<std::string>{"calibration"},
                                            {"calibration", "--clear"},
                                            {"calibration", "--set", "inside-hum=2"}}) {
    SCOPED_TRACE(c.back());
    EXPECT_EQ(Run(c), 1);
    EXPECT_EQ(output_.find("inside-temp"), std::string::npos) << output_;
  }
  for (const auto& cmd : Commands()) EXPECT_TRUE(cmd != "CLRCAL" && cmd.rfind("EEBWR", 0) != 0) << cmd;
}

TEST_F(ConsoleCommandsTest, ClearGoesOnAndLogsWhenTheStationCannotBeSaved) {
  // A directory where the station's new file would be written makes every save fail.
  std::filesystem::create_directory(folder_ + "/STATION.CFG.tmp-" + std::to_string(::getpid()));
  answer_ = true;
  EXPECT_EQ(Run({"clear", "--calibration", "--total", "13"}), 1);
  const auto cmds = Commands();
  ASSERT_GE(cmds.size(), 2u);
  EXPECT_EQ(cmds[cmds.size() - 2], "CALFIX");
  EXPECT_EQ(cmds.back(), "CLRVAR 13");
  std::ifstream log(home_ + "/download.log");
  const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Could not save station config file.  Check disk space.  If on network, check write "
                      "permission of directory."),
            std::string::npos)
      << text;
}

TEST_F(ConsoleCommandsTest, PasswordTwiceFromInput) {
  auto run_with_input = [&](const std::string& text, std::vector<std::string> args) {
    std::FILE* in = std::tmpfile();
    std::fputs(text.c_str(), in);
    std::rewind(in);
    env_.in = in;
    const int rc = Run(std::move(args));
    std::fclose(in);
    env_.in = nullptr;
    return rc;
  };
  const std::string file = home_ + "/tsp.utl";
  EXPECT_EQ(run_with_input("secret\nSecreT\n", {"password"}), 0);
  EXPECT_EQ((Eeprom(0xFFE) << 8) | Eeprom(0xFFF), PasswordCheckCode("SECRET"));
  EXPECT_TRUE(std::filesystem::exists(file));

  (void)sim_->TakeReceived();
  EXPECT_EQ(run_with_input("secret\nsecrets\n", {"password"}), 1);
  EXPECT_EQ(run_with_input("abc\nabc\n", {"password"}), 1);
  EXPECT_TRUE(sim_->TakeReceived().empty());

  EXPECT_EQ(Run({"password", "--none"}), 0);
  EXPECT_EQ(Eeprom(0xFFE), 0xFF);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ConsoleCommandsTest, UnknownCommandAndUsage) {
  EXPECT_EQ(Run({"nosuch"}), 2);
  EXPECT_EQ(Run({"info", "--save"}), 2);
  EXPECT_EQ(Run({"setbar", "29920"}), 2);
  EXPECT_EQ(Run({"clear"}), 2);
  EXPECT_EQ(ui::RunConsoleCommand({"console", "settime", "--help"}, env_), 0);
  EXPECT_EQ(ui::RunConsoleCommand({"console", "settime", "5"}, env_), 2);
}

// `console --help` lists the table: the readings first, then the settings under their
// heading, entries of several lines indented as one block.
TEST(ConsoleUsageTest, ListsEveryCommandOfTheTable) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(ui::RunConsoleCommand({"console", "--help"}), 0);
  const std::string out = ::testing::internal::GetCapturedStdout();
  const auto settings = out.find("\nConsole settings (add --yes");
  ASSERT_NE(settings, std::string::npos) << out;
  for (const ui::ConsoleCommand& c : ui::ConsoleCommands()) {
    SCOPED_TRACE(c.name);
    const auto at = out.find("\n  " + std::string(c.name) + " ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(at > settings, c.setting);
  }
  EXPECT_NE(out.find("\n  porttest   look for a modem or a loopback connector on the station's port,\n"
                     "             then on the other ports\n"),
            std::string::npos);
}

}  // namespace
}  // namespace sq
