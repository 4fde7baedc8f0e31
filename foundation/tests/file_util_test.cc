#include "foundation/file_util.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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
  ReplacementFile f(path);
  ASSERT_NE(f.stream(), nullptr) << f.error();
  std::fputs("export\n", f.stream());
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
    ReplacementFile f(path);
    if (f.stream() == nullptr) ::_exit(2);
    for (int i = 0; i < 1000; ++i) std::fputs("a line of the export that does not fit\n", f.stream());
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
