// The helpers every sub-command shares: the option parser, the display units read from
// the program folder and opening a station's database.
#include "ui/cli.h"

#include <gtest/gtest.h>

#include "app/dirs.h"
#include "app/program_config.h"
#include "database/weather_database.h"
#include "foundation/display_units.h"
#include "foundation/prog_config_data.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq::ui {
namespace {

TEST(ParseArgsTest, PositionalsOptionsFlagsAndMistakes) {
  struct Row {
    const char* legend;
    Args args;
    std::vector<std::string> pos;
    std::map<std::string, std::string> opt;
    bool help;
    std::string bad;
  };
  const Row rows[] = {
      {"positionals and a valued option",
       {"day", "F", "--from", "2024-06-01", "X"},
       {"F", "X"},
       {{"--from", "2024-06-01"}},
       false,
       ""},
      {"a flag", {"rain", "F", "--rebuild"}, {"F"}, {{"--rebuild", "1"}}, false, ""},
      {"help anywhere", {"day", "F", "-h"}, {"F"}, {}, true, ""},
      {"an unknown option", {"day", "--bogus", "F"}, {"F"}, {}, false, "--bogus"},
      {"a valued option without its value", {"day", "F", "--from"}, {"F"}, {}, false, "--from"},
      {"a negative number is an argument", {"day", "-5"}, {"-5"}, {}, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const ParsedArgs p = ParseArgs(row.args, {"--from"}, {"--rebuild"});
    EXPECT_EQ(p.pos, row.pos);
    EXPECT_EQ(p.opt, row.opt);
    EXPECT_EQ(p.help, row.help);
    EXPECT_EQ(p.bad, row.bad);
  }
}

// Units come only from a whole configuration of the current layout; anything else
// leaves the defaults, a file of the wrong size with a warning when asked for.
TEST(ApplyProgramUnitsTest, OnlyAWholeCurrentConfigurationCounts) {
  testing::TempDir dir;
  SetProgramFolder(dir.str());
  const auto reset = [] {
    progConfigData = ProgConfigData();
    DisplayUnits::RestoreUnits();
  };
  reset();
  ASSERT_EQ(DisplayUnits::tempUnit, 0);
  ProgConfigData cfg;
  cfg.SetTempUnit(1);
  ASSERT_EQ(SaveProgramConfig(dir.str(), cfg), 0);
  ApplyProgramUnits();
  EXPECT_EQ(DisplayUnits::tempUnit, 1);

  reset();
  cfg.SetLayoutVersion(ProgConfigData::kCurrentVersion + 1);
  testing::WriteBytes(dir / kProgConfigName, std::vector<std::uint8_t>(cfg.data(), cfg.data() + ProgConfigData::kSize));
  ApplyProgramUnits();
  EXPECT_EQ(DisplayUnits::tempUnit, 0);

  testing::WriteBytes(dir / kProgConfigName, std::vector<std::uint8_t>(100, 1));
  ::testing::internal::CaptureStderr();
  ApplyProgramUnits("record");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "stratoquill record: progdata.dat has the wrong size; using the default units\n");
  EXPECT_EQ(DisplayUnits::tempUnit, 0);
  SetProgramFolder("");
}

// A folder without month files is told apart from a database that cannot be read.
TEST(OpenStationDatabaseTest, AFolderWithoutMonthFilesIsNamed) {
  testing::TempDir dir;
  WeatherDatabase db;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(OpenStationDatabase("day", db, dir.str()));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "stratoquill day: " + dir.str() + " holds no month files\n");
}

}  // namespace
}  // namespace sq::ui
