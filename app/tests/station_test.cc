#include "app/station.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/extra_settings.h"
#include "app/port_map.h"
#include "app/station_lists_hook.h"
#include "foundation/clock.h"
#include "foundation/file_lock.h"
#include "foundation/site.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::uint8_t* Bytes(const Station& s) { return reinterpret_cast<const std::uint8_t*>(&s.record()); }

template <typename T>
T At(const Station& s, std::size_t off) {
  T v{};
  std::memcpy(&v, Bytes(s) + off, sizeof v);
  return v;
}

std::string TextAt(const Station& s, std::size_t off) { return reinterpret_cast<const char*>(Bytes(s) + off); }

std::vector<std::uint8_t> Image(const StationRecord& r) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&r);
  return {p, p + sizeof r};
}

// The defaults are checked through raw offsets, so the file layout is pinned too.
TEST(StationTest, NewStationHasTheDocumentedDefaultsAtTheirOffsets) {
  Station s;
  EXPECT_EQ(At<std::uint16_t>(s, 0), 4);
  EXPECT_EQ(At<std::uint16_t>(s, 2), 16);
  EXPECT_EQ(At<std::uint16_t>(s, 4), 1);
  EXPECT_EQ(At<std::uint16_t>(s, 6), 19200);
  EXPECT_EQ(At<std::uint8_t>(s, 11), 2);
  EXPECT_EQ(TextAt(s, 92), "AT &F S7=60 E Q V X4");
  EXPECT_EQ(At<std::uint16_t>(s, 172), 3);
  EXPECT_EQ(At<std::uint16_t>(s, 174), 60);
  EXPECT_EQ(At<std::uint16_t>(s, 176), 5);
  EXPECT_EQ(At<std::uint32_t>(s, 504), 0xE791u);  // model 5 with the rain bit
  EXPECT_EQ(At<std::int16_t>(s, 512), -500);
  EXPECT_EQ(At<std::int16_t>(s, 518), -500);
  EXPECT_EQ(At<std::uint16_t>(s, 538), 4);
  EXPECT_FLOAT_EQ(At<float>(s, 540), -8.0f);
  EXPECT_EQ(TextAt(s, 552), ".01 in");
  EXPECT_FLOAT_EQ(At<float>(s, 568), 0.01f);
  EXPECT_EQ(At<std::uint8_t>(s, 574), 1);
  EXPECT_EQ(At<std::uint8_t>(s, 575), 30);
  EXPECT_FLOAT_EQ(At<float>(s, 768), 65.0f);
  EXPECT_FLOAT_EQ(At<float>(s, 872 + 11 * 4), -32768.0f);
  EXPECT_FLOAT_EQ(At<float>(s, 920), -32768.0f);
  EXPECT_EQ(At<std::int16_t>(s, 1006), -1);
  EXPECT_EQ(At<std::uint16_t>(s, 1314), 850);
  EXPECT_EQ(At<std::uint16_t>(s, 1332), 100);
  EXPECT_FLOAT_EQ(At<float>(s, 1340), 100.0f);
  EXPECT_FLOAT_EQ(At<float>(s, 1352), 65.0f);
  EXPECT_EQ(At<std::uint8_t>(s, 1356), 9);
  EXPECT_EQ(At<std::uint32_t>(s, 1440), 14580u);
  EXPECT_FALSE(TextAt(s, 1379).empty());
  EXPECT_EQ(TextAt(s, 1409), "-1 vers SQ 6.0.3");
  EXPECT_FLOAT_EQ(At<float>(s, 1496), 1.0f);
  EXPECT_EQ(At<std::uint32_t>(s, 1692), 1u);
  EXPECT_EQ(At<std::uint16_t>(s, 1696), 1);
  EXPECT_EQ(TextAt(s, 1698), "22222");
  EXPECT_EQ(At<std::uint8_t>(s, 1904), 1);
  EXPECT_EQ(At<std::uint8_t>(s, 1928), 0xFF);
  for (std::size_t off = 2048; off < kStationRecordSize; ++off) ASSERT_EQ(Bytes(s)[off], 0) << off;
}

