// Console settings against the console simulator on a pseudo-terminal: the exact
// bytes of every operation, refusals that send nothing, the clear order, clearing the
// calibration, the time sequence with the station's copy, and the settings password.
#include "link/console_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/station.h"
#include "link/console_config_actions.h"
#include "link/corvale_session.h"
#include "link/crc16.h"
#include "link/settings_password.h"
#include "link/tests/link_test_util.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

using testing::Bytes;

std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> v) {
  const std::uint16_t crc = Crc16(v);
  v.push_back(static_cast<std::uint8_t>(crc >> 8));
  v.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  return v;
}

std::string Printable(const std::vector<std::uint8_t>& v) {
  std::string s;
  for (auto b : v) {
    if (b >= 0x20 && b < 0x7F) {
      s.push_back(static_cast<char>(b));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "<%02X>", b);
      s += buf;
    }
  }
  return s;
}

class ConsoleConfigTest : public ::testing::Test {
 protected:
  void Start(sim::SimOptions o = {}, int station_model = -1) {
    sim_ = std::make_unique<sim::ConsoleSim>(o);
    ASSERT_TRUE(sim_->StartPty());
    CommSettings s;
    s.clock = &clock_;
    s.device_path = sim_->device_path();
    session_ = std::make_unique<CorvaleSession>(s);
    config_ = std::make_unique<ConsoleConfig>(*session_, station_model);
  }
  std::uint8_t Eeprom(int address) {
    std::uint8_t v = 0;
    sim_->WithEngine([&](sim::ConsoleEngine& e) { v = e.eeprom()[static_cast<std::size_t>(address)]; });
    return v;
  }
  void SetEeprom(int address, std::uint8_t v) {
    sim_->WithEngine([&](sim::ConsoleEngine& e) { e.eeprom()[static_cast<std::size_t>(address)] = v; });
  }
  std::vector<std::string> Commands() {
    std::vector<std::string> c;
    sim_->WithEngine([&](sim::ConsoleEngine& e) { c = e.commands(); });
    return c;
  }

  FakeLinkClock clock_{300};
  std::unique_ptr<sim::ConsoleSim> sim_;
  std::unique_ptr<CorvaleSession> session_;
  std::unique_ptr<ConsoleConfig> config_;
};

