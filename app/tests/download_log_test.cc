#include "app/download_log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <sstream>

#include "app/dirs.h"
#include "foundation/clock.h"
#include "foundation/date_time.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

class DownloadLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DateTime::dateChoice = 2;
    DateTime::dateSepChar = '-';
    DateTime::timeChoice = 1;
  }
  void TearDown() override {
    DateTime::dateChoice = 0;
    DateTime::timeChoice = 0;
  }
  TempDir dir_;
  // 2025-06-15 14:05 UTC.
  FakeClock clock_{1749996300000};
  std::string Log() const { return ReadText(dir_ / kDownloadLogName); }
};

TEST_F(DownloadLogTest, NewestEntryFirstWithTitleUnlessTheTextHoldsIt) {
  ASSERT_EQ(LogMessageIn(dir_.str(), "first entry", "Backyard", clock_), 0);
  clock_.Advance(60'000);
  ASSERT_EQ(LogMessageIn(dir_.str(), "Downloaded Backyard ok.", "Backyard", clock_), 0);
  const auto lines = Lines(Log());
  ASSERT_EQ(lines.size(), 2u);
  DateTime t;
  t.SetCurrentTime(clock_);
  EXPECT_EQ(lines[0], " " + t.GetDateStr() + " " + t.GetTimeStr() + " Downloaded Backyard ok.");
  EXPECT_NE(lines[1].find(" (Backyard) first entry"), std::string::npos) << lines[1];
}

TEST_F(DownloadLogTest, KeepsAtMost5001LinesAndCutsLongOldLines) {
  std::string old;
  old += std::string(300, 'x') + "\n";
  for (int i = 1; i < 6000; ++i) old += "old " + std::to_string(i) + "\n";
  WriteText(dir_ / kDownloadLogName, old);
  ASSERT_EQ(LogMessageIn(dir_.str(), "new", "T", clock_), 0);
  auto lines = Lines(Log());
  ASSERT_EQ(lines.size(), 5001u);
  EXPECT_NE(lines[0].find("new"), std::string::npos);
  EXPECT_EQ(lines[1], std::string(255, 'x'));
  EXPECT_EQ(lines[5000], "old 4999");
  // The cap holds entry after entry.
  ASSERT_EQ(LogMessageIn(dir_.str(), "newer", "T", clock_), 0);
  lines = Lines(Log());
  EXPECT_EQ(lines.size(), 5001u);
  EXPECT_NE(lines[0].find("newer"), std::string::npos);
}

TEST_F(DownloadLogTest, LastLineWithoutLineFeedIsKept) {
  WriteText(dir_ / kDownloadLogName, "a\nb");
  ASSERT_EQ(LogMessageIn(dir_.str(), "c", "T", clock_), 0);
  const auto lines = Lines(Log());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "b");
}

TEST_F(DownloadLogTest, GivesUpWhileAnotherProcessHoldsTheLock) {
  const int fd = ::open((dir_ / kDownloadLogLockName).c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  // flock locks belong to the open file description, so a second open conflicts.
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(LogMessageIn(dir_.str(), "blocked", "T", clock_), -1);
  EXPECT_EQ(clock_.ElapsedMs(), 299 * 100);  // waited on the fake clock, not for real
  ::close(fd);
  EXPECT_EQ(LogMessageIn(dir_.str(), "free", "T", clock_), 0);
}

TEST_F(DownloadLogTest, DirectoryStackLimitsAreLogged) {
  SetProgramFolder(dir_.str());
  const std::string start = std::filesystem::current_path().string();
  for (int i = 0; i < kDirStackDepth; ++i) ASSERT_EQ(PushDir(), 0);
  EXPECT_EQ(PushDir(), -1);
  for (int i = 0; i < kDirStackDepth; ++i) ASSERT_EQ(PopDir(), 0);
  EXPECT_EQ(PopDir(), -1);
  EXPECT_EQ(std::filesystem::current_path().string(), start);
  const std::string log = Log();
  EXPECT_NE(log.find("Directory Stack Overflow"), std::string::npos);
  EXPECT_LT(log.find("Directory Stack Underflow"), log.find("Directory Stack Overflow"));
  SetProgramFolder("");
}

}  // namespace
}  // namespace sq