TEST(StationTest, LoadChecksSizeAndKind) {
  TempDir dir;
  Station good;
  std::vector<std::uint8_t> image = Image(good.record());
  struct Case {
    const char* legend;
    std::vector<std::uint8_t> bytes;
    int expected;
  };
  std::vector<std::uint8_t> kind5 = image;
  kind5[0] = 5;
  std::vector<std::uint8_t> shorter(image.begin(), image.end() - 1);
  std::vector<std::uint8_t> longer = image;
  longer.push_back(0);
  const Case cases[] = {
      {"4096 bytes", image, 0}, {"4095 bytes", shorter, -2},  {"4097 bytes", longer, -2},
      {"empty file", {}, -2},   {"record kind 5", kind5, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    WriteBytes(dir / "STATION.CFG", c.bytes);
    Station s;
    s.SetName("untouched");
    EXPECT_EQ(s.Load(dir.str()), c.expected);
    if (c.expected != 0) {
      EXPECT_EQ(s.Name(), "untouched");  // a refused file changes nothing
    }
  }
  std::filesystem::remove(dir / "STATION.CFG");
  Station missing;
  EXPECT_EQ(missing.Load(dir.str()), -1);
}

TEST(StationTest, SaveAndLoadRoundTripAndClearRunTimeFields) {
  TempDir dir;
  Station s;
  s.SetFolder(dir.str());
  s.SetName("Backyard");
  ASSERT_EQ(s.SetLatitude(-33.86), 0);
  s.record().runtime_1136[0] = 1234;  // a stale handle must not survive
  s.record().runtime_10 = 7;
  ASSERT_EQ(s.Save(), 0);
  const auto bytes = ReadBytes(dir / "STATION.CFG");
  ASSERT_EQ(bytes.size(), kStationRecordSize);

  Station back;
  ASSERT_EQ(back.Load(dir.str() + "/"), 0);
  EXPECT_EQ(back.Name(), "Backyard");
  EXPECT_FLOAT_EQ(back.record().latitude, -33.86f);
  EXPECT_EQ(back.record().runtime_1136[0], 0u);
  EXPECT_EQ(back.record().runtime_10, 0);
  EXPECT_EQ(back.record().runtime_1928, 0xFF);
  EXPECT_EQ(back.Folder(), dir.str() + "/");
  // No temporary file is left beside the configuration (the settings lock stays).
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.str()))
    files += e.path().filename() != kSettingsLockName;
  EXPECT_EQ(files, 1);
}

TEST(StationTest, OpensAndSharesItsDatabase) {
  TempDir dir;
  Station s;
  s.SetFolder(dir.str());
  EXPECT_EQ(s.Database(), nullptr);
  ASSERT_EQ(s.OpenStationDatabase(), 0);
  ASSERT_NE(s.Database(), nullptr);
  Station copy = s;
  EXPECT_EQ(copy.Database(), s.Database());
  s.CloseStationDatabase();
  EXPECT_EQ(s.Database(), nullptr);

  Station nowhere;
  nowhere.SetFolder(dir / "missing");
  EXPECT_EQ(nowhere.OpenStationDatabase(), -1);
  EXPECT_EQ(nowhere.Database(), nullptr);
}

TEST(StationTest, SaveWithoutFolderWritesNothing) {
  Station s;
  EXPECT_EQ(s.Save(), -1);
}

TEST(StationTest, SaveIntoMissingFolderFailsAndKeepsNoPartialFile) {
  TempDir dir;
  Station s;
  s.SetFolder(dir / "gone");
  EXPECT_EQ(s.Save(), -1);
  EXPECT_FALSE(std::filesystem::exists(dir / "gone"));
}

