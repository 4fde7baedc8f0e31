#include <gtest/gtest.h>

#include <filesystem>

#include "app/messages.h"
#include "app/startup.h"
#include "app/tests/shell_fixture.h"
#include "foundation/display_units.h"

namespace sq {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::UnixMs;

class ShellStartupTest : public test::ShellTestBase {
 protected:
  // Start-up with `args`, then shut-down; the start's result.
  std::optional<int> StartAndStop(const std::vector<std::string>& args, ShellOps ops) {
    Shell shell(dir.str(), clock, std::move(ops));
    auto r = shell.Start(ParseClassicCommandLine(args));
    if (shell.Started()) {
      EXPECT_EQ(shell.ShutDown(), 0);
    }
    return r;
  }
};

TEST_F(ShellStartupTest, MissingConfigurationStopsAndWrongSizeIsReplaced) {
  fs::remove(dir / kProgConfigName);
  {
    Shell shell(dir.str(), clock, RecordingOps());
    EXPECT_EQ(shell.Start(ParseClassicCommandLine({"-d"})), 1);
    EXPECT_FALSE(shell.Started());
    EXPECT_EQ(shell.ShutDown(), 0);
  }
  EXPECT_FALSE(fs::exists(dir / kProgConfigName));  // nothing was created

  testing::WriteBytes(dir / kProgConfigName, std::vector<std::uint8_t>(2047, 0x11));
  EXPECT_EQ(StartAndStop({}, RecordingOps()), std::nullopt);
  EXPECT_EQ(fs::file_size(dir / kProgConfigName), ProgConfigData::kSize);
  EXPECT_EQ(ReadConfig().AutoDownloadMinute(), 5);  // defaults
}

TEST_F(ShellStartupTest, CommandLineDownloadPicksTheStationFolder) {
  const std::string alpha = MakeStation("Alpha");
  fs::create_directories(dir / "elsewhere");
  const std::string remote = MakeStation("Remote", 5, dir / "elsewhere");
  struct Row {
    const char* legend;
    std::vector<std::string> args;
    std::string want;  // folder downloaded; empty: none
  };
  const Row rows[] = {
      {"only -d: the only station", {"-d"}, alpha}, {"folder under the program folder", {"Alpha", "-d"}, alpha},
      {"full path", {remote, "-d"}, remote},        {"only -d: now the last station", {"-d"}, remote},
      {"missing folder", {"Nope", "-d"}, ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    downloads.clear();
    const auto rc = StartAndStop(r.args, RecordingOps());
    if (r.want.empty()) {
      EXPECT_EQ(rc, 1);
      EXPECT_TRUE(downloads.empty());
      EXPECT_TRUE(Logged("Please check that your subdirectory  '" + (dir / "Nope") + "' exists."));
    } else {
      EXPECT_EQ(rc, 0);
      ASSERT_EQ(downloads.size(), 1u);
      EXPECT_EQ(downloads[0].folder, r.want);
      EXPECT_TRUE(downloads[0].silent);
      EXPECT_EQ(ReadConfig().LastStationFolder(), r.want);
    }
  }
  const auto lines = LogLines();
  EXPECT_NE(lines.at(1).find("Command line download ok."), std::string::npos);
}

TEST_F(ShellStartupTest, DownloadAndClearResultsAreLoggedAndReturned) {
  MakeStation("Main", 5);
  MakeStation("Old", 1);
  struct Row {
    const char* legend;
    std::vector<std::string> args;
    int download_rc, clear_rc;
    int want_status;
    std::size_t want_downloads, want_clears;
    const char* want_log;
  };
  const Row rows[] = {
      {"download fails", {"Main", "-d"}, kJobFailed, kJobOk, 1, 1, 0, "(Main) Command line download failed."},
      {"clear on the current family",
       {"Main", "-c"},
       kJobOk,
       kJobOk,
       1,
       0,
       0,
       "(Main) Command line Clear function is not supported for the Corvale Pro station."},
      {"clear on an older console", {"Old", "-c"}, kJobOk, kJobOk, 0, 0, 1, "(Old) Command line auto clear ok."},
      {"clear not available",
       {"Old", "-c"},
       kJobOk,
       kJobNotSupported,
       1,
       0,
       1,
       "(Old) Command line auto clear failed."},
      {"download then clear", {"Old", "-d", "-c"}, kJobOk, kJobOk, 0, 1, 1, "(Old) Command line auto clear ok."},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    downloads.clear();
    clears.clear();
    const std::int64_t before = clock.ElapsedMs();
    EXPECT_EQ(StartAndStop(r.args, RecordingOps(r.download_rc, r.clear_rc)), r.want_status);
    EXPECT_EQ(downloads.size(), r.want_downloads);
    ASSERT_EQ(clears.size(), r.want_clears);
    if (!clears.empty()) {
      EXPECT_TRUE(clears[0].silent);
      EXPECT_GE(clock.ElapsedMs() - before, 1000);  // the pause before a clear
    }
    EXPECT_NE(LogLines().at(0).find(r.want_log), std::string::npos) << LogLines().at(0);
  }
}

TEST_F(ShellStartupTest, LeapDayStopsJobsForOlderConsolesOnly) {
  MakeStation("Old", 0);
  MakeStation("Corv", 6);
  clock.SetUnixMs(UnixMs(2028, 2, 29, 3, 0));
  EXPECT_EQ(StartAndStop({"Old", "-c"}, RecordingOps()), 1);
  EXPECT_TRUE(clears.empty());
  const auto lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[0].find("(Old) Please follow the instructions in the Leap.txt file"), std::string::npos);
  EXPECT_NE(lines[1].find("(Old) Command line Download and Clear functions are disabled on Feb 29"), std::string::npos);

  EXPECT_EQ(StartAndStop({"Corv", "-d"}, RecordingOps()), 0);
  EXPECT_EQ(downloads.size(), 1u);

  // The day after, the older console's jobs run again.
  clock.SetUnixMs(UnixMs(2028, 3, 1, 3, 0));
  EXPECT_EQ(StartAndStop({"Old", "-d"}, RecordingOps()), 0);
  EXPECT_EQ(downloads.size(), 2u);
}

TEST_F(ShellStartupTest, ChoosesTheStationWithoutSwitches) {
  // No station, no old data: the welcome question, then the new-station operation.
  ShellOps ops = RecordingOps();
  answer = true;
  ops.new_station = [this](const std::string& program_folder) {
    EXPECT_EQ(program_folder, dir.str());
    return MakeStation("Fresh");
  };
  {
    Shell shell(dir.str(), clock, ops);
    EXPECT_EQ(shell.Start(ParseClassicCommandLine({})), std::nullopt);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("Would you like to create a new station"), std::string::npos);
    ASSERT_NE(shell.CurrentStation(), nullptr);
    EXPECT_EQ(shell.CurrentStation()->Name(), "Fresh");
    EXPECT_EQ(shell.ShutDown(), 0);
  }

