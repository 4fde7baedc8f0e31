// The doctor against the console simulator on a pseudo-terminal: an installation in
// good order, then each fault it names, with its fix.
#include "ui/doctor.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>

#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "app/station_folders.h"
#include "database/month_file.h"
#include "link/archive_download.h"
#include "link/corvale_session.h"
#include "test_support/temp_dir.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

class FakeSystem : public DoctorSystem {
 public:
  DeviceState ProbeDevice(const std::string& path) override {
    if (forced) return *forced;
    return DoctorSystem::ProbeDevice(path);
  }
  std::string UserName() override { return "alice"; }
  std::optional<DeviceState> forced;
};

// Members are public: the table of faults below changes them from lambdas.
class DoctorTest : public ::testing::Test {
 public:
  void SetUp() override {
    system_.forced.reset();
    dir_.emplace();
    home_ = dir_->str();
    std::string message;
    ASSERT_EQ(InitProgramFolder(home_, false, &message), 0) << message;
    ASSERT_EQ(CreateNewStation(home_, "Home", false, &station_, &message), NewStationResult::kCreated) << message;
    StartSim({});
    Station st;
    ASSERT_EQ(st.Load(station_), 0);
    ASSERT_EQ(st.SetStationModel(5), 0);
    st.record().connection_type = 1;
    st.record().com_port = 1;
    ASSERT_EQ(st.Save(), 0);

    // A few days of archive in the database.
    CommSettings s;
    s.clock = &link_clock_;
    s.device_path = sim_->device_path();
    CorvaleSession session(s);
    DownloadOptions o;
    o.silent = true;
    o.hooks.message = [](std::string_view, bool) {};
    o.hooks.log = [](std::string_view) {};
    ArchiveDownload download(st, session, o);
    ASSERT_EQ(download.Run(), kDownloadOk);
    SetComputerClockToConsole(0);
  }
  void TearDown() override {
    sim_.reset();
    dir_.reset();
  }

  void StartSim(const sim::SimOptions& o) {
    sim_ = std::make_unique<sim::ConsoleSim>(o);
    ASSERT_TRUE(sim_->StartPty());
    MapCom1(sim_->device_path());
  }
  void MapCom1(const std::string& device) {
    PortMap ports;
    ASSERT_EQ(ports.SetDevice(1, device), 0);
    ASSERT_EQ(ports.Save(home_), 0);
  }
  // The computer's clock `minutes` after the console's.
  void SetComputerClockToConsole(int minutes) {
    std::tm t{};
    sim_->WithEngine([&](sim::ConsoleEngine& e) {
      const std::uint8_t* c = e.console_time();
      t.tm_sec = c[0];
      t.tm_min = c[1];
      t.tm_hour = c[2];
      t.tm_mday = c[3];
      t.tm_mon = c[4] - 1;
      t.tm_year = c[5];
    });
    computer_.SetUnixMs((static_cast<std::int64_t>(::timegm(&t)) + minutes * 60) * 1000);
  }

  std::vector<DoctorFinding> Run(std::string station_folder = "") {
    output_.clear();
    DoctorOptions o;
    o.program_folder = home_;
    o.station_folder = std::move(station_folder);
    o.clock = &computer_;
    o.link_clock = &link_clock_;
    o.system = &system_;
    o.by_id_dir = home_ + "/by-id";
    o.print = [this](const std::string& line) { output_ += line + "\n"; };
    return RunDoctorChecks(o);
  }

  std::optional<testing::TempDir> dir_;
  std::string home_;
  std::string station_;
  std::unique_ptr<sim::ConsoleSim> sim_;
  FakeLinkClock link_clock_{60};
  FakeClock computer_;
  FakeSystem system_;
  std::string output_;
};

TEST_F(DoctorTest, GoodOrderIsAllWell) {
  // A stable name for the pty: advice, not a problem.
  fs::create_directories(home_ + "/by-id");
  fs::create_symlink(sim_->device_path(), home_ + "/by-id/usb-Maker_Bridge_A1-if00-port0");
  EXPECT_TRUE(Run().empty()) << output_;
  EXPECT_NE(output_.find("progdata.dat: ok"), std::string::npos) << output_;
  EXPECT_NE(output_.find("records: ok"), std::string::npos) << output_;
  EXPECT_NE(output_.find("console: model 16 answers on COM1"), std::string::npos) << output_;
  EXPECT_NE(output_.find("console clock: "), std::string::npos) << output_;
  EXPECT_NE(output_.find("records its stable name " + home_ + "/by-id/usb-Maker_Bridge_A1-if00-port0"),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("All is well."), std::string::npos) << output_;
  EXPECT_TRUE(Run(station_).empty()) << output_;
  // A folder that holds no station.
  const auto findings = Run(home_ + "/nothing");
  ASSERT_EQ(findings.size(), 1u) << output_;
  EXPECT_EQ(findings[0].problem, "there is no folder " + home_ + "/nothing");
}