TEST(StationTest, ConfigPathAddsOneSlash) {
  EXPECT_EQ(Station::ConfigPath("/a/b"), "/a/b/STATION.CFG");
  EXPECT_EQ(Station::ConfigPath("/a/b/"), "/a/b/STATION.CFG");
}

// A version-0 image gets every step; markers show which steps ran.
TEST(StationUpgradeTest, VersionZeroGetsEveryStep) {
  StationRecord r{};
  r.kind = 4;
  r.version = 0;
  r.model = 1;
  r.console_family = 0;
  r.lat_dms[0] = -500;
  r.setting_1510 = 77;
  r.manual_dst = 1;
  r.array_1448[3] = 5;
  r.setting_1612 = 3;
  Station::SetUpgradeTexts({"first", "second"});
  ASSERT_EQ(UpgradeStationConfig(r, Station::UpgradeTexts()), 0);
  EXPECT_EQ(r.version, 16);
  EXPECT_FLOAT_EQ(r.fuel_base, 65.0f);
  EXPECT_EQ(r.setting_1356[0], 9);
  EXPECT_EQ(r.setting_1356[1], 15);
  EXPECT_EQ(r.cwop_port, 14580u);
  EXPECT_STREQ(r.cwop_suffix, "-1 vers SQ 6.0.3");
  EXPECT_EQ(r.array_1448[3], 0);
  EXPECT_EQ(r.manual_dst, 0);
  EXPECT_EQ(r.model, 6);  // 1 becomes 6
  EXPECT_FLOAT_EQ(r.uv_factor, 1.0f);
  EXPECT_EQ(r.setting_1510, 0);
  EXPECT_EQ(r.wu_last_time, -1);
  EXPECT_EQ(r.setting_1605[0], 2);  // older console family
  EXPECT_EQ(r.setting_1612, 0xFFFF);
  EXPECT_EQ(r.setting_1616, -1);
  EXPECT_STREQ(r.copied_text[0], "first");
  EXPECT_STREQ(r.copied_text[1], "second");
  EXPECT_EQ(r.setting_1684, 1);
  EXPECT_EQ(r.connection_type, 1);
  EXPECT_EQ(r.transport_option, 1u);
  EXPECT_STREQ(r.tcp_port, "22222");
  EXPECT_EQ(r.setting_1904, 1);
  Station::SetUpgradeTexts({});
}

TEST(StationUpgradeTest, VersionFifteenOnlyGetsConnectionDefaults) {
  TempDir dir;
  Station s;
  StationRecord& r = s.record();
  r.version = 15;
  r.fuel_base = 50.0f;
  r.model = 1;
  r.cwop_port = 99;
  r.uv_factor = 2.5f;
  r.wu_last_time = 7;
  r.setting_1612 = 3;
  r.setting_1684 = 9;
  r.setting_1686[0] = 7;
  r.connection_type = 3;
  r.transport_option = 5;
  std::strcpy(r.tcp_port, "1234");
  std::strcpy(r.logger_text[1], "10.0.0.2");
  r.setting_1904 = 0;
  r.logger_option = 1;
  WriteBytes(dir / "STATION.CFG", Image(r));

  Station back;
  ASSERT_EQ(back.Load(dir.str()), 0);
  const StationRecord& b = back.record();
  EXPECT_EQ(b.version, 16);
  EXPECT_FLOAT_EQ(b.fuel_base, 50.0f);
  EXPECT_EQ(b.model, 1);
  EXPECT_EQ(b.cwop_port, 99u);
  EXPECT_FLOAT_EQ(b.uv_factor, 2.5f);
  EXPECT_EQ(b.wu_last_time, 7);
  EXPECT_EQ(b.setting_1612, 3);
  EXPECT_EQ(b.setting_1684, 9);
  EXPECT_EQ(b.setting_1686[0], 7);
  EXPECT_EQ(b.connection_type, 1);
  EXPECT_EQ(b.transport_option, 1u);
  EXPECT_STREQ(b.tcp_port, "22222");
  EXPECT_STREQ(b.logger_text[1], "");
  EXPECT_EQ(b.setting_1904, 1);
  EXPECT_EQ(b.logger_option, 0);
}

