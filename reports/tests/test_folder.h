// A temporary folder per test, removed at the end, and golden-file comparison.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace sq::testing {

class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    path_ = std::filesystem::temp_directory_path() / ("sq_reports_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] std::string str() const { return path_.string(); }
  [[nodiscard]] std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Compares `actual` line by line with reports/tests/golden/NAME; with SQ_UPDATE_GOLDEN=1
// in the environment the golden file is rewritten instead.
inline void ExpectGolden(const std::string& name, const std::string& actual) {
  const std::string path = std::string(SQ_SOURCE_DIR) + "/reports/tests/golden/" + name;
  if (std::getenv("SQ_UPDATE_GOLDEN") != nullptr) {
    WriteText(path, actual);
    return;
  }
  std::istringstream want(ReadText(path)), got(actual);
  std::string w, g;
  int n = 0;
  while (true) {
    const bool more_w = static_cast<bool>(std::getline(want, w));
    const bool more_g = static_cast<bool>(std::getline(got, g));
    ++n;
    if (!more_w && !more_g) break;
    ASSERT_EQ(more_w, more_g) << name << ": line count differs at line " << n;
    EXPECT_EQ(g, w) << name << " line " << n;
  }
  // Line-by-line equality misses a final line feed; the bytes must match too.
  EXPECT_EQ(actual.size(), ReadText(path).size()) << name;
}

}  // namespace sq::testing