  // Two stations and no last one: the choice is offered.
  const std::string second = MakeStation("Second");
  ProgConfigData cfg = ReadConfig();
  ASSERT_TRUE(cfg.SetLastStationFolder(""));
  SaveConfig(cfg);
  std::size_t offered = 0;
  ops.choose_station = [&](const std::vector<StationEntry>& list) {
    offered = list.size();
    return second;
  };
  Shell shell(dir.str(), clock, ops);
  EXPECT_EQ(shell.Start(ParseClassicCommandLine({})), std::nullopt);
  EXPECT_EQ(offered, 2u);
  ASSERT_NE(shell.CurrentStation(), nullptr);
  EXPECT_EQ(shell.CurrentStation()->Folder(), second);
  EXPECT_EQ(shell.ShutDown(), 0);
  EXPECT_EQ(ReadConfig().LastStationFolder(), second);
}

TEST_F(ShellStartupTest, OldStationDataAreCopiedWhenTheAnswerIsYes) {
  const std::string old_root = dir / "no-old-stations";
  fs::create_directories(old_root);
  MakeStation("Legacy", 5, old_root);
  answer = true;
  Shell shell(dir.str(), clock, RecordingOps());
  EXPECT_EQ(shell.Start(ParseClassicCommandLine({})), std::nullopt);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], "Would you like to copy over your old station data to the new program?");
  ASSERT_NE(shell.CurrentStation(), nullptr);
  EXPECT_EQ(shell.CurrentStation()->Folder(), dir / "Legacy");
  EXPECT_EQ(shell.ShutDown(), 0);
}

TEST_F(ShellStartupTest, ShutDownKeepsWhatOtherCommandsSaved) {
  const std::string folder = MakeStation("Alpha");
  ProgConfigData cfg = ReadConfig();
  cfg.SetLastAutoDownloadHour(7);
  SaveConfig(cfg);

  Shell shell(dir.str(), clock, RecordingOps());
  ASSERT_EQ(shell.Start(ParseClassicCommandLine({"-m"})), std::nullopt);
  EXPECT_TRUE(gLogMore);
  EXPECT_TRUE(Logged("gLogMore On"));

  // While the program runs, other commands change the units and the station.
  cfg = ReadConfig();
  cfg.SetTempUnit(1);
  SaveConfig(cfg);
  Station other;
  ASSERT_EQ(other.Load(folder), 0);
  other.SetName("Renamed");
  ASSERT_EQ(other.Save(), 0);

  EXPECT_EQ(shell.ShutDown(), 0);
  cfg = ReadConfig();
  EXPECT_EQ(cfg.LastAutoDownloadHour(), -1);
  EXPECT_EQ(cfg.LastStationFolder(), folder);
  EXPECT_EQ(cfg.TempUnit(), 1);
  ASSERT_EQ(other.Load(folder), 0);
  EXPECT_EQ(other.Name(), "Renamed");  // the unchanged copy in memory was not written back

  // A change this program made to its station is saved.
  Shell again(dir.str(), clock, RecordingOps());
  ASSERT_EQ(again.Start(ParseClassicCommandLine({})), std::nullopt);
  again.CurrentStation()->record().last_clear_date = 0x07EA0C0A;
  EXPECT_EQ(again.ShutDown(), 0);
  ASSERT_EQ(other.Load(folder), 0);
  EXPECT_EQ(other.record().last_clear_date, 0x07EA0C0Au);
}

}  // namespace
}  // namespace sq
