#include "app/station_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(StationFoldersTest, FolderNameKeepsEightLettersAndDigits) {
  const std::pair<const char*, const char*> cases[] = {
      {"My Station #2", "MyStatio"}, {"abc", "abc"}, {"  #!?  ", ""}, {"A1 B2-C3_D4E5", "A1B2C3D4"}, {"", ""},
  };
  for (const auto& [name, folder] : cases) EXPECT_EQ(StationFolderName(name), folder) << name;
}

TEST(StationFoldersTest, NewStationCreatesFolderRecordAndSubfolders) {
  TempDir dir;
  std::string folder, message;
  ASSERT_EQ(CreateNewStation(dir.str(), "My Station #2", false, &folder, &message), NewStationResult::kCreated)
      << message;
  EXPECT_EQ(folder, dir / "MyStatio");
  for (const char* sub : {"Plots", "DataNote", "DegDays", "Templates", "Fuel", "Images/Profile1", "Images/Profile3"}) {
    EXPECT_TRUE(fs::is_directory(fs::path(folder) / sub)) << sub;
  }
  EXPECT_FALSE(fs::exists(fs::path(folder) / "Images/Profile4"));
  Station s;
  ASSERT_EQ(s.Load(folder), 0);
  EXPECT_EQ(s.Name(), "My Station #2");

  // The same name again: the folder exists, and with use_existing the station in it
  // is still not overwritten.
  EXPECT_EQ(CreateNewStation(dir.str(), "My Station #2", false, &folder, &message), NewStationResult::kExists);
  EXPECT_NE(message.find("already exists"), std::string::npos);
  EXPECT_EQ(CreateNewStation(dir.str(), "MyStatio", true, &folder, &message), NewStationResult::kHoldsStation);
  EXPECT_EQ(CreateNewStation(dir.str(), "#!", false, &folder, &message), NewStationResult::kBadName);
  EXPECT_EQ(message, "Station name '#!' not valid.");
  for (const char* name : {"Red\x1b[31m", "Two\nLines", "Bell\x07"}) {
    EXPECT_EQ(CreateNewStation(dir.str(), name, false, &folder, &message), NewStationResult::kBadName) << name;
    EXPECT_EQ(message.find_first_of("\x1b\n\x07"), std::string::npos) << message;
  }
  fs::create_directory(dir / "Empty");
  EXPECT_EQ(CreateNewStation(dir.str(), "Empty", true, &folder, &message), NewStationResult::kCreated);
}

TEST(StationFoldersTest, ListHoldsOnlyLoadableStations) {
  TempDir dir;
  std::string folder, message;
  ASSERT_EQ(CreateNewStation(dir.str(), "Alpha", false, &folder, &message), NewStationResult::kCreated);
  ASSERT_EQ(CreateNewStation(dir.str(), "Beta", false, &folder, &message), NewStationResult::kCreated);
  fs::create_directory(dir / "Junk");
  WriteBytes(dir / "Junk/STATION.CFG", std::vector<std::uint8_t>(100, 0xAB));
  fs::create_directory(dir / "Plain");
  const auto list = ListStations(dir.str());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "Alpha");
  EXPECT_EQ(StationListLine(list[1]), "Beta\t\t\t\t" + (dir / "Beta"));
  // A name stored by another program is shown with its control characters escaped.
  EXPECT_EQ(StationListLine({"A\x1b[2Jb\nc", "/x"}), "A\\x1B[2Jb\\nc\t\t\t\t/x");
}

TEST(StationFoldersTest, OpeningMakesMissingSubfolders) {
  TempDir dir;
  std::string folder, message;
  ASSERT_EQ(CreateNewStation(dir.str(), "Gamma", false, &folder, &message), NewStationResult::kCreated);
  fs::remove_all(fs::path(folder) / "Plots");
  Station s;
  ASSERT_EQ(OpenStation(s, folder, &message), 0);
  EXPECT_TRUE(fs::is_directory(fs::path(folder) / "Plots"));
  EXPECT_TRUE(fs::is_directory(fs::path(folder) / "Images/Profile8"));
}

