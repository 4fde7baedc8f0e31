// The small file interface the program's stored files are read and written through, so
// that tests can fail or cut off any single write of an operation and check what is left
// on disk. PosixFileSystem is the real one; FaultFileSystem wraps another and injects one
// fault at the n-th mutating call (write, create, rename, remove).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace sq {

class File {
 public:
  virtual ~File() = default;
  // Reads up to `out.size()` bytes at `offset`; returns the count read (short at the
  // end of the file) or -1 on error.
  [[nodiscard]] virtual long ReadAt(std::int64_t offset, std::span<std::uint8_t> out) = 0;
  // Writes all of `data` at `offset`; false on any error.
  [[nodiscard]] virtual bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> data) = 0;
  // File length in bytes, or -1.
  [[nodiscard]] virtual std::int64_t Size() = 0;
  [[nodiscard]] virtual bool Sync() = 0;
};

// kLink: a file opened for writing is a symbolic link, which is never written through.
enum class OpenError { kNone, kNotFound, kAccessDenied, kLink, kOther };

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading, and for writing too when `writable`.
  [[nodiscard]] virtual std::unique_ptr<File> Open(const std::string& path, bool writable, OpenError* error) = 0;
  // Creates `path` empty (replacing any file of that name), open for writing.
  [[nodiscard]] virtual std::unique_ptr<File> Create(const std::string& path) = 0;
  [[nodiscard]] virtual bool Rename(const std::string& from, const std::string& to) = 0;
  [[nodiscard]] virtual bool Remove(const std::string& path) = 0;
  [[nodiscard]] virtual bool Exists(const std::string& path) = 0;
  // Names (not paths) of the regular files in `folder`; false when it cannot be listed.
  [[nodiscard]] virtual bool List(const std::string& folder, std::vector<std::string>* names) = 0;
  // Makes renames and removals in `folder` durable.
  [[nodiscard]] virtual bool SyncFolder(const std::string& folder) = 0;

  // Writes a whole new file under a temporary name, syncs it and renames it over `path`:
  // a crash leaves either the old file (or none) or the complete new one.
  [[nodiscard]] bool ReplaceWhole(const std::string& path, std::span<const std::uint8_t> data);
};

// The process-wide POSIX implementation.
FileSystem& DefaultFileSystem();

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, bool writable, OpenError* error) override;
  std::unique_ptr<File> Create(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool List(const std::string& folder, std::vector<std::string>* names) override;
  bool SyncFolder(const std::string& folder) override;
};

// Wraps `base` and counts every mutating call (WriteAt, Create, Rename, Remove).
// kFail: call number `n` (counting from 1) fails and does nothing; later calls work.
// kStop: the process "dies" at call `n`: that call and every later one do nothing but
// report success, so the files hold exactly what reached them before the crash.
class FaultFileSystem final : public FileSystem {
 public:
  enum class Mode { kNone, kFail, kStop };
  explicit FaultFileSystem(FileSystem& base) : base_(base) {}

  void Arm(Mode mode, long n) {
    mode_ = mode;
    target_ = n;
    count_ = 0;
  }
  [[nodiscard]] long mutations() const { return count_; }
  [[nodiscard]] bool fired() const { return mode_ != Mode::kNone && count_ >= target_; }

  // Decides the fate of the next mutating call: true = perform it, false = skip it;
  // `*ok` is what the skipped call reports.
  bool Next(bool* ok);

  std::unique_ptr<File> Open(const std::string& path, bool writable, OpenError* error) override;
  std::unique_ptr<File> Create(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  bool List(const std::string& folder, std::vector<std::string>* names) override { return base_.List(folder, names); }
  bool SyncFolder(const std::string& folder) override { return base_.SyncFolder(folder); }

 private:
  FileSystem& base_;
  Mode mode_ = Mode::kNone;
  long target_ = 0;
  long count_ = 0;
};

// Joins a folder and a file name with one '/'.
[[nodiscard]] std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace sq
