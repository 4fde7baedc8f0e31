// An advisory lock (flock) on a lock file, shared by the processes that write the same
// files. The lock belongs to the open file, so a process that dies never leaves it
// held. Waiting goes through the given clock, so tests of a busy lock take no real
// time, and is always bounded.
#pragma once

#include <cstdint>
#include <string>

namespace sq {

class Clock;

class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  enum class Result { kHeld, kBusy, kError };

  // Opens (creating it when missing) the lock file `path` and takes its exclusive lock,
  // trying again every little while on `clock` for up to `wait_ms` milliseconds (0: one
  // try). kBusy when another holder kept it all that time; kError when the file cannot
  // be opened or locked, with `*error` (when given) saying why.
  [[nodiscard]] Result Acquire(const std::string& path, Clock& clock, std::int64_t wait_ms,
                               std::string* error = nullptr);
  void Release();
  [[nodiscard]] bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace sq