TEST(StationUpgradeTest, VersionSixRecomputesDecimalPosition) {
  StationRecord r{};
  SetStationDefaults(r);
  r.version = 6;
  r.lat_dms[0] = -33;
  r.lat_dms[1] = 51;
  r.lat_dms[2] = 36;
  r.lon_dms[0] = 151;
  r.lon_dms[1] = 12;
  r.lon_dms[2] = 36;
  ASSERT_EQ(UpgradeStationConfig(r, {}), 0);
  EXPECT_NEAR(r.latitude, -33.86, 1e-4);
  EXPECT_NEAR(r.longitude, 151.21, 1e-4);
}

TEST(StationModelTest, ModelsSetMaskAndFamily) {
  struct Case {
    int code;
    std::uint32_t mask;
    int family;
  };
  const Case cases[] = {{0, 0x6701, 0}, {1, 0x2601, 0}, {2, 0x2601, 0}, {3, 0x2201, 0},
                        {4, 0x6100, 0}, {5, 0xE791, 3}, {6, 0xFF91, 3}, {7, 0xEF91, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    Station s;
    s.record().sensors[1] = 0xFF;
    ASSERT_EQ(s.SetStationModel(c.code), 0);
    EXPECT_EQ(s.record().sensors[0], c.mask);
    EXPECT_EQ(s.record().sensors[1], 0u);
    EXPECT_EQ(s.record().console_family, c.family);
    EXPECT_EQ(s.Brisant(), c.code == 0);
    EXPECT_EQ(s.Mistra(), c.code >= 1 && c.code <= 3);
    EXPECT_EQ(s.Orvelline(), c.code == 4);
    EXPECT_EQ(s.Corvale(), c.code >= 5);
    EXPECT_EQ(s.LUMO(), c.code == 7);
  }
  Station s;
  EXPECT_EQ(s.SetStationModel(8), -1);
  EXPECT_EQ(s.SetStationModel(-1), -1);
  EXPECT_EQ(s.record().model, 5);
}

TEST(StationSensorTest, TestForSensorNeedsEveryBitOfTheMask) {
  struct Case {
    std::uint32_t word0, word1;
    int word;
    std::uint32_t mask;
    bool expected;
  };
  const Case cases[] = {
      {0x11, 0, 0, 0x11, true},
      {0x01, 0, 0, 0x11, false},
      {0x10, 0, 0, 0x11, false},
      {0, 0x2, 1, 0x2, true},
      {0x2, 0, 1, 0x2, false},
      {0xFFFFFFFF, 0xFFFFFFFF, 2, 0x1, false},
      {0xFFFFFFFF, 0xFFFFFFFF, -1, 0x1, false},
  };
  for (const auto& c : cases) {
    Station s;
    s.record().sensors[0] = c.word0;
    s.record().sensors[1] = c.word1;
    EXPECT_EQ(s.TestForSensor(c.word, c.mask), c.expected) << c.word << " " << std::hex << c.mask;
  }
}

TEST(StationSensorTest, HaveLeafSoilOrExtra) {
  struct Case {
    std::uint32_t word0, word1;
    bool expected;
  };
  const Case cases[] = {
      {0xE791 & ~0x6Eu, 0, false},  // standard sensors only
      {0x2, 0, true},
      {0x40, 0, true},
      {0x10000, 0, true},
      {0x80000000, 0, true},
      {0x10, 0, false},  // outside humidity is not an extra
      {0, 0x3, false},   // high solar / UV
      {0, 0x10, true},
      {0, 0x10000, true},
      {0, 0x20000, false},
  };
  for (const auto& c : cases) {
    Station s;
    s.record().sensors[0] = c.word0;
    s.record().sensors[1] = c.word1;
    EXPECT_EQ(s.HaveLeafSoilOrExtra(), c.expected) << std::hex << c.word0 << " " << c.word1;
  }
}

TEST(StationTest, RainCollectorAndNetworkCodes) {
  Station s;
  const int expected[] = {2, 0, 1, 2, 2, 2, 2};
  for (int type = 0; type <= 6; ++type) {
    s.record().rain_type = static_cast<std::uint8_t>(type);
    EXPECT_EQ(s.GetIPRainCollectorType(), expected[type]) << type;
  }
  ASSERT_EQ(s.SetRainCollector(2), 0);
  EXPECT_STREQ(s.record().rain_text, ".2 mm");
  EXPECT_NEAR(s.record().rain_tip_in, 0.2 / 25.4, 1e-6);
  EXPECT_EQ(s.SetRainCollector(7), -1);
  EXPECT_EQ(s.SetRainCollector(0), -1);
}

TEST(StationTest, MacAddressTextAndClear) {
  Station s;
  ASSERT_EQ(s.SetMacAddress("00:1d:0A:ff:02:03"), 0);
  EXPECT_EQ(s.GetSQIPMacAddressStr(), "001D0AFF0203");
  EXPECT_STREQ(s.record().logger_text[0], "00:1D:0A:FF:02:03");
  EXPECT_EQ(s.SetMacAddress("00:1d:0A:ff:02"), -1);
  EXPECT_EQ(s.SetMacAddress("zz:1d:0A:ff:02:03"), -1);
  s.record().account_key = 0xDEADBEEF;
  s.record().reserved_1918[0] = 1;
  s.record().rt_upload = 1;
  s.ClearMacAddress();
  for (std::size_t off = 1912; off < 1924; ++off) EXPECT_EQ(Bytes(s)[off], 0) << off;
  EXPECT_EQ(s.record().rt_upload, 1);  // the byte after the twelve is kept
}

TEST(StationTest, ConnectionDescription) {
  Station s;
  s.record().connection_type = 0;
  EXPECT_FALSE(s.GetConnection(nullptr).has_value());

  PortMap ports;
  ASSERT_EQ(ports.SetDevice(3, "/dev/pts/5"), 0);
  s.record().connection_type = 1;
  s.record().com_port = 3;
  ASSERT_EQ(s.SetStationModel(0), 0);  // older family: the line is limited to 2400
  s.record().timeout_minutes = 0;
  s.SetName("Barn");
  auto c = s.GetConnection(&ports);
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->kind, ConnectionKind::kSerial);
  EXPECT_EQ(c->device, "/dev/pts/5");
  EXPECT_EQ(c->baud, 2400);
  EXPECT_EQ(c->idle_minutes, 60);
  EXPECT_EQ(c->console_family, 0);
  EXPECT_EQ(c->station_name, "Barn");

  ASSERT_EQ(s.SetStationModel(5), 0);
  s.record().connection_type = 3;
  std::strcpy(s.record().tcp_port, "22223");
  std::strcpy(s.record().logger_text[1], "127.0.0.1");
  s.record().logger_option = 1;
  c = s.GetConnection(nullptr);
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->kind, ConnectionKind::kTcp);
  EXPECT_EQ(c->baud, 19200);
  EXPECT_EQ(c->host, "127.0.0.1");
  EXPECT_EQ(c->tcp_port, 22223);
  EXPECT_TRUE(c->host_fixed);
}

