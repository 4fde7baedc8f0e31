// A temporary folder for one test: created empty, named after the running test so that
// a folder left behind says where it came from, and removed with everything in it when
// the object goes out of scope.
#pragma once

#include <filesystem>
#include <string>

namespace sq::testing {

class TempDir {
 public:
  // Throws std::runtime_error when no folder can be made (the test then fails).
  TempDir();
  // Never throws: a folder that cannot be removed is left behind.
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::string str() const { return path_.string(); }
  // The path of `name` inside the folder.
  [[nodiscard]] std::string file(const std::string& name) const { return (path_ / name).string(); }
  [[nodiscard]] std::string operator/(const std::string& name) const { return file(name); }

  // Leaves the folder in place, to look at what the test wrote.
  void Keep() { keep_ = true; }

 private:
  std::filesystem::path path_;
  bool keep_ = false;
};

}  // namespace sq::testing