TEST(StationFoldersTest, OlderLayoutIsBackedUpAndReplacedByDefaults) {
  TempDir dir;
  fs::create_directory(dir / "Old");
  std::vector<std::uint8_t> old(kOldStationRecordSize);
  for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<std::uint8_t>(i * 7);
  WriteBytes(dir / "Old/STATION.CFG", old);

  Station s;
  std::string message;
  ASSERT_EQ(OpenStation(s, dir / "Old", &message), 0);
  EXPECT_EQ(ReadBytes(dir / "Old/Backup/STATION.CFG"), old);
  EXPECT_EQ(ReadBytes(dir / "Old/STATION.CFG").size(), kStationRecordSize);
  EXPECT_EQ(s.Name(), "Old");
  EXPECT_NE(message.find("enter its model, connection"), std::string::npos) << message;

  // A second conversion keeps the first backup.
  WriteBytes(dir / "Old/STATION.CFG", std::vector<std::uint8_t>(kOldStationRecordSize, 1));
  ASSERT_EQ(OpenStation(s, dir / "Old", &message), 0);
  EXPECT_EQ(ReadBytes(dir / "Old/Backup/STATION.CFG"), old);
  EXPECT_TRUE(fs::exists(dir / "Old/Backup/STATION-2.CFG"));
}

TEST(StationFoldersTest, MissingFileIsReportedAsMissing) {
  TempDir dir;
  Station st;
  std::string message;
  EXPECT_NE(OpenStation(st, dir.str(), &message), 0);
  EXPECT_NE(message.find("STATION.CFG is missing"), std::string::npos) << message;
  EXPECT_EQ(message.find("damaged"), std::string::npos) << message;
}

TEST(StationFoldersTest, DamagedFileIsReportedAndLeftAlone) {
  TempDir dir;
  fs::create_directory(dir / "Bad");
  const std::vector<std::uint8_t> junk(3000, 0x5A);
  WriteBytes(dir / "Bad/STATION.CFG", junk);
  Station s;
  std::string message;
  EXPECT_EQ(OpenStation(s, dir / "Bad", &message), -2);
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(ReadBytes(dir / "Bad/STATION.CFG"), junk);
  EXPECT_FALSE(fs::exists(dir / "Bad/Backup"));
}

TEST(StationFoldersTest, OldStationsAreCountedAndCopiedOnce) {
  TempDir dir;
  const std::string old_root = dir / "old";
  const std::string program = dir / "prog";
  fs::create_directories(old_root + "/One/Sub");
  fs::create_directories(old_root + "/Two");
  fs::create_directories(old_root + "/NoStation");
  fs::create_directories(program);
  Station s;
  WriteBytes(old_root + "/One/station.cfg",
             std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&s.record()),
                                       reinterpret_cast<const std::uint8_t*>(&s.record()) + kStationRecordSize));
  WriteBytes(old_root + "/One/Sub/2020-01.sqm", {1, 2, 3});
  WriteBytes(old_root + "/Two/STATION.CFG", ReadBytes(old_root + "/One/station.cfg"));
  EXPECT_EQ(HaveOldStations(old_root), 2);
  EXPECT_EQ(HaveOldStations(dir / "missing"), 0);

  EXPECT_EQ(CopyOldStations(old_root, program), 2);
  EXPECT_TRUE(fs::exists(program + "/One/STATION.CFG"));  // the name is made the one we read
  EXPECT_EQ(ReadBytes(program + "/One/Sub/2020-01.sqm"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(ListStations(program).size(), 2u);
  // With stations present nothing more is copied.
  EXPECT_EQ(CopyOldStations(old_root, program), 0);
}

}  // namespace
}  // namespace sq
