#include <gtest/gtest.h>

#include "app/auto_download_list.h"
#include "app/run_loop.h"
#include "app/scheduler.h"
#include "app/tests/shell_fixture.h"

namespace sq {
namespace {

using test::MinuteOfDay;
using test::UnixMs;

TEST(ShellScheduleTest, DueHourFollowsFlagsOffsetAndLastHour) {
  ProgConfigData cfg;
  ASSERT_TRUE(cfg.SetAutoDownloadHour(14, true));
  ASSERT_TRUE(cfg.SetAutoDownloadHour(0, true));
  ASSERT_TRUE(cfg.SetAutoDownloadMinute(5));
  struct Row {
    int minutes, last_hour, want;
  };
  const Row rows[] = {
      {14 * 60 + 4, -1, -1},  {14 * 60 + 5, -1, 14},  {14 * 60 + 14, -1, 14},
      {14 * 60 + 15, -1, -1}, {14 * 60 + 10, 14, -1}, {15 * 60 + 5, -1, -1},
      {0 * 60 + 5, -1, 0},    {0 * 60 + 5, 14, 0},    {0, -1, -1},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(DueAutoDownloadHour(cfg, r.minutes, r.last_hour), r.want) << r.minutes << " last " << r.last_hour;
  }
}

TEST(ShellScheduleTest, AutoClearDueOncePerDayInItsWindow) {
  StationRecord rec{};
  rec.auto_clear = 1;
  rec.auto_clear_time = 600;
  const std::int32_t today = 2026 * 65536 + 12 * 256 + 10;
  struct Row {
    const char* legend;
    std::uint8_t on;
    std::int16_t time;
    std::uint32_t last;
    int now;
    bool want;
  };
  const Row rows[] = {
      {"in the window", 1, 600, 0, 605, true},
      {"before", 1, 600, 0, 599, false},
      {"after", 1, 600, 0, 610, false},
      {"switched off", 0, 600, 0, 605, false},
      {"already cleared today", 1, 600, static_cast<std::uint32_t>(today), 605, false},
      {"no time set, just after midnight", 1, -1, 0, 3, false},
  };
  for (const auto& r : rows) {
    rec.auto_clear = r.on;
    rec.auto_clear_time = r.time;
    rec.last_clear_date = r.last;
    EXPECT_EQ(AutoClearDue(rec, today, r.now), r.want) << r.legend;
  }
}

class CountingCountdown final : public Countdown {
 public:
  bool Run(std::string_view text, std::string_view, int seconds) override {
    texts.emplace_back(text);
    EXPECT_EQ(seconds, 10);
    return !cancel;
  }
  std::vector<std::string> texts;
  bool cancel = false;
};

class ShellSchedulerTest : public test::ShellTestBase {
 protected:
  void Schedule(const std::vector<std::string>& stations, std::vector<int> hours, int minute) {
    AutoDownloadSchedule s;
    s.stations = stations;
    for (int h : hours) s.hours[static_cast<std::size_t>(h)] = true;
    s.minute = minute;
    ProgConfigData cfg = ReadConfig();
    std::string error;
    ASSERT_EQ(WriteSchedule(dir.str(), s, cfg, &error), 0) << error;
    SaveConfig(cfg);
  }

  // Runs the one-second loop with the scheduler for `seconds`.
  void RunFor(Shell& shell, std::int64_t seconds) {
    Scheduler scheduler(shell, countdown);
    RunLoop loop(clock);
    loop.AddTickHandler([&](std::uint64_t tick) { scheduler.OnTick(tick); });
    EXPECT_EQ(loop.Run(static_cast<std::uint64_t>(seconds)), static_cast<std::uint64_t>(seconds));
  }

