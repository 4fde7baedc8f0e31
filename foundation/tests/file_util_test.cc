#include "foundation/file_util.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "foundation/clock.h"
#include "foundation/file_lock.h"
#include "foundation/mem_file_system.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

class FileUtilTest : public ::testing::Test {
 protected:
  testing::TempDir tmp_;
  std::filesystem::path dir_ = tmp_.path();
};

TEST_F(FileUtilTest, WriteReplacesWholeFileAndLeavesNoTemporary) {
  std::string path = (dir_ / "a.dat").string();
  ASSERT_TRUE(WriteFileAtomic(path, std::string("first version, longer")));
  ASSERT_TRUE(WriteFileAtomic(path, std::string("second")));
  auto bytes = ReadWholeFile(path, 1024);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "second");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);
}

TEST_F(FileUtilTest, FailedWriteKeepsOldFile) {
  std::string path = (dir_ / "sub" / "a.dat").string();
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(path, std::string("x"), &error));
  EXPECT_NE(error.find("cannot create"), std::string::npos);
}

TEST_F(FileUtilTest, ReadRefusesMissingAndOversizedFiles) {
  std::string error;
  EXPECT_FALSE(ReadWholeFile((dir_ / "none").string(), 10, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos);
  std::string path = (dir_ / "big").string();
  ASSERT_TRUE(WriteFileAtomic(path, std::string(100, 'x')));
  EXPECT_FALSE(ReadWholeFile(path, 99, &error));
  EXPECT_TRUE(ReadWholeFile(path, 100));
}

// Issue 17: a link planted under the name (or under the temporary name) is replaced,
// never written through.
TEST_F(FileUtilTest, LinksAreReplacedNeverFollowed) {
  const std::string outside = (dir_ / "outside.txt").string();
  ASSERT_TRUE(WriteFileAtomic(outside, std::string("not ours")));
  const std::string path = (dir_ / "download.txt").string();
  std::filesystem::create_symlink(outside, path);
  std::filesystem::create_symlink(outside, TemporaryNameFor(path));
  ReplacementFile f(DefaultFileSystem(), path);
  ASSERT_TRUE(f.ok()) << f.error();
  ASSERT_TRUE(f.Write("export\n"));
  ASSERT_TRUE(f.Commit()) << f.error();
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  const auto written = ReadWholeFile(path, 100);
  EXPECT_EQ(std::string(written->begin(), written->end()), "export\n");
  const auto kept = ReadWholeFile(outside, 100);
  EXPECT_EQ(std::string(kept->begin(), kept->end()), "not ours");
}

// A full disk (a file size limit in a child process) fails the commit and leaves the old
// file whole, with no temporary file behind.
TEST_F(FileUtilTest, FullDiskKeepsTheOldFile) {
  const std::string path = (dir_ / "download.txt").string();
  ASSERT_TRUE(WriteFileAtomic(path, std::string("old version")));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ReplacementFile f(DefaultFileSystem(), path);
    if (!f.ok()) ::_exit(2);
    for (int i = 0; i < 10000; ++i) (void)f.Write("a line of the export that does not fit\n");
    ::_exit(f.Commit() ? 1 : (f.error().find("cannot write") != std::string::npos ? 0 : 3));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the commit succeeded; 3: the error did not say why";
  const auto bytes = ReadWholeFile(path, 100);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "old version");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);
}

// Temporary files of processes that are gone are removed; those of running ones stay.
TEST_F(FileUtilTest, StaleTemporaryFilesOfDeadProcessesAreRemoved) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = std::to_string(child);
  const std::string alive = std::to_string(::getpid());
  for (const std::string& name : {"download.pending.tmp-" + dead, "rain.db.tmp-" + dead, "rain.db.tmp-" + alive,
                                  std::string("notes.tmp-12x"), std::string("2024-07.sqm")}) {
    ASSERT_TRUE(WriteFileAtomic((dir_ / name).string(), std::string("x")));
  }
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir_.string()), 2);
  EXPECT_FALSE(std::filesystem::exists(dir_ / ("rain.db.tmp-" + dead)));
  EXPECT_TRUE(std::filesystem::exists(dir_ / ("rain.db.tmp-" + alive)));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "notes.tmp-12x"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "2024-07.sqm"));
}

}  // namespace
}  // namespace sq

namespace sq {
namespace {

// The lock operation behaves alike on disk and in memory: what conflicts with what, and
// that a lock ends with its holder.
class LockTest : public ::testing::TestWithParam<bool> {
 protected:
  FileSystem& fs() { return GetParam() ? static_cast<FileSystem&>(mem_) : posix_; }
  std::string path() const { return GetParam() ? "/station/.writer.lock" : (tmp_.path() / ".writer.lock").string(); }

