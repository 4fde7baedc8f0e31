// The two small text lists of the program folder: ports.lst and download.lst.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/auto_download_list.h"
#include "app/port_map.h"
#include "app/station_folders.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

TEST(PortMapTest, LinesMapComPortsAndEmptyLinesFallBack) {
  auto map = PortMap::Parse("/dev/pts/3\n\n  /dev/ttyUSB7 \r\n");
  ASSERT_TRUE(map.has_value());
  map->SetSystemDevices({"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"});
  EXPECT_EQ(map->DevicePath(1), "/dev/pts/3");
  EXPECT_EQ(map->DevicePath(2), "/dev/ttyS1");  // empty line: the system's second device
  EXPECT_EQ(map->DevicePath(3), "/dev/ttyUSB7");
  EXPECT_EQ(map->DevicePath(4), "/dev/ttyS3");
  EXPECT_EQ(map->DevicePath(5), "");
  EXPECT_EQ(map->DevicePath(0), "");
  EXPECT_EQ(map->DevicePath(-3), "");
}

TEST(PortMapTest, HostileFilesAreRefusedNamingTheLine) {
  std::string many;
  for (int i = 0; i <= PortMap::kMaxPort; ++i) many += "/dev/pts/1\n";
  const struct {
    std::string text;
    std::string error;
  } rows[] = {
      {std::string(PortMap::kMaxLine + 1, 'a'), "line 1 is longer than 1024 characters"},
      {"/dev/ttyS0\n/dev/tty\x01S0\n", "line 2 holds a control character"},
      {many, "line 256 names a port beyond COM255"},
  };
  for (const auto& row : rows) {
    std::string error;
    EXPECT_FALSE(PortMap::Parse(row.text, &error).has_value());
    EXPECT_EQ(error, row.error);
  }
  EXPECT_TRUE(PortMap::Parse(std::string(PortMap::kMaxPort, '\n') + "\n\n").has_value());
  EXPECT_TRUE(PortMap::Parse("").has_value());
}

TEST(PortMapTest, SetSaveAndLoad) {
  TempDir dir;
  PortMap map;
  EXPECT_EQ(map.Load(dir.str()), 0);  // no file: an empty map
  ASSERT_EQ(map.SetDevice(3, "/dev/pts/4"), 0);
  EXPECT_EQ(map.SetDevice(0, "/dev/pts/4"), -1);
  EXPECT_EQ(map.SetDevice(256, "/dev/pts/4"), -1);
  EXPECT_EQ(map.SetDevice(2, "/dev/a\nb"), -1);
  ASSERT_EQ(map.Save(dir.str()), 0);
  EXPECT_EQ(ReadText(dir / "ports.lst"), "\n\n/dev/pts/4\n");
  ASSERT_EQ(map.SetDevice(3, ""), 0);
  EXPECT_EQ(map.Serialize(), "");

  WriteText(dir / "ports.lst", std::string(5000, 'x'));
  PortMap bad;
  ASSERT_EQ(bad.SetDevice(1, "/dev/keep"), 0);
  std::string error;
  EXPECT_EQ(bad.Load(dir.str(), &error), -1);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(bad.MappedPath(1), "/dev/keep");
}

TEST(PortMapTest, SystemDevicesInNameOrderWithNumbersAsNumbers) {
  TempDir dir;
  for (const char* n : {"ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "ttyS0", "tty0", "ttySX", "null"}) {
    WriteText(dir / n, "");
  }
  const auto found = PortMap::ListSystemSerialDevices(dir.str());
  const std::vector<std::string> expected = {dir / "ttyACM1", dir / "ttyS0", dir / "ttyS2", dir / "ttyS10",
                                             dir / "ttyUSB0"};
  EXPECT_EQ(found, expected);
}

TEST(DownloadListTest, ParseAcceptsListsAndRefusesHostileText) {
  auto list = ParseDownloadList("/a/Station1\r\n\n/b/Station2");
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(*list, (std::vector<std::string>{"/a/Station1", "/b/Station2"}));
  EXPECT_FALSE(ParseDownloadList(std::string(201, 'a')).has_value());
  EXPECT_TRUE(ParseDownloadList(std::string(200, 'a')).has_value());
  EXPECT_FALSE(ParseDownloadList("/a\x07\n").has_value());
}

TEST(DownloadListTest, WritingSetsHoursMinuteAndEnabled) {
  TempDir dir;
  std::string folder, message;
  ASSERT_EQ(CreateNewStation(dir.str(), "Alpha", false, &folder, &message), NewStationResult::kCreated);
  ProgConfigData cfg;
  AutoDownloadSchedule s;
  s.stations = {folder, dir / "Gone"};
  s.hours[14] = true;
  s.minute = 5;
  std::string error;
  ASSERT_EQ(WriteSchedule(dir.str(), s, cfg, &error), 0) << error;
  EXPECT_TRUE(cfg.AutoDownloadEnabled());
  EXPECT_TRUE(cfg.AutoDownloadHour(14));
  EXPECT_FALSE(cfg.AutoDownloadHour(13));
  EXPECT_EQ(cfg.AutoDownloadMinute(), 5);
  EXPECT_EQ(ReadText(dir / kDownloadListName), folder + "\n" + (dir / "Gone") + "\n");

  // Reading for a download skips the folder that does not load.
  auto loadable = ReadDownloadList(dir.str(), true, &error);
  ASSERT_TRUE(loadable.has_value());
  EXPECT_EQ(*loadable, std::vector<std::string>{folder});
  auto back = ReadSchedule(dir.str(), cfg, &error);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->stations.size(), 2u);
  EXPECT_TRUE(back->hours[14]);

  // Enabled needs a station and an hour.
  s.hours.fill(false);
  ASSERT_EQ(WriteSchedule(dir.str(), s, cfg, &error), 0);
  EXPECT_FALSE(cfg.AutoDownloadEnabled());
  s.hours[3] = true;
  s.stations.clear();
  ASSERT_EQ(WriteSchedule(dir.str(), s, cfg, &error), 0);
  EXPECT_FALSE(cfg.AutoDownloadEnabled());
}

TEST(DownloadListTest, BadInputChangesNothing) {
  TempDir dir;
  ProgConfigData cfg;
  const ProgConfigData before = cfg;
  AutoDownloadSchedule s;
  s.stations = {"/a"};
  s.hours[1] = true;
  std::string error;
  s.minute = 60;
  EXPECT_EQ(WriteSchedule(dir.str(), s, cfg, &error), -1);
  s.minute = 0;
  s.stations = {"/a\nb"};
  EXPECT_EQ(WriteSchedule(dir.str(), s, cfg, &error), -1);
  s.stations = {"/a"};
  EXPECT_EQ(WriteSchedule(dir / "missing", s, cfg, &error), -1);
  EXPECT_EQ(error, "Could not open Auto Download file download.lst.");
  EXPECT_TRUE(cfg == before);
  EXPECT_FALSE(std::filesystem::exists(dir / kDownloadListName));

  WriteText(dir / kDownloadListName, std::string(300, 'z') + "\n");
  EXPECT_FALSE(ReadDownloadList(dir.str(), false, &error).has_value());
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace sq