TEST_F(ConsoleConfigTest, BytesOfEachOperation) {
  Start();
  struct Row {
    const char* legend;
    std::function<int(ConsoleConfig&)> op;
    std::vector<std::uint8_t> sent;
  };
  const std::vector<Row> rows = {
      {"archive interval index 5 is 60 minutes, then the archive is cleared",
       [](ConsoleConfig& c) { return c.SetArchivePeriod(5); }, Bytes("\nSETPER 60\n\nCLRLOG\n")},
      {"barometer of 0 lets the console keep its own", [](ConsoleConfig& c) { return c.SetBarometer(0, 600); },
       Bytes("\nBAR=0 600\n")},
      {"barometer at the limits", [](ConsoleConfig& c) { return c.SetBarometer(32500, -2000); },
       Bytes("\nBAR=32500 -2000\n")},
      {"rain collector 0.2 mm into setup bits 4-5", [](ConsoleConfig& c) { return c.SetRainCollector(2); },
       Cat({Bytes("\nEEBRD 2B 1\n\nEEBWR 2B 1\n"), WithCrc({0x18}), Bytes("\nNEWSETUP\n")})},
      {"unit bits with their complement", [](ConsoleConfig& c) { return c.SetCorvaleUnitBits(0x25); },
       Cat({Bytes("\nEEBWR 29 2\n"), WithCrc({0x25, 0xDA}), Bytes("\nNEWSETUP\n")})},
      {"latitude and longitude in one block", [](ConsoleConfig& c) { return c.SetLatLong(-339, 1512); },
       Cat({Bytes("\nEEBWR B 4\n"), WithCrc({0xAD, 0xFE, 0xE8, 0x05}), Bytes("\nNEWSETUP\n")})},
      {"time zone 34 writes 530", [](ConsoleConfig& c) { return c.SetTimeZone(34); },
       Bytes("\nEEWR 11 22\n\r\nEEWR 14 12\n\r\nEEWR 15 2\n\r\nEEWR 16 0\n\r")},
      {"manual daylight saving on", [](ConsoleConfig& c) { return c.SetDaylightSaving(DstMode::kManual, true); },
       Bytes("\nEEWR 12 1\n\r\nEEWR 13 1\n\r")},
      {"automatic daylight saving", [](ConsoleConfig& c) { return c.SetDaylightSaving(DstMode::kAutomatic, true); },
       Bytes("\nEEWR 12 0\n\r")},
      {"yearly rain", [](ConsoleConfig& c) { return c.SetYearRain(1234); }, Bytes("\nPUTRAIN 1234\n")},
      {"all highs in order", [](ConsoleConfig& c) { return c.ClearHighs(kClearAllPeriods); },
       Bytes("\nCLRHIGHS 0\n\nCLRHIGHS 1\n\nCLRHIGHS 2\n")},
      {"monthly lows", [](ConsoleConfig& c) { return c.ClearLows(1); }, Bytes("\nCLRLOWS 1\n")},
      {"graphs", [](ConsoleConfig& c) { return c.ClearGraphs(); }, Bytes("\nCLRGRA\n")},
      {"alarms", [](ConsoleConfig& c) { return c.ClearAlarms(); }, Bytes("\nCLRALM\n")},
      {"a total", [](ConsoleConfig& c) { return c.ClearVariable(26); }, Bytes("\nCLRVAR 26\n")},
      {"cup size 2 on a console with the other sizes", [](ConsoleConfig& c) { return c.SetWindCupSize(2); },
       Bytes("\nNVER\n\nEEWR C3 2\n\r")},
      {"cup size 0 is taken as 1", [](ConsoleConfig& c) { return c.SetWindCupSize(0); },
       Bytes("\nNVER\n\nEEWR C3 1\n\r")},
      {"word at 0x4D", [](ConsoleConfig& c) { return c.WriteWord4D(0x1234); },
       Cat({Bytes("\nEEBWR 4D 2\n"), WithCrc({0x34, 0x12})})},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    (void)sim_->TakeReceived();
    EXPECT_EQ(r.op(*config_), kConfigOk);
    EXPECT_EQ(Printable(sim_->TakeReceived()), Printable(r.sent));
  }
  // What the console holds afterwards.
  EXPECT_EQ(Eeprom(0x2D), 60);
  EXPECT_EQ(Eeprom(0x2B), 0x18);
  EXPECT_EQ(Eeprom(0x29), 0x25);
  EXPECT_EQ(Eeprom(0x2A), 0xDA);
  EXPECT_EQ(Eeprom(0x11), 34);
  EXPECT_EQ(Eeprom(0x14) | (Eeprom(0x15) << 8), 530);
  EXPECT_EQ(Eeprom(0x16), 0);
  EXPECT_EQ(Eeprom(0xC3), 1);
  int lat = 0, lon = 0;
  EXPECT_EQ(config_->GetLatitude(lat), kConfigOk);
  EXPECT_EQ(config_->GetLongitude(lon), kConfigOk);
  EXPECT_EQ(lat, -339);
  EXPECT_EQ(lon, 1512);
  EXPECT_EQ(config_->GetRainCollector(), 2);
  std::size_t records = 1;
  sim_->WithEngine([&](sim::ConsoleEngine& e) { records = e.archive().size(); });
  EXPECT_EQ(records, 0u);  // a new interval always empties the archive
}