  CountingCountdown countdown;
};

TEST_F(ShellSchedulerTest, FiresOnceAnHourInsideItsWindowAndAgainNextDay) {
  const std::string alpha = MakeStation("Alpha");
  Schedule({alpha}, {14}, 5);
  clock.SetUnixMs(UnixMs(2026, 12, 10, 13, 50));
  Shell shell(dir.str(), clock, RecordingOps());
  ASSERT_EQ(shell.Start(ParseClassicCommandLine({})), std::nullopt);

  Scheduler scheduler(shell, countdown);
  RunLoop loop(clock);
  loop.AddTickHandler([&](std::uint64_t tick) { scheduler.OnTick(tick); });
  loop.Run(70 * 60);  // to 15:00
  ASSERT_EQ(downloads.size(), 1u);
  clock.SetUnixMs(downloads[0].unix_ms);
  EXPECT_GE(MinuteOfDay(clock), 14 * 60 + 5);
  EXPECT_LE(MinuteOfDay(clock), 14 * 60 + 14);
  EXPECT_TRUE(downloads[0].silent);
  EXPECT_TRUE(Logged("Downloaded Alpha ok."));
  ASSERT_EQ(countdown.texts.size(), 1u);
  EXPECT_TRUE(countdown.texts[0].starts_with("You have 10 seconds to cancel the ")) << countdown.texts[0];
  EXPECT_TRUE(countdown.texts[0].ends_with(":05p Auto Download of Alpha.") ||
              countdown.texts[0].ends_with("14:05 Auto Download of Alpha."))
      << countdown.texts[0];

  // The next day at the same time it fires again, once.
  clock.SetUnixMs(UnixMs(2026, 12, 11, 14, 0));
  loop.Run(30 * 60);
  EXPECT_EQ(downloads.size(), 2u);
  EXPECT_EQ(shell.ShutDown(), 0);
  EXPECT_EQ(ReadConfig().LastAutoDownloadHour(), -1);
}

TEST_F(ShellSchedulerTest, CurrentStationFirstAndEveryOutcomeLogged) {
  const std::string alpha = MakeStation("Alpha");
  const std::string beta = MakeStation("Beta");
  const std::string gamma = MakeStation("Gamma");
  Schedule({alpha, dir / "Gone", "Beta", gamma}, {9}, 0);
  ProgConfigData cfg = ReadConfig();
  ASSERT_TRUE(cfg.SetLastStationFolder(gamma));
  SaveConfig(cfg);
  std::filesystem::create_directories(dir / "Gone");
  clock.SetUnixMs(UnixMs(2026, 12, 10, 8, 59, 50));

  ShellOps ops = RecordingOps();
  ops.download = [this, beta](Station& s, Attendance who) {
    downloads.push_back({s.Folder(), clock.UnixMs(), who == Attendance::kUnattended});
    return s.Folder() == beta ? kJobDbUnusable : kJobOk;
  };
  Shell shell(dir.str(), clock, ops);
  ASSERT_EQ(shell.Start(ParseClassicCommandLine({})), std::nullopt);
  RunFor(shell, 30);

  ASSERT_EQ(downloads.size(), 3u);
  EXPECT_EQ(downloads[0].folder, gamma);
  EXPECT_EQ(downloads[1].folder, alpha);
  EXPECT_EQ(downloads[2].folder, beta);
  EXPECT_TRUE(Logged("Could not open station in '" + (dir / "Gone") + "'."));
  EXPECT_TRUE(Logged("Downloaded Gamma ok."));
  EXPECT_TRUE(Logged("Download of Beta failed."));
  EXPECT_TRUE(Logged("(Beta) Could not open database."));
  EXPECT_FALSE(Logged("Error writing data to disk"));
  EXPECT_EQ(shell.ShutDown(), 0);
}

TEST_F(ShellSchedulerTest, CancelledCountdownSkipsTheDownload) {
  const std::string alpha = MakeStation("Alpha");
  Schedule({alpha}, {9}, 0);
  clock.SetUnixMs(UnixMs(2026, 12, 10, 9, 0));
  countdown.cancel = true;
  Shell shell(dir.str(), clock, RecordingOps());
  ASSERT_EQ(shell.Start(ParseClassicCommandLine({})), std::nullopt);
  RunFor(shell, 15 * 60);
  EXPECT_TRUE(downloads.empty());
  EXPECT_EQ(countdown.texts.size(), 1u);  // asked once, not again within the hour
  EXPECT_TRUE(Logged("Download of Alpha was canceled."));
  EXPECT_EQ(shell.ShutDown(), 0);
}

TEST_F(ShellSchedulerTest, DamagedOrMissingListIsLoggedAndScheduleEditsApplyWhileRunning) {
  MakeStation("Alpha");
  for (const bool missing : {false, true}) {
    SCOPED_TRACE(missing ? "missing list" : "damaged list");
    std::filesystem::remove(dir / "download.log");
    Schedule({}, {}, 0);  // nothing scheduled at start
    clock.SetUnixMs(UnixMs(2026, 12, 10 + (missing ? 1 : 0), 9, 0));
    Shell shell(dir.str(), clock, RecordingOps());
    ASSERT_EQ(shell.Start(ParseClassicCommandLine({})), std::nullopt);

    // Another command switches hour 9 on; the running program picks it up.
    ProgConfigData cfg = ReadConfig();
    ASSERT_TRUE(cfg.SetAutoDownloadHour(9, true));
    cfg.SetAutoDownloadEnabled(true);
    SaveConfig(cfg);
    if (missing) {
      std::filesystem::remove(dir / kDownloadListName);
    } else {
      testing::WriteText(dir / kDownloadListName, "Alpha\n\x01\x02\n");
    }
    RunFor(shell, 60);
    EXPECT_TRUE(downloads.empty());
    EXPECT_TRUE(Logged("Could not open Auto Download list file download.lst."));
    EXPECT_EQ(shell.ShutDown(), 0);
  }
}

TEST_F(ShellSchedulerTest, AutoClearRunsOnceForOlderConsoles) {
  struct Row {
    const char* legend;
    int model;
    int clear_rc;
    std::size_t want_clears;
    bool want_cleared_date;
    const char* want_log;  // nullptr: nothing of the clear in the log
  };
  const Row rows[] = {
      {"older console", 1, kJobOk, 1, true, "The Auto Clear of S1 was successful."},
      {"clear not available", 2, kJobNotSupported, 1, false, nullptr},
      {"clear fails", 3, kJobFailed, 1, false, "The auto clear of S3 failed."},
      {"current family", 5, kJobOk, 0, false, nullptr},
  };
  int n = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    const std::string name = "S" + std::to_string(r.model);
    const std::string folder = MakeStation(name, r.model);
    Station s;
    ASSERT_EQ(s.Load(folder), 0);
    s.record().auto_clear = 1;
    s.record().auto_clear_time = 10 * 60;
    ASSERT_EQ(s.Save(), 0);
    clears.clear();
    clock.SetUnixMs(UnixMs(2026, 12, 10 + n++, 9, 55));
    Shell shell(dir.str(), clock, RecordingOps(kJobOk, r.clear_rc));
    ASSERT_EQ(shell.Start(ParseClassicCommandLine({folder, "-o"})), std::nullopt);
    RunFor(shell, 30 * 60);
    ASSERT_EQ(clears.size(), r.want_clears);
    if (!clears.empty()) {
      EXPECT_TRUE(clears[0].silent);
    }
    EXPECT_EQ(shell.ShutDown(), 0);
    ASSERT_EQ(s.Load(folder), 0);
    EXPECT_EQ(s.record().last_clear_date != 0, r.want_cleared_date);
    if (r.want_log) {
      EXPECT_TRUE(Logged(r.want_log));
    }
    EXPECT_FALSE(Logged("auto clear of " + name + " was canceled"));
  }
}

}  // namespace
}  // namespace sq
