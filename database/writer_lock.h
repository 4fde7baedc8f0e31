// One writer per station folder: an advisory lock on a lock file in the folder, held
// for the duration of a writing operation (a download, a recompute, an edit). A second
// writer, in this process or another, is refused with a clear message. Readers take
// no lock. The lock goes away with the process, so a crash never leaves it stuck.
#pragma once

#include <string>

#include "foundation/file_lock.h"

namespace sq {

inline constexpr char kWriterLockFileName[] = ".writer.lock";

class WriterLock {
 public:
  WriterLock() = default;
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

  // Takes the lock of `folder` without waiting. False, with `*error` set, when another
  // writer holds it or the lock file cannot be opened. Once it holds the lock, it removes
  // the temporary files that writers which died left in the folder.
  [[nodiscard]] bool Acquire(const std::string& folder, std::string* error);
  void Release() { lock_.Release(); }
  [[nodiscard]] bool held() const { return lock_.held(); }

 private:
  static void RemoveStaleFiles(const std::string& folder);

  FileLock lock_;
};

}  // namespace sq
