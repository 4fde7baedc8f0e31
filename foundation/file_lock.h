// An advisory lock on a lock file, shared by the processes that write the same files,
// taken through the file-system interface. The lock belongs to the open file, so a
// process that dies never leaves it held. Waiting goes through the given clock, so
// tests of a busy lock take no real time, and is always bounded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/file_system.h"

namespace sq {

class Clock;

class FileLock {
 public:
  using Result = LockResult;
  static constexpr std::int64_t kDefaultRetryMs = 20;

  // Locks through `fs`, trying again every `retry_ms` while it waits.
  explicit FileLock(FileSystem& fs = DefaultFileSystem(), std::int64_t retry_ms = kDefaultRetryMs)
      : fs_(fs), retry_ms_(retry_ms) {}
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens (creating it when missing) the lock file `path` and takes its lock, trying
  // again on `clock` for up to `wait_ms` milliseconds (0: one try). kBusy when another
  // holder kept it all that time; kError when the file cannot be opened or locked, with
  // `*error` (when given) saying why.
  [[nodiscard]] Result Acquire(const std::string& path, Clock& clock, std::int64_t wait_ms,
                               std::string* error = nullptr, LockMode mode = LockMode::kExclusive);
  void Release() { held_.reset(); }
  [[nodiscard]] bool held() const { return held_ != nullptr; }

 private:
  FileSystem& fs_;
  std::int64_t retry_ms_;
  std::unique_ptr<HeldLock> held_;
};

}  // namespace sq
