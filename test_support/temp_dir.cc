#include "test_support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace sq::testing {

namespace {

// "sq_<suite>_<test>_", with the characters that are no use in a file name replaced.
std::string Prefix() {
  std::string name = "sq";
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    name += std::string("_") + info->test_suite_name() + "_" + info->name();
  }
  for (char& c : name) {
    if (c == '/' || c == ' ') c = '_';
  }
  return name + "_";
}

}  // namespace

TempDir::TempDir() {
  std::error_code ec;
  std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) base = "/tmp";
  const std::string pattern = (base / (Prefix() + "XXXXXX")).string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) {
    throw std::runtime_error("cannot make a temporary folder " + pattern + ": " + std::strerror(errno));
  }
  path_ = buf.data();
}

TempDir::~TempDir() {
  if (keep_) return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace sq::testing
