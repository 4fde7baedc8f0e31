// The small file interface the program's stored files are read, written and locked
// through, so that tests can fail or cut off any single write of an operation and check
// what is left on disk. PosixFileSystem is the real one; FaultFileSystem wraps another and
// injects one fault at the n-th mutating call (write, create, rename, remove).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

// Modes of new files, before the umask.
inline constexpr unsigned kModeAnyone = 0666;      // the database's month files
inline constexpr unsigned kModeOthersRead = 0644;  // whole files put in place by ReplacementFile
inline constexpr unsigned kModeOwnerOnly = 0600;   // files that hold a secret

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

enum class LockMode { kExclusive, kShared };
// kBusy: another holder has a conflicting lock; kError: the lock file cannot be opened or
// locked.
enum class LockResult { kHeld, kBusy, kError };

// An advisory lock held on a lock file; destroying it releases the lock.
class HeldLock {
 public:
  virtual ~HeldLock() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading, and for writing too when `writable`.
  [[nodiscard]] virtual std::unique_ptr<File> Open(const std::string& path, bool writable, OpenError* error) = 0;
  // Creates `path` empty with `mode` (replacing any file of that name; a link of that
  // name is removed, never written through), open for writing.
  [[nodiscard]] virtual std::unique_ptr<File> Create(const std::string& path, unsigned mode) = 0;
  [[nodiscard]] virtual bool Rename(const std::string& from, const std::string& to) = 0;
  [[nodiscard]] virtual bool Remove(const std::string& path) = 0;
  [[nodiscard]] virtual bool Exists(const std::string& path) = 0;
  // Names (not paths) of the regular files in `folder`; false when it cannot be listed.
  [[nodiscard]] virtual bool List(const std::string& folder, std::vector<std::string>* names) = 0;
  // Makes renames and removals in `folder` durable.
  [[nodiscard]] virtual bool SyncFolder(const std::string& folder) = 0;
  // Takes the advisory lock of the lock file `path` without waiting. kExclusive opens it
  // for writing and creates it empty (kModeAnyone) when missing; kShared opens an
  // existing one for reading only, so that a reader needs no write access to the folder.
  // A lock file is never opened through a symbolic link. The lock belongs to `*lock`:
  // another TryLock conflicts with it even in the same process, and a process that dies
  // never leaves it held. `*error` (when given) says why on kError.
  [[nodiscard]] virtual LockResult TryLock(const std::string& path, LockMode mode, std::unique_ptr<HeldLock>* lock,
                                           std::string* error) = 0;

  // Writes a whole new file under the name "PATH.tmp", syncs it and renames it over
  // `path`: a crash leaves either the old file (or none) or the complete new one.
  [[nodiscard]] bool ReplaceWhole(const std::string& path, std::span<const std::uint8_t> data);
};

// The process-wide POSIX implementation.
FileSystem& DefaultFileSystem();

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, bool writable, OpenError* error) override;
  std::unique_ptr<File> Create(const std::string& path, unsigned mode) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool List(const std::string& folder, std::vector<std::string>* names) override;
  bool SyncFolder(const std::string& folder) override;
  LockResult TryLock(const std::string& path, LockMode mode, std::unique_ptr<HeldLock>* lock,
                     std::string* error) override;
};

// Wraps `base` and counts every mutating call (WriteAt, Create, Rename, Remove); locks
// pass through uncounted.
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
  std::unique_ptr<File> Create(const std::string& path, unsigned mode) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  bool List(const std::string& folder, std::vector<std::string>* names) override { return base_.List(folder, names); }
  bool SyncFolder(const std::string& folder) override { return base_.SyncFolder(folder); }
  LockResult TryLock(const std::string& path, LockMode mode, std::unique_ptr<HeldLock>* lock,
                     std::string* error) override {
    return base_.TryLock(path, mode, lock, error);
  }

 private:
  FileSystem& base_;
  Mode mode_ = Mode::kNone;
  long target_ = 0;
  long count_ = 0;
};

// Joins a folder and a file name with one '/'.
[[nodiscard]] std::string JoinPath(const std::string& folder, const std::string& name);

// What follows a file's name in the temporary name of its replacement: "NAME.tmp-PID".
inline constexpr char kTemporaryMark[] = ".tmp-";
// The temporary name a replacement of `path` by this process uses.
[[nodiscard]] std::string TemporaryNameFor(const std::string& path);

// A new version of a file, written under a temporary name in the same folder
// ("NAME.tmp-PID") and put in place by Commit: sync, rename over `path`, sync of the
// folder. The rename replaces whatever `path` was, a symbolic link included, and never
// writes through it, so a crash, a full disk or a link planted in the folder can never
// leave a half-written file or change a file elsewhere. Without a successful Commit the
// temporary file is removed and `path` stays as it was. Writes are gathered into large
// blocks, so that line-by-line writers cost few calls.
class ReplacementFile {
 public:
  ReplacementFile(FileSystem& fs, std::string path, unsigned mode = kModeOthersRead);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // False once creating or writing the temporary file failed (error() says why).
  [[nodiscard]] bool ok() const { return file_ != nullptr && error_.empty(); }
  // Appends `data`; false (error() set) when it or an earlier write failed.
  bool Write(std::string_view data);
  bool Write(std::span<const std::uint8_t> data);
  // Writes what is gathered, syncs, renames over the target; false (error() set, the
  // temporary file removed) when any of it fails, including an earlier write error.
  [[nodiscard]] bool Commit();
  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  friend class FileSystem;  // ReplaceWhole names its temporary file "PATH.tmp"
  ReplacementFile(FileSystem& fs, std::string path, std::string temporary, unsigned mode);
  bool Flush();
  void Fail(const char* what, const std::string& path);
  void Discard();

  FileSystem& fs_;
  std::string path_;
  std::string tmp_;
  std::unique_ptr<File> file_;
  std::int64_t written_ = 0;
  std::vector<std::uint8_t> pending_;
  std::string error_;
};

// Writes `data` to `path` through a ReplacementFile. False, with `*error` (when given)
// saying why, on failure; the old file is then untouched.
[[nodiscard]] bool WriteFileAtomic(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> data,
                                   std::string* error = nullptr, unsigned mode = kModeOthersRead);
[[nodiscard]] bool WriteFileAtomic(FileSystem& fs, const std::string& path, std::string_view text,
                                   std::string* error = nullptr, unsigned mode = kModeOthersRead);

// Reads the whole file through `fs`. Nothing (`*error` set) when it cannot be opened or
// read, or when it is larger than `max_size` bytes.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> ReadWholeFile(FileSystem& fs, const std::string& path,
                                                                     std::size_t max_size,
                                                                     std::string* error = nullptr);

}  // namespace sq