TEST_F(ConsoleConfigTest, RefusedValuesSendNothing) {
  sim::SimOptions old_firmware;
  old_firmware.archive.layout = 'a';  // firmware 1.50: no other cup sizes
  Start(old_firmware);
  struct Row {
    const char* legend;
    std::function<int(ConsoleConfig&)> op;
  };
  const Row rows[] = {
      {"archive index 7", [](ConsoleConfig& c) { return c.SetArchivePeriod(7); }},
      {"barometer 15999", [](ConsoleConfig& c) { return c.SetBarometer(15999, 0); }},
      {"barometer 32501", [](ConsoleConfig& c) { return c.SetBarometer(32501, 0); }},
      {"elevation 15001", [](ConsoleConfig& c) { return c.SetBarometer(0, 15001); }},
      {"elevation -2001", [](ConsoleConfig& c) { return c.SetBarometer(29000, -2001); }},
      {"rain collector type 4", [](ConsoleConfig& c) { return c.SetRainCollector(4); }},
      {"negative yearly rain", [](ConsoleConfig& c) { return c.SetYearRain(-1); }},
      {"zone 47", [](ConsoleConfig& c) { return c.SetTimeZone(47); }},
      {"latitude beyond 90", [](ConsoleConfig& c) { return c.SetLatLong(901, 0); }},
      {"highs period 3", [](ConsoleConfig& c) { return c.ClearHighs(3); }},
      {"cup size 5 anywhere", [](ConsoleConfig& c) { return c.SetWindCupSize(5); }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    (void)sim_->TakeReceived();
    EXPECT_EQ(r.op(*config_), kConfigRefused);
    EXPECT_TRUE(sim_->TakeReceived().empty());
  }
  // On a console without the other cup sizes only the version is asked.
  (void)sim_->TakeReceived();
  EXPECT_EQ(config_->SetWindCupSize(2), kConfigRefused);
  EXPECT_EQ(Printable(sim_->TakeReceived()), Printable(Bytes("\nNVER\n")));
  EXPECT_EQ(Eeprom(0xC3), 2);
}

TEST_F(ConsoleConfigTest, CupSizeInSetupBitsWithoutOtherSizes) {
  sim::SimOptions old_firmware;
  old_firmware.archive.layout = 'a';
  Start(old_firmware);
  SetEeprom(0x2B, 0x18);  // large cups, 0.2 mm collector
  EXPECT_EQ(config_->SetWindCupSize(0), kConfigOk);
  EXPECT_EQ(Eeprom(0x2B), 0x10);
  EXPECT_EQ(config_->GetWindCupSize(), 0);
  EXPECT_EQ(config_->SetWindCupSize(8), kConfigOk);
  EXPECT_EQ(Eeprom(0x2B), 0x18);
  EXPECT_EQ(config_->GetWindCupSize(), 8);
  EXPECT_EQ(Eeprom(0xC3), 2);  // untouched
}

TEST_F(ConsoleConfigTest, CompactConsoleTakesOtherCupSizesWithoutAsking) {
  sim::SimOptions old_firmware;
  old_firmware.archive.layout = 'a';
  Start(old_firmware, 7);
  (void)sim_->TakeReceived();
  EXPECT_EQ(config_->SetWindCupSize(3), kConfigOk);
  EXPECT_EQ(Printable(sim_->TakeReceived()), Printable(Bytes("\nEEWR C3 3\n\r")));
}

TEST_F(ConsoleConfigTest, ClearSequenceKeepsItsOrder) {
  Start();
  ClearChoices c;
  c.highs[0] = c.highs[1] = c.highs[2] = true;
  c.lows[0] = c.lows[2] = true;
  c.graphs = c.archive = c.alarms = c.calibration = true;
  c.totals = {27, 13, 25};  // cleared in the fixed order, not as listed
  std::string step;
  ASSERT_EQ(RunClearSequence(*config_, nullptr, c, &step), kConfigOk) << step;
  const std::vector<std::string> expected = {"CLRHIGHS 0", "CLRHIGHS 1", "CLRHIGHS 2", "CLRLOWS 0",   "CLRLOWS 2",
                                             "CLRGRA",     "CLRLOG",     "CLRALM",     "EEBRD 32 1B", "CALED",
                                             "CLRCAL",     "CALFIX",     "CLRVAR 13",  "CLRVAR 25",   "CLRVAR 27"};
  EXPECT_EQ(Commands(), expected);

  sim_->WithEngine([](sim::ConsoleEngine& e) { e.ClearReceived(); });
  c = {};
  c.graphs = true;
  c.totals = {15};
  EXPECT_EQ(RunClearSequence(*config_, nullptr, c, &step), kConfigRefused);
  EXPECT_TRUE(sim_->TakeReceived().empty());
}

TEST_F(ConsoleConfigTest, ClearingCalibrationSendsUncalibratedValuesBack) {
  Start();
  // Console offsets: inside +1.0 F, outside -0.5 F, extra 1 +0.3 F, humidities +2 / -4.
  SetEeprom(0x32 + 0, 10);
  SetEeprom(0x32 + 1, static_cast<std::uint8_t>(~10));
  SetEeprom(0x32 + 2, static_cast<std::uint8_t>(-5));
  SetEeprom(0x32 + 3, 3);
  SetEeprom(0x32 + 18, 2);
  SetEeprom(0x32 + 19, static_cast<std::uint8_t>(-4));
  // The outside sensor is missing.
  CalibratedValues shown;
  ASSERT_EQ(config_->ReadCalibratedValues(shown), kConfigOk);
  shown.temps[1] = kNoSensorTemp;
  ASSERT_EQ(config_->WriteCalibratedValues(shown), kConfigOk);

  testing::TempDir dir;
  Station station;
  station.SetFolder(dir.path().string());
  CalibrationOffsets copy{};
  copy[cal::kInsideTemp] = 10;
  copy[cal::kFurtherTemp + 4] = -7;
  copy[cal::kExtraHum + 6] = 3;
  StoreCalibrationCopy(station, copy);
  ASSERT_EQ(station.Save(), 0);

  (void)sim_->TakeReceived();
  CalibratedValues sent;
  ASSERT_EQ(ClearConsoleCalibration(*config_, &station, &sent), kConfigOk);

  std::vector<std::uint8_t> on_console;
  sim_->WithEngine([&](sim::ConsoleEngine& e) { on_console = e.calibrated(); });
  ASSERT_EQ(on_console.size(), kCalibratedValuesSize);
  const auto v = DecodeCalibratedValues(std::span<const std::uint8_t, kCalibratedValuesSize>(on_console.data(), 43));
  EXPECT_EQ(v.temps[0], 705 - 10);
  EXPECT_EQ(v.temps[1], kNoSensorTemp);  // kept, not 0x7FFF + 5
  EXPECT_EQ(v.temps[2], 700 - 3);
  EXPECT_EQ(v.temps[3], kNoSensorTemp);
  EXPECT_EQ(v.hums[0], 42 - 2);
  EXPECT_EQ(v.hums[1], 68 + 4);
  EXPECT_EQ(v.hums[2], kNoSensorHum);
  const std::vector<std::string> tail = {"EEBRD 32 1B", "CALED", "CLRCAL", "CALFIX"};
  auto cmds = Commands();
  ASSERT_GE(cmds.size(), tail.size());
  EXPECT_EQ(std::vector<std::string>(cmds.end() - 4, cmds.end()), tail);

  Station reloaded;
  ASSERT_EQ(reloaded.Load(dir.path().string()), 0);
  EXPECT_EQ(LoadCalibrationCopy(reloaded), CalibrationOffsets{});
}

TEST_F(ConsoleConfigTest, TimeSequenceAndTheStationsCopy) {
  Start();
  testing::TempDir dir;
  Station station;
  station.SetFolder(dir.path().string());
  TimeSetting t;
  t.time = {2025, 3, 9, 14, 7};
  t.zone_index = 34;
  t.dst_mode = DstMode::kManual;
  t.dst_on = false;
  t.clear_archive = true;
  std::string step;
  ASSERT_EQ(SetConsoleTime(*config_, &station, t, &step), kConfigOk) << step;
  const std::vector<std::string> expected = {"EEWR 12 1", "EEWR 13 0", "EEWR 11 22", "EEWR 14 12",
                                             "EEWR 15 2", "EEWR 16 0", "SETTIME",    "CLRLOG"};
  EXPECT_EQ(Commands(), expected);
  std::vector<std::uint8_t> time;
  sim_->WithEngine([&](sim::ConsoleEngine& e) { time.assign(e.console_time(), e.console_time() + 6); });
  EXPECT_EQ(time, (std::vector<std::uint8_t>{0, 7, 14, 9, 3, 125}));

  Station reloaded;
  ASSERT_EQ(reloaded.Load(dir.path().string()), 0);
  EXPECT_EQ(StationZoneIndex(reloaded), 34);
  EXPECT_FLOAT_EQ(reloaded.record().timezone_hours, 5.5f);
  EXPECT_EQ(reloaded.record().manual_dst, 1);
  EXPECT_FALSE(StationDstOn(reloaded));

  // No zone chosen: nothing at all is sent.
  (void)sim_->TakeReceived();
  t.zone_index = -1;
  EXPECT_EQ(SetConsoleTime(*config_, &station, t), kNoZoneChosen);
  EXPECT_TRUE(sim_->TakeReceived().empty());
}

TEST_F(ConsoleConfigTest, SettingsPasswordInConsoleAndFile) {
  Start();
  testing::TempDir dir;
  const std::string file = (dir.path() / "tsp.utl").string();
  ASSERT_EQ(SetSettingsPassword(*config_, dir.path().string(), "ABCDE"), kConfigOk);
  EXPECT_EQ(Eeprom(0xFFE), 0x0C);
  EXPECT_EQ(Eeprom(0xFFF), 0x81);
  std::ifstream in(file, std::ios::binary);
  const std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(contents, std::string("ABCDE\0", 6));
  EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
      << "the password is for its owner's eyes only";
  std::uint16_t code = 0;
  EXPECT_EQ(ReadPasswordCode(*config_, code), kConfigOk);
  EXPECT_EQ(code, 0xC81);

  ASSERT_EQ(ClearSettingsPassword(*config_, dir.path().string()), kConfigOk);
  EXPECT_EQ(Eeprom(0xFFE), 0xFF);
  EXPECT_EQ(Eeprom(0xFFF), 0xFF);
  EXPECT_FALSE(std::filesystem::exists(file));

  // A file that cannot be written (a full disk) is reported, and the old one stays.
  ASSERT_EQ(SetSettingsPassword(*config_, dir.path().string(), "ABCDE"), kConfigOk);
  {
    FaultFileSystem fs(DefaultFileSystem());
    fs.Arm(FaultFileSystem::Mode::kFail, 2);
    EXPECT_EQ(SetSettingsPassword(*config_, dir.path().string(), "FGHIJ", fs), kConfigFailed);
    std::ifstream again(file, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()),
              std::string("ABCDE\0", 6));
  }
  ASSERT_EQ(ClearSettingsPassword(*config_, dir.path().string()), kConfigOk);

  // A console that refuses the block leaves the file as it was.
  sim_->WithEngine([](sim::ConsoleEngine& e) { e.options().nak_block_writes = true; });
  EXPECT_NE(SetSettingsPassword(*config_, dir.path().string(), "WEATHER"), kConfigOk);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ConsoleConfigTest, ReadsBlocksAndFailsWhenTheConsoleSleeps) {
  sim::SimOptions o;
  Start(o);
  TransmitterTable table;
  ASSERT_EQ(config_->ReadTransmitters(table), kConfigOk);
  EXPECT_EQ(table[0].type, 0);
  EXPECT_EQ(table[1].type, kTxTypeNone);
  EXPECT_EQ(AnemometerTransmitter(table), 1);
  AlarmBlock alarms{};
  ASSERT_EQ(config_->ReadAlarms(alarms), kConfigOk);
  EXPECT_FALSE(AlarmTime(alarms));
  ASSERT_TRUE(SetAlarmTime(alarms, 6 * 60 + 30));
  ASSERT_EQ(config_->WriteAlarms(alarms), kConfigOk);
  EXPECT_EQ(Eeprom(0x52 + 2) | (Eeprom(0x52 + 3) << 8), 630);
  std::array<int, 5> stats{};
  EXPECT_EQ(config_->GetReceptionStats(stats), 0);
  EXPECT_EQ(stats[0], 21629);

  sim_->WithEngine([](sim::ConsoleEngine& e) { e.options().never_wake = true; });
  (void)sim_->TakeReceived();
  EXPECT_EQ(config_->SetYearRain(10), kConfigFailed);
  // Only wake-ups went out, never the command.
  for (auto b : sim_->TakeReceived()) EXPECT_EQ(b, '\n');
}

}  // namespace
}  // namespace sq
