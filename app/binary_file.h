// BinaryFile: a fixed-size record kept whole in one file (program configuration,
// station configuration and the like). The path is folder + name with one '/' between
// them. Saving writes a complete new file and replaces the old one in one step, so an
// interrupted save leaves the old file or the new one, never a mix.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sq {

class BinaryFile {
 public:
  BinaryFile(std::string_view folder, std::string_view name);

  [[nodiscard]] const std::string& Path() const { return path_; }
  // 0 success; -1 when the file cannot be opened or read; -2 when its size differs
  // from `size` (nothing is read then).
  [[nodiscard]] int Read(void* buffer, std::size_t size) const;
  // 0 success, -1 failure (the old file is then untouched).
  [[nodiscard]] int Save(const void* buffer, std::size_t size) const;
  [[nodiscard]] bool FileExists() const;
  // Size in bytes, -1 when missing.
  [[nodiscard]] long FileSize() const;

 private:
  std::string path_;
};

// folder + name with exactly one '/' between them (none added after an empty folder).
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace sq
