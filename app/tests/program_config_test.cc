#include "app/program_config.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/binary_file.h"
#include "app/station.h"
#include "foundation/display_units.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(BinaryFileTest, ReadChecksSizeBeforeReading) {
  TempDir dir;
  BinaryFile f(dir.str() + "/", "rec.bin");
  EXPECT_EQ(f.Path(), dir / "rec.bin");
  EXPECT_FALSE(f.FileExists());
  EXPECT_EQ(f.FileSize(), -1);
  std::uint8_t buf[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(f.Read(buf, sizeof buf), -1);

  const std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(f.Save(data, sizeof data), 0);
  EXPECT_TRUE(f.FileExists());
  EXPECT_EQ(f.FileSize(), 8);
  EXPECT_EQ(f.Read(buf, 7), -2);
  EXPECT_EQ(buf[0], 9);  // nothing read on a size mismatch
  EXPECT_EQ(f.Read(buf, 8), 0);
  EXPECT_EQ(buf[7], 8);
}

TEST(ProgramConfigTest, MissingFileMeansInstallationNotComplete) {
  TempDir dir;
  ProgConfigData cfg;
  std::string message;
  EXPECT_EQ(LoadProgramConfig(dir.str(), cfg, &message), ProgConfigLoad::kMissing);
  EXPECT_EQ(message, "Stratoquill installation not complete. Possibly upgraded to the wrong folder.");
  EXPECT_FALSE(fs::exists(dir / kProgConfigName));
}

TEST(ProgramConfigTest, WrongSizeOrVersionIsReplacedAfterKeepingACopy) {
  struct Case {
    const char* legend;
    std::vector<std::uint8_t> bytes;
  };
  ProgConfigData v2;
  v2.SetLayoutVersion(2);
  v2.SetTempUnit(1);
  const Case cases[] = {
      {"2047 bytes", std::vector<std::uint8_t>(2047, 1)},
      {"2049 bytes", std::vector<std::uint8_t>(2049, 1)},
      {"layout version 2", std::vector<std::uint8_t>(v2.data(), v2.data() + ProgConfigData::kSize)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    TempDir dir;
    WriteBytes(dir / kProgConfigName, c.bytes);
    ProgConfigData cfg;
    cfg.SetTempUnit(1);
    std::string message;
    EXPECT_EQ(LoadProgramConfig(dir.str(), cfg, &message), ProgConfigLoad::kReplaced);
    EXPECT_NE(message.find("older version of the program configuration"), std::string::npos);
    EXPECT_EQ(cfg.TempUnit(), 0);
    EXPECT_EQ(ReadBytes(dir / kProgConfigBackupName), c.bytes);
    const auto saved = ReadBytes(dir / kProgConfigName);
    ASSERT_EQ(saved.size(), ProgConfigData::kSize);
    ProgConfigData reread;
    ASSERT_TRUE(reread.FromBytes(saved));
    EXPECT_EQ(reread.LayoutVersion(), 1);
  }
}

// Issue 17: a second damaged file never overwrites the backup of the first.
TEST(ProgramConfigTest, EveryReplacedFileGetsABackupOfItsOwn) {
  TempDir dir;
  const std::vector<std::uint8_t> first(2047, 1), second(100, 2);
  ProgConfigData cfg;
  std::string message;
  WriteBytes(dir / kProgConfigName, first);
  ASSERT_EQ(LoadProgramConfig(dir.str(), cfg, &message), ProgConfigLoad::kReplaced);
  WriteBytes(dir / kProgConfigName, second);
  ASSERT_EQ(LoadProgramConfig(dir.str(), cfg, &message), ProgConfigLoad::kReplaced);
  EXPECT_EQ(ReadBytes(dir / kProgConfigBackupName), first);
  EXPECT_EQ(ReadBytes(dir / "progdata-2.old"), second);
}

TEST(ProgramConfigTest, LoadAppliesStartRulesAndSaveStampsMarks) {
  TempDir dir;
  ProgConfigData cfg;
  cfg.SetSetting12(0);
  cfg.SetWord920(77);
  cfg.SetBarUnit(3);
  ASSERT_TRUE(cfg.SetUpgradeText(0, "alpha"));
  ASSERT_EQ(SaveProgramConfig(dir.str(), cfg), 0);

  ProgConfigData loaded;
  std::string message;
  ASSERT_EQ(LoadProgramConfig(dir.str(), loaded, &message), ProgConfigLoad::kLoaded);
  EXPECT_EQ(loaded.Setting12(), 1);
  EXPECT_EQ(loaded.Word920(), 0);
  EXPECT_EQ(loaded.BarUnit(), 3);
  EXPECT_EQ(loaded.ProgramFolder(), dir.str());
  EXPECT_EQ(Station::UpgradeTexts().first, "alpha");
  Station::SetUpgradeTexts({});

  // Marks are rewritten on save whatever they held.
  loaded.data()[ProgConfigData::kMark6] = 0;
  loaded.data()[ProgConfigData::kMark922] = 0;
  ASSERT_EQ(SaveProgramConfig(dir.str(), loaded), 0);
  ProgConfigData again;
  ASSERT_TRUE(again.FromBytes(ReadBytes(dir / kProgConfigName)));
  EXPECT_EQ(again.Mark6(), 5);
  EXPECT_EQ(again.Mark8(), 5);
  EXPECT_EQ(again.Mark922(), 9);
}

TEST(ProgramConfigTest, InitKeepsAnExistingConfiguration) {
  TempDir dir;
  std::string message;
  ASSERT_EQ(InitProgramFolder(dir / "prog", false, &message), 0) << message;
  ProgConfigData cfg;
  ASSERT_EQ(LoadProgramConfig(dir / "prog", cfg, &message), ProgConfigLoad::kLoaded);
  cfg.SetWindUnit(2);
  ASSERT_EQ(SaveProgramConfig(dir / "prog", cfg), 0);
  EXPECT_EQ(InitProgramFolder(dir / "prog", false, &message), -1);
  ASSERT_EQ(LoadProgramConfig(dir / "prog", cfg, &message), ProgConfigLoad::kLoaded);
  EXPECT_EQ(cfg.WindUnit(), 2);
  EXPECT_EQ(InitProgramFolder(dir / "prog", true, &message), 0);
  ASSERT_EQ(LoadProgramConfig(dir / "prog", cfg, &message), ProgConfigLoad::kLoaded);
  EXPECT_EQ(cfg.WindUnit(), 0);
}

TEST(ProgramConfigTest, SavedUnitsApplyOnlyFromAValidFileAndNothingIsWritten) {
  TempDir dir;
  WriteBytes(dir / kProgConfigName, std::vector<std::uint8_t>(2047, 1));
  ApplySavedDisplayUnits(dir.str());
  EXPECT_EQ(DisplayUnits::tempUnit, 0);
  EXPECT_EQ(ReadBytes(dir / kProgConfigName).size(), 2047u);  // left for the start-up to report

  ProgConfigData cfg;
  cfg.SetTempUnit(1);
  cfg.SetRainUnit(1);
  ASSERT_EQ(SaveProgramConfig(dir.str(), cfg), 0);
  ApplySavedDisplayUnits(dir.str());
  EXPECT_EQ(DisplayUnits::tempUnit, 1);
  EXPECT_EQ(DisplayUnits::rainUnit, 1);
  progConfigData.Reset();
  DisplayUnits::RestoreUnits();
}

}  // namespace
}  // namespace sq