TEST(StationTest, AnInvalidPortMapNeverSendsASerialStationElsewhere) {
  TempDir dir;
  testing::WriteText(dir / "ports.lst", "/dev/ttyUSB0\n/dev/tty\x1bS1\n");
  Station s;
  s.record().connection_type = 1;
  s.record().com_port = 1;
  std::string error;
  EXPECT_FALSE(s.ConnectionIn(dir.str(), &error).has_value());
  EXPECT_NE(error.find("ports.lst' is not a valid port map: line 2 holds a control character"), std::string::npos)
      << error;
  s.record().connection_type = 3;  // a network logger does not need the map
  EXPECT_TRUE(s.ConnectionIn(dir.str(), &error).has_value());
}

TEST(StationTest, SiteDescriptionCarriesTheStationFacts) {
  Station s;
  ASSERT_EQ(s.SetLatitude(45.5), 0);
  ASSERT_EQ(s.SetLongitude(-122.5), 0);
  s.record().elevation_ft = 190;
  s.record().manual_dst = 1;
  s.SetManualDst(2025 * 65536 + 3 * 256 + 9, 120, 2025 * 65536 + 11 * 256 + 2, 120);
  const SiteDescription site = s.GetSiteDescription();
  EXPECT_DOUBLE_EQ(site.latitude, 45.5);
  EXPECT_DOUBLE_EQ(site.longitude, -122.5);
  EXPECT_EQ(site.elevation_feet, 190);
  EXPECT_EQ(site.dst_mode, DaylightSavingMode::kManual);
  EXPECT_EQ(site.manual_dst_start.GetPackedDate(), 2025 * 65536 + 3 * 256 + 9);
  EXPECT_EQ(site.manual_dst_start.packed_time, 120);
  EXPECT_EQ(site.rain_collector_type, 1);
}