  testing::TempDir tmp_;
  PosixFileSystem posix_;
  MemFileSystem mem_;
};

TEST_P(LockTest, ExclusiveAndSharedConflictAsAdvisoryLocksDo) {
  std::unique_ptr<HeldLock> first, second;
  std::string error;
  EXPECT_EQ(fs().TryLock(path(), LockMode::kShared, &first, &error), LockResult::kError) << "no lock file yet";
  EXPECT_NE(error.find("cannot open the lock file"), std::string::npos) << error;
  ASSERT_EQ(fs().TryLock(path(), LockMode::kExclusive, &first, nullptr), LockResult::kHeld);
  EXPECT_TRUE(fs().Exists(path())) << "an exclusive lock creates its file";
  EXPECT_EQ(fs().TryLock(path(), LockMode::kExclusive, &second, nullptr), LockResult::kBusy);
  EXPECT_EQ(fs().TryLock(path(), LockMode::kShared, &second, nullptr), LockResult::kBusy);
  EXPECT_EQ(second, nullptr);
  first.reset();
  ASSERT_EQ(fs().TryLock(path(), LockMode::kShared, &first, nullptr), LockResult::kHeld);
  EXPECT_EQ(fs().TryLock(path(), LockMode::kShared, &second, nullptr), LockResult::kHeld) << "readers share";
  std::unique_ptr<HeldLock> writer;
  EXPECT_EQ(fs().TryLock(path(), LockMode::kExclusive, &writer, nullptr), LockResult::kBusy);
  first.reset();
  second.reset();
  EXPECT_EQ(fs().TryLock(path(), LockMode::kExclusive, &writer, nullptr), LockResult::kHeld);
}

// A busy lock is waited for on the clock, a step at a time, and never longer than asked.
TEST_P(LockTest, WaitsOnTheClockAndGivesUp) {
  FileLock holder(fs());
  FakeClock clock(0);
  ASSERT_EQ(holder.Acquire(path(), clock, 0), LockResult::kHeld);
  FileLock waiter(fs(), 100);
  std::string error;
  EXPECT_EQ(waiter.Acquire(path(), clock, 250, &error), LockResult::kBusy);
  EXPECT_EQ(clock.ElapsedMs(), 250);
  EXPECT_NE(error.find("another program holds"), std::string::npos) << error;
  EXPECT_FALSE(waiter.held());
  holder.Release();
  EXPECT_EQ(waiter.Acquire(path(), clock, 250), LockResult::kHeld);
  EXPECT_EQ(clock.ElapsedMs(), 250) << "a free lock is taken at once";
}

INSTANTIATE_TEST_SUITE_P(OnDiskAndInMemory, LockTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Memory" : "Disk"; });

TEST_F(FileUtilTest, LockFilesAreNeverOpenedThroughALink) {
  const std::string target = (dir_ / "elsewhere").string();
  const std::string lock = (dir_ / "download.lck").string();
  std::filesystem::create_symlink(target, lock);
  std::unique_ptr<HeldLock> held;
  EXPECT_EQ(DefaultFileSystem().TryLock(lock, LockMode::kExclusive, &held, nullptr), LockResult::kError);
  EXPECT_FALSE(std::filesystem::exists(target)) << "nothing was created where the link points";
}

// Every mutating call of a replacement, failed or cut off by a crash, leaves the old
// file or the complete new one, and never a temporary file once it has failed.
TEST_F(FileUtilTest, ReplacementSurvivesAFaultAtEveryCall) {
  const std::string path = (dir_ / "export.txt").string();
  const std::string old_text = "old export\n";
  std::string new_text;
  for (int i = 0; i < 3000; ++i) new_text += "line " + std::to_string(i) + " of the new export\n";  // > one block
  auto write = [&](FileSystem& fs) {
    ReplacementFile f(fs, path);
    for (std::size_t at = 0; at < new_text.size(); at += 1000)
      (void)f.Write(std::string_view(new_text).substr(at, 1000));
    return f.Commit();
  };
  long calls = 0;
  {
    ASSERT_TRUE(WriteFileAtomic(path, old_text));
    FaultFileSystem count(DefaultFileSystem());
    count.Arm(FaultFileSystem::Mode::kFail, 1L << 40);
    ASSERT_TRUE(write(count));
    calls = count.mutations();
  }
  ASSERT_GE(calls, 4) << "create, two block writes, rename";
  for (const auto mode : {FaultFileSystem::Mode::kFail, FaultFileSystem::Mode::kStop}) {
    for (long n = 1; n <= calls; ++n) {
      SCOPED_TRACE((mode == FaultFileSystem::Mode::kFail ? "fails at call " : "stops at call ") + std::to_string(n));
      ASSERT_TRUE(WriteFileAtomic(path, old_text));
      FaultFileSystem fs(DefaultFileSystem());
      fs.Arm(mode, n);
      const bool ok = write(fs);
      const auto bytes = ReadWholeFile(path, 1 << 20);
      ASSERT_TRUE(bytes);
      const std::string now(bytes->begin(), bytes->end());
      EXPECT_TRUE(now == old_text || now == new_text) << now.size() << " bytes";
      if (mode == FaultFileSystem::Mode::kFail) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(now, old_text);
        EXPECT_FALSE(std::filesystem::exists(TemporaryNameFor(path)));
      }
    }
  }
}

}  // namespace
}  // namespace sq
