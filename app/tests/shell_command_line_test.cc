#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/tests/shell_fixture.h"

namespace sq {
namespace {

using test::ShellTestBase;

TEST(ShellCommandLineTest, SwitchesAreFoundAnywhereInEitherCase) {
  struct Row {
    const char* legend;
    std::vector<std::string> args;
    CommandLineSwitches want;
    std::string folder_word;
  };
  const Row rows[] = {
      {"only -d", {"-d"}, {.download = true}, ""},
      {"folder and -D", {"MYSTAT", "-D"}, {.download = true}, "MYSTAT"},
      {"all switches",
       {"S", "-o", "-C", "-p", "-M", "staging"},
       {.open_station = true, .clear = true, .no_rotate = true, .log_more = true, .staging = true},
       "S"},
      {"Staging upper", {"Staging"}, {.staging = true}, "Staging"},
      {"STAGING is neither spelling", {"x", "STAGING"}, {}, "x"},
      {"switches glued together", {"S", "-d-c"}, {.download = true, .clear = true}, "S"},
      // A substring inside a folder name counts too, as it always has.
      {"dash inside the folder name", {"weather-data"}, {.download = true}, "weather-data"},
      {"leading blanks before the folder", {"  \tMYSTAT", "-o"}, {.open_station = true}, "MYSTAT"},
      {"blank first argument", {"", "MYSTAT", "-o"}, {.open_station = true}, "MYSTAT"},
      {"folder with blanks stays one word", {"My Stat", "-d"}, {.download = true}, "My Stat"},
      {"nothing", {}, {}, ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    const auto cl = ParseClassicCommandLine(r.args);
    EXPECT_EQ(cl.switches, r.want);
    EXPECT_EQ(cl.folder_word, r.folder_word);
  }
}

TEST(ShellCommandLineTest, FolderIsFullOrRelativeToTheCurrentFolder) {
  const std::pair<const char*, const char*> rows[] = {
      {"MYSTAT", "/prog/MYSTAT"}, {"MYSTAT/", "/prog/MYSTAT"}, {"./run", "/prog/run"},
      {"/data/w1", "/data/w1"},   {"/data/w1/", "/data/w1"},   {"sub/../w2", "/prog/w2"},
  };
  for (const auto& [word, want] : rows) EXPECT_EQ(ResolveStationFolder(word, "/prog"), want) << word;
}

class ShellDefaultStationTest : public ShellTestBase {};

TEST_F(ShellDefaultStationTest, LastStationThenOnlyStation) {
  ProgConfigData cfg = ReadConfig();
  EXPECT_EQ(DefaultStationFolder(dir.str(), cfg), "");  // no station at all

  const std::string alpha = MakeStation("Alpha");
  EXPECT_EQ(DefaultStationFolder(dir.str(), cfg), alpha);  // the only one

  const std::string beta = MakeStation("Beta");
  EXPECT_EQ(DefaultStationFolder(dir.str(), cfg), "");  // two and no last station

  ASSERT_TRUE(cfg.SetLastStationFolder(beta));
  EXPECT_EQ(DefaultStationFolder(dir.str(), cfg), beta);

  // A last station whose file is gone does not count.
  std::filesystem::remove(Station::ConfigPath(beta));
  EXPECT_EQ(DefaultStationFolder(dir.str(), cfg), alpha);
}

}  // namespace
}  // namespace sq