TEST(StationTest, ListsHookRunsWithLoadAndSave) {
  TempDir dir;
  int loads = 0, saves = 0;
  StationLists().load = [&](Station&) { return ++loads, 0; };
  StationLists().save = [&](const Station&) { return ++saves, 0; };
  Station s;
  s.SetFolder(dir.str());
  EXPECT_EQ(s.Save(), 0);
  EXPECT_EQ(s.Load(dir.str()), 0);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(saves, 1);
  StationLists().load = [](Station&) { return -1; };
  EXPECT_EQ(s.Load(dir.str()), -1);
  StationLists() = {};
}

TEST(StationMergeTest, EachWritersChangedFieldsAreKeptWhole) {
  StationRecord base;
  SetStationDefaults(base);
  StoreText(base.city, sizeof base.city, "Springfield");
  struct Case {
    const char* legend;
    void (*mine)(StationRecord&);
    void (*theirs)(StationRecord&);
    void (*expect)(const StationRecord&);
  };
  const Case cases[] = {
      {"different fields: both kept", [](StationRecord& r) { r.extra[extra::kArchivePeriod - extra::kBase] = 5; },
       [](StationRecord& r) { r.latitude = 45.5f; },
       [](const StationRecord& r) {
         EXPECT_EQ(r.extra[extra::kArchivePeriod - extra::kBase], 5);
         EXPECT_FLOAT_EQ(r.latitude, 45.5f);
       }},
      {"one text changed by both: the later writer's whole text, no mix",
       [](StationRecord& r) { StoreText(r.city, sizeof r.city, "Springfielt"); },
       [](StationRecord& r) { StoreText(r.city, sizeof r.city, "Shelbyville"); },
       [](const StationRecord& r) { EXPECT_STREQ(r.city, "Springfielt"); }},
      {"one number changed by both: the later writer's whole value", [](StationRecord& r) { r.timezone_hours = 1.0f; },
       [](StationRecord& r) { r.timezone_hours = -5.5f; },
       [](const StationRecord& r) { EXPECT_FLOAT_EQ(r.timezone_hours, 1.0f); }},
      {"elements of one array: each writer's element kept", [](StationRecord& r) { r.normal_temp[0] = 30.0f; },
       [](StationRecord& r) { r.normal_temp[6] = 75.0f; },
       [](const StationRecord& r) {
         EXPECT_FLOAT_EQ(r.normal_temp[0], 30.0f);
         EXPECT_FLOAT_EQ(r.normal_temp[6], 75.0f);
       }},
      {"an added setting changed by both: the later writer's whole text",
       [](StationRecord& r) { std::memcpy(r.extra + (extra::kWebHost - extra::kBase), "b.example", 10); },
       [](StationRecord& r) { std::memcpy(r.extra + (extra::kWebHost - extra::kBase), "a.example.org", 14); },
       [](const StationRecord& r) {
         EXPECT_STREQ(reinterpret_cast<const char*>(r.extra + (extra::kWebHost - extra::kBase)), "b.example");
       }},
      {"nothing changed here: the file stays as it is", [](StationRecord&) {},
       [](StationRecord& r) { r.name[0] = 'Z'; }, [](const StationRecord& r) { EXPECT_EQ(r.name[0], 'Z'); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    StationRecord mine = base, theirs = base;
    c.mine(mine);
    c.theirs(theirs);
    c.expect(MergeStationRecord(base, mine, theirs));
  }
}

// Issue 17: a setting saved by another process between this one's load and save (a
// `station set` during a download) is kept.
TEST(StationTest, Issue17SaveKeepsChangesMadeSinceTheLoad) {
  TempDir dir;
  {
    Station s;
    s.SetFolder(dir.str());
    s.SetName("Home");
    ASSERT_EQ(s.Save(), 0);
  }
  Station download;
  ASSERT_EQ(download.Load(dir.str()), 0);

  Station set;
  ASSERT_EQ(set.Load(dir.str()), 0);
  ASSERT_EQ(set.SetLatitude(51.5), 0);
  StoreText(set.record().city, sizeof set.record().city, "London");
  ASSERT_EQ(set.Save(), 0);

  download.record().extra[extra::kArchivePeriod - extra::kBase] = 10;
  ASSERT_EQ(download.Save(), 0);
  // A second save of the same object still leaves the other writer's fields alone.
  download.SetName("Home 2");
  ASSERT_EQ(download.Save(), 0);

  Station back;
  ASSERT_EQ(back.Load(dir.str()), 0);
  EXPECT_FLOAT_EQ(back.record().latitude, 51.5f);
  EXPECT_EQ(back.record().lat_dms[0], 51);
  EXPECT_STREQ(back.record().city, "London");
  EXPECT_EQ(back.record().extra[extra::kArchivePeriod - extra::kBase], 10);
  EXPECT_EQ(back.Name(), "Home 2");
}

// A clock whose sleeps move fake time on, and which can let go of a lock after a while.
class LockWaitClock final : public Clock {
 public:
  std::int64_t MonotonicMs() override { return now_; }
  void SleepMs(std::int64_t ms) override {
    now_ += ms;
    if (release_after_ms >= 0 && now_ >= release_after_ms && holder) holder->Release();
  }
  std::int64_t UnixMs() override { return now_; }
  WallClockTime LocalNow() override { return {}; }
  WallClockTime UtcNow() override { return {}; }
  std::int64_t now_ = 0;
  std::int64_t release_after_ms = -1;
  FileLock* holder = nullptr;
};

TEST(StationTest, SaveWaitsForTheSettingsLockAndGivesUpInBoundedTime) {
  TempDir dir;
  Station s;
  s.SetFolder(dir.str());
  s.SetName("First");
  ASSERT_EQ(s.Save(), 0);
  const auto before = ReadBytes(dir / "STATION.CFG");

  FileLock other;
  LockWaitClock clock;
  ASSERT_EQ(other.Acquire(dir / kSettingsLockName, clock, 0), FileLock::Result::kHeld);
  s.SetName("Second");
  EXPECT_EQ(s.Save(clock), -1);
  EXPECT_GE(clock.now_, kSettingsLockWaitMs);
  EXPECT_LE(clock.now_, kSettingsLockWaitMs + 100);
  EXPECT_EQ(ReadBytes(dir / "STATION.CFG"), before);

  // The holder lets go while the save waits: the save goes ahead.
  clock.now_ = 0;
  clock.release_after_ms = 500;
  clock.holder = &other;
  EXPECT_EQ(s.Save(clock), 0);
  Station back;
  ASSERT_EQ(back.Load(dir.str()), 0);
  EXPECT_EQ(back.Name(), "Second");
}

}  // namespace
}  // namespace sq
