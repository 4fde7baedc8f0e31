// Whole-file reads and crash-safe whole-file writes for the program's binary and text
// configuration files. A write goes to a temporary file in the same folder, is synced,
// and then renamed over the old file, so a reader sees either the old or the new file,
// never a half-written one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sq {

// Writes `data` to `path` atomically (temporary file, fsync, rename, fsync of the
// folder). Returns false and sets `*error` (when given) on failure; the old file is
// then untouched.
[[nodiscard]] bool WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> data,
                                   std::string* error = nullptr);
[[nodiscard]] bool WriteFileAtomic(const std::string& path, const std::string& text, std::string* error = nullptr);

// A new version of a file, written through a C stream under a temporary name in the
// same folder ("NAME.tmp-PID") and put in place by Commit with a rename. The rename
// replaces whatever `path` was, a symbolic link included, and never writes through it,
// so a crash, a full disk or a link planted in the folder can never leave a half-written
// file or change a file elsewhere. Without a successful Commit the temporary file is
// removed and `path` stays as it was.
class ReplacementFile {
 public:
  explicit ReplacementFile(std::string path);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // The stream to write to; null when the temporary file could not be created (error()).
  [[nodiscard]] std::FILE* stream() const { return file_; }
  // Flushes, syncs, closes and renames over the target; false (error() set, the
  // temporary file removed) when any of it fails, including an earlier write error.
  [[nodiscard]] bool Commit();
  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  void Discard();

  std::string path_;
  std::string tmp_;
  std::FILE* file_ = nullptr;
  std::string error_;
};

// The temporary name a write of `path` by this process uses.
[[nodiscard]] std::string TemporaryNameFor(const std::string& path);

// Removes the temporary files ("NAME.tmp-PID") that processes no longer running left in
// `folder`; files of running processes are left alone. Returns how many were removed.
int RemoveStaleTemporaryFiles(const std::string& folder);

// Reads the whole file. Returns nothing (and sets `*error`) when it cannot be opened or
// read, or when it is larger than `max_size` bytes (nothing is allocated then).
[[nodiscard]] std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::size_t max_size,
                                                                     std::string* error = nullptr);

}  // namespace sq