TEST_F(DoctorTest, EachFaultWithItsFix) {
  struct Case {
    const char* name;
    std::function<void(DoctorTest&)> make;
    const char* problem;
    const char* fix;
  };
  const Case cases[] = {
      {"missing progdata.dat", [](DoctorTest& t) { fs::remove(t.home_ + "/progdata.dat"); },
       "progdata.dat is missing from", " init"},
      {"damaged progdata.dat", [](DoctorTest& t) { fs::resize_file(t.home_ + "/progdata.dat", 100); },
       "progdata.dat is damaged", "init --force"},
      {"damaged month file",
       [](DoctorTest& t) {
         std::fstream f(t.station_ + "/" + MonthFileName(2024, 6), std::ios::in | std::ios::out | std::ios::binary);
         f.seekp(0);
         f.write("garbage!garbage!", 16);
       },
       "is damaged", "out of the station folder and put back a backup copy"},
      {"device without permission",
       [](DoctorTest& t) {
         t.system_.forced = DeviceState{DeviceState::kNoPermission, "dialout", true, ""};
       },
       "user alice may not read and write", "sudo adduser alice dialout"},
      {"device its group may not use",
       [](DoctorTest& t) {
         t.system_.forced = DeviceState{DeviceState::kNoPermission, "root", false, ""};
       },
       "user alice may not read and write", "sudo chgrp dialout"},
      {"device missing", [](DoctorTest& t) { t.MapCom1(t.home_ + "/ttyUSB7"); }, "which does not exist", "find --save"},
      {"console clock 10 minutes behind", [](DoctorTest& t) { t.SetComputerClockToConsole(10); },
       "clock is 10 minutes behind the computer's", "settime"},
      {"console clock 10 minutes ahead", [](DoctorTest& t) { t.SetComputerClockToConsole(-10); },
       "clock is 10 minutes ahead of the computer's", "settime"},
      {"console silent",
       [](DoctorTest& t) {
         sim::SimOptions o;
         o.never_wake = true;
         t.StartSim(o);
       },
       "the console does not answer on COM1", "find --save searches every port"},
      {"no connection",
       [](DoctorTest& t) {
         Station st;
         ASSERT_EQ(st.Load(t.station_), 0);
         st.record().connection_type = 0;
         ASSERT_EQ(st.Save(), 0);
       },
       "no console connection", "station set"},
      {"damaged station", [](DoctorTest& t) { fs::resize_file(Station::ConfigPath(t.station_), 10); }, "cannot be read",
       "restore"},
      {"console clock two years behind", [](DoctorTest& t) { t.SetComputerClockToConsole(2 * 365 * 24 * 60 + 3 * 60); },
       "clock is 730 days behind", "settime"},
      {"bad port map", [](DoctorTest& t) { std::ofstream(t.home_ + "/ports.lst") << "/dev/tty\x01S0\n"; },
       "is not a valid port map", "correct or remove"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.make(*this);
    const auto findings = Run();
    ASSERT_FALSE(findings.empty()) << output_;
    EXPECT_NE(findings[0].problem.find(c.problem), std::string::npos) << findings[0].problem;
    EXPECT_NE(findings[0].fix.find(c.fix), std::string::npos) << findings[0].fix;
    EXPECT_NE(output_.find("PROBLEM: " + findings[0].problem), std::string::npos) << output_;
    EXPECT_NE(output_.find(" found."), std::string::npos) << output_;
  }
}

TEST_F(DoctorTest, PortInUseIsNotAProblem) {
  // Most often the service holds the port: the console is left alone.
  system_.forced = DeviceState{DeviceState::kInUse, "dialout", true, ""};
  EXPECT_TRUE(Run().empty()) << output_;
  EXPECT_NE(output_.find("in use by another program"), std::string::npos) << output_;
}

TEST(DoctorClock, DifferenceInWholeMinutes) {
  WallClockTime now;
  now.tm.tm_year = 2025 - 1900;
  now.tm.tm_mon = 0;
  now.tm.tm_mday = 1;
  now.tm.tm_hour = 0;
  now.tm.tm_min = 5;
  now.tm.tm_sec = 59;
  EXPECT_EQ(ClockDifferenceMinutes(2025, 1, 1, 0, 5, now), 0);
  EXPECT_EQ(ClockDifferenceMinutes(2024, 12, 31, 23, 55, now), 10) << "across the year";
  EXPECT_EQ(ClockDifferenceMinutes(2025, 1, 1, 1, 5, now), -60);
}

}  // namespace
}  // namespace sq
