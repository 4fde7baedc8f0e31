#include "foundation/file_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace sq {
namespace {

class FileUtilTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sq_file_util_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
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

}  // namespace
}  // namespace sq
