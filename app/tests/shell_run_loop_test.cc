#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/run_loop.h"
#include "app/tests/shell_fixture.h"

namespace sq {
namespace {

TEST(ShellRunLoopTest, HandlersRunInOrderAndLateTicksAreNotMadeUp) {
  FakeClock clock;
  RunLoop loop(clock);
  std::vector<std::pair<std::uint64_t, std::int64_t>> seen;
  std::string order;
  loop.AddTickHandler([&](std::uint64_t tick) {
    order += 'a';
    seen.emplace_back(tick, clock.MonotonicMs());
  });
  loop.AddTickHandler([&](std::uint64_t tick) {
    order += 'b';
    if (tick == 3) clock.Advance(5500);  // a long job
  });
  EXPECT_EQ(loop.Run(5), 5u);
  EXPECT_EQ(order, "ababababab");
  const std::vector<std::pair<std::uint64_t, std::int64_t>> want = {
      {1, 1000}, {2, 2000}, {3, 3000}, {4, 9500}, {5, 10500}};
  EXPECT_EQ(seen, want);

  RunLoop stopping(clock);
  stopping.AddTickHandler([&](std::uint64_t tick) {
    if (tick == 4) stopping.Stop();
  });
  EXPECT_EQ(stopping.Run(), 4u);
}

class ShellKillTest : public test::ShellTestBase {
 protected:
  // Forks a child that runs `body` and then exits with its result. The child tells the
  // parent through a pipe when it is busy; the parent then gets its process id.
  pid_t Fork(const std::function<int(int ready_fd)>& body) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      ::_exit(body(fds[1]));
    }
    ::close(fds[1]);
    char byte = 0;
    EXPECT_EQ(::read(fds[0], &byte, 1), 1);
    ::close(fds[0]);
    return pid;
  }

  void ExpectWholeFiles(const std::string& station_folder) {
    ProgConfigData cfg;
    EXPECT_TRUE(ReadProgramConfig(dir.str(), cfg));
    Station s;
    EXPECT_EQ(s.Load(station_folder), 0);
    const std::string log = testing::ReadText(dir / kDownloadLogName);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n');
    for (const auto& line : LogLines()) EXPECT_NE(line.find("Busy "), std::string::npos) << line;
  }
};

TEST_F(ShellKillTest, KillDuringJobLeavesOldOrNewFiles) {
  const std::string folder = MakeStation("Alpha");
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    const pid_t pid = Fork([&](int ready_fd) {
      ShellOps ops = RecordingOps();
      ops.download = [&](Station& s, Attendance) {
        // Saves the station, the configuration and the log over and over, as a long
        // download does, until it is killed.
        for (int i = 0;; ++i) {
          s.SetName("Alpha " + std::to_string(i));
          if (s.Save() != 0) return kJobFailed;
          ProgConfigData cfg = progConfigData;
          cfg.SetLastAutoDownloadHour(static_cast<std::int16_t>(i % 24));
          if (SaveProgramConfig(dir.str(), cfg) != 0) return kJobFailed;
          if (LogMessageIn(dir.str(), "Busy " + std::to_string(i), "Alpha", clock) != 0) return kJobFailed;
          if (i == 0 && ::write(ready_fd, "x", 1) != 1) return kJobFailed;
        }
      };
      Shell shell(dir.str(), clock, ops);
      return shell.Start(ParseClassicCommandLine({"Alpha", "-d"})).value_or(2);
    });
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status));
    ExpectWholeFiles(folder);
  }
}

TEST_F(ShellKillTest, StopSignalEndsTheLoopAndSaves) {
  const std::string folder = MakeStation("Alpha");
  ProgConfigData cfg = ReadConfig();
  cfg.SetLastAutoDownloadHour(7);
  SaveConfig(cfg);
  ASSERT_EQ(LogMessageIn(dir.str(), "Busy before", "", clock), 0);

  const pid_t pid = Fork([&](int ready_fd) {
    ResetStopSignal();
    InstallStopSignalHandlers();
    Shell shell(dir.str(), clock, RecordingOps());
    if (shell.Start(ParseClassicCommandLine({})).has_value()) return 3;
    RunLoop loop(clock);
    loop.AddTickHandler([&](std::uint64_t tick) {
      if (tick == 1 && ::write(ready_fd, "x", 1) != 1) loop.Stop();
    });
    if (loop.Run() == 0) return 4;
    return shell.ShutDown();
  });
  ASSERT_EQ(::kill(pid, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadConfig().LastAutoDownloadHour(), -1);
  EXPECT_EQ(ReadConfig().LastStationFolder(), folder);
  ExpectWholeFiles(folder);
}

}  // namespace
}  // namespace sq
